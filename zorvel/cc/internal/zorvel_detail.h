#ifndef ZORVEL_CC_INTERNAL_ZORVEL_DETAIL_H_
#define ZORVEL_CC_INTERNAL_ZORVEL_DETAIL_H_

// Checks around host API calls. Two kinds of read exist:
// - guarded reads, whose success the code requires: a missing table or entry (status 6) and a
//   non-zero host status both throw HostReadError, naming the entry and the object read; the
//   plug-in entry that made the call turns it into its status. No neutral value stands in for a
//   read that did not happen;
// - status reads: a missing table or entry yields a status (6, or 3 for composite options), a
//   non-zero status from the host becomes an Expected error through the ErrorContext path.

#include <string>

#include "absl/strings/str_cat.h"
#include "zorvel/c/zorvel_common.h"
#include "zorvel/c/zorvel_host_api.h"
#include "zorvel/cc/zorvel_expected.h"

// Fatal check that a call into the plug-in's own code returned `expected_status`; not for host
// calls, whose failures are the host's and end in a status.
#define ZORVEL_CHECK_STATUS_EQ(status_expr, expected_status)               \
  do {                                                                     \
    const ZorvelStatus zorvel_internal_status = (status_expr);             \
    const ZorvelStatus zorvel_internal_expected = (expected_status);       \
    if (zorvel_internal_status != zorvel_internal_expected) {              \
      ::zorvel::CheckFailed("(status) == (expected)", __FILE__, __LINE__); \
    }                                                                      \
  } while (0)

// Guarded read: calls `api->entry(args...)` and requires success; `object` says what is read
// ("a tensor", "subgraph op 3") for the message. Throws HostReadError with status 6 when the
// table or the entry is missing, and with the host's status when the call fails.
#define ZORVEL_GUARDED_HOST_CALL(api, entry, object, ...) \
  ::zorvel::internal::GuardedHostCall((api), &HostApiTable::entry, #entry, (object), __VA_ARGS__)

// The HostReadError for a failed status read of `entry` (see FailedRead).
#define ZORVEL_FAILED_HOST_READ(api, entry, status, object) \
  ::zorvel::internal::FailedRead((api), &HostApiTable::entry, #entry, (status), (object))

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

// The entry's number in the host's table: its byte offset over 8.
template <typename Entry>
int EntryNumber(Entry HostApiTable::*entry) {
  static const HostApiTable layout{};
  return static_cast<int>(
      (reinterpret_cast<const char*>(&(layout.*entry)) - reinterpret_cast<const char*>(&layout)) /
      8);
}

template <typename Entry, typename... Args>
void GuardedHostCall(const HostApiTable* api, Entry HostApiTable::*entry, const char* entry_name,
                     const std::string& object, Args... args) {
  if (!HasEntry(api, entry)) {
    throw HostReadError(kZorvelStatusErrorMissingHostEntry,
                        absl::StrCat("Host API entry ", EntryNumber(entry), " (", entry_name,
                                     ") is missing; it is needed to read ", object));
  }
  const ZorvelStatus status = (api->*entry)(args...);
  if (status != kZorvelStatusOk) {
    throw HostReadError(status,
                        absl::StrCat("Host API entry ", EntryNumber(entry), " (", entry_name,
                                     ") failed with status ", status, " reading ", object));
  }
}

// For a status read whose failure the caller cannot go on from: the HostReadError a guarded read
// of the same entry would have thrown, with `status` (the read's) and the same wording.
template <typename Entry>
HostReadError FailedRead(const HostApiTable* api, Entry HostApiTable::*entry,
                         const char* entry_name, ZorvelStatus status, const std::string& object) {
  if (!HasEntry(api, entry)) {
    return HostReadError(status,
                         absl::StrCat("Host API entry ", EntryNumber(entry), " (", entry_name,
                                      ") is missing; it is needed to read ", object));
  }
  return HostReadError(status, absl::StrCat("Host API entry ", EntryNumber(entry), " (", entry_name,
                                            ") failed with status ", status, " reading ", object));
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
