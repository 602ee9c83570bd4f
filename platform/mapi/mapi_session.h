// The MAPI session, the address book with its entries, and profile
// administration.
//
// Profiles and the map from server names to organisation stores live in the
// platform's profile file (see README.md). A session's address book is the
// directory of the organisation store that its profile's server maps to.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/mapi/address_dialog.h"
#include "platform/mapi/mapi_prop.h"
#include "platform/mapi/mapi_store.h"

namespace korvale::mapi {

class IMailUser : public virtual IMAPIProp {};

// A distribution list: its contents table lists the members with
// PR_ENTRYID, PR_DISPLAY_NAME, PR_OBJECT_TYPE, PR_DISPLAY_TYPE,
// PR_EMAIL_ADDRESS, PR_ADDRTYPE (nested lists are members of type MAPI_DISTLIST).
class IDistList : public virtual IMAPIContainer {};

class IAddrBook : public virtual IMAPIProp {
 public:
  // Opens a directory entry (IMailUser or IDistList) by its address-book
  // identifier, or a one-off entry as an IMailUser. MAPI_E_UNKNOWN_ENTRYID for
  // an identifier of no entry.
  virtual HRESULT OpenEntry(const ENTRYID& entry_id, const IID* iid, ULONG flags, ULONG* object_type,
                            std::shared_ptr<IUnknown>* object) = 0;
  // Resolves every entry of the list that has no PR_ENTRYID by its
  // PR_DISPLAY_NAME: "EX:<legacy DN>" by address, "SMTP:<address>" by SMTP
  // address, otherwise an exact display name (case-insensitive), else a
  // unique prefix of display name, account or SMTP address. A resolved entry
  // keeps its PR_RECIPIENT_TYPE and gains PR_ENTRYID, PR_DISPLAY_NAME,
  // PR_OBJECT_TYPE, PR_DISPLAY_TYPE, PR_ADDRTYPE ("EX"), PR_EMAIL_ADDRESS,
  // PR_SMTP_ADDRESS, PR_SEARCH_KEY and PR_TRANSMITABLE_DISPLAY_NAME.
  // Result: S_OK when all resolved; MAPI_E_AMBIGUOUS_RECIP when some entry
  // matched several; otherwise MAPI_E_NOT_FOUND when some matched none. The
  // resolved entries are updated in every case.
  virtual HRESULT ResolveName(ULONG ui_param, ULONG flags, const std::string& title, ADRLIST* list) = 0;
  // A one-off identifier ([MS-OXCDATA] One-Off EntryID) for an address
  // outside the directory.
  virtual HRESULT CreateOneOff(const std::string& display_name, const std::string& address_type,
                               const std::string& address, ULONG flags, ENTRYID* entry_id) = 0;
  // S_OK and *same = whether both identifiers name the same entry.
  virtual HRESULT CompareEntryIDs(const ENTRYID& a, const ENTRYID& b, ULONG flags, bool* same) = 0;
  // The address-book dialog (see address_dialog.h): shows the directory's
  // mailboxes and distribution lists with `list` in the destination well,
  // through the installed dialog. On OK, `list` becomes the chosen entries,
  // each resolved against the directory (PR_RECIPIENT_TYPE MAPI_TO and the
  // properties ResolveName gives; a one-off entry keeps its name and
  // PR_ENTRYID; a name that resolves to nothing keeps only its PR_DISPLAY_NAME). MAPI_E_USER_CANCEL on Cancel
  // and MAPI_E_NO_SUPPORT without an installed dialog leave `list` unchanged.
  virtual HRESULT Address(ULONG ui_param, const ADRPARM& params, ADRLIST* list) = 0;
};

class IMAPISession : public virtual IUnknown {
 public:
  virtual HRESULT GetLastError(HRESULT hr, ULONG flags, std::optional<MAPIERROR>* error) = 0;
  // One row per store of the profile (the logon mailbox's store), columns
  // PR_ENTRYID, PR_DISPLAY_NAME, PR_PROVIDER_DISPLAY, PR_DEFAULT_STORE,
  // PR_MDB_PROVIDER, PR_RESOURCE_FLAGS.
  virtual HRESULT GetMsgStoresTable(ULONG flags, std::shared_ptr<IMAPITable>* table) = 0;
  // Opens a mailbox store by its identifier (from the stores table or
  // CreateStoreEntryID). MAPI_E_INVALID_ENTRYID for bytes that are no store
  // identifier; MAPI_E_NETWORK_ERROR when the server is not one of the
  // organisation; MAPI_E_NOT_FOUND when no mailbox has that name;
  // MAPI_E_FAILONEPROVIDER when the mailbox lives on another server;
  // MAPI_E_LOGON_FAILED when the store cannot be read. The store also answers
  // QueryInterface(IID_IExchangeManageStore).
  virtual HRESULT OpenMsgStore(ULONG ui_param, const ENTRYID& entry_id, const IID* iid, ULONG flags,
                               std::shared_ptr<IMsgStore>* store) = 0;
  virtual HRESULT OpenAddressBook(ULONG ui_param, const IID* iid, ULONG flags,
                                  std::shared_ptr<IAddrBook>* address_book) = 0;
  // Opens an address-book entry, a store, or a folder or message of the
  // logon's default store.
  virtual HRESULT OpenEntry(const ENTRYID& entry_id, const IID* iid, ULONG flags, ULONG* object_type,
                            std::shared_ptr<IUnknown>* object) = 0;
  virtual HRESULT Logoff(ULONG ui_param, ULONG flags, ULONG reserved) = 0;
};

class IProfSect : public virtual IMAPIProp {};

class IMsgServiceAdmin : public virtual IUnknown {
 public:
  virtual HRESULT GetLastError(HRESULT hr, ULONG flags, std::optional<MAPIERROR>* error) = 0;
  // Rows PR_SERVICE_NAME, PR_DISPLAY_NAME, PR_SERVICE_UID, PR_RESOURCE_FLAGS.
  virtual HRESULT GetMsgServiceTable(ULONG flags, std::shared_ptr<IMAPITable>* table) = 0;
  // Only "MSEMS" (the Exchange service) is known; MAPI_E_NOT_FOUND for others.
  virtual HRESULT CreateMsgService(const std::string& service, const std::string& display_name,
                                   ULONG ui_param, ULONG flags) = 0;
  virtual HRESULT DeleteMsgService(const MAPIUID& uid) = 0;
  // Stores the properties in the service's section. When they name the
  // mailbox and server (PR_PROFILE_UNRESOLVED_NAME / _SERVER), the service
  // resolves the mailbox as Exchange would: MAPI_E_NETWORK_ERROR when the
  // server is not in the server map or its store cannot be opened,
  // MAPI_E_UNCONFIGURED when the mailbox name matches no mailbox or several
  // (GetLastError then describes it). Nothing is stored on failure.
  virtual HRESULT ConfigureMsgService(const MAPIUID& uid, ULONG ui_param, ULONG flags,
                                      const std::vector<SPropValue>& props) = 0;
  // A profile section: pbGlobalProfileSectionGuid or a service's uid.
  virtual HRESULT OpenProfileSection(const MAPIUID& uid, const IID* iid, ULONG flags,
                                     std::shared_ptr<IProfSect>* section) = 0;
};

class IProfAdmin : public virtual IUnknown {
 public:
  virtual HRESULT GetLastError(HRESULT hr, ULONG flags, std::optional<MAPIERROR>* error) = 0;
  // Rows PR_DISPLAY_NAME (the profile name) and PR_DEFAULT_PROFILE.
  virtual HRESULT GetProfileTable(ULONG flags, std::shared_ptr<IMAPITable>* table) = 0;
  // MAPI_E_NO_ACCESS when a profile of that name exists already.
  virtual HRESULT CreateProfile(const std::string& name, const std::string& password, ULONG ui_param,
                                ULONG flags) = 0;
  // MAPI_E_NOT_FOUND when there is no such profile.
  virtual HRESULT DeleteProfile(const std::string& name, ULONG flags) = 0;
  virtual HRESULT AdminServices(const std::string& name, const std::string& password, ULONG ui_param,
                                ULONG flags, std::shared_ptr<IMsgServiceAdmin>* admin) = 0;
};

}  // namespace korvale::mapi
