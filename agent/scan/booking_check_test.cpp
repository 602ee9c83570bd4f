// The booking number of an item against the booked rows of Meetings: kept
// while the item shows the booked meeting, emptied once it was changed in
// Outlook, kept when the check itself cannot run.
#include "agent/scan/booking_check.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "agent/scan/appointment_reader_fixture.h"

namespace korvale {
namespace {

using namespace appointment_fixtures;
using namespace mapi;
namespace cp = calendar_prop;

class BookingCheckTest : public AppointmentReaderTest {
 protected:
  void Book(const std::string& office, const std::string& title, const std::string& organizer = "",
            const std::string& attendees = "", const std::string& phone = "15") {
    const std::string sql =
        "INSERT INTO Meetings (Name, Start, EndTime, Title, Status, Location, Phone, Office, Initials, "
        "Category, "
        "Organizer, Attendees, BookingStatus) VALUES ('web', {ts '2023-01-10 09:00:00'}, "
        "{ts '2023-01-10 10:00:00'}, '" +
        title + "', 2, 'Room 1', '" + phone + "', '" + office + "', '', 'Team', '" + organizer + "', '" +
        attendees + "', 2)";
    ASSERT_TRUE(db_->Execute(sql).ok());
    booking_numbers_.push_back(office);
  }

  std::vector<SPropValue> Booked(const std::string& number, const std::string& title = "Review") {
    auto props = Appointment(title, At(2023, 1, 10, 9), At(2023, 1, 10, 10));
    props.push_back({Tag(cp::kLocation), std::string("Room 1")});
    props.push_back({Tag(cp::kKeywords), std::vector<std::string>{"Team"}});
    props.push_back({Tag(cp::kBookingNumber), number});
    return props;
  }

  std::vector<std::string> Numbers() {
    std::vector<std::string> numbers;
    for (const StoredRow& row : Rows("Title"))
      numbers.push_back(row.Text("Title") + "=" + row.Text("KRVBookingNumber"));
    std::sort(numbers.begin(), numbers.end());
    return numbers;
  }
};

// An unchanged booking keeps its number; a changed one falls back to its entry identifier.
TEST_F(BookingCheckTest, NumberKeptOnlyWhileTheItemShowsTheBooking) {
  Open();
  Book("BK-1", "Review");
  Book("BK-2", "Review");
  CreateItem(Booked("BK-1", "Review"));
  const ENTRYID changed = CreateItem(Booked("BK-2", "Review moved"));
  // A number the booking list does not know is not checked.
  CreateItem(Booked("BK-9", "Unknown"));

  ASSERT_EQ(Run(PassKind::kSingle), S_OK) << Events();
  EXPECT_EQ(Numbers(),
            (std::vector<std::string>{"Review moved=" + HexFromBin(changed), "Review=BK-1", "Unknown=BK-9"}));
}

// A meeting's attendees must be the booked ones, resources and case aside.
TEST_F(BookingCheckTest, MeetingAttendeesAreComparedAsSets) {
  Open();
  Book("BK-M", "Review", kOwner, "bob baker; $R$Room One$R$");
  Book("BK-N", "Review", kOwner, "Bob Baker");
  auto meeting = Booked("BK-M", "Review");
  meeting.push_back({Tag(cp::kMeetingState), 1});
  meeting.push_back({PR_SENT_REPRESENTING_NAME, std::string(kOwner)});
  CreateItem(meeting, {{"Bob Baker", MAPI_TO}, {"Room One", MAPI_BCC}});
  auto added = Booked("BK-N", "Review");
  added.push_back({Tag(cp::kMeetingState), 1});
  const ENTRYID added_id = CreateItem(added, {{"Bob Baker", MAPI_TO}, {"Carol Cook", MAPI_TO}});

  ASSERT_EQ(Run(PassKind::kSingle), S_OK) << Events();
  std::vector<std::string> expected{"Review=BK-M", "Review=" + HexFromBin(added_id)};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Numbers(), expected) << "Carol was added in Outlook";
}

// The "$P$" marker must agree with the item's privacy (and a private item shows no number at all).
TEST_F(BookingCheckTest, PrivacyMarkerTakesPart) {
  Open();
  Book("BK-P", "Review", "", "", "15$P$");
  const ENTRYID id = CreateItem(Booked("BK-P"));
  ASSERT_EQ(Run(PassKind::kSingle), S_OK) << Events();
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"Review=" + HexFromBin(id)}))
      << "booked private, shown public";
}

// When Meetings cannot be read the check is reported and the item keeps its number.
TEST_F(BookingCheckTest, DatabaseFailureKeepsTheNumber) {
  Open();
  Book("BK-1", "Review");
  CreateItem(Booked("BK-1", "Changed"));
  ASSERT_TRUE(db_->Execute("DROP TABLE Meetings").ok());
  ASSERT_EQ(Run(PassKind::kSingle), S_OK);
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"Changed=BK-1"}));
  const auto events = log_.EventsWithId(121);
  ASSERT_EQ(events.size(), 1u) << Events();
  EXPECT_EQ(events[0].type, EventType::kError);
  EXPECT_EQ(
      events[0].texts.at(0),
      "ReadMeetingsTable: General Error reading / updating records while checking for OL modifications");
}

TEST(BookingName, ResourceMarkersAndBlanksGo) {
  EXPECT_EQ(BookingName("  $R$Room One$R$ "), "Room One");
  EXPECT_EQ(BookingName("\xC2\xA3R\xC2\xA3"
                        "Beamer"),
            "Beamer")
      << "the marker in UTF-8";
  EXPECT_EQ(BookingName("\xA3R\xA3"
                        "Beamer"),
            "Beamer")
      << "and as the old single bytes";
}

}  // namespace
}  // namespace korvale
