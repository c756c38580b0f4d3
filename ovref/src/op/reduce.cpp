// Arithmetic reductions: ReduceSum, ReduceMean, ReduceMax, ReduceMin, ReduceProd.

#include <limits>
#include <set>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/reduce_max.hpp"
#include "openvino/op/reduce_mean.hpp"
#include "openvino/op/reduce_min.hpp"
#include "openvino/op/reduce_prod.hpp"
#include "openvino/op/reduce_sum.hpp"
#include "util/evaluate_helpers.hpp"
#include "util/shape_helpers.hpp"

namespace ov {
namespace op {

namespace util {

ReductionBase::ReductionBase() = default;

ReductionBase::ReductionBase(const Output<Node>& arg, const Output<Node>& reduction_axes)
    : Op({arg, reduction_axes}) {}

bool ReductionBase::reduction_axes_constant() const {
  return shape::constant_values(this, 1).has_value();
}

const AxisSet ReductionBase::get_reduction_axes() const {
  const auto axes = shape::constant_values(this, 1);
  if (!axes) return AxisSet{};
  AxisSet result;
  for (auto a : shape::normalize_axes(this, *axes, get_input_partial_shape(0).rank())) {
    result.insert(static_cast<size_t>(a));
  }
  return result;
}

void ReductionBase::set_reduction_axes(const AxisSet& reduction_axes) {
  std::vector<int64_t> axes(reduction_axes.begin(), reduction_axes.end());
  set_argument(1, v0::Constant::create(element::i64, Shape{axes.size()}, axes));
}

ArithmeticReduction::ArithmeticReduction() = default;

ArithmeticReduction::ArithmeticReduction(const Output<Node>& arg,
                                         const Output<Node>& reduction_axes)
    : ReductionBase(arg, reduction_axes) {}

namespace {

PartialShape reduce_shape(const Node* node, const PartialShape& in,
                          const std::optional<std::vector<int64_t>>& axes,
                          const PartialShape& axes_shape, bool keep_dims) {
  if (!axes) {
    if (in.rank().is_static() && keep_dims) return PartialShape::dynamic(in.rank());
    if (in.rank().is_static() && axes_shape.is_static() && shape_size(axes_shape.to_shape()) == 1) {
      return PartialShape::dynamic(in.rank().get_length() - 1);
    }
    return PartialShape::dynamic();
  }
  if (in.rank().is_dynamic()) return PartialShape::dynamic();
  const auto norm = shape::normalize_axes(node, *axes, in.rank());
  const std::set<int64_t> reduced(norm.begin(), norm.end());
  std::vector<Dimension> out;
  for (int64_t i = 0; i < in.rank().get_length(); ++i) {
    if (!reduced.count(i)) {
      out.push_back(in[i]);
    } else if (keep_dims) {
      out.emplace_back(1);
    }
  }
  return PartialShape(out);
}

}  // namespace

void ArithmeticReduction::validate_and_infer_types() {
  const auto& data_type = get_input_element_type(0);
  NODE_VALIDATION_CHECK(
      this,
      data_type.is_dynamic() || (data_type != element::boolean && data_type != element::string),
      "Element type of data input must be numeric. Got: ", data_type);
  const auto& axes_type = get_input_element_type(1);
  NODE_VALIDATION_CHECK(this, axes_type.is_dynamic() || axes_type.is_integral_number(),
                        "Element type of axes input must be integer. Got: ", axes_type);
  const auto& axes_rank = get_input_partial_shape(1).rank();
  NODE_VALIDATION_CHECK(
      this, axes_rank.compatible(0) || axes_rank.compatible(1),
      "Axes input must be a scalar or 1D input. Got: ", get_input_partial_shape(1));
  set_output_type(0, data_type,
                  reduce_shape(this, get_input_partial_shape(0), shape::constant_values(this, 1),
                               get_input_partial_shape(1), false));
}

ArithmeticReductionKeepDims::ArithmeticReductionKeepDims(const Output<Node>& arg,
                                                         const Output<Node>& reduction_axes,
                                                         bool keep_dims)
    : ArithmeticReduction(arg, reduction_axes), m_keep_dims(keep_dims) {}

bool ArithmeticReductionKeepDims::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("keep_dims", m_keep_dims);
  return true;
}

void ArithmeticReductionKeepDims::validate_and_infer_types() {
  ArithmeticReduction::validate_and_infer_types();
  set_output_type(0, get_input_element_type(0),
                  reduce_shape(this, get_input_partial_shape(0), shape::constant_values(this, 1),
                               get_input_partial_shape(1), m_keep_dims));
}

}  // namespace util

namespace {

enum class Kind { Sum, Mean, Max, Min, Prod };

bool reduce(TensorVector& outputs, const TensorVector& inputs, bool keep_dims, Kind kind) {
  const Shape& in_shape = inputs[0].get_shape();
  const int64_t rank = static_cast<int64_t>(in_shape.size());
  std::set<size_t> reduced;
  for (auto a : eval::read_int64(inputs[1])) {
    int64_t axis;
    if (!eval::normalize_axis(a, rank, axis)) return false;
    reduced.insert(static_cast<size_t>(axis));
  }
  Shape out_shape, kept_shape;
  for (size_t i = 0; i < in_shape.size(); ++i) {
    if (reduced.count(i)) {
      if (keep_dims) out_shape.push_back(1);
      kept_shape.push_back(1);
    } else {
      out_shape.push_back(in_shape[i]);
      kept_shape.push_back(in_shape[i]);
    }
  }
  outputs[0].set_shape(out_shape);
  // Each input element contributes to the output element at its coordinate with reduced axes 0.
  const auto targets = eval::broadcast_offsets(in_shape, kept_shape);
  const size_t out_size = shape_size(out_shape);
  const size_t group = out_size == 0 ? 0 : inputs[0].get_size() / out_size;
  return eval::dispatch(inputs[0].get_element_type(), eval::kNumeric, [&](auto tag) {
    using T = typename decltype(tag)::type;
    // Floating sums accumulate in double.
    using A = std::conditional_t<eval::is_floating_v<T>, double, T>;
    A init{};
    switch (kind) {
      case Kind::Prod:
        init = A(1);
        break;
      case Kind::Max:
        init = static_cast<A>(static_cast<eval::compute_t<T>>(std::numeric_limits<T>::lowest()));
        break;
      case Kind::Min:
        init = static_cast<A>(static_cast<eval::compute_t<T>>(std::numeric_limits<T>::max()));
        break;
      default:
        break;
    }
    std::vector<A> acc(out_size, init);
    eval::ConstView<T> in(inputs[0]);
    for (size_t i = 0; i < targets.size(); ++i) {
      const A v = static_cast<A>(static_cast<eval::compute_t<T>>(in[i]));
      A& a = acc[targets[i]];
      switch (kind) {
        case Kind::Sum:
        case Kind::Mean:
          a = eval::wrap_add(a, v);
          break;
        case Kind::Prod:
          a = eval::wrap_mul(a, v);
          break;
        case Kind::Max:
          a = v > a ? v : a;
          break;
        case Kind::Min:
          a = v < a ? v : a;
          break;
      }
    }
    eval::MutView<T> out(outputs[0]);
    for (size_t i = 0; i < out_size; ++i) {
      A v = acc[i];
      if (kind == Kind::Mean && group > 0) v = static_cast<A>(v / static_cast<A>(group));
      out[i] = static_cast<T>(static_cast<eval::compute_t<T>>(v));
    }
  });
}

}  // namespace

namespace v1 {

#define OVREF_REDUCTION(Class, kind)                                                        \
  Class::Class(const Output<Node>& arg, const Output<Node>& reduction_axes, bool keep_dims) \
      : ArithmeticReductionKeepDims(arg, reduction_axes, keep_dims) {                       \
    constructor_validate_and_infer_types();                                                 \
  }                                                                                         \
  std::shared_ptr<Node> Class::clone_with_new_inputs(const OutputVector& new_args) const {  \
    check_new_args_count(this, new_args);                                                   \
    return std::make_shared<Class>(new_args.at(0), new_args.at(1), get_keep_dims());        \
  }                                                                                         \
  bool Class::has_evaluate() const {                                                        \
    return eval::in_set(get_input_element_type(0), eval::kNumeric);                         \
  }                                                                                         \
  bool Class::evaluate(TensorVector& outputs, const TensorVector& inputs) const {           \
    return reduce(outputs, inputs, get_keep_dims(), kind);                                  \
  }

OVREF_REDUCTION(ReduceSum, Kind::Sum)
OVREF_REDUCTION(ReduceMean, Kind::Mean)
OVREF_REDUCTION(ReduceMax, Kind::Max)
OVREF_REDUCTION(ReduceMin, Kind::Min)
OVREF_REDUCTION(ReduceProd, Kind::Prod)

#undef OVREF_REDUCTION

}  // namespace v1
}  // namespace op
}  // namespace ov
