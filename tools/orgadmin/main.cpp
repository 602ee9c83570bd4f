// korvale-orgadmin: creates and inspects organisation stores.
#include <CLI/CLI.hpp>
#include <iostream>

#include "platform/mapi/mapi.h"
#include "tools/orgadmin/commands.h"
#include "tools/orgadmin/ical_import.h"
#include "tools/orgadmin/org_file.h"

using namespace korvale;
using namespace korvale::orgadmin;

namespace {

// The options of every subcommand, and the subcommands to tell which one ran.
struct Options {
  std::string store, file, what, mailbox, id, profiles;
  bool bodies = false;
  AppointmentSpec appt;
  std::string start, end, zone, busy = "busy";
  int reminder = -1;
  CLI::App *create = nullptr, *reg = nullptr, *list = nullptr, *show = nullptr, *add = nullptr,
           *del = nullptr, *inbox = nullptr, *ics = nullptr;
};

void AddStoreCommands(CLI::App& app, Options& o) {
  o.create = app.add_subcommand("create", "Create an organisation from a JSON file (see README.md)");
  o.create->add_option("store", o.store, "organisation store file")->required();
  o.create->add_option("org", o.file, "organisation file (JSON)")->required();

  o.reg = app.add_subcommand("register", "Map the store's servers in the MAPI profile file");
  o.reg->add_option("store", o.store, "organisation store file")->required();
  o.reg->add_option("--profiles", o.profiles, "profile file (default: as MAPI finds it)");

  o.list = app.add_subcommand("list", "List mailboxes or folders");
  o.list->add_option("store", o.store, "organisation store file")->required();
  o.list->add_option("what", o.what, "mailboxes | folders")
      ->required()
      ->check(CLI::IsMember({"mailboxes", "folders"}));
  o.list->add_option("--mailbox", o.mailbox, "only this mailbox's folders (alias)");

  o.show = app.add_subcommand("show", "Show a message with its recipients and attachments");
  o.show->add_option("store", o.store, "organisation store file")->required();
  o.show->add_option("entryid", o.id, "entry identifier in hexadecimal")->required();
}

void AddMailboxCommands(CLI::App& app, Options& o) {
  AppointmentSpec& appt = o.appt;
  CLI::App* add = o.add =
      app.add_subcommand("add-appointment", "Add an appointment or meeting to a mailbox's calendar");
  add->add_option("store", o.store, "organisation store file")->required();
  add->add_option("--mailbox", appt.mailbox, "organizer (alias, name or EX:<dn>)")->required();
  add->add_option("--subject", appt.subject, "subject");
  add->add_option("--start", o.start, "start: \"2024-05-06 09:00\" with --zone, or \"2024-05-06T07:00Z\"")
      ->required();
  add->add_option("--end", o.end, "end, as the start")->required();
  add->add_option("--zone", o.zone,
                  "Windows time-zone name for local times, e.g. \"W. Europe Standard Time\"");
  add->add_option("--location", appt.location, "location");
  add->add_option("--body", appt.body, "body text");
  add->add_option("--attendee", appt.required, "required attendee (repeatable)");
  add->add_option("--optional", appt.optional, "optional attendee (repeatable)");
  add->add_option("--resource", appt.resources, "resource (repeatable)");
  add->add_option("--category", appt.categories, "category (repeatable)");
  add->add_option("--busy", o.busy, "free | tentative | busy | oof")
      ->check(CLI::IsMember({"free", "tentative", "busy", "oof"}));
  add->add_option("--reminder", o.reminder, "reminder minutes before the start");
  add->add_option("--booking-number", appt.booking_number, "KRVBookingNumber");
  add->add_flag("--all-day", appt.all_day, "all-day event");
  add->add_flag("--private", appt.is_private, "private");

  o.del = app.add_subcommand("delete-appointment", "Delete an appointment from a mailbox's calendar");
  o.del->add_option("store", o.store, "organisation store file")->required();
  o.del->add_option("--mailbox", o.mailbox, "mailbox (alias, name or EX:<dn>)")->required();
  o.del->add_option("entryid", o.id, "entry identifier in hexadecimal")->required();

  o.inbox = app.add_subcommand("inbox", "Show what arrived in a mailbox's Inbox");
  o.inbox->add_option("store", o.store, "organisation store file")->required();
  o.inbox->add_option("mailbox", o.mailbox, "mailbox (alias, name or EX:<dn>)")->required();
  o.inbox->add_flag("--body", o.bodies, "show the message texts");

  o.ics =
      app.add_subcommand("import-ics", "Import the events of an iCalendar file into a mailbox's calendar");
  o.ics->add_option("store", o.store, "organisation store file")->required();
  o.ics->add_option("--mailbox", o.mailbox, "mailbox (alias, name or EX:<dn>)")->required();
  o.ics->add_option("file", o.file, "iCalendar file (.ics)")->required();
}

Status AddAppointmentCommand(Options& o) {
  std::string zone_struct;
  Status s = ParseTime(o.start, o.zone, &o.appt.start, &zone_struct);
  if (s.ok()) s = ParseTime(o.end, o.zone, &o.appt.end, &zone_struct);
  if (!zone_struct.empty()) o.appt.zone_struct = zone_struct;
  o.appt.busy = o.busy == "free" ? 0 : o.busy == "tentative" ? 1 : o.busy == "oof" ? 3 : 2;
  if (o.reminder >= 0) o.appt.reminder_minutes = o.reminder;
  if (s.ok()) s = AddAppointment(o.store, o.appt, std::cout);
  return s;
}

Status RunCommand(Options& o) {
  if (*o.create) return CreateOrganisation(o.store, o.file, std::cout);
  if (*o.reg) {
    if (o.profiles.empty()) {
      mapi::MAPIInitialize(nullptr);
      o.profiles = mapi::MAPIProfileFile();
      mapi::MAPIUninitialize();
    }
    return RegisterServers(o.store, o.profiles, std::cout);
  }
  if (*o.list) return List(o.store, o.what, o.mailbox, std::cout);
  if (*o.show) return ShowMessage(o.store, o.id, std::cout);
  if (*o.add) return AddAppointmentCommand(o);
  if (*o.del) return RemoveAppointment(o.store, o.mailbox, o.id, std::cout);
  if (*o.ics) return ImportIcs(o.store, o.mailbox, o.file, std::cout);
  if (*o.inbox) return ShowInbox(o.store, o.mailbox, o.bodies, std::cout);
  return Status::Ok();
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Creates and inspects the organisation store behind the platform's MAPI"};
  app.require_subcommand(1);
  Options options;
  AddStoreCommands(app, options);
  AddMailboxCommands(app, options);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int rc = app.exit(e);
    return rc == 0 ? 0 : 2;
  }
  Status s = RunCommand(options);
  if (!s.ok()) {
    std::cerr << "korvale-orgadmin: " << s.message() << "\n";
    return 1;
  }
  return 0;
}
