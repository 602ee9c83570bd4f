// Errors as values between operations.
//
// `Status` carries an expected failure (a code and a human-readable message);
// `Expected<T>` is a value or a Status. Exceptions stay inside an operation and
// are turned into one of these at its boundary.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace korvale {

class [[nodiscard]] Status {
 public:
  Status() = default;  // success
  static Status Ok() { return {}; }
  static Status Error(std::string message, int64_t code = -1) {
    Status s;
    s.ok_ = false;
    s.code_ = code;
    s.message_ = std::move(message);
    return s;
  }

  bool ok() const { return ok_; }
  explicit operator bool() const { return ok_; }
  // A platform-specific number: an HRESULT, an ODBC return code, errno ...
  int64_t code() const { return code_; }
  const std::string& message() const { return message_; }

 private:
  bool ok_ = true;
  int64_t code_ = 0;
  std::string message_;
};

template <typename T>
class [[nodiscard]] Expected {
 public:
  Expected(T value) : v_(std::move(value)) {}       // NOLINT: implicit by design
  Expected(Status error) : v_(std::move(error)) {}  // NOLINT: must not be ok()

  bool ok() const { return std::holds_alternative<T>(v_); }
  explicit operator bool() const { return ok(); }
  T& value() & { return std::get<T>(v_); }
  const T& value() const& { return std::get<T>(v_); }
  T&& value() && { return std::get<T>(std::move(v_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  // The failure; an ok Status when a value is held.
  Status status() const { return ok() ? Status::Ok() : std::get<Status>(v_); }

 private:
  std::variant<T, Status> v_;
};

}  // namespace korvale
