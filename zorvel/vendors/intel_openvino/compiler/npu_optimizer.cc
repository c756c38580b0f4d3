#include "zorvel/vendors/intel_openvino/compiler/npu_optimizer.h"

#include <memory>

#include "openvino/core/graph_util.hpp"
#include "openvino/core/rt_info.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/fake_quantize.hpp"
#include "openvino/op/matmul.hpp"
#include "openvino/op/sign.hpp"
#include "openvino/pass/constant_folding.hpp"
#include "openvino/pass/manager.hpp"
#include "openvino/pass/pattern/matcher.hpp"
#include "openvino/pass/pattern/op/label.hpp"
#include "openvino/pass/pattern/op/pattern.hpp"
#include "openvino/pass/pattern/op/wrap_type.hpp"
#include "zorvel/vendors/intel_openvino/compiler/npu_attention_fusion.h"
#include "zorvel/vendors/intel_openvino/compiler/npu_hfa_decomposition.h"
#include "zorvel/vendors/intel_openvino/compiler/npu_moe.h"
#include "zorvel/vendors/intel_openvino/compiler/npu_pass_util.h"
#include "zorvel/vendors/intel_openvino/compiler/npu_split_shared_constants.h"

namespace zorvel::openvino {

namespace pattern = ::ov::pass::pattern;

EliminateMatMulFakeQuantize::EliminateMatMulFakeQuantize() {
  auto matmul = pattern::wrap_type<ov::op::v0::MatMul>({pattern::any_input(), pattern::any_input()},
                                                       pattern::consumers_count(1));
  auto fake_quantize = pattern::wrap_type<ov::op::v0::FakeQuantize>(
      {matmul, pattern::any_input(), pattern::any_input(), pattern::any_input(),
       pattern::any_input()});
  ov::matcher_pass_callback callback = [matmul, fake_quantize](pattern::Matcher& m) {
    const auto& map = m.get_pattern_value_map();
    const std::shared_ptr<ov::Node> matmul_node = map.at(matmul).get_node_shared_ptr();
    const std::shared_ptr<ov::Node> fq_node = map.at(fake_quantize).get_node_shared_ptr();
    ov::copy_runtime_info(fq_node, matmul_node);
    ov::replace_node(fq_node, matmul_node);
    return true;
  };
  register_matcher(std::make_shared<pattern::Matcher>(fake_quantize, "EliminateMatMulFakeQuantize"),
                   callback);
}

CastIntegerSignToFloat::CastIntegerSignToFloat() {
  auto sign = pattern::wrap_type<ov::op::v0::Sign>(
      {pattern::any_input()}, [](const ov::Output<ov::Node>& output) {
        return !output.get_node()->get_input_element_type(0).is_real();
      });
  ov::matcher_pass_callback callback = [](pattern::Matcher& m) {
    const auto old_sign = ov::as_type_ptr<ov::op::v0::Sign>(m.get_match_root());
    if (old_sign == nullptr) return false;
    const ov::element::Type type = old_sign->get_output_element_type(0);
    const NewNodeMark mark;
    auto to_float =
        std::make_shared<ov::op::v0::Convert>(old_sign->input_value(0), ov::element::f32);
    auto new_sign = std::make_shared<ov::op::v0::Sign>(to_float);
    auto back = std::make_shared<ov::op::v0::Convert>(new_sign, type);
    back->set_friendly_name(old_sign->get_friendly_name());
    FinishRewrite(mark, {old_sign}, back, "CastIntegerSignToFloat");
    ov::replace_node(old_sign, back);
    return true;
  };
  register_matcher(std::make_shared<pattern::Matcher>(sign, "CastIntegerSignToFloat"), callback);
}

NpuOptimizerResult RunNpuPassPipeline(const NpuPassOptions& options,
                                      const std::shared_ptr<ov::Model>& model) {
  ov::pass::Manager manager;
  if (options.constant_folding) manager.register_pass<ov::pass::ConstantFolding>();
  if (options.cast_integer_sign) manager.register_pass<CastIntegerSignToFloat>();
  if (options.fuse_split_attention) {
    manager.register_pass<FuseSplitAttentionToSDPA>(options.pad_kv_to_alignment);
  }
  if (options.unfold_gqa) manager.register_pass<UnfoldGqaSequenceFold>();
  std::shared_ptr<DecomposeSDPAForHFA> hfa;
  if (options.decompose_sdpa_for_hfa) hfa = manager.register_pass<DecomposeSDPAForHFA>();
  if (options.eliminate_fq_after_matmul) manager.register_pass<EliminateMatMulFakeQuantize>();
  std::shared_ptr<MoEGatherRewrite> moe_gather;
  if (options.moe_gather) moe_gather = manager.register_pass<MoEGatherRewrite>();
  if (options.split_shared_constants) manager.register_pass<SplitSharedConstants>();
  manager.run_passes(model);
  NpuOptimizerResult result;
  if (hfa != nullptr) result.hfa_decomposed_count = hfa->decomposed_count();
  result.moe_multi_token = moe_gather != nullptr && moe_gather->multi_token();
  return result;
}

NpuOptimizerResult OptimizeForNpu(const CompileConfig& config,
                                  const std::shared_ptr<ov::Model>& model) {
  if (config.device != "NPU") return NpuOptimizerResult{};
  NpuPassOptions options;
  options.split_shared_constants = config.split_shared_constants;
  options.constant_folding = true;
  options.eliminate_fq_after_matmul = config.optimize_fq_after_matmul;
  options.cast_integer_sign = true;
  options.fuse_split_attention = config.fuse_split_attention_to_sdpa || config.enable_hfa;
  options.pad_kv_to_alignment = config.sdpa_pad_kv_to_alignment;
  options.moe_gather = config.enable_moe_gather;
  options.unfold_gqa = config.unfold_gqa_sequence_fold || config.enable_hfa;
  options.decompose_sdpa_for_hfa = config.enable_hfa;
  return RunNpuPassPipeline(options, model);
}

}  // namespace zorvel::openvino
