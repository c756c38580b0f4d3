#ifndef ZORVEL_CC_INTERNAL_ZORVEL_DETAIL_H_
#define ZORVEL_CC_INTERNAL_ZORVEL_DETAIL_H_

// Checks around host API calls. Two kinds of read exist:
// - guarded reads, whose success the code requires: a missing table or entry leaves the caller's
//   neutral value, a non-zero status ends the process through the fatal check;
// - status reads: a missing table or entry yields a status (6, or 3 for composite options), a
//   non-zero status from the host becomes an Expected error through the ErrorContext path.

#include "zorvel/c/zorvel_common.h"
#include "zorvel/c/zorvel_host_api.h"
#include "zorvel/cc/zorvel_expected.h"

// Fatal check that a host call returned `expected_status`.
#define ZORVEL_CHECK_STATUS_EQ(status_expr, expected_status)               \
  do {                                                                     \
    const ZorvelStatus zorvel_internal_status = (status_expr);             \
    const ZorvelStatus zorvel_internal_expected = (expected_status);       \
    if (zorvel_internal_status != zorvel_internal_expected) {              \
      ::zorvel::CheckFailed("(status) == (expected)", __FILE__, __LINE__); \
    }                                                                      \
  } while (0)

// Guarded read: calls `api->entry(args...)` when the table and the entry are there and requires
// success. Evaluates to true when the call was made; when it was not, the out values keep the
// neutral values the caller set.
#define ZORVEL_GUARDED_HOST_CALL(api, entry, ...) \
  ::zorvel::internal::GuardedHostCall((api), &HostApiTable::entry, __FILE__, __LINE__, __VA_ARGS__)

// Status read: evaluates to an Expected<void>. A missing table or entry gives `missing_status`; a
// non-zero host status becomes an error made from that status and an empty message, so a message
// left pending under the same status on this thread is picked up.
#define ZORVEL_HOST_CALL(missing_status, api, entry, ...)                                       \
  ::zorvel::internal::HostCall((missing_status), (api), &HostApiTable::entry, #entry, __FILE__, \
                               __LINE__, __VA_ARGS__)

namespace zorvel {
namespace internal {

template <typename Entry>
bool HasEntry(const HostApiTable* api, Entry HostApiTable::*entry) {
  return api != nullptr && api->*entry != nullptr;
}

template <typename Entry, typename... Args>
bool GuardedHostCall(const HostApiTable* api, Entry HostApiTable::*entry, const char* file,
                     int line, Args... args) {
  if (!HasEntry(api, entry)) return false;
  if ((api->*entry)(args...) != kZorvelStatusOk) {
    CheckFailed("(status) == (expected)", file, line);
  }
  return true;
}

template <typename Entry, typename... Args>
Expected<void> HostCall(ZorvelStatus missing_status, const HostApiTable* api,
                        Entry HostApiTable::*entry, const char* entry_name, const char* file,
                        int line, Args... args) {
  if (!HasEntry(api, entry)) {
    return ErrorWithContext(
        ErrorContext{MakeError(missing_status, std::string("Missing host API entry ") + entry_name),
                     file, line, std::nullopt, kZorvelLogSeverityError});
  }
  const ZorvelStatus status = (api->*entry)(args...);
  if (status == kZorvelStatusOk) return {};
  return ErrorWithContext(
      ErrorContext{MakeError(status), file, line, std::nullopt, kZorvelLogSeverityError});
}

}  // namespace internal
}  // namespace zorvel

#endif  // ZORVEL_CC_INTERNAL_ZORVEL_DETAIL_H_
