// The web server's metabase: a tree of keys that hold typed values.
//
// `MetabaseAdmin` is what a program asks of the metabase: open a key with
// read or write permission (waiting up to a timeout for another writer), add
// a child key, set a DWORD or string value, close the key, save. Every failure
// is a Status whose code is the system error number the operation reports
// (`MetabaseError`). `ApplicationAdmin` creates a web application for a key;
// it is a separate service that may be missing from a machine.
//
// Here the metabase is a plain-text file (metabase_document.h describes it):
// every change reaches the file when it is made, under a lock file beside it,
// so a refused write is reported by the call that made it.
//
//   auto admin = OpenMetabaseFile(MetabasePathFromEnvironment());
//   if (!admin.ok()) return Unavailable;
//   auto root = (*admin)->OpenKey("/LM/W3SVC/1/ROOT", METADATA_PERMISSION_READ | METADATA_PERMISSION_WRITE,
//   60000); if (root.ok()) Status s = (*admin)->AddKey(*root, "Korvale");
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "common/status.h"

namespace korvale::metabase {

// Where the metabase file is when KORVALE_METABASE does not name one.
inline constexpr char kDefaultMetabasePath[] = "/var/lib/korvale/metabase.txt";

// Permissions of OpenKey, attributes and data types as the metabase publishes them.
inline constexpr uint32_t METADATA_PERMISSION_READ = 0x1;
inline constexpr uint32_t METADATA_PERMISSION_WRITE = 0x2;
inline constexpr uint32_t METADATA_NO_ATTRIBUTES = 0x0;
inline constexpr uint32_t METADATA_INHERIT = 0x1;
inline constexpr uint32_t DWORD_METADATA = 1;
inline constexpr uint32_t STRING_METADATA = 2;

// The codes a refused call reports (system error numbers).
enum class MetabaseError : int {
  kPathNotFound = 3,        // ERROR_PATH_NOT_FOUND: no such key
  kAccessDenied = 5,        // ERROR_ACCESS_DENIED: the handle lacks write permission
  kInvalidHandle = 6,       // ERROR_INVALID_HANDLE: closed or unknown handle
  kWriteFault = 29,         // ERROR_WRITE_FAULT: the metabase file could not be written
  kReadFault = 30,          // ERROR_READ_FAULT: the metabase file could not be read
  kNotSupported = 50,       // ERROR_NOT_SUPPORTED: a data type other than DWORD or string
  kInvalidParameter = 87,   // ERROR_INVALID_PARAMETER: an empty or malformed name
  kPathBusy = 148,          // ERROR_PATH_BUSY: another writer kept the key past the timeout
  kAlreadyExists = 183,     // ERROR_ALREADY_EXISTS: the key to add exists
  kServiceNotFound = 1060,  // ERROR_SERVICE_DOES_NOT_EXIST: no application service
};
// The symbolic name, for messages and tests ("ERROR_ALREADY_EXISTS").
const char* ToString(MetabaseError code);
// True when `status` failed with `code`.
bool Is(const Status& status, MetabaseError code);

// One value of a key. The data is a DWORD or a string (bytes as given).
struct MetadataRecord {
  uint32_t identifier = 0;
  uint32_t attributes = METADATA_NO_ATTRIBUTES;
  uint32_t user_type = 0;
  std::variant<uint32_t, std::string> data;
  uint32_t DataType() const { return data.index() == 0 ? DWORD_METADATA : STRING_METADATA; }
  bool operator==(const MetadataRecord&) const = default;
};

class MetabaseAdmin;

// An open key; closed when the object goes (or by Close, which reports).
class KeyHandle {
 public:
  KeyHandle(MetabaseAdmin* owner, uint32_t id) : owner_(owner), id_(id) {}
  KeyHandle(KeyHandle&& other) noexcept : owner_(other.owner_), id_(other.id_) { other.owner_ = nullptr; }
  KeyHandle& operator=(KeyHandle&& other) noexcept;
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  ~KeyHandle();
  uint32_t id() const { return id_; }
  Status Close();

 private:
  MetabaseAdmin* owner_;
  uint32_t id_;
};

class MetabaseAdmin {
 public:
  virtual ~MetabaseAdmin() = default;
  // Opens the key at the absolute `path` ("/LM/W3SVC/1/ROOT"; names compared
  // without regard to case). A handle with write permission excludes every
  // other writer; it waits up to `timeout_ms` for one to close, then fails
  // with kPathBusy. A missing key is kPathNotFound.
  virtual Expected<KeyHandle> OpenKey(std::string_view path, uint32_t permissions, uint32_t timeout_ms) = 0;
  // Adds `child` (one or more names separated by "/") below the key; fails with
  // kAlreadyExists when it exists, kInvalidParameter when it is empty.
  virtual Status AddKey(const KeyHandle& key, std::string_view child) = 0;
  // Sets a value of the key, or of the existing key at `relative_path` below it.
  virtual Status SetData(const KeyHandle& key, std::string_view relative_path,
                         const MetadataRecord& record) = 0;
  // Reads a value; kPathNotFound when the key or the identifier is missing.
  virtual Expected<MetadataRecord> GetData(const KeyHandle& key, std::string_view relative_path,
                                           uint32_t identifier) = 0;
  virtual Status CloseKey(uint32_t handle_id) = 0;
  // Makes the metabase durable.
  virtual Status SaveData() = 0;
};

class ApplicationAdmin {
 public:
  virtual ~ApplicationAdmin() = default;
  // Makes the existing key at `path` the root of a web application, run in the
  // server's process when `in_process` is true.
  virtual Status AppCreate(std::string_view path, bool in_process) = 0;
};

// KORVALE_METABASE when set and not empty, else kDefaultMetabasePath.
std::string MetabasePathFromEnvironment();

// Opens the metabase kept in `file`. A missing, unreadable or malformed file
// is reported (kReadFault, with the reason) and never rewritten.
Expected<std::unique_ptr<MetabaseAdmin>> OpenMetabaseFile(const std::string& file);

// The application service of the metabase. It is installed when the key
// kApplicationServiceKey exists; otherwise kServiceNotFound.
inline constexpr char kApplicationServiceKey[] = "/LM/W3SVC/AppPools";
Expected<std::unique_ptr<ApplicationAdmin>> CreateApplicationAdmin(MetabaseAdmin& admin);

}  // namespace korvale::metabase
