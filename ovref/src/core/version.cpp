#include "openvino/core/version.hpp"

#include <cstdlib>
#include <mutex>
#include <set>
#include <string>

namespace ov {

namespace {
constexpr const char kBuildNumber[] = OVREF_API_RELEASE "-ovref";
constexpr const char kDescription[] =
    "ovref bundled reference subset of the OpenVINO Runtime API " OVREF_API_RELEASE
    ", not the Intel toolkit";

// The build number OVREF_REPORTED_VERSION asks for, kept for the life of the process: every text
// ever reported stays valid, as the toolkit's static Version does, even when the variable
// changes between calls.
const char* ReportedBuildNumber() {
  const char* env = std::getenv("OVREF_REPORTED_VERSION");
  if (env == nullptr || env[0] == '\0') return kBuildNumber;
  static std::mutex* const mutex = new std::mutex;
  static std::set<std::string>* const texts = new std::set<std::string>;
  std::lock_guard<std::mutex> lock(*mutex);
  return texts->emplace(env).first->c_str();
}
}  // namespace

const Version get_openvino_version() noexcept {
  try {
    return Version{ReportedBuildNumber(), kDescription};
  } catch (...) {
    return Version{kBuildNumber, kDescription};
  }
}

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
