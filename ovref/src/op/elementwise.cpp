// Unary and binary element-wise operations.

#include <cmath>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/divide.hpp"
#include "openvino/op/equal.hpp"
#include "openvino/op/floor.hpp"
#include "openvino/op/gelu.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/op/power.hpp"
#include "openvino/op/relu.hpp"
#include "openvino/op/select.hpp"
#include "openvino/op/sign.hpp"
#include "openvino/op/sqrt.hpp"
#include "openvino/op/subtract.hpp"
#include "util/evaluate_helpers.hpp"

namespace ov {
namespace op {

using eval::kFloat;
using eval::kInteger;
using eval::kNumeric;

// ---- unary ----

namespace v0 {

Sign::Sign(const Output<Node>& arg) : UnaryElementwiseArithmetic(arg) {
  constructor_validate_and_infer_types();
}
std::shared_ptr<Node> Sign::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Sign>(new_args.at(0));
}
bool Sign::has_evaluate() const { return eval::in_set(get_input_element_type(0), kNumeric); }
bool Sign::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::unary(outputs[0], inputs[0], kNumeric, [](auto x) {
    using C = decltype(x);
    return x < C(0) ? C(-1) : (x > C(0) ? C(1) : C(0));
  });
}

Sqrt::Sqrt(const Output<Node>& arg) : UnaryElementwiseArithmetic(arg) {
  constructor_validate_and_infer_types();
}
std::shared_ptr<Node> Sqrt::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Sqrt>(new_args.at(0));
}
bool Sqrt::has_evaluate() const { return eval::in_set(get_input_element_type(0), kNumeric); }
bool Sqrt::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::unary(outputs[0], inputs[0], kNumeric, [](auto x) {
    using C = decltype(x);
    if constexpr (std::is_integral_v<C>) {
      // Integers round half away from zero; negative inputs have no defined result and give 0.
      return eval::from_double<C>(std::round(std::sqrt(static_cast<double>(x))));
    } else {
      return static_cast<C>(std::sqrt(x));
    }
  });
}

Relu::Relu(const Output<Node>& arg) : UnaryElementwiseArithmetic(arg) {
  constructor_validate_and_infer_types();
}
std::shared_ptr<Node> Relu::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Relu>(new_args.at(0));
}
bool Relu::has_evaluate() const { return eval::in_set(get_input_element_type(0), kNumeric); }
bool Relu::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::unary(outputs[0], inputs[0], kNumeric, [](auto x) {
    using C = decltype(x);
    return x > C(0) ? x : C(0);
  });
}

Floor::Floor(const Output<Node>& arg) : UnaryElementwiseArithmetic(arg) {
  constructor_validate_and_infer_types();
}
std::shared_ptr<Node> Floor::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Floor>(new_args.at(0));
}
bool Floor::has_evaluate() const { return eval::in_set(get_input_element_type(0), kNumeric); }
bool Floor::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::unary(outputs[0], inputs[0], kNumeric, [](auto x) {
    using C = decltype(x);
    if constexpr (std::is_integral_v<C>) {
      return x;
    } else {
      return static_cast<C>(std::floor(x));
    }
  });
}

namespace {

double gelu_erf(double x) { return 0.5 * x * (1.0 + std::erf(x / std::sqrt(2.0))); }

double gelu_tanh(double x) {
  const double pi = 3.14159265358979323846;
  return 0.5 * x * (1.0 + std::tanh(std::sqrt(2.0 / pi) * (x + 0.044715 * x * x * x)));
}

void check_gelu_input(const Node* node) {
  const auto& type = node->get_input_element_type(0);
  NODE_VALIDATION_CHECK(node, type.is_dynamic() || type.is_real(),
                        "Argument element type must be f16, bf16, f32, f64 or dynamic (got ", type,
                        ").");
}

}  // namespace

Gelu::Gelu() = default;

Gelu::Gelu(const Output<Node>& data) : UnaryElementwiseArithmetic(data) {
  constructor_validate_and_infer_types();
}
void Gelu::validate_and_infer_types() {
  check_gelu_input(this);
  UnaryElementwiseArithmetic::validate_and_infer_types();
}
std::shared_ptr<Node> Gelu::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Gelu>(new_args.at(0));
}
bool Gelu::has_evaluate() const { return eval::in_set(get_input_element_type(0), kFloat); }
bool Gelu::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::unary(outputs[0], inputs[0], kFloat, [](auto x) {
    return static_cast<decltype(x)>(gelu_erf(static_cast<double>(x)));
  });
}

}  // namespace v0

namespace v7 {

Gelu::Gelu(const Output<Node>& data, GeluApproximationMode mode)
    : UnaryElementwiseArithmetic(data), m_approximation_mode(mode) {
  constructor_validate_and_infer_types();
}
bool Gelu::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("approximation_mode", m_approximation_mode);
  return true;
}
void Gelu::validate_and_infer_types() {
  v0::check_gelu_input(this);
  UnaryElementwiseArithmetic::validate_and_infer_types();
}
std::shared_ptr<Node> Gelu::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Gelu>(new_args.at(0), m_approximation_mode);
}
bool Gelu::has_evaluate() const { return eval::in_set(get_input_element_type(0), kFloat); }
bool Gelu::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const bool tanh_mode = m_approximation_mode == GeluApproximationMode::TANH;
  return eval::unary(outputs[0], inputs[0], kFloat, [tanh_mode](auto x) {
    const double v = static_cast<double>(x);
    return static_cast<decltype(x)>(tanh_mode ? v0::gelu_tanh(v) : v0::gelu_erf(v));
  });
}

}  // namespace v7

std::ostream& operator<<(std::ostream& s, const GeluApproximationMode& type) {
  return s << as_string(type);
}

// ---- binary arithmetic ----

namespace v1 {

#define OVREF_BINARY_COMMON(Class)                                                         \
  Class::Class(const Output<Node>& arg0, const Output<Node>& arg1,                         \
               const AutoBroadcastSpec& auto_broadcast)                                    \
      : BinaryElementwiseArithmetic(arg0, arg1, auto_broadcast) {                          \
    constructor_validate_and_infer_types();                                                \
  }                                                                                        \
  std::shared_ptr<Node> Class::clone_with_new_inputs(const OutputVector& new_args) const { \
    check_new_args_count(this, new_args);                                                  \
    return std::make_shared<Class>(new_args.at(0), new_args.at(1), get_autob());           \
  }                                                                                        \
  bool Class::has_evaluate() const { return eval::in_set(get_input_element_type(0), kNumeric); }

OVREF_BINARY_COMMON(Add)
bool Add::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kNumeric, false,
                      [](auto a, auto b) { return eval::wrap_add(a, b); });
}

OVREF_BINARY_COMMON(Subtract)
bool Subtract::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kNumeric, false,
                      [](auto a, auto b) { return eval::wrap_sub(a, b); });
}

OVREF_BINARY_COMMON(Multiply)
bool Multiply::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kNumeric, false,
                      [](auto a, auto b) { return eval::wrap_mul(a, b); });
}

OVREF_BINARY_COMMON(Power)
bool Power::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kNumeric, false,
                      [](auto a, auto b) {
                        using C = decltype(a);
                        const double r = std::pow(static_cast<double>(a), static_cast<double>(b));
                        if constexpr (std::is_integral_v<C>) {
                          return eval::from_double<C>(r);
                        } else {
                          return static_cast<C>(r);
                        }
                      });
}

#undef OVREF_BINARY_COMMON

Divide::Divide(const Output<Node>& arg0, const Output<Node>& arg1, bool pythondiv,
               const AutoBroadcastSpec& auto_broadcast)
    : BinaryElementwiseArithmetic(arg0, arg1, auto_broadcast), m_pythondiv(pythondiv) {
  constructor_validate_and_infer_types();
}
Divide::Divide(const Output<Node>& arg0, const Output<Node>& arg1,
               const AutoBroadcastSpec& auto_broadcast)
    : BinaryElementwiseArithmetic(arg0, arg1, auto_broadcast) {
  constructor_validate_and_infer_types();
}
bool Divide::visit_attributes(AttributeVisitor& visitor) {
  BinaryElementwiseArithmetic::visit_attributes(visitor);
  visitor.on_attribute("m_pythondiv", m_pythondiv);
  return true;
}
std::shared_ptr<Node> Divide::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Divide>(new_args.at(0), new_args.at(1), m_pythondiv, get_autob());
}
bool Divide::has_evaluate() const { return eval::in_set(get_input_element_type(0), kNumeric); }
bool Divide::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const bool pythondiv = m_pythondiv;
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), kNumeric, false,
                      [pythondiv](auto a, auto b) {
                        using C = decltype(a);
                        if constexpr (std::is_integral_v<C>) {
                          if (b == C(0)) OPENVINO_THROW("integer division by zero");
                          if constexpr (std::is_signed_v<C>) {
                            // The lowest value divided by -1 wraps to itself.
                            if (b == C(-1)) return eval::wrap_sub(C(0), a);
                            C q = static_cast<C>(a / b);
                            if (pythondiv && (a % b != 0) && ((a < 0) != (b < 0))) --q;
                            return q;
                          } else {
                            return static_cast<C>(a / b);
                          }
                        } else {
                          return static_cast<C>(a / b);
                        }
                      });
}

// ---- comparison and selection ----

Equal::Equal(const Output<Node>& arg0, const Output<Node>& arg1,
             const AutoBroadcastSpec& auto_broadcast)
    : BinaryElementwiseComparison(arg0, arg1, auto_broadcast) {
  constructor_validate_and_infer_types();
}
std::shared_ptr<Node> Equal::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Equal>(new_args.at(0), new_args.at(1), get_autob());
}
bool Equal::has_evaluate() const { return eval::in_set(get_input_element_type(0), eval::kAll); }
bool Equal::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::binary(outputs[0], inputs[0], inputs[1], get_autob(), eval::kAll, true,
                      [](auto a, auto b) { return a == b; });
}

Select::Select(const Output<Node>& arg0, const Output<Node>& arg1, const Output<Node>& arg2,
               const AutoBroadcastSpec& auto_broadcast)
    : Op({arg0, arg1, arg2}), m_auto_broadcast(auto_broadcast) {
  constructor_validate_and_infer_types();
}

bool Select::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("auto_broadcast", m_auto_broadcast);
  return true;
}

namespace {

// Output shape of Select from its three input shapes; false if they do not combine.
bool select_shape(const PartialShape& cond, const PartialShape& then_shape,
                  const PartialShape& else_shape, const AutoBroadcastSpec& spec, PartialShape& out,
                  const char*& error) {
  error = "Argument shapes are inconsistent.";
  if (spec.m_type == AutoBroadcastType::NONE) {
    out = else_shape;
    return PartialShape::merge_into(out, then_shape) && PartialShape::merge_into(out, cond);
  }
  if (spec.m_type == AutoBroadcastType::NUMPY) {
    out = else_shape;
    return PartialShape::broadcast_merge_into(out, then_shape, spec) &&
           PartialShape::broadcast_merge_into(out, cond, spec);
  }
  if (spec.m_type == AutoBroadcastType::PDPD) {
    out = then_shape;
    if (!PartialShape::broadcast_merge_into(out, else_shape, spec)) {
      error = "'Else' tensor shape is not broadcastable.";
      return false;
    }
    if (!PartialShape::broadcast_merge_into(out, cond, spec)) {
      error = "'Cond' tensor shape is not broadcastable.";
      return false;
    }
    return true;
  }
  error = "Unsupported auto broadcast type";
  return false;
}

}  // namespace

void Select::validate_and_infer_types() {
  NODE_VALIDATION_CHECK(this, get_input_size() == 3, "Select expects 3 inputs, got ",
                        get_input_size());
  const auto& cond_type = get_input_element_type(0);
  NODE_VALIDATION_CHECK(this, cond_type.is_dynamic() || cond_type == element::boolean,
                        "Argument 0 must have boolean element type (element type: ", cond_type,
                        ").");
  element::Type result_type;
  NODE_VALIDATION_CHECK(
      this, element::Type::merge(result_type, get_input_element_type(1), get_input_element_type(2)),
      "Argument 1 and 2 element types must match.");
  PartialShape out;
  const char* error = nullptr;
  NODE_VALIDATION_CHECK(this,
                        select_shape(get_input_partial_shape(0), get_input_partial_shape(1),
                                     get_input_partial_shape(2), m_auto_broadcast, out, error),
                        error);
  set_output_type(0, result_type, out);
}

std::shared_ptr<Node> Select::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Select>(new_args.at(0), new_args.at(1), new_args.at(2), m_auto_broadcast);
}

bool Select::has_evaluate() const { return eval::in_set(get_input_element_type(1), eval::kAll); }

bool Select::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const auto& cond = inputs[0];
  const auto& then_t = inputs[1];
  const auto& else_t = inputs[2];
  if (cond.get_element_type() != element::boolean ||
      then_t.get_element_type() != else_t.get_element_type()) {
    return false;
  }
  PartialShape pshape;
  const char* error = nullptr;
  if (!select_shape(cond.get_shape(), then_t.get_shape(), else_t.get_shape(), m_auto_broadcast,
                    pshape, error) ||
      !pshape.is_static()) {
    return false;
  }
  const Shape out_shape = pshape.to_shape();
  outputs[0].set_shape(out_shape);
  const auto spec = m_auto_broadcast.m_type == AutoBroadcastType::NONE
                        ? AutoBroadcastSpec(AutoBroadcastType::NUMPY)
                        : m_auto_broadcast;
  const auto oc = eval::broadcast_offsets(out_shape, cond.get_shape(), spec);
  const auto ot = eval::broadcast_offsets(
      out_shape, then_t.get_shape(),
      spec.m_type == AutoBroadcastType::PDPD ? AutoBroadcastSpec(AutoBroadcastType::NUMPY) : spec);
  const auto oe = eval::broadcast_offsets(out_shape, else_t.get_shape(), spec);
  return eval::dispatch(then_t.get_element_type(), eval::kAll, [&](auto tag) {
    using T = typename decltype(tag)::type;
    eval::ConstView<char> vc(cond);
    eval::ConstView<T> vt(then_t), ve(else_t);
    eval::MutView<T> vo(outputs[0]);
    for (size_t i = 0; i < oc.size(); ++i) vo[i] = vc[oc[i]] ? vt[ot[i]] : ve[oe[i]];
  });
}

}  // namespace v1
}  // namespace op

template <>
EnumNames<op::GeluApproximationMode>& EnumNames<op::GeluApproximationMode>::get() {
  static auto enum_names = EnumNames<op::GeluApproximationMode>(
      "op::GeluApproximationMode",
      {{"TANH", op::GeluApproximationMode::TANH}, {"ERF", op::GeluApproximationMode::ERF}});
  return enum_names;
}

}  // namespace ov
