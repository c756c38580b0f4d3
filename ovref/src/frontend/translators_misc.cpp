// Reductions, softmax, top-k and arg-max, one-hot, range, cumulative sum, the quantization ops
// and the composite operations.
#include "op_table.hpp"
#include "openvino/frontend/exception.hpp"
#include "openvino/frontend/tensorflow_lite/decoder.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/convert_like.hpp"
#include "openvino/op/cum_sum.hpp"
#include "openvino/op/divide.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/op/one_hot.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/op/power.hpp"
#include "openvino/op/range.hpp"
#include "openvino/op/reduce_logical_and.hpp"
#include "openvino/op/reduce_logical_or.hpp"
#include "openvino/op/reduce_max.hpp"
#include "openvino/op/reduce_mean.hpp"
#include "openvino/op/reduce_sum.hpp"
#include "openvino/op/result.hpp"
#include "openvino/op/softmax.hpp"
#include "openvino/op/sqrt.hpp"
#include "openvino/op/squeeze.hpp"
#include "openvino/op/topk.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {
namespace op {
namespace {

using ov::Output;

template <typename T>
ov::OutputVector Reduce(const NodeContext& node) {
  const bool keep_dims = node.get_attribute<bool>("keep_dims", false);
  return named(node, std::make_shared<T>(node.get_input(0), node.get_input(1), keep_dims));
}

ov::OutputVector Softmax(const NodeContext& node) {
  Output<ov::Node> x = node.get_input(0);
  const float beta = node.get_attribute<float>("beta");
  if (beta != 1.0f) {
    auto scale = std::make_shared<ov::op::v1::ConvertLike>(
        std::make_shared<ov::op::v0::Constant>(ov::element::f32, ov::Shape{},
                                               std::vector<float>{beta}),
        x);
    x = std::make_shared<ov::op::v1::Multiply>(x, scale);
  }
  return named(node, std::make_shared<ov::op::v8::Softmax>(x, -1));
}

ov::OutputVector ArgMax(const NodeContext& node) {
  default_op_checks(node, 2, {"ARG_MAX"});
  const auto axis_c =
      ov::as_type_ptr<ov::op::v0::Constant>(node.get_input(1).get_node_shared_ptr());
  if (!axis_c) Invalid("ARG_MAX needs a constant axis");
  const auto axes = axis_c->cast_vector<int64_t>();
  if (axes.size() != 1) Invalid("ARG_MAX needs a single axis");
  const auto output_type = node.get_attribute<ov::element::Type>("output_type", ov::element::i64);
  const bool native = output_type == ov::element::i32 || output_type == ov::element::i64;
  auto topk = std::make_shared<ov::op::v11::TopK>(
      node.get_input(0), i64_scalar(1), axes[0], ov::op::TopKMode::MAX,
      ov::op::TopKSortType::SORT_VALUES, native ? output_type : ov::element::i64, true);
  Output<ov::Node> out = std::make_shared<ov::op::v0::Squeeze>(topk->output(1), i64_const(axes));
  if (!native) out = std::make_shared<ov::op::v0::Convert>(out, output_type);
  return named(node, out);
}

ov::OutputVector TopKV2(const NodeContext& node) {
  default_op_checks(node, 2, {"TOPK_V2"});
  const bool sorted = node.get_attribute<bool>("sorted", true);
  const auto index_type = node.get_attribute<ov::element::Type>("index_type", ov::element::i32);
  const bool native = index_type == ov::element::i32 || index_type == ov::element::i64;
  auto topk = std::make_shared<ov::op::v11::TopK>(
      node.get_input(0), node.get_input(1), -1, ov::op::TopKMode::MAX,
      sorted ? ov::op::TopKSortType::SORT_VALUES : ov::op::TopKSortType::SORT_INDICES,
      native ? index_type : ov::element::i32, true);
  topk->set_friendly_name(node.get_name());
  Output<ov::Node> indices = topk->output(1);
  if (!native) indices = std::make_shared<ov::op::v0::Convert>(indices, index_type);
  return {topk->output(0), indices};
}

ov::OutputVector OneHot(const NodeContext& node) {
  default_op_checks(node, 4, {"ONE_HOT"});
  const auto axis = node.get_attribute<int64_t>("axis", -1);
  return named(node,
               std::make_shared<ov::op::v1::OneHot>(node.get_input(0), node.get_input(1),
                                                    node.get_input(2), node.get_input(3), axis));
}

ov::OutputVector Range(const NodeContext& node) {
  default_op_checks(node, 3, {"RANGE"});
  const auto start = node.get_input(0);
  const auto type = start.get_element_type();
  if (type.is_dynamic()) {
    auto range = std::make_shared<ov::op::v4::Range>(start, node.get_input(1), node.get_input(2),
                                                     ov::element::f32);
    return named(node, std::make_shared<ov::op::v1::ConvertLike>(range, start));
  }
  return named(
      node, std::make_shared<ov::op::v4::Range>(start, node.get_input(1), node.get_input(2), type));
}

ov::OutputVector CumSum(const NodeContext& node) {
  default_op_checks(node, 2, {"CUMSUM"});
  return named(node,
               std::make_shared<ov::op::v0::CumSum>(node.get_input(0), node.get_input(1),
                                                    node.get_attribute<bool>("exclusive", false),
                                                    node.get_attribute<bool>("reverse", false)));
}

// x / sqrt(mean(x^2 over the last axis) + eps) * gamma, in the form RMS fusion recognises.
ov::OutputVector RmsNorm(const NodeContext& node) {
  FRONT_END_GENERAL_CHECK(node.get_input_size() == 2, "STABLEHLO_COMPOSITE qvex.rms_norm '",
                          node.get_name(), "' expects 2 inputs (data, gamma), got ",
                          node.get_input_size());
  auto inputs = node.get_inputs();
  dequantize_inputs(inputs);
  const auto& data = inputs[0];
  const auto& gamma = inputs[1];
  const float epsilon = node.get_attribute<float>("epsilon", 1e-6f);
  Output<ov::Node> eps = std::make_shared<ov::op::v0::Constant>(ov::element::f32, ov::Shape{},
                                                                std::vector<float>{epsilon});
  if (data.get_element_type() != ov::element::f32) {
    eps = std::make_shared<ov::op::v1::ConvertLike>(eps, data);
  }
  const auto type = data.get_element_type();
  const auto axes = std::make_shared<ov::op::v0::Constant>(ov::element::i32, ov::Shape{1},
                                                           std::vector<int32_t>{-1});
  const auto two = std::make_shared<ov::op::v0::Constant>(type, ov::Shape{}, 2.0);
  const auto one = std::make_shared<ov::op::v0::Constant>(type, ov::Shape{}, 1.0);
  const auto squares = std::make_shared<ov::op::v1::Power>(data, two);
  const auto mean = std::make_shared<ov::op::v1::ReduceMean>(squares, axes, true);
  const auto root =
      std::make_shared<ov::op::v0::Sqrt>(std::make_shared<ov::op::v1::Add>(mean, eps));
  const auto inverse = std::make_shared<ov::op::v1::Divide>(one, root);
  const auto normalized = std::make_shared<ov::op::v1::Multiply>(data, inverse);
  return named(node, std::make_shared<ov::op::v1::Multiply>(normalized, gamma));
}

// Any other composite is inlined from its decomposition subgraph.
ov::OutputVector Decomposition(const NodeContext& node, const std::string& name) {
  const auto index = node.get_attribute_as_any("decomposition_subgraph_index");
  FRONT_END_OP_CONVERSION_CHECK(!index.empty(), "STABLEHLO_COMPOSITE '", name,
                                "' has no decomposition_subgraph_index and no hand-written "
                                "translator");
  const auto subgraph_index = index.as<int32_t>();
  const auto model = node.get_subgraph(subgraph_index);
  FRONT_END_GENERAL_CHECK(model != nullptr, "Failed to materialize decomposition subgraph ",
                          subgraph_index, " of STABLEHLO_COMPOSITE '", name, "'");
  const auto& parameters = model->get_parameters();
  FRONT_END_OP_CONVERSION_CHECK(parameters.size() == node.get_input_size(), "STABLEHLO_COMPOSITE '",
                                name, "' decomposition has ", parameters.size(),
                                " parameters but the call site provides ", node.get_input_size(),
                                " inputs");
  for (size_t i = 0; i < parameters.size(); ++i) {
    parameters[i]->output(0).replace(node.get_input(static_cast<int>(i)));
  }
  ov::OutputVector outputs;
  for (const auto& result : model->get_results()) outputs.push_back(result->input_value(0));
  return outputs;
}

ov::OutputVector StablehloComposite(const NodeContext& node) {
  FRONT_END_GENERAL_CHECK(node.get_decoder() != nullptr,
                          "Decoder is required for STABLEHLO_COMPOSITE translation");
  const auto name = node.get_attribute_as_any("composite_name").as<std::string>();
  if (name == "qvex.rms_norm") return RmsNorm(node);
  return Decomposition(node, name);
}

const TranslatorRegistration misc_registration{
    {"MEAN", DQ(Reduce<ov::op::v1::ReduceMean>)},
    {"SUM", DQ(Reduce<ov::op::v1::ReduceSum>)},
    {"REDUCE_MAX", DQ(Reduce<ov::op::v1::ReduceMax>)},
    {"REDUCE_ANY", DQ(Reduce<ov::op::v1::ReduceLogicalOr>)},
    {"REDUCE_ALL", DQ(Reduce<ov::op::v1::ReduceLogicalAnd>)},
    {"SOFTMAX", DQ(Softmax)},
    {"ARG_MAX", DQ(ArgMax)},
    {"TOPK_V2", DQ(TopKV2)},
    {"ONE_HOT", DQ(OneHot)},
    {"RANGE", DQ(Range)},
    {"CUMSUM", CumSum},
    {"STABLEHLO_COMPOSITE", StablehloComposite},
};

}  // namespace
}  // namespace op
}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
