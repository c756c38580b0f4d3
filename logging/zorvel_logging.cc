#include "logging/zorvel_logging.h"

#include <atomic>
#include <cstdio>
#include <string>

namespace {

// Shared by every logger instance. Written at plug-in creation, read by every log statement;
// relaxed atomic access costs the same as a plain byte and keeps concurrent readers well-defined.
std::atomic<ZorvelLogSeverity> min_severity{kZorvelLogSeverityInfo};

// Formats `prefix`, `format` and `args` plus a newline into `line`.
void FormatLine(std::string& line, const char* prefix, const char* format, va_list args)
    ZORVEL_PRINTF_FORMAT(3, 0);
void FormatLine(std::string& line, const char* prefix, const char* format, va_list args) {
  line.assign(prefix);
  line.append(": ");
  const size_t head = line.size();
  char small[256];
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(small, sizeof(small), format, copy);
  va_end(copy);
  if (needed > 0) {
    if (static_cast<size_t>(needed) < sizeof(small)) {
      line.append(small, static_cast<size_t>(needed));
    } else {
      line.resize(head + static_cast<size_t>(needed) + 1);
      std::vsnprintf(&line[head], static_cast<size_t>(needed) + 1, format, args);
      line.resize(head + static_cast<size_t>(needed));
    }
  }
  line.push_back('\n');
}

}  // namespace

const char* ZorvelGetLogSeverityName(ZorvelLogSeverity severity) {
  switch (severity) {
    case kZorvelLogSeverityDebug:
      return "DEBUG";
    case kZorvelLogSeverityVerbose:
      return "VERBOSE";
    case kZorvelLogSeverityInfo:
      return "INFO";
    case kZorvelLogSeverityWarning:
      return "WARNING";
    case kZorvelLogSeverityError:
      return "ERROR";
    case kZorvelLogSeveritySilent:
      return "SILENT";
    default:
      return "UNKNOWN";
  }
}

const char* ZorvelGetLoggerSeverityName(ZorvelLogSeverity severity) {
  if (severity < kZorvelLogSeverityVerbose || severity > kZorvelLogSeveritySilent) {
    return "<Unknown severity>";
  }
  return ZorvelGetLogSeverityName(severity);
}

void ZorvelStandardLoggerT::Log(ZorvelLogSeverity severity, const char* format, va_list args) {
  if (severity < GetMinSeverity()) return;
  // One write per line, so that lines from concurrent compilations do not interleave.
  std::string line;
  FormatLine(line, ZorvelGetLoggerSeverityName(severity), format, args);
  std::fwrite(line.data(), 1, line.size(), stderr);
}

ZorvelLogSeverity ZorvelStandardLoggerT::GetMinSeverity() const {
  return min_severity.load(std::memory_order_relaxed);
}

void ZorvelStandardLoggerT::SetMinSeverity(ZorvelLogSeverity severity) {
  min_severity.store(severity, std::memory_order_relaxed);
}

const char* ZorvelStandardLoggerT::Identifier() const { return "ZorvelDefaultLogger"; }

ZorvelLoggerT* ZorvelGetDefaultLogger() {
  // Never freed: log statements may run during static destruction of other objects.
  static ZorvelLoggerT* const logger = new ZorvelStandardLoggerT();
  return logger;
}

ZorvelStatus ZorvelGetMinLoggerSeverity(ZorvelLoggerT* logger, ZorvelLogSeverity* min_severity) {
  if (logger == nullptr || min_severity == nullptr) return kZorvelStatusErrorInvalidArgument;
  *min_severity = logger->GetMinSeverity();
  return kZorvelStatusOk;
}

ZorvelStatus ZorvelSetMinLoggerSeverity(ZorvelLoggerT* logger, ZorvelLogSeverity min_severity) {
  if (logger == nullptr) return kZorvelStatusErrorInvalidArgument;
  logger->SetMinSeverity(min_severity);
  return kZorvelStatusOk;
}

ZorvelStatus ZorvelLoggerLogV(ZorvelLoggerT* logger, ZorvelLogSeverity severity, const char* format,
                              va_list args) {
  if (logger == nullptr || format == nullptr) return kZorvelStatusErrorInvalidArgument;
  logger->Log(severity, format, args);
  return kZorvelStatusOk;
}

ZorvelStatus ZorvelLoggerLog(ZorvelLoggerT* logger, ZorvelLogSeverity severity, const char* format,
                             ...) {
  va_list args;
  va_start(args, format);
  const ZorvelStatus status = ZorvelLoggerLogV(logger, severity, format, args);
  va_end(args);
  return status;
}
