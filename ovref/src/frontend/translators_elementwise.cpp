// Element-wise translators: arithmetic with fused activations, comparisons, logical ops, unary
// math, activations, SELECT and CAST.
#include "op_table.hpp"
#include "openvino/frontend/exception.hpp"
#include "openvino/op/abs.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/clamp.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/cos.hpp"
#include "openvino/op/divide.hpp"
#include "openvino/op/equal.hpp"
#include "openvino/op/exp.hpp"
#include "openvino/op/gelu.hpp"
#include "openvino/op/hswish.hpp"
#include "openvino/op/log.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/op/power.hpp"
#include "openvino/op/prelu.hpp"
#include "openvino/op/relu.hpp"
#include "openvino/op/reshape.hpp"
#include "openvino/op/select.hpp"
#include "openvino/op/sigmoid.hpp"
#include "openvino/op/sign.hpp"
#include "openvino/op/sin.hpp"
#include "openvino/op/sqrt.hpp"
#include "openvino/op/subtract.hpp"
#include "openvino/op/tanh.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {
namespace op {
namespace {

using ov::Output;

template <typename T>
ov::OutputVector BinaryWithActivation(const NodeContext& node) {
  const auto activation = node.get_attribute<std::string>("fused_activation_function");
  auto out = std::make_shared<T>(node.get_input(0), node.get_input(1));
  return named(node, get_activation(out, node, activation));
}

template <typename T>
ov::OutputVector Binary(const NodeContext& node) {
  return named(node, std::make_shared<T>(node.get_input(0), node.get_input(1)));
}

template <typename T>
ov::OutputVector Unary(const NodeContext& node) {
  return named(node, std::make_shared<T>(node.get_input(0)));
}

// A scalar of x's element type.
std::shared_ptr<ov::op::v0::Constant> ScalarLike(const Output<ov::Node>& x, double value) {
  return std::make_shared<ov::op::v0::Constant>(x.get_element_type(), ov::Shape{}, value);
}

ov::OutputVector Relu6(const NodeContext& node) {
  return named(node, std::make_shared<ov::op::v0::Clamp>(node.get_input(0), 0.0, 6.0));
}

ov::OutputVector Relu0To1(const NodeContext& node) {
  return named(node, std::make_shared<ov::op::v0::Clamp>(node.get_input(0), 0.0, 1.0));
}

ov::OutputVector Square(const NodeContext& node) {
  const auto x = node.get_input(0);
  return named(node, std::make_shared<ov::op::v1::Multiply>(x, x));
}

ov::OutputVector Rsqrt(const NodeContext& node) {
  const auto x = node.get_input(0);
  return named(node, std::make_shared<ov::op::v1::Power>(x, ScalarLike(x, -0.5)));
}

ov::OutputVector LeakyRelu(const NodeContext& node) {
  const auto x = node.get_input(0);
  const float alpha = node.get_attribute<float>("alpha", 0.2f);
  return named(node, std::make_shared<ov::op::v0::PRelu>(x, ScalarLike(x, alpha)));
}

ov::OutputVector Gelu(const NodeContext& node) {
  const bool approximate = node.get_attribute<bool>("approximate", false);
  return named(node, std::make_shared<ov::op::v7::Gelu>(
                         node.get_input(0), approximate ? ov::op::GeluApproximationMode::TANH
                                                        : ov::op::GeluApproximationMode::ERF));
}

// TensorFlow's Select: a rank-1 condition picks whole slices along axis 0.
ov::OutputVector Select(const NodeContext& node) {
  default_op_checks(node, 3, {"SELECT"});
  auto condition = node.get_input(0);
  const auto x = node.get_input(1);
  const auto y = node.get_input(2);
  const auto& cond_rank = condition.get_partial_shape().rank();
  const auto& x_rank = x.get_partial_shape().rank();
  if (cond_rank.is_static() && cond_rank.get_length() == 1) {
    if (x_rank.is_dynamic()) {
      OPENVINO_ASSERT_HELPER(::ov::frontend::OpValidationFailure, std::string(), false,
                             "SELECT with a rank-1 condition needs inputs of known rank.");
    }
    if (x_rank.get_length() > 1) {
      std::vector<int64_t> shape(static_cast<size_t>(x_rank.get_length()), 1);
      shape[0] = -1;
      condition = std::make_shared<ov::op::v1::Reshape>(condition, i64_const(shape), false);
    }
  }
  return named(node, std::make_shared<ov::op::v1::Select>(condition, x, y));
}

ov::OutputVector SelectV2(const NodeContext& node) {
  return named(node, std::make_shared<ov::op::v1::Select>(node.get_input(0), node.get_input(1),
                                                          node.get_input(2)));
}

ov::OutputVector Cast(const NodeContext& node) {
  const auto type = node.get_attribute<ov::element::Type>("DstT");
  return named(node, std::make_shared<ov::op::v0::Convert>(node.get_input(0), type));
}

const TranslatorRegistration elementwise_registration{
    {"ADD", DQ(BinaryWithActivation<ov::op::v1::Add>)},
    {"SUB", DQ(BinaryWithActivation<ov::op::v1::Subtract>)},
    {"MUL", DQ(BinaryWithActivation<ov::op::v1::Multiply>)},
    {"DIV", DQ(BinaryWithActivation<ov::op::v1::Divide>)},
    {"POW", DQ(Binary<ov::op::v1::Power>)},
    {"PRELU", DQ(Binary<ov::op::v0::PRelu>)},
    {"LOGISTIC", DQ(Unary<ov::op::v0::Sigmoid>)},
    {"RELU", DQ(Unary<ov::op::v0::Relu>)},
    {"RELU6", DQ(Relu6)},
    {"RELU_0_TO_1", DQ(Relu0To1)},
    {"TANH", DQ(Unary<ov::op::v0::Tanh>)},
    {"EXP", DQ(Unary<ov::op::v0::Exp>)},
    {"SIN", DQ(Unary<ov::op::v0::Sin>)},
    {"COS", DQ(Unary<ov::op::v0::Cos>)},
    {"LOG", DQ(Unary<ov::op::v0::Log>)},
    {"ABS", DQ(Unary<ov::op::v0::Abs>)},
    {"SIGN", DQ(Unary<ov::op::v0::Sign>)},
    {"SQRT", DQ(Unary<ov::op::v0::Sqrt>)},
    {"HARD_SWISH", DQ(Unary<ov::op::v4::HSwish>)},
    {"RSQRT", DQ(Rsqrt)},
    {"SQUARE", DQ(Square)},
    {"LEAKY_RELU", DQ(LeakyRelu)},
    {"GELU", DQ(Gelu)},
    {"SELECT", DQ(Select)},
    {"SELECT_V2", DQ(SelectV2)},
    {"CAST", DQ(Cast)},
};

}  // namespace
}  // namespace op
}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
