#include "zorvel/vendors/intel_openvino/compiler/npu_moe.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <numeric>
#include <optional>
#include <sstream>
#include <string>
#include <unordered_set>
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
#include "openvino/op/relu.hpp"
#include "openvino/op/reshape.hpp"
#include "openvino/op/scatter_elements_update.hpp"
#include "openvino/op/shape_of.hpp"
#include "openvino/op/sigmoid.hpp"
#include "openvino/op/split.hpp"
#include "openvino/op/squeeze.hpp"
#include "openvino/op/swish.hpp"
#include "openvino/op/tile.hpp"
#include "openvino/op/topk.hpp"
#include "openvino/op/transpose.hpp"
#include "openvino/op/unsqueeze.hpp"
#include "openvino/op/variadic_split.hpp"
#include "zorvel/vendors/intel_openvino/compiler/npu_pass_util.h"
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

namespace {

// Records why a branch did not match: the node that differs and what was expected there.
bool Mismatch(std::string* why, const ov::Node* node, const std::string& expected) {
  if (why != nullptr) {
    *why = "at '" + (node != nullptr ? node->get_friendly_name() : std::string("?")) + "' (" +
           (node != nullptr ? node->get_type_name() : "none") + "): expected " + expected;
  }
  return false;
}

// The one consumer of `output`, or null.
std::shared_ptr<ov::Node> OnlyConsumer(const ov::Output<ov::Node>& output) {
  const auto targets = output.get_target_inputs();
  if (targets.size() != 1) return nullptr;
  return targets.begin()->get_node()->shared_from_this();
}

// The static constant value of a scalar or one-element Constant.
std::optional<double> ScalarValue(const ov::Output<ov::Node>& output) {
  auto constant = ov::as_type_ptr<Constant>(output.get_node_shared_ptr());
  if (constant == nullptr || ov::shape_size(constant->get_shape()) != 1) return std::nullopt;
  return constant->cast_vector<double>(1)[0];
}

// Whether `axis` names the last axis of a tensor of static rank `rank`.
bool IsLastAxis(int64_t axis, int64_t rank) { return axis == -1 || axis == rank - 1; }

// Matches an activation the rewrites can rebuild and gives its argument.
bool MatchActivation(const ov::Output<ov::Node>& output, ov::Output<ov::Node>& argument,
                     ExpertActivation& activation) {
  const std::shared_ptr<ov::Node> node = output.get_node_shared_ptr();
  if (auto gelu = ov::as_type_ptr<ov::op::v7::Gelu>(node)) {
    argument = gelu->input_value(0);
    activation = gelu->get_approximation_mode() == ov::op::GeluApproximationMode::TANH
                     ? ExpertActivation::kGeluTanh
                     : ExpertActivation::kGeluErf;
    return true;
  }
  if (ov::is_type<ov::op::v0::Gelu>(node)) {
    argument = node->input_value(0);
    activation = ExpertActivation::kGeluErf;
    return true;
  }
  if (ov::is_type<ov::op::v4::Swish>(node)) {
    if (node->get_input_size() == 2) {
      const std::optional<double> beta = ScalarValue(node->input_value(1));
      if (!beta || *beta != 1.0) return false;
    }
    argument = node->input_value(0);
    activation = ExpertActivation::kSwish;
    return true;
  }
  if (ov::is_type<ov::op::v0::Relu>(node)) {
    argument = node->input_value(0);
    activation = ExpertActivation::kRelu;
    return true;
  }
  // x * sigmoid(x), in either operand order.
  if (ov::is_type<ov::op::v1::Multiply>(node)) {
    for (size_t i = 0; i < 2; ++i) {
      const auto sigmoid = ov::as_type_ptr<ov::op::v0::Sigmoid>(node->get_input_node_shared_ptr(i));
      if (sigmoid != nullptr && sigmoid->input_value(0) == node->input_value(1 - i)) {
        argument = node->input_value(1 - i);
        activation = ExpertActivation::kSwish;
        return true;
      }
    }
  }
  return false;
}

// A projection MatMul(x, dequantized weights [out, in]) as FULLY_CONNECTED is translated.
bool IsProjection(const std::shared_ptr<ov::Node>& node) {
  const auto matmul = ov::as_type_ptr<ov::op::v0::MatMul>(node);
  return matmul != nullptr && !matmul->get_transpose_a() && matmul->get_transpose_b();
}

// The two halves of a gate+up projection split in two equal parts on its last axis: the Split
// (or VariadicSplit) node when `a` and `b` are its two outputs, null otherwise.
std::shared_ptr<ov::Node> HalvesSplit(const ov::Output<ov::Node>& a,
                                      const ov::Output<ov::Node>& b) {
  const std::shared_ptr<ov::Node> split = a.get_node_shared_ptr();
  if (split != b.get_node_shared_ptr() || a.get_index() == b.get_index()) return nullptr;
  if (split->get_output_size() != 2) return nullptr;
  const ov::PartialShape& data = split->get_input_partial_shape(0);
  if (data.rank().is_dynamic()) return nullptr;
  const int64_t rank = data.rank().get_length();
  const auto axis = ConstantInput(*split, 1);
  if (axis == nullptr || ov::shape_size(axis->get_shape()) != 1 ||
      !IsLastAxis(axis->cast_vector<int64_t>(1)[0], rank)) {
    return nullptr;
  }
  if (ov::is_type<ov::op::v1::Split>(split)) return split;
  if (ov::is_type<ov::op::v1::VariadicSplit>(split)) {
    const auto lengths = ConstantInput(*split, 2);
    const ov::Dimension& width = data[rank - 1];
    if (lengths == nullptr || width.is_dynamic() || width.get_length() % 2 != 0) return nullptr;
    const int64_t half = width.get_length() / 2;
    for (int64_t length : lengths->cast_vector<int64_t>()) {
      if (length != half && length != -1) return nullptr;
    }
    return split;
  }
  return nullptr;
}

// The projections of a gated hidden product `h` = act(gate) * up.
bool MatchGated(const std::shared_ptr<ov::Node>& h, ExpertBranch& branch, std::string* why) {
  for (size_t act_side = 0; act_side < 2; ++act_side) {
    ov::Output<ov::Node> gate;
    ExpertActivation activation;
    if (!MatchActivation(h->input_value(act_side), gate, activation)) continue;
    const ov::Output<ov::Node> up = h->input_value(1 - act_side);
    if (const std::shared_ptr<ov::Node> split = HalvesSplit(gate, up)) {
      const std::shared_ptr<ov::Node> gate_up = split->get_input_node_shared_ptr(0);
      if (!IsProjection(gate_up)) {
        return Mismatch(why, gate_up.get(), "the gate+up MatMul(x, W^T) that the split halves");
      }
      branch.form.projections = ExpertProjections::kFusedGateUp;
      branch.form.activation = activation;
      branch.form.gate_second = gate.get_index() == 1;
      branch.gate_up_matmul = gate_up;
      return true;
    }
    const std::shared_ptr<ov::Node> gate_mm = gate.get_node_shared_ptr();
    const std::shared_ptr<ov::Node> up_mm = up.get_node_shared_ptr();
    if (IsProjection(gate_mm) && IsProjection(up_mm) && gate_mm != up_mm) {
      if (gate_mm->input_value(0) != up_mm->input_value(0)) {
        return Mismatch(why, up_mm.get(), "gate and up projections of the same input");
      }
      branch.form.projections = ExpertProjections::kSeparateGateUp;
      branch.form.activation = activation;
      branch.gate_up_matmul = gate_mm;
      branch.up_matmul = up_mm;
      return true;
    }
  }
  return Mismatch(why, h.get(),
                  "act(gate) * up over the halves of one split or two projections of x");
}

}  // namespace

bool CollectExpertBranch(const std::shared_ptr<ov::Node>& equal, ExpertBranch& branch,
                         std::string* why) {
  if (!ReadExpertId(equal, branch.expert_id)) {
    return Mismatch(why, equal.get(), "a one-element constant expert id");
  }

  // Router side: Equal -> Convert(s) -> Multiply(mask, router weights) -> ReduceSum over K.
  const std::shared_ptr<ov::Node> reduce =
      FindSingleConsumerDownstream(equal->output(0), IsReduceSum, 3);
  if (reduce == nullptr) return Mismatch(why, equal.get(), "Equal -> Convert -> Multiply -> Sum");
  branch.routing_weight = reduce->output(0);
  const std::shared_ptr<ov::Node> mask_multiply = reduce->get_input_node_shared_ptr(0);
  if (!ov::is_type<ov::op::v1::Multiply>(mask_multiply)) {
    return Mismatch(why, mask_multiply.get(), "the mask Multiply");
  }
  const bool from0 = ReachesThroughInput0(mask_multiply->input_value(0), equal.get());
  const bool from1 = ReachesThroughInput0(mask_multiply->input_value(1), equal.get());
  if (from0 == from1) return Mismatch(why, mask_multiply.get(), "one operand from the Equal");
  branch.router_input = mask_multiply->input_value(from0 ? 1 : 0);
  for (std::shared_ptr<ov::Node> node = mask_multiply->get_input_node_shared_ptr(from0 ? 0 : 1);
       node != equal; node = node->get_input_node_shared_ptr(0)) {
    if (!ov::is_type<ov::op::v0::Convert>(node)) {
      return Mismatch(why, node.get(), "only a Convert between the Equal and the mask Multiply");
    }
  }
  const ov::PartialShape& masked = mask_multiply->get_output_partial_shape(0);
  const auto axes = ConstantInput(*reduce, 1);
  const auto reduce_sum = ov::as_type_ptr<ov::op::v1::ReduceSum>(reduce);
  if (masked.rank().is_dynamic() || axes == nullptr || ov::shape_size(axes->get_shape()) != 1 ||
      !IsLastAxis(axes->cast_vector<int64_t>(1)[0], masked.rank().get_length()) ||
      reduce_sum == nullptr || !reduce_sum->get_keep_dims()) {
    return Mismatch(why, reduce.get(), "a sum over the K axis that keeps its dimension");
  }

  // Output side: Multiply(routing weight, expert output) -> Add into the running sum.
  const std::shared_ptr<ov::Node> scale = OnlyConsumer(reduce->output(0));
  if (scale == nullptr || !IsMultiply(scale)) {
    return Mismatch(why, scale != nullptr ? scale.get() : reduce.get(),
                    "the routing weight's one consumer, Multiply(weight, expert output)");
  }
  branch.weighted_output = scale->output(0);
  const std::shared_ptr<ov::Node> add = OnlyConsumer(scale->output(0));
  if (add == nullptr || !IsAdd(add)) {
    return Mismatch(why, add != nullptr ? add.get() : scale.get(),
                    "the weighted output's one consumer, the accumulating Add");
  }
  branch.accumulate_add = add;
  ov::Output<ov::Node> y =
      scale->input_value(0) == reduce->output(0) ? scale->input_value(1) : scale->input_value(0);

  // Constant scales and biases after the down projection, outermost first in the graph.
  std::vector<bool> post_bias;
  std::vector<std::shared_ptr<Constant>> post_values;
  for (int step = 0; step < 3; ++step) {
    const std::shared_ptr<ov::Node> node = y.get_node_shared_ptr();
    const bool is_bias = ov::is_type<ov::op::v1::Add>(node);
    if (!is_bias && !ov::is_type<ov::op::v1::Multiply>(node)) break;
    const auto c0 = ConstantInput(*node, 0);
    const auto c1 = ConstantInput(*node, 1);
    if ((c0 == nullptr) == (c1 == nullptr)) break;
    post_bias.insert(post_bias.begin(), is_bias);
    post_values.insert(post_values.begin(), c0 != nullptr ? c0 : c1);
    y = node->input_value(c0 != nullptr ? 1 : 0);
  }
  branch.form.post_bias = post_bias;
  branch.post_values = post_values;

  const std::shared_ptr<ov::Node> down = y.get_node_shared_ptr();
  if (!IsProjection(down)) {
    return Mismatch(why, down.get(), "the down projection MatMul(h, W^T) or a constant scale/bias");
  }
  branch.down_matmul = down;
  branch.down_weights = down->input_value(1);
  branch.down_matched = MatchPackedDequant(branch.down_weights, branch.down_packed,
                                           branch.down_scale, branch.down_dequant_type);

  // The hidden activations: gated act(gate) * up, or act(up) alone.
  const std::shared_ptr<ov::Node> h = down->get_input_node_shared_ptr(0);
  std::string gated_why;
  if (!(ov::is_type<ov::op::v1::Multiply>(h) && MatchGated(h, branch, &gated_why))) {
    ov::Output<ov::Node> argument;
    ExpertActivation activation;
    if (!MatchActivation(h->output(0), argument, activation) ||
        !IsProjection(argument.get_node_shared_ptr())) {
      if (why != nullptr) {
        *why = !gated_why.empty() ? gated_why
                                  : "at '" + h->get_friendly_name() + "' (" + h->get_type_name() +
                                        "): expected act(gate) * up or act(MatMul(x, W^T))";
      }
      return false;
    }
    branch.form.projections = ExpertProjections::kUngated;
    branch.form.activation = activation;
    branch.gate_up_matmul = argument.get_node_shared_ptr();
  }
  branch.gate_up_weights = branch.gate_up_matmul->input_value(1);
  branch.gate_up_matched = MatchPackedDequant(branch.gate_up_weights, branch.gate_up_packed,
                                              branch.gate_up_scale, branch.gate_up_dequant_type);
  if (branch.up_matmul != nullptr) {
    branch.up_matched = MatchPackedDequant(branch.up_matmul->input_value(1), branch.up_packed,
                                           branch.up_scale, branch.up_dequant_type);
  }
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
    const std::string& name = node->get_friendly_name();
    for (const auto& equal : equals) {
      ExpertBranch branch;
      std::string why;
      if (CollectExpertBranch(equal, branch, &why)) {
        layer.experts.push_back(std::move(branch));
      } else {
        ZORVEL_LOG_DEBUG("[MoE] layer TopK='%s' expert %lld (Equal '%s') does not match: %s",
                         name.c_str(), static_cast<long long>(branch.expert_id),
                         equal->get_friendly_name().c_str(), why.c_str());
      }
    }
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

namespace {

// A packed weight [rows, cols] with a scale of rank 2 that broadcasts over it row- or
// element-wise, so stacking and splitting keep each scale with its rows.
bool WeightShapeIs(const ov::Output<ov::Node>& packed, const ov::Output<ov::Node>& scale,
                   int64_t rows, int64_t cols) {
  const ov::PartialShape& p = packed.get_partial_shape();
  const ov::PartialShape& s = scale.get_partial_shape();
  if (!p.is_static() || !s.is_static() || p.size() != 2 || s.size() != 2) return false;
  if (p[0].get_length() != rows || p[1].get_length() != cols) return false;
  for (size_t i = 0; i < 2; ++i) {
    if (s[i].get_length() != 1 && s[i].get_length() != p[i].get_length()) return false;
  }
  return true;
}

// Whether the accumulating Adds of the layer form one tree whose leaves are exactly the experts'
// weighted outputs, each used once, and whose inner sums feed only the tree.
bool IsExactSumTree(const MoELayer& layer, const std::shared_ptr<ov::Node>& root,
                    std::string& why) {
  std::unordered_set<const ov::Node*> adds;
  std::unordered_set<const ov::Node*> leaves;
  for (const ExpertBranch& expert : layer.experts) {
    adds.insert(expert.accumulate_add.get());
    leaves.insert(expert.weighted_output.get_node());
  }
  for (const ExpertBranch& expert : layer.experts) {
    const ov::Node* add = expert.accumulate_add.get();
    for (size_t i = 0; i < add->get_input_size(); ++i) {
      const ov::Node* input = add->get_input_node_ptr(i);
      if (leaves.count(input) == 0 && adds.count(input) == 0) {
        why = "the sum '" + add->get_friendly_name() + "' also adds '" +
              input->get_friendly_name() + "', which is no expert's output";
        return false;
      }
    }
    if (add != root.get() && add->output(0).get_target_inputs().size() != 1) {
      why = "the partial sum '" + add->get_friendly_name() + "' is read outside the layer";
      return false;
    }
  }
  if (adds.size() + 1 != layer.experts.size()) {
    why = "the experts are summed by " + std::to_string(adds.size()) + " Adds, not " +
          std::to_string(layer.experts.size() - 1);
    return false;
  }
  return true;
}

// The checks beyond the recognised shape that the rewrites' graphs rely on; the reason of the
// first that fails in `why`.
bool RewriteConditionsHold(const MoELayer& layer, const std::string& tag, int64_t half_width,
                           const std::shared_ptr<ov::Node>& root, std::string& why) {
  const ExpertBranch& e0 = layer.experts[0];
  const ov::Output<ov::Node> x = e0.gate_up_matmul->input_value(0);
  for (const ExpertBranch& expert : layer.experts) {
    const std::string id = "expert " + std::to_string(expert.expert_id) + ": ";
    if (expert.form != e0.form) {
      why = id + "its form (" + ExpertFormText(expert.form) + ") differs from expert 0's (" +
            ExpertFormText(e0.form) + ")";
      return false;
    }
    if (expert.gate_up_matmul->input_value(0) != x) {
      why = id + "'" + expert.gate_up_matmul->get_friendly_name() +
            "' reads another input than expert 0";
      return false;
    }
    if (expert.router_input != layer.router_weights) {
      why = id + "its routing weights come from '" +
            expert.router_input.get_node()->get_friendly_name() + "', not from the layer's";
      return false;
    }
    if (expert.up_matmul != nullptr &&
        (!expert.up_matched || expert.up_dequant_type != e0.gate_up_dequant_type)) {
      why = id + "the up projection '" + expert.up_matmul->get_friendly_name() +
            "' is not packed like the gate projection";
      return false;
    }
  }
  // The router: indices and weights [T, K] over a TopK that chose among exactly the N experts.
  const ov::PartialShape& indices = layer.indices.get_partial_shape();
  const ov::PartialShape& weights = layer.router_weights.get_partial_shape();
  const auto k = static_cast<int64_t>(layer.k);
  if (indices.rank().is_dynamic() || indices.size() != 2 || indices[1].is_dynamic() ||
      indices[1].get_length() != k) {
    why = "router indices " + ShapeText(indices) + " are not [T, " + std::to_string(k) + "]";
    return false;
  }
  if (weights.rank().is_dynamic() || weights.size() != 2 || !weights.compatible(indices)) {
    why =
        "router weights " + ShapeText(weights) + " do not match the indices " + ShapeText(indices);
    return false;
  }
  if (tag == "MoEGather" && (indices[0].is_dynamic() || indices[0].get_length() != 1)) {
    why = "the gather-K form takes one token, the indices are " + ShapeText(indices);
    return false;
  }
  const auto topk = ov::as_type_ptr<ov::op::v11::TopK>(layer.topk);
  const ov::PartialShape& scores = layer.topk->get_input_partial_shape(0);
  if (topk == nullptr || scores.rank().is_dynamic() ||
      topk->get_axis() + 1 != static_cast<uint64_t>(scores.rank().get_length()) ||
      scores[scores.rank().get_length() - 1] !=
          ov::Dimension(static_cast<int64_t>(layer.num_experts))) {
    why = "the TopK does not choose on the last axis among exactly " +
          std::to_string(layer.num_experts) + " scores (" + ShapeText(scores) + ")";
    return false;
  }
  // The input [T, H] and the widths of every projection.
  const ov::PartialShape& x_shape = x.get_partial_shape();
  const bool one_token = tag == "MoEGather";
  if (x_shape.rank().is_dynamic() || x_shape.size() != 2 || x_shape[1].is_dynamic() ||
      !x_shape[0].compatible(indices[0]) || (one_token && x_shape[0] != ov::Dimension(1))) {
    why = "the expert input " + ShapeText(x_shape) + " is not [T, H] for the indices " +
          ShapeText(indices);
    return false;
  }
  const int64_t h = x_shape[1].get_length();
  const bool fused = e0.form.projections == ExpertProjections::kFusedGateUp;
  const int64_t width = fused ? 2 * half_width : half_width;
  const ov::element::Type type = e0.down_matmul->get_output_element_type(0);
  if (layer.router_weights.get_element_type() != type) {
    why = "router weights and expert outputs differ in element type";
    return false;
  }
  for (const ExpertBranch& expert : layer.experts) {
    const std::string id = "expert " + std::to_string(expert.expert_id) + ": ";
    // A fused weight or scale that is not gate+up-major is refused by the split, in its words.
    const auto dim0_is = [&](const ov::Output<ov::Node>& output) {
      const ov::PartialShape& shape = output.get_partial_shape();
      return shape.rank().is_static() && shape.size() >= 1 && shape[0] == ov::Dimension(width);
    };
    const bool split_refuses =
        fused && (!dim0_is(expert.gate_up_packed) || !dim0_is(expert.gate_up_scale));
    if ((!split_refuses && !WeightShapeIs(expert.gate_up_packed, expert.gate_up_scale, width, h)) ||
        (expert.up_matmul != nullptr &&
         !WeightShapeIs(expert.up_packed, expert.up_scale, half_width, h))) {
      why = id + "the projection weights of '" + expert.gate_up_matmul->get_friendly_name() +
            "' are not [" + std::to_string(width) + ", " + std::to_string(h) + "] with row scales";
      return false;
    }
    if (!WeightShapeIs(expert.down_packed, expert.down_scale, h, half_width)) {
      why = id + "the down weights of '" + expert.down_matmul->get_friendly_name() + "' are not [" +
            std::to_string(h) + ", " + std::to_string(half_width) + "] with row scales";
      return false;
    }
    for (const std::shared_ptr<Constant>& value : expert.post_values) {
      const ov::Shape& shape = value->get_shape();
      const size_t last = shape.empty() ? 1 : shape.back();
      if (shape.size() > 2 || (shape.size() == 2 && shape[0] != 1) ||
          (last != 1 && last != static_cast<size_t>(h)) || value->get_element_type() != type) {
        why = id + "the constant '" + value->get_friendly_name() + "' " +
              ShapeText(value->get_shape()) + " after the down projection is not one per output";
        return false;
      }
    }
  }
  return IsExactSumTree(layer, root, why);
}

}  // namespace

std::string ExpertFormText(const ExpertForm& form) {
  static const char* const kActivations[] = {"gelu_tanh", "gelu_erf", "swish", "relu"};
  std::string text;
  switch (form.projections) {
    case ExpertProjections::kFusedGateUp:
      text = "fused gate+up, ";
      text += kActivations[static_cast<int>(form.activation)];
      text += form.gate_second ? "(second half)" : "(first half)";
      break;
    case ExpertProjections::kSeparateGateUp:
      text = std::string("separate gate/up, ") + kActivations[static_cast<int>(form.activation)];
      break;
    case ExpertProjections::kUngated:
      text = std::string("ungated, ") + kActivations[static_cast<int>(form.activation)];
      break;
  }
  for (bool bias : form.post_bias) text += bias ? " + bias" : " * scale";
  return text;
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
  const bool fused = first.form.projections == ExpertProjections::kFusedGateUp;
  if (gate_up_shape.rank().is_dynamic() || gate_up_shape.rank().get_length() < 1 ||
      gate_up_shape[gate_up_shape.rank().get_length() - 1].is_dynamic() ||
      (fused && gate_up_shape[gate_up_shape.rank().get_length() - 1].get_length() % 2 != 0)) {
    ZORVEL_LOG_INFO("[%s] rewrite[%s]: abort: gate+up width not static/even", t, name);
    return false;
  }
  half_width = gate_up_shape[gate_up_shape.rank().get_length() - 1].get_length() / (fused ? 2 : 1);
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
  std::string why;
  if (!RewriteConditionsHold(layer, tag, half_width, root, why)) {
    ZORVEL_LOG_DEBUG("[%s] rewrite[%s]: decline: %s; the layer stays dense", t, name, why.c_str());
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

namespace {

// The activation of the form, rebuilt on `x`.
ov::Output<ov::Node> Activate(ExpertActivation activation, const ov::Output<ov::Node>& x) {
  switch (activation) {
    case ExpertActivation::kGeluTanh:
      return std::make_shared<ov::op::v7::Gelu>(x, ov::op::GeluApproximationMode::TANH);
    case ExpertActivation::kGeluErf:
      return std::make_shared<ov::op::v7::Gelu>(x, ov::op::GeluApproximationMode::ERF);
    case ExpertActivation::kSwish:
      return std::make_shared<ov::op::v1::Multiply>(x, std::make_shared<ov::op::v0::Sigmoid>(x));
    case ExpertActivation::kRelu:
      return std::make_shared<ov::op::v0::Relu>(x);
  }
  return {};
}

// h = act(gate) * up, or act(up) for an ungated expert; `project` applies one projection.
ov::Output<ov::Node> Hidden(
    const ExpertForm& form, const ov::Output<ov::Node>& w_gate, const ov::Output<ov::Node>& w_up,
    const std::function<ov::Output<ov::Node>(ov::Output<ov::Node>)>& project) {
  if (form.projections == ExpertProjections::kUngated)
    return Activate(form.activation, project(w_up));
  return std::make_shared<ov::op::v1::Multiply>(Activate(form.activation, project(w_gate)),
                                                project(w_up));
}

// Every expert's constants after the down projection, one stack per op: each constant becomes
// [1, C] (C = 1 or H) and the stack [N, 1, C]. Empty, after the abort line, when they do not stack.
std::optional<std::vector<std::shared_ptr<Constant>>> StackPostValues(const MoELayer& layer,
                                                                      const char* rewrite,
                                                                      const char* name) {
  std::vector<std::shared_ptr<Constant>> stacks;
  const ExpertForm& form = layer.experts[0].form;
  for (size_t i = 0; i < form.post_bias.size(); ++i) {
    std::vector<ov::Output<ov::Node>> rows;
    for (const ExpertBranch& expert : layer.experts) {
      const std::shared_ptr<Constant>& value = expert.post_values[i];
      const ov::Shape& shape = value->get_shape();
      const size_t last = shape.empty() ? 1 : shape.back();
      rows.push_back(std::make_shared<Constant>(value->get_element_type(), ov::Shape{1, last},
                                                value->get_data_ptr())
                         ->output(0));
    }
    const std::string key = "post" + std::to_string(i) + (form.post_bias[i] ? "_bias" : "_scale");
    auto stacked = MakeStackedConstant(rows, StackedKey(layer, key));
    if (stacked == nullptr) {
      ZORVEL_LOG_INFO(
          "[%s] rewrite[%s]: abort: the constants after the down projection do not stack.", rewrite,
          name);
      return std::nullopt;
    }
    stacks.push_back(std::move(stacked));
  }
  return stacks;
}

// Applies the scales and biases after the down projection; `values` holds one per op.
ov::Output<ov::Node> ApplyPostOps(const ExpertForm& form, ov::Output<ov::Node> y,
                                  const std::vector<ov::Output<ov::Node>>& values) {
  for (size_t i = 0; i < form.post_bias.size(); ++i) {
    if (form.post_bias[i]) {
      y = std::make_shared<ov::op::v1::Add>(y, values[i]);
    } else {
      y = std::make_shared<ov::op::v1::Multiply>(y, values[i]);
    }
  }
  return y;
}

}  // namespace

bool ProjectionWeights(const MoELayer& layer, int64_t half_width, GateUpHalves& halves) {
  halves = GateUpHalves{};
  if (layer.experts.empty()) return false;
  switch (layer.experts[0].form.projections) {
    case ExpertProjections::kFusedGateUp:
      if (!SplitFusedGateUp(layer, half_width, halves)) return false;
      if (layer.experts[0].form.gate_second) {
        std::swap(halves.gate_packed, halves.up_packed);
        std::swap(halves.gate_scales, halves.up_scales);
      }
      return true;
    case ExpertProjections::kSeparateGateUp:
      for (const ExpertBranch& expert : layer.experts) {
        halves.gate_packed.push_back(expert.gate_up_packed);
        halves.gate_scales.push_back(expert.gate_up_scale);
        halves.up_packed.push_back(expert.up_packed);
        halves.up_scales.push_back(expert.up_scale);
      }
      return true;
    case ExpertProjections::kUngated:
      for (const ExpertBranch& expert : layer.experts) {
        halves.up_packed.push_back(expert.gate_up_packed);
        halves.up_scales.push_back(expert.gate_up_scale);
      }
      return true;
  }
  return false;
}

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
  const NewNodeMark mark;
  const int64_t k = layer.k;
  const ExpertBranch& e0 = layer.experts[0];
  const ExpertForm& form = e0.form;
  auto kconst = I64({1}, {k});
  auto flat_idx = std::make_shared<ov::op::v1::Reshape>(layer.indices, kconst, false);
  auto axis0 = I64({}, {0});

  GateUpHalves halves;
  if (!ProjectionWeights(layer, half_width, halves)) {
    ZORVEL_LOG_INFO(
        "[MoEGather] rewrite[%s]: abort: failed to split fused gate+up weight/scale into halves.",
        name);
    return false;
  }
  const MoEGatherContext context{&layer, name_text, flat_idx, axis0, &e0};
  ov::Output<ov::Node> w_gate;
  if (form.projections != ExpertProjections::kUngated) {
    w_gate = GatherDequantWeights(context, halves.gate_packed, halves.gate_scales, "gate");
    if (w_gate.get_node() == nullptr) return false;
  }
  const ov::Output<ov::Node> w_up =
      GatherDequantWeights(context, halves.up_packed, halves.up_scales, "up");
  if (w_up.get_node() == nullptr) return false;

  const StackedDown stacked_down = StackDownWeights(layer, "MoEGather", name);
  if (stacked_down.packed == nullptr) return false;
  const auto post_stacks = StackPostValues(layer, "MoEGather", name);
  if (!post_stacks) return false;
  const ov::Output<ov::Node> w_down = DequantizeWeights(
      GatherPackedRowsViaFlatten(stacked_down.packed, flat_idx, k),
      std::make_shared<ov::op::v8::Gather>(stacked_down.scales, flat_idx, axis0, 0),
      e0.down_dequant_type);
  std::vector<ov::Output<ov::Node>> post_values;
  for (const auto& stacked : *post_stacks) {
    post_values.push_back(std::make_shared<ov::op::v8::Gather>(stacked, flat_idx, axis0, 0));
  }

  // x [1, H] against the K chosen experts' weights [K, I, H]: [K, 1, I], squeezed to [K, I].
  const ov::Output<ov::Node> x = e0.gate_up_matmul->input_value(0);
  auto ax1 = I64({1}, {1});
  const auto project = [&](const ov::Output<ov::Node>& w) -> ov::Output<ov::Node> {
    return std::make_shared<ov::op::v0::Squeeze>(CloneWithInputs(e0.gate_up_matmul, {x, w}), ax1);
  };
  const ov::Output<ov::Node> h = Hidden(form, w_gate, w_up, project);
  auto h3 = std::make_shared<ov::op::v0::Unsqueeze>(h, I64({1}, {1}));
  const ov::Output<ov::Node> down =
      ApplyPostOps(form, CloneWithInputs(e0.down_matmul, {h3, w_down}), post_values);
  auto rw = std::make_shared<ov::op::v1::Reshape>(layer.router_weights, kconst, false);
  auto rw3 = std::make_shared<ov::op::v1::Reshape>(rw, I64({3}, {k, 1, 1}), false);
  auto weighted = std::make_shared<ov::op::v1::Multiply>(down, rw3);
  auto out = std::make_shared<ov::op::v1::ReduceSum>(weighted, I64({1}, {0}), false);

  out->set_friendly_name(chain_root->get_friendly_name());
  FinishRewrite(mark, {chain_root}, out, "MoEGather");
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
  const NewNodeMark mark;
  const int64_t n = static_cast<int64_t>(layer.num_experts);
  const ExpertBranch& e0 = layer.experts[0];
  const ExpertForm& form = e0.form;
  auto axis0 = I64({}, {0});

  GateUpHalves halves;
  if (!ProjectionWeights(layer, half_width, halves)) {
    ZORVEL_LOG_INFO(
        "[MoEChunk] rewrite[%s]: abort: failed to split fused gate+up weight/scale into halves.",
        name);
    return false;
  }
  ov::Output<ov::Node> w_gate;
  if (form.projections != ExpertProjections::kUngated) {
    w_gate = StackAndDequantWeights(layer, halves.gate_packed, halves.gate_scales, "gate");
    if (w_gate.get_node() == nullptr) return false;
  }
  const ov::Output<ov::Node> w_up =
      StackAndDequantWeights(layer, halves.up_packed, halves.up_scales, "up");
  if (w_up.get_node() == nullptr) return false;

  const StackedDown stacked_down = StackDownWeights(layer, "MoEChunk", name);
  if (stacked_down.packed == nullptr) return false;
  const auto post_stacks = StackPostValues(layer, "MoEChunk", name);
  if (!post_stacks) return false;
  const ov::Output<ov::Node> w_down =
      DequantizeWeights(stacked_down.packed, stacked_down.scales, e0.down_dequant_type);
  const std::vector<ov::Output<ov::Node>> post_values(post_stacks->begin(), post_stacks->end());

  // Every expert on every token: x [T, H] tiled to [N, T, H].
  const ov::Output<ov::Node> x = e0.gate_up_matmul->input_value(0);
  auto xt = std::make_shared<ov::op::v0::Tile>(x, I64({3}, {n, 1, 1}));
  const auto project = [&](const ov::Output<ov::Node>& w) -> ov::Output<ov::Node> {
    return CloneWithInputs(e0.gate_up_matmul, {xt, w});
  };
  const ov::Output<ov::Node> h = Hidden(form, w_gate, w_up, project);
  const ov::Output<ov::Node> down =
      ApplyPostOps(form, CloneWithInputs(e0.down_matmul, {h, w_down}), post_values);

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
  FinishRewrite(mark, {chain_root}, out, "MoEChunk");
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
    // The checks above are meant to leave nothing for node validation to refuse; should a
    // replacement still fail to build, nothing of it is connected yet and the layer stays dense.
    try {
      rewritten |= layer.multi_token ? RewriteMoEChunk(layer) : RewriteMoEGather(layer);
    } catch (const std::exception& e) {
      ZORVEL_LOG_DEBUG("[%s] rewrite[%s]: decline: the replacement does not build (%s)",
                       layer.multi_token ? "MoEChunk" : "MoEGather",
                       layer.topk->get_friendly_name().c_str(), e.what());
    }
  }
  return rewritten;
}

}  // namespace zorvel::openvino
