// What every metabase shares: error names and the key handle.
#include "platform/metabase/metabase.h"

namespace korvale::metabase {

const char* ToString(MetabaseError code) {
  switch (code) {
    case MetabaseError::kPathNotFound: return "ERROR_PATH_NOT_FOUND";
    case MetabaseError::kAccessDenied: return "ERROR_ACCESS_DENIED";
    case MetabaseError::kInvalidHandle: return "ERROR_INVALID_HANDLE";
    case MetabaseError::kWriteFault: return "ERROR_WRITE_FAULT";
    case MetabaseError::kReadFault: return "ERROR_READ_FAULT";
    case MetabaseError::kNotSupported: return "ERROR_NOT_SUPPORTED";
    case MetabaseError::kInvalidParameter: return "ERROR_INVALID_PARAMETER";
    case MetabaseError::kPathBusy: return "ERROR_PATH_BUSY";
    case MetabaseError::kAlreadyExists: return "ERROR_ALREADY_EXISTS";
    case MetabaseError::kServiceNotFound: return "ERROR_SERVICE_DOES_NOT_EXIST";
  }
  return "ERROR_UNKNOWN";
}

bool Is(const Status& status, MetabaseError code) {
  return !status.ok() && status.code() == static_cast<int>(code);
}

KeyHandle& KeyHandle::operator=(KeyHandle&& other) noexcept {
  if (this != &other) {
    (void)Close();
    owner_ = other.owner_;
    id_ = other.id_;
    other.owner_ = nullptr;
  }
  return *this;
}

KeyHandle::~KeyHandle() { (void)Close(); }

Status KeyHandle::Close() {
  if (owner_ == nullptr) return Status::Ok();
  MetabaseAdmin* owner = owner_;
  owner_ = nullptr;
  return owner->CloseKey(id_);
}

}  // namespace korvale::metabase
