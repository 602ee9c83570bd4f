// The address book: the organisation's directory entries, one-off entries,
// name resolution and distribution-list contents.
#include <algorithm>
#include <mutex>
#include <optional>

#include "common/text.h"
#include "platform/mapi/orgstore/entry_ids.h"
#include "platform/mapi/orgstore/objects.h"

namespace korvale::mapi::orgstore {

namespace {

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == Lower(prefix);
}

class MailUserImpl : public IMailUser,
                     public ReadOnlyProp,
                     public std::enable_shared_from_this<MailUserImpl> {
 public:
  explicit MailUserImpl(std::vector<SPropValue> props) : props_(std::move(props)) {}
  HRESULT QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) override {
    return QueryImpl(this, iid, {IID_IMailUser, IID_IMAPIProp}, out);
  }

 protected:
  std::vector<SPropValue> AllProps() override { return props_; }

 private:
  std::vector<SPropValue> props_;
};

class DistListImpl : public IDistList,
                     public ReadOnlyProp,
                     public std::enable_shared_from_this<DistListImpl> {
 public:
  DistListImpl(std::shared_ptr<Backend> backend, RecipientRow row)
      : backend_(std::move(backend)), row_(std::move(row)) {}
  HRESULT QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) override {
    return QueryImpl(this, iid, {IID_IDistList, IID_IMAPIContainer, IID_IMAPIProp}, out);
  }
  HRESULT GetContentsTable(ULONG, std::shared_ptr<IMAPITable>* table) override {
    if (!table) return MAPI_E_INVALID_PARAMETER;
    auto backend = backend_;
    int64_t id = row_.id;
    *table = std::make_shared<RowTable>(
        [backend, id](const SRestriction*) {
          std::vector<std::vector<SPropValue>> rows;
          for (const auto& m : backend->ListMembers(id)) rows.push_back(backend->AddressBookProps(m));
          return rows;
        },
        SPropTagArray{PR_ENTRYID, PR_DISPLAY_NAME, PR_OBJECT_TYPE, PR_DISPLAY_TYPE});
    return S_OK;
  }
  HRESULT GetHierarchyTable(ULONG, std::shared_ptr<IMAPITable>*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT OpenEntry(const ENTRYID& entry_id, const IID* iid, ULONG flags, ULONG* object_type,
                    std::shared_ptr<IUnknown>* object) override {
    auto ab = MakeAddressBook(backend_);
    return ab->OpenEntry(entry_id, iid, flags, object_type, object);
  }

 protected:
  std::vector<SPropValue> AllProps() override { return backend_->AddressBookProps(row_); }

 private:
  std::shared_ptr<Backend> backend_;
  RecipientRow row_;
};

// The dialog the program installed; one per process, as MAPI's own dialog is.
std::mutex dialog_mutex;
AddressDialog& InstalledDialog() {
  static AddressDialog dialog;
  return dialog;
}

AddressDialog CurrentDialog() {
  std::lock_guard lock(dialog_mutex);
  return InstalledDialog();
}

std::string StringProp(const std::vector<SPropValue>& props, ULONG tag) {
  const SPropValue* p = FindProp(props, PROP_ID(tag));
  return p && p->String() ? *p->String() : std::string();
}

AddressEntry EntryOf(const std::vector<SPropValue>& props) {
  AddressEntry entry;
  entry.display_name = StringProp(props, PR_DISPLAY_NAME);
  entry.email_address = StringProp(props, PR_EMAIL_ADDRESS);
  if (const SPropValue* eid = FindProp(props, PROP_ID(PR_ENTRYID)); eid && eid->Binary())
    entry.entry_id = *eid->Binary();
  if (const SPropValue* type = FindProp(props, PROP_ID(PR_OBJECT_TYPE)); type && type->Long())
    entry.object_type = static_cast<ULONG>(*type->Long());
  return entry;
}

}  // namespace

class AddrBookImpl : public IAddrBook,
                     public ReadOnlyProp,
                     public std::enable_shared_from_this<AddrBookImpl> {
 public:
  explicit AddrBookImpl(std::shared_ptr<Backend> backend) : backend_(std::move(backend)) {}

  HRESULT QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) override {
    return QueryImpl(this, iid, {IID_IAddrBook, IID_IMAPIProp}, out);
  }

  HRESULT OpenEntry(const ENTRYID& entry_id, const IID* iid, ULONG, ULONG* object_type,
                    std::shared_ptr<IUnknown>* object) override {
    if (!object) return MAPI_E_INVALID_PARAMETER;
    if (entry_id.empty()) return last_.Set(MAPI_E_INVALID_PARAMETER, "empty entry identifier");
    return Guarded(last_, [&]() -> HRESULT {
      if (auto ab = ParseAddressBookEid(entry_id)) {
        auto row = backend_->RecipientByDn(ab->dn);
        if (!row) return last_.Set(MAPI_E_UNKNOWN_ENTRYID, "no directory entry " + ab->dn);
        if (row->kind == RecipientKind::kDistList) {
          if (iid && *iid != IID_IDistList && *iid != IID_IMAPIContainer && *iid != IID_IMAPIProp)
            return MAPI_E_INTERFACE_NOT_SUPPORTED;
          *object = std::make_shared<DistListImpl>(backend_, *row);
          if (object_type) *object_type = MAPI_DISTLIST;
        } else {
          if (iid && *iid != IID_IMailUser && *iid != IID_IMAPIProp) return MAPI_E_INTERFACE_NOT_SUPPORTED;
          *object = std::make_shared<MailUserImpl>(backend_->AddressBookProps(*row));
          if (object_type) *object_type = MAPI_MAILUSER;
        }
        return S_OK;
      }
      if (auto one = ParseOneOffEid(entry_id)) {
        std::vector<SPropValue> props{{PR_ENTRYID, entry_id},
                                      {PR_DISPLAY_NAME, one->display_name},
                                      {PR_ADDRTYPE, one->address_type},
                                      {PR_EMAIL_ADDRESS, one->address},
                                      {PR_OBJECT_TYPE, static_cast<int32_t>(MAPI_MAILUSER)},
                                      {PR_DISPLAY_TYPE, static_cast<int32_t>(DT_MAILUSER)}};
        if (Lower(one->address_type) == "smtp") props.emplace_back(PR_SMTP_ADDRESS, one->address);
        *object = std::make_shared<MailUserImpl>(std::move(props));
        if (object_type) *object_type = MAPI_MAILUSER;
        return S_OK;
      }
      return last_.Set(MAPI_E_UNKNOWN_ENTRYID, "the identifier is not one of the address book");
    });
  }

  HRESULT ResolveName(ULONG, ULONG, const std::string&, ADRLIST* list) override {
    if (!list) return MAPI_E_INVALID_PARAMETER;
    return Guarded(last_, [&]() -> HRESULT {
      std::vector<RecipientRow> all;
      bool loaded = false;
      bool ambiguous = false, unresolved = false;
      for (auto& entry : list->aEntries) {
        auto& props = entry.rgPropVals;
        const SPropValue* eid = FindProp(props, PROP_ID(PR_ENTRYID));
        if (eid && eid->Binary() && !eid->Binary()->empty()) continue;
        const SPropValue* name_prop = FindProp(props, PROP_ID(PR_DISPLAY_NAME));
        std::string name = name_prop && name_prop->String() ? *name_prop->String() : std::string();
        std::vector<const RecipientRow*> matches;
        std::optional<RecipientRow> single;
        if (StartsWithNoCase(name, "EX:")) {
          single = backend_->RecipientByDn(name.substr(3));
        } else if (StartsWithNoCase(name, "SMTP:")) {
          single = backend_->RecipientBySmtp(name.substr(5));
        } else if (!name.empty()) {
          if (!loaded) {
            all = backend_->AllRecipients();
            loaded = true;
          }
          std::string key = Lower(name);
          for (const auto& r : all)
            if (Lower(r.display_name) == key) matches.push_back(&r);
          if (matches.empty())
            for (const auto& r : all)
              if (Lower(r.alias) == key || (!r.smtp.empty() && Lower(r.smtp) == key)) matches.push_back(&r);
          if (matches.empty())
            for (const auto& r : all)
              if (StartsWithNoCase(r.display_name, name) || StartsWithNoCase(r.alias, name) ||
                  (!r.smtp.empty() && StartsWithNoCase(r.smtp, name)))
                matches.push_back(&r);
          if (matches.size() == 1) single = *matches.front();
        }
        if (!single) {
          if (matches.size() > 1)
            ambiguous = true;
          else
            unresolved = true;
          continue;
        }
        std::vector<SPropValue> resolved;
        if (const SPropValue* type = FindProp(props, PROP_ID(PR_RECIPIENT_TYPE))) resolved.push_back(*type);
        auto ab = backend_->AddressBookProps(*single);
        for (ULONG tag : {PR_ENTRYID, PR_DISPLAY_NAME, PR_OBJECT_TYPE, PR_DISPLAY_TYPE, PR_ADDRTYPE,
                          PR_EMAIL_ADDRESS, PR_SMTP_ADDRESS, PR_SEARCH_KEY, PR_TRANSMITABLE_DISPLAY_NAME})
          if (const SPropValue* v = FindProp(ab, PROP_ID(tag))) resolved.push_back(*v);
        // Other properties the caller put in the entry stay.
        for (const auto& p : props)
          if (!FindProp(resolved, PROP_ID(p.ulPropTag))) resolved.push_back(p);
        props = std::move(resolved);
      }
      if (ambiguous) return MAPI_E_AMBIGUOUS_RECIP;
      if (unresolved) return MAPI_E_NOT_FOUND;
      return S_OK;
    });
  }

  HRESULT Address(ULONG, const ADRPARM& params, ADRLIST* list) override {
    if (!list || params.lppszDestTitles.size() > 1) return MAPI_E_INVALID_PARAMETER;
    AddressDialog dialog = CurrentDialog();
    if (!dialog) return last_.Set(MAPI_E_NO_SUPPORT, "no address-book dialog is installed");
    return Guarded(last_, [&]() -> HRESULT {
      AddressDialogRequest request;
      request.caption = params.lpszCaption;
      if (!params.lppszDestTitles.empty()) request.well_label = params.lppszDestTitles.front();
      for (const auto& row : backend_->AllRecipients())
        request.directory.push_back(EntryOf(backend_->AddressBookProps(row)));
      ADRLIST opening = *list;
      if (params.ulFlags & AB_RESOLVE) (void)ResolveName(0, 0, "", &opening);
      for (const auto& entry : opening.aEntries) request.selected.push_back(EntryOf(entry.rgPropVals));
      std::optional<std::vector<AddressEntry>> chosen = dialog(request);
      if (!chosen) return MAPI_E_USER_CANCEL;
      *list = Resolved(*chosen);
      return S_OK;
    });
  }

  HRESULT CreateOneOff(const std::string& display_name, const std::string& address_type,
                       const std::string& address, ULONG, ENTRYID* entry_id) override {
    if (!entry_id || address_type.empty() || address.empty()) return MAPI_E_INVALID_PARAMETER;
    *entry_id = MakeOneOffEid({display_name, address_type, address});
    return S_OK;
  }

  HRESULT CompareEntryIDs(const ENTRYID& a, const ENTRYID& b, ULONG, bool* same) override {
    if (!same) return MAPI_E_INVALID_PARAMETER;
    auto x = ParseAddressBookEid(a), y = ParseAddressBookEid(b);
    if (x && y)
      *same = Lower(x->dn) == Lower(y->dn);
    else
      *same = a == b;
    return S_OK;
  }

 protected:
  std::vector<SPropValue> AllProps() override {
    return {{PR_OBJECT_TYPE, static_cast<int32_t>(MAPI_ADDRBOOK)},
            {PR_DISPLAY_NAME, std::string("Global Address List")}};
  }

 private:
  // The dialog's entries as an address list: by entry identifier where the
  // directory knows it, else by name; what resolves to nothing keeps its name.
  ADRLIST Resolved(const std::vector<AddressEntry>& chosen) {
    ADRLIST out;
    for (const auto& entry : chosen) {
      std::vector<SPropValue> props{{PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_TO)}};
      std::optional<RecipientRow> row;
      if (auto ab = entry.entry_id.empty() ? std::nullopt : ParseAddressBookEid(entry.entry_id))
        row = backend_->RecipientByDn(ab->dn);
      if (row) {
        for (const auto& p : backend_->AddressBookProps(*row))
          if (!FindProp(props, PROP_ID(p.ulPropTag))) props.push_back(p);
        out.aEntries.push_back({std::move(props)});
        continue;
      }
      props.emplace_back(PR_DISPLAY_NAME, entry.display_name);
      if (!entry.entry_id.empty() && ParseOneOffEid(entry.entry_id)) {
        // An address outside the directory: the caller opens it by its identifier.
        props.emplace_back(PR_ENTRYID, entry.entry_id);
        out.aEntries.push_back({std::move(props)});
        continue;
      }
      ADRLIST one;
      one.aEntries.push_back({props});
      (void)ResolveName(0, 0, "", &one);
      out.aEntries.push_back(std::move(one.aEntries.front()));
    }
    return out;
  }

  std::shared_ptr<Backend> backend_;
};

std::shared_ptr<IAddrBook> MakeAddressBook(std::shared_ptr<Backend> backend) {
  return std::make_shared<AddrBookImpl>(std::move(backend));
}

}  // namespace korvale::mapi::orgstore

namespace korvale::mapi {

AddressDialog InstallAddressDialog(AddressDialog dialog) {
  std::lock_guard lock(orgstore::dialog_mutex);
  std::swap(orgstore::InstalledDialog(), dialog);
  return dialog;
}

}  // namespace korvale::mapi
