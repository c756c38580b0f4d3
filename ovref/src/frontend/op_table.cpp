#include "op_table.hpp"

#include <algorithm>

#include "openvino/frontend/exception.hpp"
#include "openvino/op/clamp.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/convert_like.hpp"
#include "openvino/op/less.hpp"
#include "openvino/op/relu.hpp"
#include "openvino/op/tanh.hpp"
#include "openvino/op/transpose.hpp"
#include "tfl_quantize.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {
namespace op {

namespace {

TranslatorDictionaryType& Registry() {
  static TranslatorDictionaryType translators;
  return translators;
}

}  // namespace

TranslatorRegistration::TranslatorRegistration(
    std::initializer_list<std::pair<const char*, CreatorFunction>> entries) {
  for (const auto& [type, translator] : entries) Registry()[type] = translator;
}

TranslatorDictionaryType get_supported_ops() { return Registry(); }

void dequantize_inputs(OutputVector& inputs) {
  // A half-precision activation keeps quantized weights next to it in its own type.
  ov::element::Type half = ov::element::dynamic;
  for (const auto& input : inputs) {
    const auto type = input.get_element_type();
    if (type == ov::element::f16 || type == ov::element::bf16) half = type;
  }
  for (auto& input : inputs) {
    auto q = ov::as_type_ptr<TFLQuantize>(input.get_node_shared_ptr());
    if (!q) continue;
    const bool weights = ov::is_type<ov::op::v0::Constant>(q->get_input_node_ptr(0));
    const auto target = weights && half != ov::element::dynamic ? half : ov::element::f32;
    input = std::make_shared<ov::op::v0::Convert>(input, target);
  }
}

CreatorFunction DQ(const CreatorFunction& translator) {
  return [translator](const NodeContext& node) {
    auto inputs = node.get_inputs();
    dequantize_inputs(inputs);
    return translator(NodeContext(node.get_decoder(), inputs));
  };
}

ov::Output<ov::Node> get_activation(const ov::Output<ov::Node>& output, const NodeContext& node,
                                    const std::string& value) {
  if (value == "NONE") return output;
  if (value == "RELU") return std::make_shared<ov::op::v0::Relu>(output);
  if (value == "RELU6") return std::make_shared<ov::op::v0::Clamp>(output, 0.0, 6.0);
  if (value == "RELU_N1_TO_1") return std::make_shared<ov::op::v0::Clamp>(output, -1.0, 1.0);
  if (value == "TANH") return std::make_shared<ov::op::v0::Tanh>(output);
  if (value == "SIGN_BIT") {
    auto zero = std::make_shared<ov::op::v1::ConvertLike>(i32_scalar(0), output);
    return std::make_shared<ov::op::v1::Less>(output, zero);
  }
  FRONT_END_GENERAL_CHECK(false, "Unknown Activation fused to ", node.get_op_type(), ": ", value);
}

ov::Output<ov::Node> get_activation(const ov::Output<ov::Node>& output, const NodeContext& node,
                                    const char* name) {
  return get_activation(output, node, node.get_attribute_as_any(name).as<std::string>());
}

ov::OutputVector named(const NodeContext& node, const ov::Output<ov::Node>& output) {
  output.get_node_shared_ptr()->set_friendly_name(node.get_name());
  return {output};
}

ov::Output<ov::Node> transpose(const ov::Output<ov::Node>& x, const std::vector<int64_t>& order) {
  return std::make_shared<ov::op::v1::Transpose>(x, i64_const(order));
}

ov::Output<ov::Node> to_channels_first(const ov::Output<ov::Node>& x, size_t rank) {
  return rank == 5 ? transpose(x, {0, 4, 1, 2, 3}) : transpose(x, {0, 3, 1, 2});
}

ov::Output<ov::Node> to_channels_last(const ov::Output<ov::Node>& x, size_t rank) {
  return rank == 5 ? transpose(x, {0, 2, 3, 4, 1}) : transpose(x, {0, 2, 3, 1});
}

std::shared_ptr<ov::op::v0::Constant> i64_const(const std::vector<int64_t>& values) {
  return std::make_shared<ov::op::v0::Constant>(ov::element::i64, ov::Shape{values.size()}, values);
}

std::shared_ptr<ov::op::v0::Constant> i64_scalar(int64_t value) {
  return std::make_shared<ov::op::v0::Constant>(ov::element::i64, ov::Shape{},
                                                std::vector<int64_t>{value});
}

std::shared_ptr<ov::op::v0::Constant> i32_scalar(int32_t value) {
  return std::make_shared<ov::op::v0::Constant>(ov::element::i32, ov::Shape{},
                                                std::vector<int32_t>{value});
}

void default_op_checks(const NodeContext& node, size_t min_inputs,
                       const std::vector<std::string>& op_types) {
  const auto& type = node.get_op_type();
  if (std::find(op_types.begin(), op_types.end(), type) == op_types.end()) {
    OPENVINO_ASSERT_HELPER(::ov::frontend::OpValidationFailure, std::string(), false, type,
                           " is not supported for conversion.");
  }
  if (node.get_input_size() < min_inputs) {
    OPENVINO_ASSERT_HELPER(::ov::frontend::OpValidationFailure, std::string(), false, type,
                           " must have at least ", min_inputs, " inputs.");
  }
}

}  // namespace op
}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
