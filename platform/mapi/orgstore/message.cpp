// Messages (top-level and embedded), their recipients and attachments, and
// property streams.
#include <algorithm>
#include <cstring>

#include "platform/mapi/orgstore/objects.h"

namespace korvale::mapi::orgstore {

namespace {

bool IsReadOnlyMessageProp(ULONG prop_id) {
  switch (prop_id) {
    case PROP_ID(PR_ENTRYID):
    case PROP_ID(PR_STORE_ENTRYID):
    case PROP_ID(PR_PARENT_ENTRYID):
    case PROP_ID(PR_RECORD_KEY):
    case PROP_ID(PR_INSTANCE_KEY):
    case PROP_ID(PR_OBJECT_TYPE):
    case PROP_ID(PR_HASATTACH):
    case PROP_ID(PR_MESSAGE_SIZE):
    case PROP_ID(PR_DISPLAY_TO):
    case PROP_ID(PR_DISPLAY_CC):
    case PROP_ID(PR_DISPLAY_BCC): return true;
  }
  return false;
}

// Applies SetProps to a property list; shared by messages and attachments.
HRESULT ApplySetProps(std::vector<SPropValue>& target, const std::vector<SPropValue>& values,
                      std::vector<SPropProblem>* problems, bool (*read_only)(ULONG)) {
  for (size_t i = 0; i < values.size(); ++i) {
    const SPropValue& v = values[i];
    ULONG type = PROP_TYPE(v.ulPropTag);
    HRESULT problem = S_OK;
    if (type == PT_ERROR || type == PT_OBJECT || type == PT_UNSPECIFIED || type == PT_NULL)
      problem = MAPI_E_INVALID_TYPE;
    else if (!ValueMatchesType(type, v.Value))
      problem = MAPI_E_INVALID_TYPE;
    else if (read_only(PROP_ID(v.ulPropTag)))
      problem = MAPI_E_COMPUTED;
    if (problem != S_OK) {
      if (problems) problems->push_back({static_cast<ULONG>(i), v.ulPropTag, problem});
      continue;
    }
    SetProp(target, v);
  }
  return S_OK;
}

HRESULT ApplyDeleteProps(std::vector<SPropValue>& target, const SPropTagArray& tags,
                         std::vector<SPropProblem>* problems, bool (*read_only)(ULONG)) {
  for (size_t i = 0; i < tags.size(); ++i) {
    if (read_only(PROP_ID(tags[i]))) {
      if (problems) problems->push_back({static_cast<ULONG>(i), tags[i], MAPI_E_COMPUTED});
      continue;
    }
    if (!RemoveProp(target, PROP_ID(tags[i])) && problems)
      problems->push_back({static_cast<ULONG>(i), tags[i], MAPI_E_NOT_FOUND});
  }
  return S_OK;
}

bool IsReadOnlyAttachProp(ULONG prop_id) {
  return prop_id == PROP_ID(PR_ATTACH_NUM) || prop_id == PROP_ID(PR_OBJECT_TYPE) ||
         prop_id == PROP_ID(PR_INSTANCE_KEY);
}

bool Excluded(const SPropTagArray* excluded, ULONG tag) {
  if (!excluded) return false;
  return std::any_of(excluded->begin(), excluded->end(), [&](ULONG t) { return PROP_ID(t) == PROP_ID(tag); });
}

SBinary BytesOf(const SPropValue& v) {
  if (auto b = v.Binary()) return *b;
  if (auto s = v.String()) return SBinary(s->begin(), s->end());
  return {};
}

bool StreamableType(ULONG type) { return type == PT_BINARY || type == PT_STRING8 || type == PT_UNICODE; }

// OpenProperty(IID_IStream) over a property list: the stream commits back
// into the list through `commit`.
HRESULT OpenPropStream(LastError& last, std::vector<SPropValue>& props, ULONG tag, ULONG flags,
                       bool modifiable, StreamImpl::CommitFn commit, std::shared_ptr<IUnknown>* out) {
  if (!StreamableType(PROP_TYPE(tag)))
    return last.Set(MAPI_E_INTERFACE_NOT_SUPPORTED, "not a stream property");
  const SPropValue* p = FindProp(props, PROP_ID(tag));
  bool write = (flags & MAPI_MODIFY) != 0;
  if (write && !modifiable) return last.Set(MAPI_E_NO_ACCESS, "the object is open read-only");
  if (!p && !(flags & MAPI_CREATE)) return last.Set(MAPI_E_NOT_FOUND, TagName(tag) + " is not set");
  SBinary bytes = p && !(flags & MAPI_CREATE) ? BytesOf(*p) : SBinary{};
  *out = std::make_shared<StreamImpl>(std::move(bytes), write, std::move(commit));
  return S_OK;
}

SPropValue FromBytes(ULONG tag, const SBinary& bytes) {
  if (PROP_TYPE(tag) == PT_BINARY) return SPropValue(tag, bytes);
  return SPropValue(tag, std::string(bytes.begin(), bytes.end()));
}

}  // namespace

// ---- StreamImpl ------------------------------------------------------------

HRESULT StreamImpl::QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) {
  return QueryImpl(this, iid, {IID_IStream}, out);
}

HRESULT StreamImpl::Read(void* buffer, ULONG cb, ULONG* read) {
  if (!buffer && cb) return MAPI_E_INVALID_PARAMETER;
  size_t n = pos_ < bytes_.size() ? std::min<size_t>(cb, bytes_.size() - pos_) : 0;
  if (n) std::memcpy(buffer, bytes_.data() + pos_, n);
  pos_ += n;
  if (read) *read = static_cast<ULONG>(n);
  return S_OK;
}

HRESULT StreamImpl::Write(const void* buffer, ULONG cb, ULONG* written) {
  if (!writable_) return MAPI_E_NO_ACCESS;
  if (!buffer && cb) return MAPI_E_INVALID_PARAMETER;
  if (pos_ + cb > bytes_.size()) bytes_.resize(pos_ + cb);
  if (cb) std::memcpy(bytes_.data() + pos_, buffer, cb);
  pos_ += cb;
  if (written) *written = cb;
  return S_OK;
}

HRESULT StreamImpl::Seek(int64_t move, ULONG origin, uint64_t* new_position) {
  int64_t base = origin == STREAM_SEEK_SET   ? 0
                 : origin == STREAM_SEEK_CUR ? static_cast<int64_t>(pos_)
                 : origin == STREAM_SEEK_END ? static_cast<int64_t>(bytes_.size())
                                             : -1;
  if (base < 0 || base + move < 0) return STG_E_INVALIDFUNCTION;
  pos_ = static_cast<size_t>(base + move);
  if (new_position) *new_position = pos_;
  return S_OK;
}

HRESULT StreamImpl::SetSize(uint64_t size) {
  if (!writable_) return MAPI_E_NO_ACCESS;
  bytes_.resize(static_cast<size_t>(size));
  return S_OK;
}

HRESULT StreamImpl::Stat(STATSTG* stat, ULONG) {
  if (!stat) return MAPI_E_INVALID_PARAMETER;
  stat->cbSize = bytes_.size();
  return S_OK;
}

HRESULT StreamImpl::Commit(ULONG) {
  if (writable_ && commit_) commit_(bytes_);
  return S_OK;
}

// ---- MessageImpl ---------------------------------------------------------

MessageImpl::MessageImpl(std::shared_ptr<StoreImpl> store, int64_t folder_id, int64_t message_id,
                         MessageData data, bool modifiable)
    : store_(std::move(store)),
      folder_id_(folder_id),
      message_id_(message_id),
      data_(std::move(data)),
      modifiable_(modifiable) {}

MessageImpl::MessageImpl(std::shared_ptr<StoreImpl> store, MessageData data, bool modifiable,
                         std::function<void(const MessageData&)> save_into_owner)
    : store_(std::move(store)),
      data_(std::move(data)),
      modifiable_(modifiable),
      save_into_owner_(std::move(save_into_owner)) {}

HRESULT MessageImpl::QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) {
  return QueryImpl(this, iid, {IID_IMessage, IID_IMAPIProp}, out);
}

HRESULT MessageImpl::GetLastError(HRESULT, ULONG, std::optional<MAPIERROR>* error) {
  return last_.Get(error);
}

HRESULT MessageImpl::CheckWritable() {
  if (closed_) return last_.Set(MAPI_E_INVALID_OBJECT, "the message was saved or submitted and closed");
  if (!modifiable_) return last_.Set(MAPI_E_NO_ACCESS, "the message is open read-only");
  return S_OK;
}

std::vector<SPropValue> MessageImpl::AllProps() {
  std::vector<SPropValue> props = data_.props;
  if (message_id_)
    store_->AddMessageIdentity(props, folder_id_, message_id_);
  else
    SetProp(props, {PR_OBJECT_TYPE, static_cast<int32_t>(MAPI_MESSAGE)});
  SetProp(props, {PR_STORE_ENTRYID, store_->backend().StoreEntryId(store_->row())});
  SetProp(props, {PR_HASATTACH, !data_.attachments.empty()});
  return props;
}

HRESULT MessageImpl::GetProps(const SPropTagArray* tags, ULONG, std::vector<SPropValue>* values) {
  return Guarded(last_, [&] { return GetPropsFrom(AllProps(), tags, values); });
}

HRESULT MessageImpl::GetPropList(ULONG, SPropTagArray* tags) {
  if (!tags) return MAPI_E_INVALID_PARAMETER;
  return Guarded(last_, [&] {
    tags->clear();
    for (const auto& p : AllProps()) tags->push_back(p.ulPropTag);
    return S_OK;
  });
}

HRESULT MessageImpl::SetProps(const std::vector<SPropValue>& values, std::vector<SPropProblem>* problems) {
  if (HRESULT hr = CheckWritable(); FAILED(hr)) return hr;
  return ApplySetProps(data_.props, values, problems, IsReadOnlyMessageProp);
}

HRESULT MessageImpl::DeleteProps(const SPropTagArray& tags, std::vector<SPropProblem>* problems) {
  if (HRESULT hr = CheckWritable(); FAILED(hr)) return hr;
  return ApplyDeleteProps(data_.props, tags, problems, IsReadOnlyMessageProp);
}

HRESULT MessageImpl::SaveChanges(ULONG flags) {
  if (HRESULT hr = CheckWritable(); FAILED(hr)) return hr;
  return Guarded(last_, [&]() -> HRESULT {
    if (save_into_owner_) {
      save_into_owner_(data_);
    } else {
      message_id_ = store_->backend().SaveMessage(store_->row().id, folder_id_, message_id_, data_);
    }
    if (!(flags & (KEEP_OPEN_READWRITE | KEEP_OPEN_READONLY))) closed_ = true;
    if (flags & KEEP_OPEN_READONLY) modifiable_ = false;
    return S_OK;
  });
}

HRESULT MessageImpl::OpenProperty(ULONG tag, const IID& iid, ULONG, ULONG flags,
                                  std::shared_ptr<IUnknown>* out) {
  if (!out) return MAPI_E_INVALID_PARAMETER;
  if (iid != IID_IStream) return last_.Set(MAPI_E_INTERFACE_NOT_SUPPORTED, "only streams can be opened here");
  if ((flags & MAPI_MODIFY) && FAILED(CheckWritable())) return MAPI_E_NO_ACCESS;
  auto self = shared_from_this();
  return OpenPropStream(
      last_, data_.props, tag, flags, modifiable_,
      [self, tag](const SBinary& bytes) { SetProp(self->data_.props, FromBytes(tag, bytes)); }, out);
}

HRESULT MessageImpl::CopyTo(const SPropTagArray* excluded, const IID&, IMAPIProp* destination, ULONG flags,
                            std::vector<SPropProblem>*) {
  auto* dest = dynamic_cast<MessageImpl*>(destination);
  if (!dest) return last_.Set(MAPI_E_INVALID_PARAMETER, "the destination is not a message");
  if (HRESULT hr = dest->CheckWritable(); FAILED(hr)) return hr;
  MessageData src = data_.Clone();
  // Named properties keep their names: a destination in another store gets
  // the ids that store gives the same names.
  bool same_store = dest->store_->row().id == store_->row().id;
  return Guarded(last_, [&]() -> HRESULT {
    for (auto& p : src.props) {
      if (Excluded(excluded, p.ulPropTag) || IsReadOnlyMessageProp(PROP_ID(p.ulPropTag))) continue;
      SPropValue v = p;
      if (!same_store && PROP_ID(p.ulPropTag) >= kFirstNamedPropId) {
        auto name = store_->backend().GetNameFromId(store_->row().id, PROP_ID(p.ulPropTag));
        if (!name) continue;
        auto ids = dest->store_->backend().GetIdsFromNames(dest->store_->row().id, {*name}, true);
        v.ulPropTag = PROP_TAG(PROP_TYPE(p.ulPropTag), ids[0]);
      }
      if ((flags & MAPI_NOREPLACE) && FindProp(dest->data_.props, PROP_ID(v.ulPropTag))) continue;
      SetProp(dest->data_.props, std::move(v));
    }
    if (!Excluded(excluded, PR_MESSAGE_RECIPIENTS)) {
      dest->data_.recipients = src.recipients;
      dest->data_.next_row_id = src.next_row_id;
    }
    if (!Excluded(excluded, PR_MESSAGE_ATTACHMENTS)) {
      dest->data_.attachments = src.attachments;
      dest->data_.next_attach_num = src.next_attach_num;
    }
    return S_OK;
  });
}

HRESULT MessageImpl::GetIDsFromNames(const std::vector<MAPINAMEID>& names, ULONG flags, SPropTagArray* tags) {
  return store_->NamesToIds(last_, names, flags, tags);
}
HRESULT MessageImpl::GetNamesFromIDs(const SPropTagArray& tags, ULONG,
                                     std::vector<std::optional<MAPINAMEID>>* names) {
  return store_->IdsToNames(last_, tags, names);
}

HRESULT MessageImpl::GetRecipientTable(ULONG, std::shared_ptr<IMAPITable>* table) {
  if (!table) return MAPI_E_INVALID_PARAMETER;
  *table = RowTable::Fixed(data_.recipients, {PR_ROWID, PR_DISPLAY_NAME, PR_RECIPIENT_TYPE, PR_ENTRYID,
                                              PR_ADDRTYPE, PR_EMAIL_ADDRESS});
  return S_OK;
}

HRESULT MessageImpl::ModifyRecipients(ULONG flags, const ADRLIST& mods) {
  if (HRESULT hr = CheckWritable(); FAILED(hr)) return hr;
  auto row_id_of = [](const std::vector<SPropValue>& props) -> std::optional<int32_t> {
    const SPropValue* p = FindProp(props, PROP_ID(PR_ROWID));
    if (!p || !p->Long()) return std::nullopt;
    return *p->Long();
  };
  if (flags & (MODRECIP_MODIFY | MODRECIP_REMOVE)) {
    for (const auto& e : mods.aEntries)
      if (!row_id_of(e.rgPropVals))
        return last_.Set(MAPI_E_INVALID_PARAMETER, "a recipient without PR_ROWID");
    for (const auto& e : mods.aEntries) {
      int32_t id = *row_id_of(e.rgPropVals);
      auto it = std::find_if(data_.recipients.begin(), data_.recipients.end(),
                             [&](const auto& r) { return row_id_of(r) == id; });
      if (it == data_.recipients.end()) continue;
      if (flags & MODRECIP_REMOVE)
        data_.recipients.erase(it);
      else
        *it = e.rgPropVals;
    }
    return S_OK;
  }
  for (const auto& e : mods.aEntries) {
    const SPropValue* type = FindProp(e.rgPropVals, PROP_ID(PR_RECIPIENT_TYPE));
    if (!type || !type->Long())
      return last_.Set(MAPI_E_INVALID_PARAMETER, "a recipient without PR_RECIPIENT_TYPE");
  }
  if (!(flags & MODRECIP_ADD)) {
    data_.recipients.clear();
  }
  for (const auto& e : mods.aEntries) {
    std::vector<SPropValue> props;
    for (const auto& v : e.rgPropVals)
      if (!v.IsError() && PROP_ID(v.ulPropTag) != PROP_ID(PR_ROWID)) props.push_back(v);
    props.emplace_back(PR_ROWID, static_cast<int32_t>(data_.next_row_id++));
    data_.recipients.push_back(std::move(props));
  }
  return S_OK;
}

HRESULT MessageImpl::GetAttachmentTable(ULONG, std::shared_ptr<IMAPITable>* table) {
  if (!table) return MAPI_E_INVALID_PARAMETER;
  std::vector<std::vector<SPropValue>> rows;
  for (const auto& a : data_.attachments) {
    std::vector<SPropValue> row;
    for (const auto& p : a.props)
      if (PROP_ID(p.ulPropTag) != PROP_ID(PR_ATTACH_DATA_BIN)) row.push_back(p);
    SetProp(row, {PR_ATTACH_NUM, static_cast<int32_t>(a.num)});
    SetProp(row, {PR_OBJECT_TYPE, static_cast<int32_t>(MAPI_ATTACH)});
    if (!FindProp(row, PROP_ID(PR_ATTACH_METHOD)))
      SetProp(row,
              {PR_ATTACH_METHOD, static_cast<int32_t>(a.embedded ? ATTACH_EMBEDDED_MSG : NO_ATTACHMENT)});
    rows.push_back(std::move(row));
  }
  *table = RowTable::Fixed(std::move(rows), {PR_ATTACH_NUM, PR_ATTACH_METHOD, PR_DISPLAY_NAME});
  return S_OK;
}

HRESULT MessageImpl::OpenAttach(ULONG attach_num, const IID*, ULONG flags, std::shared_ptr<IAttach>* attach) {
  if (!attach) return MAPI_E_INVALID_PARAMETER;
  auto it = std::find_if(data_.attachments.begin(), data_.attachments.end(),
                         [&](const AttachmentData& a) { return a.num == attach_num; });
  if (it == data_.attachments.end())
    return last_.Set(MAPI_E_NOT_FOUND, "no attachment " + std::to_string(attach_num));
  bool modify = modifiable_ && (flags & (MAPI_MODIFY | MAPI_BEST_ACCESS));
  AttachmentData copy = *it;
  if (copy.embedded) copy.embedded = std::make_shared<MessageData>(copy.embedded->Clone());
  *attach = std::make_shared<AttachImpl>(shared_from_this(), store_, std::move(copy), modify);
  return S_OK;
}

HRESULT MessageImpl::CreateAttach(const IID*, ULONG, ULONG* attach_num, std::shared_ptr<IAttach>* attach) {
  if (!attach) return MAPI_E_INVALID_PARAMETER;
  if (HRESULT hr = CheckWritable(); FAILED(hr)) return hr;
  AttachmentData a;
  a.num = data_.next_attach_num++;
  if (attach_num) *attach_num = a.num;
  *attach = std::make_shared<AttachImpl>(shared_from_this(), store_, std::move(a), true);
  return S_OK;
}

HRESULT MessageImpl::DeleteAttach(ULONG attach_num, ULONG) {
  if (HRESULT hr = CheckWritable(); FAILED(hr)) return hr;
  auto it = std::find_if(data_.attachments.begin(), data_.attachments.end(),
                         [&](const AttachmentData& a) { return a.num == attach_num; });
  if (it == data_.attachments.end())
    return last_.Set(MAPI_E_NOT_FOUND, "no attachment " + std::to_string(attach_num));
  data_.attachments.erase(it);
  return S_OK;
}

HRESULT MessageImpl::SubmitMessage(ULONG) {
  if (HRESULT hr = CheckWritable(); FAILED(hr)) return hr;
  if (save_into_owner_) return last_.Set(MAPI_E_NO_SUPPORT, "an embedded message cannot be submitted");
  if (data_.recipients.empty()) return last_.Set(MAPI_E_NO_RECIPIENTS, "the message has no recipients");
  return Guarded(last_, [&]() -> HRESULT {
    Backend& b = store_->backend();
    b.db().Transaction([&] {
      message_id_ = b.SaveMessage(store_->row().id, folder_id_, message_id_, data_);
      b.Submit(store_->row(), message_id_, data_);
    });
    closed_ = true;
    return S_OK;
  });
}

HRESULT MessageImpl::SetReadFlag(ULONG flags) {
  (void)flags;
  int32_t f = 0;
  if (const SPropValue* p = FindProp(data_.props, PROP_ID(PR_MESSAGE_FLAGS)); p && p->Long()) f = *p->Long();
  SetProp(data_.props, {PR_MESSAGE_FLAGS, static_cast<int32_t>(f | MSGFLAG_READ)});
  if (!message_id_ || save_into_owner_) return S_OK;
  return Guarded(last_, [&] {
    store_->backend().SaveMessage(store_->row().id, folder_id_, message_id_, data_);
    return S_OK;
  });
}

// ---- AttachImpl ---------------------------------------------------------------

AttachImpl::AttachImpl(std::shared_ptr<MessageImpl> parent, std::shared_ptr<StoreImpl> store,
                       AttachmentData data, bool modifiable)
    : parent_(std::move(parent)), store_(std::move(store)), data_(std::move(data)), modifiable_(modifiable) {}

HRESULT AttachImpl::QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) {
  return QueryImpl(this, iid, {IID_IAttachment, IID_IMAPIProp}, out);
}

HRESULT AttachImpl::GetLastError(HRESULT, ULONG, std::optional<MAPIERROR>* error) { return last_.Get(error); }

std::vector<SPropValue> AttachImpl::AllProps() const {
  std::vector<SPropValue> props = data_.props;
  SetProp(props, {PR_ATTACH_NUM, static_cast<int32_t>(data_.num)});
  SetProp(props, {PR_OBJECT_TYPE, static_cast<int32_t>(MAPI_ATTACH)});
  if (data_.embedded && !FindProp(props, PROP_ID(PR_ATTACH_DATA_OBJ)))
    props.emplace_back(PR_ATTACH_DATA_OBJ, PropObject{});
  return props;
}

HRESULT AttachImpl::GetProps(const SPropTagArray* tags, ULONG, std::vector<SPropValue>* values) {
  return GetPropsFrom(AllProps(), tags, values);
}

HRESULT AttachImpl::GetPropList(ULONG, SPropTagArray* tags) {
  if (!tags) return MAPI_E_INVALID_PARAMETER;
  tags->clear();
  for (const auto& p : AllProps()) tags->push_back(p.ulPropTag);
  return S_OK;
}

HRESULT AttachImpl::SetProps(const std::vector<SPropValue>& values, std::vector<SPropProblem>* problems) {
  if (!modifiable_) return last_.Set(MAPI_E_NO_ACCESS, "the attachment is open read-only");
  return ApplySetProps(data_.props, values, problems, IsReadOnlyAttachProp);
}

HRESULT AttachImpl::DeleteProps(const SPropTagArray& tags, std::vector<SPropProblem>* problems) {
  if (!modifiable_) return last_.Set(MAPI_E_NO_ACCESS, "the attachment is open read-only");
  return ApplyDeleteProps(data_.props, tags, problems, IsReadOnlyAttachProp);
}

HRESULT AttachImpl::SaveChanges(ULONG) {
  if (!modifiable_) return last_.Set(MAPI_E_NO_ACCESS, "the attachment is open read-only");
  if (HRESULT hr = parent_->CheckWritable(); FAILED(hr)) return hr;
  auto& list = parent_->data().attachments;
  AttachmentData saved = data_;
  if (saved.embedded) saved.embedded = std::make_shared<MessageData>(saved.embedded->Clone());
  auto it =
      std::find_if(list.begin(), list.end(), [&](const AttachmentData& a) { return a.num == data_.num; });
  if (it == list.end())
    list.push_back(std::move(saved));
  else
    *it = std::move(saved);
  return S_OK;
}

HRESULT AttachImpl::OpenProperty(ULONG tag, const IID& iid, ULONG, ULONG flags,
                                 std::shared_ptr<IUnknown>* out) {
  if (!out) return MAPI_E_INVALID_PARAMETER;
  auto self = shared_from_this();
  if (PROP_ID(tag) == PROP_ID(PR_ATTACH_DATA_OBJ) && iid == IID_IMessage) {
    if (!data_.embedded) {
      if (!(flags & MAPI_CREATE)) return last_.Set(MAPI_E_NOT_FOUND, "the attachment holds no message");
      if (!modifiable_) return last_.Set(MAPI_E_NO_ACCESS, "the attachment is open read-only");
      data_.embedded = std::make_shared<MessageData>();
    }
    bool write = modifiable_ && (flags & (MAPI_MODIFY | MAPI_CREATE | MAPI_BEST_ACCESS));
    *out = std::make_shared<MessageImpl>(
        store_, data_.embedded->Clone(), write,
        [self](const MessageData& d) { self->data_.embedded = std::make_shared<MessageData>(d.Clone()); });
    return S_OK;
  }
  if (iid != IID_IStream) return last_.Set(MAPI_E_INTERFACE_NOT_SUPPORTED, "unsupported property interface");
  return OpenPropStream(
      last_, data_.props, tag, flags, modifiable_,
      [self, tag](const SBinary& bytes) { SetProp(self->data_.props, FromBytes(tag, bytes)); }, out);
}

HRESULT AttachImpl::CopyTo(const SPropTagArray* excluded, const IID&, IMAPIProp* destination, ULONG,
                           std::vector<SPropProblem>*) {
  auto* dest = dynamic_cast<AttachImpl*>(destination);
  if (!dest || !dest->modifiable_)
    return last_.Set(MAPI_E_INVALID_PARAMETER, "the destination is not a writable attachment");
  for (const auto& p : data_.props)
    if (!Excluded(excluded, p.ulPropTag)) SetProp(dest->data_.props, p);
  if (data_.embedded && !Excluded(excluded, PR_ATTACH_DATA_OBJ))
    dest->data_.embedded = std::make_shared<MessageData>(data_.embedded->Clone());
  return S_OK;
}

HRESULT AttachImpl::GetIDsFromNames(const std::vector<MAPINAMEID>& names, ULONG flags, SPropTagArray* tags) {
  return store_->NamesToIds(last_, names, flags, tags);
}
HRESULT AttachImpl::GetNamesFromIDs(const SPropTagArray& tags, ULONG,
                                    std::vector<std::optional<MAPINAMEID>>* names) {
  return store_->IdsToNames(last_, tags, names);
}

}  // namespace korvale::mapi::orgstore
