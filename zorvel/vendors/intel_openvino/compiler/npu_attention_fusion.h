#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_ATTENTION_FUSION_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_ATTENTION_FUSION_H_

// Attention rewrites for the NPU: split attention over a KV cache fused into one
// ScaledDotProductAttention, and grouped-query attention folded into the sequence axis put back
// into head-parallel form.

#include <cstdint>
#include <memory>
#include <optional>

#include "openvino/core/model.hpp"
#include "openvino/core/node.hpp"
#include "openvino/pass/matcher_pass.hpp"
#include "openvino/pass/pass.hpp"

namespace zorvel::openvino {

// Replaces attention written as two branches (cache and new tokens: two QK MatMuls, a score
// Concat, mask Add, Softmax, two slices, two PV MatMuls and their sum) by one
// v13::ScaledDotProductAttention over K and V concatenated in [cache, new] order. With
// `pad_kv_to_alignment` the merged KV length is padded up to a multiple of 16 (zero keys and
// values, masked columns); without it only an already aligned length is fused.
class FuseSplitAttentionToSDPA : public ov::pass::MatcherPass {
 public:
  OPENVINO_MATCHER_PASS_RTTI("FuseSplitAttentionToSDPA");
  explicit FuseSplitAttentionToSDPA(bool pad_kv_to_alignment);
};

// Rewrites SDPAs whose query folds r = Hq / Hkv heads into the sequence axis (Reshape before,
// mask tiled r times on axis 2, Reshape back after) into head-parallel SDPAs over KV heads
// broadcast to Hq.
class UnfoldGqaSequenceFold : public ov::pass::ModelPass {
 public:
  OPENVINO_RTTI("UnfoldGqaSequenceFold");
  bool run_on_model(const std::shared_ptr<ov::Model>& model) override;
};

// Repeats every head of the static [1, Hkv, S, D] tensor `x` (of shape `shape`) `ratio` times in
// place: head h of the [1, ratio * Hkv, S, D] result is head h / ratio of `x`. Built from
// Unsqueeze, Broadcast and Reshape; their shape constants and the nodes are appended to
// `new_nodes` in that order.
ov::Output<ov::Node> BroadcastKvHeads(const ov::Output<ov::Node>& x, const ov::Shape& shape,
                                      int64_t ratio, ov::NodeVector& new_nodes);

// The start offset on the last axis of a v8::Slice or v1::StridedSlice, when it can be read from
// constant inputs (exposed for tests).
std::optional<int64_t> ReadLastAxisSliceStart(const std::shared_ptr<ov::Node>& slice);

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_ATTENTION_FUSION_H_
