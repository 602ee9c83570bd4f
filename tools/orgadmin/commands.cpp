// The commands of the administration program.
#include "tools/orgadmin/commands.h"

#include <filesystem>

#include "platform/mapi/orgstore/org_store.h"
#include "platform/mapi/orgstore/profile_file.h"
#include "tools/orgadmin/org_file.h"

namespace korvale::orgadmin {

using namespace mapi;
using namespace mapi::orgstore;

namespace {

Expected<std::shared_ptr<IMAPISession>> Session(const std::string& store) {
  std::shared_ptr<IMAPISession> session;
  HRESULT hr = OpenOrgStoreSession(store, "", &session);
  if (FAILED(hr))
    return Status::Error(store + ": cannot be opened as an organisation store (" + HResultToString(hr) + ")",
                         hr);
  return session;
}

const char* KindText(RecipientKind k) {
  switch (k) {
    case RecipientKind::kMailbox: return "mailbox";
    case RecipientKind::kRoom: return "room";
    case RecipientKind::kEquipment: return "equipment";
    case RecipientKind::kDistList: return "list";
  }
  return "?";
}

void PrintMessage(IMessage& msg, const std::string& indent, std::ostream& out) {
  std::vector<SPropValue> props;
  msg.GetProps(nullptr, 0, &props);
  for (const auto& p : props) {
    out << indent << ToString(p);
    // Named properties are shown with their names: ids differ from store to store.
    std::vector<std::optional<MAPINAMEID>> names;
    if (PROP_ID(p.ulPropTag) >= kFirstNamedPropId && msg.GetNamesFromIDs({p.ulPropTag}, 0, &names) == S_OK &&
        names[0])
      out << "  [" << ToString(*names[0]) << "]";
    out << "\n";
  }
  std::shared_ptr<IMAPITable> table;
  SRowSet rows;
  if (msg.GetRecipientTable(0, &table) == S_OK &&
      HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, &rows) == S_OK) {
    for (const auto& r : rows.aRow) {
      out << indent << "recipient:";
      for (const auto& v : r.lpProps)
        if (!v.IsError()) out << " " << ToString(v) << ";";
      out << "\n";
    }
  }
  if (msg.GetAttachmentTable(0, &table) != S_OK) return;
  SPropTagArray cols{PR_ATTACH_NUM};
  if (HrQueryAllRows(table.get(), &cols, nullptr, nullptr, 0, &rows) != S_OK) return;
  for (const auto& r : rows.aRow) {
    std::shared_ptr<IAttach> attach;
    if (!r[0].Long() || msg.OpenAttach(static_cast<ULONG>(*r[0].Long()), nullptr, 0, &attach) != S_OK)
      continue;
    out << indent << "attachment " << *r[0].Long() << ":\n";
    std::vector<SPropValue> ap;
    attach->GetProps(nullptr, 0, &ap);
    for (const auto& p : ap) out << indent << "  " << ToString(p) << "\n";
    std::shared_ptr<IUnknown> unk;
    if (attach->OpenProperty(PR_ATTACH_DATA_OBJ, IID_IMessage, 0, 0, &unk) == S_OK) {
      out << indent << "  embedded message:\n";
      PrintMessage(*mapi_cast<IMessage>(unk), indent + "    ", out);
    }
  }
}

}  // namespace

Status CreateOrganisation(const std::string& store, const std::string& org_file, std::ostream& out) {
  auto file = ReadOrgFile(org_file);
  if (!file.ok()) return file.status();
  auto org = OrgStore::Open(store, OpenMode::kCreate);
  if (!org.ok()) return org.status();
  size_t written = 0;
  Status s = (*org)->Apply(file->spec, [&](IMAPISession& session) -> Status {
    for (size_t i = 0; i < file->appointments.size(); ++i) {
      auto id = WriteAppointment(session, file->appointments[i]);
      if (!id.ok())
        return Status::Error(org_file + ": appointments[" + std::to_string(i) +
                             "]: " + id.status().message());
      ++written;
    }
    return Status::Ok();
  });
  if (!s.ok()) {
    // Spec errors come from the store: name the file they came from.
    if (s.message().rfind(org_file + ":", 0) == 0) return s;
    return Status::Error(org_file + ": " + s.message());
  }
  out << store << ": " << file->spec.servers.size() << " server(s), " << file->spec.recipients.size()
      << " recipient(s), " << file->spec.accounts.size() << " account(s), " << written
      << " appointment(s) written\n";
  return Status::Ok();
}

Status RegisterServers(const std::string& store, const std::string& profile_file, std::ostream& out) {
  auto org = OrgStore::Open(store, OpenMode::kExisting);
  if (!org.ok()) return org.status();
  auto servers = (*org)->ListServers();
  if (!servers.ok()) return servers.status();
  std::string absolute = std::filesystem::absolute(store).string();
  std::string error;
  bool ok = UpdateProfileFile(
      profile_file,
      [&](ProfileData& d) {
        for (const auto& s : *servers) d.servers[s.name] = absolute;
        return true;
      },
      &error);
  if (!ok) return Status::Error(error);
  for (const auto& s : *servers) out << s.name << " -> " << absolute << "\n";
  return Status::Ok();
}

Status List(const std::string& store, const std::string& what, const std::string& mailbox,
            std::ostream& out) {
  auto org = OrgStore::Open(store, OpenMode::kExisting);
  if (!org.ok()) return org.status();
  if (what == "mailboxes") {
    auto list = (*org)->ListRecipients();
    if (!list.ok()) return list.status();
    for (const auto& m : *list)
      out << KindText(m.kind) << "\t" << m.alias << "\t" << m.display_name << "\t" << m.legacy_dn << "\t"
          << (m.server.empty() ? "-" : m.server) << "\t" << (m.smtp.empty() ? "-" : m.smtp) << "\n";
    return Status::Ok();
  }
  if (what == "folders") {
    auto list = (*org)->ListFolders(mailbox);
    if (!list.ok()) return list.status();
    if (list->empty() && !mailbox.empty())
      return Status::Error("\"" + mailbox + "\" is not a mailbox of " + store);
    for (const auto& f : *list)
      out << f.mailbox_alias << "\t" << f.name << "\t" << f.message_count << "\t" << HexFromBin(f.entry_id)
          << "\n";
    return Status::Ok();
  }
  return Status::Error("list what? \"" + what + "\" is neither mailboxes nor folders");
}

Status ShowMessage(const std::string& store, const std::string& entry_id_hex, std::ostream& out) {
  SBinary id;
  if (!FBinFromHex(entry_id_hex, &id))
    return Status::Error("\"" + entry_id_hex + "\" is not a hexadecimal entry identifier");
  auto session = Session(store);
  if (!session.ok()) return session.status();
  ULONG type = 0;
  std::shared_ptr<IUnknown> unk;
  HRESULT hr = (*session)->OpenEntry(id, nullptr, 0, &type, &unk);
  if (FAILED(hr)) return Status::Error("no message " + entry_id_hex + " (" + HResultToString(hr) + ")", hr);
  auto msg = mapi_cast<IMessage>(unk);
  if (!msg) return Status::Error(entry_id_hex + " is not a message");
  PrintMessage(*msg, "", out);
  return Status::Ok();
}

Status AddAppointment(const std::string& store, const AppointmentSpec& spec, std::ostream& out) {
  auto org = OrgStore::Open(store, OpenMode::kExisting);
  if (!org.ok()) return org.status();
  ENTRYID id;
  Status s = (*org)->Apply({}, [&](IMAPISession& session) -> Status {
    auto written = WriteAppointment(session, spec);
    if (!written.ok()) return written.status();
    id = *written;
    return Status::Ok();
  });
  if (!s.ok()) return s;
  out << HexFromBin(id) << "\n";
  return Status::Ok();
}

Status RemoveAppointment(const std::string& store, const std::string& mailbox,
                         const std::string& entry_id_hex, std::ostream& out) {
  SBinary id;
  if (!FBinFromHex(entry_id_hex, &id))
    return Status::Error("\"" + entry_id_hex + "\" is not a hexadecimal entry identifier");
  auto session = Session(store);
  if (!session.ok()) return session.status();
  Status s = DeleteAppointment(**session, mailbox, id);
  if (s.ok()) out << "deleted\n";
  return s;
}

Status ShowInbox(const std::string& store, const std::string& mailbox, bool bodies, std::ostream& out) {
  auto session = Session(store);
  if (!session.ok()) return session.status();
  auto box = OpenMailbox(**session, mailbox);
  if (!box.ok()) return box.status();
  std::shared_ptr<IMAPITable> table;
  HRESULT hr = box->inbox->GetContentsTable(0, &table);
  if (FAILED(hr)) return Status::Error("GetContentsTable failed with Code = " + HResultHex(hr), hr);
  SPropTagArray cols{PR_MESSAGE_DELIVERY_TIME,
                     PR_SENDER_NAME,
                     PR_MESSAGE_CLASS,
                     PR_SUBJECT,
                     PR_DISPLAY_TO,
                     PR_DISPLAY_CC,
                     PR_ENTRYID};
  SRowSet rows;
  hr = HrQueryAllRows(table.get(), &cols, nullptr, nullptr, 0, &rows);
  if (FAILED(hr)) return Status::Error("HrQueryAllRows failed with Code = " + HResultHex(hr), hr);
  auto text = [](const SPropValue& v) { return v.String() ? *v.String() : std::string(); };
  out << rows.cRows() << " message(s) in the Inbox of " << box->display_name << "\n";
  for (const auto& r : rows.aRow) {
    out << "- " << ValueToString(PT_SYSTIME, r[0].Value) << " from " << text(r[1]) << " [" << text(r[2])
        << "] " << text(r[3]) << "\n    to: " << text(r[4]);
    if (!text(r[5]).empty()) out << "; cc: " << text(r[5]);
    out << "\n    id: " << (r[6].Binary() ? HexFromBin(*r[6].Binary()) : "") << "\n";
    if (bodies && r[6].Binary()) {
      ULONG type = 0;
      std::shared_ptr<IUnknown> unk;
      SPropValue body;
      if (box->store->OpenEntry(*r[6].Binary(), nullptr, 0, &type, &unk) == S_OK &&
          HrGetOneProp(mapi_cast<IMessage>(unk).get(), PR_BODY, &body) == S_OK)
        out << "    body: " << *body.String() << "\n";
    }
  }
  return Status::Ok();
}

}  // namespace korvale::orgadmin
