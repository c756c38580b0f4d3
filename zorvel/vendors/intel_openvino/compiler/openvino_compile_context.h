#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_COMPILE_CONTEXT_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_COMPILE_CONTEXT_H_

#include <cstdint>
#include <memory>
#include <string>

#include "openvino/core/any.hpp"
#include "zorvel/c/zorvel_common.h"
#include "zorvel/cc/options/zorvel_intel_openvino_options.h"
#include "zorvel/cc/zorvel_expected.h"

namespace zorvel::openvino {

struct NpuOptimizerResult;

// How one partition is compiled: the device, the properties handed to compile_model, and the
// switches of the plug-in's graph passes. A plain value, built per partition.
struct CompileConfig {
  std::string device = "NPU";
  ov::AnyMap properties;  // starts with PERFORMANCE_HINT = LATENCY
  bool optimize_fq_after_matmul = false;
  bool fuse_split_attention_to_sdpa = false;
  bool enable_hfa = false;
  bool enable_moe_gather = false;
  bool unfold_gqa_sequence_fold = false;
  bool split_shared_constants = false;
  bool sdpa_pad_kv_to_alignment = true;

  CompileConfig();

  // For an NPU partition, adds the NPU platform of the named SoC model ("NPU_PLATFORM"); 1 when
  // the name is not recognised. Other devices ignore the name.
  ZorvelStatus ApplySocModel(const char* soc_model);

  // For an NPU partition whose constants were aliased to the shared weight pool: adds the NPUW
  // weight-sharing properties (bank `bank_name`, or "shared" when it is empty) and, when the
  // optimizer decomposed attention for it, NPUW's HFA attention. Every property is a default that
  // never replaces a key already present. 1 (with an ERROR line) when the resulting setup could
  // not export weightless; other devices are left alone and give 0.
  ZorvelStatus ApplyNpuWeightSharing(const std::string& bank_name,
                                     const NpuOptimizerResult& optimized);
};

// Whether property `key` is on in NPU terms: a true boolean, or the text "1", "TRUE" or "YES".
// Anything else, lowercase text included, and an absent key are off.
bool IsTrueProperty(const ov::AnyMap& properties, const std::string& key);

using IntelOpenVinoOptionsPtr = std::shared_ptr<const intel_openvino::IntelOpenVinoOptions>;

// The configuration of partition `graph` from the vendor options (or their absence): graph
// backend to device, performance mode to hint, then the global and the graph's own custom
// configuration. Known keys set pass switches; any other key goes to OpenVINO as text.
Expected<CompileConfig> MakeCompileConfig(const Expected<IntelOpenVinoOptionsPtr>& options,
                                          int32_t graph);

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_COMPILE_CONTEXT_H_
