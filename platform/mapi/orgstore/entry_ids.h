// Entry identifiers of the organisation store, in the layouts of
// [MS-OXCDATA]: Store Object EntryID, Folder and Message EntryID, Address
// Book EntryID and One-Off EntryID. Parsing never reads past the bytes given.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/mapi/prop_value.h"

namespace korvale::mapi::orgstore {

struct StoreEid {
  std::string server_short_name;  // "SRV1"
  std::string mailbox_dn;         // "/o=Org/ou=Site/cn=Recipients/cn=jdoe"
};
ENTRYID MakeStoreEid(const StoreEid& eid);
std::optional<StoreEid> ParseStoreEid(const ENTRYID& bytes);

struct FolderEid {
  GUID store_guid;     // the mailbox's store GUID (provider UID)
  GUID database_guid;  // the organisation store's GUID
  int64_t folder_id = 0;
};
ENTRYID MakeFolderEid(const FolderEid& eid);
std::optional<FolderEid> ParseFolderEid(const ENTRYID& bytes);

struct MessageEid {
  GUID store_guid;
  GUID database_guid;
  int64_t folder_id = 0;
  int64_t message_id = 0;
};
ENTRYID MakeMessageEid(const MessageEid& eid);
std::optional<MessageEid> ParseMessageEid(const ENTRYID& bytes);

struct AddressBookEid {
  ULONG type = 0;  // 0 a mail user, 1 a distribution list (DT_MAILUSER / DT_DISTLIST)
  std::string dn;  // the X500 DN (legacy distinguished name)
};
ENTRYID MakeAddressBookEid(const AddressBookEid& eid);
std::optional<AddressBookEid> ParseAddressBookEid(const ENTRYID& bytes);

struct OneOffEid {
  std::string display_name, address_type, address;
};
ENTRYID MakeOneOffEid(const OneOffEid& eid);
std::optional<OneOffEid> ParseOneOffEid(const ENTRYID& bytes);

// Provider UIDs of the layouts (the 16 bytes after the 4 flag bytes).
extern const MAPIUID kStoreProviderUid;        // 38A1BB1005E5101AA1BB08002B2A56C2
extern const MAPIUID kAddressBookProviderUid;  // DCA740C8C042101AB4B908002B2FE182
extern const MAPIUID kOneOffProviderUid;       // 812B1FA4BEA310199D6E00DD010F5402

}  // namespace korvale::mapi::orgstore
