#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_VERSION_INFO_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_VERSION_INFO_H_

#include <string>

namespace zorvel::openvino {

// "OpenVINO <build number>[ (<description>)]", or "OpenVINO (unknown version)" when the runtime
// cannot report its version. Built afresh on every call.
std::string BuildRuntimeVersionText();

// The same text, built once per process on first use and kept until the library is unloaded.
const char* RuntimeVersionText();

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_VERSION_INFO_H_
