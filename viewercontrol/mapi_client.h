// The Extended MAPI calls `Show` makes when the mail client cannot resolve a
// name by itself: one object per call of `Show`, holding the logon, the
// address book, the opened address entry and the property buffer read from it.
//
//   PlatformMapiClient mapi;
//   if (SUCCEEDED(mapi.Initialize()) && SUCCEEDED(mapi.Logon(0, flags)) && ...)
//   mapi.Release();       // property buffer, address entry, address book, logon
//   mapi.Uninitialize();
#pragma once

#include <memory>
#include <string>

#include "platform/mapi/mapi.h"

namespace korvale::vistrel {

using mapi::HRESULT;
using mapi::ULONG;

class MapiClient {
 public:
  virtual ~MapiClient() = default;
  virtual HRESULT Initialize() = 0;
  virtual void Uninitialize() = 0;
  // MAPILogonEx without a profile name.
  virtual HRESULT Logon(ULONG parent_window, ULONG flags) = 0;
  virtual HRESULT OpenAddressBook(ULONG flags) = 0;
  virtual HRESULT ResolveName(ULONG parent_window, ULONG flags, mapi::ADRLIST* list) = 0;
  // Opens an address entry of the address book.
  virtual HRESULT OpenEntry(const mapi::ENTRYID& entry_id, ULONG flags) = 0;
  // PR_EMAIL_ADDRESS of the opened entry.
  virtual HRESULT QueryEmailAddress(std::string* address) = 0;
  // Releases the property buffer, the address entry, the address book and
  // the logon object, in this order.
  virtual void Release() = 0;
};

// Over platform/mapi. The logon without a profile name is the mail profile
// of this machine's mail client (automation::LogonMailProfile).
class PlatformMapiClient : public MapiClient {
 public:
  HRESULT Initialize() override;
  void Uninitialize() override;
  HRESULT Logon(ULONG parent_window, ULONG flags) override;
  HRESULT OpenAddressBook(ULONG flags) override;
  HRESULT ResolveName(ULONG parent_window, ULONG flags, mapi::ADRLIST* list) override;
  HRESULT OpenEntry(const mapi::ENTRYID& entry_id, ULONG flags) override;
  HRESULT QueryEmailAddress(std::string* address) override;
  void Release() override;

 private:
  std::shared_ptr<mapi::IMAPISession> session_;
  std::shared_ptr<mapi::IAddrBook> book_;
  std::shared_ptr<mapi::IMAPIProp> entry_;
  std::vector<mapi::SPropValue> props_;
};

}  // namespace korvale::vistrel
