// The mail client's members over a temporary organisation store: what the
// calendar viewer calls by dispatch identifier must find people as the
// address book does and open their calendars.
#include "platform/automation/mail_client.h"

#include <gtest/gtest.h>

#include "platform/automation/com.h"
#include "platform/automation/test_organisation.h"

namespace korvale::automation {
namespace {

using testing::TestOrganisation;

class MailClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    org_.UseRegistry();
    CoInitialize();
    ClearOpenedCalendars();
    ASSERT_EQ(CoCreateInstance(kMailClientProgId, &app_), mapi::S_OK);
    Variant ns;
    ASSERT_EQ(app_->Invoke(outlook::kGetNamespace, DISPATCH_METHOD, {std::string("MAPI")}, &ns, nullptr),
              mapi::S_OK);
    ns_ = std::get<std::shared_ptr<IDispatch>>(ns);
  }
  void TearDown() override {
    ns_.reset();
    app_.reset();
    CoUninitialize();
  }
  std::shared_ptr<IDispatch> Recipient(const std::string& name) {
    Variant r;
    EXPECT_EQ(ns_->Invoke(outlook::kCreateRecipient, DISPATCH_METHOD, {name}, &r, nullptr), mapi::S_OK);
    return std::get<std::shared_ptr<IDispatch>>(r);
  }
  bool Resolve(IDispatch& recipient) {
    Variant r;
    EXPECT_EQ(recipient.Invoke(outlook::kResolve, DISPATCH_METHOD, {}, &r, nullptr), mapi::S_OK);
    Variant resolved;
    EXPECT_EQ(recipient.Invoke(outlook::kResolved, DISPATCH_PROPERTYGET, {}, &resolved, nullptr), mapi::S_OK);
    EXPECT_EQ(std::get<bool>(r), std::get<bool>(resolved)) << "Resolved reports what Resolve found";
    return std::get<bool>(r);
  }

  TestOrganisation org_;
  std::shared_ptr<IDispatch> app_, ns_;
};

TEST_F(MailClientTest, RecipientsResolveAsTheAddressBookDoes) {
  struct Case {
    const char* name;
    bool resolves;
    const char* why;
  } cases[] = {{"Anna Berg", true, "exact display name"},
               {"anna berg", true, "case does not matter"},
               {testing::kAnnaDn, true, "a legacy distinguished name is an address"},
               {"SMTP:anna@example.org", true, "an SMTP address"},
               {"Ann", false, "a prefix of two people is ambiguous"},
               {"", false, "an empty name resolves to nobody"},
               {"Nobody Here", false, "no such person"},
               {"'; DROP TABLE recipients; --", false, "hostile text is only a name"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    auto recipient = Recipient(c.name);
    EXPECT_EQ(Resolve(*recipient), c.resolves) << c.name;
  }
}

TEST_F(MailClientTest, ActivateShowsTheSharedCalendarAndRecordsIt) {
  auto recipient = Recipient("Anna Berg");
  ASSERT_TRUE(Resolve(*recipient));
  Variant folder, explorer;
  ASSERT_EQ(ns_->Invoke(outlook::kGetSharedDefaultFolder, DISPATCH_METHOD,
                        {recipient, outlook::olFolderCalendar}, &folder, nullptr),
            mapi::S_OK);
  ASSERT_EQ(std::get<std::shared_ptr<IDispatch>>(folder)->Invoke(outlook::kGetExplorer, DISPATCH_METHOD, {},
                                                                 &explorer, nullptr),
            mapi::S_OK);
  EXPECT_TRUE(OpenedCalendars().empty()) << "nothing is shown before Activate";
  ASSERT_EQ(std::get<std::shared_ptr<IDispatch>>(explorer)->Invoke(outlook::kActivate, DISPATCH_METHOD, {},
                                                                   nullptr, nullptr),
            mapi::S_OK);
  auto opened = OpenedCalendars();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].owner_display_name, "Anna Berg");
  EXPECT_EQ(opened[0].owner_address, testing::kAnnaDn);
  EXPECT_EQ(opened[0].appointments,
            (std::vector<std::string>{"2026-03-02 12:00  Lunch", "2026-03-03 08:00  Private Appointment"}))
      << "a private item shows only that it is there";

  // A program with windows installs its presenter: the calendar goes there instead of standard output.
  std::vector<std::string> presented;
  CalendarPresenter before = InstallCalendarPresenter(
      [&presented](const OpenedCalendar& calendar) { presented.push_back(calendar.owner_display_name); });
  EXPECT_FALSE(before) << "no presenter is installed by default";
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(std::get<std::shared_ptr<IDispatch>>(explorer)->Invoke(outlook::kActivate, DISPATCH_METHOD, {},
                                                                   nullptr, nullptr),
            mapi::S_OK);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(presented, std::vector<std::string>{"Anna Berg"});
  EXPECT_EQ(OpenedCalendars().size(), 2u) << "a presented calendar is recorded too";
  InstallCalendarPresenter(nullptr);
}

TEST_F(MailClientTest, FoldersThatCannotBeOpenedRaiseExceptions) {
  struct Case {
    const char* name;
    int32_t type;
    const char* why;
  } cases[] = {{"Ben Cole", outlook::olFolderCalendar, "a mailbox without a calendar folder"},
               {"Team", outlook::olFolderCalendar, "a distribution list has no mailbox"},
               {"Nobody Here", outlook::olFolderCalendar, "an unresolvable name"},
               {"Anna Berg", 6, "only the calendar is offered"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    EXCEPINFO error;
    Variant folder;
    EXPECT_EQ(ns_->Invoke(outlook::kGetSharedDefaultFolder, DISPATCH_METHOD, {Recipient(c.name), c.type},
                          &folder, &error),
              DISP_E_EXCEPTION);
    EXPECT_EQ(error.bstrSource, "Outlook.Application");
    EXPECT_FALSE(error.bstrDescription.empty());
    EXPECT_TRUE(std::holds_alternative<std::monostate>(folder)) << "no folder comes back";
  }
}

TEST_F(MailClientTest, WrongCallsAreRefusedByCode) {
  Variant r;
  EXPECT_EQ(app_->Invoke(0x999, DISPATCH_METHOD, {}, &r, nullptr), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(app_->Invoke(outlook::kGetNamespace, DISPATCH_METHOD, {}, &r, nullptr), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(app_->Invoke(outlook::kGetNamespace, DISPATCH_METHOD, {int32_t(1)}, &r, nullptr),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(ns_->Invoke(outlook::kGetSharedDefaultFolder, DISPATCH_METHOD, {app_, outlook::olFolderCalendar},
                        &r, nullptr),
            DISP_E_TYPEMISMATCH)
      << "only a recipient of this client names a folder owner";
  EXCEPINFO error;
  EXPECT_EQ(app_->Invoke(outlook::kGetNamespace, DISPATCH_METHOD, {std::string("IMAP")}, &r, &error),
            DISP_E_EXCEPTION);
}

TEST(MailProfile, LogonWithoutProfileNameUsesTheRegisteredMailProfile) {
  TestOrganisation org;
  std::shared_ptr<mapi::IMAPISession> session;
  org.UseRegistry(false);
  EXPECT_EQ(LogonMailProfile(&session), mapi::MAPI_E_LOGON_FAILED) << "no mail client, no profile";
  org.UseRegistry(true);
  ASSERT_EQ(LogonMailProfile(&session), mapi::S_OK);
  std::shared_ptr<mapi::IAddrBook> book;
  EXPECT_EQ(session->OpenAddressBook(0, nullptr, mapi::AB_NO_DIALOG, &book), mapi::S_OK);
}

}  // namespace
}  // namespace korvale::automation
