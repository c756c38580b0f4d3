// Comparisons, logical operations, minimum and maximum, and the integer-aware divisions.
#include "op_table.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/divide.hpp"
#include "openvino/op/equal.hpp"
#include "openvino/op/floor.hpp"
#include "openvino/op/floor_mod.hpp"
#include "openvino/op/greater.hpp"
#include "openvino/op/greater_eq.hpp"
#include "openvino/op/less.hpp"
#include "openvino/op/less_eq.hpp"
#include "openvino/op/logical_and.hpp"
#include "openvino/op/logical_not.hpp"
#include "openvino/op/logical_or.hpp"
#include "openvino/op/logical_xor.hpp"
#include "openvino/op/maximum.hpp"
#include "openvino/op/minimum.hpp"
#include "openvino/op/mod.hpp"
#include "openvino/op/not_equal.hpp"
#include "openvino/op/select.hpp"
#include "openvino/op/squared_difference.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {
namespace op {
namespace {

using ov::Output;

template <typename T>
ov::OutputVector Binary(const NodeContext& node) {
  return named(node, std::make_shared<T>(node.get_input(0), node.get_input(1)));
}

template <typename T>
ov::OutputVector Unary(const NodeContext& node) {
  return named(node, std::make_shared<T>(node.get_input(0)));
}

std::shared_ptr<ov::op::v0::Constant> ScalarLike(const Output<ov::Node>& x, double value) {
  return std::make_shared<ov::op::v0::Constant>(x.get_element_type(), ov::Shape{}, value);
}

// Python-style division: rounds towards negative infinity.
ov::OutputVector FloorDiv(const NodeContext& node) {
  const auto x = node.get_input(0);
  const auto y = node.get_input(1);
  const auto type = x.get_element_type();
  if (type.is_integral_number() && type.is_signed()) {
    auto div = std::make_shared<ov::op::v1::Divide>(x, y, false);
    auto zero = ScalarLike(x, 0);
    auto inexact =
        std::make_shared<ov::op::v1::NotEqual>(std::make_shared<ov::op::v1::Mod>(x, y), zero);
    auto signs_differ = std::make_shared<ov::op::v1::LogicalXor>(
        std::make_shared<ov::op::v1::Less>(x, zero), std::make_shared<ov::op::v1::Less>(y, zero));
    auto correction = std::make_shared<ov::op::v1::Select>(
        std::make_shared<ov::op::v1::LogicalAnd>(inexact, signs_differ), ScalarLike(x, -1), zero);
    return named(node, std::make_shared<ov::op::v1::Add>(div, correction));
  }
  if (type.is_integral_number()) return named(node, std::make_shared<ov::op::v1::Divide>(x, y));
  return named(node,
               std::make_shared<ov::op::v0::Floor>(std::make_shared<ov::op::v1::Divide>(x, y)));
}

const TranslatorRegistration compare_registration{
    {"MAXIMUM", DQ(Binary<ov::op::v1::Maximum>)},
    {"MINIMUM", DQ(Binary<ov::op::v1::Minimum>)},
    {"SQUARED_DIFFERENCE", DQ(Binary<ov::op::v0::SquaredDifference>)},
    {"FLOOR_MOD", DQ(Binary<ov::op::v1::FloorMod>)},
    {"FLOOR_DIV", DQ(FloorDiv)},
    {"LESS", DQ(Binary<ov::op::v1::Less>)},
    {"LESS_EQUAL", DQ(Binary<ov::op::v1::LessEqual>)},
    {"GREATER", DQ(Binary<ov::op::v1::Greater>)},
    {"GREATER_EQUAL", DQ(Binary<ov::op::v1::GreaterEqual>)},
    {"EQUAL", DQ(Binary<ov::op::v1::Equal>)},
    {"NOT_EQUAL", DQ(Binary<ov::op::v1::NotEqual>)},
    {"LOGICAL_AND", DQ(Binary<ov::op::v1::LogicalAnd>)},
    {"LOGICAL_OR", DQ(Binary<ov::op::v1::LogicalOr>)},
    {"LOGICAL_NOT", DQ(Unary<ov::op::v1::LogicalNot>)},
};

}  // namespace
}  // namespace op
}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
