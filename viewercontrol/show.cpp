// CVistrelCtrl::Show, step by step: start the mail client, let it resolve the
// name, otherwise resolve it through Extended MAPI and hand the address back
// to the mail client, then open the person's shared calendar.
#include "viewercontrol/show.h"

#include <cstdio>
#include <new>

#include "platform/automation/com.h"
#include "platform/automation/mail_client.h"

namespace korvale::vistrel {

namespace outlook = automation::outlook;
using namespace korvale::mapi;

namespace {

// An exception the mail client raised (or a call it refused), carried to the
// end of `Show` where it is shown.
struct DispatchError {
  EXCEPINFO info;
};

std::string DispatchMessage(const EXCEPINFO& info) {
  std::string text = messages::kDispatchException;
  for (const std::string* part : {&info.bstrDescription, &info.bstrSource}) {
    auto at = text.find("%s");
    text.replace(at, 2, *part);
  }
  return text;
}

}  // namespace

ShowCall::~ShowCall() { ReleaseAll(); }

long ShowCall::Run() {
  automation::CoInitialize();
  long result = 0;
  try {
    StartApplication();
    auto ns = CallForObject(*objects_.front(), outlook::kGetNamespace, {std::string("MAPI")});
    if (!ns) Fail(messages::kNoNamespace, MessageIcon::kError);
    auto recipient = CallForObject(*ns, outlook::kCreateRecipient, {name_});
    if (!recipient) Fail(messages::kNoRecipient, MessageIcon::kError);
    if (!Resolves(*recipient)) {
      std::string address = AddressFromMapi();
      recipient = CallForObject(*ns, outlook::kCreateRecipient, {address});
      Variant resolved =
          recipient ? Call(*recipient, outlook::kResolve, automation::DISPATCH_METHOD, {}) : Variant{};
      if (!recipient || !std::holds_alternative<bool>(resolved) || !std::get<bool>(resolved))
        Fail(messages::kNotResolved);
    }
    auto folder =
        CallForObject(*ns, outlook::kGetSharedDefaultFolder, {recipient, outlook::olFolderCalendar});
    auto explorer = folder ? CallForObject(*folder, outlook::kGetExplorer, {}) : nullptr;
    if (!explorer)
      throw DispatchError{{0, "Vistrel", "The calendar of " + name_ + " could not be opened.", E_FAIL}};
    Call(*explorer, outlook::kActivate, automation::DISPATCH_METHOD, {});
  } catch (const Stop&) {
  } catch (const DispatchError& error) {
    if (error.info.wCode != kSilentExceptionCode)
      boxes_.Show(DispatchMessage(error.info), MessageIcon::kError);
    result = -1;
  } catch (const std::bad_alloc&) {
    boxes_.Show(messages::kNoMemory, MessageIcon::kInformation);
  }
  ReleaseAll();
  return result;
}

void ShowCall::StartApplication() {
  std::shared_ptr<IDispatch> app;
  // The mail client may still be starting from an earlier request: one more try.
  for (int attempt = 0; attempt < 2 && !app; ++attempt) {
    if (FAILED(create_(automation::kMailClientProgId, &app))) app.reset();
  }
  if (!app) Fail(messages::kNoOutlook);
  objects_.push_back(app);
}

bool ShowCall::Resolves(IDispatch& recipient) {
  Variant resolve = Call(recipient, outlook::kResolve, automation::DISPATCH_METHOD, {});
  if (!std::holds_alternative<bool>(resolve) || !std::get<bool>(resolve)) return false;
  Variant resolved = Call(recipient, outlook::kResolved, automation::DISPATCH_PROPERTYGET, {});
  return std::holds_alternative<bool>(resolved) && std::get<bool>(resolved);
}

std::string ShowCall::AddressFromMapi() {
  mapi_ = mapi_factory_();
  if (!mapi_) Fail(messages::kLogon);
  HRESULT hr = mapi_->Initialize();
  mapi_initialized_ = SUCCEEDED(hr);
  MapiStep(hr, messages::kLogon);
  address_list_.aEntries = {ADRENTRY{{{PR_DISPLAY_NAME, name_}, {PR_RECIPIENT_TYPE, LONG(MAPI_TO)}}}};

  MapiStep(mapi_->Logon(0, MAPI_EXTENDED | MAPI_LOGON_UI | MAPI_NO_MAIL), messages::kLogon, true);
  MapiStep(mapi_->OpenAddressBook(AB_NO_DIALOG), messages::kAddressBook);
  MapiStep(mapi_->ResolveName(0, MAPI_DIALOG, &address_list_), messages::kResolve, true);

  const ENTRYID* entry_id = nullptr;
  for (const auto& value : address_list_.aEntries.at(0).rgPropVals)
    if (value.ulPropTag == PR_ENTRYID) entry_id = value.Binary();
  MapiStep(entry_id ? mapi_->OpenEntry(*entry_id, MAPI_BEST_ACCESS) : MAPI_E_NOT_FOUND, messages::kOpenEntry);
  std::string address;
  MapiStep(mapi_->QueryEmailAddress(&address), messages::kQueryEntry);
  return address;
}

void ShowCall::MapiStep(HRESULT hr, const char* message, bool cancel_is_silent) {
  if (SUCCEEDED(hr)) return;
  // The user closed a MAPI dialog: he knows, nothing to tell him.
  if (cancel_is_silent && hr == MAPI_E_USER_CANCEL) throw Stop{};
  Fail(message);
}

Variant ShowCall::Call(IDispatch& object, DISPID id, uint16_t flags, const std::vector<Variant>& args) {
  Variant result;
  EXCEPINFO info;
  HRESULT hr = object.Invoke(id, flags, args, &result, &info);
  if (hr == automation::DISP_E_EXCEPTION) throw DispatchError{info};
  if (FAILED(hr)) {
    char member[16];
    std::snprintf(member, sizeof member, "0x%X", static_cast<unsigned>(id));
    throw DispatchError{
        {0, "Vistrel",
         std::string("The mail client refused member ") + member + " (" + automation::HResultText(hr) + ").",
         hr}};
  }
  return result;
}

std::shared_ptr<IDispatch> ShowCall::CallForObject(IDispatch& object, DISPID id,
                                                   const std::vector<Variant>& args) {
  Variant result = Call(object, id, automation::DISPATCH_METHOD, args);
  auto* dispatch = std::get_if<std::shared_ptr<IDispatch>>(&result);
  if (!dispatch || !*dispatch) return nullptr;
  objects_.push_back(*dispatch);
  return *dispatch;
}

void ShowCall::Fail(const char* message, MessageIcon icon) {
  boxes_.Show(message, icon);
  throw Stop{};
}

void ShowCall::ReleaseAll() {
  if (released_) return;
  released_ = true;
  if (mapi_) mapi_->Release();  // property buffer, address entry, address book, logon
  address_list_.aEntries.clear();
  while (!objects_.empty()) objects_.pop_back();  // the latest first, the application last
  if (mapi_ && mapi_initialized_) mapi_->Uninitialize();
  mapi_.reset();
  automation::CoUninitialize();
}

}  // namespace korvale::vistrel
