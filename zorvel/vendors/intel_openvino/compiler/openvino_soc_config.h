#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_SOC_CONFIG_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_SOC_CONFIG_H_

#include <cstdint>
#include <string_view>

namespace zorvel::openvino {

// One Intel SoC model the plug-in knows, with the NPU platform it carries.
struct SocModel {
  const char* name;          // as the host names it, e.g. "LNL"
  const char* npu_platform;  // OpenVINO's NPU_PLATFORM value, e.g. "NPU4000"
};

// Number of SoC models in the table.
uint64_t NumSocModels();

// The SoC model at `index` in enumeration order (WCL, LNL, PTL), or nullptr past the end.
const SocModel* SocModelAt(uint64_t index);

// Exact, case-sensitive lookup by name; nullptr when the name is unknown.
const SocModel* FindSocModel(std::string_view name);

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_SOC_CONFIG_H_
