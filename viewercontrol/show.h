// The steps of CVistrelCtrl::Show, kept apart from the control's identity:
// one ShowCall runs once and owns everything it opens.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "viewercontrol/vistrel_ctrl.h"

namespace korvale::vistrel {

// The messages of `Show`, as the user reads them.
namespace messages {
inline constexpr const char* kNoOutlook = "Couldn't start Microsoft Outlook.";
inline constexpr const char* kNoNamespace = "Could not initialize Outlook";
inline constexpr const char* kNoRecipient = "Could not find this messaging user.";
inline constexpr const char* kNoMemory = "Not enough memory. Please close some\napplications and try again.";
inline constexpr const char* kLogon =
    "Could not logon to Microsoft Exchange.\nClose all mail- enabled applications\nand try again.";
inline constexpr const char* kAddressBook =
    "Could not open the Addressbook.\nClose all mail- enabled applications\nand try again.";
inline constexpr const char* kResolve =
    "Could not resolve this messaging user.\nClose all mail- enabled applications\nand try again.";
inline constexpr const char* kOpenEntry =
    "Could not open this messaging users address entry.\nClose all mail- enabled applications\nand try "
    "again.";
inline constexpr const char* kQueryEntry =
    "Could not query this messaging users address entry.\nClose all mail- enabled applications\nand try "
    "again.";
inline constexpr const char* kNotResolved = "Recipient could not be resolved";
// Description and source of the exception.
inline constexpr const char* kDispatchException = "Dispatch Exception\nError: %s\nSource: %s";
}  // namespace messages

// An exception raised by the mail client; code 4096 is shown by nothing.
inline constexpr uint16_t kSilentExceptionCode = 4096;

class ShowCall {
 public:
  ShowCall(MessageBoxes& boxes, const MapiClientFactory& mapi, const ObjectCreator& create, std::string name)
      : boxes_(boxes), mapi_factory_(mapi), create_(create), name_(std::move(name)) {}
  ~ShowCall();
  long Run();

 private:
  struct Stop {};  // a step ended the call after its message (or its silence)

  void StartApplication();
  std::shared_ptr<IDispatch> Recipient(const std::string& name);
  bool Resolves(IDispatch& recipient);
  std::string AddressFromMapi();
  void MapiStep(HRESULT hr, const char* message, bool cancel_is_silent = false);
  void ShowCalendar(const std::shared_ptr<IDispatch>& recipient);
  Variant Call(IDispatch& object, DISPID id, uint16_t flags, const std::vector<Variant>& args);
  std::shared_ptr<IDispatch> CallForObject(IDispatch& object, DISPID id, const std::vector<Variant>& args);
  void Fail(const char* message, MessageIcon icon = MessageIcon::kInformation);
  void ReleaseAll();

  MessageBoxes& boxes_;
  const MapiClientFactory& mapi_factory_;
  const ObjectCreator& create_;
  std::string name_;
  // What the call holds, released by ReleaseAll in the required order.
  std::unique_ptr<MapiClient> mapi_;
  bool mapi_initialized_ = false;
  mapi::ADRLIST address_list_;
  std::vector<std::shared_ptr<IDispatch>> objects_;  // in the order obtained
  bool released_ = false;
};

}  // namespace korvale::vistrel
