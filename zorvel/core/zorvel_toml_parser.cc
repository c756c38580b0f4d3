#include "zorvel/core/zorvel_toml_parser.h"

#include "absl/strings/numbers.h"

namespace zorvel {
namespace {

// Only these four count as blanks; other whitespace (vertical tab, form feed) is content.
constexpr absl::string_view kBlanks = " \t\n\r";

absl::string_view Trim(absl::string_view text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == absl::string_view::npos) return {};
  const size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

absl::string_view Unquote(absl::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

Expected<void> ParseTomlOptions(absl::string_view payload, TomlOptionHandler handler) {
  const size_t nul = payload.find('\0');
  if (nul != absl::string_view::npos) payload = payload.substr(0, nul);
  while (!payload.empty()) {
    const size_t end = payload.find('\n');
    absl::string_view line = payload.substr(0, end);
    payload = end == absl::string_view::npos ? absl::string_view() : payload.substr(end + 1);

    line = Trim(line);
    if (line.empty() || line.front() == '#') continue;
    const size_t equals = line.find('=');
    if (equals == absl::string_view::npos) continue;
    const absl::string_view key = Trim(line.substr(0, equals));
    const absl::string_view value = Unquote(Trim(line.substr(equals + 1)));
    const ZorvelStatus status = handler(key, value);
    if (status != kZorvelStatusOk) return ZORVEL_ERROR(status, "");
  }
  return {};
}

Expected<bool> ParseTomlBool(absl::string_view text) {
  if (text == "true") return true;
  if (text == "false") return false;
  return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument, "Invalid boolean value");
}

Expected<int64_t> ParseTomlInt(absl::string_view text) {
  int64_t value = 0;
  if (!absl::SimpleAtoi(text, &value)) {
    return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument, "Invalid integer value");
  }
  return value;
}

}  // namespace zorvel
