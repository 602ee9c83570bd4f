// Submission: delivering copies of a message to the organisation's inboxes.
//
// Exchange would route through the MTA; here the whole delivery is one
// transaction, so a message is either delivered to every mailbox recipient
// and moved (or deleted) or nothing happened.
#include <set>

#include "platform/mapi/orgstore/backend.h"
#include "platform/mapi/orgstore/entry_ids.h"

namespace korvale::mapi::orgstore {

namespace {

std::string Text(const std::vector<SPropValue>& props, ULONG tag) {
  const SPropValue* p = FindProp(props, PROP_ID(tag));
  return p && p->String() ? *p->String() : std::string();
}

struct Targets {
  std::vector<RecipientRow> mailboxes;
  std::set<int64_t> seen;
  struct Outside {
    std::string name, type, address;
  };
  std::vector<Outside> outside;
};

void AddRecipient(Backend& b, const RecipientRow& r, Targets& t, std::set<int64_t>& lists) {
  if (r.kind == RecipientKind::kDistList) {
    if (!lists.insert(r.id).second) return;
    for (const auto& m : b.ListMembers(r.id)) AddRecipient(b, m, t, lists);
    return;
  }
  if (t.seen.insert(r.id).second) t.mailboxes.push_back(r);
}

void AddByAddress(Backend& b, const std::string& name, const std::string& type, const std::string& address,
                  Targets& t, std::set<int64_t>& lists) {
  std::optional<RecipientRow> r;
  if (type == "EX")
    r = b.RecipientByDn(address);
  else if (type == "SMTP")
    r = b.RecipientBySmtp(address);
  if (r)
    AddRecipient(b, *r, t, lists);
  else
    t.outside.push_back({name, type, address});
}

}  // namespace

void Backend::Submit(const StoreRow& sender_store, int64_t message_id, MessageData data) {
  auto sender = RecipientById(sender_store.recipient_id);
  std::string sender_name = sender ? sender->display_name : std::string();
  FILETIME now = NowFileTime();

  SetProp(data.props, SPropValue::Time(PR_CLIENT_SUBMIT_TIME, now));
  if (!FindProp(data.props, PROP_ID(PR_SENT_REPRESENTING_NAME)))
    SetProp(data.props, {PR_SENT_REPRESENTING_NAME, sender_name});
  SetProp(data.props, {PR_SENDER_NAME, sender_name});
  if (sender) {
    SetProp(data.props, {PR_SENDER_ADDRTYPE, std::string("EX")});
    SetProp(data.props, {PR_SENDER_EMAIL_ADDRESS, sender->legacy_dn});
    SetProp(data.props, {PR_SENDER_ENTRYID, AddressBookEntryId(*sender)});
  }

  db_->Transaction([&] {
    Targets targets;
    std::set<int64_t> lists;
    for (const auto& rcpt : data.recipients) {
      std::string name = Text(rcpt, PR_DISPLAY_NAME);
      const SPropValue* eid = FindProp(rcpt, PROP_ID(PR_ENTRYID));
      if (eid && eid->Binary()) {
        if (auto ab = ParseAddressBookEid(*eid->Binary())) {
          if (auto r = RecipientByDn(ab->dn))
            AddRecipient(*this, *r, targets, lists);
          else
            targets.outside.push_back({name, "EX", ab->dn});
          continue;
        }
        if (auto oneoff = ParseOneOffEid(*eid->Binary())) {
          AddByAddress(*this, oneoff->display_name, oneoff->address_type, oneoff->address, targets, lists);
          continue;
        }
      }
      AddByAddress(*this, name, Text(rcpt, PR_ADDRTYPE), Text(rcpt, PR_EMAIL_ADDRESS), targets, lists);
    }

    MessageData delivered = data.Clone();
    RemoveProp(delivered.props, PROP_ID(PR_DELETE_AFTER_SUBMIT));
    RemoveProp(delivered.props, PROP_ID(PR_SENTMAIL_ENTRYID));
    SetProp(delivered.props, SPropValue::Time(PR_MESSAGE_DELIVERY_TIME, now));
    for (const auto& mailbox : targets.mailboxes) {
      auto store = StoreByRecipient(mailbox.id);
      if (!store || !store->inbox_id) {
        targets.outside.push_back({mailbox.display_name, "EX", mailbox.legacy_dn});
        continue;
      }
      MessageData copy = delivered.Clone();
      SetProp(copy.props, {PR_MESSAGE_FLAGS, static_cast<int32_t>(0)});
      SetProp(copy.props, {PR_RECEIVED_BY_NAME, mailbox.display_name});
      SetProp(copy.props, {PR_RECEIVED_BY_ENTRYID, AddressBookEntryId(mailbox)});
      SaveMessage(store->id, store->inbox_id, 0, copy);
    }
    std::string subject = Text(data.props, PR_SUBJECT);
    for (const auto& o : targets.outside)
      db_->Prepare(
             "INSERT INTO outbound_mail (submitted, sender, subject, recipient_name, address_type, address) "
             "VALUES (?,?,?,?,?,?)")
          .Bind(1, static_cast<int64_t>(now))
          .Bind(2, sender_name)
          .Bind(3, subject)
          .Bind(4, o.name)
          .Bind(5, o.type)
          .Bind(6, o.address)
          .Run();

    const SPropValue* das = FindProp(data.props, PROP_ID(PR_DELETE_AFTER_SUBMIT));
    bool delete_after = das && das->Boolean() && *das->Boolean();
    if (delete_after || !sender_store.sent_id) {
      if (message_id) DeleteMessage(message_id);
    } else {
      MessageData sent = data.Clone();
      SetProp(sent.props, {PR_MESSAGE_FLAGS, static_cast<int32_t>(MSGFLAG_READ | MSGFLAG_FROMME)});
      if (message_id) DeleteMessage(message_id);
      SaveMessage(sender_store.id, sender_store.sent_id, 0, sent);
    }
  });
}

}  // namespace korvale::mapi::orgstore
