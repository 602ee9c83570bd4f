// The same properties the administration tool writes for an organizer's copy.
#include "bench/calendar_writer.h"

#include "tools/orgadmin/calendar_names.h"

namespace korvale::bench {

using namespace mapi;
using namespace orgadmin;

namespace {

Status Fail(const std::string& what, HRESULT hr) {
  return Status::Error(what + " failed with Code = " + HResultHex(hr), hr);
}

}  // namespace

Expected<CalendarWriter::Box*> CalendarWriter::Open(const std::string& mailbox) {
  auto it = boxes_.find(mailbox);
  if (it != boxes_.end()) return &it->second;
  auto folders = orgadmin::OpenMailbox(session_, mailbox);
  if (!folders.ok()) return folders.status();
  if (!folders->calendar) return Status::Error("the mailbox \"" + mailbox + "\" has no calendar");
  Box box{*folders, {}};
  HRESULT hr = box.folders.calendar->GetIDsFromNames(CalendarNames(), MAPI_CREATE, &box.ids);
  if (FAILED(hr)) return Fail("GetIDsFromNames", hr);
  return &boxes_.emplace(mailbox, std::move(box)).first->second;
}

Expected<ADRENTRY> CalendarWriter::Resolve(const std::string& name, ULONG type) {
  auto it = resolved_.find(name);
  if (it == resolved_.end()) {
    if (!ab_) {
      HRESULT hr = session_.OpenAddressBook(0, nullptr, AB_NO_DIALOG, &ab_);
      if (FAILED(hr)) return Fail("OpenAddressBook", hr);
    }
    ADRLIST one{{ADRENTRY{{{PR_DISPLAY_NAME, name}, {PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_TO)}}}}};
    HRESULT hr = ab_->ResolveName(0, 0, "", &one);
    if (FAILED(hr)) return Status::Error("the attendee \"" + name + "\" is not in the directory", hr);
    it = resolved_.emplace(name, one.aEntries[0]).first;
  }
  ADRENTRY e = it->second;
  for (auto& p : e.rgPropVals)
    if (p.ulPropTag == PR_RECIPIENT_TYPE) p.Value = static_cast<int32_t>(type);
  return e;
}

Status CalendarWriter::Write(const orgadmin::AppointmentSpec& spec) {
  auto box = Open(spec.mailbox);
  if (!box.ok()) return box.status();
  IMAPIFolder& calendar = *(*box)->folders.calendar;
  auto tag = [&](int i) { return CHANGE_PROP_TYPE((*box)->ids[i], kNamedTypes[i]); };
  ADRLIST recipients;
  for (const auto& n : spec.required) {
    auto e = Resolve(n, MAPI_TO);
    if (!e.ok()) return e.status();
    recipients.aEntries.push_back(*e);
  }
  bool meeting = !recipients.aEntries.empty();
  std::vector<SPropValue> props = orgadmin::AppointmentProps(spec, (*box)->ids, meeting ? 1 : 0);
  bool series = !spec.extra.empty();
  if (!series) {
    props.emplace_back(tag(kRecurring), false);
    props.emplace_back(tag(kRecurrenceType), 0);
  } else if (spec.zone_struct) {
    props.emplace_back(tag(kTimeZone), SBinary(spec.zone_struct->begin(), spec.zone_struct->end()));
  }
  if (meeting) {
    SBinary global_id = GlobalObjectId();
    props.emplace_back(tag(kGlobalId), global_id);
    props.emplace_back(tag(kCleanGlobalId), global_id);
    props.emplace_back(tag(kInvitationsSent), true);
    props.emplace_back(PR_SENT_REPRESENTING_NAME, (*box)->folders.display_name);
    props.emplace_back(PR_RESPONSE_REQUESTED, true);
  }
  if (series) {
    std::vector<MAPINAMEID> names;
    for (const auto& e : spec.extra) names.push_back(e.name);
    SPropTagArray ids;
    HRESULT hr = calendar.GetIDsFromNames(names, MAPI_CREATE, &ids);
    if (FAILED(hr)) return Fail("GetIDsFromNames", hr);
    for (size_t i = 0; i < spec.extra.size(); ++i)
      props.emplace_back(CHANGE_PROP_TYPE(ids[i], spec.extra[i].type), spec.extra[i].value);
  }
  std::shared_ptr<IMessage> msg;
  HRESULT hr = calendar.CreateMessage(nullptr, 0, &msg);
  if (FAILED(hr)) return Fail("CreateMessage", hr);
  std::vector<SPropProblem> problems;
  hr = msg->SetProps(props, &problems);
  if (FAILED(hr)) return Fail("SetProps", hr);
  if (!problems.empty())
    return Status::Error("the value of " + TagName(problems[0].ulPropTag) + " does not fit its type");
  if (meeting) {
    hr = msg->ModifyRecipients(MODRECIP_ADD, recipients);
    if (FAILED(hr)) return Fail("ModifyRecipients", hr);
  }
  hr = msg->SaveChanges(0);
  if (FAILED(hr)) return Fail("SaveChanges", hr);
  return Status::Ok();
}

}  // namespace korvale::bench
