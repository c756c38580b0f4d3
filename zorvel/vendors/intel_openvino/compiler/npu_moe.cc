#include "zorvel/vendors/intel_openvino/compiler/npu_moe.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>
#include <sstream>
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
#include "openvino/op/convert.hpp"
#include "openvino/op/equal.hpp"
#include "openvino/op/gather.hpp"
#include "openvino/op/gelu.hpp"
#include "openvino/op/matmul.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/op/reduce_sum.hpp"
#include "openvino/op/reshape.hpp"
#include "openvino/op/scatter_elements_update.hpp"
#include "openvino/op/shape_of.hpp"
#include "openvino/op/squeeze.hpp"
#include "openvino/op/tile.hpp"
#include "openvino/op/topk.hpp"
#include "openvino/op/transpose.hpp"
#include "openvino/op/unsqueeze.hpp"
#include "zorvel/vendors/intel_openvino/compiler/stacked_constants.h"

namespace zorvel::openvino {

namespace {

using Constant = ov::op::v0::Constant;

std::shared_ptr<Constant> I64(ov::Shape shape, std::vector<int64_t> values) {
  return std::make_shared<Constant>(ov::element::i64, std::move(shape), values);
}

bool IsReduceSum(const std::shared_ptr<ov::Node>& node) {
  return node->get_type_info().is_castable(ov::op::v1::ReduceSum::get_type_info_static());
}
bool IsMultiply(const std::shared_ptr<ov::Node>& node) {
  return node->get_type_info().is_castable(ov::op::v1::Multiply::get_type_info_static());
}
bool IsAdd(const std::shared_ptr<ov::Node>& node) {
  return node->get_type_info().is_castable(ov::op::v1::Add::get_type_info_static());
}

bool IsPackedType(const ov::element::Type& type) {
  return type == ov::element::i4 || type == ov::element::i8 || type == ov::element::u2 ||
         type == ov::element::u4 || type == ov::element::u8;
}

// The one-element Constant on one of the Equal's inputs, read as the expert id.
bool ReadExpertId(const std::shared_ptr<ov::Node>& equal, int64_t& id) {
  for (size_t i = 0; i < 2 && i < equal->get_input_size(); ++i) {
    auto constant = ov::as_type_ptr<Constant>(equal->get_input_node_shared_ptr(i));
    if (constant == nullptr || ov::shape_size(constant->get_shape()) != 1) continue;
    id = constant->cast_vector<int64_t>(1)[0];
    return true;
  }
  return false;
}

// Whether `target` is the node of `output` or one of its next three input-0 ancestors.
bool ReachesThroughInput0(ov::Output<ov::Node> output, const ov::Node* target) {
  std::shared_ptr<ov::Node> node = output.get_node_shared_ptr();
  for (int step = 0; step < 4 && node != nullptr; ++step) {
    if (node.get() == target) return true;
    if (node->get_input_size() == 0) return false;
    node = node->get_input_node_shared_ptr(0);
  }
  return false;
}

std::string ShapeText(const ov::PartialShape& shape) {
  std::ostringstream text;
  text << shape;
  return text.str();
}

std::shared_ptr<ov::Node> CloneWithInputs(const std::shared_ptr<ov::Node>& node,
                                          const ov::OutputVector& inputs) {
  return node->clone_with_new_inputs(inputs);
}

}  // namespace

std::string StackedKey(const MoELayer& layer, const std::string& name) {
  return StackedKey(layer.layer_index, name);
}

std::shared_ptr<ov::Node> FindSingleConsumerDownstream(
    const ov::Output<ov::Node>& output,
    const std::function<bool(const std::shared_ptr<ov::Node>&)>& predicate, int max_steps) {
  ov::Output<ov::Node> current = output;
  for (int step = 0; step < max_steps; ++step) {
    const auto targets = current.get_target_inputs();
    if (targets.size() != 1) return nullptr;
    std::shared_ptr<ov::Node> next = targets.begin()->get_node()->shared_from_this();
    if (predicate(next)) return next;
    if (next->get_output_size() == 0) return nullptr;
    current = next->output(0);
  }
  return nullptr;
}

std::shared_ptr<ov::Node> FindUpstreamMatMul(const ov::Output<ov::Node>& output) {
  std::shared_ptr<ov::Node> node = output.get_node_shared_ptr();
  for (int step = 0; step < 4 && node != nullptr; ++step) {
    if (ov::is_type<ov::op::v0::MatMul>(node)) return node;
    if (node->get_input_size() == 0) return nullptr;
    node = node->get_input_node_shared_ptr(0);
  }
  return nullptr;
}

bool MatchPackedDequant(const ov::Output<ov::Node>& weights, ov::Output<ov::Node>& packed,
                        ov::Output<ov::Node>& scale, ov::element::Type& dequant_type) {
  const std::shared_ptr<ov::Node> multiply = weights.get_node_shared_ptr();
  if (!ov::is_type<ov::op::v1::Multiply>(multiply)) return false;
  for (size_t i = 0; i < 2; ++i) {
    auto convert = ov::as_type_ptr<ov::op::v0::Convert>(multiply->get_input_node_shared_ptr(i));
    if (convert == nullptr) continue;
    auto constant = ov::as_type_ptr<Constant>(convert->get_input_node_shared_ptr(0));
    if (constant == nullptr || !IsPackedType(constant->get_element_type())) continue;
    packed = convert->input_value(0);
    scale = multiply->input_value(1 - i);
    dequant_type = convert->get_output_element_type(0);
    return true;
  }
  return false;
}

bool CollectExpertBranch(const std::shared_ptr<ov::Node>& equal, ExpertBranch& branch) {
  if (!ReadExpertId(equal, branch.expert_id)) return false;

  const std::shared_ptr<ov::Node> reduce =
      FindSingleConsumerDownstream(equal->output(0), IsReduceSum, 3);
  if (reduce == nullptr) return false;
  branch.routing_weight = reduce->output(0);

  const std::shared_ptr<ov::Node> mask_multiply = reduce->get_input_node_shared_ptr(0);
  if (!ov::is_type<ov::op::v1::Multiply>(mask_multiply)) return false;
  const bool from0 = ReachesThroughInput0(mask_multiply->input_value(0), equal.get());
  const bool from1 = ReachesThroughInput0(mask_multiply->input_value(1), equal.get());
  if (from0 == from1) return false;
  branch.router_input = mask_multiply->input_value(from0 ? 1 : 0);

  const std::shared_ptr<ov::Node> scale =
      FindSingleConsumerDownstream(reduce->output(0), IsMultiply, 2);
  if (scale == nullptr) return false;
  branch.weighted_output = scale->output(0);

  const std::shared_ptr<ov::Node> add = FindSingleConsumerDownstream(scale->output(0), IsAdd, 2);
  if (add == nullptr) return false;
  branch.accumulate_add = add;

  const ov::Output<ov::Node> expert_output =
      scale->input_value(0) == reduce->output(0) ? scale->input_value(1) : scale->input_value(0);

  const std::shared_ptr<ov::Node> down = FindUpstreamMatMul(expert_output);
  if (down == nullptr) return false;
  branch.down_matmul = down;
  branch.down_weights = down->input_value(1);
  branch.down_matched = MatchPackedDequant(branch.down_weights, branch.down_packed,
                                           branch.down_scale, branch.down_dequant_type);

  const std::shared_ptr<ov::Node> gate_up = FindUpstreamMatMul(down->input_value(0));
  if (gate_up == nullptr || gate_up == down) return false;
  branch.gate_up_matmul = gate_up;
  branch.gate_up_weights = gate_up->input_value(1);
  branch.gate_up_matched = MatchPackedDequant(branch.gate_up_weights, branch.gate_up_packed,
                                              branch.gate_up_scale, branch.gate_up_dequant_type);
  return true;
}

std::vector<MoELayer> DiscoverMoELayers(const std::shared_ptr<ov::Model>& model) {
  std::vector<MoELayer> layers;
  for (const std::shared_ptr<ov::Node>& node : model->get_ordered_ops()) {
    if (!ov::is_type<ov::op::v11::TopK>(node)) continue;
    int64_t k = 0;
    if (auto k_constant = ov::as_type_ptr<Constant>(node->get_input_node_shared_ptr(1));
        k_constant != nullptr && ov::shape_size(k_constant->get_shape()) >= 1) {
      k = k_constant->cast_vector<int64_t>(1)[0];
    }
    if (k <= 0) continue;

    std::vector<std::shared_ptr<ov::Node>> equals;
    for (const ov::Input<ov::Node>& target : node->output(1).get_target_inputs()) {
      std::shared_ptr<ov::Node> consumer = target.get_node()->shared_from_this();
      if (ov::is_type<ov::op::v1::Equal>(consumer) &&
          std::find(equals.begin(), equals.end(), consumer) == equals.end()) {
        equals.push_back(std::move(consumer));
      }
    }
    if (equals.size() < 2) continue;

    MoELayer layer;
    layer.topk = node;
    layer.indices = node->output(1);
    layer.k = k;
    for (const auto& equal : equals) {
      ExpertBranch branch;
      if (CollectExpertBranch(equal, branch)) layer.experts.push_back(std::move(branch));
    }
    const std::string& name = node->get_friendly_name();
    if (layer.experts.size() != equals.size()) {
      ZORVEL_LOG_DEBUG(
          "[MoE] layer TopK='%s' K=%lld experts=%zu: some experts failed to match GEGLU branch",
          name.c_str(), static_cast<long long>(k), layer.experts.size());
      continue;
    }
    const ov::PartialShape& shape = layer.indices.get_partial_shape();
    layer.multi_token = shape.rank().is_static() && shape.rank().get_length() >= 1 &&
                        shape[0].is_static() && shape[0].get_length() != 1;
    ZORVEL_LOG_DEBUG("[MoE] layer TopK='%s' K=%lld experts=%zu indices=%s [%s]", name.c_str(),
                     static_cast<long long>(k), layer.experts.size(), ShapeText(shape).c_str(),
                     layer.multi_token ? "multi-token" : "single-token");
    std::stable_sort(
        layer.experts.begin(), layer.experts.end(),
        [](const ExpertBranch& a, const ExpertBranch& b) { return a.expert_id < b.expert_id; });
    layer.num_experts = layer.experts.size();
    layer.router_weights = layer.experts[0].router_input;
    layer.layer_index = layers.size();
    layers.push_back(std::move(layer));
  }
  return layers;
}

bool ValidateMoELayer(const MoELayer& layer, const std::string& tag,
                      std::shared_ptr<ov::Node>& chain_root, int64_t& half_width) {
  const char* t = tag.c_str();
  const std::string& name_text = layer.topk->get_friendly_name();
  const char* name = name_text.c_str();
  if (layer.experts.size() != layer.num_experts) {
    ZORVEL_LOG_INFO("[%s] rewrite[%s]: abort: experts.size()=%zu num_experts=%zu", t, name,
                    layer.experts.size(), static_cast<size_t>(layer.num_experts));
    return false;
  }
  if (layer.router_weights.get_node() == nullptr) {
    ZORVEL_LOG_INFO(
        "[%s] rewrite[%s]: abort: router weight vector not captured (unexpected router topology)",
        t, name);
    return false;
  }
  for (size_t i = 0; i < layer.experts.size(); ++i) {
    if (layer.experts[i].expert_id != static_cast<int64_t>(i)) {
      ZORVEL_LOG_INFO(
          "[%s] rewrite[%s]: abort: expert_ids not contiguous 0..N-1 (experts[%zu].expert_id=%lld)",
          t, name, i, static_cast<long long>(layer.experts[i].expert_id));
      return false;
    }
  }
  if (layer.experts.empty()) return false;
  const ExpertBranch& first = layer.experts[0];
  const ov::PartialShape& gate_up_shape = first.gate_up_matmul->get_output_partial_shape(0);
  if (gate_up_shape.rank().is_dynamic() || gate_up_shape.rank().get_length() < 1 ||
      gate_up_shape[gate_up_shape.rank().get_length() - 1].is_dynamic() ||
      gate_up_shape[gate_up_shape.rank().get_length() - 1].get_length() % 2 != 0) {
    ZORVEL_LOG_INFO("[%s] rewrite[%s]: abort: gate+up width not static/even", t, name);
    return false;
  }
  half_width = gate_up_shape[gate_up_shape.rank().get_length() - 1].get_length() / 2;
  for (const ExpertBranch& expert : layer.experts) {
    if (!expert.gate_up_matched || !expert.down_matched) {
      ZORVEL_LOG_INFO("[%s] rewrite[%s]: abort: missing i4/u4 packed pattern for some experts.", t,
                      name);
      return false;
    }
    if (expert.gate_up_dequant_type != first.gate_up_dequant_type ||
        expert.down_dequant_type != first.down_dequant_type) {
      ZORVEL_LOG_INFO("[%s] rewrite[%s]: abort: mixed dequant types among experts.", t, name);
      return false;
    }
  }
  int roots = 0;
  std::shared_ptr<ov::Node> root;
  for (const ExpertBranch& expert : layer.experts) {
    bool feeds_chain = false;
    for (const ov::Input<ov::Node>& target : expert.accumulate_add->output(0).get_target_inputs()) {
      const ov::Node* consumer = target.get_node();
      for (const ExpertBranch& other : layer.experts) {
        if (other.accumulate_add.get() == consumer) feeds_chain = true;
      }
    }
    if (!feeds_chain) {
      ++roots;
      root = expert.accumulate_add;
    }
  }
  if (roots != 1) {
    ZORVEL_LOG_INFO("[%s] rewrite[%s]: abort: found %d chain roots (expected exactly 1)", t, name,
                    roots);
    return false;
  }
  chain_root = root;
  return true;
}

std::pair<std::shared_ptr<Constant>, std::shared_ptr<Constant>> SplitConstantRows(
    const std::shared_ptr<Constant>& constant, int64_t rows) {
  const std::pair<std::shared_ptr<Constant>, std::shared_ptr<Constant>> none{nullptr, nullptr};
  if (constant == nullptr || rows < 0) return none;
  const ov::Shape& shape = constant->get_shape();
  if (shape.empty() || shape[0] < static_cast<size_t>(rows)) return none;
  const ov::element::Type type = constant->get_element_type();
  const size_t dim0 = shape[0];
  const size_t row_elements = ov::shape_size(shape) / (dim0 == 0 ? 1 : dim0);
  const size_t row_bits = row_elements * type.bitwidth();
  if (row_bits % 8 != 0) return none;
  const size_t row_bytes = row_bits / 8;
  const auto* data = static_cast<const uint8_t*>(constant->get_data_ptr());
  if (data == nullptr && row_bytes * dim0 > 0) return none;
  auto make = [&](size_t first_row, size_t count) {
    ov::Shape part = shape;
    part[0] = count;
    std::vector<uint8_t> bytes(std::max<size_t>(count * row_bytes, 1), 0);
    if (count * row_bytes > 0)
      std::memcpy(bytes.data(), data + first_row * row_bytes, count * row_bytes);
    return std::make_shared<Constant>(type, part, bytes.data());
  };
  const size_t head = static_cast<size_t>(rows);
  return {make(0, head), make(head, dim0 - head)};
}

bool SplitFusedGateUp(const MoELayer& layer, int64_t half_width, GateUpHalves& halves) {
  halves = GateUpHalves{};
  const std::string& name = layer.topk->get_friendly_name();
  for (const ExpertBranch& expert : layer.experts) {
    auto packed = ov::as_type_ptr<Constant>(expert.gate_up_packed.get_node_shared_ptr());
    auto scale = ov::as_type_ptr<Constant>(expert.gate_up_scale.get_node_shared_ptr());
    if (packed == nullptr || scale == nullptr) return false;
    const ov::Shape& packed_shape = packed->get_shape();
    const ov::Shape& scale_shape = scale->get_shape();
    const size_t expected = static_cast<size_t>(2 * half_width);
    if (packed_shape.empty() || scale_shape.empty() || packed_shape[0] != expected ||
        scale_shape[0] != expected) {
      ZORVEL_LOG_INFO(
          "[MoE] rewrite[%s]: abort: fused gate+up weight/scale is not gate+up-major (packed "
          "dim0=%zu, scale dim0=%zu, expected %lld)",
          name.c_str(), packed_shape.empty() ? size_t{0} : packed_shape[0],
          scale_shape.empty() ? size_t{0} : scale_shape[0], static_cast<long long>(2 * half_width));
      return false;
    }
    auto [gate_packed, up_packed] = SplitConstantRows(packed, half_width);
    auto [gate_scale, up_scale] = SplitConstantRows(scale, half_width);
    if (!gate_packed || !up_packed || !gate_scale || !up_scale) return false;
    halves.gate_packed.push_back(gate_packed->output(0));
    halves.up_packed.push_back(up_packed->output(0));
    halves.gate_scales.push_back(gate_scale->output(0));
    halves.up_scales.push_back(up_scale->output(0));
  }
  return true;
}

ov::Output<ov::Node> GatherPackedRowsViaFlatten(const ov::Output<ov::Node>& grouped_packed,
                                                const ov::Output<ov::Node>& indices, int64_t k) {
  auto axis = I64({}, {0});
  const ov::PartialShape& shape = grouped_packed.get_partial_shape();
  if (shape.rank().is_dynamic() || shape.rank().get_length() != 3 || shape[1].is_dynamic() ||
      shape[2].is_dynamic()) {
    const size_t rank =
        shape.rank().is_static() ? static_cast<size_t>(shape.rank().get_length()) : 0;
    ZORVEL_LOG_DEBUG(
        "GatherPackedRowsViaFlatten: grouped_packed shape is not 3-D got %zuD, falling back to "
        "direct Gather",
        rank);
    return std::make_shared<ov::op::v8::Gather>(grouped_packed, indices, axis, 0)->output(0);
  }
  const int64_t rows = shape[1].get_length();
  const int64_t depth = shape[2].get_length();
  const ov::element::Type index_type = indices.get_element_type();
  auto flat = std::make_shared<ov::op::v1::Reshape>(grouped_packed, I64({2}, {-1, depth}), false);
  auto idx = std::make_shared<ov::op::v1::Reshape>(indices, I64({2}, {k, 1}), false);
  auto base = std::make_shared<ov::op::v1::Multiply>(
      idx, std::make_shared<Constant>(index_type, ov::Shape{1, 1}, std::vector<int64_t>{rows}));
  std::vector<int64_t> offsets(static_cast<size_t>(rows));
  std::iota(offsets.begin(), offsets.end(), 0);
  auto row_ids = std::make_shared<ov::op::v1::Add>(
      base,
      std::make_shared<Constant>(index_type, ov::Shape{1, static_cast<size_t>(rows)}, offsets));
  auto rows1 = std::make_shared<ov::op::v1::Reshape>(row_ids, I64({1}, {k * rows}), false);
  auto gathered = std::make_shared<ov::op::v8::Gather>(flat, rows1, axis, 0);
  return std::make_shared<ov::op::v1::Reshape>(gathered, I64({3}, {k, rows, depth}), false)
      ->output(0);
}

ov::Output<ov::Node> GatherDequantWeights(const MoEGatherContext& context,
                                          const std::vector<ov::Output<ov::Node>>& packed,
                                          const std::vector<ov::Output<ov::Node>>& scales,
                                          const std::string& name) {
  const MoELayer& layer = *context.layer;
  auto stacked_packed = MakeStackedConstant(packed, StackedKey(layer, name + "_packed"));
  auto stacked_scale = MakeStackedConstant(scales, StackedKey(layer, name + "_scale"));
  if (stacked_packed == nullptr || stacked_scale == nullptr) {
    ZORVEL_LOG_INFO(
        "[MoEGather] rewrite[%s]: abort: split gate/up weights or scales are not uniform plain "
        "constants or not byte-aligned.",
        context.name.c_str());
    return {};
  }
  return DequantizeWeights(
      GatherPackedRowsViaFlatten(stacked_packed, context.flat_idx, layer.k),
      std::make_shared<ov::op::v8::Gather>(stacked_scale, context.flat_idx, context.axis0, 0),
      context.first->gate_up_dequant_type);
}

namespace {

// Every expert's down weights and down scales stacked along a new leading expert axis. Both are
// null, after the abort line of `rewrite` ("MoEGather" or "MoEChunk"), when either does not stack.
struct StackedDown {
  std::shared_ptr<ov::op::v0::Constant> packed;
  std::shared_ptr<ov::op::v0::Constant> scales;
};
StackedDown StackDownWeights(const MoELayer& layer, const char* rewrite, const char* name) {
  std::vector<ov::Output<ov::Node>> down_packed;
  std::vector<ov::Output<ov::Node>> down_scales;
  for (const ExpertBranch& expert : layer.experts) {
    down_packed.push_back(expert.down_packed);
    down_scales.push_back(expert.down_scale);
  }
  StackedDown down{MakeStackedConstant(down_packed, StackedKey(layer, "down_packed")),
                   MakeStackedConstant(down_scales, StackedKey(layer, "down_scale"))};
  if (down.packed == nullptr || down.scales == nullptr) {
    ZORVEL_LOG_INFO(
        "[%s] rewrite[%s]: abort: down weights or scales are not uniform plain constants or "
        "not byte-aligned.",
        rewrite, name);
    return {};
  }
  return down;
}

}  // namespace

bool RewriteMoEGather(const MoELayer& layer) {
  const std::string& name_text = layer.topk->get_friendly_name();
  const char* name = name_text.c_str();
  if (layer.k < 1) {
    ZORVEL_LOG_INFO("[MoEGather] rewrite[%s]: abort: k=%lld", name,
                    static_cast<long long>(layer.k));
    return false;
  }
  std::shared_ptr<ov::Node> chain_root;
  int64_t half_width = 0;
  if (!ValidateMoELayer(layer, "MoEGather", chain_root, half_width)) return false;
  const int64_t k = layer.k;
  auto kconst = I64({1}, {k});
  auto flat_idx = std::make_shared<ov::op::v1::Reshape>(layer.indices, kconst, false);
  auto axis0 = I64({}, {0});

  GateUpHalves halves;
  if (!SplitFusedGateUp(layer, half_width, halves)) {
    ZORVEL_LOG_INFO(
        "[MoEGather] rewrite[%s]: abort: failed to split fused gate+up weight/scale into halves.",
        name);
    return false;
  }
  const ExpertBranch& e0 = layer.experts[0];
  const MoEGatherContext context{&layer, name_text, flat_idx, axis0, &e0};
  const ov::Output<ov::Node> w_gate =
      GatherDequantWeights(context, halves.gate_packed, halves.gate_scales, "gate");
  if (w_gate.get_node() == nullptr) return false;
  const ov::Output<ov::Node> w_up =
      GatherDequantWeights(context, halves.up_packed, halves.up_scales, "up");
  if (w_up.get_node() == nullptr) return false;

  const StackedDown stacked_down = StackDownWeights(layer, "MoEGather", name);
  if (stacked_down.packed == nullptr) return false;
  const ov::Output<ov::Node> w_down = DequantizeWeights(
      GatherPackedRowsViaFlatten(stacked_down.packed, flat_idx, k),
      std::make_shared<ov::op::v8::Gather>(stacked_down.scales, flat_idx, axis0, 0),
      e0.down_dequant_type);

  const ov::Output<ov::Node> x = e0.gate_up_matmul->input_value(0);
  auto ax1 = I64({1}, {1});
  auto gate_mm = CloneWithInputs(e0.gate_up_matmul, {x, w_gate});
  auto up_mm = CloneWithInputs(e0.gate_up_matmul, {x, w_up});
  auto gate = std::make_shared<ov::op::v0::Squeeze>(gate_mm, ax1);
  auto up = std::make_shared<ov::op::v0::Squeeze>(up_mm, ax1);
  auto act = std::make_shared<ov::op::v7::Gelu>(gate, ov::op::GeluApproximationMode::TANH);
  auto h = std::make_shared<ov::op::v1::Multiply>(act, up);
  auto h3 = std::make_shared<ov::op::v0::Unsqueeze>(h, I64({1}, {1}));
  auto down = CloneWithInputs(e0.down_matmul, {h3, w_down});
  auto rw = std::make_shared<ov::op::v1::Reshape>(layer.router_weights, kconst, false);
  auto rw3 = std::make_shared<ov::op::v1::Reshape>(rw, I64({3}, {k, 1, 1}), false);
  auto weighted = std::make_shared<ov::op::v1::Multiply>(down, rw3);
  auto out = std::make_shared<ov::op::v1::ReduceSum>(weighted, I64({1}, {0}), false);

  out->set_friendly_name(chain_root->get_friendly_name());
  ov::copy_runtime_info(chain_root,
                        ov::NodeVector{gate_mm, up_mm, gate, up, act, h, h3, down,
                                       w_gate.get_node_shared_ptr(), w_up.get_node_shared_ptr(),
                                       w_down.get_node_shared_ptr(), rw, rw3, weighted, out});
  ov::replace_node(chain_root, out);
  ZORVEL_LOG_DEBUG("[MoEGather] rewrite[%s]: OK, replaced chain root '%s' with gather-K subgraph",
                   name, out->get_friendly_name().c_str());
  return true;
}

ov::Output<ov::Node> StackAndDequantWeights(const MoELayer& layer,
                                            const std::vector<ov::Output<ov::Node>>& packed,
                                            const std::vector<ov::Output<ov::Node>>& scales,
                                            const std::string& name) {
  auto stacked_packed = MakeStackedConstant(packed, StackedKey(layer, name + "_packed"));
  auto stacked_scale = MakeStackedConstant(scales, StackedKey(layer, name + "_scale"));
  if (stacked_packed == nullptr || stacked_scale == nullptr) {
    ZORVEL_LOG_INFO(
        "[MoEChunk] rewrite[%s]: abort: split gate/up weights or scales are not uniform plain "
        "constants or not byte-aligned.",
        layer.topk->get_friendly_name().c_str());
    return {};
  }
  return DequantizeWeights(stacked_packed, stacked_scale, layer.experts[0].gate_up_dequant_type);
}

bool RewriteMoEChunk(const MoELayer& layer) {
  const std::string& name_text = layer.topk->get_friendly_name();
  const char* name = name_text.c_str();
  std::shared_ptr<ov::Node> chain_root;
  int64_t half_width = 0;
  if (!ValidateMoELayer(layer, "MoEChunk", chain_root, half_width)) return false;
  const int64_t n = static_cast<int64_t>(layer.num_experts);
  auto axis0 = I64({}, {0});

  GateUpHalves halves;
  if (!SplitFusedGateUp(layer, half_width, halves)) {
    ZORVEL_LOG_INFO(
        "[MoEChunk] rewrite[%s]: abort: failed to split fused gate+up weight/scale into halves.",
        name);
    return false;
  }
  const ov::Output<ov::Node> w_gate =
      StackAndDequantWeights(layer, halves.gate_packed, halves.gate_scales, "gate");
  if (w_gate.get_node() == nullptr) return false;
  const ov::Output<ov::Node> w_up =
      StackAndDequantWeights(layer, halves.up_packed, halves.up_scales, "up");
  if (w_up.get_node() == nullptr) return false;

  const ExpertBranch& e0 = layer.experts[0];
  const StackedDown stacked_down = StackDownWeights(layer, "MoEChunk", name);
  if (stacked_down.packed == nullptr) return false;
  const ov::Output<ov::Node> w_down =
      DequantizeWeights(stacked_down.packed, stacked_down.scales, e0.down_dequant_type);

  const ov::Output<ov::Node> x = e0.gate_up_matmul->input_value(0);
  auto xt = std::make_shared<ov::op::v0::Tile>(x, I64({3}, {n, 1, 1}));
  auto gate = CloneWithInputs(e0.gate_up_matmul, {xt, w_gate});
  auto up = CloneWithInputs(e0.gate_up_matmul, {xt, w_up});
  auto act = std::make_shared<ov::op::v7::Gelu>(gate, ov::op::GeluApproximationMode::TANH);
  auto h = std::make_shared<ov::op::v1::Multiply>(act, up);
  auto down = CloneWithInputs(e0.down_matmul, {h, w_down});

  auto shape = std::make_shared<ov::op::v3::ShapeOf>(layer.indices, ov::element::i64);
  auto tokens = std::make_shared<ov::op::v8::Gather>(shape, I64({1}, {0}), axis0, 0);
  auto dims = std::make_shared<ov::op::v0::Concat>(ov::OutputVector{tokens, I64({1}, {n})}, 0);
  auto zero = std::make_shared<Constant>(layer.router_weights.get_element_type(), ov::Shape{},
                                         std::vector<int64_t>{0});
  auto zeros = std::make_shared<ov::op::v3::Broadcast>(zero, dims, ov::op::BroadcastType::NUMPY);
  auto dense = std::make_shared<ov::op::v12::ScatterElementsUpdate>(
      zeros, layer.indices, layer.router_weights, I64({}, {1}),
      ov::op::v12::ScatterElementsUpdate::Reduction::NONE, true);
  auto transposed = std::make_shared<ov::op::v1::Transpose>(dense, I64({2}, {1, 0}));
  auto w = std::make_shared<ov::op::v0::Unsqueeze>(transposed, I64({1}, {2}));
  auto weighted = std::make_shared<ov::op::v1::Multiply>(down, w);
  auto out = std::make_shared<ov::op::v1::ReduceSum>(weighted, I64({1}, {0}), false);

  out->set_friendly_name(chain_root->get_friendly_name());
  ov::copy_runtime_info(
      chain_root, ov::NodeVector{gate, up, act, h, down, w_gate.get_node_shared_ptr(),
                                 w_up.get_node_shared_ptr(), w_down.get_node_shared_ptr(), shape,
                                 tokens, dims, zeros, dense, transposed, w, weighted, out});
  ov::replace_node(chain_root, out);
  ZORVEL_LOG_DEBUG(
      "[MoEChunk] rewrite[%s]: OK, replaced chain root '%s' with multi-token chunked subgraph "
      "(N=%lld experts)",
      name, out->get_friendly_name().c_str(), static_cast<long long>(n));
  return true;
}

bool MoEGatherRewrite::run_on_model(const std::shared_ptr<ov::Model>& model) {
  const std::vector<MoELayer> layers = DiscoverMoELayers(model);
  ZORVEL_LOG_INFO("[MoEGather] discovered %zu candidate MoE layer(s)", layers.size());
  multi_token_ = false;
  if (layers.empty()) return false;
  for (const MoELayer& layer : layers) {
    if (layer.multi_token != layers[0].multi_token) {
      ZORVEL_LOG_WARNING(
          "[MoE] layers disagree on single-token-vs-multi-token chunk shape ('%s' vs '%s'); "
          "leaving every layer dense",
          layers[0].topk->get_friendly_name().c_str(), layer.topk->get_friendly_name().c_str());
      return false;
    }
  }
  multi_token_ = layers[0].multi_token;
  bool rewritten = false;
  for (const MoELayer& layer : layers) {
    rewritten |= layer.multi_token ? RewriteMoEChunk(layer) : RewriteMoEGather(layer);
  }
  return rewritten;
}

}  // namespace zorvel::openvino
