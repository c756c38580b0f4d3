#pragma once

#include <map>
#include <ostream>
#include <string>

#include "openvino/core/core_visibility.hpp"

// The OpenVINO release whose API this subset follows.
#define OPENVINO_VERSION_MAJOR 2026
#define OPENVINO_VERSION_MINOR 0
#define OPENVINO_VERSION_PATCH 0

namespace ov {

#pragma pack(push, 1)
struct Version {
  const char* buildNumber;
  const char* description;
};
#pragma pack(pop)

OPENVINO_API std::ostream& operator<<(std::ostream& s, const Version& version);
OPENVINO_API std::ostream& operator<<(std::ostream& s,
                                      const std::map<std::string, Version>& versions);

// ovref reports a build number and description that name it as the bundled reference subset.
// ovref only: a non-empty environment variable OVREF_REPORTED_VERSION replaces the build number
// (for example "2025.3.0-19807-44526285f24-releases/2025/3"), so that tests can see how code
// behaves on an older runtime. It is read on every call; the API stays that of this release.
OPENVINO_API_C(const Version) get_openvino_version() noexcept;

}  // namespace ov
