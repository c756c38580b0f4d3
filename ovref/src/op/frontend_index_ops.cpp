// Reverse, ReverseSequence, GatherND, ScatterNDUpdate, BatchToSpace and SpaceToBatch: ops that
// move whole elements, computed as an index from each output element to its source.

#include <algorithm>
#include <cstring>
#include <set>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/op/batch_to_space.hpp"
#include "openvino/op/gather_nd.hpp"
#include "openvino/op/reverse.hpp"
#include "openvino/op/reverse_sequence.hpp"
#include "openvino/op/scatter_nd_update.hpp"
#include "openvino/op/space_to_batch.hpp"
#include "util/evaluate_helpers.hpp"
#include "util/frontend_ops_helpers.hpp"
#include "util/shape_helpers.hpp"

namespace ov {
namespace op {

namespace {

// Calls fn(coord, n) for every coordinate of `shape` in row-major order.
template <typename Fn>
void for_each_coord(const Shape& shape, Fn&& fn) {
  const size_t total = shape_size(shape);
  std::vector<size_t> coord(shape.size(), 0);
  for (size_t n = 0; n < total; ++n) {
    fn(coord, n);
    for (size_t d = shape.size(); d-- > 0;) {
      if (++coord[d] < shape[d]) break;
      coord[d] = 0;
    }
  }
}

size_t flat(const std::vector<size_t>& coord, const std::vector<size_t>& strides) {
  size_t at = 0;
  for (size_t i = 0; i < coord.size(); ++i) at += coord[i] * strides[i];
  return at;
}

bool gather_into(const Tensor& in, TensorVector& outputs, const Shape& out_shape,
                 const std::vector<size_t>& index) {
  auto& out = frontend_ops::output_tensor(outputs, 0, in.get_element_type(), out_shape);
  return eval::copy_elements(in, out, index);
}

void check_1d_integer(const Node* node, size_t port, const char* what) {
  shape::check_integral_input(node, port, what);
  const auto& ps = node->get_input_partial_shape(port);
  NODE_VALIDATION_CHECK(node, ps.rank().compatible(1), what, " must be a 1D tensor. Got: ", ps);
}

}  // namespace

// ---- Reverse ----

namespace v1 {

Reverse::Reverse(const Output<Node>& data, const Output<Node>& reversed_axes,
                 const std::string& mode)
    : Reverse(data, reversed_axes, as_enum<Mode>(mode)) {}

Reverse::Reverse(const Output<Node>& data, const Output<Node>& reversed_axes, const Mode mode)
    : Op({data, reversed_axes}), m_mode(mode) {
  constructor_validate_and_infer_types();
}

void Reverse::validate_and_infer_types() {
  const auto& axes_type = get_input_element_type(1);
  const auto& axes_shape = get_input_partial_shape(1);
  const auto& data = get_input_partial_shape(0);
  NODE_VALIDATION_CHECK(this, axes_shape.rank().compatible(1),
                        "The reversed_axes input must be a 1D tensor (got ", axes_shape, ").");
  if (m_mode == Mode::MASK) {
    NODE_VALIDATION_CHECK(this, axes_type.is_dynamic() || axes_type == element::boolean,
                          "In 'mask' mode the second input must contain boolean values.");
    if (data.rank().is_static() && axes_shape.is_static()) {
      NODE_VALIDATION_CHECK(this, axes_shape[0].get_length() == data.rank().get_length(),
                            "The number of elements in the reversed_axes tensor (",
                            axes_shape[0].get_length(), ") must match the input data tensor rank (",
                            data.rank().get_length(), ") in 'mask' mode.");
    }
  } else {
    NODE_VALIDATION_CHECK(this, axes_type.is_dynamic() || axes_type.is_integral_number(),
                          "In 'index' mode the second input must contain integer values.");
    if (auto axes = shape::constant_values(this, 1)) {
      if (data.rank().is_static()) {
        for (auto a : *axes) {
          NODE_VALIDATION_CHECK(
              this, a >= 0 && a < data.rank().get_length(), "Some of the provided axes (", a,
              ") are out of bounds (input rank: ", data.rank().get_length(), ").");
        }
      }
    }
  }
  set_output_type(0, get_input_element_type(0), data);
}

bool Reverse::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("mode", m_mode);
  return true;
}

std::shared_ptr<Node> Reverse::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Reverse>(new_args.at(0), new_args.at(1), m_mode);
}

bool Reverse::has_evaluate() const { return shape::byte_sized(get_input_element_type(0)); }

bool Reverse::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const Shape& s = inputs[0].get_shape();
  std::vector<bool> flip(s.size(), false);
  const auto values = eval::read_int64(inputs[1]);
  if (m_mode == Mode::MASK) {
    if (values.size() != s.size()) return false;
    for (size_t i = 0; i < s.size(); ++i) flip[i] = values[i] != 0;
  } else {
    for (auto a : values) {
      if (a < 0 || a >= static_cast<int64_t>(s.size())) return false;
      flip[static_cast<size_t>(a)] = true;
    }
  }
  const auto strides = eval::element_strides(s);
  std::vector<size_t> index(shape_size(s));
  for_each_coord(s, [&](const std::vector<size_t>& c, size_t n) {
    size_t at = 0;
    for (size_t d = 0; d < s.size(); ++d) at += (flip[d] ? s[d] - 1 - c[d] : c[d]) * strides[d];
    index[n] = at;
  });
  return gather_into(inputs[0], outputs, s, index);
}

}  // namespace v1

// ---- ReverseSequence ----

namespace v0 {

ReverseSequence::ReverseSequence(const Output<Node>& arg, const Output<Node>& seq_lengths,
                                 int64_t batch_axis, int64_t seq_axis)
    : Op({arg, seq_lengths}), m_batch_axis(batch_axis), m_seq_axis(seq_axis) {
  constructor_validate_and_infer_types();
}

void ReverseSequence::validate_and_infer_types() {
  const auto& data = get_input_partial_shape(0);
  const auto& lengths = get_input_partial_shape(1);
  shape::check_integral_input(this, 1, "Sequence lengths element type");
  NODE_VALIDATION_CHECK(this, lengths.rank().compatible(1),
                        "Sequence lengths rank must be equal to 1. Got: ", lengths);
  if (data.rank().is_static()) {
    NODE_VALIDATION_CHECK(this, data.rank().get_length() >= 2,
                          "Data input rank should be equal or greater than 2. Got: ", data);
    m_normalized_batch_axis =
        static_cast<size_t>(shape::normalize_axis(this, m_batch_axis, data.rank()));
    m_normalized_seq_axis =
        static_cast<size_t>(shape::normalize_axis(this, m_seq_axis, data.rank()));
    if (lengths.rank().is_static()) {
      NODE_VALIDATION_CHECK(
          this, data[static_cast<std::ptrdiff_t>(m_normalized_batch_axis)].compatible(lengths[0]),
          "Sequence lengths input size (", lengths[0],
          ") is not equal to batch axis dimension of data input (",
          data[static_cast<std::ptrdiff_t>(m_normalized_batch_axis)], ").");
    }
  }
  set_output_type(0, get_input_element_type(0), data);
}

bool ReverseSequence::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("batch_axis", m_batch_axis);
  visitor.on_attribute("seq_axis", m_seq_axis);
  return true;
}

std::shared_ptr<Node> ReverseSequence::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<ReverseSequence>(new_args.at(0), new_args.at(1), m_batch_axis,
                                           m_seq_axis);
}

bool ReverseSequence::has_evaluate() const { return shape::byte_sized(get_input_element_type(0)); }

bool ReverseSequence::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const Shape& s = inputs[0].get_shape();
  int64_t batch = 0, seq = 0;
  if (!inputs[1].get_element_type().is_integral_number() ||
      !eval::normalize_axis(m_batch_axis, static_cast<int64_t>(s.size()), batch) ||
      !eval::normalize_axis(m_seq_axis, static_cast<int64_t>(s.size()), seq)) {
    return false;
  }
  const auto lengths = eval::read_int64(inputs[1]);
  const auto b_axis = static_cast<size_t>(batch), s_axis = static_cast<size_t>(seq);
  if (lengths.size() != s[b_axis]) return false;
  const auto strides = eval::element_strides(s);
  std::vector<size_t> index(shape_size(s));
  std::vector<size_t> src;
  for_each_coord(s, [&](const std::vector<size_t>& c, size_t n) {
    // Lengths beyond the axis reverse the whole axis; non-positive lengths reverse nothing.
    const auto len = static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(lengths[c[b_axis]], 0),
                                                           static_cast<int64_t>(s[s_axis])));
    src = c;
    if (c[s_axis] < len) src[s_axis] = len - 1 - c[s_axis];
    index[n] = flat(src, strides);
  });
  return gather_into(inputs[0], outputs, s, index);
}

}  // namespace v0

// ---- GatherND ----

namespace util {

GatherNDBase::GatherNDBase(const Output<Node>& data, const Output<Node>& indices,
                           const size_t batch_dims)
    : Op({data, indices}), m_batch_dims(batch_dims) {}

bool GatherNDBase::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("batch_dims", m_batch_dims);
  return true;
}

PartialShape GatherNDBase::gather_shape(const PartialShape& data, const PartialShape& indices,
                                        bool flatten_batch) const {
  const auto& indices_type = get_input_element_type(1);
  NODE_VALIDATION_CHECK(
      this,
      indices_type.is_dynamic() || indices_type == element::i32 || indices_type == element::i64,
      "The indices type is expected to be an integer type. Got: ", indices_type);
  const auto b = static_cast<int64_t>(m_batch_dims);
  if (data.rank().is_static()) {
    NODE_VALIDATION_CHECK(this, data.rank().get_length() > 0, "Data rank must be at least 1.");
    NODE_VALIDATION_CHECK(this, b < data.rank().get_length(),
                          "Number of batch dimensions must not exceed a rank of data.");
  }
  if (indices.rank().is_static()) {
    NODE_VALIDATION_CHECK(this, indices.rank().get_length() > 0,
                          "Indices rank must be at least 1.");
    NODE_VALIDATION_CHECK(this, b < indices.rank().get_length(),
                          "Number of batch dimensions must not exceed a rank of indices.");
  }
  if (data.rank().is_dynamic() || indices.rank().is_dynamic()) return PartialShape::dynamic();
  for (int64_t i = 0; i < b; ++i) {
    NODE_VALIDATION_CHECK(this, data[i].compatible(indices[i]),
                          "Batch dimensions of data and indices must be the same.");
  }
  const Dimension& last = indices[indices.rank().get_length() - 1];
  if (last.is_dynamic()) return PartialShape::dynamic();
  const int64_t m = last.get_length();
  NODE_VALIDATION_CHECK(this, m <= data.rank().get_length() - b,
                        "Length of a tuple with indices must not exceed a rank of data tensor "
                        "excluding batch dimensions.");
  std::vector<Dimension> dims;
  if (flatten_batch && b > 0) {
    Dimension batch(1);
    for (int64_t i = 0; i < b; ++i) batch = batch * indices[i];
    dims.push_back(batch);
    for (int64_t i = b; i + 1 < indices.rank().get_length(); ++i) dims.push_back(indices[i]);
  } else {
    for (int64_t i = 0; i + 1 < indices.rank().get_length(); ++i) dims.push_back(indices[i]);
  }
  for (int64_t i = b + m; i < data.rank().get_length(); ++i) dims.push_back(data[i]);
  return PartialShape(dims);
}

bool GatherNDBase::has_evaluate() const {
  return shape::byte_sized(get_input_element_type(0)) && get_input_element_type(1).is_integral_number();
}

bool GatherNDBase::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  if (inputs.size() != 2) return false;
  const Shape& ds = inputs[0].get_shape();
  const Shape& is = inputs[1].get_shape();
  if (!inputs[1].get_element_type().is_integral_number()) return false;
  PartialShape out_ps;
  try {
    out_ps = gather_shape(ds, is, flattens_batch());
  } catch (const ov::Exception&) {
    return false;
  }
  const size_t b = m_batch_dims;
  const size_t m = is.back();
  size_t batches = 1, tuples = 1, slice = 1;
  for (size_t i = 0; i < b; ++i) batches *= is[i];
  for (size_t i = b; i + 1 < is.size(); ++i) tuples *= is[i];
  for (size_t i = b + m; i < ds.size(); ++i) slice *= ds[i];
  size_t batch_stride = 1;
  for (size_t i = b; i < ds.size(); ++i) batch_stride *= ds[i];
  const auto data_strides = eval::element_strides(ds);
  const auto idx = eval::read_int64(inputs[1]);
  std::vector<size_t> index;
  index.reserve(batches * tuples * slice);
  for (size_t bt = 0; bt < batches; ++bt) {
    for (size_t t = 0; t < tuples; ++t) {
      size_t at = bt * batch_stride;
      for (size_t j = 0; j < m; ++j) {
        const auto dim = static_cast<int64_t>(ds[b + j]);
        int64_t v = idx[(bt * tuples + t) * m + j];
        if (v < 0) v += dim;
        if (v < 0 || v >= dim) return false;
        at += static_cast<size_t>(v) * data_strides[b + j];
      }
      for (size_t k = 0; k < slice; ++k) index.push_back(at + k);
    }
  }
  return gather_into(inputs[0], outputs, out_ps.to_shape(), index);
}

}  // namespace util

namespace v5 {

GatherND::GatherND(const Output<Node>& data, const Output<Node>& indices, const size_t batch_dims)
    : GatherNDBase(data, indices, batch_dims) {
  constructor_validate_and_infer_types();
}
void GatherND::validate_and_infer_types() {
  set_output_type(0, get_input_element_type(0),
                  gather_shape(get_input_partial_shape(0), get_input_partial_shape(1), true));
}
std::shared_ptr<Node> GatherND::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<GatherND>(new_args.at(0), new_args.at(1), m_batch_dims);
}

}  // namespace v5

namespace v8 {

GatherND::GatherND(const Output<Node>& data, const Output<Node>& indices, const size_t batch_dims)
    : GatherNDBase(data, indices, batch_dims) {
  constructor_validate_and_infer_types();
}
void GatherND::validate_and_infer_types() {
  set_output_type(0, get_input_element_type(0),
                  gather_shape(get_input_partial_shape(0), get_input_partial_shape(1), false));
}
std::shared_ptr<Node> GatherND::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<GatherND>(new_args.at(0), new_args.at(1), m_batch_dims);
}

}  // namespace v8

// ---- ScatterNDUpdate ----

namespace {

// Copies data to the output, then writes (or, with a reduction, combines) every update slice at
// the position its index tuple addresses. Every index is checked before anything is written.
bool scatter_nd(TensorVector& outputs, const TensorVector& inputs,
                v15::ScatterNDUpdate::Reduction reduction) {
  using Reduction = v15::ScatterNDUpdate::Reduction;
  if (inputs.size() != 3) return false;
  const auto& data = inputs[0];
  const auto& updates = inputs[2];
  const auto& type = data.get_element_type();
  if (!shape::byte_sized(type) || updates.get_element_type() != type ||
      !inputs[1].get_element_type().is_integral_number()) {
    return false;
  }
  if (reduction != Reduction::NONE && !eval::in_set(type, eval::kNumeric)) return false;
  const Shape& ds = data.get_shape();
  const Shape& is = inputs[1].get_shape();
  if (is.empty() || is.back() > ds.size()) return false;
  const size_t k = is.back();
  size_t slice = 1;
  for (size_t i = k; i < ds.size(); ++i) slice *= ds[i];
  size_t count = 1;
  for (size_t i = 0; i + 1 < is.size(); ++i) count *= is[i];
  if (updates.get_size() != count * slice) return false;
  const auto strides = eval::element_strides(ds);
  const auto idx = eval::read_int64(inputs[1]);
  std::vector<size_t> targets(count);
  for (size_t t = 0; t < count; ++t) {
    size_t at = 0;
    for (size_t j = 0; j < k; ++j) {
      const auto dim = static_cast<int64_t>(ds[j]);
      int64_t v = idx[t * k + j];
      if (v < 0) v += dim;
      if (v < 0 || v >= dim) return false;
      at += static_cast<size_t>(v) * strides[j];
    }
    targets[t] = at;
  }
  auto& out = frontend_ops::output_tensor(outputs, 0, type, ds);
  if (out.data() != data.data() && data.get_byte_size() > 0) {
    std::memcpy(out.data(), data.data(), data.get_byte_size());
  }
  if (reduction == Reduction::NONE) {
    const size_t es = type.size();
    auto* dst = static_cast<char*>(out.data());
    const auto* src = static_cast<const char*>(updates.data());
    for (size_t t = 0; t < count; ++t) {
      std::memcpy(dst + targets[t] * es, src + t * slice * es, slice * es);
    }
    return true;
  }
  return eval::dispatch(type, eval::kNumeric, [&](auto tag) {
    using T = typename decltype(tag)::type;
    using C = eval::compute_t<T>;
    eval::ConstView<T> u(updates);
    eval::MutView<T> y(out);
    for (size_t t = 0; t < count; ++t) {
      for (size_t e = 0; e < slice; ++e) {
        const C a = static_cast<C>(y[targets[t] + e]);
        const C b = static_cast<C>(u[t * slice + e]);
        C r = b;
        switch (reduction) {
          case Reduction::SUM:
            r = eval::wrap_add(a, b);
            break;
          case Reduction::SUB:
            r = eval::wrap_sub(a, b);
            break;
          case Reduction::PROD:
            r = eval::wrap_mul(a, b);
            break;
          case Reduction::MIN:
            r = b < a ? b : a;
            break;
          case Reduction::MAX:
            r = a < b ? b : a;
            break;
          case Reduction::NONE:
            break;
        }
        y[targets[t] + e] = static_cast<T>(r);
      }
    }
  });
}

}  // namespace

namespace util {

ScatterNDBase::ScatterNDBase(const Output<Node>& inputs, const Output<Node>& indices,
                             const Output<Node>& updates)
    : Op({inputs, indices, updates}) {}

void ScatterNDBase::validate_and_infer_types() {
  const auto& indices_type = get_input_element_type(1);
  NODE_VALIDATION_CHECK(
      this,
      indices_type.is_dynamic() || indices_type == element::i32 || indices_type == element::i64,
      "Indices element type must be i64 or i32");
  element::Type type;
  NODE_VALIDATION_CHECK(
      this, element::Type::merge(type, get_input_element_type(0), get_input_element_type(2)),
      "Updates element type must be the same as inputs");
  const auto& data = get_input_partial_shape(0);
  const auto& indices = get_input_partial_shape(1);
  const auto& updates = get_input_partial_shape(2);
  if (indices.rank().is_static()) {
    NODE_VALIDATION_CHECK(this, indices.rank().get_length() >= 1,
                          "Indices rank is expected to be at least 1");
  }
  if (data.rank().is_static() && indices.rank().is_static() && updates.rank().is_static()) {
    const Dimension& last = indices[indices.rank().get_length() - 1];
    if (last.is_static()) {
      const int64_t k = last.get_length();
      const int64_t r = data.rank().get_length();
      const int64_t q = indices.rank().get_length();
      NODE_VALIDATION_CHECK(this, k <= r,
                            "Last dimension of indices can be at most the rank of inputs");
      NODE_VALIDATION_CHECK(this, updates.rank().get_length() == q + r - k - 1,
                            "Rank of updates must be rank of inputs + rank of indices - last "
                            "dimension of indices - 1");
      for (int64_t i = 0; i + 1 < q; ++i) {
        NODE_VALIDATION_CHECK(this, updates[i].compatible(indices[i]),
                              "updates_shape[0:indices_rank-1] shape must be indices_shape[:-1]");
      }
      for (int64_t i = k; i < r; ++i) {
        NODE_VALIDATION_CHECK(this, updates[q - 1 + i - k].compatible(data[i]),
                              "updates_shape[indices_rank-1:] shape must be "
                              "input_shape[indices_shape[-1]:]");
      }
    }
  }
  set_output_type(0, type, data);
}

bool ScatterNDBase::visit_attributes(AttributeVisitor&) { return true; }

}  // namespace util

namespace v3 {

ScatterNDUpdate::ScatterNDUpdate(const Output<Node>& inputs, const Output<Node>& indices,
                                 const Output<Node>& updates)
    : ScatterNDBase(inputs, indices, updates) {
  constructor_validate_and_infer_types();
}

std::shared_ptr<Node> ScatterNDUpdate::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<ScatterNDUpdate>(new_args.at(0), new_args.at(1), new_args.at(2));
}

bool ScatterNDUpdate::has_evaluate() const {
  return shape::byte_sized(get_input_element_type(0)) && get_input_element_type(1).is_integral_number();
}

bool ScatterNDUpdate::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return scatter_nd(outputs, inputs, v15::ScatterNDUpdate::Reduction::NONE);
}

}  // namespace v3

namespace v15 {

ScatterNDUpdate::ScatterNDUpdate(const Output<Node>& inputs, const Output<Node>& indices,
                                 const Output<Node>& updates, const Reduction reduction)
    : ScatterNDBase(inputs, indices, updates), m_reduction(reduction) {
  constructor_validate_and_infer_types();
}

bool ScatterNDUpdate::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("reduction", m_reduction);
  return true;
}

std::shared_ptr<Node> ScatterNDUpdate::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<ScatterNDUpdate>(new_args.at(0), new_args.at(1), new_args.at(2),
                                           m_reduction);
}

bool ScatterNDUpdate::has_evaluate() const {
  const auto& type = get_input_element_type(0);
  return shape::byte_sized(type) && get_input_element_type(1).is_integral_number() &&
         (m_reduction == Reduction::NONE || eval::in_set(type, eval::kNumeric));
}

bool ScatterNDUpdate::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return scatter_nd(outputs, inputs, m_reduction);
}

}  // namespace v15

// ---- BatchToSpace / SpaceToBatch ----

namespace {

struct BlockArgs {
  std::vector<int64_t> block, begin, end;
};

// Checks the three 1-D inputs and, when they are constant, returns their values.
std::optional<BlockArgs> block_args(const Node* node, const char* begin_name,
                                    const char* end_name) {
  const auto& data = node->get_input_partial_shape(0);
  if (data.rank().is_static()) {
    NODE_VALIDATION_CHECK(node, data.rank().get_length() >= 2,
                          "data input must have rank greater or equal than 2. Got: ", data);
  }
  const char* names[] = {"block_shape", begin_name, end_name};
  for (size_t port = 1; port < 4; ++port) {
    check_1d_integer(node, port, names[port - 1]);
    const auto& ps = node->get_input_partial_shape(port);
    if (data.rank().is_static() && ps.rank().is_static() && ps[0].is_static()) {
      NODE_VALIDATION_CHECK(node, ps[0].get_length() == data.rank().get_length(), names[port - 1],
                            " and data input must have the same number of elements as the data "
                            "rank. Got: ",
                            ps[0].get_length(), " for rank ", data.rank().get_length());
    }
  }
  auto block = shape::constant_values(node, 1);
  auto begin = shape::constant_values(node, 2);
  auto end = shape::constant_values(node, 3);
  if (block) {
    NODE_VALIDATION_CHECK(node, !block->empty() && (*block)[0] == 1,
                          "block_shape[0] is expected to be 1.");
    NODE_VALIDATION_CHECK(
        node, std::all_of(block->begin(), block->end(), [](int64_t v) { return v > 0; }),
        "block_shape values must be greater than 0.");
  }
  for (const auto* v : {&begin, &end}) {
    if (*v) {
      NODE_VALIDATION_CHECK(
          node, std::all_of((*v)->begin(), (*v)->end(), [](int64_t x) { return x >= 0; }),
          begin_name, " and ", end_name, " must be non-negative.");
    }
  }
  if (!block || !begin || !end) return std::nullopt;
  NODE_VALIDATION_CHECK(node, block->size() == begin->size() && block->size() == end->size(),
                        "block_shape, ", begin_name, " and ", end_name,
                        " must have the same number of elements.");
  return BlockArgs{*block, *begin, *end};
}

PartialShape block_shape_out(const Node* node, const PartialShape& data, const BlockArgs& a,
                             bool to_batch) {
  if (data.rank().is_dynamic()) return PartialShape::dynamic();
  const auto r = data.rank().get_length();
  NODE_VALIDATION_CHECK(node, static_cast<int64_t>(a.block.size()) == r,
                        "block_shape must have as many elements as the data rank.");
  int64_t product = 1;
  for (auto v : a.block) {
    NODE_VALIDATION_CHECK(node, !__builtin_mul_overflow(product, v, &product),
                          "The product of block_shape values is too large.");
  }
  PartialShape out = data;
  if (to_batch) {
    out[0] = data[0] * Dimension(product);
  } else if (data[0].is_static()) {
    NODE_VALIDATION_CHECK(node, data[0].get_length() % product == 0,
                          "The input data's 'batch' axis size: ", data[0].get_length(),
                          " must be a multiple of product of block_shape values: ", product);
    out[0] = Dimension(data[0].get_length() / product);
  } else {
    out[0] = Dimension::dynamic();
  }
  for (int64_t i = 1; i < r; ++i) {
    const auto ui = static_cast<size_t>(i);
    if (data[i].is_dynamic()) {
      out[i] = Dimension::dynamic();
      continue;
    }
    const int64_t d = data[i].get_length();
    if (to_batch) {
      int64_t padded = 0;
      NODE_VALIDATION_CHECK(node,
                            !__builtin_add_overflow(d, a.begin[ui], &padded) &&
                                !__builtin_add_overflow(padded, a.end[ui], &padded),
                            "Padded dimension ", i, " is too large.");
      NODE_VALIDATION_CHECK(node, padded % a.block[ui] == 0, "The dimension on position: ", i,
                            " equal to: ", padded,
                            " must be a multiple of block_values[i]: ", a.block[ui]);
      out[i] = Dimension(padded / a.block[ui]);
    } else {
      int64_t full = 0;
      NODE_VALIDATION_CHECK(node, !__builtin_mul_overflow(d, a.block[ui], &full), "Dimension ", i,
                            " times its block is too large.");
      NODE_VALIDATION_CHECK(node, a.begin[ui] + a.end[ui] <= full, "crops_begin[", i,
                            "] + crops_end[", i, "] must be less or equal to the dimension times ",
                            "the block (", full, ").");
      out[i] = Dimension(full - a.begin[ui] - a.end[ui]);
    }
  }
  return out;
}

void infer_block_op(Node* node, const char* begin_name, const char* end_name, bool to_batch) {
  const auto& data = node->get_input_partial_shape(0);
  const auto args = block_args(node, begin_name, end_name);
  PartialShape out =
      data.rank().is_static() ? PartialShape::dynamic(data.rank()) : PartialShape::dynamic();
  if (args) out = block_shape_out(node, data, *args, to_batch);
  node->set_output_type(0, node->get_input_element_type(0), out);
}

bool evaluate_block_op(const Node* node, bool to_batch, TensorVector& outputs,
                       const TensorVector& inputs) {
  const auto& in = inputs[0];
  if (!shape::byte_sized(in.get_element_type())) return false;
  for (size_t i = 1; i < 4; ++i) {
    if (!inputs[i].get_element_type().is_integral_number()) return false;
  }
  BlockArgs a{eval::read_int64(inputs[1]), eval::read_int64(inputs[2]),
              eval::read_int64(inputs[3])};
  const Shape& s = in.get_shape();
  if (a.block.size() != s.size() || a.begin.size() != s.size() || a.end.size() != s.size() ||
      a.block.empty() || a.block[0] != 1 ||
      std::any_of(a.block.begin(), a.block.end(), [](int64_t v) { return v <= 0; }) ||
      std::any_of(a.begin.begin(), a.begin.end(), [](int64_t v) { return v < 0; }) ||
      std::any_of(a.end.begin(), a.end.end(), [](int64_t v) { return v < 0; })) {
    return false;
  }
  PartialShape out_ps;
  try {
    out_ps = block_shape_out(node, s, a, to_batch);
  } catch (const ov::Exception&) {
    return false;
  }
  const Shape out_shape = out_ps.to_shape();
  const Shape& space_shape = to_batch ? s : out_shape;
  const size_t n_small = space_shape[0];
  const auto in_strides = eval::element_strides(s);
  std::vector<size_t> index(shape_size(out_shape));
  std::vector<size_t> src(s.size());
  for_each_coord(out_shape, [&](const std::vector<size_t>& c, size_t n) {
    bool pad = false;
    if (to_batch) {
      // Output batch = (block offsets, most significant first) * N + n.
      size_t rest = c[0] / n_small;
      src[0] = c[0] % n_small;
      for (size_t d = s.size(); d-- > 1;) {
        const auto blk = static_cast<size_t>(a.block[d]);
        const size_t offset = rest % blk;
        rest /= blk;
        const int64_t p = static_cast<int64_t>(c[d] * blk + offset) - a.begin[d];
        if (p < 0 || p >= static_cast<int64_t>(s[d]))
          pad = true;
        else
          src[d] = static_cast<size_t>(p);
      }
    } else {
      size_t block_index = 0;
      for (size_t d = 1; d < s.size(); ++d) {
        const auto blk = static_cast<size_t>(a.block[d]);
        const size_t q = c[d] + static_cast<size_t>(a.begin[d]);
        src[d] = q / blk;
        block_index = block_index * blk + q % blk;
      }
      src[0] = block_index * n_small + c[0];
    }
    index[n] = pad ? eval::kFill : flat(src, in_strides);
  });
  return gather_into(in, outputs, out_shape, index);
}

}  // namespace

namespace v1 {

BatchToSpace::BatchToSpace(const Output<Node>& data, const Output<Node>& block_shape,
                           const Output<Node>& crops_begin, const Output<Node>& crops_end)
    : Op({data, block_shape, crops_begin, crops_end}) {
  constructor_validate_and_infer_types();
}
void BatchToSpace::validate_and_infer_types() {
  infer_block_op(this, "crops_begin", "crops_end", false);
}
bool BatchToSpace::visit_attributes(AttributeVisitor&) { return true; }
std::shared_ptr<Node> BatchToSpace::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<BatchToSpace>(new_args.at(0), new_args.at(1), new_args.at(2),
                                        new_args.at(3));
}
bool BatchToSpace::has_evaluate() const { return shape::byte_sized(get_input_element_type(0)); }
bool BatchToSpace::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return evaluate_block_op(this, false, outputs, inputs);
}

SpaceToBatch::SpaceToBatch(const Output<Node>& data, const Output<Node>& block_shape,
                           const Output<Node>& pads_begin, const Output<Node>& pads_end)
    : Op({data, block_shape, pads_begin, pads_end}) {
  constructor_validate_and_infer_types();
}
void SpaceToBatch::validate_and_infer_types() {
  infer_block_op(this, "pads_begin", "pads_end", true);
}
bool SpaceToBatch::visit_attributes(AttributeVisitor&) { return true; }
std::shared_ptr<Node> SpaceToBatch::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<SpaceToBatch>(new_args.at(0), new_args.at(1), new_args.at(2),
                                        new_args.at(3));
}
bool SpaceToBatch::has_evaluate() const { return shape::byte_sized(get_input_element_type(0)); }
bool SpaceToBatch::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return evaluate_block_op(this, true, outputs, inputs);
}

}  // namespace v1
}  // namespace op

std::ostream& operator<<(std::ostream& s, const op::v1::Reverse::Mode& type) {
  return s << as_string(type);
}

std::ostream& operator<<(std::ostream& s, const op::v15::ScatterNDUpdate::Reduction& reduction) {
  return s << as_string(reduction);
}

template <>
EnumNames<op::v15::ScatterNDUpdate::Reduction>&
EnumNames<op::v15::ScatterNDUpdate::Reduction>::get() {
  using R = op::v15::ScatterNDUpdate::Reduction;
  static auto enum_names = EnumNames<R>("op::v15::ScatterNDUpdate::Reduction", {{"none", R::NONE},
                                                                                {"sum", R::SUM},
                                                                                {"sub", R::SUB},
                                                                                {"prod", R::PROD},
                                                                                {"min", R::MIN},
                                                                                {"max", R::MAX}});
  return enum_names;
}

template <>
EnumNames<op::v1::Reverse::Mode>& EnumNames<op::v1::Reverse::Mode>::get() {
  static auto enum_names = EnumNames<op::v1::Reverse::Mode>(
      "op::v1::Reverse::Mode",
      {{"index", op::v1::Reverse::Mode::INDEX}, {"mask", op::v1::Reverse::Mode::MASK}});
  return enum_names;
}

}  // namespace ov
