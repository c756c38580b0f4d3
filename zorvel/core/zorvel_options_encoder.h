#ifndef ZORVEL_CORE_ZORVEL_OPTIONS_ENCODER_H_
#define ZORVEL_CORE_ZORVEL_OPTIONS_ENCODER_H_

// Writers for option payloads: one "key = value" line per call, in the TOML subset that
// ParseTomlOptions reads back. A call that fails appends nothing.
//
// Keys must be non-empty and free of space, tab, line feed, carriage return, '#' and '='. String
// values must be free of double quotes, line feeds and carriage returns, since the payload has no
// escapes. Failures are status 1 errors built through the ErrorContext path.

#include <cstdint>
#include <string>

#include "absl/strings/string_view.h"
#include "zorvel/cc/zorvel_expected.h"

namespace zorvel {

// Appends "<key> = true\n" or "<key> = false\n".
Expected<void> AppendBoolOption(std::string& output, absl::string_view key, bool value);

// Appends "<key> = <value in decimal>\n".
Expected<void> AppendIntOption(std::string& output, absl::string_view key, int64_t value);

// Appends "<key> = \"<value>\"\n".
Expected<void> AppendStringOption(std::string& output, absl::string_view key,
                                  absl::string_view value);

}  // namespace zorvel

#endif  // ZORVEL_CORE_ZORVEL_OPTIONS_ENCODER_H_
