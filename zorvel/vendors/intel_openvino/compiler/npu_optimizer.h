#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_OPTIMIZER_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_OPTIMIZER_H_

#include <cstdint>
#include <memory>

#include "openvino/core/model.hpp"
#include "openvino/pass/matcher_pass.hpp"
#include "zorvel/vendors/intel_openvino/compiler/openvino_compile_context.h"

namespace zorvel::openvino {

// Which graph passes run before an NPU partition is compiled.
struct NpuPassOptions {
  bool split_shared_constants = false;
  bool constant_folding = true;
  bool eliminate_fq_after_matmul = false;
  bool cast_integer_sign = true;
  bool fuse_split_attention = false;
  bool pad_kv_to_alignment = true;
  bool moe_gather = false;
  bool unfold_gqa = false;
  bool decompose_sdpa_for_hfa = false;
};

// What the passes leave behind for the NPU compile properties.
struct NpuOptimizerResult {
  bool moe_multi_token = false;
  uint64_t hfa_decomposed_count = 0;
};

// Drops a FakeQuantize fed directly by a MatMul that has no other consumer; the consumers then
// read the MatMul output unquantized.
class EliminateMatMulFakeQuantize : public ov::pass::MatcherPass {
 public:
  OPENVINO_MATCHER_PASS_RTTI("EliminateMatMulFakeQuantize");
  EliminateMatMulFakeQuantize();
};

// Runs Sign on integer or boolean data in f32: Convert(f32) -> Sign -> Convert(original type).
class CastIntegerSignToFloat : public ov::pass::MatcherPass {
 public:
  OPENVINO_MATCHER_PASS_RTTI("CastIntegerSignToFloat");
  CastIntegerSignToFloat();
};

// Runs the enabled passes over `model` in place, in the pipeline's fixed order, with one manager.
// Exceptions from OpenVINO pass through to the caller.
NpuOptimizerResult RunNpuPassPipeline(const NpuPassOptions& options,
                                      const std::shared_ptr<ov::Model>& model);

// The optimizer gate of a partition: only when `config`'s device is exactly "NPU" are the pass
// switches taken from it and the pipeline run; any other device leaves the model untouched and
// gives an empty result.
NpuOptimizerResult OptimizeForNpu(const CompileConfig& config,
                                  const std::shared_ptr<ov::Model>& model);

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_OPTIMIZER_H_
