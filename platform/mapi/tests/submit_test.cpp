// Submission: delivery to the organisation's inboxes, distribution lists,
// one-off recipients, and what happens to the submitted message.
#include "platform/mapi/tests/org_fixture.h"

namespace korvale::mapi::testing {
namespace {

class SubmitTest : public OrgTest {
 protected:
  void SetUp() override {
    OrgTest::SetUp();
    session_ = AdminSession();
    ASSERT_EQ(session_->OpenAddressBook(0, nullptr, AB_NO_DIALOG, &ab_), S_OK);
    alice_ = OpenStore(*session_, "alice");
  }
  size_t InboxCount(const std::string& alias) {
    return Rows(*Inbox(*OpenStore(*session_, alias)), {PR_SUBJECT}).cRows();
  }
  std::shared_ptr<IMessage> Draft(IMAPIFolder& folder, const std::string& subject, ADRLIST recipients,
                                  bool delete_after) {
    std::shared_ptr<IMessage> msg;
    EXPECT_EQ(folder.CreateMessage(nullptr, 0, &msg), S_OK);
    EXPECT_EQ(ab_->ResolveName(0, 0, "", &recipients), S_OK) << ToString(recipients);
    EXPECT_EQ(msg->SetProps({{PR_MESSAGE_CLASS, std::string("IPM.Note")},
                             {PR_SUBJECT, subject},
                             {PR_BODY, std::string("body")},
                             {PR_DELETE_AFTER_SUBMIT, delete_after}},
                            nullptr),
              S_OK);
    EXPECT_EQ(msg->ModifyRecipients(0, recipients), S_OK);
    return msg;
  }
  static ADRENTRY To(const std::string& name) {
    return ADRENTRY{{{PR_DISPLAY_NAME, name}, {PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_TO)}}};
  }
  std::shared_ptr<IMAPISession> session_;
  std::shared_ptr<IAddrBook> ab_;
  std::shared_ptr<IMsgStore> alice_;
};

// A meeting request sent from the calendar with delete-after-submit leaves
// the calendar clean and reaches each attendee once, through nested lists too.
TEST_F(SubmitTest, DeliversToMailboxesAndListsAndDeletesTheSubmittedMessage) {
  auto calendar = Calendar(*alice_);
  auto msg =
      Draft(*calendar, "Request", {{To("Bob Baker"), To("EX:/o=Org/ou=Site/cn=Recipients/cn=all")}}, true);
  ASSERT_EQ(msg->SubmitMessage(0), S_OK);
  EXPECT_EQ(Rows(*calendar, {PR_SUBJECT}).cRows(), 0u);
  EXPECT_EQ(InboxCount("bob"), 1u) << "bob is named twice (directly and through lists) and gets one copy";
  EXPECT_EQ(InboxCount("carol"), 1u);
  EXPECT_EQ(InboxCount("alice"), 1u);
  SRowSet rows =
      Rows(*Inbox(*OpenStore(*session_, "bob")),
           {PR_SUBJECT, PR_SENDER_NAME, PR_SENT_REPRESENTING_NAME, PR_MESSAGE_FLAGS, PR_DELETE_AFTER_SUBMIT});
  EXPECT_EQ(*rows[0][0].String(), "Request");
  EXPECT_EQ(*rows[0][1].String(), "Alice Archer");
  EXPECT_EQ(*rows[0][2].String(), "Alice Archer");
  EXPECT_EQ(*rows[0][3].Long() & MSGFLAG_READ, 0);
  EXPECT_TRUE(rows[0][4].IsError());
  EXPECT_EQ(msg->SetProps({{PR_BODY, std::string("x")}}, nullptr), MAPI_E_INVALID_OBJECT);
}

TEST_F(SubmitTest, WithoutDeleteAfterSubmitTheMessageMovesToSentItems) {
  auto inbox = Inbox(*alice_);
  auto msg = Draft(*inbox, "Note", {{To("Carol Cook")}}, false);
  ASSERT_EQ(msg->SubmitMessage(0), S_OK);
  ENTRYID sent_id;
  SPropValue v;
  ASSERT_EQ(HrGetOneProp(alice_.get(), PR_IPM_SENTMAIL_ENTRYID, &v), S_OK);
  EXPECT_EQ(Rows(*OpenFolder(*alice_, *v.Binary()), {PR_SUBJECT}).cRows(), 1u);
  EXPECT_EQ(Rows(*inbox, {PR_SUBJECT}).cRows(), 0u);
  EXPECT_EQ(InboxCount("carol"), 1u);
}

// Attendees found only by their SMTP address get one-off entries: inside
// the organisation they are delivered, outside only recorded.
TEST_F(SubmitTest, OneOffRecipientsInsideAreDeliveredOutsideRecorded) {
  ENTRYID inside, outside;
  ASSERT_EQ(ab_->CreateOneOff("Bob", "SMTP", "BOB@example.org", 0, &inside), S_OK);
  ASSERT_EQ(ab_->CreateOneOff("Ext Person", "SMTP", "ext@elsewhere.com", 0, &outside), S_OK);
  ADRLIST list{{ADRENTRY{{{PR_DISPLAY_NAME, std::string("Bob")},
                          {PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_TO)},
                          {PR_ENTRYID, inside}}},
                ADRENTRY{{{PR_DISPLAY_NAME, std::string("Ext Person")},
                          {PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_CC)},
                          {PR_ENTRYID, outside}}}}};
  auto msg = Draft(*Inbox(*alice_), "Mixed", list, true);
  ASSERT_EQ(msg->SubmitMessage(0), S_OK);
  EXPECT_EQ(InboxCount("bob"), 1u);
  auto org = orgstore::OrgStore::Open(db_path_, orgstore::OpenMode::kExisting);
  ASSERT_TRUE(org.ok());
  auto log = (*org)->ListOutboundMail();
  ASSERT_TRUE(log.ok());
  ASSERT_EQ(log->size(), 1u);
  EXPECT_EQ((*log)[0].address, "ext@elsewhere.com");
  EXPECT_EQ((*log)[0].subject, "Mixed");
  EXPECT_EQ((*log)[0].sender, "Alice Archer");
}

TEST_F(SubmitTest, MessagesWithoutRecipientsAreRefused) {
  std::shared_ptr<IMessage> msg;
  ASSERT_EQ(Inbox(*alice_)->CreateMessage(nullptr, 0, &msg), S_OK);
  EXPECT_EQ(msg->SubmitMessage(0), MAPI_E_NO_RECIPIENTS);
}

}  // namespace
}  // namespace korvale::mapi::testing
