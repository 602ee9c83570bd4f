// Contents tables: the scan's two restricted queries, columns, sort, FindRow
// and the value limits of table rows.
#include "platform/mapi/calendar_named_props.h"
#include "platform/mapi/tests/org_fixture.h"

namespace korvale::mapi::testing {
namespace {

constexpr FILETIME kHour = 36000000000ULL;
constexpr FILETIME kBase = 133000000000000000ULL;

class TableTest : public OrgTest {
 protected:
  void SetUp() override {
    OrgTest::SetUp();
    session_ = AdminSession();
    calendar_ = Calendar(*OpenStore(*session_, "alice"));
    SPropTagArray ids;
    ASSERT_EQ(calendar_->GetIDsFromNames(
                  {MAPINAMEID::Id(PSETID_Appointment, kLidStart), MAPINAMEID::Id(PSETID_Appointment, kLidEnd),
                   MAPINAMEID::Id(PSETID_Appointment, kLidRecurring),
                   MAPINAMEID::Id(PSETID_Appointment, kLidRecurrenceBlob)},
                  MAPI_CREATE, &ids),
              S_OK);
    start_ = CHANGE_PROP_TYPE(ids[0], PT_SYSTIME);
    end_ = CHANGE_PROP_TYPE(ids[1], PT_SYSTIME);
    recurring_ = CHANGE_PROP_TYPE(ids[2], PT_BOOLEAN);
    pattern_ = CHANGE_PROP_TYPE(ids[3], PT_BINARY);
    Add("before window", 0, 1, false, "IPM.Appointment");
    Add("inside", 10, 11, false, "IPM.Appointment");
    Add("overlaps end", 19, 25, false, "IPM.Appointment");
    Add("request", 12, 13, false, "IPM.Schedule.Meeting.Request");
    Add("series", 2, 3, true, "IPM.Appointment");
    Add("after window", 30, 31, false, "IPM.Appointment");
  }

  void Add(const std::string& subject, int from_hour, int to_hour, bool recurring, const std::string& cls) {
    std::shared_ptr<IMessage> msg;
    ASSERT_EQ(calendar_->CreateMessage(nullptr, 0, &msg), S_OK);
    std::vector<SPropProblem> problems;
    ASSERT_EQ(msg->SetProps({{PR_SUBJECT, subject},
                             {PR_MESSAGE_CLASS, cls},
                             SPropValue::Time(start_, kBase + from_hour * kHour),
                             SPropValue::Time(end_, kBase + to_hour * kHour),
                             {recurring_, recurring}},
                            &problems),
              S_OK);
    ASSERT_TRUE(problems.empty());
    ASSERT_EQ(msg->SaveChanges(0), S_OK);
  }

  SRestriction Window(FILETIME from, FILETIME to) {
    return RestrictAnd(
        {RestrictProperty(RELOP_LT, SPropValue::Time(start_, to)),
         RestrictProperty(RELOP_GT, SPropValue::Time(end_, from)),
         RestrictProperty(RELOP_EQ, {recurring_, false}),
         RestrictProperty(RELOP_NE, {PR_MESSAGE_CLASS, std::string("IPM.Schedule.Meeting.Request")}),
         RestrictProperty(RELOP_NE, {PR_MESSAGE_CLASS, std::string("IPM.Schedule.Meeting.Canceled")})});
  }

  static std::vector<std::string> Subjects(const SRowSet& rows, size_t column) {
    std::vector<std::string> out;
    for (const auto& r : rows.aRow) out.push_back(r[column].String() ? *r[column].String() : "<none>");
    return out;
  }

  std::shared_ptr<IMAPISession> session_;
  std::shared_ptr<IMAPIFolder> calendar_;
  ULONG start_ = 0, end_ = 0, recurring_ = 0, pattern_ = 0;
};

// The first pass of the scan: single appointments overlapping the window.
TEST_F(TableTest, WindowRestrictionSelectsSingleAppointments) {
  SRestriction window = Window(kBase + 5 * kHour, kBase + 20 * kHour);
  SRowSet rows = Rows(*calendar_, {PR_ENTRYID, start_, end_, PR_SUBJECT}, &window);
  EXPECT_EQ(Subjects(rows, 3), (std::vector<std::string>{"inside", "overlaps end"}));
  EXPECT_EQ(rows[0][0].Binary()->size(), 70u);
  SRestriction series = RestrictProperty(RELOP_EQ, {recurring_, true});
  EXPECT_EQ(Subjects(Rows(*calendar_, {PR_SUBJECT}, &series), 0), std::vector<std::string>{"series"});
}

// Columns the rows lack come back as errors in their place; positions must not shift.
TEST_F(TableTest, MissingColumnsKeepTheirPosition) {
  SRowSet rows =
      Rows(*calendar_, {PR_SUBJECT, pattern_, PR_NULL, PROP_TAG(PT_LONG, PROP_ID(PR_SUBJECT)), PR_HASATTACH});
  ASSERT_EQ(rows.cRows(), 6u);
  EXPECT_EQ(rows[0].cValues(), 5u);
  EXPECT_EQ(rows[0][1].ErrorCode(), MAPI_E_NOT_FOUND);
  EXPECT_EQ(PROP_TYPE(rows[0][2].ulPropTag), PT_NULL);
  EXPECT_TRUE(rows[0][3].IsError()) << "a mistyped column is an error";
  EXPECT_FALSE(*rows[0][4].Boolean());
}

TEST_F(TableTest, SortFindRowAndCursor) {
  std::shared_ptr<IMAPITable> table;
  ASSERT_EQ(calendar_->GetContentsTable(0, &table), S_OK);
  ASSERT_EQ(table->SetColumns({PR_SUBJECT}, 0), S_OK);
  ASSERT_EQ(table->SortTable({{{start_, TABLE_SORT_DESCEND}}}, 0), S_OK);
  SRowSet two;
  ASSERT_EQ(table->QueryRows(2, 0, &two), S_OK);
  EXPECT_EQ(Subjects(two, 0), (std::vector<std::string>{"after window", "overlaps end"}));
  ASSERT_EQ(table->FindRow(RestrictContent(FL_SUBSTRING | FL_IGNORECASE, PR_SUBJECT,
                                           {PR_SUBJECT, std::string("SERIES")}),
                           BOOKMARK_BEGINNING, 0),
            S_OK);
  SRowSet one;
  ASSERT_EQ(table->QueryRows(1, 0, &one), S_OK);
  EXPECT_EQ(Subjects(one, 0), std::vector<std::string>{"series"});
  EXPECT_EQ(table->FindRow(RestrictExist(PR_BODY), BOOKMARK_BEGINNING, 0), MAPI_E_NOT_FOUND);
  ULONG count = 0;
  ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
  EXPECT_EQ(count, 6u);
  SRowSet none;
  ASSERT_EQ(table->SeekRow(BOOKMARK_END, 0, nullptr), S_OK);
  ASSERT_EQ(table->QueryRows(10, 0, &none), S_OK);
  EXPECT_TRUE(none.empty());
  SRowSet limited;
  EXPECT_EQ(HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 3, &limited), MAPI_E_TABLE_TOO_BIG);
}

// Long recurrence blobs are cut in table rows, so the reader must open the
// item and read the property as a stream.
TEST_F(TableTest, LongBinaryValuesAreCutInRowsButWholeInStreams) {
  std::shared_ptr<IMessage> msg;
  ASSERT_EQ(calendar_->CreateMessage(nullptr, 0, &msg), S_OK);
  SBinary blob(600);
  for (size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<uint8_t>(i);
  ASSERT_EQ(msg->SetProps({{PR_SUBJECT, std::string("long")}, {pattern_, blob}}, nullptr), S_OK);
  ASSERT_EQ(msg->SaveChanges(0), S_OK);
  SRestriction has = RestrictExist(pattern_);
  SRowSet rows = Rows(*calendar_, {PR_ENTRYID, pattern_}, &has);
  ASSERT_EQ(rows.cRows(), 1u);
  EXPECT_EQ(rows[0][1].Binary()->size(), 510u);
  ULONG type = 0;
  std::shared_ptr<IUnknown> unk;
  ASSERT_EQ(calendar_->OpenEntry(*rows[0][0].Binary(), nullptr, MAPI_BEST_ACCESS, &type, &unk), S_OK);
  auto item = mapi_cast<IMessage>(unk);
  std::shared_ptr<IUnknown> s;
  ASSERT_EQ(item->OpenProperty(pattern_, IID_IStream, 0, 0, &s), S_OK);
  auto stream = mapi_cast<IStream>(s);
  STATSTG stat;
  ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.cbSize, 600u);
  SBinary read(stat.cbSize + 1);
  ULONG got = 0;
  ASSERT_EQ(stream->Read(read.data(), static_cast<ULONG>(read.size()), &got), S_OK);
  EXPECT_EQ(got, 600u);
  read.resize(got);
  EXPECT_EQ(read, blob);
  EXPECT_EQ(item->OpenProperty(PR_BODY, IID_IStream, 0, 0, &s), MAPI_E_NOT_FOUND);
}

// A booking is cancelled by entry identifier: the restriction on PR_ENTRYID must find exactly it.
TEST_F(TableTest, RestrictionOnEntryIdFindsOneMessage) {
  SRowSet all = Rows(*calendar_, {PR_ENTRYID, PR_SUBJECT});
  SRestriction by_id = RestrictProperty(RELOP_EQ, {PR_ENTRYID, *all[2][0].Binary()});
  SRowSet one = Rows(*calendar_, {PR_SUBJECT}, &by_id);
  EXPECT_EQ(Subjects(one, 0), std::vector<std::string>{*all[2][1].String()});
  SRestriction bogus = RestrictProperty(RELOP_EQ, {PR_ENTRYID, SBinary{1, 2}});
  EXPECT_TRUE(Rows(*calendar_, {PR_SUBJECT}, &bogus).empty());
}

}  // namespace
}  // namespace korvale::mapi::testing
