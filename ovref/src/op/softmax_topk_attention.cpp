// Softmax, TopK and ScaledDotProductAttention.

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/scaled_dot_product_attention.hpp"
#include "openvino/op/softmax.hpp"
#include "openvino/op/topk.hpp"
#include "util/evaluate_helpers.hpp"
#include "util/shape_helpers.hpp"

namespace ov {
namespace op {

namespace {

// Softmax of every run of `dim` elements spaced `inner` apart, in double.
void softmax_rows(std::vector<double>& x, size_t outer, size_t dim, size_t inner) {
  for (size_t o = 0; o < outer; ++o) {
    for (size_t in = 0; in < inner; ++in) {
      const size_t base = o * dim * inner + in;
      double max = -std::numeric_limits<double>::infinity();
      for (size_t d = 0; d < dim; ++d) max = std::max(max, x[base + d * inner]);
      double sum = 0;
      for (size_t d = 0; d < dim; ++d) {
        double& v = x[base + d * inner];
        v = std::exp(v - max);
        sum += v;
      }
      for (size_t d = 0; d < dim; ++d) x[base + d * inner] /= sum;
    }
  }
}

bool softmax_eval(const Tensor& in, Tensor& out, int64_t axis_in) {
  const Shape& shape = in.get_shape();
  int64_t axis;
  if (!eval::normalize_axis(axis_in, static_cast<int64_t>(shape.size()), axis)) return false;
  out.set_shape(shape);
  const size_t outer = shape_size(Shape(shape.begin(), shape.begin() + axis));
  const size_t dim = shape[axis];
  const size_t inner = shape_size(Shape(shape.begin() + axis + 1, shape.end()));
  return eval::dispatch(in.get_element_type(), eval::kFloat, [&](auto tag) {
    using T = typename decltype(tag)::type;
    eval::ConstView<T> src(in);
    std::vector<double> x(in.get_size());
    for (size_t i = 0; i < x.size(); ++i)
      x[i] = static_cast<double>(static_cast<eval::compute_t<T>>(src[i]));
    softmax_rows(x, outer, dim, inner);
    eval::MutView<T> dst(out);
    for (size_t i = 0; i < x.size(); ++i) dst[i] = eval::from_double<T>(x[i]);
  });
}

void check_softmax_input(const Node* node) {
  const auto& type = node->get_input_element_type(0);
  NODE_VALIDATION_CHECK(node, type.is_dynamic() || type.is_real(),
                        "Softmax input must be a floating-point tensor, got ", type);
}

}  // namespace

namespace v1 {

Softmax::Softmax(const Output<Node>& arg, const size_t axis) : Op({arg}), m_axis(axis) {
  constructor_validate_and_infer_types();
}

bool Softmax::visit_attributes(AttributeVisitor& visitor) {
  uint64_t axis = m_axis;
  visitor.on_attribute("axis", axis);
  m_axis = static_cast<size_t>(axis);
  return true;
}

void Softmax::validate_and_infer_types() {
  check_softmax_input(this);
  const auto& in = get_input_partial_shape(0);
  if (in.rank().is_static()) {
    NODE_VALIDATION_CHECK(this, m_axis < static_cast<size_t>(in.rank().get_length()),
                          "Reduction axis (", m_axis, ") is out of bounds (argument shape: ", in,
                          ").");
  }
  set_output_type(0, get_input_element_type(0), in);
}

std::shared_ptr<Node> Softmax::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Softmax>(new_args.at(0), m_axis);
}

bool Softmax::has_evaluate() const { return eval::in_set(get_input_element_type(0), eval::kFloat); }

bool Softmax::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return softmax_eval(inputs[0], outputs[0], static_cast<int64_t>(m_axis));
}

}  // namespace v1

namespace v8 {

Softmax::Softmax(const Output<Node>& arg, const int64_t axis) : Op({arg}), m_axis(axis) {
  constructor_validate_and_infer_types();
}

bool Softmax::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("axis", m_axis);
  return true;
}

void Softmax::validate_and_infer_types() {
  check_softmax_input(this);
  const auto& in = get_input_partial_shape(0);
  if (in.rank().is_static()) {
    const int64_t r = in.rank().get_length();
    NODE_VALIDATION_CHECK(this, m_axis >= -r && m_axis < r, "Reduction axis (", m_axis,
                          ") is out of bounds (argument shape: ", in, ").");
  }
  set_output_type(0, get_input_element_type(0), in);
}

std::shared_ptr<Node> Softmax::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Softmax>(new_args.at(0), m_axis);
}

bool Softmax::has_evaluate() const { return eval::in_set(get_input_element_type(0), eval::kFloat); }

bool Softmax::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return softmax_eval(inputs[0], outputs[0], m_axis);
}

}  // namespace v8

// ---- TopK ----

namespace util {

TopKBase::TopKBase(const Output<Node>& data, const Output<Node>& k, const int64_t axis,
                   const std::string& mode, const std::string& sort,
                   const element::Type& index_element_type)
    : TopKBase(data, k, axis, as_enum<TopKMode>(mode), as_enum<TopKSortType>(sort),
               index_element_type) {}

TopKBase::TopKBase(const Output<Node>& data, const Output<Node>& k, const int64_t axis,
                   const TopKMode mode, const TopKSortType sort,
                   const element::Type& index_element_type)
    : Op({data, k}),
      m_axis(axis),
      m_mode(mode),
      m_sort(sort),
      m_index_element_type(index_element_type) {}

bool TopKBase::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("axis", m_axis);
  visitor.on_attribute("mode", m_mode);
  visitor.on_attribute("sort", m_sort);
  visitor.on_attribute("index_element_type", m_index_element_type);
  return true;
}

void TopKBase::validate_and_infer_types() {
  NODE_VALIDATION_CHECK(
      this, m_index_element_type == element::i32 || m_index_element_type == element::i64,
      "Index element type attribute should be either 'i32' or 'i64'. Got: ", m_index_element_type);
  const auto& data_type = get_input_element_type(0);
  NODE_VALIDATION_CHECK(
      this,
      data_type.is_dynamic() || (data_type != element::boolean && data_type != element::string),
      "TopK input must be numeric, got ", data_type);
  shape::check_integral_input(this, 1, "K input");
  const auto& in = get_input_partial_shape(0);
  const auto& k_shape = get_input_partial_shape(1);
  NODE_VALIDATION_CHECK(this, k_shape.rank().compatible(0), "The 'K' input must be a scalar.");
  PartialShape out = in;
  if (in.rank().is_static()) {
    NODE_VALIDATION_CHECK(this, in.rank().get_length() > 0, "Input rank must be greater than 0.");
    m_normalized_axis = static_cast<uint64_t>(shape::normalize_axis(this, m_axis, in.rank()));
    const auto k = shape::constant_values(this, 1);
    auto& dim = out[static_cast<std::ptrdiff_t>(m_normalized_axis)];
    if (k) {
      NODE_VALIDATION_CHECK(this, (*k)[0] >= 0,
                            "The value of 'K' must be greater or equal to zero. (got ", (*k)[0],
                            ").");
      dim = Dimension((*k)[0]);
    } else {
      const auto& interval = dim.get_interval();
      dim = Dimension(0, interval.has_upper_bound() ? interval.get_max_val() : -1);
    }
  }
  set_output_size(2);
  set_output_type(0, data_type, out);
  set_output_type(1, m_index_element_type, out);
}

uint64_t TopKBase::get_axis() const {
  NODE_VALIDATION_CHECK(this, get_input_partial_shape(0).rank().is_static(),
                        "Normalized axis of TopK is unknown");
  return m_normalized_axis;
}

void TopKBase::set_axis(const int64_t axis) { set_axis(get_input_partial_shape(0).rank(), axis); }

void TopKBase::set_axis(const Rank& input_rank, const int64_t axis) {
  m_axis = axis;
  if (input_rank.is_static()) {
    m_normalized_axis = static_cast<uint64_t>(shape::normalize_axis(this, axis, input_rank));
  }
}

size_t TopKBase::get_k() const {
  const auto k = shape::constant_values(this, 1);
  if (!k || k->empty() || (*k)[0] < 0) return 0;
  return static_cast<size_t>((*k)[0]);
}

void TopKBase::set_k(size_t k) {
  set_argument(1, v0::Constant::create(element::i64, Shape{},
                                       std::vector<int64_t>{static_cast<int64_t>(k)}));
}

bool TopKBase::has_evaluate() const {
  return eval::in_set(get_input_element_type(0), eval::kNumeric);
}

bool TopKBase::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const Shape& shape = inputs[0].get_shape();
  int64_t axis;
  if (!eval::normalize_axis(m_axis, static_cast<int64_t>(shape.size()), axis)) return false;
  const auto k_values = eval::read_int64(inputs[1]);
  if (k_values.size() != 1 || k_values[0] < 0) return false;
  const size_t dim = shape[axis];
  const size_t k = std::min(static_cast<size_t>(k_values[0]), dim);
  Shape out_shape = shape;
  out_shape[axis] = k;
  if (outputs.size() < 2) outputs.resize(2);
  if (!outputs[1]) outputs[1] = Tensor(m_index_element_type, out_shape);
  if (outputs[1].get_element_type() != m_index_element_type) return false;
  outputs[0].set_shape(out_shape);
  outputs[1].set_shape(out_shape);
  const size_t outer = shape_size(Shape(shape.begin(), shape.begin() + axis));
  const size_t inner = shape_size(Shape(shape.begin() + axis + 1, shape.end()));
  const bool max_mode = m_mode == TopKMode::MAX;
  const bool by_index = m_sort == TopKSortType::SORT_INDICES;
  const bool index64 = m_index_element_type == element::i64;
  return eval::dispatch(inputs[0].get_element_type(), eval::kNumeric, [&](auto tag) {
    using T = typename decltype(tag)::type;
    using C = eval::compute_t<T>;
    eval::ConstView<T> src(inputs[0]);
    eval::MutView<T> values(outputs[0]);
    std::vector<size_t> order(dim);
    std::vector<C> row(dim);
    // NaN sorts as the largest value so the order stays strict and weak.
    auto before = [&](size_t a, size_t b) {
      const C x = row[a], y = row[b];
      if constexpr (eval::is_floating_v<T>) {
        const bool xn = std::isnan(static_cast<double>(x)), yn = std::isnan(static_cast<double>(y));
        if (xn || yn) {
          if (xn && yn) return a < b;
          return max_mode ? xn : yn;
        }
      }
      if (x != y) return max_mode ? x > y : x < y;
      return a < b;
    };
    for (size_t o = 0; o < outer; ++o) {
      for (size_t in = 0; in < inner; ++in) {
        for (size_t d = 0; d < dim; ++d) row[d] = static_cast<C>(src[(o * dim + d) * inner + in]);
        std::iota(order.begin(), order.end(), size_t{0});
        std::stable_sort(order.begin(), order.end(), before);
        if (by_index) std::sort(order.begin(), order.begin() + k);
        for (size_t j = 0; j < k; ++j) {
          const size_t pos = (o * k + j) * inner + in;
          values[pos] = static_cast<T>(row[order[j]]);
          if (index64) {
            static_cast<int64_t*>(outputs[1].data())[pos] = static_cast<int64_t>(order[j]);
          } else {
            static_cast<int32_t*>(outputs[1].data())[pos] = static_cast<int32_t>(order[j]);
          }
        }
      }
    }
  });
}

}  // namespace util

namespace v3 {

TopK::TopK(const Output<Node>& data, const Output<Node>& k, const int64_t axis,
           const std::string& mode, const std::string& sort,
           const element::Type& index_element_type)
    : TopKBase(data, k, axis, mode, sort, index_element_type) {
  constructor_validate_and_infer_types();
}

TopK::TopK(const Output<Node>& data, const Output<Node>& k, const int64_t axis, const TopKMode mode,
           const TopKSortType sort, const element::Type& index_element_type)
    : TopKBase(data, k, axis, mode, sort, index_element_type) {
  constructor_validate_and_infer_types();
}

std::shared_ptr<Node> TopK::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<TopK>(new_args.at(0), new_args.at(1), m_axis, m_mode, m_sort,
                                m_index_element_type);
}

}  // namespace v3

namespace v11 {

TopK::TopK(const Output<Node>& data, const Output<Node>& k, const int64_t axis,
           const std::string& mode, const std::string& sort,
           const element::Type& index_element_type, const bool stable)
    : TopKBase(data, k, axis, mode, sort, index_element_type) {
  m_stable = stable;
  constructor_validate_and_infer_types();
}

TopK::TopK(const Output<Node>& data, const Output<Node>& k, const int64_t axis, const TopKMode mode,
           const TopKSortType sort, const element::Type& index_element_type, const bool stable)
    : TopKBase(data, k, axis, mode, sort, index_element_type) {
  m_stable = stable;
  constructor_validate_and_infer_types();
}

bool TopK::visit_attributes(AttributeVisitor& visitor) {
  TopKBase::visit_attributes(visitor);
  visitor.on_attribute("stable", m_stable);
  return true;
}

std::shared_ptr<Node> TopK::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<TopK>(new_args.at(0), new_args.at(1), m_axis, m_mode, m_sort,
                                m_index_element_type, m_stable);
}

}  // namespace v11

// ---- ScaledDotProductAttention ----

namespace v13 {

ScaledDotProductAttention::ScaledDotProductAttention(const OutputVector& inputs, bool causal)
    : Op(inputs), m_causal(causal) {
  constructor_validate_and_infer_types();
}

ScaledDotProductAttention::ScaledDotProductAttention(const Output<Node>& query,
                                                     const Output<Node>& key,
                                                     const Output<Node>& value,
                                                     const Output<Node>& attn_mask,
                                                     const Output<Node>& scale, bool causal)
    : ScaledDotProductAttention(OutputVector{query, key, value, attn_mask, scale}, causal) {}

ScaledDotProductAttention::ScaledDotProductAttention(const Output<Node>& query,
                                                     const Output<Node>& key,
                                                     const Output<Node>& value,
                                                     const Output<Node>& attn_mask, bool causal)
    : ScaledDotProductAttention(OutputVector{query, key, value, attn_mask}, causal) {}

ScaledDotProductAttention::ScaledDotProductAttention(const Output<Node>& query,
                                                     const Output<Node>& key,
                                                     const Output<Node>& value, bool causal)
    : ScaledDotProductAttention(OutputVector{query, key, value}, causal) {}

bool ScaledDotProductAttention::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("causal", m_causal);
  return true;
}

namespace {

// Batch dims (all but the last two) of the given shapes merged with numpy broadcasting.
bool merge_batch(PartialShape& batch, const PartialShape& shape) {
  if (shape.rank().is_dynamic()) return true;
  PartialShape part(std::vector<Dimension>(shape.begin(), shape.end() - 2));
  return PartialShape::broadcast_merge_into(batch, part, AutoBroadcastType::NUMPY);
}

}  // namespace

void ScaledDotProductAttention::validate_and_infer_types() {
  const size_t n = get_input_size();
  NODE_VALIDATION_CHECK(this, n >= 3 && n <= 5, "Expected 3, 4 or 5 inputs, got ", n);
  element::Type type = get_input_element_type(0);
  for (size_t i = 1; i < n; ++i) {
    if (i == 3) {
      if (m_causal) continue;
      const auto& mask_type = get_input_element_type(3);
      NODE_VALIDATION_CHECK(
          this, mask_type.is_dynamic() || mask_type.is_real() || mask_type == element::boolean,
          "The element type of attention_mask must be either floating-point or "
          "boolean.");
      if (mask_type == element::boolean) continue;
    }
    NODE_VALIDATION_CHECK(this, element::Type::merge(type, type, get_input_element_type(i)),
                          "Mixed input types are not supported.");
  }
  NODE_VALIDATION_CHECK(this, type.is_dynamic() || type.is_real(),
                        "The element type of the input tensor must be a floating-point.");
  const auto& q = get_input_partial_shape(0);
  const auto& k = get_input_partial_shape(1);
  const auto& v = get_input_partial_shape(2);
  if (q.rank().is_dynamic()) {
    set_output_type(0, type, PartialShape::dynamic());
    return;
  }
  NODE_VALIDATION_CHECK(this, q.rank().get_length() >= 3,
                        "Query input shape not compatible with other inputs.");
  PartialShape batch(std::vector<Dimension>(q.begin(), q.end() - 2));
  Dimension l = q[-2];
  Dimension e = q[-1];
  Dimension s = Dimension::dynamic();
  Dimension ev = Dimension::dynamic();
  if (k.rank().is_static()) {
    NODE_VALIDATION_CHECK(this,
                          k.rank().get_length() >= 3 && merge_batch(batch, k) &&
                              Dimension::broadcast_merge(e, e, k[-1]),
                          "Key input shape not compatible with other inputs.");
    s = k[-2];
  }
  if (v.rank().is_static()) {
    NODE_VALIDATION_CHECK(this,
                          v.rank().get_length() >= 3 && merge_batch(batch, v) &&
                              Dimension::broadcast_merge(s, s, v[-2]),
                          "Value input shape not compatible with other inputs.");
    ev = v[-1];
  }
  if (n > 3 && !m_causal) {
    const auto& m = get_input_partial_shape(3);
    if (m.rank().is_static() && m.rank().get_length() > 0) {
      const int64_t mr = m.rank().get_length();
      Dimension ml = l, ms = s;
      NODE_VALIDATION_CHECK(this,
                            mr >= 2 && Dimension::broadcast_merge(ml, l, m[-2]) &&
                                Dimension::broadcast_merge(ms, s, m[-1]) &&
                                (mr < 3 || merge_batch(batch, m)),
                            "Attention mask input shape not compatible with other inputs.");
    }
  }
  if (n > 4) {
    const auto& sc = get_input_partial_shape(4);
    NODE_VALIDATION_CHECK(this, !sc.is_static() || shape_size(sc.to_shape()) == 1,
                          "Scale input must be scalar or have 1 element.");
  }
  PartialShape out = batch;
  if (out.rank().is_static()) {
    out.push_back(l);
    out.push_back(ev);
  }
  set_output_type(0, type, out);
}

std::shared_ptr<Node> ScaledDotProductAttention::clone_with_new_inputs(
    const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<ScaledDotProductAttention>(new_args, m_causal);
}

bool ScaledDotProductAttention::has_evaluate() const {
  return eval::in_set(get_input_element_type(0), eval::kFloat);
}

namespace {

std::vector<double> as_doubles(const Tensor& t) {
  std::vector<double> out(t.get_size());
  eval::dispatch(t.get_element_type(), eval::kAll, [&](auto tag) {
    using T = typename decltype(tag)::type;
    eval::ConstView<T> v(t);
    for (size_t i = 0; i < out.size(); ++i) {
      out[i] = static_cast<double>(static_cast<eval::compute_t<T>>(v[i]));
    }
  });
  return out;
}

Shape batch_of(const Shape& s) { return Shape(s.begin(), s.end() - 2); }

}  // namespace

bool ScaledDotProductAttention::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const auto& type = inputs[0].get_element_type();
  if (!eval::in_set(type, eval::kFloat)) return false;
  const Shape& qs = inputs[0].get_shape();
  const Shape& ks = inputs[1].get_shape();
  const Shape& vs = inputs[2].get_shape();
  if (qs.size() < 3 || ks.size() < 3 || vs.size() < 3) return false;
  const size_t L = qs[qs.size() - 2], E = qs.back(), S = ks[ks.size() - 2], Ev = vs.back();
  if (ks.back() != E || vs[vs.size() - 2] != S) return false;
  Shape batch = batch_of(qs);
  if (!eval::broadcast_shapes(batch, batch_of(ks), AutoBroadcastType::NUMPY, batch) ||
      !eval::broadcast_shapes(batch, batch_of(vs), AutoBroadcastType::NUMPY, batch)) {
    return false;
  }
  const bool has_mask = inputs.size() > 3 && !m_causal && inputs[3].get_shape().size() > 0;
  const bool scalar_mask = inputs.size() > 3 && !m_causal && inputs[3].get_shape().empty();
  Shape full = batch;
  full.push_back(L);
  full.push_back(S);
  std::vector<size_t> mask_offsets;
  std::vector<double> mask;
  bool bool_mask = false;
  if (has_mask || scalar_mask) {
    bool_mask = inputs[3].get_element_type() == element::boolean;
    mask = as_doubles(inputs[3]);
    if (has_mask) {
      Shape check;
      if (!eval::broadcast_shapes(full, inputs[3].get_shape(), AutoBroadcastType::NUMPY, check) ||
          check != full) {
        return false;
      }
      mask_offsets = eval::broadcast_offsets(full, inputs[3].get_shape());
    }
  }
  double scale = 1.0 / std::sqrt(static_cast<double>(E));
  if (inputs.size() > 4) {
    const auto sc = as_doubles(inputs[4]);
    if (sc.size() != 1) return false;
    scale = sc[0];
  }
  const auto q = as_doubles(inputs[0]);
  const auto k = as_doubles(inputs[1]);
  const auto v = as_doubles(inputs[2]);
  const auto qb = eval::broadcast_offsets(batch, batch_of(qs));
  const auto kb = eval::broadcast_offsets(batch, batch_of(ks));
  const auto vb = eval::broadcast_offsets(batch, batch_of(vs));
  Shape out_shape = batch;
  out_shape.push_back(L);
  out_shape.push_back(Ev);
  outputs[0].set_shape(out_shape);
  std::vector<double> result(shape_size(out_shape));
  std::vector<double> w(S);
  const double neg_inf = -std::numeric_limits<double>::infinity();
  for (size_t b = 0; b < qb.size(); ++b) {
    const double* qm = q.data() + qb[b] * L * E;
    const double* km = k.data() + kb[b] * S * E;
    const double* vm = v.data() + vb[b] * S * Ev;
    for (size_t i = 0; i < L; ++i) {
      for (size_t j = 0; j < S; ++j) {
        double dot = 0;
        for (size_t e = 0; e < E; ++e) dot += qm[i * E + e] * km[j * E + e];
        double bias = 0;
        if (m_causal) {
          bias = j > i ? neg_inf : 0.0;
        } else if (has_mask || scalar_mask) {
          const double mv = has_mask ? mask[mask_offsets[(b * L + i) * S + j]] : mask[0];
          bias = bool_mask ? (mv != 0 ? 0.0 : neg_inf) : mv;
        }
        w[j] = dot * scale + bias;
      }
      softmax_rows(w, 1, S, 1);
      for (size_t c = 0; c < Ev; ++c) {
        double acc = 0;
        for (size_t j = 0; j < S; ++j) acc += w[j] * vm[j * Ev + c];
        result[(b * L + i) * Ev + c] = acc;
      }
    }
  }
  return eval::dispatch(type, eval::kFloat, [&](auto tag) {
    using T = typename decltype(tag)::type;
    eval::MutView<T> out(outputs[0]);
    for (size_t i = 0; i < result.size(); ++i) out[i] = eval::from_double<T>(result[i]);
  });
}

}  // namespace v13

}  // namespace op
}  // namespace ov
