// Split, VariadicSplit, ReduceLogicalAnd/Or and CumSum.

#include <algorithm>
#include <cstring>
#include <numeric>
#include <set>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/op/cum_sum.hpp"
#include "openvino/op/reduce_logical_and.hpp"
#include "openvino/op/reduce_logical_or.hpp"
#include "openvino/op/split.hpp"
#include "openvino/op/variadic_split.hpp"
#include "util/evaluate_helpers.hpp"
#include "util/frontend_ops_helpers.hpp"
#include "util/shape_helpers.hpp"

namespace ov {
namespace op {

namespace {

bool byte_sized(const element::Type& type) {
  return type.is_static() && type.bitwidth() >= 8 && type != element::string;
}

// Copies the slab [start, start + count) along `axis` of `in` into `out`.
void copy_slab(const Tensor& in, size_t axis, size_t start, size_t count, Tensor& out) {
  const Shape& s = in.get_shape();
  const size_t es = in.get_element_type().size();
  const size_t outer = std::accumulate(s.begin(), s.begin() + axis, size_t{1}, std::multiplies<>());
  const size_t inner =
      std::accumulate(s.begin() + axis + 1, s.end(), size_t{1}, std::multiplies<>()) * es;
  const auto* src = static_cast<const char*>(in.data());
  auto* dst = static_cast<char*>(out.data());
  if (count * inner == 0) return;
  for (size_t o = 0; o < outer; ++o) {
    std::memcpy(dst + o * count * inner, src + (o * s[axis] + start) * inner, count * inner);
  }
}

// Splits `in` along `axis` into parts of `lengths`.
bool split_into(const Tensor& in, int64_t axis, const std::vector<size_t>& lengths,
                TensorVector& outputs) {
  if (!byte_sized(in.get_element_type())) return false;
  const Shape& s = in.get_shape();
  int64_t a = 0;
  if (!eval::normalize_axis(axis, static_cast<int64_t>(s.size()), a)) return false;
  size_t start = 0;
  for (size_t i = 0; i < lengths.size(); ++i) {
    Shape part = s;
    part[static_cast<size_t>(a)] = lengths[i];
    auto& out = frontend_ops::output_tensor(outputs, i, in.get_element_type(), part);
    copy_slab(in, static_cast<size_t>(a), start, lengths[i], out);
    start += lengths[i];
  }
  return start == s[static_cast<size_t>(a)];
}

void check_scalar_axis(const Node* node, size_t port) {
  shape::check_integral_input(node, port, "Element type of 'axis' input");
  const auto& ps = node->get_input_partial_shape(port);
  NODE_VALIDATION_CHECK(node, ps.rank().compatible(0), "'axis' input must be a scalar. Got: ", ps);
}

}  // namespace

namespace v1 {

// ---- Split ----

Split::Split(const Output<Node>& data, const Output<Node>& axis, const size_t num_splits)
    : Op({data, axis}), m_num_splits(num_splits) {
  constructor_validate_and_infer_types();
}

void Split::validate_and_infer_types() {
  NODE_VALIDATION_CHECK(this, m_num_splits > 0,
                        "Attribute 'num_splits' must be greater than zero. Got: ", m_num_splits);
  check_scalar_axis(this, 1);
  const auto& data = get_input_partial_shape(0);
  PartialShape each = data;
  const auto axis = shape::constant_values(this, 1);
  if (data.rank().is_static()) {
    if (!axis) {
      each = PartialShape::dynamic(data.rank());
    } else {
      NODE_VALIDATION_CHECK(this, axis->size() == 1, "'axis' input must be a scalar.");
      const auto a = shape::normalize_axis(this, (*axis)[0], data.rank());
      const Dimension& d = data[a];
      const auto n = static_cast<int64_t>(m_num_splits);
      if (d.is_static()) {
        NODE_VALIDATION_CHECK(this, d.get_length() % n == 0,
                              "Dimension of data input shape along 'axis': ", d.get_length(),
                              " must be evenly divisible by 'num_splits' attribute value: ", n);
        each[a] = Dimension(d.get_length() / n);
      } else {
        const auto& iv = d.get_interval();
        each[a] = iv.get_max_val() == Interval::s_max
                      ? Dimension((iv.get_min_val() + n - 1) / n, -1)
                      : Dimension((iv.get_min_val() + n - 1) / n, iv.get_max_val() / n);
      }
    }
  }
  set_output_size(m_num_splits);
  for (size_t i = 0; i < m_num_splits; ++i) set_output_type(i, get_input_element_type(0), each);
}

bool Split::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("num_splits", m_num_splits);
  return true;
}

std::shared_ptr<Node> Split::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Split>(new_args.at(0), new_args.at(1), m_num_splits);
}

bool Split::has_evaluate() const { return byte_sized(get_input_element_type(0)); }

bool Split::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  if (!inputs[1].get_element_type().is_integral_number() || inputs[1].get_size() != 1) {
    return false;
  }
  const int64_t axis = eval::read_int64(inputs[1])[0];
  const Shape& s = inputs[0].get_shape();
  int64_t a = 0;
  if (!eval::normalize_axis(axis, static_cast<int64_t>(s.size()), a) ||
      s[static_cast<size_t>(a)] % m_num_splits != 0) {
    return false;
  }
  return split_into(inputs[0], axis,
                    std::vector<size_t>(m_num_splits, s[static_cast<size_t>(a)] / m_num_splits),
                    outputs);
}

// ---- VariadicSplit ----

VariadicSplit::VariadicSplit(const Output<Node>& data, const Output<Node>& axis,
                             const Output<Node>& split_lengths)
    : Op({data, axis, split_lengths}) {
  constructor_validate_and_infer_types();
}

namespace {

// Resolves a -1 entry against the axis length; validation failures name the node.
std::vector<int64_t> resolve_lengths(const Node* node, std::vector<int64_t> lengths,
                                     const Dimension& axis_dim, int64_t axis) {
  int64_t sum = 0;
  int64_t unknown = -1;
  for (size_t i = 0; i < lengths.size(); ++i) {
    NODE_VALIDATION_CHECK(node, lengths[i] >= -1, "Invalid value ", lengths[i],
                          " in split lengths input. Should be >= -1.");
    if (lengths[i] == -1) {
      NODE_VALIDATION_CHECK(node, unknown < 0, "Cannot infer split with multiple -1 values at ",
                            unknown, " and ", i);
      unknown = static_cast<int64_t>(i);
    } else {
      sum += lengths[i];
    }
  }
  if (axis_dim.is_static()) {
    const int64_t len = axis_dim.get_length();
    NODE_VALIDATION_CHECK(node, unknown >= 0 ? sum <= len : sum == len,
                          "Total length of splits: ", sum,
                          " must match the length of the chosen axis: ", len, " (axis ", axis, ")");
    if (unknown >= 0) lengths[static_cast<size_t>(unknown)] = len - sum;
  }
  return lengths;
}

}  // namespace

void VariadicSplit::validate_and_infer_types() {
  check_scalar_axis(this, 1);
  shape::check_integral_input(this, 2, "Element type of 'split_lengths' input");
  const auto& lengths_shape = get_input_partial_shape(2);
  NODE_VALIDATION_CHECK(this, lengths_shape.rank().compatible(1),
                        "Split lengths should be a 1-D tensor. Got ", lengths_shape);
  NODE_VALIDATION_CHECK(this, lengths_shape.is_static(),
                        "Split lengths must have a static shape to give the number of outputs. "
                        "Got ",
                        lengths_shape);
  const auto n = static_cast<size_t>(lengths_shape[0].get_length());
  const auto& data = get_input_partial_shape(0);
  const auto axis = shape::constant_values(this, 1);
  const auto lengths = shape::constant_values(this, 2);
  std::vector<PartialShape> outs(
      n, data.rank().is_static() ? PartialShape::dynamic(data.rank()) : PartialShape::dynamic());
  if (data.rank().is_static() && axis) {
    NODE_VALIDATION_CHECK(this, axis->size() == 1, "'axis' input must be a scalar.");
    const auto a = shape::normalize_axis(this, (*axis)[0], data.rank());
    std::vector<int64_t> resolved;
    if (lengths) resolved = resolve_lengths(this, *lengths, data[a], a);
    for (size_t i = 0; i < n; ++i) {
      outs[i] = data;
      outs[i][a] = lengths && resolved[i] >= 0 ? Dimension(resolved[i]) : Dimension::dynamic();
    }
  } else if (lengths) {
    resolve_lengths(this, *lengths, Dimension::dynamic(), 0);
  }
  set_output_size(n);
  for (size_t i = 0; i < n; ++i) set_output_type(i, get_input_element_type(0), outs[i]);
}

bool VariadicSplit::visit_attributes(AttributeVisitor&) { return true; }

std::shared_ptr<Node> VariadicSplit::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<VariadicSplit>(new_args.at(0), new_args.at(1), new_args.at(2));
}

bool VariadicSplit::has_evaluate() const { return byte_sized(get_input_element_type(0)); }

bool VariadicSplit::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  if (!inputs[1].get_element_type().is_integral_number() || inputs[1].get_size() != 1 ||
      !inputs[2].get_element_type().is_integral_number()) {
    return false;
  }
  const int64_t axis = eval::read_int64(inputs[1])[0];
  const Shape& s = inputs[0].get_shape();
  int64_t a = 0;
  if (!eval::normalize_axis(axis, static_cast<int64_t>(s.size()), a)) return false;
  std::vector<int64_t> resolved;
  try {
    resolved = resolve_lengths(this, eval::read_int64(inputs[2]),
                               Dimension(static_cast<int64_t>(s[static_cast<size_t>(a)])), a);
  } catch (const ov::Exception&) {
    return false;
  }
  return split_into(inputs[0], axis, std::vector<size_t>(resolved.begin(), resolved.end()),
                    outputs);
}

}  // namespace v1

// ---- ReduceLogicalAnd / ReduceLogicalOr ----

namespace util {

LogicalReductionKeepDims::LogicalReductionKeepDims(const Output<Node>& data,
                                                   const Output<Node>& reduction_axes,
                                                   const bool keep_dims)
    : Op({data, reduction_axes}), m_keep_dims(keep_dims) {}

namespace {

PartialShape reduced_shape(const PartialShape& data, const std::set<int64_t>& axes,
                           bool keep_dims) {
  std::vector<Dimension> dims;
  for (int64_t i = 0; i < data.rank().get_length(); ++i) {
    if (!axes.count(i)) {
      dims.push_back(data[i]);
    } else if (keep_dims) {
      dims.emplace_back(1);
    }
  }
  return PartialShape(dims);
}

}  // namespace

void LogicalReductionKeepDims::validate_and_infer_types() {
  const auto& type = get_input_element_type(0);
  NODE_VALIDATION_CHECK(this, type.is_dynamic() || type == element::boolean,
                        "Element type of data input must be boolean. Got: ", type);
  shape::check_integral_input(this, 1, "Element type of axes input");
  const auto& axes_shape = get_input_partial_shape(1);
  NODE_VALIDATION_CHECK(this, axes_shape.rank().is_dynamic() || axes_shape.rank().get_length() <= 1,
                        "Axes input must be a scalar or 1D input. Got: ", axes_shape);
  const auto& data = get_input_partial_shape(0);
  const auto axes = shape::constant_values(this, 1);
  PartialShape out = PartialShape::dynamic();
  if (data.rank().is_static() && axes) {
    const auto norm = shape::normalize_axes(this, *axes, data.rank());
    out = reduced_shape(data, std::set<int64_t>(norm.begin(), norm.end()), m_keep_dims);
  } else if (data.rank().is_static() && axes_shape.is_static() &&
             shape_size(axes_shape.to_shape()) == 0) {
    out = data;
  } else if (data.rank().is_static() && m_keep_dims) {
    out = PartialShape::dynamic(data.rank());
  }
  set_output_type(0, element::boolean, out);
}

bool LogicalReductionKeepDims::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("keep_dims", m_keep_dims);
  return true;
}

bool LogicalReductionKeepDims::has_evaluate() const {
  return get_input_element_type(0) == element::boolean &&
         get_input_element_type(1).is_integral_number();
}

bool LogicalReductionKeepDims::evaluate_reduction(TensorVector& outputs, const TensorVector& inputs,
                                                  bool is_and) const {
  if (inputs[0].get_element_type() != element::boolean ||
      !inputs[1].get_element_type().is_integral_number()) {
    return false;
  }
  const Shape& s = inputs[0].get_shape();
  std::set<int64_t> axes;
  for (auto a : eval::read_int64(inputs[1])) {
    int64_t n = 0;
    if (!eval::normalize_axis(a, static_cast<int64_t>(s.size()), n)) return false;
    axes.insert(n);
  }
  const Shape out_shape = reduced_shape(PartialShape(s), axes, m_keep_dims).to_shape();
  // Stride in the output of every input dim (0 for reduced dims).
  Shape kept_shape = reduced_shape(PartialShape(s), axes, true).to_shape();
  const auto kept_strides = eval::element_strides(kept_shape);
  std::vector<size_t> map(s.size());
  for (size_t i = 0; i < s.size(); ++i)
    map[i] = axes.count(static_cast<int64_t>(i)) ? 0 : kept_strides[i];
  auto& out = frontend_ops::output_tensor(outputs, 0, element::boolean, out_shape);
  eval::ConstView<char> in(inputs[0]);
  eval::MutView<char> res(out);
  std::fill(res.get(), res.get() + out.get_size(), is_and ? 1 : 0);
  std::vector<size_t> coord(s.size(), 0);
  size_t at = 0;
  for (size_t i = 0, n = inputs[0].get_size(); i < n; ++i) {
    const bool v = in[i] != 0;
    res[at] = is_and ? (res[at] && v) : (res[at] || v);
    for (size_t d = s.size(); d-- > 0;) {
      if (++coord[d] < s[d]) {
        at += map[d];
        break;
      }
      at -= map[d] * (s[d] - 1);
      coord[d] = 0;
    }
  }
  return true;
}

}  // namespace util

namespace v1 {

ReduceLogicalAnd::ReduceLogicalAnd(const Output<Node>& data, const Output<Node>& reduction_axes,
                                   const bool keep_dims)
    : LogicalReductionKeepDims(data, reduction_axes, keep_dims) {
  constructor_validate_and_infer_types();
}
std::shared_ptr<Node> ReduceLogicalAnd::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<ReduceLogicalAnd>(new_args.at(0), new_args.at(1), m_keep_dims);
}
bool ReduceLogicalAnd::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return evaluate_reduction(outputs, inputs, true);
}

ReduceLogicalOr::ReduceLogicalOr(const Output<Node>& data, const Output<Node>& reduction_axes,
                                 const bool keep_dims)
    : LogicalReductionKeepDims(data, reduction_axes, keep_dims) {
  constructor_validate_and_infer_types();
}
std::shared_ptr<Node> ReduceLogicalOr::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<ReduceLogicalOr>(new_args.at(0), new_args.at(1), m_keep_dims);
}
bool ReduceLogicalOr::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return evaluate_reduction(outputs, inputs, false);
}

}  // namespace v1

// ---- CumSum ----

namespace v0 {

CumSum::CumSum(const Output<Node>& arg, const Output<Node>& axis, const bool exclusive,
               const bool reverse)
    : Op({arg, axis}), m_exclusive(exclusive), m_reverse(reverse) {
  constructor_validate_and_infer_types();
}

CumSum::CumSum(const Output<Node>& arg, const bool exclusive, const bool reverse)
    : Op({arg}), m_exclusive(exclusive), m_reverse(reverse) {
  constructor_validate_and_infer_types();
}

void CumSum::validate_and_infer_types() {
  const auto& type = get_input_element_type(0);
  NODE_VALIDATION_CHECK(this,
                        type.is_dynamic() || (type != element::boolean && type != element::string),
                        "Input element type must be numeric. Got: ", type);
  if (get_input_size() == 2) {
    const auto& axis_type = get_input_element_type(1);
    NODE_VALIDATION_CHECK(
        this, axis_type.is_dynamic() || axis_type == element::i32 || axis_type == element::i64,
        "axis element type must be either int64_t or int32_t but got (", axis_type, ").");
    const auto& axis_shape = get_input_partial_shape(1);
    NODE_VALIDATION_CHECK(this, axis_shape.rank().compatible(0),
                          "Axis should be scalar. Got: ", axis_shape);
    if (auto axis = shape::constant_values(this, 1)) {
      shape::normalize_axis(this, (*axis)[0], get_input_partial_shape(0).rank());
    }
  }
  set_output_type(0, type, get_input_partial_shape(0));
}

bool CumSum::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("exclusive", m_exclusive);
  visitor.on_attribute("reverse", m_reverse);
  return true;
}

std::shared_ptr<Node> CumSum::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  if (new_args.size() == 2) {
    return std::make_shared<CumSum>(new_args.at(0), new_args.at(1), m_exclusive, m_reverse);
  }
  return std::make_shared<CumSum>(new_args.at(0), m_exclusive, m_reverse);
}

bool CumSum::has_evaluate() const {
  return eval::in_set(get_input_element_type(0), eval::kNumeric);
}

bool CumSum::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const Shape& s = inputs[0].get_shape();
  int64_t axis = 0;
  if (inputs.size() == 2) {
    if (!inputs[1].get_element_type().is_integral_number() || inputs[1].get_size() != 1) {
      return false;
    }
    axis = eval::read_int64(inputs[1])[0];
  }
  int64_t a = 0;
  if (s.empty()) {
    if (axis != 0 && axis != -1) return false;
  } else if (!eval::normalize_axis(axis, static_cast<int64_t>(s.size()), a)) {
    return false;
  }
  const size_t len = s.empty() ? 1 : s[static_cast<size_t>(a)];
  const size_t outer =
      s.empty() ? 1 : std::accumulate(s.begin(), s.begin() + a, size_t{1}, std::multiplies<>());
  const size_t inner =
      s.empty() ? 1 : std::accumulate(s.begin() + a + 1, s.end(), size_t{1}, std::multiplies<>());
  auto& out = frontend_ops::output_tensor(outputs, 0, inputs[0].get_element_type(), s);
  const bool exclusive = m_exclusive, reverse = m_reverse;
  return eval::dispatch(inputs[0].get_element_type(), eval::kNumeric, [&](auto tag) {
    using T = typename decltype(tag)::type;
    using C = eval::compute_t<T>;
    eval::ConstView<T> x(inputs[0]);
    eval::MutView<T> y(out);
    for (size_t o = 0; o < outer; ++o) {
      for (size_t i = 0; i < inner; ++i) {
        C acc = C(0);
        for (size_t step = 0; step < len; ++step) {
          const size_t k = reverse ? len - 1 - step : step;
          const size_t at = (o * len + k) * inner + i;
          const C v = static_cast<C>(x[at]);
          if (!exclusive) acc = eval::wrap_add(acc, v);
          y[at] = static_cast<T>(acc);
          if (exclusive) acc = eval::wrap_add(acc, v);
        }
      }
    }
  });
}

}  // namespace v0
}  // namespace op
}  // namespace ov
