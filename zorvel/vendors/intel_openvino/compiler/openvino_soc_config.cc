#include "zorvel/vendors/intel_openvino/compiler/openvino_soc_config.h"

#include <array>
#include <string>

#include "absl/strings/str_cat.h"
#include "logging/zorvel_logging.h"
#include "zorvel/cc/zorvel_expected.h"

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

ZorvelStatus ConfigureSoc(const char* soc_model, ov::AnyMap& properties) {
  if (soc_model == nullptr) {
    ZORVEL_LOG_INFO("Soc model is null, Compile will proceed with default NPU compile.");
    return kZorvelStatusOk;
  }
  const SocModel* model = FindSocModel(soc_model);
  if (model == nullptr) {
    ZORVEL_LOG_ERROR("Unrecognized SoC model: %s", soc_model);
    return ErrorToStatus(ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument,
                                      absl::StrCat("Unrecognized SoC model: ", soc_model)));
  }
  properties["NPU_PLATFORM"] = std::string(model->npu_platform);
  return kZorvelStatusOk;
}

}  // namespace zorvel::openvino
