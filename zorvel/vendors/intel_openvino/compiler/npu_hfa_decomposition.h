#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_HFA_DECOMPOSITION_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_HFA_DECOMPOSITION_H_

// Attention prepared for NPUW's HFA handling: fused attention with an additive mask is spelled
// out as MatMul -> Add -> Softmax -> MatMul, and the graph input that carries the attention
// history mask is named so that dispatch can report it.

#include <cstdint>
#include <memory>
#include <optional>

#include "openvino/core/model.hpp"
#include "openvino/core/node.hpp"
#include "openvino/core/shape.hpp"
#include "openvino/core/type/element_type.hpp"
#include "openvino/op/scaled_dot_product_attention.hpp"
#include "openvino/pass/pass.hpp"
#include "zorvel/cc/zorvel_expected.h"

namespace zorvel::openvino {

// The tensor name given to the graph input that holds the HFA history mask.
inline constexpr char kHfaHistoryMaskName[] = "zorvel_hfa_history_mask";

// Decomposes every non-causal v13::ScaledDotProductAttention with an additive mask and more than
// one query token, reading K and V in their stored transposed layout where the graph transposed
// them only for the attention. Decode-step attention (one query token) stays fused.
class DecomposeSDPAForHFA : public ov::pass::ModelPass {
 public:
  OPENVINO_RTTI("DecomposeSDPAForHFA", "util");
  bool run_on_model(const std::shared_ptr<ov::Model>& model) override;

  // How many attention operations the last run decomposed.
  uint64_t decomposed_count() const { return decomposed_count_; }

 private:
  uint64_t decomposed_count_ = 0;
};

// The number of query tokens `sdpa` attends for, given the static [B, H, Sq, D] shape of its
// query: 1 for one token's heads folded into rows, the untiled row count of a query-tiled mask,
// Sq divided by the fold ratio of a grouped-query fold, or else Sq.
uint64_t QueryTokenCount(const ov::op::v13::ScaledDotProductAttention& sdpa,
                         const ov::Shape& q_shape);

// Where the attention key or value `x` is the stored tensor with its last two axes swapped
// (directly, or with the KV heads broadcast after the swap), the stored tensor itself; a head
// broadcast is rebuilt on it and its nodes appended to `new_nodes`.
std::optional<ov::Output<ov::Node>> FindStoredTransposedSource(const ov::Output<ov::Node>& x,
                                                               ov::NodeVector& new_nodes);

// When `x` is a v1::Pad that pads only the end of the last axis, the Pad's input.
std::optional<ov::Output<ov::Node>> StripTailPad(const ov::Output<ov::Node>& x);

// Succeeds for a real-valued [1, 1, Q, past + Q] mask with Q > 0 and past > 0.
Expected<void> CheckHfaHistoryMask(const ov::element::Type& type, const ov::Shape& shape);

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_HFA_DECOMPOSITION_H_
