// Damaged stores, objects deleted under a session, streams, and concurrent
// profile writers: failures come back as codes, never as crashes or losses.
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/mapi/calendar_named_props.h"
#include "platform/mapi/orgstore/profile_file.h"
#include "platform/mapi/orgstore/row_table.h"
#include "platform/mapi/tests/org_fixture.h"

namespace korvale::mapi::testing {
namespace {

class RobustnessTest : public OrgTest {
 protected:
  void SetUp() override {
    OrgTest::SetUp();
    session_ = AdminSession();
    calendar_ = Calendar(*OpenStore(*session_, "alice"));
  }
  ENTRYID NewMessage(const std::string& subject) {
    std::shared_ptr<IMessage> msg;
    EXPECT_EQ(calendar_->CreateMessage(nullptr, 0, &msg), S_OK);
    ADRLIST who{{ADRENTRY{
        {{PR_DISPLAY_NAME, std::string("Bob")}, {PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_TO)}}}}};
    EXPECT_EQ(msg->ModifyRecipients(MODRECIP_ADD, who), S_OK);
    EXPECT_EQ(msg->SetProps({{PR_SUBJECT, subject}}, nullptr), S_OK);
    EXPECT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    SPropValue id;
    EXPECT_EQ(HrGetOneProp(msg.get(), PR_ENTRYID, &id), S_OK);
    return *id.Binary();
  }
  // Damages the store behind the provider's back, as a broken disk would.
  void Corrupt(const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(db_path_.c_str(), &db), SQLITE_OK);
    char* err = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "");
    sqlite3_free(err);
    sqlite3_close(db);
  }
  std::shared_ptr<IMAPISession> session_;
  std::shared_ptr<IMAPIFolder> calendar_;
};

// A truncated value must make the query fail with a code the agent can
// report: in a message's property list, and in the per-property rows that
// messages of a version 1 store are read from.
TEST_F(RobustnessTest, BrokenValueInTheStoreIsReportedAsCorruptData) {
  NewMessage("fine");
  const std::string flags = std::to_string(PROP_ID(PR_MESSAGE_FLAGS));
  for (const std::string& damage :
       {std::string("UPDATE messages SET props = x'0102'"),
        "UPDATE messages SET props = NULL; UPDATE message_props SET value = x'0102' "
        "WHERE prop_id = " +
            flags}) {
    Corrupt(damage);
    std::shared_ptr<IMAPITable> table;
    ASSERT_EQ(calendar_->GetContentsTable(0, &table), S_OK);
    SRowSet rows;
    EXPECT_EQ(HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, &rows), MAPI_E_CORRUPT_DATA)
        << damage;
    std::optional<MAPIERROR> err;
    ASSERT_EQ(table->GetLastError(MAPI_E_CORRUPT_DATA, 0, &err), S_OK);
    ASSERT_TRUE(err);
    EXPECT_NE(err->lpszError.find("message"), std::string::npos) << err->lpszError;
  }
}

// A store written before messages kept their property list: it is brought up
// to date when opened, its messages read the same from their rows, and a
// message saved again gets its list.
TEST_F(RobustnessTest, VersionOneStoreIsReadAndUpdated) {
  ENTRYID id = NewMessage("written by version 1");
  calendar_.reset();
  session_.reset();
  Corrupt(
      "UPDATE messages SET props = NULL; ALTER TABLE messages DROP COLUMN props; "
      "UPDATE meta SET value = '1' WHERE key = 'schema_version'");

  session_ = AdminSession();
  ASSERT_TRUE(session_);
  calendar_ = Calendar(*OpenStore(*session_, "alice"));
  SRowSet rows = Rows(*calendar_, {PR_SUBJECT, PR_MESSAGE_FLAGS, PR_DISPLAY_TO});
  ASSERT_EQ(rows.aRow.size(), 1u);
  ASSERT_TRUE(rows.aRow[0].lpProps[0].String());
  EXPECT_EQ(*rows.aRow[0].lpProps[0].String(), "written by version 1");
  EXPECT_TRUE(rows.aRow[0].lpProps[1].Long());
  ASSERT_TRUE(rows.aRow[0].lpProps[2].String());
  EXPECT_EQ(*rows.aRow[0].lpProps[2].String(), "Bob");

  std::shared_ptr<IUnknown> unknown;
  ULONG type = 0;
  ASSERT_EQ(calendar_->OpenEntry(id, nullptr, MAPI_BEST_ACCESS, &type, &unknown), S_OK);
  auto msg = mapi_cast<IMessage>(unknown);
  ASSERT_TRUE(msg);
  ASSERT_EQ(msg->SetProps({{PR_SUBJECT, std::string("saved again")}}, nullptr), S_OK);
  ASSERT_EQ(msg->SaveChanges(0), S_OK);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(db_path_.c_str(), &db), SQLITE_OK);
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM messages WHERE props IS NOT NULL", -1, &st, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(st, 0), 1);
  sqlite3_finalize(st);
  sqlite3_close(db);
  rows = Rows(*calendar_, {PR_SUBJECT});
  ASSERT_EQ(rows.aRow.size(), 1u);
  ASSERT_TRUE(rows.aRow[0].lpProps[0].String());
  EXPECT_EQ(*rows.aRow[0].lpProps[0].String(), "saved again");
}

TEST_F(RobustnessTest, BrokenRecipientListFailsOnlyThatMessage) {
  ENTRYID broken = NewMessage("broken");
  ENTRYID fine = NewMessage("fine");
  Corrupt(
      "UPDATE recipients_of_message SET props = x'FFFFFF' WHERE message_id = (SELECT MIN(message_id) FROM "
      "recipients_of_message)");
  ULONG type = 0;
  std::shared_ptr<IUnknown> unk;
  EXPECT_EQ(calendar_->OpenEntry(broken, nullptr, MAPI_BEST_ACCESS, &type, &unk), MAPI_E_CORRUPT_DATA);
  EXPECT_EQ(calendar_->OpenEntry(fine, nullptr, MAPI_BEST_ACCESS, &type, &unk), S_OK);
}

// Another session deleting a message while this one edits it: the save says so and creates nothing.
TEST_F(RobustnessTest, SavingAMessageDeletedMeanwhileFails) {
  ENTRYID id = NewMessage("doomed");
  ULONG type = 0;
  std::shared_ptr<IUnknown> unk;
  ASSERT_EQ(calendar_->OpenEntry(id, nullptr, MAPI_BEST_ACCESS, &type, &unk), S_OK);
  auto held = mapi_cast<IMessage>(unk);
  auto other = Calendar(*OpenStore(*AdminSession(), "alice"));
  ASSERT_EQ(other->DeleteMessages({id}, 0), S_OK);
  ASSERT_EQ(held->SetProps({{PR_BODY, std::string("too late")}}, nullptr), S_OK);
  EXPECT_EQ(held->SaveChanges(0), MAPI_E_OBJECT_DELETED);
  EXPECT_TRUE(Rows(*calendar_, {PR_SUBJECT}).empty());
}

TEST_F(RobustnessTest, StreamsWriteBackIntoTheProperty) {
  ENTRYID id = NewMessage("streamed");
  ULONG type = 0;
  std::shared_ptr<IUnknown> unk;
  ASSERT_EQ(calendar_->OpenEntry(id, nullptr, MAPI_BEST_ACCESS, &type, &unk), S_OK);
  auto msg = mapi_cast<IMessage>(unk);
  std::shared_ptr<IUnknown> s;
  ASSERT_EQ(msg->OpenProperty(PR_BODY, IID_IStream, STGM_WRITE, MAPI_CREATE | MAPI_MODIFY, &s), S_OK);
  auto stream = mapi_cast<IStream>(s);
  const std::string text = "line one\r\nline two";
  ULONG written = 0;
  ASSERT_EQ(stream->Write(text.data(), static_cast<ULONG>(text.size()), &written), S_OK);
  ASSERT_EQ(stream->Commit(0), S_OK);
  ASSERT_EQ(msg->SaveChanges(0), S_OK);
  ASSERT_EQ(calendar_->OpenEntry(id, nullptr, 0, &type, &unk), S_OK);
  SPropValue body;
  ASSERT_EQ(HrGetOneProp(mapi_cast<IMessage>(unk).get(), PR_BODY, &body), S_OK);
  EXPECT_EQ(*body.String(), text);
  ASSERT_EQ(mapi_cast<IMessage>(unk)->OpenProperty(PR_BODY, IID_IStream, 0, 0, &s), S_OK);
  EXPECT_EQ(mapi_cast<IStream>(s)->Write("x", 1, &written), MAPI_E_NO_ACCESS);
}

// Table rows cut strings at 255 characters, never inside a character.
TEST(TableValues, CutKeepsWholeCharacters) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += "\xC3\xA4";  // ä
  std::string cut = orgstore::CutUtf8(text, 255);
  EXPECT_EQ(cut.size(), 510u);
  EXPECT_EQ(orgstore::CutUtf8("abc", 255), "abc");
  EXPECT_EQ(orgstore::CutUtf8("ab\xE2\x82\xAC", 3), "ab\xE2\x82\xAC");
}

// Message identifiers are unique in the organisation: the session opens any store's item.
TEST_F(RobustnessTest, SessionOpensItemsOfAnyStore) {
  ENTRYID id = NewMessage("anywhere");
  ULONG type = 0;
  std::shared_ptr<IUnknown> unk;
  ASSERT_EQ(AdminSession()->OpenEntry(id, nullptr, 0, &type, &unk), S_OK);
  EXPECT_EQ(type, MAPI_MESSAGE);
  auto bob = OpenStore(*session_, "bob");
  EXPECT_EQ(bob->OpenEntry(id, nullptr, 0, &type, &unk), MAPI_E_INVALID_ENTRYID) << "not bob's";
}

// Named properties keep their names when an item is copied into another mailbox.
TEST_F(RobustnessTest, CopyToAnotherStoreMapsNamedProperties) {
  auto bob_calendar = Calendar(*OpenStore(*session_, "bob"));
  SPropTagArray filler, alice_ids, bob_ids;
  auto name = MAPINAMEID::Name(PS_PUBLIC_STRINGS, kNameBookingNumber);
  ASSERT_EQ(calendar_->GetIDsFromNames({MAPINAMEID::Name(PS_PUBLIC_STRINGS, "first")}, MAPI_CREATE, &filler),
            S_OK);
  ASSERT_EQ(calendar_->GetIDsFromNames({name}, MAPI_CREATE, &alice_ids), S_OK);
  std::shared_ptr<IMessage> src, dst;
  ASSERT_EQ(calendar_->CreateMessage(nullptr, 0, &src), S_OK);
  ASSERT_EQ(src->SetProps({{CHANGE_PROP_TYPE(alice_ids[0], PT_STRING8), std::string("B-1")}}, nullptr), S_OK);
  ASSERT_EQ(bob_calendar->CreateMessage(nullptr, 0, &dst), S_OK);
  ASSERT_EQ(src->CopyTo(nullptr, IID_IMessage, dst.get(), 0, nullptr), S_OK);
  ASSERT_EQ(bob_calendar->GetIDsFromNames({name}, 0, &bob_ids), S_OK);
  EXPECT_NE(PROP_ID(bob_ids[0]), PROP_ID(alice_ids[0]));
  SPropValue v;
  ASSERT_EQ(HrGetOneProp(dst.get(), CHANGE_PROP_TYPE(bob_ids[0], PT_STRING8), &v), S_OK);
  EXPECT_EQ(*v.String(), "B-1");
}

// Agents of several instances create their profiles at the same time.
TEST(ProfileFile, ConcurrentWritersLoseNothing) {
  korvale::testing::TempDir dir;
  std::string file = dir.File("profiles.json");
  constexpr int kEach = 25;
  std::vector<pid_t> children;
  for (int w = 0; w < 2; ++w) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (int i = 0; i < kEach; ++i) {
        std::string error;
        if (!orgstore::UpdateProfileFile(
                file,
                [&](orgstore::ProfileData& d) {
                  d.profiles["p" + std::to_string(w) + "_" + std::to_string(i)] = {};
                  return true;
                },
                &error))
          _exit(1);
      }
      _exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  orgstore::ProfileData data;
  std::string error;
  ASSERT_TRUE(orgstore::ReadProfileFile(file, &data, &error)) << error;
  EXPECT_EQ(data.profiles.size(), 2u * kEach);
}

}  // namespace
}  // namespace korvale::mapi::testing
