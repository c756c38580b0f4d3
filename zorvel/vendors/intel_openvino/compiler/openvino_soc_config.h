#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_SOC_CONFIG_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_SOC_CONFIG_H_

#include <cstdint>
#include <string_view>

#include "openvino/core/any.hpp"
#include "zorvel/c/zorvel_common.h"

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

// Adds the NPU platform of the named SoC model to `properties` under "NPU_PLATFORM", replacing an
// earlier value. A null name leaves the choice to OpenVINO (0); an unknown name is logged and
// gives 1 with the map unchanged.
ZorvelStatus ConfigureSoc(const char* soc_model, ov::AnyMap& properties);

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_SOC_CONFIG_H_
