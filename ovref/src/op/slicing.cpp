// Slicing and padding: StridedSlice, Slice, Pad.

#include <algorithm>
#include <limits>
#include <set>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/pad.hpp"
#include "openvino/op/slice.hpp"
#include "openvino/op/strided_slice.hpp"
#include "util/evaluate_helpers.hpp"
#include "util/shape_helpers.hpp"

namespace ov {
namespace op {

namespace {

using Values = std::optional<std::vector<int64_t>>;

// One output axis of a slice over one input axis: start, step and element count.
struct AxisSlice {
  int64_t start = 0;
  int64_t step = 1;
  int64_t count = 0;
};

int64_t ceil_div(int64_t a, int64_t b) { return a <= 0 ? 0 : (a + b - 1) / b; }

// numpy/Python slice of a dimension of length d; begin/end already include the masks.
AxisSlice python_slice(int64_t begin, int64_t end, int64_t step, int64_t d) {
  AxisSlice s;
  s.step = step;
  if (d == 0) return s;
  if (step > 0) {
    int64_t b = begin < 0 ? begin + d : begin;
    int64_t e = end < 0 ? end + d : end;
    b = std::clamp<int64_t>(b, 0, d);
    e = std::clamp<int64_t>(e, 0, d);
    s.start = b;
    s.count = ceil_div(e - b, step);
  } else {
    int64_t b = begin < 0 ? begin + d : begin;
    int64_t e = end < 0 ? end + d : end;
    b = std::clamp<int64_t>(b, -1, d - 1);
    e = std::clamp<int64_t>(e, -1, d - 1);
    s.start = b;
    s.count = ceil_div(b - e, -step);
  }
  return s;
}

// Copies the elements selected by per-input-axis slices into `out`.
bool gather_slices(const Tensor& in, Tensor& out, const std::vector<AxisSlice>& slices,
                   const Shape& out_shape) {
  const Shape& in_shape = in.get_shape();
  const auto strides = eval::element_strides(in_shape);
  Shape counts;
  for (const auto& s : slices) counts.push_back(static_cast<size_t>(s.count));
  out.set_shape(out_shape);
  std::vector<size_t> index(shape_size(counts));
  std::vector<int64_t> coord(counts.size(), 0);
  for (size_t n = 0; n < index.size(); ++n) {
    size_t offset = 0;
    for (size_t i = 0; i < coord.size(); ++i) {
      offset += static_cast<size_t>(slices[i].start + coord[i] * slices[i].step) * strides[i];
    }
    index[n] = offset;
    for (size_t i = coord.size(); i-- > 0;) {
      if (++coord[i] < slices[i].count) break;
      coord[i] = 0;
    }
  }
  return eval::copy_elements(in, out, index);
}

std::vector<int64_t> padded(const std::vector<int64_t>& mask, size_t n) {
  std::vector<int64_t> m(mask);
  m.resize(std::max(n, m.size()), 0);
  return m;
}

// ---- StridedSlice plan ----

struct StridedPlan {
  std::vector<Dimension> out_dims;  // the output shape
  std::vector<AxisSlice> slices;    // one per input axis, for evaluation
};

// Builds the output shape (and, with static input and known values, the evaluation plan).
StridedPlan strided_plan(const Node* node, const PartialShape& in, const Values& begin,
                         const Values& end, const Values& strides, size_t m,
                         const std::vector<int64_t>& begin_mask_in,
                         const std::vector<int64_t>& end_mask_in,
                         const std::vector<int64_t>& new_axis_in,
                         const std::vector<int64_t>& shrink_in,
                         const std::vector<int64_t>& ellipsis_in, bool evaluating) {
  const auto begin_mask = padded(begin_mask_in, m);
  const auto end_mask = padded(end_mask_in, m);
  const auto new_axis = padded(new_axis_in, m);
  const auto shrink = padded(shrink_in, m);
  const auto ellipsis = padded(ellipsis_in, m);
  NODE_VALIDATION_CHECK(node, std::count(ellipsis.begin(), ellipsis.begin() + m, 1) <= 1,
                        "At most one ellipsis is allowed.");
  const int64_t rank = in.rank().get_length();
  const bool has_ellipsis = std::count(ellipsis.begin(), ellipsis.begin() + m, 1) == 1;
  if (!has_ellipsis) {
    const auto new_axes = std::count(new_axis.begin(), new_axis.begin() + m, 1);
    NODE_VALIDATION_CHECK(node, rank + new_axes >= static_cast<int64_t>(m),
                          "Input rank plus number of new axis has to be at least the size of Lower "
                          "and Upper bounds vector.");
  }
  StridedPlan plan;
  int64_t j = 0;
  auto full_axis = [&](int64_t axis) {
    plan.out_dims.push_back(in[axis]);
    if (evaluating) {
      plan.slices.push_back({0, 1, in[axis].get_length()});
    }
  };
  for (size_t i = 0; i < m; ++i) {
    if (new_axis[i] == 1) {
      plan.out_dims.emplace_back(1);
      continue;
    }
    if (ellipsis[i] == 1) {
      int64_t before = 0;
      for (size_t k = 0; k < i; ++k) before += new_axis[k] == 1 ? 0 : 1;
      int64_t new_after = 0;
      for (size_t k = i + 1; k < m; ++k) new_after += new_axis[k] == 1 ? 1 : 0;
      const int64_t full =
          rank - before - (static_cast<int64_t>(m) - static_cast<int64_t>(i) - 1 - new_after);
      for (int64_t k = 0; k < full && j < rank; ++k) full_axis(j++);
      continue;
    }
    NODE_VALIDATION_CHECK(node, j < rank, "Slice entry ", i, " is beyond the input rank ", rank);
    const Dimension& dim = in[j];
    if (shrink[i] == 1) {
      if (evaluating) {
        const int64_t d = dim.get_length();
        int64_t b = (*begin)[i];
        NODE_VALIDATION_CHECK(node, b >= -d && b < d, "Shrink axis index ", b,
                              " is out of range for a dimension of ", d);
        plan.slices.push_back({b < 0 ? b + d : b, 1, 1});
      }
      ++j;
      continue;
    }
    if (begin && end && strides && dim.is_static()) {
      const int64_t d = dim.get_length();
      const int64_t s = (*strides)[i];
      NODE_VALIDATION_CHECK(node, s != 0, "Stride must be non-zero");
      int64_t b =
          begin_mask[i] == 1 ? (s < 0 ? d - 1 : 0) : (*begin)[i] + ((*begin)[i] < 0 ? d : 0);
      b = std::clamp<int64_t>(b, 0, s < 0 ? std::max<int64_t>(d - 1, 0) : d);
      int64_t e = end_mask[i] == 1 ? (s < 0 ? -1 : d) : (*end)[i] + ((*end)[i] < 0 ? d : 0);
      e = std::clamp<int64_t>(e, s < 0 ? -1 : 0, d);
      const int64_t count = d == 0 ? 0 : (s > 0 ? ceil_div(e - b, s) : ceil_div(b - e, -s));
      plan.out_dims.emplace_back(count);
      if (evaluating) plan.slices.push_back({b, s, count});
    } else {
      const auto& interval = dim.get_interval();
      plan.out_dims.emplace_back(0, interval.has_upper_bound() ? interval.get_max_val() : -1);
    }
    ++j;
  }
  for (; j < rank; ++j) full_axis(j);
  return plan;
}

}  // namespace

namespace v1 {

StridedSlice::StridedSlice(const Output<Node>& data, const Output<Node>& begin,
                           const Output<Node>& end, const Output<Node>& strides,
                           const std::vector<int64_t>& begin_mask,
                           const std::vector<int64_t>& end_mask,
                           const std::vector<int64_t>& new_axis_mask,
                           const std::vector<int64_t>& shrink_axis_mask,
                           const std::vector<int64_t>& ellipsis_mask)
    : Op({data, begin, end, strides}),
      m_begin_mask(begin_mask),
      m_end_mask(end_mask),
      m_new_axis_mask(new_axis_mask),
      m_shrink_axis_mask(shrink_axis_mask),
      m_ellipsis_mask(ellipsis_mask) {
  constructor_validate_and_infer_types();
}

StridedSlice::StridedSlice(const Output<Node>& data, const Output<Node>& begin,
                           const Output<Node>& end, const std::vector<int64_t>& begin_mask,
                           const std::vector<int64_t>& end_mask,
                           const std::vector<int64_t>& new_axis_mask,
                           const std::vector<int64_t>& shrink_axis_mask,
                           const std::vector<int64_t>& ellipsis_mask)
    : Op({data, begin, end}),
      m_begin_mask(begin_mask),
      m_end_mask(end_mask),
      m_new_axis_mask(new_axis_mask),
      m_shrink_axis_mask(shrink_axis_mask),
      m_ellipsis_mask(ellipsis_mask) {
  constructor_validate_and_infer_types();
}

bool StridedSlice::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("begin_mask", m_begin_mask);
  visitor.on_attribute("end_mask", m_end_mask);
  visitor.on_attribute("new_axis_mask", m_new_axis_mask);
  visitor.on_attribute("shrink_axis_mask", m_shrink_axis_mask);
  visitor.on_attribute("ellipsis_mask", m_ellipsis_mask);
  return true;
}

void StridedSlice::validate_and_infer_types() {
  size_t mask_size = 0;
  for (const auto* mask :
       {&m_begin_mask, &m_end_mask, &m_new_axis_mask, &m_shrink_axis_mask, &m_ellipsis_mask}) {
    for (auto v : *mask) {
      NODE_VALIDATION_CHECK(this, v == 0 || v == 1,
                            "All masks of StridedSlice must have be 0 or 1");
    }
    if (mask->empty()) continue;
    NODE_VALIDATION_CHECK(this, mask_size == 0 || mask_size == mask->size(),
                          "All masks of StridedSlice must have the same size");
    mask_size = mask->size();
  }
  if (get_input_size() == 3) {
    // The stride-less form gets strides of ones.
    const auto& begin_shape = get_input_partial_shape(1);
    NODE_VALIDATION_CHECK(this, begin_shape.is_static(),
                          "Begin input must have a static shape when strides are not given");
    const auto n = begin_shape.rank().get_length() == 1 ? begin_shape[0].get_length() : 1;
    set_argument(3, v0::Constant::create(element::i64, Shape{static_cast<size_t>(n)},
                                         std::vector<int64_t>(static_cast<size_t>(n), 1)));
  }
  const auto& begin_type = get_input_element_type(1);
  NODE_VALIDATION_CHECK(this, begin_type.is_dynamic() || begin_type.is_integral_number(),
                        "Begin mask must be an integral number, but is: ", begin_type);
  const auto& end_type = get_input_element_type(2);
  NODE_VALIDATION_CHECK(this, end_type.is_dynamic() || end_type.is_integral_number(),
                        "End mask must be an integral number, but is: ", end_type);
  const char* names[] = {"Begin", "End", "Stride"};
  for (size_t port = 1; port <= 3; ++port) {
    const auto& r = get_input_partial_shape(port).rank();
    NODE_VALIDATION_CHECK(this, r.compatible(1), names[port - 1],
                          " input must be 1D (has rank: ", r, ")");
  }
  const auto& bs = get_input_partial_shape(1);
  const auto& es = get_input_partial_shape(2);
  const auto& ss = get_input_partial_shape(3);
  if (bs.rank().is_static() && es.rank().is_static()) {
    NODE_VALIDATION_CHECK(this, bs.compatible(es),
                          "Begin and end need to have same number of values.");
  }
  if (bs.rank().is_static() && ss.rank().is_static()) {
    NODE_VALIDATION_CHECK(this, bs.compatible(ss),
                          "Stride needs to have same number of values as begin and end.");
  }
  const auto& in = get_input_partial_shape(0);
  PartialShape out = PartialShape::dynamic();
  if (in.rank().is_static() && bs.is_static()) {
    const size_t m = static_cast<size_t>(bs[0].get_length());
    auto plan =
        strided_plan(this, in, shape::constant_values(this, 1), shape::constant_values(this, 2),
                     shape::constant_values(this, 3), m, m_begin_mask, m_end_mask, m_new_axis_mask,
                     m_shrink_axis_mask, m_ellipsis_mask, false);
    out = PartialShape(plan.out_dims);
  }
  set_output_type(0, get_input_element_type(0), out);
}

std::shared_ptr<Node> StridedSlice::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<StridedSlice>(new_args.at(0), new_args.at(1), new_args.at(2),
                                        new_args.at(3), m_begin_mask, m_end_mask, m_new_axis_mask,
                                        m_shrink_axis_mask, m_ellipsis_mask);
}

bool StridedSlice::has_evaluate() const {
  const auto& type = get_input_element_type(0);
  return get_input_size() == 4 && type.is_static() && type.bitwidth() >= 8 &&
         type != element::string;
}

bool StridedSlice::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  if (inputs.size() != 4) return false;
  const auto begin = eval::read_int64(inputs[1]);
  const auto end = eval::read_int64(inputs[2]);
  const auto strides = eval::read_int64(inputs[3]);
  if (begin.size() != end.size() || begin.size() != strides.size()) return false;
  auto plan =
      strided_plan(this, inputs[0].get_shape(), begin, end, strides, begin.size(), m_begin_mask,
                   m_end_mask, m_new_axis_mask, m_shrink_axis_mask, m_ellipsis_mask, true);
  return gather_slices(inputs[0], outputs[0], plan.slices, PartialShape(plan.out_dims).to_shape());
}

}  // namespace v1

// ---- Slice ----

namespace v8 {

Slice::Slice(const Output<Node>& data, const Output<Node>& start, const Output<Node>& stop,
             const Output<Node>& step)
    : Op({data, start, stop, step}) {
  constructor_validate_and_infer_types();
}

Slice::Slice(const Output<Node>& data, const Output<Node>& start, const Output<Node>& stop,
             const Output<Node>& step, const Output<Node>& axes)
    : Op({data, start, stop, step, axes}) {
  constructor_validate_and_infer_types();
}

bool Slice::visit_attributes(AttributeVisitor&) { return true; }

std::shared_ptr<v0::Constant> Slice::get_default_const_axes(const Output<Node>& start) const {
  const auto& shape = start.get_partial_shape();
  if (shape.rank().is_dynamic() || shape.is_dynamic()) return nullptr;
  const size_t n = static_cast<size_t>(shape[0].get_length());
  std::vector<int64_t> axes(n);
  for (size_t i = 0; i < n; ++i) axes[i] = static_cast<int64_t>(i);
  return v0::Constant::create(element::i64, Shape{n}, axes);
}

namespace {

// Per-axis slices for all input axes, or std::nullopt when the values are not known.
std::vector<Dimension> slice_shape(const Node* node, const PartialShape& in, const Values& start,
                                   const Values& stop, const Values& step, const Values& axes,
                                   std::vector<AxisSlice>* plan) {
  const int64_t rank = in.rank().get_length();
  std::vector<Dimension> dims(in.begin(), in.end());
  if (plan) {
    plan->clear();
    for (const auto& d : dims) plan->push_back({0, 1, d.get_length()});
  }
  if (!axes) {
    for (auto& d : dims) {
      const auto& i = d.get_interval();
      d = Dimension(0, i.has_upper_bound() ? i.get_max_val() : -1);
    }
    return dims;
  }
  const auto norm = shape::normalize_axes(node, *axes, rank);
  NODE_VALIDATION_CHECK(node, std::set<int64_t>(norm.begin(), norm.end()).size() == norm.size(),
                        "Slice values in `axes` input must be unique.");
  for (size_t k = 0; k < norm.size(); ++k) {
    auto& d = dims[static_cast<size_t>(norm[k])];
    if (step) NODE_VALIDATION_CHECK(node, (*step)[k] != 0, "Step must be non-zero");
    if (start && stop && step && d.is_static()) {
      const auto s = python_slice((*start)[k], (*stop)[k], (*step)[k], d.get_length());
      d = Dimension(s.count);
      if (plan) (*plan)[static_cast<size_t>(norm[k])] = s;
    } else {
      const auto& i = d.get_interval();
      d = Dimension(0, i.has_upper_bound() ? i.get_max_val() : -1);
    }
  }
  return dims;
}

}  // namespace

void Slice::validate_and_infer_types() {
  NODE_VALIDATION_CHECK(this, get_input_size() == 4 || get_input_size() == 5,
                        "Slice has to have 4 or 5 inputs. Got: ", get_input_size());
  const char* names[] = {"start", "stop", "step", "axes"};
  for (size_t port = 1; port < get_input_size(); ++port) {
    const auto& type = get_input_element_type(port);
    NODE_VALIDATION_CHECK(this, type.is_dynamic() || type.is_integral_number(), "Slice `",
                          names[port - 1], "` input type must be integer.");
    const auto& r = get_input_partial_shape(port).rank();
    NODE_VALIDATION_CHECK(this, r.compatible(1), "Slice `", names[port - 1],
                          "` input must be a 1D tensor. Got rank: ", r);
  }
  const auto& ss = get_input_partial_shape(1);
  NODE_VALIDATION_CHECK(
      this, ss.compatible(get_input_partial_shape(2)) && ss.compatible(get_input_partial_shape(3)),
      "Slice `start`, `stop`, `step` inputs must have compatible shapes.");
  if (get_input_size() == 5) {
    NODE_VALIDATION_CHECK(this, ss.compatible(get_input_partial_shape(4)),
                          "Slice `axes` input must have compatible shape with `start`, `stop`, "
                          "`step` inputs.");
  }
  const auto& in = get_input_partial_shape(0);
  if (in.rank().is_static()) {
    NODE_VALIDATION_CHECK(this, in.rank().get_length() >= 1,
                          "Slice `data` input can't be a scalar.");
    if (ss.is_static()) {
      NODE_VALIDATION_CHECK(this, ss[0].get_length() <= in.rank().get_length(),
                            "Slice `start` input dim size can't be bigger than `data` rank.");
    }
  }
  if (in.rank().is_dynamic()) {
    set_output_type(0, get_input_element_type(0), PartialShape::dynamic());
    return;
  }
  Values axes;
  if (get_input_size() == 5) {
    axes = shape::constant_values(this, 4);
  } else if (auto c = get_default_const_axes(input_value(1))) {
    axes = c->cast_vector<int64_t>();
  }
  const auto step = shape::constant_values(this, 3);
  set_output_type(0, get_input_element_type(0),
                  PartialShape(slice_shape(this, in, shape::constant_values(this, 1),
                                           shape::constant_values(this, 2), step, axes, nullptr)));
}

std::shared_ptr<Node> Slice::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  if (new_args.size() == 4) {
    return std::make_shared<Slice>(new_args.at(0), new_args.at(1), new_args.at(2), new_args.at(3));
  }
  return std::make_shared<Slice>(new_args.at(0), new_args.at(1), new_args.at(2), new_args.at(3),
                                 new_args.at(4));
}

bool Slice::has_evaluate() const {
  const auto& type = get_input_element_type(0);
  return type.is_static() && type.bitwidth() >= 8 && type != element::string;
}

bool Slice::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const auto start = eval::read_int64(inputs[1]);
  const auto stop = eval::read_int64(inputs[2]);
  const auto step = eval::read_int64(inputs[3]);
  if (start.size() != stop.size() || start.size() != step.size()) return false;
  std::vector<int64_t> axes;
  if (inputs.size() == 5) {
    axes = eval::read_int64(inputs[4]);
  } else {
    for (size_t i = 0; i < start.size(); ++i) axes.push_back(static_cast<int64_t>(i));
  }
  if (axes.size() != start.size()) return false;
  std::vector<AxisSlice> plan;
  const auto dims = slice_shape(this, inputs[0].get_shape(), start, stop, step, axes, &plan);
  return gather_slices(inputs[0], outputs[0], plan, PartialShape(dims).to_shape());
}

}  // namespace v8

// ---- Pad ----

namespace util {

namespace {

std::shared_ptr<Node> zero_of(const Output<Node>& arg) {
  const auto& type = arg.get_element_type();
  return v0::Constant::create(type.is_static() ? type : element::f32, Shape{},
                              std::vector<int64_t>{0});
}

// Input coordinate read by output coordinate `o` along an axis of length d, or -1 for the pad
// value.
int64_t pad_source(int64_t o, int64_t pad_begin, int64_t d, PadMode mode) {
  int64_t i = o - pad_begin;
  if (i >= 0 && i < d) return i;
  switch (mode) {
    case PadMode::CONSTANT:
      return -1;
    case PadMode::EDGE:
      return std::clamp<int64_t>(i, 0, d - 1);
    case PadMode::REFLECT:
      if (d == 1) return 0;
      while (i < 0 || i >= d) i = i < 0 ? -i : 2 * (d - 1) - i;
      return i;
    case PadMode::SYMMETRIC:
      while (i < 0 || i >= d) i = i < 0 ? -i - 1 : 2 * d - 1 - i;
      return i;
  }
  return -1;
}

}  // namespace

PadBase::PadBase(const Output<Node>& arg, const Output<Node>& pads_begin,
                 const Output<Node>& pads_end, const Output<Node>& arg_pad_value, PadMode pad_mode)
    : Op({arg, pads_begin, pads_end, arg_pad_value}), m_pad_mode(pad_mode) {}

PadBase::PadBase(const Output<Node>& arg, const Output<Node>& pads_begin,
                 const Output<Node>& pads_end, PadMode pad_mode)
    : Op({arg, pads_begin, pads_end, zero_of(arg)}), m_pad_mode(pad_mode) {}

bool PadBase::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("pad_mode", m_pad_mode);
  return true;
}

CoordinateDiff PadBase::get_pads_begin() const {
  const auto v = shape::constant_values(this, 1);
  return v ? CoordinateDiff(v->begin(), v->end()) : CoordinateDiff{};
}

CoordinateDiff PadBase::get_pads_end() const {
  const auto v = shape::constant_values(this, 2);
  return v ? CoordinateDiff(v->begin(), v->end()) : CoordinateDiff{};
}

void PadBase::validate_and_infer_types() {
  element::Type result_type;
  if (get_input_size() == 4) {
    NODE_VALIDATION_CHECK(
        this,
        element::Type::merge(result_type, get_input_element_type(0), get_input_element_type(3)),
        "Argument element types do not match (input arg element type: ", get_input_element_type(0),
        ", arg_pad_value element type: ", get_input_element_type(3), ").");
    NODE_VALIDATION_CHECK(
        this, get_input_partial_shape(3).compatible(PartialShape{}),
        "Argument for padding value is not a scalar (shape: ", get_input_partial_shape(3), ").");
  } else {
    result_type = get_input_element_type(0);
  }
  const char* names[] = {"pads_begin", "pads_end"};
  for (size_t port = 1; port <= 2; ++port) {
    const auto& type = get_input_element_type(port);
    NODE_VALIDATION_CHECK(this, type.is_dynamic() || type.is_integral_number(), names[port - 1],
                          " must be an integral number, but is: ", type);
    NODE_VALIDATION_CHECK(this, get_input_partial_shape(port).rank().compatible(1), "Argument for ",
                          names[port - 1], " is not 1D (shape: ", get_input_partial_shape(port),
                          ").");
  }
  const auto& in = get_input_partial_shape(0);
  const auto begin = shape::constant_values(this, 1);
  const auto end = shape::constant_values(this, 2);
  if (in.rank().is_dynamic()) {
    set_output_type(0, result_type, PartialShape::dynamic());
    return;
  }
  const int64_t rank = in.rank().get_length();
  if (!begin || !end) {
    set_output_type(0, result_type, PartialShape::dynamic(rank));
    return;
  }
  NODE_VALIDATION_CHECK(
      this, static_cast<int64_t>(begin->size()) == rank,
      "Number of elements of pads_begin must be >= 0 and <= arg rank (pads_begin_shape[0]: ",
      begin->size(), ").");
  NODE_VALIDATION_CHECK(
      this, static_cast<int64_t>(end->size()) == rank,
      "Number of elements of pads_end must be >= 0 and <= arg rank (pads_end_shape[0]: ",
      end->size(), ").");
  std::vector<Dimension> dims;
  for (int64_t i = 0; i < rank; ++i) {
    const auto& d = in[i];
    const int64_t pb = (*begin)[static_cast<size_t>(i)];
    const int64_t pe = (*end)[static_cast<size_t>(i)];
    const int64_t lo = d.get_min_length();
    if (m_pad_mode == PadMode::REFLECT && d.is_static()) {
      NODE_VALIDATION_CHECK(
          this, pb < lo && pe < lo,
          "REFLECT padding mode requires pads_begin[D] and pads_end[D] to be less "
          "than the dimension D (dimension ",
          i, ": ", d, ").");
    } else if (m_pad_mode == PadMode::SYMMETRIC && d.is_static()) {
      NODE_VALIDATION_CHECK(this, pb <= lo && pe <= lo,
                            "SYMMETRIC padding mode requires pads_begin[D] and pads_end[D] to be "
                            "less than or equal to the dimension D (dimension ",
                            i, ": ", d, ").");
    } else if (m_pad_mode == PadMode::EDGE && d.is_static() && (pb > 0 || pe > 0)) {
      NODE_VALIDATION_CHECK(this, lo >= 1,
                            "EDGE padding mode requires an input of dimension of at "
                            "least 1 at each spatial axis.");
    }
    if (d.is_static()) {
      dims.emplace_back(std::max<int64_t>(0, pb + d.get_length() + pe));
    } else {
      const auto& iv = d.get_interval();
      const int64_t new_lo = std::max<int64_t>(0, pb + iv.get_min_val() + pe);
      const int64_t new_hi =
          iv.has_upper_bound() ? std::max<int64_t>(0, pb + iv.get_max_val() + pe) : -1;
      dims.emplace_back(new_lo, new_hi);
    }
  }
  set_output_type(0, result_type, PartialShape(dims));
}

bool PadBase::has_evaluate() const {
  const auto& type = get_input_element_type(0);
  return type.is_static() && type.bitwidth() >= 8 && type != element::string;
}

bool PadBase::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const auto& in = inputs[0];
  const Shape& in_shape = in.get_shape();
  const auto begin = eval::read_int64(inputs[1]);
  const auto end = eval::read_int64(inputs[2]);
  if (begin.size() != in_shape.size() || end.size() != in_shape.size()) return false;
  Shape out_shape;
  for (size_t i = 0; i < in_shape.size(); ++i) {
    const int64_t d = static_cast<int64_t>(in_shape[i]);
    const int64_t o = std::max<int64_t>(0, begin[i] + d + end[i]);
    if (o > 0 && d == 0 && m_pad_mode != PadMode::CONSTANT) return false;
    out_shape.push_back(static_cast<size_t>(o));
  }
  outputs[0].set_shape(out_shape);
  const auto strides = eval::element_strides(in_shape);
  std::vector<size_t> index(shape_size(out_shape));
  std::vector<int64_t> coord(out_shape.size(), 0);
  for (size_t n = 0; n < index.size(); ++n) {
    size_t offset = 0;
    bool fill = false;
    for (size_t i = 0; i < coord.size() && !fill; ++i) {
      const int64_t src =
          pad_source(coord[i], begin[i], static_cast<int64_t>(in_shape[i]), m_pad_mode);
      if (src < 0) {
        fill = true;
      } else {
        offset += static_cast<size_t>(src) * strides[i];
      }
    }
    index[n] = fill ? eval::kFill : offset;
    for (size_t i = coord.size(); i-- > 0;) {
      if (++coord[i] < static_cast<int64_t>(out_shape[i])) break;
      coord[i] = 0;
    }
  }
  const void* fill_value = nullptr;
  if (inputs.size() == 4 && inputs[3].get_size() > 0) {
    if (inputs[3].get_element_type() != in.get_element_type()) return false;
    fill_value = inputs[3].data();
  }
  return eval::copy_elements(in, outputs[0], index, fill_value);
}

}  // namespace util

namespace v1 {

Pad::Pad(const Output<Node>& arg, const Output<Node>& pads_begin, const Output<Node>& pads_end,
         const Output<Node>& arg_pad_value, PadMode pad_mode)
    : PadBase(arg, pads_begin, pads_end, arg_pad_value, pad_mode) {
  constructor_validate_and_infer_types();
}

Pad::Pad(const Output<Node>& arg, const Output<Node>& pads_begin, const Output<Node>& pads_end,
         PadMode pad_mode)
    : PadBase(arg, pads_begin, pads_end, pad_mode) {
  constructor_validate_and_infer_types();
}

std::shared_ptr<Node> Pad::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Pad>(new_args.at(0), new_args.at(1), new_args.at(2), new_args.at(3),
                               m_pad_mode);
}

}  // namespace v1

namespace v12 {

Pad::Pad(const Output<Node>& arg, const Output<Node>& pads_begin, const Output<Node>& pads_end,
         const Output<Node>& arg_pad_value, PadMode pad_mode)
    : PadBase(arg, pads_begin, pads_end, arg_pad_value, pad_mode) {
  constructor_validate_and_infer_types();
}

Pad::Pad(const Output<Node>& arg, const Output<Node>& pads_begin, const Output<Node>& pads_end,
         PadMode pad_mode)
    : PadBase(arg, pads_begin, pads_end, pad_mode) {
  constructor_validate_and_infer_types();
}

std::shared_ptr<Node> Pad::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Pad>(new_args.at(0), new_args.at(1), new_args.at(2), new_args.at(3),
                               m_pad_mode);
}

}  // namespace v12

}  // namespace op
}  // namespace ov
