// korvale-orgadmin: creates and inspects organisation stores.
#include <CLI/CLI.hpp>
#include <iostream>

#include "platform/mapi/mapi.h"
#include "tools/orgadmin/commands.h"
#include "tools/orgadmin/ical_import.h"
#include "tools/orgadmin/org_file.h"

using namespace korvale;
using namespace korvale::orgadmin;

int main(int argc, char** argv) {
  CLI::App app{"Creates and inspects the organisation store behind the platform's MAPI"};
  app.require_subcommand(1);
  std::string store, file, what, mailbox, id, profiles;
  bool bodies = false;

  auto* create = app.add_subcommand("create", "Create an organisation from a JSON file (see README.md)");
  create->add_option("store", store, "organisation store file")->required();
  create->add_option("org", file, "organisation file (JSON)")->required();

  auto* reg = app.add_subcommand("register", "Map the store's servers in the MAPI profile file");
  reg->add_option("store", store, "organisation store file")->required();
  reg->add_option("--profiles", profiles, "profile file (default: as MAPI finds it)");

  auto* list = app.add_subcommand("list", "List mailboxes or folders");
  list->add_option("store", store, "organisation store file")->required();
  list->add_option("what", what, "mailboxes | folders")->required()->check(CLI::IsMember({"mailboxes", "folders"}));
  list->add_option("--mailbox", mailbox, "only this mailbox's folders (alias)");

  auto* show = app.add_subcommand("show", "Show a message with its recipients and attachments");
  show->add_option("store", store, "organisation store file")->required();
  show->add_option("entryid", id, "entry identifier in hexadecimal")->required();

  AppointmentSpec appt;
  std::string start, end, zone, busy = "busy";
  int reminder = -1;
  auto* add = app.add_subcommand("add-appointment", "Add an appointment or meeting to a mailbox's calendar");
  add->add_option("store", store, "organisation store file")->required();
  add->add_option("--mailbox", appt.mailbox, "organizer (alias, name or EX:<dn>)")->required();
  add->add_option("--subject", appt.subject, "subject");
  add->add_option("--start", start, "start: \"2024-05-06 09:00\" with --zone, or \"2024-05-06T07:00Z\"")->required();
  add->add_option("--end", end, "end, as the start")->required();
  add->add_option("--zone", zone, "Windows time-zone name for local times, e.g. \"W. Europe Standard Time\"");
  add->add_option("--location", appt.location, "location");
  add->add_option("--body", appt.body, "body text");
  add->add_option("--attendee", appt.required, "required attendee (repeatable)");
  add->add_option("--optional", appt.optional, "optional attendee (repeatable)");
  add->add_option("--resource", appt.resources, "resource (repeatable)");
  add->add_option("--category", appt.categories, "category (repeatable)");
  add->add_option("--busy", busy, "free | tentative | busy | oof")
      ->check(CLI::IsMember({"free", "tentative", "busy", "oof"}));
  add->add_option("--reminder", reminder, "reminder minutes before the start");
  add->add_option("--booking-number", appt.booking_number, "KRVBookingNumber");
  add->add_flag("--all-day", appt.all_day, "all-day event");
  add->add_flag("--private", appt.is_private, "private");

  auto* del = app.add_subcommand("delete-appointment", "Delete an appointment from a mailbox's calendar");
  del->add_option("store", store, "organisation store file")->required();
  del->add_option("--mailbox", mailbox, "mailbox (alias, name or EX:<dn>)")->required();
  del->add_option("entryid", id, "entry identifier in hexadecimal")->required();

  auto* inbox = app.add_subcommand("inbox", "Show what arrived in a mailbox's Inbox");
  inbox->add_option("store", store, "organisation store file")->required();
  inbox->add_option("mailbox", mailbox, "mailbox (alias, name or EX:<dn>)")->required();
  inbox->add_flag("--body", bodies, "show the message texts");

  auto* ics = app.add_subcommand("import-ics", "Import the events of an iCalendar file into a mailbox's calendar");
  ics->add_option("store", store, "organisation store file")->required();
  ics->add_option("--mailbox", mailbox, "mailbox (alias, name or EX:<dn>)")->required();
  ics->add_option("file", file, "iCalendar file (.ics)")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int rc = app.exit(e);
    return rc == 0 ? 0 : 2;
  }

  Status s;
  if (*create) {
    s = CreateOrganisation(store, file, std::cout);
  } else if (*reg) {
    if (profiles.empty()) {
      mapi::MAPIInitialize(nullptr);
      profiles = mapi::MAPIProfileFile();
      mapi::MAPIUninitialize();
    }
    s = RegisterServers(store, profiles, std::cout);
  } else if (*list) {
    s = List(store, what, mailbox, std::cout);
  } else if (*show) {
    s = ShowMessage(store, id, std::cout);
  } else if (*add) {
    std::string zone_struct;
    s = ParseTime(start, zone, &appt.start, &zone_struct);
    if (s.ok()) s = ParseTime(end, zone, &appt.end, &zone_struct);
    if (!zone_struct.empty()) appt.zone_struct = zone_struct;
    appt.busy = busy == "free" ? 0 : busy == "tentative" ? 1 : busy == "oof" ? 3 : 2;
    if (reminder >= 0) appt.reminder_minutes = reminder;
    if (s.ok()) s = AddAppointment(store, appt, std::cout);
  } else if (*del) {
    s = RemoveAppointment(store, mailbox, id, std::cout);
  } else if (*ics) {
    s = ImportIcs(store, mailbox, file, std::cout);
  } else if (*inbox) {
    s = ShowInbox(store, mailbox, bodies, std::cout);
  }
  if (!s.ok()) {
    std::cerr << "korvale-orgadmin: " << s.message() << "\n";
    return 1;
  }
  return 0;
}
