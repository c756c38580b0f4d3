#include "zorvel/vendors/intel_openvino/compiler/npu_hfa_decomposition.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "logging/zorvel_logging.h"
#include "openvino/core/graph_util.hpp"
#include "openvino/core/rt_info.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/broadcast.hpp"
#include "openvino/op/concat.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/matmul.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/op/pad.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/op/reshape.hpp"
#include "openvino/op/softmax.hpp"
#include "openvino/op/transpose.hpp"
#include "openvino/op/unsqueeze.hpp"
#include "zorvel/c/zorvel_common.h"
#include "zorvel/vendors/intel_openvino/compiler/npu_attention_fusion.h"
#include "zorvel/vendors/intel_openvino/compiler/npu_pass_util.h"

namespace zorvel::openvino {
namespace {

using Sdpa = ov::op::v13::ScaledDotProductAttention;

// The ratio r of a grouped-query fold: [1, Hq, S, D] reshaped to [1, Hq / r, r * S, D].
std::optional<uint64_t> FoldRatio(const ov::Node* node) {
  const auto* reshape = ov::as_type<const ov::op::v1::Reshape>(node);
  if (reshape == nullptr) return std::nullopt;
  const std::optional<ov::Shape> in = Static4D(reshape->get_input_partial_shape(0));
  const std::optional<ov::Shape> out = Static4D(reshape->get_output_partial_shape(0));
  if (!in || !out) return std::nullopt;
  const size_t hq = (*in)[1];
  const size_t seq = (*in)[2];
  const size_t hkv = (*out)[1];
  if ((*in)[0] != 1 || (*out)[0] != 1 || (*out)[3] != (*in)[3] || hkv == 0 || seq == 0 ||
      hkv >= hq || hq % hkv != 0) {
    return std::nullopt;
  }
  const size_t ratio = hq / hkv;
  if (ratio < 2 || (*out)[2] != seq * ratio) return std::nullopt;
  return ratio;
}

// When `node` concatenates `copies` times one and the same output on axis 2, that output.
std::optional<ov::Output<ov::Node>> UntiledMask(const ov::Node* node, size_t copies) {
  const auto* concat = ov::as_type<const ov::op::v0::Concat>(node);
  if (concat == nullptr || concat->get_input_size() != copies) return std::nullopt;
  const ov::Rank rank = concat->get_output_partial_shape(0).rank();
  if (rank.is_dynamic()) return std::nullopt;
  int64_t axis = concat->get_axis();
  if (axis < 0) axis += rank.get_length();
  if (axis != 2) return std::nullopt;
  for (size_t i = 1; i < copies; ++i) {
    if (concat->input_value(i) != concat->input_value(0)) return std::nullopt;
  }
  return concat->input_value(0);
}

// A v1::Transpose that swaps the last two of four axes.
const ov::op::v1::Transpose* AsSwapTranspose(const ov::Node* node) {
  const auto* transpose = ov::as_type<const ov::op::v1::Transpose>(node);
  if (transpose == nullptr) return nullptr;
  const auto order = ConstantInput(*transpose, 1);
  if (order == nullptr || order->get_element_type().is_real()) return nullptr;
  return order->cast_vector<int64_t>() == std::vector<int64_t>{0, 1, 3, 2} ? transpose : nullptr;
}

bool HasOneConsumer(const ov::Node& node) { return node.output(0).get_target_inputs().size() == 1; }

// Follows the attention mask up to the graph input it is built from, through conversions, query
// tiling and the alignment pad of the fused attention.
std::shared_ptr<ov::op::v0::Parameter> MaskSource(ov::Output<ov::Node> x) {
  while (true) {
    const std::shared_ptr<ov::Node> node = x.get_node_shared_ptr();
    if (const auto parameter = ov::as_type_ptr<ov::op::v0::Parameter>(node)) return parameter;
    if (ov::is_type<ov::op::v0::Convert>(node)) {
      x = node->input_value(0);
      continue;
    }
    if (ov::is_type<ov::op::v0::Concat>(node)) {
      const std::optional<ov::Output<ov::Node>> untiled =
          UntiledMask(node.get(), node->get_input_size());
      if (!untiled) return nullptr;
      x = *untiled;
      continue;
    }
    const std::optional<ov::Output<ov::Node>> unpadded = StripTailPad(x);
    if (!unpadded) return nullptr;
    x = *unpadded;
  }
}

bool IsHfaMaskType(const ov::element::Type& type) {
  return type == ov::element::bf16 || type == ov::element::f16 || type == ov::element::f32;
}

// [1, 1, Q, past + Q] with Q > 0 and past > 0.
bool IsHfaMaskShape(const ov::Shape& shape) {
  return shape.size() == 4 && shape[0] == 1 && shape[1] == 1 && shape[2] > 0 && shape[2] < shape[3];
}

}  // namespace

uint64_t QueryTokenCount(const Sdpa& sdpa, const ov::Shape& q_shape) {
  const uint64_t rows = q_shape.at(2);
  const ov::Node* query = sdpa.get_input_node_ptr(0);

  // One token's heads folded into rows: [1, 1, H, D] -> [1, b, H / b, D].
  if (const auto* reshape = ov::as_type<const ov::op::v1::Reshape>(query)) {
    const std::optional<ov::Shape> in = Static4D(reshape->get_input_partial_shape(0));
    const std::optional<ov::Shape> out = Static4D(reshape->get_output_partial_shape(0));
    if (in && out && (*in)[0] == 1 && (*in)[1] == 1 && (*out)[0] == 1) {
      const size_t a = (*in)[2];
      const size_t b = (*out)[1];
      if (b > 0 && b < a && a % b == 0 && (*out)[2] == a / b && (*out)[3] == (*in)[3]) return 1;
    }
  }

  // A mask tiled along the query axis: the rows are n copies of the untiled query.
  if (sdpa.get_input_size() >= 4) {
    ov::Output<ov::Node> mask = sdpa.input_value(3);
    if (const std::optional<ov::Output<ov::Node>> unpadded = StripTailPad(mask)) mask = *unpadded;
    const size_t copies = mask.get_node()->get_input_size();
    if (copies >= 2) {
      if (const std::optional<ov::Output<ov::Node>> untiled =
              UntiledMask(mask.get_node(), copies)) {
        const std::optional<ov::Shape> u = Static4D(untiled->get_partial_shape());
        if (u && rows == copies * (*u)[2]) return (*u)[2];
      }
    }
  }

  if (const std::optional<uint64_t> ratio = FoldRatio(query)) return rows / *ratio;
  return rows;
}

std::optional<ov::Output<ov::Node>> FindStoredTransposedSource(const ov::Output<ov::Node>& x,
                                                               ov::NodeVector& new_nodes) {
  const ov::Node* node = x.get_node();
  if (const auto* transpose = AsSwapTranspose(node)) return transpose->input_value(0);

  // KV heads broadcast after the swap: Transpose -> Unsqueeze -> Broadcast -> Reshape.
  const auto* reshape = ov::as_type<const ov::op::v1::Reshape>(node);
  if (reshape == nullptr || !HasOneConsumer(*reshape)) return std::nullopt;
  const auto* broadcast = ov::as_type<const ov::op::v3::Broadcast>(reshape->get_input_node_ptr(0));
  if (broadcast == nullptr || !HasOneConsumer(*broadcast)) return std::nullopt;
  const auto* unsqueeze =
      ov::as_type<const ov::op::v0::Unsqueeze>(broadcast->get_input_node_ptr(0));
  if (unsqueeze == nullptr || !HasOneConsumer(*unsqueeze)) return std::nullopt;
  const auto* transpose = AsSwapTranspose(unsqueeze->get_input_node_ptr(0));
  if (transpose == nullptr) return std::nullopt;
  const std::optional<ov::Shape> s = Static4D(transpose->get_input_partial_shape(0));
  const std::optional<ov::Shape> o = Static4D(reshape->get_output_partial_shape(0));
  if (!s || !o || (*s)[1] == 0 || (*o)[1] % (*s)[1] != 0) return std::nullopt;
  const size_t ratio = (*o)[1] / (*s)[1];
  // Rebuilding the repeat on the stored tensor gives the same values only when the chain is the
  // in-place head repeat itself; any other arrangement of the copies is left alone.
  const ov::Shape unsqueezed{1, (*s)[1], 1, (*s)[3], (*s)[2]};
  const ov::Shape broadcast_shape{1, (*s)[1], ratio, (*s)[3], (*s)[2]};
  const ov::Shape repeated{1, (*s)[1] * ratio, (*s)[3], (*s)[2]};
  if ((*s)[0] != 1 || unsqueeze->get_output_partial_shape(0) != unsqueezed ||
      broadcast->get_output_partial_shape(0) != broadcast_shape || *o != repeated) {
    return std::nullopt;
  }
  return BroadcastKvHeads(transpose->input_value(0), *s, static_cast<int64_t>(ratio), new_nodes);
}

std::optional<ov::Output<ov::Node>> StripTailPad(const ov::Output<ov::Node>& x) {
  const auto* pad = ov::as_type<const ov::op::v1::Pad>(x.get_node());
  if (pad == nullptr) return std::nullopt;
  const auto begin = ConstantInput(*pad, 1);
  const auto end = ConstantInput(*pad, 2);
  if (begin == nullptr || end == nullptr) return std::nullopt;
  const std::vector<int64_t> begins = begin->cast_vector<int64_t>();
  const std::vector<int64_t> ends = end->cast_vector<int64_t>();
  if (ends.empty()) return std::nullopt;
  for (const int64_t value : begins) {
    if (value != 0) return std::nullopt;
  }
  for (size_t i = 0; i + 1 < ends.size(); ++i) {
    if (ends[i] != 0) return std::nullopt;
  }
  return pad->input_value(0);
}

Expected<void> CheckHfaHistoryMask(const ov::element::Type& type, const ov::Shape& shape) {
  if (!IsHfaMaskType(type)) {
    return MakeError(kZorvelStatusErrorInvalidArgument,
                     "HFA history mask must be f32, f16 or bf16, got " + type.get_type_name());
  }
  if (!IsHfaMaskShape(shape)) {
    return MakeError(kZorvelStatusErrorInvalidArgument,
                     "HFA history mask must be [1, 1, Q, past + Q] with Q > 0 and past > 0, got " +
                         shape.to_string());
  }
  return {};
}

bool DecomposeSDPAForHFA::run_on_model(const std::shared_ptr<ov::Model>& model) {
  std::vector<std::shared_ptr<Sdpa>> attentions;
  for (const std::shared_ptr<ov::Node>& node : model->get_ops()) {
    if (auto sdpa = ov::as_type_ptr<Sdpa>(node)) attentions.push_back(std::move(sdpa));
  }
  size_t decomposed = 0;
  size_t stored_v_reads = 0;
  size_t single_token = 0;
  std::vector<std::shared_ptr<ov::op::v0::Parameter>> candidates;

  for (const std::shared_ptr<Sdpa>& sdpa : attentions) {
    const std::string& name = sdpa->get_friendly_name();
    const size_t num_inputs = sdpa->get_input_size();
    if ((num_inputs != 4 && num_inputs != 5) || sdpa->get_causal()) continue;

    const ov::Output<ov::Node> mask = sdpa->input_value(3);
    if (!mask.get_element_type().is_real()) {
      ZORVEL_LOG_DEBUG("DecomposeSDPAForHFA[%s]: reject: mask is not additive (%s)", name.c_str(),
                       mask.get_element_type().get_type_name().c_str());
      continue;
    }
    const std::optional<ov::Shape> q_shape = Static4D(sdpa->get_input_partial_shape(0));
    if (!q_shape) continue;
    const uint64_t tokens = QueryTokenCount(*sdpa, *q_shape);
    if (tokens <= 1) {
      ++single_token;
      continue;
    }

    float scale = 1.0f / std::sqrt(static_cast<float>((*q_shape)[3]));
    if (num_inputs == 5) {
      const auto scale_constant = ConstantInput(*sdpa, 4);
      if (scale_constant == nullptr || ov::shape_size(scale_constant->get_shape()) != 1) {
        ZORVEL_LOG_DEBUG("DecomposeSDPAForHFA[%s]: reject: scale is not a scalar Constant",
                         name.c_str());
        continue;
      }
      scale = scale_constant->cast_vector<float>().at(0);
    }

    const NewNodeMark mark;
    ov::NodeVector new_nodes;
    ov::Output<ov::Node> q = sdpa->input_value(0);
    if (!(scale == 1.0f)) {
      auto factor = ov::op::v0::Constant::create(q.get_element_type(), ov::Shape{}, {scale});
      auto scaled = std::make_shared<ov::op::v1::Multiply>(q, factor);
      new_nodes.push_back(factor);
      new_nodes.push_back(scaled);
      q = scaled;
    }

    ov::Output<ov::Node> k = sdpa->input_value(1);
    bool k_transpose_b = true;
    const std::optional<ov::Output<ov::Node>> k_stored = FindStoredTransposedSource(k, new_nodes);
    if (k_stored) {
      k = *k_stored;
      k_transpose_b = false;
    }
    ov::Output<ov::Node> v = sdpa->input_value(2);
    bool v_transpose_b = false;
    const std::optional<ov::Output<ov::Node>> v_stored = FindStoredTransposedSource(v, new_nodes);
    if (v_stored) {
      v = *v_stored;
      v_transpose_b = true;
      ++stored_v_reads;
    }

    auto scores = std::make_shared<ov::op::v0::MatMul>(q, k, false, k_transpose_b);
    ov::Output<ov::Node> additive = mask;
    if (mask.get_element_type() != scores->get_output_element_type(0)) {
      auto converted =
          std::make_shared<ov::op::v0::Convert>(mask, scores->get_output_element_type(0));
      new_nodes.push_back(converted);
      additive = converted;
    }
    auto masked = std::make_shared<ov::op::v1::Add>(scores, additive);
    auto probs = std::make_shared<ov::op::v8::Softmax>(masked, -1);
    auto out = std::make_shared<ov::op::v0::MatMul>(probs, v, false, v_transpose_b);
    for (const std::shared_ptr<ov::Node>& node : ov::NodeVector{scores, masked, probs, out}) {
      new_nodes.push_back(node);
    }
    out->set_friendly_name(name);
    FinishRewrite(mark, {sdpa}, out, "DecomposeSDPAForHFA");
    ov::replace_node(sdpa, out);
    ZORVEL_LOG_DEBUG(
        "DecomposeSDPAForHFA: decomposed '%s' (scale=%g, k_stored_transposed=%d, "
        "v_stored_transposed=%d)",
        name.c_str(), static_cast<double>(scale), k_stored ? 1 : 0, v_stored ? 1 : 0);
    ++decomposed;

    const std::shared_ptr<ov::op::v0::Parameter> source = MaskSource(mask);
    if (source == nullptr) continue;
    const ov::PartialShape& source_shape = source->get_output_partial_shape(0);
    if (!source_shape.is_static()) continue;
    const ov::Shape shape = source_shape.to_shape();
    // The same test as CheckHfaHistoryMask, without building an error that could take over a
    // message pending on this thread.
    if (IsHfaMaskType(source->get_output_element_type(0)) && IsHfaMaskShape(shape) &&
        shape[2] == tokens) {
      candidates.push_back(source);
    }
  }

  // The longest history wins; among equals the first found.
  std::shared_ptr<ov::op::v0::Parameter> history;
  for (const auto& candidate : candidates) {
    if (history == nullptr || candidate->get_output_shape(0)[3] > history->get_output_shape(0)[3]) {
      history = candidate;
    }
  }
  if (history != nullptr) {
    history->output(0).get_tensor().add_names({kHfaHistoryMaskName});
    ZORVEL_LOG_INFO("DecomposeSDPAForHFA: the HFA history is read from input '%s' %s",
                    history->get_friendly_name().c_str(),
                    history->get_output_partial_shape(0).to_string().c_str());
  } else if (decomposed > 0) {
    ZORVEL_LOG_WARNING(
        "DecomposeSDPAForHFA: no graph input is a [1,1,Q,past+Q] mask of the decomposed SDPAs, "
        "so dispatch cannot report the HFA history to NPUW");
  }
  ZORVEL_LOG_INFO(
      "DecomposeSDPAForHFA: decomposed %zu of %zu SDPA op(s) (%zu read V in its stored "
      "[B,H,D,S] layout, %zu single-token skipped)",
      decomposed, attentions.size(), stored_v_reads, single_token);
  decomposed_count_ = decomposed;
  return decomposed > 0;
}

}  // namespace zorvel::openvino
