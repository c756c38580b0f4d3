#ifndef ZORVEL_CORE_ZORVEL_TOML_PARSER_H_
#define ZORVEL_CORE_ZORVEL_TOML_PARSER_H_

// Reader for option payloads: a small TOML subset with one "key = value" assignment per line and
// no sections, arrays or escapes.
//
// For each line (split at '\n'; the last one need not end with it), after trimming space, tab,
// line feed and carriage return at both ends:
//   - empty lines and lines starting with '#' are skipped;
//   - lines without '=' (section headers among them) are skipped;
//   - key := the trimmed text before the first '=', value := the trimmed text after it;
//   - a value of two or more characters that starts and ends with the same quote (" or ') loses
//     those two characters; nothing else is unquoted.
// A '#' after a value belongs to the value. The payload ends at its first NUL byte, if any.

#include <cstdint>

#include "absl/functional/function_ref.h"
#include "absl/strings/string_view.h"
#include "zorvel/c/zorvel_common.h"
#include "zorvel/cc/zorvel_expected.h"

namespace zorvel {

// Called once per assignment, in payload order. The views point into the payload. A non-zero
// status stops the parse; a handler may leave a message for it with ErrorToStatus.
using TomlOptionHandler =
    absl::FunctionRef<ZorvelStatus(absl::string_view key, absl::string_view value)>;

// Hands every assignment of `payload` to `handler`. Fails with the first non-zero status a
// handler returns; the parser itself rejects nothing.
Expected<void> ParseTomlOptions(absl::string_view payload, TomlOptionHandler handler);

// Exactly "true" or "false"; anything else is status 1 "Invalid boolean value".
Expected<bool> ParseTomlBool(absl::string_view text);

// Base-10 signed 64-bit integer: surrounding ASCII whitespace and a sign are allowed, anything
// else (other characters, prefixes, out-of-range values) is status 1 "Invalid integer value".
Expected<int64_t> ParseTomlInt(absl::string_view text);

}  // namespace zorvel

#endif  // ZORVEL_CORE_ZORVEL_TOML_PARSER_H_
