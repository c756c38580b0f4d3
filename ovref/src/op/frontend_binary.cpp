// Binary element-wise operations of the front end: SquaredDifference, Maximum, Minimum,
// FloorMod, Mod, the ordering comparisons and NotEqual, the logical operations.

#include <cmath>

#include "openvino/core/attribute_visitor.hpp"
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
#include "openvino/op/squared_difference.hpp"
#include "util/evaluate_helpers.hpp"

namespace ov {
namespace op {

using eval::kAll;
using eval::kBoolean;
using eval::kNumeric;

namespace util {

BinaryElementwiseLogical::BinaryElementwiseLogical(const AutoBroadcastSpec& autob)
    : m_autob(autob) {}

BinaryElementwiseLogical::BinaryElementwiseLogical(const Output<Node>& arg0,
                                                   const Output<Node>& arg1,
                                                   const AutoBroadcastSpec& autob)
    : Op({arg0, arg1}), m_autob(autob) {}

void BinaryElementwiseLogical::validate_and_infer_types() {
  NODE_VALIDATION_CHECK(this, get_input_size() == 2, "Incorrect number of inputs. Required: 2");
  element::Type type;
  NODE_VALIDATION_CHECK(
      this, element::Type::merge(type, get_input_element_type(0), get_input_element_type(1)),
      "Arguments do not have the same element type (arg0 element type: ", get_input_element_type(0),
      ", arg1 element type: ", get_input_element_type(1), ").");
  NODE_VALIDATION_CHECK(this, type.is_dynamic() || type == element::boolean,
                        "Operands for logical operators must have boolean element type but have "
                        "element type ",
                        type, ".");
  PartialShape shape = get_input_partial_shape(0);
  if (m_autob.m_type == AutoBroadcastType::NONE) {
    NODE_VALIDATION_CHECK(this, PartialShape::merge_into(shape, get_input_partial_shape(1)),
                          "Argument shapes are inconsistent.");
  } else {
    NODE_VALIDATION_CHECK(
        this, PartialShape::broadcast_merge_into(shape, get_input_partial_shape(1), m_autob),
        "Argument shapes are inconsistent.");
  }
  set_output_type(0, element::boolean, shape);
}

bool BinaryElementwiseLogical::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("auto_broadcast", m_autob);
  return true;
}

}  // namespace util

#define OVREF_BINARY_COMMON(Class, Base, types)                                            \
  Class::Class(const Output<Node>& arg0, const Output<Node>& arg1,                         \
               const AutoBroadcastSpec& auto_broadcast)                                    \
      : Base(arg0, arg1, auto_broadcast) {                                                 \
    constructor_validate_and_infer_types();                                                \
  }                                                                                        \
  std::shared_ptr<Node> Class::clone_with_new_inputs(const OutputVector& new_args) const { \
    check_new_args_count(this, new_args);                                                  \
    return std::make_shared<Class>(new_args.at(0), new_args.at(1), get_autob());           \
  }                                                                                        \
  bool Class::has_evaluate() const { return eval::in_set(get_input_element_type(0), types); }

namespace {

// Integer remainders: division by zero has no result and is reported; the lowest value modulo
// -1 is 0 (its quotient overflows).
template <typename C>
C truncated_remainder(C a, C b) {
  if (b == C(0)) OPENVINO_THROW("integer division by zero");
  if constexpr (std::is_signed_v<C>) {
    if (b == C(-1)) return C(0);
  }
  return static_cast<C>(a % b);
}

}  // namespace

namespace v0 {

OVREF_BINARY_COMMON(SquaredDifference, BinaryElementwiseArithmetic, kNumeric)
bool SquaredDifference::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kNumeric, false,
                      [](auto a, auto b) {
                        const auto d = eval::wrap_sub(a, b);
                        return eval::wrap_mul(d, d);
                      });
}

}  // namespace v0

namespace v1 {

OVREF_BINARY_COMMON(Maximum, BinaryElementwiseArithmetic, kNumeric)
bool Maximum::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kNumeric, false,
                      [](auto a, auto b) { return a < b ? b : a; });
}

OVREF_BINARY_COMMON(Minimum, BinaryElementwiseArithmetic, kNumeric)
bool Minimum::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kNumeric, false,
                      [](auto a, auto b) { return b < a ? b : a; });
}

OVREF_BINARY_COMMON(FloorMod, BinaryElementwiseArithmetic, kNumeric)
bool FloorMod::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kNumeric, false,
                      [](auto a, auto b) {
                        using C = decltype(a);
                        if constexpr (std::is_integral_v<C>) {
                          C r = truncated_remainder(a, b);
                          if constexpr (std::is_signed_v<C>) {
                            if (r != C(0) && ((r < C(0)) != (b < C(0)))) r = static_cast<C>(r + b);
                          }
                          return r;
                        } else {
                          return static_cast<C>(a - b * std::floor(a / b));
                        }
                      });
}

OVREF_BINARY_COMMON(Mod, BinaryElementwiseArithmetic, kNumeric)
bool Mod::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kNumeric, false,
                      [](auto a, auto b) {
                        using C = decltype(a);
                        if constexpr (std::is_integral_v<C>) {
                          return truncated_remainder(a, b);
                        } else {
                          return static_cast<C>(std::fmod(a, b));
                        }
                      });
}

OVREF_BINARY_COMMON(Less, BinaryElementwiseComparison, kAll)
bool Less::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kAll, true,
                      [](auto a, auto b) { return a < b; });
}

OVREF_BINARY_COMMON(LessEqual, BinaryElementwiseComparison, kAll)
bool LessEqual::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kAll, true,
                      [](auto a, auto b) { return a <= b; });
}

OVREF_BINARY_COMMON(Greater, BinaryElementwiseComparison, kAll)
bool Greater::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kAll, true,
                      [](auto a, auto b) { return a > b; });
}

OVREF_BINARY_COMMON(GreaterEqual, BinaryElementwiseComparison, kAll)
bool GreaterEqual::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kAll, true,
                      [](auto a, auto b) { return a >= b; });
}

OVREF_BINARY_COMMON(NotEqual, BinaryElementwiseComparison, kAll)
bool NotEqual::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kAll, true,
                      [](auto a, auto b) { return a != b; });
}

OVREF_BINARY_COMMON(LogicalAnd, BinaryElementwiseLogical, kBoolean)
bool LogicalAnd::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kBoolean, true,
                      [](auto a, auto b) { return a && b; });
}

OVREF_BINARY_COMMON(LogicalOr, BinaryElementwiseLogical, kBoolean)
bool LogicalOr::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kBoolean, true,
                      [](auto a, auto b) { return a || b; });
}

OVREF_BINARY_COMMON(LogicalXor, BinaryElementwiseLogical, kBoolean)
bool LogicalXor::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kBoolean, true,
                      [](auto a, auto b) { return (a != 0) != (b != 0); });
}

#undef OVREF_BINARY_COMMON

// ---- LogicalNot ----

LogicalNot::LogicalNot(const Output<Node>& arg) : Op({arg}) {
  constructor_validate_and_infer_types();
}

void LogicalNot::validate_and_infer_types() {
  const auto& type = get_input_element_type(0);
  NODE_VALIDATION_CHECK(this, type.is_dynamic() || type == element::boolean,
                        "Operand for logical operator must have boolean element type but has "
                        "element type ",
                        type, ".");
  set_output_type(0, element::boolean, get_input_partial_shape(0));
}

bool LogicalNot::visit_attributes(AttributeVisitor&) { return true; }

std::shared_ptr<Node> LogicalNot::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<LogicalNot>(new_args.at(0));
}

bool LogicalNot::has_evaluate() const { return eval::in_set(get_input_element_type(0), kBoolean); }

bool LogicalNot::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::unary(outputs[0], inputs[0], kBoolean, [](auto x) { return x ? 0 : 1; });
}

}  // namespace v1
}  // namespace op
}  // namespace ov
