// Message properties, recipients, attachments with embedded messages, CopyTo
// and deletion.
#include "platform/mapi/calendar_named_props.h"
#include "platform/mapi/tests/org_fixture.h"

namespace korvale::mapi::testing {
namespace {

class MessageTest : public OrgTest {
 protected:
  void SetUp() override {
    OrgTest::SetUp();
    session_ = AdminSession();
    calendar_ = Calendar(*OpenStore(*session_, "alice"));
  }
  std::shared_ptr<IMessage> Reopen(const ENTRYID& id) {
    ULONG type = 0;
    std::shared_ptr<IUnknown> unk;
    EXPECT_EQ(calendar_->OpenEntry(id, nullptr, MAPI_BEST_ACCESS, &type, &unk), S_OK);
    return mapi_cast<IMessage>(unk);
  }
  static ENTRYID EntryId(IMessage& msg) {
    SPropValue v;
    EXPECT_EQ(HrGetOneProp(&msg, PR_ENTRYID, &v), S_OK);
    return v.Binary() ? *v.Binary() : ENTRYID{};
  }
  std::shared_ptr<IMAPISession> session_;
  std::shared_ptr<IMAPIFolder> calendar_;
};

TEST_F(MessageTest, GetPropsReportsMissingAndMistypedValues) {
  std::shared_ptr<IMessage> msg;
  ASSERT_EQ(calendar_->CreateMessage(nullptr, 0, &msg), S_OK);
  std::vector<SPropProblem> problems;
  ASSERT_EQ(msg->SetProps({{PR_SUBJECT, std::string("s")},
                           {PR_SENSITIVITY, std::string("not a number")},
                           {PR_ENTRYID, SBinary{1}}},
                          &problems),
            S_OK);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0].scode, MAPI_E_INVALID_TYPE);
  EXPECT_EQ(problems[1].scode, MAPI_E_COMPUTED);
  SPropValue entry;
  EXPECT_EQ(HrGetOneProp(msg.get(), PR_ENTRYID, &entry), MAPI_E_NOT_FOUND)
      << "no identifier before the first save";
  ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  SPropTagArray tags{PR_SUBJECT, PROP_TAG(PT_UNICODE, PROP_ID(PR_SUBJECT)),
                     PROP_TAG(PT_LONG, PROP_ID(PR_SUBJECT)), PR_BODY, PR_ENTRYID};
  std::vector<SPropValue> v;
  ASSERT_EQ(msg->GetProps(&tags, 0, &v), MAPI_W_ERRORS_RETURNED);
  EXPECT_EQ(*v[0].String(), "s");
  EXPECT_EQ(*v[1].String(), "s") << "8-bit and wide strings are the same text";
  EXPECT_EQ(v[2].ulPropTag, PROP_TAG(PT_ERROR, PROP_ID(PR_SUBJECT)));
  EXPECT_EQ(v[3].ErrorCode(), MAPI_E_NOT_FOUND);
  EXPECT_EQ(v[4].Binary()->size(), 70u);
  // Saved without KEEP_OPEN: the object is done.
  ASSERT_EQ(msg->SaveChanges(0), S_OK);
  EXPECT_EQ(msg->SetProps({{PR_BODY, std::string("late")}}, nullptr), MAPI_E_INVALID_OBJECT);
}

// The appointment reader reads attendees from the recipient table by type.
TEST_F(MessageTest, RecipientsAreAddedModifiedAndRemovedByRowId) {
  std::shared_ptr<IMessage> msg;
  ASSERT_EQ(calendar_->CreateMessage(nullptr, 0, &msg), S_OK);
  ADRLIST add{{ADRENTRY{{{PR_DISPLAY_NAME, std::string("Bob Baker")},
                         {PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_TO)}}},
               ADRENTRY{{{PR_DISPLAY_NAME, std::string("Room One")},
                         {PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_BCC)}}},
               ADRENTRY{{{PR_DISPLAY_NAME, std::string("Carol Cook")},
                         {PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_CC)}}}}};
  ASSERT_EQ(msg->ModifyRecipients(MODRECIP_ADD, add), S_OK);
  ADRLIST bad{{ADRENTRY{{{PR_DISPLAY_NAME, std::string("no type")}}}}};
  EXPECT_EQ(msg->ModifyRecipients(MODRECIP_ADD, bad), MAPI_E_INVALID_PARAMETER);
  ADRLIST remove{{ADRENTRY{{{PR_ROWID, static_cast<int32_t>(3)}}}}};
  ASSERT_EQ(msg->ModifyRecipients(MODRECIP_REMOVE, remove), S_OK);
  ADRLIST modify{{ADRENTRY{{{PR_ROWID, static_cast<int32_t>(1)},
                            {PR_DISPLAY_NAME, std::string("Bob B.")},
                            {PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_TO)}}}}};
  ASSERT_EQ(msg->ModifyRecipients(MODRECIP_MODIFY, modify), S_OK);
  ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);

  auto again = Reopen(EntryId(*msg));
  std::shared_ptr<IMAPITable> table;
  ASSERT_EQ(again->GetRecipientTable(0, &table), S_OK);
  SPropTagArray cols{PR_DISPLAY_NAME, PR_RECIPIENT_TYPE};
  SRowSet rows;
  ASSERT_EQ(HrQueryAllRows(table.get(), &cols, nullptr, nullptr, 0, &rows), S_OK);
  ASSERT_EQ(rows.cRows(), 2u) << ToString(rows);
  EXPECT_EQ(*rows[0][0].String(), "Bob B.");
  EXPECT_EQ(*rows[1][0].String(), "Room One");
  EXPECT_EQ(*rows[1][1].Long(), static_cast<int32_t>(MAPI_BCC));
  SPropValue to;
  ASSERT_EQ(HrGetOneProp(again.get(), PR_DISPLAY_TO, &to), S_OK);
  EXPECT_EQ(*to.String(), "Bob B.");
}

// Modified occurrences of a series live in embedded messages found by exception start and end.
TEST_F(MessageTest, EmbeddedExceptionMessagesSurviveSaving) {
  std::shared_ptr<IMessage> series;
  ASSERT_EQ(calendar_->CreateMessage(nullptr, 0, &series), S_OK);
  ASSERT_EQ(series->SetProps({{PR_SUBJECT, std::string("series")}}, nullptr), S_OK);
  ULONG num = 99;
  std::shared_ptr<IAttach> attach;
  ASSERT_EQ(series->CreateAttach(nullptr, 0, &num, &attach), S_OK);
  EXPECT_EQ(num, 0u);
  ASSERT_EQ(attach->SetProps({{PR_ATTACH_METHOD, static_cast<int32_t>(ATTACH_EMBEDDED_MSG)},
                              SPropValue::Time(PR_EXCEPTION_STARTTIME, 1000),
                              SPropValue::Time(PR_EXCEPTION_ENDTIME, 2000)},
                             nullptr),
            S_OK);
  std::shared_ptr<IUnknown> unk;
  ASSERT_EQ(attach->OpenProperty(PR_ATTACH_DATA_OBJ, IID_IMessage, 0, MAPI_CREATE | MAPI_MODIFY, &unk), S_OK);
  auto embedded = mapi_cast<IMessage>(unk);
  ASSERT_EQ(embedded->SetProps({{PR_BODY, std::string("moved to room 2")}}, nullptr), S_OK);
  ADRLIST who{{ADRENTRY{
      {{PR_DISPLAY_NAME, std::string("Bob Baker")}, {PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_TO)}}}}};
  ASSERT_EQ(embedded->ModifyRecipients(MODRECIP_ADD, who), S_OK);
  ASSERT_EQ(embedded->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  ASSERT_EQ(attach->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  ASSERT_EQ(series->SaveChanges(KEEP_OPEN_READWRITE), S_OK);

  auto again = Reopen(EntryId(*series));
  SPropValue has;
  ASSERT_EQ(HrGetOneProp(again.get(), PR_HASATTACH, &has), S_OK);
  EXPECT_TRUE(*has.Boolean());
  std::shared_ptr<IMAPITable> table;
  ASSERT_EQ(again->GetAttachmentTable(0, &table), S_OK);
  SPropTagArray cols{PR_ATTACH_NUM, PR_ATTACH_METHOD, PR_EXCEPTION_STARTTIME, PR_EXCEPTION_ENDTIME};
  SRowSet rows;
  ASSERT_EQ(HrQueryAllRows(table.get(), &cols, nullptr, nullptr, 0, &rows), S_OK);
  ASSERT_EQ(rows.cRows(), 1u);
  EXPECT_EQ(*rows[0][1].Long(), static_cast<int32_t>(ATTACH_EMBEDDED_MSG));
  EXPECT_EQ(rows[0][2].FileTime()->ft, 1000u);
  std::shared_ptr<IAttach> opened;
  ASSERT_EQ(again->OpenAttach(static_cast<ULONG>(*rows[0][0].Long()), nullptr, MAPI_BEST_ACCESS, &opened),
            S_OK);
  ASSERT_EQ(opened->OpenProperty(PR_ATTACH_DATA_OBJ, IID_IMessage, 0, 0, &unk), S_OK);
  auto inner = mapi_cast<IMessage>(unk);
  SPropValue body;
  ASSERT_EQ(HrGetOneProp(inner.get(), PR_BODY, &body), S_OK);
  EXPECT_EQ(*body.String(), "moved to room 2");
  std::shared_ptr<IMAPITable> inner_rcpts;
  ASSERT_EQ(inner->GetRecipientTable(0, &inner_rcpts), S_OK);
  ULONG count = 0;
  ASSERT_EQ(inner_rcpts->GetRowCount(0, &count), S_OK);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(again->OpenAttach(7, nullptr, 0, &opened), MAPI_E_NOT_FOUND);
}

// Meeting requests are copies of the appointment without some properties.
TEST_F(MessageTest, CopyToLeavesOutExcludedProperties) {
  SPropTagArray ids;
  ASSERT_EQ(
      calendar_->GetIDsFromNames({MAPINAMEID::Id(PSETID_Appointment, kLidBusyStatus)}, MAPI_CREATE, &ids),
      S_OK);
  ULONG busy = CHANGE_PROP_TYPE(ids[0], PT_LONG);
  std::shared_ptr<IMessage> appt, copy;
  ASSERT_EQ(calendar_->CreateMessage(nullptr, 0, &appt), S_OK);
  ASSERT_EQ(appt->SetProps({{PR_SUBJECT, std::string("meet")}, {busy, 2}}, nullptr), S_OK);
  ADRLIST who{{ADRENTRY{
      {{PR_DISPLAY_NAME, std::string("Bob Baker")}, {PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_TO)}}}}};
  ASSERT_EQ(appt->ModifyRecipients(MODRECIP_ADD, who), S_OK);
  ASSERT_EQ(calendar_->CreateMessage(nullptr, 0, &copy), S_OK);
  SPropTagArray excluded{busy};
  ASSERT_EQ(appt->CopyTo(&excluded, IID_IMessage, copy.get(), 0, nullptr), S_OK);
  SPropValue v;
  EXPECT_EQ(HrGetOneProp(copy.get(), PR_SUBJECT, &v), S_OK);
  EXPECT_EQ(HrGetOneProp(copy.get(), busy, &v), MAPI_E_NOT_FOUND);
  std::shared_ptr<IMAPITable> rcpts;
  ASSERT_EQ(copy->GetRecipientTable(0, &rcpts), S_OK);
  ULONG count = 0;
  rcpts->GetRowCount(0, &count);
  EXPECT_EQ(count, 1u);
}

TEST_F(MessageTest, DeleteMessagesRemovesOnlyThisFoldersMessages) {
  std::vector<ENTRYID> ids;
  for (int i = 0; i < 3; ++i) {
    std::shared_ptr<IMessage> m;
    ASSERT_EQ(calendar_->CreateMessage(nullptr, 0, &m), S_OK);
    ASSERT_EQ(m->SaveChanges(KEEP_OPEN_READONLY), S_OK);
    ids.push_back(EntryId(*m));
  }
  ASSERT_EQ(calendar_->DeleteMessages({ids[0], ids[2]}, 0), S_OK);
  EXPECT_EQ(Rows(*calendar_, {PR_ENTRYID}).cRows(), 1u);
  EXPECT_EQ(calendar_->DeleteMessages({ids[0]}, 0), MAPI_W_PARTIAL_COMPLETION);
  ULONG type = 0;
  std::shared_ptr<IUnknown> unk;
  EXPECT_EQ(calendar_->OpenEntry(ids[0], nullptr, 0, &type, &unk), MAPI_E_NOT_FOUND);
}

}  // namespace
}  // namespace korvale::mapi::testing
