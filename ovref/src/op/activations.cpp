// Unary activations and math functions of the front end: Sigmoid, Tanh, Exp, Log, Sin, Cos,
// Abs, Ceiling, Negative, Erf, HSwish, Swish, Elu, PRelu, Clamp, Round.

#include <algorithm>
#include <cmath>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/op/abs.hpp"
#include "openvino/op/ceiling.hpp"
#include "openvino/op/clamp.hpp"
#include "openvino/op/cos.hpp"
#include "openvino/op/elu.hpp"
#include "openvino/op/erf.hpp"
#include "openvino/op/exp.hpp"
#include "openvino/op/hswish.hpp"
#include "openvino/op/log.hpp"
#include "openvino/op/negative.hpp"
#include "openvino/op/prelu.hpp"
#include "openvino/op/round.hpp"
#include "openvino/op/sigmoid.hpp"
#include "openvino/op/sin.hpp"
#include "openvino/op/swish.hpp"
#include "openvino/op/tanh.hpp"
#include "util/evaluate_helpers.hpp"
#include "util/frontend_ops_helpers.hpp"

namespace ov {
namespace op {

using eval::kFloat;
using eval::kNumeric;

namespace {

// A real-valued function applied in double. Integer inputs get the result rounded to the
// nearest integer (saturating), which keeps e.g. Tanh of an integer in {-1, 0, 1}.
template <typename F>
auto real_function(F f) {
  return [f](auto x) {
    using C = decltype(x);
    const double r = f(static_cast<double>(x));
    if constexpr (std::is_integral_v<C>) {
      return eval::from_double<C>(std::round(r));
    } else {
      return static_cast<C>(r);
    }
  };
}

void check_floating_input(const Node* node) {
  const auto& type = node->get_input_element_type(0);
  NODE_VALIDATION_CHECK(node, type.is_dynamic() || type.is_real(),
                        "Input element type must be float. Got: ", type);
}

}  // namespace

#define OVREF_UNARY_COMMON(Class, types)                                                   \
  Class::Class(const Output<Node>& arg) : UnaryElementwiseArithmetic(arg) {                \
    constructor_validate_and_infer_types();                                                \
  }                                                                                        \
  std::shared_ptr<Node> Class::clone_with_new_inputs(const OutputVector& new_args) const { \
    check_new_args_count(this, new_args);                                                  \
    return std::make_shared<Class>(new_args.at(0));                                        \
  }                                                                                        \
  bool Class::has_evaluate() const { return eval::in_set(get_input_element_type(0), types); }

namespace v0 {

OVREF_UNARY_COMMON(Sigmoid, kNumeric)
bool Sigmoid::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::unary(outputs[0], inputs[0], kNumeric,
                     real_function([](double x) { return 1.0 / (1.0 + std::exp(-x)); }));
}

OVREF_UNARY_COMMON(Tanh, kNumeric)
bool Tanh::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::unary(outputs[0], inputs[0], kNumeric,
                     real_function([](double x) { return std::tanh(x); }));
}

OVREF_UNARY_COMMON(Exp, kNumeric)
bool Exp::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::unary(outputs[0], inputs[0], kNumeric,
                     real_function([](double x) { return std::exp(x); }));
}

OVREF_UNARY_COMMON(Log, kNumeric)
bool Log::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::unary(outputs[0], inputs[0], kNumeric,
                     real_function([](double x) { return std::log(x); }));
}

OVREF_UNARY_COMMON(Sin, kNumeric)
bool Sin::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::unary(outputs[0], inputs[0], kNumeric,
                     real_function([](double x) { return std::sin(x); }));
}

OVREF_UNARY_COMMON(Cos, kNumeric)
bool Cos::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::unary(outputs[0], inputs[0], kNumeric,
                     real_function([](double x) { return std::cos(x); }));
}

OVREF_UNARY_COMMON(Erf, kNumeric)
bool Erf::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::unary(outputs[0], inputs[0], kNumeric,
                     real_function([](double x) { return std::erf(x); }));
}

OVREF_UNARY_COMMON(Abs, kNumeric)
bool Abs::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::unary(outputs[0], inputs[0], kNumeric, [](auto x) {
    using C = decltype(x);
    if constexpr (std::is_unsigned_v<C>) {
      return x;
    } else {
      // The lowest signed value wraps to itself.
      return x < C(0) ? eval::wrap_sub(C(0), x) : x;
    }
  });
}

OVREF_UNARY_COMMON(Ceiling, kNumeric)
bool Ceiling::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::unary(outputs[0], inputs[0], kNumeric, [](auto x) {
    using C = decltype(x);
    if constexpr (std::is_integral_v<C>) {
      return x;
    } else {
      return static_cast<C>(std::ceil(x));
    }
  });
}

OVREF_UNARY_COMMON(Negative, kNumeric)
bool Negative::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::unary(outputs[0], inputs[0], kNumeric, [](auto x) {
    using C = decltype(x);
    return eval::wrap_sub(C(0), x);
  });
}

// ---- Elu ----

Elu::Elu(const Output<Node>& data, const double alpha)
    : UnaryElementwiseArithmetic(data), m_alpha(alpha) {
  constructor_validate_and_infer_types();
}
bool Elu::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("alpha", m_alpha);
  return true;
}
std::shared_ptr<Node> Elu::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Elu>(new_args.at(0), m_alpha);
}
bool Elu::has_evaluate() const { return eval::in_set(get_input_element_type(0), kNumeric); }
bool Elu::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const double alpha = m_alpha;
  return eval::unary(outputs[0], inputs[0], kNumeric, real_function([alpha](double x) {
                       return x > 0.0 ? x : alpha * (std::exp(x) - 1.0);
                     }));
}

// ---- Clamp ----

Clamp::Clamp() = default;

Clamp::Clamp(const Output<Node>& data, const double min, const double max)
    : UnaryElementwiseArithmetic(data), m_min(min), m_max(max) {
  constructor_validate_and_infer_types();
}
void Clamp::validate_and_infer_types() {
  NODE_VALIDATION_CHECK(this, !std::isnan(m_min) && !std::isnan(m_max) && m_min <= m_max,
                        "Attribute 'min' must be less or equal than 'max'. Got: ", m_min, " and ",
                        m_max);
  UnaryElementwiseArithmetic::validate_and_infer_types();
}
bool Clamp::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("min", m_min);
  visitor.on_attribute("max", m_max);
  return true;
}
std::shared_ptr<Node> Clamp::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Clamp>(new_args.at(0), m_min, m_max);
}
bool Clamp::has_evaluate() const { return eval::in_set(get_input_element_type(0), kNumeric); }
bool Clamp::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const double lo_d = m_min, hi_d = m_max;
  return eval::dispatch(inputs[0].get_element_type(), kNumeric, [&](auto tag) {
    using T = typename decltype(tag)::type;
    using C = eval::compute_t<T>;
    C lo, hi;
    if constexpr (std::is_integral_v<T>) {
      lo = eval::from_double<T>(std::ceil(lo_d));
      hi = eval::from_double<T>(std::floor(hi_d));
    } else {
      lo = static_cast<C>(static_cast<T>(lo_d));
      hi = static_cast<C>(static_cast<T>(hi_d));
    }
    eval::unary(outputs[0], inputs[0], kNumeric, [lo, hi](auto x) {
      using X = decltype(x);
      if constexpr (std::is_same_v<X, C>) {
        return std::min(std::max(x, lo), hi);
      } else {
        return x;
      }
    });
  });
}

// ---- PRelu ----

PRelu::PRelu() = default;

PRelu::PRelu(const Output<Node>& data, const Output<Node>& slope) : Op({data, slope}) {
  constructor_validate_and_infer_types();
}

namespace {

// True when a 1-D slope of `slope_len` elements applies along the channel dim of `data`.
bool per_channel(const PartialShape& data, const PartialShape& slope) {
  if (data.rank().is_dynamic() || slope.rank().is_dynamic() || slope.rank().get_length() != 1) {
    return false;
  }
  const auto r = data.rank().get_length();
  if (r == 0) return false;
  const Dimension& channels = data[r == 1 ? 0 : 1];
  return slope[0].is_static() && channels.is_static() &&
         slope[0].get_length() == channels.get_length();
}

}  // namespace

void PRelu::validate_and_infer_types() {
  element::Type type;
  NODE_VALIDATION_CHECK(
      this, element::Type::merge(type, get_input_element_type(0), get_input_element_type(1)),
      "Argument element types do not match (data: ", get_input_element_type(0),
      ", slope: ", get_input_element_type(1), ").");
  NODE_VALIDATION_CHECK(this,
                        type.is_dynamic() || (type != element::boolean && type != element::string),
                        "Argument element type must be numeric. Got: ", type);
  const auto& data = get_input_partial_shape(0);
  const auto& slope = get_input_partial_shape(1);
  if (!per_channel(data, slope)) {
    PartialShape merged = data;
    NODE_VALIDATION_CHECK(
        this,
        PartialShape::broadcast_merge_into(merged, slope, AutoBroadcastType::NUMPY) &&
            (data.rank().is_dynamic() || slope.rank().is_dynamic() ||
             slope.rank().get_length() <= data.rank().get_length()),
        "Slope shape ", slope, " does not broadcast to the data shape ", data, ".");
  }
  set_output_type(0, type, data);
}

bool PRelu::visit_attributes(AttributeVisitor&) { return true; }

std::shared_ptr<Node> PRelu::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<PRelu>(new_args.at(0), new_args.at(1));
}

bool PRelu::has_evaluate() const { return eval::in_set(get_input_element_type(0), kNumeric); }

bool PRelu::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const auto& x = inputs[0];
  const auto& slope = inputs[1];
  if (x.get_element_type() != slope.get_element_type()) return false;
  const Shape& xs = x.get_shape();
  std::vector<size_t> offsets;
  if (per_channel(xs, slope.get_shape())) {
    const size_t axis = xs.size() == 1 ? 0 : 1;
    size_t inner = 1;
    for (size_t i = axis + 1; i < xs.size(); ++i) inner *= xs[i];
    offsets.resize(x.get_size());
    for (size_t i = 0; i < offsets.size(); ++i) offsets[i] = (i / inner) % xs[axis];
  } else {
    Shape merged;
    if (!eval::broadcast_shapes(xs, slope.get_shape(), AutoBroadcastType::NUMPY, merged) ||
        merged != xs) {
      return false;
    }
    offsets = eval::broadcast_offsets(xs, slope.get_shape());
  }
  auto& out = frontend_ops::output_tensor(outputs, 0, x.get_element_type(), xs);
  return eval::dispatch(x.get_element_type(), kNumeric, [&](auto tag) {
    using T = typename decltype(tag)::type;
    using C = eval::compute_t<T>;
    eval::ConstView<T> vx(x), vs(slope);
    eval::MutView<T> vo(out);
    for (size_t i = 0; i < offsets.size(); ++i) {
      const C v = static_cast<C>(vx[i]);
      vo[i] = v < C(0) ? static_cast<T>(eval::wrap_mul(v, static_cast<C>(vs[offsets[i]]))) : vx[i];
    }
  });
}

}  // namespace v0

namespace v4 {

OVREF_UNARY_COMMON(HSwish, kFloat)
bool HSwish::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return eval::unary(outputs[0], inputs[0], kFloat, real_function([](double x) {
                       return x * std::min(std::max(x + 3.0, 0.0), 6.0) / 6.0;
                     }));
}

// ---- Swish ----

Swish::Swish(const Output<Node>& arg) : Op({arg}) { constructor_validate_and_infer_types(); }

Swish::Swish(const Output<Node>& arg, const Output<Node>& beta) : Op({arg, beta}) {
  constructor_validate_and_infer_types();
}

void Swish::validate_and_infer_types() {
  NODE_VALIDATION_CHECK(this, get_input_size() == 1 || get_input_size() == 2,
                        "Swish must have 1 or 2 inputs, but it has: ", get_input_size());
  check_floating_input(this);
  if (get_input_size() == 2) {
    const auto& beta = get_input_partial_shape(1);
    NODE_VALIDATION_CHECK(this,
                          beta.rank().is_dynamic() || beta.rank().get_length() == 0 ||
                              (beta.rank().get_length() == 1 && beta[0].compatible(1)),
                          "Swish input with beta must be scalar. Got: ", beta);
    element::Type merged;
    NODE_VALIDATION_CHECK(
        this, element::Type::merge(merged, get_input_element_type(0), get_input_element_type(1)),
        "Swish inputs must have the same type but they are: ", get_input_element_type(0), " and ",
        get_input_element_type(1));
  }
  set_output_type(0, get_input_element_type(0), get_input_partial_shape(0));
}

bool Swish::visit_attributes(AttributeVisitor&) { return true; }

std::shared_ptr<Node> Swish::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  if (new_args.size() == 2) return std::make_shared<Swish>(new_args.at(0), new_args.at(1));
  return std::make_shared<Swish>(new_args.at(0));
}

bool Swish::has_evaluate() const { return eval::in_set(get_input_element_type(0), kFloat); }

bool Swish::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  double beta = 1.0;
  if (inputs.size() == 2) {
    if (inputs[1].get_element_type() != inputs[0].get_element_type() || inputs[1].get_size() != 1) {
      return false;
    }
    eval::dispatch(inputs[1].get_element_type(), kFloat, [&](auto tag) {
      using T = typename decltype(tag)::type;
      beta = static_cast<double>(eval::ConstView<T>(inputs[1])[0]);
    });
  }
  return eval::unary(outputs[0], inputs[0], kFloat,
                     real_function([beta](double x) { return x / (1.0 + std::exp(-beta * x)); }));
}

}  // namespace v4

namespace v5 {

Round::Round(const Output<Node>& arg, const RoundMode mode)
    : UnaryElementwiseArithmetic(arg), m_mode(mode) {
  constructor_validate_and_infer_types();
}
bool Round::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("mode", m_mode);
  return true;
}
std::shared_ptr<Node> Round::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Round>(new_args.at(0), m_mode);
}
bool Round::has_evaluate() const { return eval::in_set(get_input_element_type(0), kNumeric); }
bool Round::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const bool to_even = m_mode == RoundMode::HALF_TO_EVEN;
  return eval::unary(outputs[0], inputs[0], kNumeric, [to_even](auto x) {
    using C = decltype(x);
    if constexpr (std::is_integral_v<C>) {
      return x;
    } else {
      if (!to_even) return static_cast<C>(std::round(x));
      // Ties to even without depending on the floating-point rounding mode.
      const C floor = std::floor(x);
      const C diff = x - floor;
      if (diff < C(0.5)) return floor;
      if (diff > C(0.5)) return static_cast<C>(floor + C(1));
      return std::fmod(floor, C(2)) == C(0) ? floor : static_cast<C>(floor + C(1));
    }
  });
}

}  // namespace v5

#undef OVREF_UNARY_COMMON

}  // namespace op

std::ostream& operator<<(std::ostream& s, const op::v5::Round::RoundMode& type) {
  return s << as_string(type);
}

template <>
EnumNames<op::v5::Round::RoundMode>& EnumNames<op::v5::Round::RoundMode>::get() {
  static auto enum_names = EnumNames<op::v5::Round::RoundMode>(
      "op::v5::Round::RoundMode",
      {{"half_to_even", op::v5::Round::RoundMode::HALF_TO_EVEN},
       {"half_away_from_zero", op::v5::Round::RoundMode::HALF_AWAY_FROM_ZERO}});
  return enum_names;
}

}  // namespace ov
