// The metabase kept in a file: handles, the writers' lock and write-through.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

#include "platform/metabase/file_lock.h"
#include "platform/metabase/metabase.h"
#include "platform/metabase/metabase_document.h"

namespace korvale::metabase {
namespace {

Status Refuse(MetabaseError code, const std::string& what) {
  return Status::Error(std::string(ToString(code)) + ": " + what, static_cast<int>(code));
}

struct OpenKeyState {
  std::string path;
  uint32_t permissions = 0;
  bool Writes() const { return (permissions & METADATA_PERMISSION_WRITE) != 0; }
};

class FileMetabase final : public MetabaseAdmin {
 public:
  FileMetabase(std::string file, MetabaseDocument doc) : file_(std::move(file)), doc_(std::move(doc)) {}

  Expected<KeyHandle> OpenKey(std::string_view path, uint32_t permissions, uint32_t timeout_ms) override;
  Status AddKey(const KeyHandle& key, std::string_view child) override;
  Status SetData(const KeyHandle& key, std::string_view relative_path, const MetadataRecord& record) override;
  Expected<MetadataRecord> GetData(const KeyHandle& key, std::string_view relative_path,
                                   uint32_t identifier) override;
  Status CloseKey(uint32_t handle_id) override;
  Status SaveData() override;

 private:
  Status Reload();
  Status BeginWrite(const std::string& path, uint32_t timeout_ms);
  void EndWrite();
  // Applies `change` to a copy and writes the file; keeps the old state when the file refuses.
  template <typename Change>
  Status Commit(Change change);
  Expected<const OpenKeyState*> Writable(const KeyHandle& key);

  std::string file_;
  MetabaseDocument doc_;
  std::map<uint32_t, OpenKeyState> handles_;
  uint32_t next_id_ = 1;
  std::optional<FileLock> lock_;  // held while a write handle is open
  int writers_ = 0;
};

Status FileMetabase::Reload() {
  auto text = ReadWholeFile(file_);
  if (!text.ok()) return text.status();
  auto doc = MetabaseDocument::Parse(*text);
  if (!doc.ok()) return Refuse(MetabaseError::kReadFault, file_ + ": " + doc.status().message());
  doc_ = std::move(*doc);
  return Status::Ok();
}

Status FileMetabase::BeginWrite(const std::string& path, uint32_t timeout_ms) {
  // A writer excludes every other handle on its key, above or below it. Within
  // this single-threaded process nobody could close the other one while we wait.
  for (const auto& [id, open] : handles_) {
    if (PathWithin(path, open.path) || PathWithin(open.path, path)) {
      return Refuse(MetabaseError::kPathBusy, "the key " + open.path + " is open");
    }
  }
  if (writers_ == 0) {
    auto lock = FileLock::Acquire(file_ + ".lock", timeout_ms);
    if (!lock.ok()) return lock.status();
    lock_ = std::move(*lock);
    // Another process may have changed the file while it held the lock.
    if (Status s = Reload(); !s.ok()) {
      lock_.reset();
      return s;
    }
  }
  ++writers_;
  return Status::Ok();
}

void FileMetabase::EndWrite() {
  if (--writers_ == 0) lock_.reset();
}

Expected<KeyHandle> FileMetabase::OpenKey(std::string_view raw_path, uint32_t permissions,
                                          uint32_t timeout_ms) {
  auto path = NormalisePath(raw_path);
  if (!path)
    return Refuse(MetabaseError::kInvalidParameter, "not an absolute key path: " + std::string(raw_path));
  OpenKeyState state{*path, permissions};
  if (state.Writes()) {
    if (Status s = BeginWrite(*path, timeout_ms); !s.ok()) return s;
  } else {
    for (const auto& [id, open] : handles_) {
      if (open.Writes() && (PathWithin(*path, open.path) || PathWithin(open.path, *path))) {
        return Refuse(MetabaseError::kPathBusy, "the key " + open.path + " is open for writing");
      }
    }
    if (writers_ == 0) {
      if (Status s = Reload(); !s.ok()) return s;
    }
  }
  if (doc_.Find(*path) == nullptr) {
    if (state.Writes()) EndWrite();
    return Refuse(MetabaseError::kPathNotFound, "no key " + *path);
  }
  uint32_t id = next_id_++;
  handles_[id] = std::move(state);
  return KeyHandle(this, id);
}

Expected<const OpenKeyState*> FileMetabase::Writable(const KeyHandle& key) {
  auto it = handles_.find(key.id());
  if (it == handles_.end())
    return Refuse(MetabaseError::kInvalidHandle, "handle " + std::to_string(key.id()));
  if (!it->second.Writes())
    return Refuse(MetabaseError::kAccessDenied, it->second.path + " is open for reading");
  return &it->second;
}

template <typename Change>
Status FileMetabase::Commit(Change change) {
  MetabaseDocument before = doc_;
  if (Status s = change(doc_); !s.ok()) return s;
  Status written = ReplaceFile(file_, doc_.Serialize());
  if (!written.ok()) doc_ = std::move(before);
  return written;
}

Status FileMetabase::AddKey(const KeyHandle& key, std::string_view child) {
  auto open = Writable(key);
  if (!open.ok()) return open.status();
  auto path = JoinPath((*open)->path, child);
  if (!path || SamePath(*path, (*open)->path)) {
    return Refuse(MetabaseError::kInvalidParameter, "not a key name: \"" + std::string(child) + "\"");
  }
  return Commit([&](MetabaseDocument& doc) {
    return doc.Add(*path) ? Status::Ok()
                          : Refuse(MetabaseError::kAlreadyExists, "the key " + *path + " exists");
  });
}

Status FileMetabase::SetData(const KeyHandle& key, std::string_view relative_path,
                             const MetadataRecord& record) {
  auto open = Writable(key);
  if (!open.ok()) return open.status();
  if (record.identifier == 0) return Refuse(MetabaseError::kInvalidParameter, "identifier 0");
  auto path = JoinPath((*open)->path, relative_path);
  if (!path) return Refuse(MetabaseError::kInvalidParameter, "not a key path: " + std::string(relative_path));
  return Commit([&](MetabaseDocument& doc) {
    MetabaseKey* target = doc.Find(*path);
    if (target == nullptr) return Refuse(MetabaseError::kPathNotFound, "no key " + *path);
    MetabaseDocument::Set(*target, record);
    return Status::Ok();
  });
}

Expected<MetadataRecord> FileMetabase::GetData(const KeyHandle& key, std::string_view relative_path,
                                               uint32_t identifier) {
  auto it = handles_.find(key.id());
  if (it == handles_.end())
    return Refuse(MetabaseError::kInvalidHandle, "handle " + std::to_string(key.id()));
  auto path = JoinPath(it->second.path, relative_path);
  if (!path) return Refuse(MetabaseError::kInvalidParameter, "not a key path: " + std::string(relative_path));
  const MetabaseKey* target = doc_.Find(*path);
  if (target != nullptr) {
    for (const MetadataRecord& r : target->values) {
      if (r.identifier == identifier) return r;
    }
  }
  return Refuse(MetabaseError::kPathNotFound, "no value " + std::to_string(identifier) + " at " + *path);
}

Status FileMetabase::CloseKey(uint32_t handle_id) {
  auto it = handles_.find(handle_id);
  if (it == handles_.end())
    return Refuse(MetabaseError::kInvalidHandle, "handle " + std::to_string(handle_id));
  bool writes = it->second.Writes();
  handles_.erase(it);
  if (writes) EndWrite();
  return Status::Ok();
}

Status FileMetabase::SaveData() {
  // Every change is in the file already; saving makes it durable.
  int fd = ::open(file_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Refuse(MetabaseError::kWriteFault, file_ + ": " + std::strerror(errno));
  int synced = ::fsync(fd);
  ::close(fd);
  return synced == 0 ? Status::Ok() : Refuse(MetabaseError::kWriteFault, file_ + ": " + std::strerror(errno));
}

}  // namespace

std::string MetabasePathFromEnvironment() {
  const char* named = std::getenv("KORVALE_METABASE");
  return named != nullptr && *named != '\0' ? std::string(named) : std::string(kDefaultMetabasePath);
}

Expected<std::unique_ptr<MetabaseAdmin>> OpenMetabaseFile(const std::string& file) {
  auto text = ReadWholeFile(file);
  if (!text.ok()) return text.status();
  auto doc = MetabaseDocument::Parse(*text);
  if (!doc.ok()) return Refuse(MetabaseError::kReadFault, file + ": " + doc.status().message());
  return std::unique_ptr<MetabaseAdmin>(std::make_unique<FileMetabase>(file, std::move(*doc)));
}

}  // namespace korvale::metabase
