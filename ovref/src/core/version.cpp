#include "openvino/core/version.hpp"

namespace ov {

namespace {
constexpr const char kBuildNumber[] = OVREF_API_RELEASE "-ovref";
constexpr const char kDescription[] =
    "ovref bundled reference subset of the OpenVINO Runtime API " OVREF_API_RELEASE
    ", not the Intel toolkit";
}  // namespace

const Version get_openvino_version() noexcept { return Version{kBuildNumber, kDescription}; }

std::ostream& operator<<(std::ostream& s, const Version& version) {
  s << version.description << std::endl;
  s << "    Version : " << OPENVINO_VERSION_MAJOR << "." << OPENVINO_VERSION_MINOR << "."
    << OPENVINO_VERSION_PATCH << std::endl;
  s << "    Build   : " << version.buildNumber << std::endl;
  return s;
}

std::ostream& operator<<(std::ostream& s, const std::map<std::string, Version>& versions) {
  for (const auto& version : versions) {
    s << version.first << std::endl;
    s << version.second << std::endl;
  }
  return s;
}

}  // namespace ov
