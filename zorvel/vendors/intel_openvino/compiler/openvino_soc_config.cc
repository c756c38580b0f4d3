#include "zorvel/vendors/intel_openvino/compiler/openvino_soc_config.h"

#include <array>

namespace zorvel::openvino {
namespace {

// Enumeration order is what the host sees through the SoC-model-by-index entry: WCL, LNL, PTL.
// A function-local static gives the thread-safe one-time construction; it is never freed.
const std::array<SocModel, 3>& SocTable() {
  static const std::array<SocModel, 3> table = {{
      {"WCL", "NPU5020"},
      {"LNL", "NPU4000"},
      {"PTL", "NPU5010"},
  }};
  return table;
}

}  // namespace

uint64_t NumSocModels() { return SocTable().size(); }

const SocModel* SocModelAt(uint64_t index) {
  return index < SocTable().size() ? &SocTable()[index] : nullptr;
}

const SocModel* FindSocModel(std::string_view name) {
  for (const SocModel& model : SocTable()) {
    if (name == model.name) return &model;
  }
  return nullptr;
}

}  // namespace zorvel::openvino
