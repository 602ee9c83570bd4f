// Show over a temporary organisation store and the registered mail client,
// with the MAPI side recorded and, where a user or a failure is needed,
// injected: which message the user reads, when he reads none, and that
// everything opened is released in the order the mail system expects.
#include "viewercontrol/show.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/automation/com.h"
#include "platform/automation/mail_client.h"
#include "platform/automation/test_organisation.h"
#include "viewercontrol/identity.h"

namespace korvale::vistrel {
namespace {

using automation::testing::TestOrganisation;
namespace outlook = automation::outlook;
using Log = std::vector<std::string>;

// The real MAPI side, recorded; a step can be made to fail, and the
// resolution dialog can be "answered" with the name a user would pick.
class RecordingMapi : public PlatformMapiClient {
 public:
  RecordingMapi(Log& log, std::map<std::string, HRESULT> failures, std::string picked)
      : log_(log), failures_(std::move(failures)), picked_(std::move(picked)) {}
  HRESULT Initialize() override {
    return Step("Initialize", [&] { return PlatformMapiClient::Initialize(); });
  }
  void Uninitialize() override {
    log_.push_back("Uninitialize");
    PlatformMapiClient::Uninitialize();
  }
  HRESULT Logon(ULONG parent, ULONG flags) override {
    EXPECT_EQ(flags, mapi::MAPI_EXTENDED | mapi::MAPI_LOGON_UI | mapi::MAPI_NO_MAIL);
    return Step("Logon", [&] { return PlatformMapiClient::Logon(parent, flags); });
  }
  HRESULT OpenAddressBook(ULONG flags) override {
    EXPECT_EQ(flags, mapi::AB_NO_DIALOG);
    return Step("OpenAddressBook", [&] { return PlatformMapiClient::OpenAddressBook(flags); });
  }
  HRESULT ResolveName(ULONG parent, ULONG flags, mapi::ADRLIST* list) override {
    EXPECT_EQ(flags, mapi::MAPI_DIALOG) << "the resolution dialog is allowed";
    auto& entry = list->aEntries.at(0).rgPropVals;
    log_.push_back("ResolveName '" + *entry.at(0).String() + "'");
    if (!picked_.empty()) entry[0] = {mapi::PR_DISPLAY_NAME, picked_};
    return Step(
        "", [&] { return PlatformMapiClient::ResolveName(parent, flags, list); }, "ResolveName");
  }
  HRESULT OpenEntry(const mapi::ENTRYID& id, ULONG flags) override {
    return Step("OpenEntry", [&] { return PlatformMapiClient::OpenEntry(id, flags); });
  }
  HRESULT QueryEmailAddress(std::string* address) override {
    return Step("QueryEmailAddress", [&] { return PlatformMapiClient::QueryEmailAddress(address); });
  }
  void Release() override {
    log_.push_back("Release MAPI objects");
    PlatformMapiClient::Release();
  }

 private:
  template <typename F>
  HRESULT Step(const std::string& name, F real, const std::string& key = "") {
    if (!name.empty()) log_.push_back(name);
    auto injected = failures_.find(key.empty() ? name : key);
    return injected != failures_.end() ? injected->second : real();
  }
  Log& log_;
  std::map<std::string, HRESULT> failures_;
  std::string picked_;
};

// Forwards to a mail client's object, records its release and raises an
// exception at one member when asked.
struct Raise {
  automation::DISPID at = 0;
  uint16_t code = 0;
};
class Watched : public IDispatch {
 public:
  Watched(std::shared_ptr<IDispatch> real, std::string name, Log& log, Raise raise)
      : real_(std::move(real)), name_(std::move(name)), log_(log), raise_(raise) {}
  ~Watched() override { log_.push_back("Release " + name_); }
  HRESULT Invoke(automation::DISPID id, uint16_t flags, const std::vector<Variant>& args, Variant* result,
                 EXCEPINFO* exception) override {
    if (raise_.at == id)
      return automation::RaiseException(exception, raise_.code, "Mail client", "It went wrong.");
    std::vector<Variant> inner = args;
    for (auto& arg : inner)
      if (auto* object = std::get_if<std::shared_ptr<IDispatch>>(&arg))
        if (auto* watched = dynamic_cast<Watched*>(object->get())) arg = watched->real_;
    HRESULT hr = real_->Invoke(id, flags, inner, result, exception);
    if (auto* object = result ? std::get_if<std::shared_ptr<IDispatch>>(result) : nullptr; object && *object)
      *result = std::shared_ptr<IDispatch>(std::make_shared<Watched>(*object, Name(id), log_, raise_));
    return hr;
  }

 private:
  static std::string Name(automation::DISPID id) {
    switch (id) {
      case outlook::kGetNamespace: return "NameSpace";
      case outlook::kCreateRecipient: return "Recipient";
      case outlook::kGetSharedDefaultFolder: return "MAPIFolder";
      case outlook::kGetExplorer: return "Explorer";
      default: return "object";
    }
  }
  std::shared_ptr<IDispatch> real_;
  std::string name_;
  Log& log_;
  Raise raise_;
};

class ShowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    org_.UseRegistry();
    automation::ClearOpenedCalendars();
  }

  long Show(const std::string& name, std::map<std::string, HRESULT> failures = {}, std::string picked = "",
            Raise raise = {}) {
    CVistrelCtrl control(
        boxes_,
        [&, failures, picked] {
          ++mapi_started_;
          return std::make_unique<RecordingMapi>(log_, failures, picked);
        },
        [&](const std::string& prog_id, std::shared_ptr<IDispatch>* object) {
          ++attempts_;
          std::shared_ptr<IDispatch> real;
          HRESULT hr = automation::CoCreateInstance(prog_id, &real);
          if (real) *object = std::make_shared<Watched>(real, "Application", log_, raise);
          return hr;
        });
    control.SetDispName(name);
    return control.Show();
  }
  std::vector<std::string> OpenedOwners() {
    std::vector<std::string> owners;
    for (const auto& c : automation::OpenedCalendars()) owners.push_back(c.owner_display_name);
    return owners;
  }

  TestOrganisation org_;
  RecordingMessageBoxes boxes_;
  Log log_;
  int mapi_started_ = 0;
  int attempts_ = 0;
};

TEST_F(ShowTest, ANameTheMailClientResolvesNeverStartsMapi) {
  EXPECT_EQ(Show("Anna Berg"), 0);
  EXPECT_EQ(mapi_started_, 0) << "no MAPI, so no MAPI dialog";
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_EQ(OpenedOwners(), std::vector<std::string>{"Anna Berg"});
}

TEST_F(ShowTest, ANameOnlyTheResolutionDialogSettlesIsOpenedByItsAddress) {
  // "Ann" is Anna and Annika: the mail client gives up; in the dialog the user picks Anna.
  EXPECT_EQ(Show("Ann", {}, "Anna Berg"), 0);
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_EQ(OpenedOwners(), std::vector<std::string>{"Anna Berg"});
  EXPECT_NE(std::find(log_.begin(), log_.end(), "ResolveName 'Ann'"), log_.end())
      << "the dialog starts from the page's name";
}

TEST_F(ShowTest, AnEmptyNameReachesTheMapiResolutionEmpty) {
  EXPECT_EQ(Show(""), 0);
  EXPECT_EQ(mapi_started_, 1);
  EXPECT_NE(std::find(log_.begin(), log_.end(), "ResolveName ''"), log_.end())
      << ::testing::PrintToString(log_);
  // Without a dialog to choose in, an empty name matches everybody and nobody.
  EXPECT_EQ(boxes_.shown, (std::vector<ShownMessage>{{messages::kResolve, MessageIcon::kInformation}}));
  EXPECT_TRUE(OpenedOwners().empty());
}

TEST_F(ShowTest, ACancelledLogonOrResolutionShowsNothing) {
  for (const char* step : {"Logon", "ResolveName"}) {
    SCOPED_TRACE(step);
    boxes_.shown.clear();
    log_.clear();
    EXPECT_EQ(Show("Nobody Here", {{step, mapi::MAPI_E_USER_CANCEL}}), 0);
    EXPECT_TRUE(boxes_.shown.empty()) << "the user knows he cancelled";
    EXPECT_TRUE(OpenedOwners().empty());
    EXPECT_EQ(log_.back(), "Uninitialize") << "MAPI is released after a cancel as well";
  }
}

TEST_F(ShowTest, EveryMapiFailureHasItsMessage) {
  struct Case {
    const char* step;
    const char* message;
  } cases[] = {{"Logon", messages::kLogon},
               {"OpenAddressBook", messages::kAddressBook},
               {"ResolveName", messages::kResolve},
               {"OpenEntry", messages::kOpenEntry},
               {"QueryEmailAddress", messages::kQueryEntry}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.step);
    boxes_.shown.clear();
    EXPECT_EQ(Show("Ann", {{c.step, mapi::MAPI_E_CALL_FAILED}}, "Anna Berg"), 0);
    EXPECT_EQ(boxes_.shown, (std::vector<ShownMessage>{{c.message, MessageIcon::kInformation}}));
    EXPECT_TRUE(OpenedOwners().empty());
  }
}

TEST_F(ShowTest, MapiThatCannotStartIsALogonFailureAndIsNotUninitialised) {
  EXPECT_EQ(Show("Ann", {{"Initialize", mapi::MAPI_E_CALL_FAILED}}, "Anna Berg"), 0);
  EXPECT_EQ(boxes_.shown, (std::vector<ShownMessage>{{messages::kLogon, MessageIcon::kInformation}}));
  EXPECT_EQ(std::find(log_.begin(), log_.end(), "Uninitialize"), log_.end())
      << "only what was initialised is uninitialised: " << ::testing::PrintToString(log_);
}

TEST_F(ShowTest, WithoutTheMailClientTheMessageComesAfterTwoAttempts) {
  org_.UseRegistry(false);
  EXPECT_EQ(Show("Anna Berg"), 0);
  EXPECT_EQ(attempts_, 2);
  EXPECT_EQ(boxes_.shown, (std::vector<ShownMessage>{{messages::kNoOutlook, MessageIcon::kInformation}}));
  EXPECT_EQ(mapi_started_, 0);
}

TEST_F(ShowTest, ADispatchExceptionIsShownUnlessItsCodeIs4096) {
  for (automation::DISPID at :
       {outlook::kGetNamespace, outlook::kGetSharedDefaultFolder, outlook::kActivate}) {
    SCOPED_TRACE(at);
    boxes_.shown.clear();
    EXPECT_EQ(Show("Anna Berg", {}, "", {at, 7}), -1);
    EXPECT_EQ(boxes_.shown,
              (std::vector<ShownMessage>{
                  {"Dispatch Exception\nError: It went wrong.\nSource: Mail client", MessageIcon::kError}}));
    boxes_.shown.clear();
    EXPECT_EQ(Show("Anna Berg", {}, "", {at, 4096}), -1);
    EXPECT_TRUE(boxes_.shown.empty()) << "code 4096 is shown by nothing";
  }
  EXPECT_TRUE(OpenedOwners().empty());
}

TEST_F(ShowTest, AFolderTheMailClientCannotOpenIsItsException) {
  EXPECT_EQ(Show("Ben Cole"), -1);
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].icon, MessageIcon::kError);
  EXPECT_EQ(boxes_.shown[0].text.rfind("Dispatch Exception\nError: The calendar of Ben Cole", 0), 0u)
      << boxes_.shown[0].text;
}

TEST_F(ShowTest, MapiGoesFirstThenTheMailClientsObjectsThenMapiItself) {
  EXPECT_EQ(Show("Ann", {}, "Anna Berg"), 0);
  auto at = [&](const std::string& entry) {
    return std::find(log_.begin(), log_.end(), entry) - log_.begin();
  };
  EXPECT_LT(at("Release MAPI objects"), at("Release Explorer")) << ::testing::PrintToString(log_);
  EXPECT_LT(at("Release Explorer"), at("Release Application"));
  EXPECT_LT(at("Release Application"), at("Uninitialize"));
  EXPECT_EQ(log_.back(), "Uninitialize");
}

TEST(Control, DispNameAndShowAnswerByDispatchIdentifier) {
  RecordingMessageBoxes boxes;
  int created = 0;
  CVistrelCtrl control(
      boxes, [] { return std::unique_ptr<MapiClient>(); },
      [&](const std::string&, std::shared_ptr<IDispatch>*) {
        ++created;
        return automation::REGDB_E_CLASSNOTREG;
      });
  Variant value;
  ASSERT_EQ(control.Invoke(DISPID_DispName, automation::DISPATCH_PROPERTYGET, {}, &value, nullptr), S_OK);
  EXPECT_EQ(std::get<std::string>(value), "") << "empty at creation";
  ASSERT_EQ(control.Invoke(DISPID_DispName, automation::DISPATCH_PROPERTYPUT, {std::string("Anna Berg")},
                           nullptr, nullptr),
            S_OK);
  ASSERT_EQ(control.Invoke(DISPID_DispName, automation::DISPATCH_PROPERTYGET, {}, &value, nullptr), S_OK);
  EXPECT_EQ(std::get<std::string>(value), "Anna Berg");
  EXPECT_EQ(control.Invoke(DISPID_DispName, automation::DISPATCH_PROPERTYPUT, {int32_t(3)}, nullptr, nullptr),
            automation::DISP_E_TYPEMISMATCH);
  EXPECT_EQ(control.Invoke(3, automation::DISPATCH_METHOD, {}, &value, nullptr),
            automation::DISP_E_MEMBERNOTFOUND);

  ASSERT_EQ(control.Invoke(DISPID_Show, automation::DISPATCH_METHOD, {}, &value, nullptr), S_OK);
  EXPECT_EQ(std::get<int32_t>(value), 0) << "a message box still ends the call normally";
  EXPECT_EQ(created, 2);
  ASSERT_EQ(control.Invoke(DISPID_Show, automation::DISPATCH_METHOD, {}, &value, nullptr), S_OK);
  EXPECT_EQ(boxes.shown.size(), 2u) << "the control stays usable";
}

}  // namespace
}  // namespace korvale::vistrel
