#include "zorvel/vendors/intel_openvino/compiler/openvino_runtime_release.h"

#include <cctype>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "absl/strings/ascii.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_join.h"
#include "absl/strings/str_split.h"
#include "logging/zorvel_logging.h"
#include "openvino/core/version.hpp"

namespace zorvel::openvino {
namespace {

constexpr OpenVinoRelease k2026_0{2026, 0, 0};

// One option a runtime must declare, and from which release on. `needs` decides, from the value
// the option is given, whether that value needs the release (null: any value does).
struct Requirement {
  const char* key;
  const char* what;
  bool (*needs)(std::string_view value);
  OpenVinoRelease release;
};

bool IsHfa(std::string_view value) { return value == "HFA"; }

// The preset words ATTN and MOE, alone or in a comma-separated list ("ATTN,MOE").
bool NamesAttnOrMoePreset(std::string_view value) {
  for (absl::string_view word :
       absl::StrSplit(absl::string_view(value.data(), value.size()), ',')) {
    word = absl::StripAsciiWhitespace(word);
    if (word == "ATTN" || word == "MOE") return true;
  }
  return false;
}

const Requirement kRequirements[] = {
    {"NPUW_MOE_TOKEN_CHUNK_SIZE", "NPUW MoE token chunking", nullptr, k2026_0},
    {"NPUW_ATTN", "NPUW HFA attention", IsHfa, k2026_0},
    {"NPUW_FOLD_ONLY", "NPUW fold-only tags", nullptr, k2026_0},
    {"NPUW_ONLINE_ISOLATE", "NPUW ATTN/MOE isolation presets", NamesAttnOrMoePreset, k2026_0},
};

// The text a property holds; nothing when it cannot be read as text.
std::optional<std::string> Text(const ov::Any& value) {
  try {
    return value.as<std::string>();
  } catch (...) {
    return std::nullopt;
  }
}

// NPUW options are read only when NPU_USE_NPUW routes the compile through NPUW; the newest
// parser takes YES, TRUE, ON and 1 in any case.
bool RoutesThroughNpuw(const ov::AnyMap& properties) {
  const auto it = properties.find("NPU_USE_NPUW");
  if (it == properties.end()) return false;
  if (it->second.is<bool>()) return it->second.as<bool>();
  const std::optional<std::string> text = Text(it->second);
  if (!text) return false;
  const std::string upper = absl::AsciiStrToUpper(*text);
  return upper == "YES" || upper == "TRUE" || upper == "ON" || upper == "1";
}

// A run of at most six digits at `at`; moves `at` past it.
std::optional<int> Number(std::string_view text, size_t& at) {
  const size_t start = at;
  int value = 0;
  while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) != 0) {
    if (at - start == 6) return std::nullopt;
    value = value * 10 + (text[at] - '0');
    ++at;
  }
  if (at == start) return std::nullopt;
  return value;
}

}  // namespace

bool operator<(const OpenVinoRelease& a, const OpenVinoRelease& b) {
  return std::tie(a.major, a.minor, a.patch) < std::tie(b.major, b.minor, b.patch);
}

std::string ReleaseText(const OpenVinoRelease& release) {
  std::string text = absl::StrCat(release.major, ".", release.minor);
  if (release.patch != 0) absl::StrAppend(&text, ".", release.patch);
  return text;
}

std::optional<OpenVinoRelease> ParseOpenVinoRelease(std::string_view build_number) {
  size_t at = 0;
  OpenVinoRelease release;
  const std::optional<int> major = Number(build_number, at);
  if (!major || at >= build_number.size() || build_number[at] != '.') return std::nullopt;
  ++at;
  const std::optional<int> minor = Number(build_number, at);
  if (!minor) return std::nullopt;
  release.major = *major;
  release.minor = *minor;
  if (at < build_number.size() && build_number[at] == '.') {
    ++at;
    const std::optional<int> patch = Number(build_number, at);
    if (!patch) return std::nullopt;
    release.patch = *patch;
  }
  if (at < build_number.size() && build_number[at] != '-' && build_number[at] != ' ') {
    return std::nullopt;
  }
  return release;
}

OpenVinoRelease MinimumOpenVinoRelease() { return k2026_0; }

ZorvelStatus CheckRuntimeRelease(const std::string& device, const ov::AnyMap& properties,
                                 int partition, const char* build_number) {
  if (device != "NPU" || !RoutesThroughNpuw(properties)) return kZorvelStatusOk;
  const std::string_view build = build_number != nullptr ? build_number : "";
  const std::optional<OpenVinoRelease> runtime = ParseOpenVinoRelease(build);
  if (!runtime) {
    ZORVEL_LOG_DEBUG(
        "Runtime build number '%s' names no release; the options of partition %d are not "
        "checked against it",
        std::string(build).c_str(), partition);
    return kZorvelStatusOk;
  }
  std::vector<std::string> missing;
  for (const Requirement& requirement : kRequirements) {
    if (!(*runtime < requirement.release)) continue;
    const auto it = properties.find(requirement.key);
    if (it == properties.end()) continue;
    std::string option = requirement.key;
    if (requirement.needs != nullptr) {
      const std::optional<std::string> value = Text(it->second);
      if (!value || !requirement.needs(*value)) continue;
      absl::StrAppend(&option, "=", *value);
    }
    missing.push_back(absl::StrCat(option, " (", requirement.what, ") needs OpenVINO ",
                                   ReleaseText(requirement.release), " or newer"));
  }
  if (missing.empty()) return kZorvelStatusOk;
  ZORVEL_LOG_ERROR("Partition %d needs a newer OpenVINO runtime than %s: %s", partition,
                   std::string(build).c_str(), absl::StrJoin(missing, "; ").c_str());
  return kZorvelStatusErrorUnsupported;
}

ZorvelStatus CheckRuntimeRelease(const std::string& device, const ov::AnyMap& properties,
                                 int partition) {
  return CheckRuntimeRelease(device, properties, partition, ov::get_openvino_version().buildNumber);
}

}  // namespace zorvel::openvino
