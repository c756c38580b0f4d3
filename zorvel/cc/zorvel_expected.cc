#include "zorvel/cc/zorvel_expected.h"

#include <cstdio>
#include <cstdlib>

#include "absl/strings/str_cat.h"
#include "logging/zorvel_logging.h"

namespace zorvel {
namespace {

// Newline, U+2514 in UTF-8, space: five bytes.
constexpr char kChainSeparator[] = "\n\xe2\x94\x94 ";

// One per thread; the message is freed with the thread.
struct PendingError {
  bool set = false;
  ZorvelStatus status = kZorvelStatusOk;
  std::string message;

  void Clear() {
    set = false;
    status = kZorvelStatusOk;
    std::string().swap(message);
  }
};

PendingError& Pending() {
  thread_local PendingError pending;
  return pending;
}

}  // namespace

void CheckFailed(const char* expression, const char* file, int line) {
  std::fprintf(stderr, "Zorvel check failed: %s at %s:%d\n", expression, file, line);
  std::fflush(stderr);
  std::abort();
}

Error MakeError(ZorvelStatus status, std::string message) {
  if (status == kZorvelStatusOk) status = kZorvelStatusErrorInvalidArgument;
  PendingError& pending = Pending();
  if (!pending.set) return Error(status, std::move(message));
  if (pending.status != status) {
    pending.Clear();
    return Error(status, std::move(message));
  }
  std::string earlier = std::move(pending.message);
  pending.Clear();
  if (earlier.empty()) return Error(status, std::move(message));
  if (message.empty()) return Error(status, std::move(earlier));
  if (message.find(earlier) != std::string::npos) return Error(status, std::move(message));
  return Error(status, absl::StrCat(message, kChainSeparator, earlier));
}

ZorvelStatus ErrorToStatus(const Error& error) {
  if (!error.Message().empty()) {
    PendingError& pending = Pending();
    pending.set = true;
    pending.status = error.Status();
    pending.message = error.Message();
  }
  return error.Status();
}

bool StatusIsFailure(ZorvelStatus status) {
  if (status == kZorvelStatusOk) {
    Pending().Clear();
    return false;
  }
  return true;
}

std::string ErrorContextToText(const ErrorContext& context) {
  ZorvelLogSeverity min_severity = kZorvelLogSeverityVerbose;
  if (ZorvelGetMinLoggerSeverity(ZorvelGetDefaultLogger(), &min_severity) != kZorvelStatusOk) {
    min_severity = kZorvelLogSeverityVerbose;
  }
  if (context.severity < min_severity) return {};
  std::string text =
      absl::StrCat(ZorvelGetLogSeverityName(context.severity), ": [",
                   context.file == nullptr ? "" : context.file, ":", context.line, "]");
  if (context.extra.has_value()) absl::StrAppend(&text, " ", *context.extra);
  const std::string& message = context.error.Message();
  if (!message.empty()) absl::StrAppend(&text, kChainSeparator, message);
  return text;
}

Error ErrorWithContext(ErrorContext context) {
  const std::string text = ErrorContextToText(context);
  const ZorvelStatus status = ErrorToStatus(context.error);
  return MakeError(status, text);
}

}  // namespace zorvel
