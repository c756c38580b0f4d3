#include "zorvel/vendors/intel_openvino/compiler/openvino_compile_context.h"

#include <string>
#include <string_view>

#include "logging/zorvel_logging.h"
#include "openvino/runtime/properties.hpp"
#include "zorvel/vendors/intel_openvino/compiler/openvino_soc_config.h"

namespace zorvel::openvino {
namespace {

constexpr char kPerformanceHintKey[] = "PERFORMANCE_HINT";
constexpr int32_t kDefaultBackend = 2;

// Graph backend number to OpenVINO device; unknown numbers leave the device as it is.
const char* DeviceForBackend(int32_t backend, const std::string& current) {
  switch (backend) {
    case 0:
      return "CPU";
    case 1:
      return "GPU";
    case 2:
    case 3:
      return "NPU";
    default:
      return current.c_str();
  }
}

// The pass switch a custom-configuration key names, or null when the key is not one of them.
bool* SwitchFor(CompileConfig& config, std::string_view key) {
  if (key == "optimize_fq_after_matmul") return &config.optimize_fq_after_matmul;
  if (key == "fuse_split_attention_to_sdpa") return &config.fuse_split_attention_to_sdpa;
  if (key == "enable_hfa") return &config.enable_hfa;
  if (key == "enable_moe_gather") return &config.enable_moe_gather;
  if (key == "unfold_gqa_sequence_fold") return &config.unfold_gqa_sequence_fold;
  if (key == "split_shared_constants") return &config.split_shared_constants;
  if (key == "sdpa_pad_kv_to_alignment") return &config.sdpa_pad_kv_to_alignment;
  return nullptr;
}

// Each switch has its own line, so log readers can grep for one.
void LogSwitch(std::string_view key, const std::string& value) {
  if (key == "optimize_fq_after_matmul") {
    ZORVEL_LOG_INFO("Custom config: optimize_fq_after_matmul = %s", value.c_str());
  } else if (key == "fuse_split_attention_to_sdpa") {
    ZORVEL_LOG_INFO("Custom config: fuse_split_attention_to_sdpa = %s", value.c_str());
  } else if (key == "enable_hfa") {
    ZORVEL_LOG_INFO("Custom config: enable_hfa = %s", value.c_str());
  } else if (key == "enable_moe_gather") {
    ZORVEL_LOG_INFO("Custom config: enable_moe_gather = %s", value.c_str());
  } else if (key == "unfold_gqa_sequence_fold") {
    ZORVEL_LOG_INFO("Custom config: unfold_gqa_sequence_fold = %s", value.c_str());
  } else if (key == "split_shared_constants") {
    ZORVEL_LOG_INFO("Custom config: split_shared_constants = %s", value.c_str());
  } else if (key == "sdpa_pad_kv_to_alignment") {
    ZORVEL_LOG_INFO("Custom config: sdpa_pad_kv_to_alignment = %s", value.c_str());
  }
}

void ApplyPerformanceMode(int32_t mode, ov::AnyMap& properties) {
  switch (mode) {
    case 0:
      properties[kPerformanceHintKey] = ov::hint::PerformanceMode::LATENCY;
      ZORVEL_LOG_INFO("Performance mode: LATENCY");
      break;
    case 1:
      properties[kPerformanceHintKey] = ov::hint::PerformanceMode::THROUGHPUT;
      ZORVEL_LOG_INFO("Performance mode: THROUGHPUT");
      break;
    case 2:
      properties[kPerformanceHintKey] = ov::hint::PerformanceMode::CUMULATIVE_THROUGHPUT;
      ZORVEL_LOG_INFO("Performance mode: CUMULATIVE_THROUGHPUT");
      break;
    default:
      break;
  }
}

}  // namespace

CompileConfig::CompileConfig() {
  properties[kPerformanceHintKey] = ov::hint::PerformanceMode::LATENCY;
}

ZorvelStatus CompileConfig::ApplySocModel(const char* soc_model) {
  if (device != "NPU") return kZorvelStatusOk;
  return ConfigureSoc(soc_model, properties);
}

Expected<CompileConfig> MakeCompileConfig(const Expected<IntelOpenVinoOptionsPtr>& options,
                                          int32_t graph) {
  CompileConfig config;
  if (!options.HasValue() || *options == nullptr) {
    ZORVEL_LOG_INFO("Using default configuration (LATENCY mode)");
    return config;
  }
  const intel_openvino::IntelOpenVinoOptions& opts = **options;

  int32_t backend = kDefaultBackend;
  if (graph >= 0) {
    const Expected<int32_t> graph_backend = opts.GetGraphBackend(graph);
    if (graph_backend.HasValue()) {
      backend = *graph_backend;
      ZORVEL_LOG_INFO("Graph %d: graph_backend -> %d", graph, backend);
    }
  }
  config.device = DeviceForBackend(backend, config.device);
  ZORVEL_LOG_INFO("Using Intel OpenVINO device: %s", config.device.c_str());

  const int32_t performance_mode = opts.GetPerformanceMode();
  const int32_t num_entries = opts.GetNumConfigsMapEntries();
  bool custom_hint = false;
  for (int32_t i = 0; i < num_entries; ++i) {
    const auto [key, value] = opts.GetConfigsMapEntry(i);
    if (key.empty()) continue;
    if (bool* flag = SwitchFor(config, key)) {
      LogSwitch(key, value);
      *flag = value == "true";
      continue;
    }
    if (key == kPerformanceHintKey) custom_hint = true;
    config.properties[key] = value;
    ZORVEL_LOG_INFO("Custom config: %s = %s", key.c_str(), value.c_str());
  }
  if (!custom_hint) ApplyPerformanceMode(performance_mode, config.properties);

  if (graph >= 0) {
    const int32_t num_graph_entries = opts.GetNumGraphConfigsMapEntries(graph);
    for (int32_t i = 0; i < num_graph_entries; ++i) {
      const auto [key, value] = opts.GetGraphConfigsMapEntry(graph, i);
      if (key.empty()) continue;
      if (bool* flag = SwitchFor(config, key)) {
        *flag = value == "true";
        continue;
      }
      config.properties[key] = value;
      ZORVEL_LOG_INFO("Graph %d custom config: %s = %s", graph, key.c_str(), value.c_str());
    }
  }
  return config;
}

}  // namespace zorvel::openvino
