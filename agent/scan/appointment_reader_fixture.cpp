// The appointment reader's test frame: organisation, database and one pass.
#include "agent/scan/appointment_reader_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "agent/database/schema.h"
#include "platform/tz/tz.h"

namespace korvale::appointment_fixtures {

namespace org = mapi::orgstore;
using namespace mapi;

namespace {

org::RecipientSpec Mailbox(const std::string& alias, const std::string& display_name) {
  org::RecipientSpec r;
  r.alias = alias;
  r.display_name = display_name;
  r.server = "SRV1";
  return r;
}

// The source tree: from CTest's environment, else from where this file was compiled.
std::string DataDir() {
  if (const char* source = std::getenv("KORVALE_SOURCE_DIR"))
    return std::string(source) + "/tests/data/recurrence/";
  const std::string here = __FILE__;
  return here.substr(0, here.rfind("/agent/scan/")) + "/tests/data/recurrence/";
}

std::string HexToBytes(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

}  // namespace

std::string RecurrenceFile(const std::string& relative_path) {
  std::ifstream in(DataDir() + relative_path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string ExampleBlob(const std::string& name) {
  std::istringstream lines(RecurrenceFile("examples.txt"));
  std::string line;
  bool in_section = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line[0] == '[') in_section = line == "[" + name + "]";
    if (in_section && line.rfind("hex: ", 0) == 0) return HexToBytes(line.substr(5));
  }
  ADD_FAILURE() << "no example blob " << name;
  return {};
}

uint32_t PatternMinutes(const SYSTEMTIME& local) {
  return static_cast<uint32_t>(FileTime(local) / kFileTimePerMinute);
}

FILETIME FileTime(const SYSTEMTIME& time) { return tz::SystemTimeToFileTime(time).value_or(0); }

SBinary Bytes(const std::string& bytes) { return SBinary(bytes.begin(), bytes.end()); }

AppointmentReaderTest::AppointmentReaderTest() {
  settings_.sqlite = 1;
  settings_.sqlite_flag = true;
  settings_.db = dsn_.name();
  mailbox_.name = kOwner;
  mailbox_.phone = "555";
  mailbox_.dl = "//Staff//";
  mailbox_.datasource = "$local";
  mailbox_.alias = "owner";
  mailbox_.department = "Sales";
  mailbox_.acl = "CORP\\owner";
  mailbox_.aclw = "CORP\\owner";
}

void AppointmentReaderTest::Open() {
  org::OrganisationSpec spec;
  spec.servers.push_back({"SRV1", "Org", "Site"});
  spec.recipients.push_back(Mailbox("owner", kOwner));
  spec.recipients.push_back(Mailbox("bob", "Bob Baker"));
  spec.recipients.push_back(Mailbox("carol", "Carol Cook"));
  auto org_store = org::OrgStore::Open(tmp_.File("org.db"), org::OpenMode::kCreate);
  ASSERT_TRUE(org_store.ok()) << org_store.status().message();
  const Status applied = (*org_store)->Apply(spec);
  ASSERT_TRUE(applied.ok()) << applied.message();
  ENTRYID calendar_id;
  auto folders = (*org_store)->ListFolders("owner");
  ASSERT_TRUE(folders.ok());
  for (const auto& folder : *folders) {
    if (folder.name == "Calendar") calendar_id = folder.entry_id;
  }
  ASSERT_EQ((*org_store)->Logon("owner", &session_), S_OK);
  std::shared_ptr<IMAPITable> stores;
  ASSERT_EQ(session_->GetMsgStoresTable(0, &stores), S_OK);
  const SPropTagArray store_columns{PR_ENTRYID};
  SRowSet store_rows;
  ASSERT_EQ(HrQueryAllRows(stores.get(), &store_columns, nullptr, nullptr, 0, &store_rows), S_OK);
  ASSERT_EQ(store_rows.cRows(), 1u);
  ASSERT_EQ(session_->OpenMsgStore(0, *store_rows[0][0].Binary(), nullptr, MAPI_BEST_ACCESS, &store_), S_OK);
  ULONG type = 0;
  std::shared_ptr<IUnknown> object;
  ASSERT_EQ(store_->OpenEntry(calendar_id, nullptr, MAPI_BEST_ACCESS, &type, &object), S_OK);
  calendar_ = mapi_cast<IMAPIFolder>(object);
  ASSERT_TRUE(calendar_);

  optional_ = SelectOptionalColumns(settings_.fields);
  CalendarTagsResult resolved = ResolveCalendarTags(*calendar_, settings_, optional_);
  ASSERT_EQ(resolved.error, CalendarTagsError::kNone);
  tags_ = resolved.tags;
  columns_ = BuildMeetingColumns(tags_, settings_, optional_);

  auto connection = OpenSqlConnection(dsn_.ConnectString());
  ASSERT_TRUE(connection.ok()) << connection.error().text;
  db_ = std::make_unique<Database>(settings_, log_, std::move(*connection));
  auto created = db_->Execute(CreateCalendarTable(settings_, kKorvaleTable1, optional_));
  ASSERT_TRUE(created.ok()) << created.error().text;
  created = db_->Execute(CreateMeetingsTable(settings_));
  ASSERT_TRUE(created.ok()) << created.error().text;
  log_.Clear();
}

ULONG AppointmentReaderTest::OptionalTag(OptionalColumn column) const {
  for (const auto& [named, tag] : tags_.optional_named) {
    if (named == column) return tag;
  }
  return PR_NULL;
}

std::vector<SPropValue> AppointmentReaderTest::Appointment(const std::string& subject, SYSTEMTIME start_utc,
                                                           SYSTEMTIME end_utc) const {
  namespace cp = calendar_prop;
  return {{PR_MESSAGE_CLASS, std::string("IPM.Appointment")},
          {PR_SUBJECT, subject},
          SPropValue::Time(Tag(cp::kStart), FileTime(start_utc)),
          SPropValue::Time(Tag(cp::kEnd), FileTime(end_utc)),
          {Tag(cp::kRecurring), false},
          {Tag(cp::kBusyStatus), 2}};
}

std::shared_ptr<IMessage> AppointmentReaderTest::NewItem(const std::vector<SPropValue>& props,
                                                         const std::vector<Recipient>& recipients) {
  std::shared_ptr<IMessage> item;
  EXPECT_EQ(calendar_->CreateMessage(nullptr, 0, &item), S_OK);
  std::vector<SPropProblem> problems;
  EXPECT_EQ(item->SetProps(props, &problems), S_OK);
  EXPECT_TRUE(problems.empty()) << "property " << problems.front().ulIndex << " refused";
  if (!recipients.empty()) {
    ADRLIST list;
    for (const auto& [name, type] : recipients) {
      list.aEntries.push_back(
          ADRENTRY{{{PR_DISPLAY_NAME, name}, {PR_RECIPIENT_TYPE, static_cast<int32_t>(type)}}});
    }
    EXPECT_EQ(item->ModifyRecipients(MODRECIP_ADD, list), S_OK);
  }
  return item;
}

ENTRYID AppointmentReaderTest::CreateItem(const std::vector<SPropValue>& props,
                                          const std::vector<Recipient>& recipients) {
  std::shared_ptr<IMessage> item = NewItem(props, recipients);
  EXPECT_EQ(item->SaveChanges(KEEP_OPEN_READONLY), S_OK);
  SPropValue id;
  EXPECT_EQ(HrGetOneProp(item.get(), PR_ENTRYID, &id), S_OK);
  return id.Binary() ? *id.Binary() : ENTRYID{};
}

HRESULT AppointmentReaderTest::Run(PassKind pass) {
  const FILETIME start = FileTime(tz::LocalToUniversal(mailbox_zone_, window_start_));
  const FILETIME end = FileTime(tz::LocalToUniversal(mailbox_zone_, window_end_));
  const SRestriction restriction = pass == PassKind::kSingle ? SingleAppointmentRestriction(tags_, start, end)
                                                             : RecurringAppointmentRestriction(tags_);
  return RunOver(pass, &restriction);
}

HRESULT AppointmentReaderTest::RunOver(PassKind pass, const SRestriction* restriction) {
  std::shared_ptr<IMAPITable> contents;
  EXPECT_EQ(calendar_->GetContentsTable(0, &contents), S_OK);
  SRowSet rows;
  const HRESULT queried = HrQueryAllRows(contents.get(), &columns_.tags, restriction, nullptr, 0, &rows);
  EXPECT_EQ(queried, S_OK);
  if (FAILED(queried)) return queried;

  RowWriterContext writer{*db_,          settings_,   kKorvaleTable1, "Caldrun", optional_.column_name_list,
                          window_start_, window_end_, nullptr};
  const FILETIME window_start = FileTime(tz::LocalToUniversal(mailbox_zone_, window_start_));
  const FILETIME window_end = FileTime(tz::LocalToUniversal(mailbox_zone_, window_end_));
  auto is_booking_number = [this](const std::string& number) {
    return std::find(booking_numbers_.begin(), booking_numbers_.end(), number) != booking_numbers_.end();
  };
  AppointmentReaderContext ctx{
      settings_, log_,      stop_,        *db_,       writer,        *calendar_,        tags_,  columns_,
      optional_, "Caldrun", window_start, window_end, mailbox_zone_, is_booking_number, nullptr};
  return ReadAppointments(ctx, mailbox_, pass, rows);
}

std::vector<StoredRow> AppointmentReaderTest::Rows(const std::string& order) {
  auto rows = db_->Query("SELECT * FROM KorvaleTable1 ORDER BY " + order);
  EXPECT_TRUE(rows.ok()) << rows.error().text;
  std::vector<StoredRow> out;
  if (!rows.ok()) return out;
  for (SqlRow& row : *rows) out.push_back({std::move(row)});
  return out;
}

bool AppointmentReaderTest::Reported(const std::string& text) const {
  for (const auto& event : log_.events()) {
    for (const std::string& t : event.texts) {
      if (t == text) return true;
    }
  }
  return false;
}

}  // namespace korvale::appointment_fixtures
