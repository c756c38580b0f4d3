// OneHot, Range and ConvertLike.

#include <cmath>
#include <cstring>

#include "../util/element_access.hpp"
#include "openvino/core/attribute_visitor.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/convert_like.hpp"
#include "openvino/op/one_hot.hpp"
#include "openvino/op/range.hpp"
#include "util/evaluate_helpers.hpp"
#include "util/frontend_ops_helpers.hpp"
#include "util/shape_helpers.hpp"

namespace ov {
namespace op {

namespace {

void check_scalar(const Node* node, size_t port, const char* what) {
  const auto& ps = node->get_input_partial_shape(port);
  NODE_VALIDATION_CHECK(node, ps.rank().compatible(0), what, " input must be scalar. Got: ", ps);
}

}  // namespace

// ---- OneHot ----

namespace util {

OneHotBase::OneHotBase(const Output<Node>& indices, const Output<Node>& depth,
                       const Output<Node>& on_value, const Output<Node>& off_value, int64_t axis)
    : Op({indices, depth, on_value, off_value}), m_axis(axis) {}

void OneHotBase::validate_and_infer_types() {
  shape::check_integral_input(this, 0, "Indices element type");
  shape::check_integral_input(this, 1, "Depth element type");
  element::Type type;
  NODE_VALIDATION_CHECK(
      this, element::Type::merge(type, get_input_element_type(2), get_input_element_type(3)),
      "on_value element type must be compatible with off_value element type (on: ",
      get_input_element_type(2), ", off: ", get_input_element_type(3), ").");
  check_scalar(this, 1, "depth");
  check_scalar(this, 2, "on_value");
  check_scalar(this, 3, "off_value");
  const auto& indices = get_input_partial_shape(0);
  if (indices.rank().is_dynamic()) {
    set_output_type(0, type, PartialShape::dynamic());
    return;
  }
  const Rank out_rank(indices.rank().get_length() + 1);
  const auto axis = shape::normalize_axis(this, m_axis, out_rank);
  Dimension depth = Dimension::dynamic();
  if (auto values = shape::constant_values(this, 1)) {
    NODE_VALIDATION_CHECK(
        this, values->size() == 1 && (*values)[0] > 0,
        "OneHot depth value must be a positive scalar. Got: ", values->empty() ? 0 : (*values)[0]);
    depth = Dimension((*values)[0]);
  }
  PartialShape out = indices;
  out.insert(out.begin() + axis, depth);
  set_output_type(0, type, out);
}

bool OneHotBase::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("axis", m_axis);
  return true;
}

bool OneHotBase::has_evaluate() const {
  const auto& type = get_input_element_type(2);
  return get_input_element_type(0).is_integral_number() && type.is_static() &&
         type.bitwidth() >= 8 && type != element::string;
}

bool OneHotBase::evaluate_one_hot(TensorVector& outputs, const TensorVector& inputs,
                                  bool normalize_negative) const {
  if (inputs.size() != 4) return false;
  const auto& type = inputs[2].get_element_type();
  if (!inputs[0].get_element_type().is_integral_number() ||
      !inputs[1].get_element_type().is_integral_number() || inputs[1].get_size() != 1 ||
      inputs[2].get_size() != 1 || inputs[3].get_size() != 1 ||
      inputs[3].get_element_type() != type || type.bitwidth() < 8 || type == element::string) {
    return false;
  }
  const int64_t depth = eval::read_int64(inputs[1])[0];
  if (depth <= 0) return false;
  const Shape& is = inputs[0].get_shape();
  int64_t axis = 0;
  if (!eval::normalize_axis(m_axis, static_cast<int64_t>(is.size()) + 1, axis)) return false;
  Shape out_shape = is;
  out_shape.insert(out_shape.begin() + axis, static_cast<size_t>(depth));
  auto& out = frontend_ops::output_tensor(outputs, 0, type, out_shape);
  const auto indices = eval::read_int64(inputs[0]);
  size_t inner = 1;
  for (size_t i = static_cast<size_t>(axis); i < is.size(); ++i) inner *= is[i];
  const size_t es = type.size();
  const auto* on = static_cast<const char*>(inputs[2].data());
  const auto* off = static_cast<const char*>(inputs[3].data());
  auto* dst = static_cast<char*>(out.data());
  const auto d = static_cast<size_t>(depth);
  // Index element at (outer o, inner i) maps to output (o, k, i) for k in [0, depth).
  for (size_t n = 0; n < indices.size(); ++n) {
    const size_t o = n / inner, i = n % inner;
    int64_t hot = indices[n];
    if (normalize_negative && hot < 0 && hot >= -depth) hot += depth;
    for (size_t k = 0; k < d; ++k) {
      std::memcpy(dst + ((o * d + k) * inner + i) * es, hot == static_cast<int64_t>(k) ? on : off,
                  es);
    }
  }
  return true;
}

}  // namespace util

namespace v1 {

OneHot::OneHot(const Output<Node>& indices, const Output<Node>& depth, const Output<Node>& on_value,
               const Output<Node>& off_value, int64_t axis)
    : OneHotBase(indices, depth, on_value, off_value, axis) {
  constructor_validate_and_infer_types();
}

std::shared_ptr<Node> OneHot::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<OneHot>(new_args.at(0), new_args.at(1), new_args.at(2), new_args.at(3),
                                  m_axis);
}

bool OneHot::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return evaluate_one_hot(outputs, inputs, false);
}

}  // namespace v1

namespace v16 {

OneHot::OneHot(const Output<Node>& indices, const Output<Node>& depth, const Output<Node>& on_value,
               const Output<Node>& off_value, int64_t axis, NegativeIndicesMode mode)
    : OneHotBase(indices, depth, on_value, off_value, axis), m_negative_indices_mode(mode) {
  constructor_validate_and_infer_types();
}

bool OneHot::visit_attributes(AttributeVisitor& visitor) {
  OneHotBase::visit_attributes(visitor);
  visitor.on_attribute("negative_indices_mode", m_negative_indices_mode);
  return true;
}

std::shared_ptr<Node> OneHot::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<OneHot>(new_args.at(0), new_args.at(1), new_args.at(2), new_args.at(3),
                                  m_axis, m_negative_indices_mode);
}

bool OneHot::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return evaluate_one_hot(outputs, inputs,
                          m_negative_indices_mode == NegativeIndicesMode::NORMALIZE);
}

}  // namespace v16

// ---- Range ----

namespace v4 {

Range::Range(const Output<Node>& start, const Output<Node>& stop, const Output<Node>& step,
             element::Type output_type)
    : Op({start, stop, step}), m_output_type(output_type) {
  constructor_validate_and_infer_types();
}

namespace {

// Number of elements of the range; throws (naming the node) on a zero step.
int64_t range_length(const Node* node, double start, double stop, double step,
                     const element::Type& type) {
  if (type.is_integral_number()) {
    start = std::trunc(start);
    stop = std::trunc(stop);
    step = std::trunc(step);
  }
  NODE_VALIDATION_CHECK(node, step != 0.0, "'step' cannot be zero.");
  NODE_VALIDATION_CHECK(node, std::isfinite(start) && std::isfinite(stop) && std::isfinite(step),
                        "'start', 'stop' and 'step' must be finite.");
  const double len = std::ceil((stop - start) / step);
  NODE_VALIDATION_CHECK(node, len < 9.0e15, "Range of ", len, " elements is too large.");
  return len > 0 ? static_cast<int64_t>(len) : 0;
}

std::optional<double> constant_scalar(const Node* node, size_t port) {
  const auto* c = ov::as_type<const v0::Constant>(node->get_input_node_ptr(port));
  if (!c || shape_size(c->get_shape()) != 1) return std::nullopt;
  return c->cast_vector<double>()[0];
}

}  // namespace

void Range::validate_and_infer_types() {
  NODE_VALIDATION_CHECK(this, m_output_type.is_integral_number() || m_output_type.is_real(),
                        "output tensor type should be a numeric type. Got: ", m_output_type);
  const char* names[] = {"'start'", "'stop'", "'step'"};
  for (size_t i = 0; i < 3; ++i) {
    const auto& type = get_input_element_type(i);
    NODE_VALIDATION_CHECK(this, type.is_dynamic() || type.is_integral_number() || type.is_real(),
                          names[i], " input element type must be numeric. Got: ", type);
    const auto& ps = get_input_partial_shape(i);
    NODE_VALIDATION_CHECK(
        this, ps.rank().compatible(0) || (ps.rank().get_length() == 1 && ps[0].compatible(1)),
        names[i], " input is not a scalar. Got: ", ps);
  }
  const auto start = constant_scalar(this, 0);
  const auto stop = constant_scalar(this, 1);
  const auto step = constant_scalar(this, 2);
  if (step && m_output_type.is_integral_number()) {
    NODE_VALIDATION_CHECK(this, std::trunc(*step) != 0.0, "'step' cannot be zero.");
  } else if (step) {
    NODE_VALIDATION_CHECK(this, *step != 0.0, "'step' cannot be zero.");
  }
  Dimension len = Dimension::dynamic();
  if (start && stop && step)
    len = Dimension(range_length(this, *start, *stop, *step, m_output_type));
  set_output_type(0, m_output_type, PartialShape{len});
}

bool Range::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("output_type", m_output_type);
  return true;
}

std::shared_ptr<Node> Range::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Range>(new_args.at(0), new_args.at(1), new_args.at(2), m_output_type);
}

bool Range::has_evaluate() const { return eval::in_set(m_output_type, eval::kNumeric); }

bool Range::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  double v[3];
  for (size_t i = 0; i < 3; ++i) {
    const auto& t = inputs[i];
    if (t.get_size() != 1 || !eval::in_set(t.get_element_type(), eval::kNumeric)) return false;
    v[i] = ov::util::get_double(t.get_element_type(), t.data(), 0);
  }
  int64_t len = 0;
  try {
    len = range_length(this, v[0], v[1], v[2], m_output_type);
  } catch (const ov::Exception&) {
    return false;
  }
  auto& out =
      frontend_ops::output_tensor(outputs, 0, m_output_type, Shape{static_cast<size_t>(len)});
  return eval::dispatch(m_output_type, eval::kNumeric, [&](auto tag) {
    using T = typename decltype(tag)::type;
    eval::MutView<T> y(out);
    if constexpr (std::is_integral_v<T>) {
      // Start and step are cast to the output type (toward zero) before accumulating.
      const auto start = eval::from_double<int64_t>(std::trunc(v[0]));
      const auto step = eval::from_double<int64_t>(std::trunc(v[2]));
      int64_t value = start;
      for (int64_t i = 0; i < len; ++i) {
        y[static_cast<size_t>(i)] = static_cast<T>(value);
        value = eval::wrap_add(value, step);
      }
    } else {
      double value = v[0];
      for (int64_t i = 0; i < len; ++i) {
        y[static_cast<size_t>(i)] = static_cast<T>(static_cast<eval::compute_t<T>>(value));
        value += v[2];
      }
    }
  });
}

}  // namespace v4

// ---- ConvertLike ----

namespace v1 {

ConvertLike::ConvertLike(const Output<Node>& data, const Output<Node>& like) : Op({data, like}) {
  constructor_validate_and_infer_types();
}

void ConvertLike::validate_and_infer_types() {
  set_output_type(0, get_input_element_type(1), get_input_partial_shape(0));
}

bool ConvertLike::visit_attributes(AttributeVisitor&) { return true; }

std::shared_ptr<Node> ConvertLike::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<ConvertLike>(new_args.at(0), new_args.at(1));
}

bool ConvertLike::has_evaluate() const {
  return get_input_element_type(0).is_static() && get_input_element_type(1).is_static();
}

bool ConvertLike::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  // The conversion itself is Convert's, so both give identical bytes.
  v0::Convert convert;
  convert.set_destination_type(inputs[1].get_element_type());
  return convert.evaluate(outputs, TensorVector{inputs[0]});
}

}  // namespace v1
}  // namespace op

std::ostream& operator<<(std::ostream& s, const op::v16::OneHot::NegativeIndicesMode& mode) {
  return s << as_string(mode);
}

template <>
EnumNames<op::v16::OneHot::NegativeIndicesMode>&
EnumNames<op::v16::OneHot::NegativeIndicesMode>::get() {
  using M = op::v16::OneHot::NegativeIndicesMode;
  static auto enum_names =
      EnumNames<M>("op::v16::OneHot::NegativeIndicesMode",
                   {{"ignore-negative", M::IGNORE_NEGATIVE}, {"normalize", M::NORMALIZE}});
  return enum_names;
}

}  // namespace ov
