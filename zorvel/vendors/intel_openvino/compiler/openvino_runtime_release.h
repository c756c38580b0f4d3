#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_RUNTIME_RELEASE_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_RUNTIME_RELEASE_H_

#include <optional>
#include <string>
#include <string_view>

#include "openvino/core/any.hpp"
#include "zorvel/c/zorvel_common.h"

namespace zorvel::openvino {

// An OpenVINO release, as its build number starts: "2026.0.0-…".
struct OpenVinoRelease {
  int major = 0;
  int minor = 0;
  int patch = 0;
};

bool operator<(const OpenVinoRelease& a, const OpenVinoRelease& b);

// "2026.0" (the patch is left out when it is 0), the form the error messages use.
std::string ReleaseText(const OpenVinoRelease& release);

// The release at the start of a build number: "<major>.<minor>[.<patch>]" followed by the end,
// '-' or a space. Nothing for anything else (a custom build names no release).
std::optional<OpenVinoRelease> ParseOpenVinoRelease(std::string_view build_number);

// The oldest release the plug-in is written for: every property it writes by itself is declared
// there.
OpenVinoRelease MinimumOpenVinoRelease();

// Checks that the runtime with build number `build_number` declares every property of
// `properties` that partition `partition` is about to pass to compile_model for `device`. The
// NPU's NPUW options that arrived with the 2026 releases (MoE token chunking, HFA attention,
// fold-only tags, the ATTN and MOE isolation presets) are unknown to older runtimes, which throw
// for them. A partition that needs a newer runtime gets one ERROR line naming each such option
// and the release it needs, and status 5 (unsupported). A build number that names no release is
// not checked (DEBUG line). Only NPU partitions compiled through NPUW are affected.
ZorvelStatus CheckRuntimeRelease(const std::string& device, const ov::AnyMap& properties,
                                 int partition, const char* build_number);

// The same against the runtime the plug-in runs on (ov::get_openvino_version()).
ZorvelStatus CheckRuntimeRelease(const std::string& device, const ov::AnyMap& properties,
                                 int partition);

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_RUNTIME_RELEASE_H_
