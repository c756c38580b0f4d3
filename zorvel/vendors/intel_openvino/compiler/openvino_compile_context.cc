#include "zorvel/vendors/intel_openvino/compiler/openvino_compile_context.h"

#include <string>
#include <string_view>

#include "logging/zorvel_logging.h"
#include "openvino/runtime/properties.hpp"
#include "zorvel/vendors/intel_openvino/compiler/npu_optimizer.h"
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

// Adds `key` = `value` as text unless the key is already present; reports whether it added it.
bool SetDefault(ov::AnyMap& properties, const char* key, const char* value) {
  return properties.emplace(key, ov::Any(std::string(value))).second;
}

// The text a property holds, whatever type it was given as; empty when absent.
std::string PropertyText(const ov::AnyMap& properties, const char* key) {
  const auto it = properties.find(key);
  return it == properties.end() ? std::string() : it->second.as<std::string>();
}

// NPUW_FOLD_ONLY counts only as text with something visible in it.
bool HasFoldOnlyTags(const ov::AnyMap& properties) {
  const auto it = properties.find("NPUW_FOLD_ONLY");
  if (it == properties.end() || !it->second.is<std::string>()) return false;
  const std::string& tags = it->second.as<std::string>();
  return tags.find_first_not_of(" \t\n\r\f\v") != std::string::npos;
}

}  // namespace

bool IsTrueProperty(const ov::AnyMap& properties, const std::string& key) {
  const auto it = properties.find(key);
  if (it == properties.end()) return false;
  if (it->second.is<bool>()) return it->second.as<bool>();
  if (!it->second.is<std::string>()) return false;
  const std::string& text = it->second.as<std::string>();
  return text == "1" || text == "TRUE" || text == "YES";
}

CompileConfig::CompileConfig() {
  properties[kPerformanceHintKey] = ov::hint::PerformanceMode::LATENCY;
}

ZorvelStatus CompileConfig::ApplySocModel(const char* soc_model) {
  if (device != "NPU") return kZorvelStatusOk;
  return ConfigureSoc(soc_model, properties);
}

ZorvelStatus CompileConfig::ApplyNpuWeightSharing(const std::string& bank_name,
                                                  const NpuOptimizerResult& optimized) {
  if (device != "NPU") return kZorvelStatusOk;
  const bool multi_token = optimized.moe_multi_token;
  const bool hfa = optimized.hfa_decomposed_count != 0;

  SetDefault(properties, "NPU_USE_NPUW", "YES");
  SetDefault(properties, "NPUW_DEVICES", "NPU");
  SetDefault(properties, "NPUW_WEIGHTS_BANK", bank_name.empty() ? "shared" : bank_name.c_str());
  SetDefault(properties, "NPUW_FUNCALL_FOR_ALL", "YES");
  // Multi-token MoE chunks and HFA both need the repeating-block pipeline with attention
  // isolated; otherwise the whole model stays one subgraph with its weights cut out.
  if (multi_token || hfa) {
    SetDefault(properties, "NPUW_ONLINE_PIPELINE", "REP");
    SetDefault(properties, "NPUW_UNFOLD_IREQS", "NO");
    SetDefault(properties, "NPUW_ONLINE_ISOLATE", multi_token ? "ATTN,MOE" : "ATTN");
    if (multi_token) SetDefault(properties, "NPUW_MOE_TOKEN_CHUNK_SIZE", "0");
    SetDefault(properties, "NPUW_ONLINE_KEEP_BLOCK_SIZE", "4");
    SetDefault(properties, "NPUW_FOLD", "YES");
    SetDefault(properties, "NPUW_ONLINE_KEEP_BLOCKS", "3");
  } else {
    SetDefault(properties, "NPUW_ONLINE_PIPELINE", "NONE");
    SetDefault(properties, "NPUW_CWAI", "YES");
  }

  // A weightless NPUW export needs its weights cut out of the blocks one way or another.
  if (IsTrueProperty(properties, "NPU_USE_NPUW") && !IsTrueProperty(properties, "NPUW_CWAI") &&
      !IsTrueProperty(properties, "NPUW_FOLD") && !HasFoldOnlyTags(properties)) {
    ZORVEL_LOG_ERROR(
        "NPU weight sharing requires NPUW_CWAI=YES, NPUW_FOLD=YES, or a non-empty NPUW_FOLD_ONLY "
        "when NPU_USE_NPUW=YES");
    return kZorvelStatusErrorInvalidArgument;
  }

  ZORVEL_LOG_INFO(
      "NPU weight sharing: enabled NPUW weightless compile knobs (%s chunk pipeline, bank '%s'%s)",
      multi_token ? "multi-token" : "single-token",
      PropertyText(properties, "NPUW_WEIGHTS_BANK").c_str(),
      hfa ? ", HFA-decomposed attention" : "");

  if (hfa) {
    if (SetDefault(properties, "NPUW_ATTN", "HFA")) {
      ZORVEL_LOG_INFO("enable_hfa: NPUW_ATTN=HFA (%zu SDPA op(s) decomposed for it)",
                      static_cast<size_t>(optimized.hfa_decomposed_count));
    }
    const std::string pipeline = PropertyText(properties, "NPUW_ONLINE_PIPELINE");
    if (pipeline != "REP") {
      ZORVEL_LOG_WARNING(
          "enable_hfa: NPUW_ONLINE_PIPELINE=%s overrides REP, so NPUW will not attach HFA",
          pipeline.c_str());
    }
  }
  const auto attn = properties.find("NPUW_ATTN");
  if (!enable_hfa && attn != properties.end() && attn->second.is<std::string>() &&
      attn->second.as<std::string>() == "HFA") {
    ZORVEL_LOG_WARNING(
        "NPUW_ATTN=HFA without enable_hfa=true: attention stays fused, so NPUW will not attach "
        "HFA");
  }
  return kZorvelStatusOk;
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
