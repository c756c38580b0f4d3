#ifndef LOGGING_ZORVEL_LOG_SEVERITY_H_
#define LOGGING_ZORVEL_LOG_SEVERITY_H_

#include <cstdint>

// Severity of a log statement or an error report. Signed: DEBUG sits below VERBOSE so that a
// minimum of VERBOSE (0) still hides it.
typedef int8_t ZorvelLogSeverity;

constexpr ZorvelLogSeverity kZorvelLogSeverityDebug = -1;
constexpr ZorvelLogSeverity kZorvelLogSeverityVerbose = 0;
constexpr ZorvelLogSeverity kZorvelLogSeverityInfo = 1;
constexpr ZorvelLogSeverity kZorvelLogSeverityWarning = 2;
constexpr ZorvelLogSeverity kZorvelLogSeverityError = 3;
constexpr ZorvelLogSeverity kZorvelLogSeveritySilent = 4;

// General name of a severity, used in error texts: "DEBUG" ... "SILENT", "UNKNOWN" otherwise.
const char* ZorvelGetLogSeverityName(ZorvelLogSeverity severity);

// The name the standard logger prints in front of a line. It knows only VERBOSE to SILENT; any
// other value, DEBUG included, is "<Unknown severity>". Log readers match on these texts, so the
// two tables stay different on purpose.
const char* ZorvelGetLoggerSeverityName(ZorvelLogSeverity severity);

#endif  // LOGGING_ZORVEL_LOG_SEVERITY_H_
