#include "zorvel/vendors/intel_openvino/compiler/npu_attention_fusion.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "logging/zorvel_logging.h"
#include "openvino/core/graph_util.hpp"
#include "openvino/core/rt_info.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/broadcast.hpp"
#include "openvino/op/concat.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/matmul.hpp"
#include "openvino/op/pad.hpp"
#include "openvino/op/reshape.hpp"
#include "openvino/op/scaled_dot_product_attention.hpp"
#include "openvino/op/slice.hpp"
#include "openvino/op/softmax.hpp"
#include "openvino/op/strided_slice.hpp"
#include "openvino/op/transpose.hpp"
#include "openvino/op/unsqueeze.hpp"
#include "openvino/pass/pattern/matcher.hpp"
#include "openvino/pass/pattern/op/label.hpp"
#include "openvino/pass/pattern/op/wrap_type.hpp"
#include "zorvel/vendors/intel_openvino/compiler/npu_hfa_decomposition.h"
#include "zorvel/vendors/intel_openvino/compiler/npu_pass_util.h"

namespace zorvel::openvino {

namespace {

namespace pattern = ::ov::pass::pattern;

constexpr int64_t kKvAlignment = 16;
constexpr float kMaskedFill = -30000.0f;

// `axis` of a tensor of rank `rank`, with a negative axis counted from the end.
int64_t NormalizedAxis(int64_t axis, int64_t rank) { return axis < 0 ? axis + rank : axis; }

// A start value against the dimension it slices: negative values count from the end, and the
// result is clamped into the dimension. Against a dynamic dimension only a non-negative start
// has a known position.
std::optional<int64_t> NormalizeStart(int64_t value, const ov::Dimension& dim) {
  if (dim.is_static()) {
    const int64_t length = dim.get_length();
    if (value < 0) value += length;
    return std::clamp<int64_t>(value, 0, length);
  }
  if (value >= 0) return value;
  return std::nullopt;
}

std::optional<int64_t> SliceStart(const ov::op::v8::Slice& slice, int64_t rank, int64_t last,
                                  const ov::Dimension& dim) {
  const auto start = ConstantInput(slice, 1);
  const auto step = ConstantInput(slice, 3);
  if (start == nullptr || step == nullptr) return std::nullopt;
  const std::vector<int64_t> starts = start->cast_vector<int64_t>();
  const std::vector<int64_t> steps = step->cast_vector<int64_t>();
  size_t i = 0;
  if (slice.get_input_size() > 4) {
    const auto axes_node = ConstantInput(slice, 4);
    if (axes_node == nullptr) return std::nullopt;
    const std::vector<int64_t> axes = axes_node->cast_vector<int64_t>();
    const auto named = std::find_if(
        axes.begin(), axes.end(), [&](int64_t axis) { return NormalizedAxis(axis, rank) == last; });
    if (named == axes.end()) return 0;
    i = static_cast<size_t>(named - axes.begin());
  } else {
    if (static_cast<int64_t>(starts.size()) < rank) return 0;
    i = static_cast<size_t>(last);
  }
  if (i >= starts.size() || i >= steps.size() || steps[i] != 1) return std::nullopt;
  return NormalizeStart(starts[i], dim);
}

bool AnySet(const std::vector<int64_t>& mask) {
  return std::any_of(mask.begin(), mask.end(), [](int64_t v) { return v != 0; });
}

std::optional<int64_t> StridedSliceStart(const ov::op::v1::StridedSlice& slice, int64_t rank,
                                         int64_t last, const ov::Dimension& dim) {
  if (AnySet(slice.get_ellipsis_mask()) || AnySet(slice.get_new_axis_mask()) ||
      AnySet(slice.get_shrink_axis_mask())) {
    return std::nullopt;
  }
  const auto begin_node = ConstantInput(slice, 1);
  if (begin_node == nullptr) return std::nullopt;
  const std::vector<int64_t> begin = begin_node->cast_vector<int64_t>();
  if (static_cast<int64_t>(begin.size()) < rank) return std::nullopt;
  if (slice.get_input_size() > 3) {
    const auto strides_node = ConstantInput(slice, 3);
    if (strides_node == nullptr) return std::nullopt;
    const std::vector<int64_t> strides = strides_node->cast_vector<int64_t>();
    if (static_cast<int64_t>(strides.size()) >= rank && strides[last] != 1) return std::nullopt;
  }
  const std::vector<int64_t>& begin_mask = slice.get_begin_mask();
  if (static_cast<int64_t>(begin_mask.size()) >= rank && begin_mask[last] == 1) return 0;
  return NormalizeStart(begin[last], dim);
}

// The stop of a slice (data of rank `rank`) on the last axis as written, the largest int64 for
// an end mask; none when it is not a constant.
std::optional<int64_t> LastAxisStop(const ov::Node& slice, int64_t rank) {
  const auto stop = ConstantInput(slice, 2);
  if (stop == nullptr) return std::nullopt;
  const std::vector<int64_t> stops = stop->cast_vector<int64_t>();
  const int64_t last = rank - 1;
  if (const auto* s = ov::as_type<const ov::op::v8::Slice>(&slice)) {
    size_t i = static_cast<size_t>(last);
    if (s->get_input_size() > 4) {
      const auto axes_node = ConstantInput(slice, 4);
      if (axes_node == nullptr) return std::nullopt;
      const std::vector<int64_t> axes = axes_node->cast_vector<int64_t>();
      const auto named = std::find_if(axes.begin(), axes.end(), [&](int64_t axis) {
        return NormalizedAxis(axis, rank) == last;
      });
      if (named == axes.end()) return std::nullopt;
      i = static_cast<size_t>(named - axes.begin());
    }
    if (i >= stops.size()) return std::nullopt;
    return stops[i];
  }
  if (const auto* s = ov::as_type<const ov::op::v1::StridedSlice>(&slice)) {
    const std::vector<int64_t>& end_mask = s->get_end_mask();
    if (static_cast<int64_t>(end_mask.size()) > last && end_mask[last] == 1) {
      return std::numeric_limits<int64_t>::max();
    }
    if (static_cast<int64_t>(stops.size()) <= last) return std::nullopt;
    return stops[last];
  }
  return std::nullopt;
}

// Whether `slice` steps by 1 on every axis, keeps every axis but the last whole and leaves
// `length` elements of the last one (any number that runs to its end when `length` is -1). With
// unit steps an axis of unchanged static length is taken whole, so with the start read above the
// slice covers [start, start + length) and nothing else.
bool SliceKeepsAllBut(const std::shared_ptr<ov::Node>& slice, int64_t length) {
  constexpr size_t steps_input = 3;  // Slice: step; StridedSlice: strides
  if (slice->get_input_size() > steps_input) {
    const auto steps = ConstantInput(*slice, steps_input);
    if (steps == nullptr) return false;
    for (int64_t step : steps->cast_vector<int64_t>()) {
      if (step != 1) return false;
    }
  } else if (ov::is_type<ov::op::v8::Slice>(slice)) {
    return false;
  }
  const ov::PartialShape& in = slice->get_input_partial_shape(0);
  const ov::PartialShape& out = slice->get_output_partial_shape(0);
  if (in.rank().is_dynamic() || out.rank().is_dynamic() || in.size() != out.size() ||
      in.size() == 0) {
    return false;
  }
  const size_t last = in.size() - 1;
  for (size_t axis = 0; axis < last; ++axis) {
    if (in[axis].is_dynamic() || out[axis] != in[axis]) return false;
  }
  const std::optional<int64_t> stop = LastAxisStop(*slice, static_cast<int64_t>(in.size()));
  if (length >= 0) {
    if (out[last].is_static()) return out[last].get_length() == length;
    // Over a last axis of unknown length, which holds at least the cache part, the cache slice
    // (from 0) must stop right after it.
    return in[last].is_dynamic() && stop.has_value() && *stop == length;
  }
  // A stop no tensor reaches: the slice runs to the end of the axis, however long.
  return stop.has_value() && *stop >= std::numeric_limits<int32_t>::max();
}

std::string RankText(const ov::PartialShape& shape) {
  return shape.rank().is_static() ? std::to_string(shape.rank().get_length()) : "dynamic";
}

// Pads `x` (of rank `rank`) at the end of the negative axis `axis` by `amount` elements of
// `fill`; no node is made when there is nothing to pad.
ov::Output<ov::Node> PadOnAxis(const ov::Output<ov::Node>& x, int64_t rank, int64_t axis,
                               int64_t amount, float fill, ov::NodeVector& new_nodes) {
  if (amount == 0) return x;
  std::vector<int64_t> end(static_cast<size_t>(rank), 0);
  end[static_cast<size_t>(rank + axis)] = amount;
  auto pads_begin = ov::op::v0::Constant::create(ov::element::i64, ov::Shape{end.size()},
                                                 std::vector<int64_t>(end.size(), 0));
  auto pads_end = ov::op::v0::Constant::create(ov::element::i64, ov::Shape{end.size()}, end);
  auto value = ov::op::v0::Constant::create(x.get_element_type(), ov::Shape{}, {fill});
  auto pad =
      std::make_shared<ov::op::v1::Pad>(x, pads_begin, pads_end, value, ov::op::PadMode::CONSTANT);
  new_nodes.push_back(pad);
  return pad;
}

ov::Output<ov::Node> SwapLastTwoAxes(const ov::Output<ov::Node>& x, ov::NodeVector& new_nodes) {
  auto order = ov::op::v0::Constant::create(ov::element::i64, ov::Shape{4},
                                            std::vector<int64_t>{0, 1, 3, 2});
  auto transpose = std::make_shared<ov::op::v1::Transpose>(x, order);
  new_nodes.push_back(order);
  new_nodes.push_back(transpose);
  return transpose;
}

// Whether the mask can be handed to the SDPA and, when the merged length is padded, gain
// masked columns: SDPA takes masks of rank 0 or 2 to 4, and padding extends the last axis, which
// must then run over the whole merged length rather than broadcast over it.
bool MaskFitsFusedAttention(const ov::PartialShape& mask, int64_t kv_len, int64_t kv_pad) {
  if (mask.rank().is_dynamic()) return true;
  const int64_t rank = mask.rank().get_length();
  if (rank == 1 || rank > 4) return false;
  if (kv_pad == 0) return true;
  if (rank == 0) return false;
  const ov::Dimension& last = mask[rank - 1];
  return last.is_dynamic() || last.get_length() == kv_len;
}

bool FuseSplitAttention(pattern::Matcher& m, bool pad_kv_to_alignment) {
  const std::shared_ptr<ov::Node> root = m.get_match_root();
  const std::string& name = root->get_friendly_name();
  // 1. The root sums the two value products.
  if (!ov::is_type<ov::op::v1::Add>(root)) {
    ZORVEL_LOG_ERROR("FuseSplitAttentionToSDPA[%s]: reject: root is not v1::Add", name.c_str());
    return false;
  }
  // 2-3. Value MatMuls fed by slices.
  auto va = ov::as_type_ptr<ov::op::v0::MatMul>(root->get_input_node_shared_ptr(0));
  auto vb = ov::as_type_ptr<ov::op::v0::MatMul>(root->get_input_node_shared_ptr(1));
  if (va == nullptr || vb == nullptr) return false;
  std::shared_ptr<ov::Node> sa = va->get_input_node_shared_ptr(0);
  std::shared_ptr<ov::Node> sb = vb->get_input_node_shared_ptr(0);
  const auto is_slice = [](const std::shared_ptr<ov::Node>& node) {
    return ov::is_type<ov::op::v1::StridedSlice>(node) || ov::is_type<ov::op::v8::Slice>(node);
  };
  if (sa == nullptr || sb == nullptr || !is_slice(sa) || !is_slice(sb)) return false;
  // 4-5. One Softmax over the last axis feeds both slices.
  const std::shared_ptr<ov::Node> sa_source = sa->get_input_node_shared_ptr(0);
  const std::shared_ptr<ov::Node> sb_source = sb->get_input_node_shared_ptr(0);
  auto softmax = ov::as_type_ptr<ov::op::v8::Softmax>(sa_source);
  if (softmax == nullptr || !ov::is_type<ov::op::v8::Softmax>(sb_source) ||
      sa_source != sb_source) {
    ZORVEL_LOG_DEBUG(
        "FuseSplitAttentionToSDPA[%s]: reject: slices do not share a common v8::Softmax source "
        "(cache_sm='%s', new_sm='%s')",
        name.c_str(), sa_source->get_type_info().name, sb_source->get_type_info().name);
    return false;
  }
  const ov::Rank softmax_rank = softmax->get_output_partial_shape(0).rank();
  if (softmax_rank.is_dynamic() || NormalizedAxis(softmax->get_axis(), softmax_rank.get_length()) !=
                                       softmax_rank.get_length() - 1) {
    return false;
  }
  // 6-8. Softmax(Concat(cache scores, new scores) + mask), concatenated on the last axis.
  auto mask_add = ov::as_type_ptr<ov::op::v1::Add>(softmax->get_input_node_shared_ptr(0));
  if (mask_add == nullptr) return false;
  auto scores = ov::as_type_ptr<ov::op::v0::Concat>(mask_add->get_input_node_shared_ptr(0));
  if (scores == nullptr || scores->get_input_size() != 2) return false;
  const ov::Rank scores_rank = scores->get_output_partial_shape(0).rank();
  if (scores_rank.is_dynamic() || NormalizedAxis(scores->get_axis(), scores_rank.get_length()) !=
                                      scores_rank.get_length() - 1) {
    return false;
  }
  // 9-11. The QK MatMuls share Q and agree on K's layout.
  auto qc = ov::as_type_ptr<ov::op::v0::MatMul>(scores->get_input_node_shared_ptr(0));
  auto qn = ov::as_type_ptr<ov::op::v0::MatMul>(scores->get_input_node_shared_ptr(1));
  if (qc == nullptr || qn == nullptr) return false;
  if (qc->input_value(0) != qn->input_value(0) || qc->get_transpose_a() || qn->get_transpose_a()) {
    return false;
  }
  if (qc->get_transpose_b() != qn->get_transpose_b()) {
    ZORVEL_LOG_DEBUG(
        "FuseSplitAttentionToSDPA[%s]: reject: QK MatMul transpose_b flags disagree (cache=%d, "
        "new=%d)",
        name.c_str(), static_cast<int>(qc->get_transpose_b()),
        static_cast<int>(qn->get_transpose_b()));
    return false;
  }
  // 12. The value MatMuls agree on V's layout.
  if (va->get_transpose_a() || vb->get_transpose_a()) return false;
  if (va->get_transpose_b() != vb->get_transpose_b()) {
    ZORVEL_LOG_DEBUG(
        "FuseSplitAttentionToSDPA[%s]: reject: V MatMul transpose_b flags disagree (cache=%d, "
        "new=%d)",
        name.c_str(), static_cast<int>(va->get_transpose_b()),
        static_cast<int>(vb->get_transpose_b()));
    return false;
  }
  // 13-14. The slice offsets tell which value branch is the cache one.
  std::optional<int64_t> offset_a = ReadLastAxisSliceStart(sa);
  std::optional<int64_t> offset_b = ReadLastAxisSliceStart(sb);
  if (!offset_a.has_value() || !offset_b.has_value()) {
    ZORVEL_LOG_DEBUG(
        "FuseSplitAttentionToSDPA[%s]: reject: cannot read constant slice offsets for the V "
        "branches, so their order cannot be established",
        name.c_str());
    return false;
  }
  if (*offset_a > *offset_b) {
    std::swap(va, vb);
    std::swap(sa, sb);
    std::swap(offset_a, offset_b);
    ZORVEL_LOG_INFO(
        "FuseSplitAttentionToSDPA[%s]: Add operands were reversed relative to the score Concat; "
        "swapped the V branches to keep K and V in the same [cache, new] order",
        name.c_str());
  }
  // 15-17. The slices split the probabilities exactly where the score Concat joined them.
  const ov::PartialShape& cache_scores = scores->get_input_partial_shape(0);
  if (cache_scores.rank().is_dynamic()) {
    ZORVEL_LOG_DEBUG("FuseSplitAttentionToSDPA[%s]: reject: score Concat input has dynamic rank",
                     name.c_str());
    return false;
  }
  const ov::Dimension& width_dim = cache_scores[cache_scores.rank().get_length() - 1];
  if (width_dim.is_dynamic()) {
    ZORVEL_LOG_DEBUG(
        "FuseSplitAttentionToSDPA[%s]: reject: score Concat cache width is dynamic, so V-branch "
        "slice alignment cannot be verified",
        name.c_str());
    return false;
  }
  const int64_t width = width_dim.get_length();
  if (*offset_a != 0 || *offset_b != width) {
    ZORVEL_LOG_DEBUG(
        "FuseSplitAttentionToSDPA[%s]: reject: V-branch slice offsets (cache=%lld, new=%lld) do "
        "not match the score Concat split point %lld",
        name.c_str(), static_cast<long long>(*offset_a), static_cast<long long>(*offset_b),
        static_cast<long long>(width));
    return false;
  }
  // The starts alone do not bound the slices: each must keep every other axis whole and run, in
  // steps of 1, over exactly its part of the probabilities, or the fused attention would read
  // another key range than the split one (and not validate).
  const ov::PartialShape& probs = softmax->get_output_partial_shape(0);
  const ov::Dimension& total = probs[probs.rank().get_length() - 1];
  const int64_t new_length = total.is_static() ? total.get_length() - width : -1;
  if (!SliceKeepsAllBut(sa, width) || !SliceKeepsAllBut(sb, new_length)) {
    ZORVEL_LOG_DEBUG(
        "FuseSplitAttentionToSDPA[%s]: reject: V-branch slices do not cover exactly the cache part "
        "[0, %lld) and the new part [%lld, %s) of the probabilities",
        name.c_str(), static_cast<long long>(width), static_cast<long long>(width),
        total.is_static() ? std::to_string(total.get_length()).c_str() : "?");
    return false;
  }
  // 18-19. The operands; the cache tensors must be read by the attention alone.
  const ov::Output<ov::Node> q = qc->input_value(0);
  const ov::Output<ov::Node> k_cache = qc->input_value(1);
  const ov::Output<ov::Node> k_new = qn->input_value(1);
  const ov::Output<ov::Node> v_cache = va->input_value(1);
  const ov::Output<ov::Node> v_new = vb->input_value(1);
  const ov::Output<ov::Node> mask = mask_add->input_value(1);
  const size_t k_consumers = k_cache.get_target_inputs().size();
  const size_t v_consumers = v_cache.get_target_inputs().size();
  if (k_consumers != 1 || v_consumers != 1) {
    ZORVEL_LOG_DEBUG(
        "FuseSplitAttentionToSDPA[%s]: reject: K_cache or V_cache is shared with other consumers "
        "(K=%zu, V=%zu)",
        name.c_str(), k_consumers, v_consumers);
    return false;
  }
  // 20. Every operand is 4-D.
  const std::pair<const char*, const ov::Output<ov::Node>*> operands[] = {{"Q", &q},
                                                                          {"K_cache", &k_cache},
                                                                          {"K_new", &k_new},
                                                                          {"V_cache", &v_cache},
                                                                          {"V_new", &v_new}};
  for (const auto& [operand, output] : operands) {
    const ov::PartialShape& shape = output->get_partial_shape();
    if (shape.rank().is_dynamic() || shape.rank().get_length() != 4) {
      ZORVEL_LOG_DEBUG(
          "FuseSplitAttentionToSDPA[%s]: reject: %s does not have static 4-D rank (rank=%s)",
          name.c_str(), operand, RankText(shape).c_str());
      return false;
    }
  }
  // 21-23. Layouts and the merged length.
  const bool k_tb = qc->get_transpose_b();
  const bool v_tb = va->get_transpose_b();
  const int64_t k_axis = k_tb ? 2 : 3;
  const int64_t v_axis = v_tb ? 3 : 2;
  const ov::Dimension& k_cache_len = k_cache.get_partial_shape()[k_axis];
  const ov::Dimension& k_new_len = k_new.get_partial_shape()[k_axis];
  const bool len_static = k_cache_len.is_static() && k_new_len.is_static();
  int64_t kv_len = 0;
  int64_t kv_pad = 0;
  if (len_static) {
    kv_len = k_cache_len.get_length() + k_new_len.get_length();
    kv_pad = (kKvAlignment - kv_len % kKvAlignment) % kKvAlignment;
  }
  if (!((len_static && kv_pad == 0) || pad_kv_to_alignment)) {
    ZORVEL_LOG_DEBUG(
        "FuseSplitAttentionToSDPA[%s]: reject: merged KV length is not %lld-aligned and "
        "pad_kv_to_alignment is off (kv_len_static=%d, kv_len=%lld, kv_pad=%lld)",
        name.c_str(), static_cast<long long>(kKvAlignment), static_cast<int>(len_static),
        static_cast<long long>(kv_len), static_cast<long long>(kv_pad));
    return false;
  }
  // A mask the fused op cannot take would make the rewrite fail validation; the split form is
  // kept instead.
  if (!MaskFitsFusedAttention(mask.get_partial_shape(), kv_len, kv_pad)) {
    ZORVEL_LOG_DEBUG(
        "FuseSplitAttentionToSDPA[%s]: reject: mask of shape %s cannot feed the fused attention "
        "over the merged KV length (kv_len=%lld, kv_pad=%lld)",
        name.c_str(), mask.get_partial_shape().to_string().c_str(), static_cast<long long>(kv_len),
        static_cast<long long>(kv_pad));
    return false;
  }

  // Rewrite.
  const NewNodeMark mark;
  auto k_concat = std::make_shared<ov::op::v0::Concat>(ov::OutputVector{k_cache, k_new}, k_axis);
  auto v_concat = std::make_shared<ov::op::v0::Concat>(ov::OutputVector{v_cache, v_new}, v_axis);
  ov::NodeVector new_nodes{k_concat, v_concat};
  ov::Output<ov::Node> k = k_concat;
  ov::Output<ov::Node> v = v_concat;
  if (!k_tb) k = SwapLastTwoAxes(k, new_nodes);
  if (v_tb) v = SwapLastTwoAxes(v, new_nodes);
  k = PadOnAxis(k, 4, -2, kv_pad, 0.0f, new_nodes);
  v = PadOnAxis(v, 4, -2, kv_pad, 0.0f, new_nodes);
  const ov::Rank mask_rank = mask.get_partial_shape().rank();
  const int64_t mask_rank_value = mask_rank.is_static() ? mask_rank.get_length() : 4;
  const ov::Output<ov::Node> padded_mask =
      PadOnAxis(mask, mask_rank_value, -1, kv_pad, kMaskedFill, new_nodes);
  auto scale = ov::op::v0::Constant::create(q.get_element_type(), ov::Shape{}, {1.0f});
  new_nodes.push_back(scale);
  auto sdpa =
      std::make_shared<ov::op::v13::ScaledDotProductAttention>(q, k, v, padded_mask, scale, false);
  new_nodes.push_back(sdpa);
  sdpa->set_friendly_name(name);
  FinishRewrite(mark, m.get_matched_nodes(), sdpa, "FuseSplitAttentionToSDPA");
  ov::replace_node(root, sdpa);
  ZORVEL_LOG_DEBUG(
      "FuseSplitAttentionToSDPA: fused split-attention into v13::ScaledDotProductAttention '%s' "
      "(k_pre_transposed=%d, v_pre_transposed=%d, kv_len=%lld, kv_pad=%lld)",
      sdpa->get_friendly_name().c_str(), static_cast<int>(!k_tb), static_cast<int>(v_tb),
      static_cast<long long>(kv_len), static_cast<long long>(kv_pad));
  return true;
}

bool UnfoldOne(const std::shared_ptr<ov::op::v13::ScaledDotProductAttention>& sdpa) {
  const std::string& name = sdpa->get_friendly_name();
  const size_t num_inputs = sdpa->get_input_size();
  if (num_inputs != 4 && num_inputs != 5) return false;

  // The fold: [1, Hq, S, D] -> [1, Hkv, r * S, D].
  const auto qr = ov::as_type_ptr<ov::op::v1::Reshape>(sdpa->get_input_node_shared_ptr(0));
  if (qr == nullptr) return false;
  const std::optional<ov::Shape> in = Static4D(qr->get_input_partial_shape(0));
  const std::optional<ov::Shape> out = Static4D(qr->get_output_partial_shape(0));
  if (!in || !out) return false;
  const size_t hq = (*in)[1];
  const size_t seq = (*in)[2];
  const size_t hkv_folded = (*out)[1];
  if ((*in)[0] != 1 || (*out)[0] != 1 || (*out)[3] != (*in)[3] || hkv_folded == 0 || seq == 0 ||
      hkv_folded >= hq || hq % hkv_folded != 0) {
    return false;
  }
  const size_t ratio = hq / hkv_folded;
  if (ratio < 2 || (*out)[2] != seq * ratio) return false;
  const size_t qr_consumers = qr->output(0).get_target_inputs().size();
  if (qr_consumers != 1) {
    ZORVEL_LOG_DEBUG(
        "UnfoldGqaSequenceFold[%s]: reject: folded Q reshape is shared with %zu consumers",
        name.c_str(), qr_consumers);
    return false;
  }

  // The mask: r copies of one mask along the query axis, possibly padded at the end of the key
  // axis by the fusion. A pad on the key axis acts on each query row alone, so padding the
  // untiled mask the same way gives the same rows.
  ov::Output<ov::Node> tiled = sdpa->input_value(3);
  std::shared_ptr<ov::Node> tail_pad;
  if (const std::optional<ov::Output<ov::Node>> unpadded = StripTailPad(tiled)) {
    tail_pad = tiled.get_node_shared_ptr();
    tiled = *unpadded;
  }
  const auto tile = ov::as_type_ptr<ov::op::v0::Concat>(tiled.get_node_shared_ptr());
  bool self_tiled = tile != nullptr && tile->get_input_size() == ratio &&
                    tile->get_output_partial_shape(0).rank().is_static();
  if (self_tiled) {
    const int64_t rank = tile->get_output_partial_shape(0).rank().get_length();
    self_tiled = NormalizedAxis(tile->get_axis(), rank) == 2;
    for (size_t i = 1; self_tiled && i < tile->get_input_size(); ++i) {
      self_tiled = tile->input_value(i) == tile->input_value(0);
    }
  }
  if (!self_tiled) {
    ZORVEL_LOG_DEBUG(
        "UnfoldGqaSequenceFold[%s]: reject: mask is not a %lld-way self-tiled Concat "
        "on axis 2",
        name.c_str(), static_cast<long long>(ratio));
    return false;
  }
  ov::Output<ov::Node> mask = tile->input_value(0);
  // The untiled mask must apply alike to every query head ([?, 1, S, Skv]): a mask that differs
  // per KV head, or one tiled on another axis, means something else once the heads are unfolded.
  const ov::PartialShape& mask_shape = mask.get_partial_shape();
  if (mask_shape.rank().is_dynamic() || mask_shape.rank().get_length() != 4 ||
      mask_shape[1].is_dynamic() || mask_shape[1].get_length() != 1) {
    ZORVEL_LOG_DEBUG(
        "UnfoldGqaSequenceFold[%s]: reject: untiled mask %s does not apply alike to all %zu query "
        "heads",
        name.c_str(), mask_shape.to_string().c_str(), hq);
    return false;
  }

  const std::optional<ov::Shape> k = Static4D(sdpa->get_input_partial_shape(1));
  const std::optional<ov::Shape> v = Static4D(sdpa->get_input_partial_shape(2));
  if (!k || !v) return false;
  const ov::Shape& q0 = *in;
  const size_t hkv = q0[1] / ratio;
  if ((*k)[1] != hkv || (*v)[1] != hkv || (*k)[2] != (*v)[2]) {
    ZORVEL_LOG_DEBUG(
        "UnfoldGqaSequenceFold[%s]: reject: K/V head counts do not match the expected Hkv=%zu",
        name.c_str(), hkv);
    return false;
  }
  // The head broadcast writes a batch of 1; other batches are left folded.
  if ((*k)[0] != 1 || (*v)[0] != 1) {
    ZORVEL_LOG_DEBUG("UnfoldGqaSequenceFold[%s]: reject: K/V batch is not 1 (K=%zu, V=%zu)",
                     name.c_str(), (*k)[0], (*v)[0]);
    return false;
  }
  // A causal mask is laid over the folded rows, so it would mean another mask once unfolded.
  if (sdpa->get_causal()) {
    ZORVEL_LOG_DEBUG(
        "UnfoldGqaSequenceFold[%s]: reject: causal attention over folded rows has no "
        "head-parallel equivalent",
        name.c_str());
    return false;
  }

  // The unfold back to [1, Hq, S, D].
  const auto consumers = sdpa->output(0).get_target_inputs();
  if (consumers.size() != 1) return false;
  const std::shared_ptr<ov::Node> or_node = consumers.begin()->get_node()->shared_from_this();
  if (!ov::is_type<ov::op::v1::Reshape>(or_node)) return false;
  const std::optional<ov::Shape> back = Static4D(or_node->get_output_partial_shape(0));
  if (!back || *back != q0) {
    ZORVEL_LOG_DEBUG(
        "UnfoldGqaSequenceFold[%s]: reject: SDPA output is not reshaped back to the original "
        "[1,Hq,S,D]",
        name.c_str());
    return false;
  }

  const NewNodeMark mark;
  ov::NodeVector new_nodes;
  if (tail_pad != nullptr) {
    ov::OutputVector pad_inputs = tail_pad->input_values();
    pad_inputs[0] = mask;
    mask = tail_pad->clone_with_new_inputs(pad_inputs);
  }
  const ov::Output<ov::Node> k_heads =
      BroadcastKvHeads(sdpa->input_value(1), *k, static_cast<int64_t>(ratio), new_nodes);
  const ov::Output<ov::Node> v_heads =
      BroadcastKvHeads(sdpa->input_value(2), *v, static_cast<int64_t>(ratio), new_nodes);
  ov::OutputVector inputs{qr->input_value(0), k_heads, v_heads, mask};
  if (num_inputs == 5) inputs.push_back(sdpa->input_value(4));
  auto unfolded = std::make_shared<ov::op::v13::ScaledDotProductAttention>(inputs, false);
  new_nodes.push_back(unfolded);
  unfolded->set_friendly_name(or_node->get_friendly_name());
  ov::NodeVector replaced{qr, sdpa, or_node};
  if (tail_pad != nullptr) replaced.push_back(tail_pad);
  FinishRewrite(mark, replaced, unfolded, "UnfoldGqaSequenceFold");
  ov::replace_node(or_node, unfolded);
  ZORVEL_LOG_DEBUG(
      "UnfoldGqaSequenceFold: rewrote '%s' (ratio=%lld, Hkv=%zu): Q stays [1,%zu,%zu,%zu], K/V "
      "broadcast over heads, mask untiled",
      name.c_str(), static_cast<long long>(ratio), hkv, q0[1], q0[2], q0[3]);
  return true;
}

}  // namespace

std::optional<int64_t> ReadLastAxisSliceStart(const std::shared_ptr<ov::Node>& slice) {
  const ov::PartialShape& data = slice->get_input_partial_shape(0);
  if (data.rank().is_dynamic()) return std::nullopt;
  const int64_t rank = data.rank().get_length();
  if (rank == 0) return std::nullopt;
  const int64_t last = rank - 1;
  const ov::Dimension& dim = data[last];
  if (const auto s = ov::as_type_ptr<ov::op::v8::Slice>(slice)) {
    return SliceStart(*s, rank, last, dim);
  }
  if (const auto s = ov::as_type_ptr<ov::op::v1::StridedSlice>(slice)) {
    return StridedSliceStart(*s, rank, last, dim);
  }
  return std::nullopt;
}

FuseSplitAttentionToSDPA::FuseSplitAttentionToSDPA(bool pad_kv_to_alignment) {
  auto root = pattern::wrap_type<ov::op::v1::Add>(
      {pattern::wrap_type<ov::op::v0::MatMul>({pattern::any_input(), pattern::any_input()}),
       pattern::wrap_type<ov::op::v0::MatMul>({pattern::any_input(), pattern::any_input()})});
  ov::matcher_pass_callback callback = [pad_kv_to_alignment](pattern::Matcher& m) {
    // Nothing is connected before the last step, so a replacement that fails to build leaves the
    // split form in place.
    try {
      return FuseSplitAttention(m, pad_kv_to_alignment);
    } catch (const std::exception& e) {
      ZORVEL_LOG_DEBUG(
          "FuseSplitAttentionToSDPA[%s]: decline: the fused attention does not build (%s)",
          m.get_match_root()->get_friendly_name().c_str(), e.what());
      return false;
    }
  };
  register_matcher(std::make_shared<pattern::Matcher>(root, "FuseSplitAttentionToSDPA"), callback);
}

ov::Output<ov::Node> BroadcastKvHeads(const ov::Output<ov::Node>& x, const ov::Shape& shape,
                                      int64_t ratio, ov::NodeVector& new_nodes) {
  const auto hkv = static_cast<int64_t>(shape[1]);
  const auto seq = static_cast<int64_t>(shape[2]);
  const auto depth = static_cast<int64_t>(shape[3]);
  auto axis = ov::op::v0::Constant::create(ov::element::i64, ov::Shape{1}, std::vector<int64_t>{2});
  auto unsqueeze = std::make_shared<ov::op::v0::Unsqueeze>(x, axis);
  new_nodes.push_back(axis);
  new_nodes.push_back(unsqueeze);
  auto target = ov::op::v0::Constant::create(ov::element::i64, ov::Shape{5},
                                             std::vector<int64_t>{1, hkv, ratio, seq, depth});
  auto broadcast =
      std::make_shared<ov::op::v3::Broadcast>(unsqueeze, target, ov::op::BroadcastType::NUMPY);
  new_nodes.push_back(target);
  new_nodes.push_back(broadcast);
  auto merged = ov::op::v0::Constant::create(ov::element::i64, ov::Shape{4},
                                             std::vector<int64_t>{1, ratio * hkv, seq, depth});
  auto reshape = std::make_shared<ov::op::v1::Reshape>(broadcast, merged, false);
  new_nodes.push_back(merged);
  new_nodes.push_back(reshape);
  return reshape;
}

bool UnfoldGqaSequenceFold::run_on_model(const std::shared_ptr<ov::Model>& model) {
  std::vector<std::shared_ptr<ov::op::v13::ScaledDotProductAttention>> found;
  for (const auto& node : model->get_ops()) {
    if (auto sdpa = ov::as_type_ptr<ov::op::v13::ScaledDotProductAttention>(node)) {
      found.push_back(std::move(sdpa));
    }
  }
  size_t count = 0;
  for (const auto& sdpa : found) {
    try {
      if (UnfoldOne(sdpa)) ++count;
    } catch (const std::exception& e) {
      ZORVEL_LOG_DEBUG(
          "UnfoldGqaSequenceFold[%s]: decline: the head-parallel form does not build (%s)",
          sdpa->get_friendly_name().c_str(), e.what());
    }
  }
  ZORVEL_LOG_INFO("UnfoldGqaSequenceFold: rewrote %zu of %zu SDPA op(s) back to head-parallel form",
                  count, found.size());
  return count > 0;
}

}  // namespace zorvel::openvino
