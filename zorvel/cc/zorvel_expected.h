#ifndef ZORVEL_CC_ZORVEL_EXPECTED_H_
#define ZORVEL_CC_ZORVEL_EXPECTED_H_

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "logging/zorvel_log_severity.h"
#include "zorvel/c/zorvel_common.h"

// Fatal check of an internal invariant: writes "Zorvel check failed: <expr> at <file>:<line>" to
// standard error and aborts the process.
#define ZORVEL_CHECK(condition)                              \
  do {                                                       \
    if (!(condition)) {                                      \
      ::zorvel::CheckFailed(#condition, __FILE__, __LINE__); \
    }                                                        \
  } while (0)

namespace zorvel {

[[noreturn]] void CheckFailed(const char* expression, const char* file, int line);

class Error;

// Builds an error, picking up this thread's pending error (see ErrorToStatus):
// - a pending error of the same status is taken and cleared; its message is appended after
//   "\n└ " unless either message is empty (the other one wins) or the new message already
//   contains it (the new one stands);
// - a pending error of another status is discarded.
// Status 0 is not an error; it becomes 1 so that no failure can be reported as success.
Error MakeError(ZorvelStatus status, std::string message = {});

// A failure: a non-zero status and a message, possibly empty. Made only through MakeError.
class Error {
 public:
  ZorvelStatus Status() const noexcept { return status_; }
  const std::string& Message() const noexcept { return message_; }

 private:
  friend Error MakeError(ZorvelStatus status, std::string message);
  Error(ZorvelStatus status, std::string message) : status_(status), message_(std::move(message)) {}

  ZorvelStatus status_;
  std::string message_;
};

// Records `error` as this thread's pending error when its message is non-empty (replacing an
// earlier one) and returns its status. This is how a message crosses a function that can only
// return a status: the next MakeError with the same status on this thread picks it up.
ZorvelStatus ErrorToStatus(const Error& error);

// True for a non-zero status. A zero status also clears this thread's pending error.
bool StatusIsFailure(ZorvelStatus status);

// What a failing operation knows at the point of failure.
struct ErrorContext {
  Error error;
  const char* file;
  int32_t line;
  std::optional<std::string> extra;
  ZorvelLogSeverity severity = kZorvelLogSeverityError;
};

// "<SEVERITY>: [<file>:<line>]", then " <extra>" when present and "\n└ <message>" when the
// message is non-empty. Empty when the severity is below the default logger's minimum (below 0
// when the minimum cannot be read).
std::string ErrorContextToText(const ErrorContext& context);

// The standard failure path: the context's error goes to the pending error, and the returned
// error carries the context's text with the raw message chained after it. When the text is
// suppressed by the log level, the returned error carries the raw message alone.
Error ErrorWithContext(ErrorContext context);

// A host read the plug-in cannot do without failed or was impossible (the table or the entry is
// missing). Thrown by the guarded reads of the host wrappers and turned into a status, with one
// ERROR line, by the plug-in entry that made the call; it never crosses the plug-in boundary.
class HostReadError : public std::exception {
 public:
  HostReadError(ZorvelStatus status, std::string message)
      : status_(status == kZorvelStatusOk ? kZorvelStatusErrorInvalidArgument : status),
        message_(std::move(message)) {}

  // The host's status, or 6 for a missing table or entry.
  ZorvelStatus Status() const noexcept { return status_; }
  const char* what() const noexcept override { return message_.c_str(); }
  // Appends where the read happened ("in node ADD_id_4"), as the error travels outward.
  void AddContext(const std::string& context) {
    message_ += ", ";
    message_ += context;
  }

 private:
  ZorvelStatus status_;
  std::string message_;
};

template <typename T>
class [[nodiscard]] Expected {
 public:
  static_assert(!std::is_reference_v<T>, "Expected holds values, not references");
  static_assert(!std::is_same_v<std::decay_t<T>, Error>, "Expected<Error> is ambiguous");

  Expected(const T& value) : storage_(std::in_place_index<0>, value) {}
  Expected(T&& value) : storage_(std::in_place_index<0>, std::move(value)) {}
  template <typename U, typename = std::enable_if_t<std::is_constructible_v<T, U&&> &&
                                                    !std::is_same_v<std::decay_t<U>, T> &&
                                                    !std::is_same_v<std::decay_t<U>, Error> &&
                                                    !std::is_same_v<std::decay_t<U>, Expected>>>
  Expected(U&& value) : storage_(std::in_place_index<0>, std::forward<U>(value)) {}
  template <typename... Args>
  explicit Expected(std::in_place_t, Args&&... args)
      : storage_(std::in_place_index<0>, std::forward<Args>(args)...) {}
  Expected(const Error& error) : storage_(std::in_place_index<1>, error) {}
  Expected(Error&& error) : storage_(std::in_place_index<1>, std::move(error)) {}

  bool HasValue() const noexcept { return storage_.index() == 0; }
  explicit operator bool() const noexcept { return HasValue(); }

  T& Value() & {
    ZORVEL_CHECK(HasValue());
    return *std::get_if<0>(&storage_);
  }
  const T& Value() const& {
    ZORVEL_CHECK(HasValue());
    return *std::get_if<0>(&storage_);
  }
  T&& Value() && {
    ZORVEL_CHECK(HasValue());
    return std::move(*std::get_if<0>(&storage_));
  }
  T& operator*() & { return Value(); }
  const T& operator*() const& { return Value(); }
  T&& operator*() && { return std::move(*this).Value(); }
  T* operator->() { return &Value(); }
  const T* operator->() const { return &Value(); }

  const Error& GetError() const& {
    ZORVEL_CHECK(!HasValue());
    return *std::get_if<1>(&storage_);
  }
  Error&& GetError() && {
    ZORVEL_CHECK(!HasValue());
    return std::move(*std::get_if<1>(&storage_));
  }

  // 0 for a value, else the error's status.
  ZorvelStatus Status() const noexcept {
    return HasValue() ? kZorvelStatusOk : std::get_if<1>(&storage_)->Status();
  }

 private:
  std::variant<T, Error> storage_;
};

template <>
class [[nodiscard]] Expected<void> {
 public:
  Expected() = default;
  Expected(const Error& error) : error_(error) {}
  Expected(Error&& error) : error_(std::move(error)) {}

  bool HasValue() const noexcept { return !error_.has_value(); }
  explicit operator bool() const noexcept { return HasValue(); }

  void Value() const { ZORVEL_CHECK(HasValue()); }

  const Error& GetError() const& {
    ZORVEL_CHECK(!HasValue());
    return *error_;
  }
  Error&& GetError() && {
    ZORVEL_CHECK(!HasValue());
    return std::move(*error_);
  }

  ZorvelStatus Status() const noexcept { return HasValue() ? kZorvelStatusOk : error_->Status(); }

 private:
  std::optional<Error> error_;
};

}  // namespace zorvel

// An Error for a failure at this line, built through the standard ErrorContext path:
//   return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument, "Null options");
//   return ZORVEL_ERROR(host_status, "");  // a failing host call: picks up a pending message
#define ZORVEL_ERROR(status, message)                                                         \
  ::zorvel::ErrorWithContext(::zorvel::ErrorContext{::zorvel::MakeError((status), (message)), \
                                                    __FILE__, __LINE__, std::nullopt,         \
                                                    kZorvelLogSeverityError})

// As ZORVEL_ERROR, with an extra text placed after the source location.
#define ZORVEL_ERROR_WITH_EXTRA(status, message, extra)                                    \
  ::zorvel::ErrorWithContext(                                                              \
      ::zorvel::ErrorContext{::zorvel::MakeError((status), (message)), __FILE__, __LINE__, \
                             std::optional<std::string>(extra), kZorvelLogSeverityError})

#define ZORVEL_INTERNAL_CONCAT_IMPL(a, b) a##b
#define ZORVEL_INTERNAL_CONCAT(a, b) ZORVEL_INTERNAL_CONCAT_IMPL(a, b)

// Returns the error of an Expected expression unchanged; continues on a value.
#define ZORVEL_RETURN_IF_ERROR(expr)                       \
  do {                                                     \
    auto&& zorvel_internal_result = (expr);                \
    if (!zorvel_internal_result.HasValue()) {              \
      return std::move(zorvel_internal_result).GetError(); \
    }                                                      \
  } while (0)

// `ZORVEL_ASSIGN_OR_RETURN(auto x, Read())` declares x from the value, or returns the error.
#define ZORVEL_ASSIGN_OR_RETURN(lhs, expr)                                                      \
  ZORVEL_INTERNAL_ASSIGN_OR_RETURN(ZORVEL_INTERNAL_CONCAT(zorvel_internal_expected_, __LINE__), \
                                   lhs, expr)
#define ZORVEL_INTERNAL_ASSIGN_OR_RETURN(tmp, lhs, expr) \
  auto tmp = (expr);                                     \
  if (!tmp.HasValue()) return std::move(tmp).GetError(); \
  lhs = std::move(tmp).Value()

#endif  // ZORVEL_CC_ZORVEL_EXPECTED_H_
