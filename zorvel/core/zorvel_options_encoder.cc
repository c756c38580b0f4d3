#include "zorvel/core/zorvel_options_encoder.h"

#include "absl/strings/str_cat.h"

namespace zorvel {
namespace {

Expected<void> ValidateKey(absl::string_view key) {
  if (key.empty()) {
    return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument, "Option key must not be empty.");
  }
  if (key.find_first_of(absl::string_view("\t\n\r #=")) != absl::string_view::npos) {
    return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument,
                        absl::StrCat("Option key contains an unsupported character: ", key));
  }
  return {};
}

}  // namespace

Expected<void> AppendBoolOption(std::string& output, absl::string_view key, bool value) {
  ZORVEL_RETURN_IF_ERROR(ValidateKey(key));
  absl::StrAppend(&output, key, " = ", value ? "true" : "false", "\n");
  return {};
}

Expected<void> AppendIntOption(std::string& output, absl::string_view key, int64_t value) {
  ZORVEL_RETURN_IF_ERROR(ValidateKey(key));
  absl::StrAppend(&output, key, " = ", value, "\n");
  return {};
}

Expected<void> AppendStringOption(std::string& output, absl::string_view key,
                                  absl::string_view value) {
  ZORVEL_RETURN_IF_ERROR(ValidateKey(key));
  if (value.find_first_of(absl::string_view("\"\n\r")) != absl::string_view::npos) {
    return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument,
                        absl::StrCat("Value of option '", key,
                                     "' contains an unsupported character (\", newline or "
                                     "carriage return)."));
  }
  absl::StrAppend(&output, key, " = \"", value, "\"\n");
  return {};
}

}  // namespace zorvel
