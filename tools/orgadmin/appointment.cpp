// Writing appointments through the MAPI layer.
#include "tools/orgadmin/appointment.h"

#include <algorithm>

#include "platform/mapi/calendar_named_props.h"
#include "tools/orgadmin/calendar_names.h"

namespace korvale::orgadmin {

using namespace mapi;

namespace {

Status Fail(const std::string& what, HRESULT hr) {
  return Status::Error(what + " failed with Code = " + HResultHex(hr), hr);
}

}  // namespace

Expected<MailboxFolders> OpenMailbox(IMAPISession& session, const std::string& mailbox) {
  std::shared_ptr<IAddrBook> ab;
  HRESULT hr = session.OpenAddressBook(0, nullptr, AB_NO_DIALOG, &ab);
  if (FAILED(hr)) return Fail("OpenAddressBook", hr);
  ADRLIST list{{ADRENTRY{{{PR_DISPLAY_NAME, mailbox}, {PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_TO)}}}}};
  hr = ab->ResolveName(0, 0, "", &list);
  if (FAILED(hr)) return Status::Error("the mailbox \"" + mailbox + "\" is not in the directory", hr);
  const auto& props = list.aEntries[0].rgPropVals;
  ULONG type = 0;
  std::shared_ptr<IUnknown> unk;
  hr = ab->OpenEntry(*PpropFindProp(props, PR_ENTRYID)->Binary(), nullptr, MAPI_BEST_ACCESS, &type, &unk);
  if (FAILED(hr)) return Fail("OpenEntry of " + mailbox, hr);
  if (type != MAPI_MAILUSER)
    return Status::Error("\"" + mailbox + "\" is a distribution list, not a mailbox");
  auto user = mapi_cast<IMailUser>(unk);
  SPropTagArray tags{PR_EMS_AB_HOME_MTA, PR_EMAIL_ADDRESS, PR_DISPLAY_NAME};
  std::vector<SPropValue> v;
  user->GetProps(&tags, 0, &v);
  if (!v[0].String() || !v[1].String())
    return Status::Error("the mailbox \"" + mailbox + "\" has no home server");
  std::string mta = *v[0].String();
  std::string server_dn = mta.substr(0, mta.find("/cn=Microsoft MTA"));
  std::shared_ptr<IExchangeManageStore> manage;
  hr = HrQueryInterface(session, IID_IExchangeManageStore, &manage);
  if (FAILED(hr)) return Fail("QueryInterface(IExchangeManageStore)", hr);
  ENTRYID store_id;
  hr = manage->CreateStoreEntryID(server_dn + "/cn=Microsoft Private MDB", *v[1].String(),
                                  OPENSTORE_USE_ADMIN_PRIVILEGE | OPENSTORE_TAKE_OWNERSHIP, &store_id);
  if (FAILED(hr)) return Fail("CreateStoreEntryID", hr);
  MailboxFolders out;
  out.display_name = v[2].String() ? *v[2].String() : mailbox;
  hr = session.OpenMsgStore(0, store_id, nullptr, MDB_NO_DIALOG | MAPI_BEST_ACCESS, &out.store);
  if (FAILED(hr)) return Fail("OpenMsgStore of " + mailbox, hr);
  ENTRYID inbox_id;
  hr = out.store->GetReceiveFolder("", 0, &inbox_id, nullptr);
  if (FAILED(hr)) return Fail("GetReceiveFolder", hr);
  hr = out.store->OpenEntry(inbox_id, nullptr, MAPI_BEST_ACCESS, &type, &unk);
  if (FAILED(hr)) return Fail("OpenEntry of the Inbox", hr);
  out.inbox = mapi_cast<IMAPIFolder>(unk);
  SPropValue cal;
  if (HrGetOneProp(out.inbox.get(), PR_IPM_APPOINTMENT_ENTRYID, &cal) == S_OK &&
      out.store->OpenEntry(*cal.Binary(), nullptr, MAPI_BEST_ACCESS, &type, &unk) == S_OK)
    out.calendar = mapi_cast<IMAPIFolder>(unk);
  return out;
}

std::vector<SPropValue> AppointmentProps(const AppointmentSpec& spec, const SPropTagArray& calendar_ids,
                                         LONG meeting_state) {
  auto tag = [&](int i) { return CHANGE_PROP_TYPE(calendar_ids[i], kNamedTypes[i]); };
  std::vector<SPropValue> props{
      {PR_MESSAGE_CLASS, std::string("IPM.Appointment")},
      {PR_SUBJECT, spec.subject},
      SPropValue::Time(PR_START_DATE, spec.start),
      SPropValue::Time(PR_END_DATE, spec.end),
      SPropValue::Time(tag(kStart), spec.start),
      SPropValue::Time(tag(kEnd), spec.end),
      {tag(kLocation), spec.location},
      {tag(kBusy), spec.busy},
      {tag(kPrivate), spec.is_private},
      {PR_SENSITIVITY, spec.is_private ? 2 : 0},
      {tag(kReminderSet), spec.reminder_minutes.has_value()},
      {tag(kReminderMinutes), spec.reminder_minutes.value_or(15)},
      {tag(kMeetingState), meeting_state},
      {tag(kAllDay), spec.all_day},
      {tag(kResponse), meeting_state},
  };
  if (!spec.body.empty()) props.emplace_back(PR_BODY, spec.body);
  if (!spec.categories.empty()) props.emplace_back(tag(kKeywords), spec.categories);
  return props;
}

namespace {

// A changed occurrence as an embedded message of the series.
Status WriteExceptionItem(IMessage& series, const AppointmentSpec& spec, const ExceptionItem& item) {
  ULONG number = 0;
  std::shared_ptr<IAttach> attach;
  HRESULT hr = series.CreateAttach(nullptr, 0, &number, &attach);
  if (FAILED(hr)) return Fail("CreateAttach", hr);
  hr = attach->SetProps({{PR_ATTACH_METHOD, static_cast<int32_t>(ATTACH_EMBEDDED_MSG)},
                         SPropValue::Time(PR_EXCEPTION_STARTTIME, item.local_start),
                         SPropValue::Time(PR_EXCEPTION_ENDTIME, item.local_end),
                         {PR_ATTACHMENT_HIDDEN, true},
                         {PR_ATTACH_FLAGS, 0}},
                        nullptr);
  if (FAILED(hr)) return Fail("SetProps of the exception attachment", hr);
  std::shared_ptr<IUnknown> object;
  hr = attach->OpenProperty(PR_ATTACH_DATA_OBJ, IID_IMessage, 0, MAPI_CREATE | MAPI_MODIFY, &object);
  if (FAILED(hr)) return Fail("OpenProperty(PR_ATTACH_DATA_OBJ)", hr);
  auto embedded = mapi_cast<IMessage>(object);
  if (!embedded) return Status::Error("the exception attachment holds no message");
  std::vector<SPropValue> props{
      {PR_MESSAGE_CLASS, std::string("IPM.OLE.CLASS.{00061055-0000-0000-C000-000000000046}")},
      {PR_SUBJECT, item.subject.empty() ? spec.subject : item.subject},
      SPropValue::Time(PR_START_DATE, item.start),
      SPropValue::Time(PR_END_DATE, item.end),
  };
  if (!item.body.empty()) props.emplace_back(PR_BODY, item.body);
  hr = embedded->SetProps(props, nullptr);
  if (FAILED(hr)) return Fail("SetProps of the exception item", hr);
  hr = embedded->SaveChanges(KEEP_OPEN_READWRITE);
  if (FAILED(hr)) return Fail("SaveChanges of the exception item", hr);
  hr = attach->SaveChanges(KEEP_OPEN_READWRITE);
  if (FAILED(hr)) return Fail("SaveChanges of the exception attachment", hr);
  return Status::Ok();
}

// One calendar item of the meeting: the organizer's (state 1) or an attendee's (state 3).
Expected<ENTRYID> WriteItem(IMAPISession& session, const AppointmentSpec& spec, const std::string& mailbox,
                            bool meeting, bool organizer, const std::string& organizer_name,
                            const SBinary& global_id, const ADRLIST& recipients) {
  auto box = OpenMailbox(session, mailbox);
  if (!box.ok()) return box.status();
  if (!box->calendar) return Status::Error("the mailbox \"" + mailbox + "\" has no calendar");
  SPropTagArray ids;
  HRESULT hr = box->calendar->GetIDsFromNames(CalendarNames(), MAPI_CREATE, &ids);
  if (FAILED(hr)) return Fail("GetIDsFromNames", hr);
  auto tag = [&](int i) { return CHANGE_PROP_TYPE(ids[i], kNamedTypes[i]); };
  std::vector<SPropValue> props = AppointmentProps(spec, ids, meeting ? (organizer ? 1 : 3) : 0);
  props.emplace_back(tag(kRecurring), false);
  props.emplace_back(tag(kRecurrenceType), 0);
  // Outlook keeps the organizer's zone only with a series (its recurrence
  // pattern given as a raw property); a single item's times are universal and
  // the reader publishes them in the mailbox's own zone.
  bool series = std::any_of(spec.extra.begin(), spec.extra.end(), [](const ExtraProp& p) {
    return p.name == MAPINAMEID::Id(PSETID_Appointment, kLidRecurrenceBlob);
  });
  if (spec.zone_struct && series) {
    props.emplace_back(tag(kTimeZone), SBinary(spec.zone_struct->begin(), spec.zone_struct->end()));
  }
  if (!spec.booking_number.empty()) props.emplace_back(tag(kBookingNumber), spec.booking_number);
  if (meeting) {
    props.emplace_back(tag(kGlobalId), global_id);
    props.emplace_back(tag(kCleanGlobalId), global_id);
    props.emplace_back(tag(kInvitationsSent), organizer);
    props.emplace_back(PR_SENT_REPRESENTING_NAME, organizer_name);
    props.emplace_back(PR_RESPONSE_REQUESTED, true);
  }
  for (const auto& extra : spec.extra) {
    SPropTagArray one;
    hr = box->calendar->GetIDsFromNames({extra.name}, MAPI_CREATE, &one);
    if (FAILED(hr)) return Fail("GetIDsFromNames for " + ToString(extra.name), hr);
    const ULONG extra_tag = CHANGE_PROP_TYPE(one[0], extra.type);
    auto same = std::find_if(props.begin(), props.end(),
                             [&](const SPropValue& p) { return p.ulPropTag == extra_tag; });
    if (same != props.end())
      *same = SPropValue{extra_tag, extra.value};
    else
      props.emplace_back(extra_tag, extra.value);
  }
  std::shared_ptr<IMessage> msg;
  hr = box->calendar->CreateMessage(nullptr, 0, &msg);
  if (FAILED(hr)) return Fail("CreateMessage", hr);
  std::vector<SPropProblem> problems;
  hr = msg->SetProps(props, &problems);
  if (FAILED(hr)) return Fail("SetProps", hr);
  if (!problems.empty())
    return Status::Error("the value of " + TagName(problems[0].ulPropTag) + " does not fit its type");
  if (meeting && !recipients.aEntries.empty()) {
    hr = msg->ModifyRecipients(MODRECIP_ADD, recipients);
    if (FAILED(hr)) return Fail("ModifyRecipients", hr);
  }
  for (const auto& item : spec.exception_items) {
    Status s = WriteExceptionItem(*msg, spec, item);
    if (!s.ok()) return s;
  }
  hr = msg->SaveChanges(KEEP_OPEN_READWRITE);
  if (FAILED(hr)) return Fail("SaveChanges", hr);
  SPropValue id;
  hr = HrGetOneProp(msg.get(), PR_ENTRYID, &id);
  if (FAILED(hr)) return Fail("GetProps(PR_ENTRYID)", hr);
  return *id.Binary();
}

}  // namespace

Expected<ENTRYID> WriteAppointment(IMAPISession& session, const AppointmentSpec& spec) {
  if (spec.end < spec.start) return Status::Error("the end lies before the start");
  std::shared_ptr<IAddrBook> ab;
  HRESULT hr = session.OpenAddressBook(0, nullptr, AB_NO_DIALOG, &ab);
  if (FAILED(hr)) return Fail("OpenAddressBook", hr);
  ADRLIST recipients;
  auto add = [&](const std::vector<std::string>& names, ULONG type) {
    for (const auto& n : names)
      recipients.aEntries.push_back(
          ADRENTRY{{{PR_DISPLAY_NAME, n}, {PR_RECIPIENT_TYPE, static_cast<int32_t>(type)}}});
  };
  add(spec.required, MAPI_TO);
  add(spec.optional, MAPI_CC);
  add(spec.resources, MAPI_BCC);
  bool meeting = !recipients.aEntries.empty();
  if (meeting) {
    hr = ab->ResolveName(0, 0, "", &recipients);
    if (FAILED(hr)) {
      for (const auto& e : recipients.aEntries)
        if (!PpropFindProp(e.rgPropVals, PR_ENTRYID))
          return Status::Error("the attendee \"" + *PpropFindProp(e.rgPropVals, PR_DISPLAY_NAME)->String() +
                                   "\" is " +
                                   (hr == MAPI_E_AMBIGUOUS_RECIP ? "ambiguous" : "not in the directory"),
                               hr);
    }
  }
  auto organizer = OpenMailbox(session, spec.mailbox);
  if (!organizer.ok()) return organizer.status();
  SBinary global_id = GlobalObjectId();
  auto id =
      WriteItem(session, spec, spec.mailbox, meeting, true, organizer->display_name, global_id, recipients);
  if (!id.ok() || !meeting || !spec.accepted) return id;
  for (const auto& e : recipients.aEntries) {
    const SPropValue* type = PpropFindProp(e.rgPropVals, PR_OBJECT_TYPE);
    if (!type || !type->Long() || *type->Long() != static_cast<int32_t>(MAPI_MAILUSER)) continue;
    std::string dn = "EX:" + *PpropFindProp(e.rgPropVals, PR_EMAIL_ADDRESS)->String();
    auto copy = WriteItem(session, spec, dn, true, false, organizer->display_name, global_id, recipients);
    if (!copy.ok()) return copy.status();
  }
  return id;
}

Status DeleteAppointment(IMAPISession& session, const std::string& mailbox, const ENTRYID& id) {
  auto box = OpenMailbox(session, mailbox);
  if (!box.ok()) return box.status();
  if (!box->calendar) return Status::Error("the mailbox \"" + mailbox + "\" has no calendar");
  HRESULT hr = box->calendar->DeleteMessages({id}, 0);
  if (FAILED(hr)) return Fail("DeleteMessages", hr);
  if (hr == MAPI_W_PARTIAL_COMPLETION)
    return Status::Error("no such appointment in the calendar of " + mailbox);
  return Status::Ok();
}

}  // namespace korvale::orgadmin
