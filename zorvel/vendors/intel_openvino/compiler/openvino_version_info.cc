#include "zorvel/vendors/intel_openvino/compiler/openvino_version_info.h"

#include <exception>
#include <string>

#include "absl/strings/str_cat.h"
#include "logging/zorvel_logging.h"
#include "openvino/core/version.hpp"

namespace zorvel::openvino {

std::string BuildRuntimeVersionText() {
  try {
    const ov::Version version = ov::get_openvino_version();
    std::string text = absl::StrCat("OpenVINO ", version.buildNumber ? version.buildNumber : "");
    if (version.description != nullptr && version.description[0] != '\0') {
      absl::StrAppend(&text, " (", version.description, ")");
    }
    return text;
  } catch (const std::exception& e) {
    ZORVEL_LOG_WARNING("Failed to get OpenVINO version: %s", e.what());
  } catch (...) {
    ZORVEL_LOG_WARNING("Failed to get OpenVINO version: %s", "unknown exception");
  }
  return "OpenVINO (unknown version)";
}

const char* RuntimeVersionText() {
  // Built once under the thread-safe static initialisation and kept until unload.
  static const std::string* const text = new std::string(BuildRuntimeVersionText());
  return text->c_str();
}

}  // namespace zorvel::openvino
