#ifndef LOGGING_ZORVEL_LOGGING_H_
#define LOGGING_ZORVEL_LOGGING_H_

#include <cstdarg>

#include "logging/zorvel_log_severity.h"
#include "zorvel/c/zorvel_common.h"

#define ZORVEL_PRINTF_FORMAT(format_index, first_arg_index) \
  __attribute__((format(printf, format_index, first_arg_index)))

// A logger writes one line per accepted message. Every instance shares the process-wide minimum
// severity, so setting it through one logger affects all.
class ZorvelLoggerT {
 public:
  virtual ~ZorvelLoggerT() = default;
  // Writes one line for `format` and `args` unless `severity` is below the minimum.
  virtual void Log(ZorvelLogSeverity severity, const char* format, va_list args)
      ZORVEL_PRINTF_FORMAT(3, 0) = 0;
  virtual ZorvelLogSeverity GetMinSeverity() const = 0;
  virtual void SetMinSeverity(ZorvelLogSeverity severity) = 0;
  virtual const char* Identifier() const = 0;
};

// Writes "<severity name>: <message>\n" to standard error. Holds no data of its own.
class ZorvelStandardLoggerT : public ZorvelLoggerT {
 public:
  void Log(ZorvelLogSeverity severity, const char* format, va_list args) override
      ZORVEL_PRINTF_FORMAT(3, 0);
  ZorvelLogSeverity GetMinSeverity() const override;
  void SetMinSeverity(ZorvelLogSeverity severity) override;
  const char* Identifier() const override;
};

// The process-wide logger: built on first use (thread-safe), never freed.
ZorvelLoggerT* ZorvelGetDefaultLogger();

// The functions below do nothing and return 1 when `logger` (or an out pointer, or the format)
// is null; otherwise they return 0.
ZorvelStatus ZorvelGetMinLoggerSeverity(ZorvelLoggerT* logger, ZorvelLogSeverity* min_severity);
ZorvelStatus ZorvelSetMinLoggerSeverity(ZorvelLoggerT* logger, ZorvelLogSeverity min_severity);
ZorvelStatus ZorvelLoggerLog(ZorvelLoggerT* logger, ZorvelLogSeverity severity, const char* format,
                             ...) ZORVEL_PRINTF_FORMAT(3, 4);
ZorvelStatus ZorvelLoggerLogV(ZorvelLoggerT* logger, ZorvelLogSeverity severity, const char* format,
                              va_list args) ZORVEL_PRINTF_FORMAT(3, 0);

// The part of `path` after its last '/'.
constexpr const char* ZorvelFileBaseName(const char* path) {
  const char* base = path;
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '/') base = p + 1;
  }
  return base;
}

// Log statement: `format` must be a string literal. Nothing is evaluated or formatted when the
// statement's severity is below the default logger's minimum. The line reads
// "<severity>: [<file base name>:<line>] <message>".
#define ZORVEL_LOG(severity, format, ...)                                                    \
  do {                                                                                       \
    ZorvelLoggerT* const zorvel_log_logger = ZorvelGetDefaultLogger();                       \
    const ZorvelLogSeverity zorvel_log_severity = (severity);                                \
    ZorvelLogSeverity zorvel_log_min = kZorvelLogSeverityVerbose;                            \
    if (ZorvelGetMinLoggerSeverity(zorvel_log_logger, &zorvel_log_min) != kZorvelStatusOk) { \
      zorvel_log_min = kZorvelLogSeverityVerbose;                                            \
    }                                                                                        \
    if (zorvel_log_min <= zorvel_log_severity) {                                             \
      ZorvelLoggerLog(zorvel_log_logger, zorvel_log_severity, "[%s:%d] " format,             \
                      ZorvelFileBaseName(__FILE__), __LINE__, ##__VA_ARGS__);                \
    }                                                                                        \
  } while (0)

#define ZORVEL_LOG_DEBUG(format, ...) ZORVEL_LOG(kZorvelLogSeverityDebug, format, ##__VA_ARGS__)
#define ZORVEL_LOG_VERBOSE(format, ...) ZORVEL_LOG(kZorvelLogSeverityVerbose, format, ##__VA_ARGS__)
#define ZORVEL_LOG_INFO(format, ...) ZORVEL_LOG(kZorvelLogSeverityInfo, format, ##__VA_ARGS__)
#define ZORVEL_LOG_WARNING(format, ...) ZORVEL_LOG(kZorvelLogSeverityWarning, format, ##__VA_ARGS__)
#define ZORVEL_LOG_ERROR(format, ...) ZORVEL_LOG(kZorvelLogSeverityError, format, ##__VA_ARGS__)

#endif  // LOGGING_ZORVEL_LOGGING_H_
