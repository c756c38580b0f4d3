#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_VERSION_INFO_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_VERSION_INFO_H_

#include <string>

#include "openvino/core/any.hpp"

namespace zorvel::openvino {

// "OpenVINO <build number>[ (<description>)]", or "OpenVINO (unknown version)" when the runtime
// cannot report its version. Built afresh on every call.
std::string BuildRuntimeVersionText();

// The same text, built once per process on first use and kept until the library is unloaded.
const char* RuntimeVersionText();

// The "NPU_PLATFORM" entry of `properties` as text when present, non-empty and not
// "AUTO_DETECT"; otherwise `fallback`, where a fallback of "AUTO_DETECT" becomes empty.
std::string ResolveNpuPlatform(const ov::AnyMap& properties, const std::string& fallback);

// Logs, once per process for each (label, device filter, NPU platform), the runtime version and
// the devices OpenVINO sees with a few properties each. Never fails and never throws. A null
// label reads "OpenVINO"; a null filter reports every device.
void ReportRuntimeAndDevices(const char* label, const char* device_filter,
                             const ov::AnyMap& compile_properties);

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_VERSION_INFO_H_
