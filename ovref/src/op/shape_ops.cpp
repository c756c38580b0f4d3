// Shape manipulation: Reshape, Squeeze, Unsqueeze, Transpose, Concat, ShapeOf, Tile, Broadcast.

#include <algorithm>
#include <cstring>
#include <numeric>
#include <set>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/op/broadcast.hpp"
#include "openvino/op/concat.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/reshape.hpp"
#include "openvino/op/shape_of.hpp"
#include "openvino/op/squeeze.hpp"
#include "openvino/op/tile.hpp"
#include "openvino/op/transpose.hpp"
#include "openvino/op/unsqueeze.hpp"
#include "util/evaluate_helpers.hpp"
#include "util/shape_helpers.hpp"

namespace ov {
namespace op {

namespace {

using Values = std::optional<std::vector<int64_t>>;

// ---- Reshape ----

PartialShape reshape_shape(const Node* node, const PartialShape& in, const Values& pattern,
                           const PartialShape& pattern_shape, bool special_zero) {
  if (!pattern) {
    if (pattern_shape.is_static() && pattern_shape.rank().get_length() == 1) {
      return PartialShape::dynamic(pattern_shape[0].get_length());
    }
    if (pattern_shape.is_static() && pattern_shape.rank().get_length() == 0) return PartialShape{};
    return PartialShape::dynamic();
  }
  const auto& p = *pattern;
  if (pattern_shape.rank().compatible(0) && pattern_shape.rank().is_static() &&
      pattern_shape.rank().get_length() == 0) {
    NODE_VALIDATION_CHECK(node, p.size() == 1 && p[0] == 1,
                          "The value of scalar shape pattern should be equal to 1!");
    return PartialShape{};
  }
  if (p.empty()) return PartialShape{};
  NODE_VALIDATION_CHECK(node, std::count(p.begin(), p.end(), -1) <= 1,
                        "More than one dimension has size of -1");
  std::vector<Dimension> out(p.size());
  std::vector<bool> copied_input(in.rank().is_static() ? in.size() : 0, false);
  int64_t minus_one = -1;
  for (size_t i = 0; i < p.size(); ++i) {
    NODE_VALIDATION_CHECK(node, p[i] >= -1, "Output pattern dim[", i,
                          "] has invalid bounds: ", p[i]);
    if (p[i] == 0 && special_zero) {
      if (in.rank().is_dynamic()) {
        out[i] = Dimension::dynamic();
      } else {
        NODE_VALIDATION_CHECK(node, i < in.size(), "'0' dimension is out of range");
        out[i] = in[static_cast<std::ptrdiff_t>(i)];
        copied_input[i] = true;
      }
    } else if (p[i] == -1) {
      minus_one = static_cast<int64_t>(i);
    } else {
      out[i] = Dimension(p[i]);
    }
  }
  if (minus_one >= 0) {
    Dimension inferred = Dimension::dynamic();
    if (in.rank().is_static()) {
      bool static_input = true;
      int64_t in_product = 1;
      bool input_has_zero = false;
      for (size_t i = 0; i < in.size(); ++i) {
        if (copied_input[i]) continue;
        const auto& d = in[static_cast<std::ptrdiff_t>(i)];
        if (d.is_dynamic()) {
          static_input = false;
          break;
        }
        input_has_zero |= d.get_length() == 0;
        in_product *= d.get_length();
      }
      bool static_output = true;
      int64_t out_product = 1;
      for (size_t i = 0; i < out.size(); ++i) {
        if (static_cast<int64_t>(i) == minus_one || (p[i] == 0 && special_zero)) continue;
        if (out[i].is_dynamic()) {
          static_output = false;
          break;
        }
        out_product *= out[i].get_length();
      }
      if (static_input && static_output) {
        if (out_product == 0) {
          NODE_VALIDATION_CHECK(node, input_has_zero,
                                "Cannot infer '-1' dimension with zero-size output dimension "
                                "unless at least one input dimension is also zero-size");
          inferred = Dimension(0);
        } else {
          NODE_VALIDATION_CHECK(node, in_product % out_product == 0,
                                "Non-'-1' output dimensions do not evenly divide the input "
                                "dimensions");
          inferred = Dimension(in_product / out_product);
        }
      }
    }
    out[static_cast<size_t>(minus_one)] = inferred;
  }
  PartialShape result(out);
  if (in.is_static() && result.is_static() && minus_one < 0) {
    NODE_VALIDATION_CHECK(node, shape_size(in.to_shape()) == shape_size(result.to_shape()),
                          "Requested output shape ", result, " is incompatible with input shape ",
                          in);
  }
  return result;
}

}  // namespace

namespace v1 {

Reshape::Reshape(const Output<Node>& arg, const Output<Node>& shape_pattern, bool special_zero)
    : Op({arg, shape_pattern}), m_special_zero(special_zero) {
  constructor_validate_and_infer_types();
}

bool Reshape::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("special_zero", m_special_zero);
  return true;
}

void Reshape::validate_and_infer_types() {
  const auto& pattern_type = get_input_element_type(1);
  NODE_VALIDATION_CHECK(this, pattern_type.is_dynamic() || pattern_type.is_integral_number(),
                        "Shape pattern must be an integral number.");
  const auto& pattern_shape = get_input_partial_shape(1);
  NODE_VALIDATION_CHECK(this,
                        pattern_shape.rank().compatible(0) || pattern_shape.rank().compatible(1),
                        "Pattern shape must have rank 1 or be empty");
  set_output_type(0, get_input_element_type(0),
                  reshape_shape(this, get_input_partial_shape(0), shape::constant_values(this, 1),
                                pattern_shape, m_special_zero));
}

std::shared_ptr<Node> Reshape::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Reshape>(new_args.at(0), new_args.at(1), m_special_zero);
}

bool Reshape::has_evaluate() const { return get_input_element_type(0) != element::string; }

bool Reshape::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const auto shape = reshape_shape(this, inputs[0].get_shape(), eval::read_int64(inputs[1]),
                                   inputs[1].get_shape(), m_special_zero);
  if (!shape.is_static()) return false;
  return eval::copy_bytes(inputs[0], outputs[0], shape.to_shape());
}

}  // namespace v1

// ---- Squeeze / Unsqueeze ----

namespace {

PartialShape squeeze_shape(const Node* node, const PartialShape& in, const Values& axes,
                           bool has_axes_input, const PartialShape& axes_shape) {
  if (in.rank().is_dynamic()) return PartialShape::dynamic();
  const int64_t r = in.rank().get_length();
  if (!has_axes_input || (axes && axes->empty())) {
    std::vector<Dimension> out;
    for (const auto& d : in) {
      if (d.is_static() && d.get_length() == 1) continue;
      if (d.is_dynamic() && d.compatible(1)) return PartialShape::dynamic();
      out.push_back(d);
    }
    return PartialShape(out);
  }
  if (!axes) {
    if (axes_shape.is_static() && shape_size(axes_shape.to_shape()) == 1) {
      bool could_be_one = false;
      for (const auto& d : in) could_be_one |= d.compatible(1);
      return could_be_one ? PartialShape::dynamic(r - 1) : in;
    }
    return PartialShape::dynamic();
  }
  std::set<int64_t> listed;
  for (auto a : shape::normalize_axes(node, *axes, r)) listed.insert(a);
  std::vector<Dimension> out;
  for (int64_t i = 0; i < r; ++i) {
    const auto& d = in[i];
    // A listed axis that cannot be 1 is kept.
    if (listed.count(i) && d.compatible(1)) continue;
    out.push_back(d);
  }
  return PartialShape(out);
}

PartialShape unsqueeze_shape(const Node* node, const PartialShape& in, const Values& axes,
                             const PartialShape& axes_shape) {
  if (!axes) {
    if (in.rank().is_static() && axes_shape.is_static() && shape_size(axes_shape.to_shape()) == 1) {
      return PartialShape::dynamic(in.rank().get_length() + 1);
    }
    return PartialShape::dynamic();
  }
  NODE_VALIDATION_CHECK(node, !axes->empty(), "'axes' input is mandatory");
  if (in.rank().is_dynamic()) return PartialShape::dynamic();
  const std::set<int64_t> unique(axes->begin(), axes->end());
  const int64_t out_rank = in.rank().get_length() + static_cast<int64_t>(unique.size());
  std::set<int64_t> positions;
  for (auto a : unique) positions.insert(shape::normalize_axis(node, a, out_rank));
  std::vector<Dimension> out;
  size_t next_in = 0;
  for (int64_t i = 0; i < out_rank; ++i) {
    if (positions.count(i)) {
      out.emplace_back(1);
    } else if (next_in < in.size()) {
      out.push_back(in[static_cast<std::ptrdiff_t>(next_in++)]);
    }
  }
  // Axes that coincide after normalisation leave the output short; the rest goes at the end.
  while (static_cast<int64_t>(out.size()) < out_rank) {
    out.push_back(next_in < in.size() ? in[static_cast<std::ptrdiff_t>(next_in++)] : Dimension(1));
  }
  return PartialShape(out);
}

}  // namespace

namespace v0 {

Squeeze::Squeeze() = default;

Squeeze::Squeeze(const Output<Node>& data) : Op({data}) { constructor_validate_and_infer_types(); }

Squeeze::Squeeze(const Output<Node>& data, const Output<Node>& axes) : Op({data, axes}) {
  constructor_validate_and_infer_types();
}

void Squeeze::validate_and_infer_types() {
  const bool has_axes = get_input_size() > 1;
  PartialShape axes_shape;
  if (has_axes) {
    axes_shape = get_input_partial_shape(1);
    NODE_VALIDATION_CHECK(
        this, axes_shape.rank().compatible(0) || axes_shape.rank().compatible(1),
        "Second input (axes) should not be of rank higher than 1. Got: ", axes_shape.rank());
  }
  set_output_type(
      0, get_input_element_type(0),
      squeeze_shape(this, get_input_partial_shape(0),
                    has_axes ? shape::constant_values(this, 1) : Values{}, has_axes, axes_shape));
}

std::shared_ptr<Node> Squeeze::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  if (new_args.size() == 1) return std::make_shared<Squeeze>(new_args.at(0));
  return std::make_shared<Squeeze>(new_args.at(0), new_args.at(1));
}

bool Squeeze::has_evaluate() const { return get_input_element_type(0) != element::string; }

bool Squeeze::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const bool has_axes = inputs.size() > 1;
  const auto shape = squeeze_shape(this, inputs[0].get_shape(),
                                   has_axes ? Values(eval::read_int64(inputs[1])) : Values{},
                                   has_axes, has_axes ? inputs[1].get_shape() : Shape{});
  if (!shape.is_static()) return false;
  return eval::copy_bytes(inputs[0], outputs[0], shape.to_shape());
}

Unsqueeze::Unsqueeze(const Output<Node>& data, const Output<Node>& axes) : Op({data, axes}) {
  constructor_validate_and_infer_types();
}

void Unsqueeze::validate_and_infer_types() {
  const auto& axes_shape = get_input_partial_shape(1);
  NODE_VALIDATION_CHECK(
      this, axes_shape.rank().compatible(0) || axes_shape.rank().compatible(1),
      "Second input (axes) should not be of rank higher than 1. Got: ", axes_shape.rank());
  set_output_type(0, get_input_element_type(0),
                  unsqueeze_shape(this, get_input_partial_shape(0), shape::constant_values(this, 1),
                                  axes_shape));
}

std::shared_ptr<Node> Unsqueeze::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Unsqueeze>(new_args.at(0), new_args.at(1));
}

bool Unsqueeze::has_evaluate() const { return get_input_element_type(0) != element::string; }

bool Unsqueeze::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const auto shape = unsqueeze_shape(this, inputs[0].get_shape(), eval::read_int64(inputs[1]),
                                     inputs[1].get_shape());
  if (!shape.is_static()) return false;
  return eval::copy_bytes(inputs[0], outputs[0], shape.to_shape());
}

}  // namespace v0

// ---- Transpose ----

namespace {

std::vector<int64_t> transpose_order(const Node* node, const std::vector<int64_t>& order,
                                     int64_t rank, const PartialShape& in) {
  std::vector<int64_t> result = order;
  if (result.empty()) {
    for (int64_t i = rank - 1; i >= 0; --i) result.push_back(i);
  }
  std::vector<int64_t> sorted;
  for (auto v : result) sorted.push_back(v < 0 ? 0 : v);
  std::sort(sorted.begin(), sorted.end());
  bool valid = static_cast<int64_t>(sorted.size()) == rank;
  for (int64_t i = 0; valid && i < rank; ++i) valid = sorted[static_cast<size_t>(i)] == i;
  std::vector<int64_t> normalized;
  for (auto v : result) normalized.push_back(v < 0 ? 0 : v);
  NODE_VALIDATION_CHECK(node, valid, "Permutation ", AxisVector(sorted.begin(), sorted.end()),
                        " is not valid for input shape ", in);
  return normalized;
}

}  // namespace

namespace v1 {

Transpose::Transpose(const Output<Node>& arg, const Output<Node>& input_order)
    : Op({arg, input_order}) {
  constructor_validate_and_infer_types();
}

void Transpose::validate_and_infer_types() {
  const auto& order_shape = get_input_partial_shape(ORDER);
  NODE_VALIDATION_CHECK(this, order_shape.rank().compatible(1), "Input order must be a vector.");
  shape::check_integral_input(this, ORDER, "Input order");
  const auto& in = get_input_partial_shape(ARG);
  if (in.rank().is_static() && order_shape.rank().is_static()) {
    NODE_VALIDATION_CHECK(
        this, order_shape[0].compatible(in.rank().get_length()) || order_shape[0].compatible(0),
        "Input order must have shape [n], where n is the rank of arg.");
  }
  const auto order = shape::constant_values(this, ORDER);
  PartialShape out;
  if (order && in.rank().is_static()) {
    const auto perm = transpose_order(this, *order, in.rank().get_length(), in);
    std::vector<Dimension> dims;
    for (auto p : perm) dims.push_back(in[p]);
    out = PartialShape(dims);
  } else if (in.rank().is_static()) {
    out = PartialShape::dynamic(in.rank());
  } else if (order_shape.is_static()) {
    out = PartialShape::dynamic(order_shape[0].get_length());
  } else {
    out = PartialShape::dynamic();
  }
  set_output_type(ARG_T, get_input_element_type(ARG), out);
}

std::shared_ptr<Node> Transpose::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Transpose>(new_args.at(0), new_args.at(1));
}

bool Transpose::has_evaluate() const { return shape::byte_sized(get_input_element_type(0)); }

bool Transpose::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const auto& in = inputs[ARG];
  const Shape& in_shape = in.get_shape();
  const int64_t rank = static_cast<int64_t>(in_shape.size());
  const auto perm = transpose_order(this, eval::read_int64(inputs[ORDER]), rank, in_shape);
  Shape out_shape;
  for (auto p : perm) out_shape.push_back(in_shape[p]);
  outputs[0].set_shape(out_shape);
  const auto in_strides = eval::element_strides(in_shape);
  std::vector<size_t> strides;
  for (auto p : perm) strides.push_back(in_strides[static_cast<size_t>(p)]);
  // The offsets of a broadcast with per-axis strides are exactly the permuted walk.
  std::vector<size_t> index(shape_size(out_shape));
  std::vector<size_t> coord(out_shape.size(), 0);
  size_t offset = 0;
  for (size_t n = 0; n < index.size(); ++n) {
    index[n] = offset;
    for (size_t i = out_shape.size(); i-- > 0;) {
      if (++coord[i] < out_shape[i]) {
        offset += strides[i];
        break;
      }
      offset -= strides[i] * (out_shape[i] - 1);
      coord[i] = 0;
    }
  }
  return eval::copy_elements(in, outputs[0], index);
}

}  // namespace v1

// ---- Concat ----

namespace v0 {

Concat::Concat(const OutputVector& args, int64_t axis) : Op(args), m_axis(axis) {
  constructor_validate_and_infer_types();
}

Concat::Concat(const NodeVector& args, int64_t axis) : Concat(as_output_vector(args), axis) {}

bool Concat::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("axis", m_axis);
  return true;
}

void Concat::validate_and_infer_types() {
  NODE_VALIDATION_CHECK(this, get_input_size() >= 1, "At least one argument required.");
  element::Type element_type;
  for (size_t i = 0; i < get_input_size(); ++i) {
    NODE_VALIDATION_CHECK(
        this, element::Type::merge(element_type, element_type, get_input_element_type(i)),
        "Argument element types are inconsistent.");
  }
  PartialShape out = PartialShape::dynamic();
  Dimension axis_sum(0);
  bool axis_known = false;
  for (size_t i = 0; i < get_input_size(); ++i) {
    const auto& in = get_input_partial_shape(i);
    if (in.rank().is_dynamic()) {
      axis_sum = Dimension::dynamic();
      continue;
    }
    const int64_t r = in.rank().get_length();
    if (!axis_known) {
      m_concat_axis = m_axis < 0 ? m_axis + r : m_axis;
      axis_known = true;
    }
    NODE_VALIDATION_CHECK(this, m_concat_axis >= 0 && m_concat_axis < r, "Concatenation axis (",
                          m_concat_axis, ") is out of bounds [", -r, ", ", r - 1, "] for argument ",
                          i, ", which has shape ", in, ".");
    PartialShape others = in;
    axis_sum += in[m_concat_axis];
    others[m_concat_axis] = Dimension::dynamic();
    NODE_VALIDATION_CHECK(
        this, PartialShape::merge_into(out, others),
        "Argument shapes are inconsistent; they must have the same rank, and must "
        "have equal dimension everywhere except on the concatenation axis "
        "(axis ",
        m_concat_axis, ").");
  }
  if (out.rank().is_static()) out[m_concat_axis] = axis_sum;
  set_output_type(0, element_type, out);
}

std::shared_ptr<Node> Concat::clone_with_new_inputs(const OutputVector& new_args) const {
  return std::make_shared<Concat>(new_args, m_axis);
}

bool Concat::has_evaluate() const { return shape::byte_sized(get_output_element_type(0)); }

bool Concat::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const auto& first = inputs[0].get_shape();
  const int64_t r = static_cast<int64_t>(first.size());
  int64_t axis;
  if (!eval::normalize_axis(m_axis, r, axis)) return false;
  const auto& type = inputs[0].get_element_type();
  if (!shape::byte_sized(type)) return false;
  Shape out_shape = first;
  out_shape[axis] = 0;
  for (const auto& in : inputs) {
    const auto& s = in.get_shape();
    if (s.size() != first.size() || in.get_element_type() != type) return false;
    for (int64_t i = 0; i < r; ++i) {
      if (i != axis && s[i] != first[i]) return false;
    }
    out_shape[axis] += s[axis];
  }
  outputs[0].set_shape(out_shape);
  const size_t es = type.size();
  const size_t outer = shape_size(Shape(first.begin(), first.begin() + axis));
  const size_t inner = shape_size(Shape(first.begin() + axis + 1, first.end())) * es;
  auto* dst = static_cast<char*>(outputs[0].data());
  for (size_t o = 0; o < outer; ++o) {
    for (const auto& in : inputs) {
      const size_t chunk = in.get_shape()[axis] * inner;
      if (chunk == 0) continue;
      std::memcpy(dst, static_cast<const char*>(in.data()) + o * chunk, chunk);
      dst += chunk;
    }
  }
  return true;
}

}  // namespace v0

// ---- ShapeOf ----

namespace {

bool write_shape(const Shape& shape, Tensor& out) {
  out.set_shape(Shape{shape.size()});
  const auto& type = out.get_element_type();
  if (type == element::i64) {
    eval::MutView<int64_t> v(out);
    for (size_t i = 0; i < shape.size(); ++i) v[i] = static_cast<int64_t>(shape[i]);
    return true;
  }
  if (type == element::i32) {
    eval::MutView<int32_t> v(out);
    for (size_t i = 0; i < shape.size(); ++i) v[i] = static_cast<int32_t>(shape[i]);
    return true;
  }
  return false;
}

PartialShape shape_of_shape(const PartialShape& in) {
  return in.rank().is_static() ? PartialShape{in.rank()} : PartialShape{Dimension::dynamic()};
}

}  // namespace

namespace v3 {

ShapeOf::ShapeOf(const Output<Node>& arg, const element::Type output_type)
    : Op({arg}), m_output_type(output_type) {
  constructor_validate_and_infer_types();
}

bool ShapeOf::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("output_type", m_output_type);
  return true;
}

void ShapeOf::validate_and_infer_types() {
  NODE_VALIDATION_CHECK(this, m_output_type == element::i64 || m_output_type == element::i32,
                        "Output type must be i32 or i64");
  set_output_type(0, m_output_type, shape_of_shape(get_input_partial_shape(0)));
}

std::shared_ptr<Node> ShapeOf::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<ShapeOf>(new_args.at(0), m_output_type);
}

bool ShapeOf::has_evaluate() const { return true; }

bool ShapeOf::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return write_shape(inputs[0].get_shape(), outputs[0]);
}

}  // namespace v3

namespace v0 {

ShapeOf::ShapeOf(const Output<Node>& arg) : Op({arg}) { constructor_validate_and_infer_types(); }

void ShapeOf::validate_and_infer_types() {
  set_output_type(0, element::i64, shape_of_shape(get_input_partial_shape(0)));
}

std::shared_ptr<Node> ShapeOf::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<ShapeOf>(new_args.at(0));
}

bool ShapeOf::has_evaluate() const { return true; }

bool ShapeOf::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return write_shape(inputs[0].get_shape(), outputs[0]);
}

// ---- Tile ----

namespace {

PartialShape tile_shape(const PartialShape& in, const Values& repeats,
                        const PartialShape& repeats_shape) {
  if (!repeats) {
    if (repeats_shape.is_static() && in.rank().is_static()) {
      return PartialShape::dynamic(
          std::max<int64_t>(in.rank().get_length(), repeats_shape[0].get_length()));
    }
    return PartialShape::dynamic();
  }
  if (in.rank().is_dynamic()) return PartialShape::dynamic();
  std::vector<int64_t> rep = *repeats;
  for (auto& v : rep) v = std::max<int64_t>(v, 0);
  const size_t rank = std::max(in.size(), rep.size());
  rep.insert(rep.begin(), rank - rep.size(), 1);
  std::vector<Dimension> dims(rank - in.size(), Dimension(1));
  dims.insert(dims.end(), in.begin(), in.end());
  for (size_t i = 0; i < rank; ++i) dims[i] = dims[i] * Dimension(rep[i]);
  return PartialShape(dims);
}

}  // namespace

Tile::Tile(const Output<Node>& data, const Output<Node>& repeats) : Op({data, repeats}) {
  constructor_validate_and_infer_types();
}

void Tile::validate_and_infer_types() {
  shape::check_integral_input(this, 1, "Tile repeats");
  const auto& repeats_shape = get_input_partial_shape(1);
  NODE_VALIDATION_CHECK(this, repeats_shape.rank().compatible(1), "Tile repeats must be of rank 1");
  set_output_type(
      0, get_input_element_type(0),
      tile_shape(get_input_partial_shape(0), shape::constant_values(this, 1), repeats_shape));
}

std::shared_ptr<Node> Tile::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Tile>(new_args.at(0), new_args.at(1));
}

bool Tile::has_evaluate() const { return shape::byte_sized(get_input_element_type(0)); }

bool Tile::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const Shape& in_shape = inputs[0].get_shape();
  const auto out_ps = tile_shape(in_shape, eval::read_int64(inputs[1]), inputs[1].get_shape());
  const Shape out_shape = out_ps.to_shape();
  outputs[0].set_shape(out_shape);
  Shape padded(out_shape.size() - in_shape.size(), 1);
  padded.insert(padded.end(), in_shape.begin(), in_shape.end());
  const auto in_strides = eval::element_strides(padded);
  std::vector<size_t> index(shape_size(out_shape));
  std::vector<size_t> coord(out_shape.size(), 0);
  for (size_t n = 0; n < index.size(); ++n) {
    size_t offset = 0;
    for (size_t i = 0; i < coord.size(); ++i) offset += (coord[i] % padded[i]) * in_strides[i];
    index[n] = offset;
    for (size_t i = coord.size(); i-- > 0;) {
      if (++coord[i] < out_shape[i]) break;
      coord[i] = 0;
    }
  }
  return eval::copy_elements(inputs[0], outputs[0], index);
}

}  // namespace v0

// ---- Broadcast ----

namespace v3 {

namespace {

PartialShape broadcast_shape(const Node* node, const PartialShape& data, const Values& target,
                             const PartialShape& target_shape, const BroadcastModeSpec& mode,
                             const Values& axes_mapping) {
  PartialShape target_ps;
  if (target) {
    std::vector<Dimension> dims;
    for (auto v : *target) dims.emplace_back(v);
    target_ps = PartialShape(dims);
  } else if (target_shape.is_static()) {
    target_ps = PartialShape::dynamic(target_shape[0].get_length());
  } else {
    target_ps = PartialShape::dynamic();
  }
  switch (mode.m_type) {
    case BroadcastType::NUMPY: {
      if (data.rank().is_static() && target_ps.rank().is_static()) {
        const int64_t dr = data.rank().get_length();
        const int64_t tr = target_ps.rank().get_length();
        NODE_VALIDATION_CHECK(node, tr >= dr, "Broadcast target_shape has smaller rank ", tr,
                              " than arg shape ", dr);
        for (int64_t i = 0; i < dr; ++i) {
          const auto& d = data[i];
          const auto& t = target_ps[tr - dr + i];
          NODE_VALIDATION_CHECK(node,
                                d.is_dynamic() || t.is_dynamic() || d.get_length() == 1 ||
                                    d.get_length() == t.get_length(),
                                "Input shape dimension equal ", d,
                                " cannot be broadcasted (numpy mode) to ", t,
                                ". Allowed input dimension value would be 1 or ", t);
        }
      }
      return target_ps;
    }
    case BroadcastType::BIDIRECTIONAL: {
      if (data.rank().is_dynamic() || target_ps.rank().is_dynamic()) return PartialShape::dynamic();
      PartialShape out = data;
      NODE_VALIDATION_CHECK(
          node, PartialShape::broadcast_merge_into(out, target_ps, AutoBroadcastType::NUMPY),
          "Broadcast incorrect target shape. Expecting either 1 or ", data);
      return out;
    }
    case BroadcastType::EXPLICIT: {
      if (!axes_mapping || data.rank().is_dynamic() || target_ps.rank().is_dynamic()) {
        return target_ps;
      }
      const auto& m = *axes_mapping;
      NODE_VALIDATION_CHECK(node, static_cast<int64_t>(m.size()) == data.rank().get_length(),
                            "Broadcast axes_mapping shape ", Shape{m.size()},
                            " doesn't match rank of input tensor ", data.rank().get_length());
      NODE_VALIDATION_CHECK(node, std::is_sorted(m.begin(), m.end()),
                            "Broadcast doesn't permit transposes. axes_mapping ",
                            AxisVector(m.begin(), m.end()), " not in sorted order");
      const int64_t tr = target_ps.rank().get_length();
      for (size_t i = 0; i < m.size(); ++i) {
        NODE_VALIDATION_CHECK(node, m[i] >= 0 && m[i] < tr, "Broadcast axes_mapping[", i,
                              "]: ", m[i], " exceeds target rank ", tr);
        const auto& d = data[static_cast<std::ptrdiff_t>(i)];
        NODE_VALIDATION_CHECK(node, d.compatible(1) || d.compatible(target_ps[m[i]]),
                              "Broadcast target[axes_mapping[", i, "]]", " Expected ", d, ". Got ",
                              target_ps[m[i]]);
      }
      return target_ps;
    }
    default:
      NODE_VALIDATION_CHECK(node, false, "Broadcast mode ", mode.m_type, " is not supported");
  }
  return target_ps;
}

}  // namespace

Broadcast::Broadcast(const Output<Node>& arg, const Output<Node>& target_shape,
                     const Output<Node>& axes_mapping, const BroadcastModeSpec& broadcast_spec)
    : Op({arg, target_shape, axes_mapping}), m_mode(broadcast_spec) {
  constructor_validate_and_infer_types();
}

Broadcast::Broadcast(const Output<Node>& arg, const Output<Node>& target_shape,
                     const BroadcastModeSpec& broadcast_spec)
    : Op({arg, target_shape}), m_mode(broadcast_spec) {
  constructor_validate_and_infer_types();
}

bool Broadcast::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("mode", m_mode);
  return true;
}

void Broadcast::validate_and_infer_types() {
  if (m_mode.m_type == BroadcastType::EXPLICIT) {
    NODE_VALIDATION_CHECK(this, get_input_size() == 3,
                          "axes_mapping input should be provided if explicit mode is used");
    const auto& axes_shape = get_input_partial_shape(2);
    NODE_VALIDATION_CHECK(this, axes_shape.rank().compatible(1),
                          "Broadcast axes rank must be 1, but has ", axes_shape.rank());
  } else {
    NODE_VALIDATION_CHECK(this, get_input_size() == 2,
                          "axes_mapping input should not be provided for mode other than explicit");
  }
  const auto& target_shape = get_input_partial_shape(1);
  NODE_VALIDATION_CHECK(this, target_shape.rank().compatible(1),
                        "Broadcast shape rank must be 1, but has ", target_shape.rank());
  set_output_type(
      0, get_input_element_type(0),
      broadcast_shape(this, get_input_partial_shape(0), shape::constant_values(this, 1),
                      target_shape, m_mode,
                      get_input_size() == 3 ? shape::constant_values(this, 2) : Values{}));
}

std::shared_ptr<Node> Broadcast::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  if (new_args.size() == 3) {
    return std::make_shared<Broadcast>(new_args.at(0), new_args.at(1), new_args.at(2), m_mode);
  }
  return std::make_shared<Broadcast>(new_args.at(0), new_args.at(1), m_mode);
}

std::pair<bool, AxisSet> Broadcast::get_broadcast_axes() const {
  const auto& out = get_output_partial_shape(0);
  const auto& in = get_input_partial_shape(0);
  if (m_mode.m_type == BroadcastType::EXPLICIT) {
    const auto mapping = shape::constant_values(this, 2);
    if (!mapping || out.rank().is_dynamic()) return {false, {}};
    AxisSet axes;
    for (int64_t i = 0; i < out.rank().get_length(); ++i) {
      if (std::find(mapping->begin(), mapping->end(), i) == mapping->end()) {
        axes.insert(static_cast<size_t>(i));
      }
    }
    return {true, axes};
  }
  if (!in.is_static() || !out.is_static()) return {false, {}};
  AxisSet axes;
  const size_t offset = out.size() - std::min(out.size(), in.size());
  for (size_t i = 0; i < out.size(); ++i) {
    if (i < offset ||
        in[static_cast<std::ptrdiff_t>(i - offset)] != out[static_cast<std::ptrdiff_t>(i)]) {
      axes.insert(i);
    }
  }
  return {true, axes};
}

bool Broadcast::has_evaluate() const { return shape::byte_sized(get_input_element_type(0)); }

bool Broadcast::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const Shape& data_shape = inputs[0].get_shape();
  const Values mapping = inputs.size() == 3 ? Values(eval::read_int64(inputs[2])) : Values{};
  const auto out_ps = broadcast_shape(this, data_shape, eval::read_int64(inputs[1]),
                                      inputs[1].get_shape(), m_mode, mapping);
  if (!out_ps.is_static()) return false;
  const Shape out_shape = out_ps.to_shape();
  outputs[0].set_shape(out_shape);
  Shape source = data_shape;
  if (m_mode.m_type == BroadcastType::EXPLICIT) {
    // Place each data axis at its mapped output axis; the others are size 1.
    source = Shape(out_shape.size(), 1);
    for (size_t i = 0; i < mapping->size(); ++i) source[(*mapping)[i]] = data_shape[i];
  }
  return eval::copy_elements(inputs[0], outputs[0], eval::broadcast_offsets(out_shape, source));
}

}  // namespace v3

}  // namespace op
}  // namespace ov
