#include "platform/automation/mail_client.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <mutex>

#include "common/text.h"
#include "platform/automation/com.h"
#include "platform/mapi/calendar_named_props.h"
#include "platform/mapi/orgstore/org_store.h"

namespace korvale::automation {

using namespace korvale::mapi;

const CLSID CLSID_KorvaleMailClient = {
    0x4B0F5C11, 0x2E7A, 0x4D39, {0x9C, 0x61, 0x7F, 0x2E, 0x8A, 0x5D, 0x3B, 0x10}};

namespace {

constexpr const char* kSource = "Outlook.Application";
constexpr uint16_t kFailed = 0x1;  // code of the exceptions raised here

std::mutex opened_lock;
std::vector<OpenedCalendar> opened;
CalendarPresenter presenter;  // guarded by opened_lock

struct Profile {
  std::string store, mailbox;
};

std::optional<Profile> RegisteredProfile(const ClassRegistry& registry) {
  auto clsid_text = registry.GetValue(std::string(kMailClientProgId) + "\\CLSID");
  CLSID clsid;
  if (!clsid_text || !GuidFromString(*clsid_text, &clsid)) return std::nullopt;
  auto store = registry.GetValue(ClassKey(clsid), "Store");
  if (!store || store->empty()) return std::nullopt;
  return Profile{*store, registry.GetValue(ClassKey(clsid), "Mailbox").value_or("")};
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string UtcText(FILETIME ft) {
  using namespace std::chrono;
  constexpr int64_t kUnixEpoch = 116444736000000000LL;
  sys_seconds t{seconds{(static_cast<int64_t>(ft) - kUnixEpoch) / 10000000}};
  auto day = floor<days>(t);
  year_month_day ymd{day};
  hh_mm_ss hms{t - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02ld:%02ld", int(ymd.year()), unsigned(ymd.month()),
                unsigned(ymd.day()), long(hms.hours().count()), long(hms.minutes().count()));
  return text;
}

// A method's arguments, checked before the member runs.
HRESULT ExpectArgs(const std::vector<Variant>& args, size_t min, size_t max) {
  return args.size() < min || args.size() > max ? DISP_E_BADPARAMCOUNT : S_OK;
}

void Set(Variant* result, Variant value) {
  if (result) *result = std::move(value);
}

class ExplorerObject : public IDispatch {
 public:
  explicit ExplorerObject(OpenedCalendar calendar) : calendar_(std::move(calendar)) {}
  HRESULT Invoke(DISPID id, uint16_t, const std::vector<Variant>& args, Variant*, EXCEPINFO*) override {
    if (id != outlook::kActivate) return DISP_E_MEMBERNOTFOUND;
    if (HRESULT hr = ExpectArgs(args, 0, 0); FAILED(hr)) return hr;
    CalendarPresenter show;
    {
      std::lock_guard<std::mutex> hold(opened_lock);
      opened.push_back(calendar_);
      show = presenter;
    }
    if (show) {
      show(calendar_);
      return S_OK;
    }
    std::cout << "Calendar of " << calendar_.owner_display_name << " (" << calendar_.owner_address
              << "): " << calendar_.appointments.size() << " appointments (times in UTC)\n";
    for (const auto& line : calendar_.appointments) std::cout << "  " << line << "\n";
    std::cout.flush();
    return S_OK;
  }

 private:
  OpenedCalendar calendar_;
};

class FolderObject : public IDispatch {
 public:
  FolderObject(std::shared_ptr<IMAPIFolder> folder, std::string owner, std::string address)
      : folder_(std::move(folder)), owner_(std::move(owner)), address_(std::move(address)) {}
  HRESULT Invoke(DISPID id, uint16_t, const std::vector<Variant>& args, Variant* result,
                 EXCEPINFO* exception) override {
    if (id != outlook::kGetExplorer) return DISP_E_MEMBERNOTFOUND;
    if (HRESULT hr = ExpectArgs(args, 0, 1); FAILED(hr)) return hr;
    OpenedCalendar calendar{owner_, address_, {}};
    if (!ReadAppointments(&calendar.appointments))
      return RaiseException(exception, kFailed, kSource, "The calendar of " + owner_ + " cannot be read.");
    Set(result, std::shared_ptr<IDispatch>(std::make_shared<ExplorerObject>(std::move(calendar))));
    return S_OK;
  }

 private:
  bool ReadAppointments(std::vector<std::string>* lines) {
    SPropTagArray ids;
    if (FAILED(folder_->GetIDsFromNames(
            {MAPINAMEID::Id(PSETID_Appointment, kLidStart), MAPINAMEID::Id(PSETID_Common, kLidPrivate)}, 0,
            &ids)) ||
        ids.size() != 2)
      return false;
    ULONG start = CHANGE_PROP_TYPE(ids[0], PT_SYSTIME), is_private = CHANGE_PROP_TYPE(ids[1], PT_BOOLEAN);
    std::shared_ptr<IMAPITable> table;
    if (FAILED(folder_->GetContentsTable(0, &table))) return false;
    SPropTagArray columns{start, PR_SUBJECT, is_private};
    SRowSet rows;
    if (FAILED(HrQueryAllRows(table.get(), &columns, nullptr, nullptr, 0, &rows))) return false;
    for (const auto& row : rows.aRow) {
      const SysTime* when = row[0].FileTime();
      const std::string* subject = row[1].String();
      const bool* hidden = std::get_if<bool>(&row[2].Value);
      // Another user's private items show only that they are there.
      std::string text = hidden && *hidden ? "Private Appointment" : subject ? *subject : "";
      lines->push_back((when ? UtcText(when->ft) : std::string(16, ' ')) + "  " + text);
    }
    std::sort(lines->begin(), lines->end());
    return true;
  }

  std::shared_ptr<IMAPIFolder> folder_;
  std::string owner_, address_;
};

class RecipientObject : public IDispatch {
 public:
  RecipientObject(std::shared_ptr<IAddrBook> book, std::string name)
      : book_(std::move(book)), name_(std::move(name)) {}

  HRESULT Invoke(DISPID id, uint16_t flags, const std::vector<Variant>& args, Variant* result,
                 EXCEPINFO*) override {
    if (id == outlook::kResolve && (flags & DISPATCH_METHOD)) {
      if (HRESULT hr = ExpectArgs(args, 0, 0); FAILED(hr)) return hr;
      Set(result, Resolve());
      return S_OK;
    }
    if (id == outlook::kResolved && (flags & DISPATCH_PROPERTYGET)) {
      Set(result, resolved_);
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

  bool Resolve() {
    resolved_ = false;
    if (name_.empty()) return false;
    // A legacy distinguished name is an Exchange address, as the mail client reads it.
    std::string text = StartsWithNoCase(name_, "/o=") ? "EX:" + name_ : name_;
    ADRLIST list{{ADRENTRY{{{PR_DISPLAY_NAME, text}, {PR_RECIPIENT_TYPE, LONG(MAPI_TO)}}}}};
    if (book_->ResolveName(0, 0, "", &list) != S_OK) return false;
    for (const auto& v : list.aEntries[0].rgPropVals) {
      if (v.ulPropTag == PR_ENTRYID && v.Binary()) entry_id_ = *v.Binary();
      if (v.ulPropTag == PR_DISPLAY_NAME && v.String()) display_name_ = *v.String();
      if (v.ulPropTag == PR_EMAIL_ADDRESS && v.String()) address_ = *v.String();
    }
    resolved_ = !entry_id_.empty();
    return resolved_;
  }

  bool resolved() const { return resolved_; }
  const std::string& name() const { return name_; }
  const std::string& display_name() const { return display_name_; }
  const std::string& address() const { return address_; }
  const ENTRYID& entry_id() const { return entry_id_; }

 private:
  std::shared_ptr<IAddrBook> book_;
  std::string name_, display_name_, address_;
  ENTRYID entry_id_;
  bool resolved_ = false;
};

class NamespaceObject : public IDispatch {
 public:
  NamespaceObject(std::shared_ptr<IMAPISession> session, std::shared_ptr<IAddrBook> book)
      : session_(std::move(session)), book_(std::move(book)) {}

  HRESULT Invoke(DISPID id, uint16_t, const std::vector<Variant>& args, Variant* result,
                 EXCEPINFO* exception) override {
    if (id == outlook::kCreateRecipient) {
      if (HRESULT hr = ExpectArgs(args, 1, 1); FAILED(hr)) return hr;
      const auto* name = std::get_if<std::string>(&args[0]);
      if (!name) return DISP_E_TYPEMISMATCH;
      Set(result, std::shared_ptr<IDispatch>(std::make_shared<RecipientObject>(book_, *name)));
      return S_OK;
    }
    if (id == outlook::kGetSharedDefaultFolder) {
      if (HRESULT hr = ExpectArgs(args, 2, 2); FAILED(hr)) return hr;
      const auto* object = std::get_if<std::shared_ptr<IDispatch>>(&args[0]);
      const auto* type = std::get_if<int32_t>(&args[1]);
      auto* recipient = object ? dynamic_cast<RecipientObject*>(object->get()) : nullptr;
      if (!recipient || !type) return DISP_E_TYPEMISMATCH;
      return SharedDefaultFolder(*recipient, *type, result, exception);
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  HRESULT SharedDefaultFolder(RecipientObject& recipient, int32_t type, Variant* result,
                              EXCEPINFO* exception) {
    if (type != outlook::olFolderCalendar)
      return RaiseException(exception, kFailed, kSource,
                            "Only the calendar of another user can be opened here.");
    if (!recipient.resolved() && !recipient.Resolve())
      return RaiseException(exception, kFailed, kSource,
                            "The name \"" + recipient.name() + "\" could not be resolved.");
    auto folder = OpenCalendar(recipient);
    if (!folder)
      return RaiseException(exception, kFailed, kSource,
                            "The calendar of " + recipient.display_name() + " cannot be opened.");
    Set(result, std::shared_ptr<IDispatch>(
                    std::make_shared<FolderObject>(folder, recipient.display_name(), recipient.address())));
    return S_OK;
  }

  std::shared_ptr<IMAPIFolder> OpenCalendar(const RecipientObject& recipient) {
    ULONG type = 0;
    std::shared_ptr<IUnknown> unk;
    if (FAILED(book_->OpenEntry(recipient.entry_id(), nullptr, 0, &type, &unk)) || !unk) return nullptr;
    SPropValue home;
    auto entry = mapi_cast<IMAPIProp>(unk);
    if (!entry || HrGetOneProp(entry.get(), PR_EMS_AB_HOME_MDB, &home) != S_OK || !home.String())
      return nullptr;
    std::shared_ptr<IExchangeManageStore> manage;
    ENTRYID store_id;
    if (HrQueryInterface(*session_, IID_IExchangeManageStore, &manage) != S_OK ||
        manage->CreateStoreEntryID(*home.String(), recipient.address(), OPENSTORE_USE_ADMIN_PRIVILEGE,
                                   &store_id) != S_OK)
      return nullptr;
    std::shared_ptr<IMsgStore> store;
    ENTRYID inbox_id;
    if (session_->OpenMsgStore(0, store_id, nullptr, MDB_NO_DIALOG | MAPI_BEST_ACCESS, &store) != S_OK ||
        store->GetReceiveFolder("", 0, &inbox_id, nullptr) != S_OK ||
        FAILED(store->OpenEntry(inbox_id, nullptr, MAPI_BEST_ACCESS, &type, &unk)))
      return nullptr;
    SPropValue calendar_id;
    auto inbox = mapi_cast<IMAPIProp>(unk);
    if (!inbox || HrGetOneProp(inbox.get(), PR_IPM_APPOINTMENT_ENTRYID, &calendar_id) != S_OK ||
        !calendar_id.Binary() ||
        FAILED(store->OpenEntry(*calendar_id.Binary(), nullptr, MAPI_BEST_ACCESS, &type, &unk)))
      return nullptr;
    return mapi_cast<IMAPIFolder>(unk);
  }

  std::shared_ptr<IMAPISession> session_;
  std::shared_ptr<IAddrBook> book_;
};

class ApplicationObject : public IDispatch {
 public:
  ApplicationObject(std::shared_ptr<IMAPISession> session, std::shared_ptr<IAddrBook> book)
      : session_(std::move(session)), book_(std::move(book)) {}

  HRESULT Invoke(DISPID id, uint16_t, const std::vector<Variant>& args, Variant* result,
                 EXCEPINFO* exception) override {
    if (id != outlook::kGetNamespace) return DISP_E_MEMBERNOTFOUND;
    if (HRESULT hr = ExpectArgs(args, 1, 1); FAILED(hr)) return hr;
    const auto* type = std::get_if<std::string>(&args[0]);
    if (!type) return DISP_E_TYPEMISMATCH;
    if (!StartsWithNoCase(*type, "MAPI") || type->size() != 4)
      return RaiseException(exception, kFailed, kSource, "There is no namespace \"" + *type + "\".");
    Set(result, std::shared_ptr<IDispatch>(std::make_shared<NamespaceObject>(session_, book_)));
    return S_OK;
  }

 private:
  std::shared_ptr<IMAPISession> session_;
  std::shared_ptr<IAddrBook> book_;
};

}  // namespace

void RegisterMailClient(ClassRegistry& registry, const std::string& store_path, const std::string& mailbox) {
  std::string clsid = mapi::ToString(CLSID_KorvaleMailClient);
  registry.SetValue(kMailClientProgId, "", "Mail client application");
  registry.SetValue(std::string(kMailClientProgId) + "\\CLSID", "", clsid);
  registry.SetValue(ClassKey(CLSID_KorvaleMailClient), "", "Mail client application");
  registry.SetValue(ClassKey(CLSID_KorvaleMailClient), "Store", store_path);
  registry.SetValue(ClassKey(CLSID_KorvaleMailClient), "Mailbox", mailbox);
  registry.SetValue(ClassKey(CLSID_KorvaleMailClient) + "\\LocalServer32", "", kMailClientServer);
  registry.SetValue(ClassKey(CLSID_KorvaleMailClient) + "\\ProgID", "", kMailClientProgId);
}

void UnregisterMailClient(ClassRegistry& registry) {
  registry.DeleteTree(kMailClientProgId);
  registry.DeleteTree(ClassKey(CLSID_KorvaleMailClient));
}

HRESULT CreateMailClient(const ClassRegistry& registry, const CLSID&, std::shared_ptr<IDispatch>* object) {
  auto profile = RegisteredProfile(registry);
  if (!profile) return E_FAIL;
  // The client reads other users' folders as the organisation's directory
  // allows it: an administrative session on the store.
  std::shared_ptr<IMAPISession> session;
  std::shared_ptr<IAddrBook> book;
  if (orgstore::OpenOrgStoreSession(profile->store, "", &session) != S_OK ||
      session->OpenAddressBook(0, nullptr, AB_NO_DIALOG, &book) != S_OK)
    return E_FAIL;
  *object = std::make_shared<ApplicationObject>(std::move(session), std::move(book));
  return S_OK;
}

HRESULT LogonMailProfile(std::shared_ptr<IMAPISession>* session) {
  ClassRegistry registry(ClassRegistry::DefaultPath());
  if (!registry.Load().ok()) return MAPI_E_LOGON_FAILED;
  auto profile = RegisteredProfile(registry);
  if (!profile) return MAPI_E_LOGON_FAILED;
  HRESULT hr = orgstore::OpenOrgStoreSession(profile->store, profile->mailbox, session);
  return FAILED(hr) ? MAPI_E_LOGON_FAILED : hr;
}

std::vector<OpenedCalendar> OpenedCalendars() {
  std::lock_guard<std::mutex> hold(opened_lock);
  return opened;
}

void ClearOpenedCalendars() {
  std::lock_guard<std::mutex> hold(opened_lock);
  opened.clear();
}

CalendarPresenter InstallCalendarPresenter(CalendarPresenter next) {
  std::lock_guard<std::mutex> hold(opened_lock);
  std::swap(presenter, next);
  return next;
}

}  // namespace korvale::automation
