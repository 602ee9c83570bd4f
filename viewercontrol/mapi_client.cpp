#include "viewercontrol/mapi_client.h"

#include "platform/automation/mail_client.h"

namespace korvale::vistrel {

using namespace korvale::mapi;

HRESULT PlatformMapiClient::Initialize() {
  MAPIINIT_0 init{MAPI_INIT_VERSION, 0, ""};
  return MAPIInitialize(&init);
}

void PlatformMapiClient::Uninitialize() { MAPIUninitialize(); }

HRESULT PlatformMapiClient::Logon(ULONG, ULONG) { return automation::LogonMailProfile(&session_); }

HRESULT PlatformMapiClient::OpenAddressBook(ULONG flags) {
  if (!session_) return MAPI_E_INVALID_OBJECT;
  return session_->OpenAddressBook(0, nullptr, flags, &book_);
}

HRESULT PlatformMapiClient::ResolveName(ULONG parent_window, ULONG flags, ADRLIST* list) {
  if (!book_) return MAPI_E_INVALID_OBJECT;
  return book_->ResolveName(parent_window, flags, "", list);
}

HRESULT PlatformMapiClient::OpenEntry(const ENTRYID& entry_id, ULONG flags) {
  if (!book_) return MAPI_E_INVALID_OBJECT;
  ULONG type = 0;
  std::shared_ptr<IUnknown> object;
  HRESULT hr = book_->OpenEntry(entry_id, nullptr, flags, &type, &object);
  if (FAILED(hr)) return hr;
  entry_ = mapi_cast<IMAPIProp>(object);
  return entry_ ? S_OK : MAPI_E_INTERFACE_NOT_SUPPORTED;
}

HRESULT PlatformMapiClient::QueryEmailAddress(std::string* address) {
  if (!entry_) return MAPI_E_INVALID_OBJECT;
  SPropTagArray tags{PR_EMAIL_ADDRESS};
  HRESULT hr = entry_->GetProps(&tags, 0, &props_);
  if (FAILED(hr)) return hr;
  if (props_.empty() || !props_[0].String()) return MAPI_E_NOT_FOUND;
  *address = *props_[0].String();
  return S_OK;
}

void PlatformMapiClient::Release() {
  props_.clear();
  entry_.reset();
  book_.reset();
  session_.reset();
}

}  // namespace korvale::vistrel
