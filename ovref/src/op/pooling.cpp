// AvgPool and MaxPool: shape inference shared by every version, reference kernels.

#include <algorithm>
#include <cmath>
#include <limits>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/op/avg_pool.hpp"
#include "openvino/op/max_pool.hpp"
#include "util/dnnl_kernels.hpp"
#include "util/evaluate_helpers.hpp"
#include "util/frontend_ops_helpers.hpp"
#include "util/shape_helpers.hpp"

namespace ov {
namespace op {

namespace {

struct PoolAttrs {
  Shape kernel;
  Strides strides;
  Strides dilations;
  Shape pads_begin;
  Shape pads_end;
  PadType auto_pad = PadType::EXPLICIT;
  RoundingType rounding = RoundingType::FLOOR;
};

// Output shape of pooling `data`; fills empty strides, dilations and pads and, for SAME_*,
// recomputes the pads.
PartialShape infer_pool(const Node* node, const PartialShape& data, PoolAttrs& a) {
  if (data.rank().is_static()) {
    const auto r = data.rank().get_length();
    NODE_VALIDATION_CHECK(node, r >= 3 && r <= 5,
                          "Expected a 3D, 4D or 5D tensor for the input. Got: ", data);
  }
  const size_t f =
      data.rank().is_static() ? static_cast<size_t>(data.rank().get_length() - 2) : a.kernel.size();
  if (f == 0) return PartialShape::dynamic();
  if (a.strides.empty()) a.strides = Strides(f, 1);
  if (a.dilations.empty()) a.dilations = Strides(f, 1);
  if (a.pads_begin.empty()) a.pads_begin = Shape(f, 0);
  if (a.pads_end.empty()) a.pads_end = Shape(f, 0);
  NODE_VALIDATION_CHECK(
      node, a.kernel.size() == f,
      "Expected kernel size to be equal to input size - 2. Got: ", a.kernel.size());
  NODE_VALIDATION_CHECK(
      node, a.strides.size() == f,
      "Expected strides size to be equal to input size - 2. Got: ", a.strides.size());
  NODE_VALIDATION_CHECK(
      node, a.dilations.size() == f,
      "Expected dilations size to be equal to input size - 2. Got: ", a.dilations.size());
  NODE_VALIDATION_CHECK(
      node, a.pads_begin.size() == f,
      "Expected pads_begin size to be equal to input size - 2. Got: ", a.pads_begin.size());
  NODE_VALIDATION_CHECK(
      node, a.pads_end.size() == f,
      "Expected pads_end size to be equal to input size - 2. Got: ", a.pads_end.size());
  auto has_zero = [](const std::vector<size_t>& v) {
    return std::any_of(v.begin(), v.end(), [](size_t x) { return x == 0; });
  };
  NODE_VALIDATION_CHECK(node, !has_zero(a.strides), "Strides has zero dimension(s). ", a.strides);
  NODE_VALIDATION_CHECK(node, !has_zero(a.dilations), "Kernel dilations has zero dimension(s). ",
                        a.dilations);
  NODE_VALIDATION_CHECK(node, !has_zero(a.kernel), "Kernel has zero dimension(s). ", a.kernel);

  PartialShape out = PartialShape::dynamic(static_cast<int64_t>(f + 2));
  if (data.rank().is_static()) {
    for (size_t i = 0; i < 2; ++i) {
      NODE_VALIDATION_CHECK(node, data[i] != Dimension(0), i == 0 ? "Batch" : "Channel",
                            " dimension must not be 0 (input: ", data, ").");
      out[i] = data[i];
    }
  }
  const bool ceil_mode = a.rounding != RoundingType::FLOOR;
  for (size_t i = 0; i < f; ++i) {
    const Dimension d_in = data.rank().is_static() ? data[2 + i] : Dimension::dynamic();
    const auto s = static_cast<int64_t>(a.strides[i]);
    const auto dk = static_cast<int64_t>((a.kernel[i] - 1) * a.dilations[i] + 1);
    if (a.auto_pad == PadType::VALID) a.pads_begin[i] = a.pads_end[i] = 0;
    if (a.auto_pad == PadType::SAME_UPPER || a.auto_pad == PadType::SAME_LOWER) {
      if (d_in.is_dynamic()) {
        out[2 + i] = Dimension::dynamic();
        continue;
      }
      const int64_t o = (d_in.get_length() + s - 1) / s;
      const auto total =
          static_cast<size_t>(std::max<int64_t>(0, (o - 1) * s + dk - d_in.get_length()));
      if (a.auto_pad == PadType::SAME_UPPER) {
        a.pads_begin[i] = total / 2;
        a.pads_end[i] = total - total / 2;
      } else {
        a.pads_end[i] = total / 2;
        a.pads_begin[i] = total - total / 2;
      }
    }
    const auto pads = static_cast<int64_t>(a.pads_begin[i] + a.pads_end[i]);
    if (d_in.is_static()) {
      NODE_VALIDATION_CHECK(
          node, dk <= d_in.get_length() + pads, "Kernel after dilation has size (dim: ", dk,
          ") larger than the data shape after padding (dim: ", d_in.get_length() + pads,
          ") at axis ", i, ".");
    }
    Dimension o = frontend_ops::window_output_dim(d_in, pads, dk, s, ceil_mode);
    if (a.rounding == RoundingType::CEIL_TORCH && o.is_static() && d_in.is_static() &&
        (o.get_length() - 1) * s >= d_in.get_length() + static_cast<int64_t>(a.pads_begin[i])) {
      o = Dimension(o.get_length() - 1);
    }
    out[2 + i] = o;
  }
  return out;
}

Shape tail(const Shape& shape, size_t from) { return Shape(shape.begin() + from, shape.end()); }

std::vector<int64_t> as_signed(const Shape& s) { return std::vector<int64_t>(s.begin(), s.end()); }

// Average of every window; see the divisor rules in the comments below.
template <typename T>
void avg_pool(const T* x, T* y, size_t planes, const frontend_ops::Window3& w, bool exclude_pad) {
  const bool any_pad =
      std::any_of(w.pad_begin.begin(), w.pad_begin.end(), [](int64_t p) { return p != 0; }) ||
      std::any_of(w.pad_end.begin(), w.pad_end.end(), [](int64_t p) { return p != 0; });
  for (size_t p = 0; p < planes; ++p) {
    const T* xp = x + p * w.in_size();
    T* yp = y + p * w.out_size();
    for (size_t o0 = 0; o0 < w.out[0]; ++o0) {
      for (size_t o1 = 0; o1 < w.out[1]; ++o1) {
        for (size_t o2 = 0; o2 < w.out[2]; ++o2) {
          const size_t o[3] = {o0, o1, o2};
          int64_t lo[3], hi[3], real_lo[3], real_hi[3];
          size_t window = 1, real = 1;
          for (int i = 0; i < 3; ++i) {
            // Window in input coordinates, clipped to the padded extent.
            lo[i] = static_cast<int64_t>(o[i] * w.stride[i]) - w.pad_begin[i];
            hi[i] = std::min<int64_t>(lo[i] + static_cast<int64_t>(w.kernel[i]),
                                      static_cast<int64_t>(w.in[i]) + w.pad_end[i]);
            real_lo[i] = std::max<int64_t>(lo[i], 0);
            real_hi[i] = std::min<int64_t>(hi[i], static_cast<int64_t>(w.in[i]));
            window *= static_cast<size_t>(std::max<int64_t>(hi[i] - lo[i], 0));
            real *= static_cast<size_t>(std::max<int64_t>(real_hi[i] - real_lo[i], 0));
          }
          T& result = yp[(o0 * w.out[1] + o1) * w.out[2] + o2];
          if (real == 0) {
            result = T(0);
            continue;
          }
          using Acc = std::conditional_t<std::is_integral_v<T>, int64_t, double>;
          Acc sum = 0;
          for (int64_t i0 = real_lo[0]; i0 < real_hi[0]; ++i0)
            for (int64_t i1 = real_lo[1]; i1 < real_hi[1]; ++i1)
              for (int64_t i2 = real_lo[2]; i2 < real_hi[2]; ++i2)
                sum = eval::wrap_add<Acc>(
                    sum,
                    static_cast<Acc>(
                        xp[(static_cast<size_t>(i0) * w.in[1] + static_cast<size_t>(i1)) * w.in[2] +
                           static_cast<size_t>(i2)]));
          // exclude_pad: real elements only; otherwise the whole kernel once there is padding,
          // and the clipped window when there is none.
          const size_t divisor = exclude_pad ? real : (any_pad ? w.kernel_size() : window);
          if constexpr (std::is_same_v<T, int8_t> || std::is_same_v<T, uint8_t>) {
            result = eval::from_double<T>(
                std::round(static_cast<double>(sum) / static_cast<double>(divisor)));
          } else if constexpr (std::is_integral_v<T>) {
            result = static_cast<T>(sum / static_cast<int64_t>(divisor));
          } else {
            result =
                static_cast<T>(static_cast<eval::compute_t<T>>(sum / static_cast<double>(divisor)));
          }
        }
      }
    }
  }
}

// Max of every window (padding never wins) and the flat position of the maximum in the input,
// reduced modulo `index_modulo` (the element count from the index axis on).
template <typename T>
void max_pool(const T* x, T* y, int64_t* idx, size_t planes, const frontend_ops::Window3& w,
              size_t index_modulo) {
  using C = eval::compute_t<T>;
  for (size_t p = 0; p < planes; ++p) {
    const T* xp = x + p * w.in_size();
    for (size_t o0 = 0; o0 < w.out[0]; ++o0) {
      for (size_t o1 = 0; o1 < w.out[1]; ++o1) {
        for (size_t o2 = 0; o2 < w.out[2]; ++o2) {
          const size_t o[3] = {o0, o1, o2};
          bool found = false;
          C best = std::numeric_limits<C>::has_infinity ? -std::numeric_limits<C>::infinity()
                                                        : std::numeric_limits<C>::lowest();
          size_t best_at = 0;
          for (size_t k0 = 0; k0 < w.kernel[0]; ++k0) {
            const int64_t i0 =
                static_cast<int64_t>(o[0] * w.stride[0] + k0 * w.dilation[0]) - w.pad_begin[0];
            if (i0 < 0 || i0 >= static_cast<int64_t>(w.in[0])) continue;
            for (size_t k1 = 0; k1 < w.kernel[1]; ++k1) {
              const int64_t i1 =
                  static_cast<int64_t>(o[1] * w.stride[1] + k1 * w.dilation[1]) - w.pad_begin[1];
              if (i1 < 0 || i1 >= static_cast<int64_t>(w.in[1])) continue;
              for (size_t k2 = 0; k2 < w.kernel[2]; ++k2) {
                const int64_t i2 =
                    static_cast<int64_t>(o[2] * w.stride[2] + k2 * w.dilation[2]) - w.pad_begin[2];
                if (i2 < 0 || i2 >= static_cast<int64_t>(w.in[2])) continue;
                const size_t at =
                    (static_cast<size_t>(i0) * w.in[1] + static_cast<size_t>(i1)) * w.in[2] +
                    static_cast<size_t>(i2);
                const C v = static_cast<C>(xp[at]);
                if (!found || v > best) {
                  best = v;
                  best_at = at;
                  found = true;
                }
              }
            }
          }
          const size_t out_at = p * w.out_size() + (o0 * w.out[1] + o1) * w.out[2] + o2;
          y[out_at] = static_cast<T>(best);
          if (idx) idx[out_at] = static_cast<int64_t>((p * w.in_size() + best_at) % index_modulo);
        }
      }
    }
  }
}

// The pooling window of `xs` for the fast kernels.
dnnl_kernels::WindowGeometry pool_geometry(const Shape& xs, const Shape& os, const PoolAttrs& a) {
  dnnl_kernels::WindowGeometry g;
  g.batch = xs[0];
  g.channels_in = xs[1];
  g.in = tail(xs, 2);
  g.out = tail(os, 2);
  g.kernel = a.kernel;
  g.strides = a.strides;
  g.dilations = a.dilations.empty() ? Strides(a.kernel.size(), 1) : a.dilations;
  g.pads_begin = as_signed(a.pads_begin);
  g.pads_end = as_signed(a.pads_end);
  return g;
}

// The max-pool kernels keep the first element of a window that compares greater; oneDNN starts
// from the lowest finite value and resolves NaN by position. They agree when every input is a
// number above minus infinity.
bool all_above_minus_infinity(const float* x, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (!(x[i] >= std::numeric_limits<float>::lowest())) return false;
  }
  return true;
}

// Fills the max-pool indices for the values `y` already computed: the first position of each
// window, in the reference's scan order, holding the window's maximum. False if a window has no
// such position.
bool max_pool_indices(const float* x, const float* y, int64_t* idx, size_t planes,
                      const frontend_ops::Window3& w, size_t index_modulo) {
  for (size_t p = 0; p < planes; ++p) {
    const float* xp = x + p * w.in_size();
    for (size_t o0 = 0; o0 < w.out[0]; ++o0) {
      for (size_t o1 = 0; o1 < w.out[1]; ++o1) {
        for (size_t o2 = 0; o2 < w.out[2]; ++o2) {
          const size_t o[3] = {o0, o1, o2};
          const size_t out_at = p * w.out_size() + (o0 * w.out[1] + o1) * w.out[2] + o2;
          const float best = y[out_at];
          bool found = false;
          for (size_t k0 = 0; k0 < w.kernel[0] && !found; ++k0) {
            const int64_t i0 =
                static_cast<int64_t>(o[0] * w.stride[0] + k0 * w.dilation[0]) - w.pad_begin[0];
            if (i0 < 0 || i0 >= static_cast<int64_t>(w.in[0])) continue;
            for (size_t k1 = 0; k1 < w.kernel[1] && !found; ++k1) {
              const int64_t i1 =
                  static_cast<int64_t>(o[1] * w.stride[1] + k1 * w.dilation[1]) - w.pad_begin[1];
              if (i1 < 0 || i1 >= static_cast<int64_t>(w.in[1])) continue;
              for (size_t k2 = 0; k2 < w.kernel[2] && !found; ++k2) {
                const int64_t i2 =
                    static_cast<int64_t>(o[2] * w.stride[2] + k2 * w.dilation[2]) - w.pad_begin[2];
                if (i2 < 0 || i2 >= static_cast<int64_t>(w.in[2])) continue;
                const size_t at =
                    (static_cast<size_t>(i0) * w.in[1] + static_cast<size_t>(i1)) * w.in[2] +
                    static_cast<size_t>(i2);
                if (xp[at] == best) {
                  idx[out_at] = static_cast<int64_t>((p * w.in_size() + at) % index_modulo);
                  found = true;
                }
              }
            }
          }
          if (!found) return false;
        }
      }
    }
  }
  return true;
}

bool evaluate_max_pool(const Node* node, PoolAttrs a, int64_t axis, bool with_indices,
                       TensorVector& outputs, const TensorVector& inputs) {
  const Shape& xs = inputs[0].get_shape();
  PartialShape out;
  try {
    out = infer_pool(node, xs, a);
  } catch (const ov::Exception&) {
    return false;
  }
  if (!out.is_static()) return false;
  const Shape os = out.to_shape();
  const auto w =
      frontend_ops::make_window(tail(xs, 2), tail(os, 2), a.kernel, a.strides, a.dilations,
                                as_signed(a.pads_begin), as_signed(a.pads_end));
  int64_t norm_axis = 0;
  if (!eval::normalize_axis(axis, static_cast<int64_t>(xs.size()), norm_axis)) return false;
  size_t modulo = 1;
  for (size_t i = static_cast<size_t>(norm_axis); i < xs.size(); ++i) modulo *= xs[i];
  const auto& type = inputs[0].get_element_type();
  auto& values = frontend_ops::output_tensor(outputs, 0, type, os);
  std::vector<int64_t> indices(with_indices ? shape_size(os) : 0);
  const bool ok = eval::dispatch(type, eval::kNumeric, [&](auto tag) {
    using T = typename decltype(tag)::type;
    eval::ConstView<T> x(inputs[0]);
    eval::MutView<T> y(values);
    if constexpr (std::is_same_v<T, float>) {
      if (all_above_minus_infinity(x.get(), shape_size(xs)) &&
          dnnl_kernels::pooling(dnnl_kernels::PoolKind::kMax, pool_geometry(xs, os, a), x.get(),
                                y.get()) &&
          (!with_indices || max_pool_indices(x.get(), y.get(), indices.data(), xs[0] * xs[1], w,
                                             std::max<size_t>(modulo, 1)))) {
        return;
      }
    }
    max_pool<T>(x.get(), y.get(), with_indices ? indices.data() : nullptr, xs[0] * xs[1], w,
                std::max<size_t>(modulo, 1));
  });
  if (!ok || !with_indices) return ok;
  const auto index_type = node->get_output_element_type(1);
  if (index_type != element::i32 && index_type != element::i64) return false;
  auto& index_out = frontend_ops::output_tensor(outputs, 1, index_type, os);
  if (index_type == element::i64) {
    eval::MutView<int64_t> dst(index_out);
    std::copy(indices.begin(), indices.end(), dst.get());
  } else {
    eval::MutView<int32_t> dst(index_out);
    for (size_t i = 0; i < indices.size(); ++i) dst[i] = static_cast<int32_t>(indices[i]);
  }
  return true;
}

void check_pool_type(const Node* node) {
  const auto& type = node->get_input_element_type(0);
  NODE_VALIDATION_CHECK(node,
                        type.is_dynamic() || (type != element::boolean && type != element::string),
                        "Input element type must be numeric. Got: ", type);
}

}  // namespace

// ---- AvgPool ----

namespace util {

AvgPoolBase::AvgPoolBase(const Output<Node>& arg, const Strides& strides, const Shape& pads_begin,
                         const Shape& pads_end, const Shape& kernel, bool exclude_pad,
                         RoundingType rounding_type, const PadType& auto_pad)
    : Op({arg}),
      m_kernel(kernel),
      m_strides(strides),
      m_pads_begin(pads_begin),
      m_pads_end(pads_end),
      m_exclude_pad(exclude_pad),
      m_auto_pad(auto_pad),
      m_rounding_type(rounding_type) {}

void AvgPoolBase::validate_and_infer_types() {
  check_pool_type(this);
  PoolAttrs a{m_kernel, m_strides, {}, m_pads_begin, m_pads_end, m_auto_pad, m_rounding_type};
  const auto out = infer_pool(this, get_input_partial_shape(0), a);
  m_strides = a.strides;
  m_pads_begin = a.pads_begin;
  m_pads_end = a.pads_end;
  set_output_type(0, get_input_element_type(0), out);
}

bool AvgPoolBase::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("strides", m_strides);
  visitor.on_attribute("pads_begin", m_pads_begin);
  visitor.on_attribute("pads_end", m_pads_end);
  visitor.on_attribute("kernel", m_kernel);
  visitor.on_attribute("exclude-pad", m_exclude_pad);
  visitor.on_attribute("auto_pad", m_auto_pad);
  visitor.on_attribute("rounding_type", m_rounding_type);
  return true;
}

bool AvgPoolBase::has_evaluate() const {
  return eval::in_set(get_input_element_type(0), eval::kNumeric);
}

bool AvgPoolBase::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const Shape& xs = inputs[0].get_shape();
  PoolAttrs a{m_kernel, m_strides, {}, m_pads_begin, m_pads_end, m_auto_pad, m_rounding_type};
  PartialShape out;
  try {
    out = infer_pool(this, xs, a);
  } catch (const ov::Exception&) {
    return false;
  }
  if (!out.is_static()) return false;
  const Shape os = out.to_shape();
  const auto w = frontend_ops::make_window(tail(xs, 2), tail(os, 2), a.kernel, a.strides, {},
                                           as_signed(a.pads_begin), as_signed(a.pads_end));
  auto& result = frontend_ops::output_tensor(outputs, 0, inputs[0].get_element_type(), os);
  return eval::dispatch(inputs[0].get_element_type(), eval::kNumeric, [&](auto tag) {
    using T = typename decltype(tag)::type;
    eval::ConstView<T> x(inputs[0]);
    eval::MutView<T> y(result);
    if constexpr (std::is_same_v<T, float>) {
      // Without any padding the reference divides by the window clipped to the input, which is
      // what excluding the padding does.
      const bool any_pad =
          std::any_of(a.pads_begin.begin(), a.pads_begin.end(), [](size_t p) { return p != 0; }) ||
          std::any_of(a.pads_end.begin(), a.pads_end.end(), [](size_t p) { return p != 0; });
      const auto kind = m_exclude_pad || !any_pad ? dnnl_kernels::PoolKind::kAvgExcludePad
                                                  : dnnl_kernels::PoolKind::kAvgIncludePad;
      if (dnnl_kernels::pooling(kind, pool_geometry(xs, os, a), x.get(), y.get())) return;
    }
    avg_pool<T>(x.get(), y.get(), xs[0] * xs[1], w, m_exclude_pad);
  });
}

// ---- MaxPool ----

MaxPoolBase::MaxPoolBase(const Output<Node>& arg, const Strides& strides, const Shape& pads_begin,
                         const Shape& pads_end, const Shape& kernel,
                         const op::RoundingType rounding_type, const PadType auto_pad)
    : Op({arg}),
      m_kernel(kernel),
      m_strides(strides),
      m_pads_begin(pads_begin),
      m_pads_end(pads_end),
      m_auto_pad(auto_pad),
      m_rounding_type(rounding_type) {}

PartialShape MaxPoolBase::infer_pooled_shape(const Strides& dilations) {
  check_pool_type(this);
  PoolAttrs a{m_kernel,   m_strides,  dilations,      m_pads_begin,
              m_pads_end, m_auto_pad, m_rounding_type};
  auto out = infer_pool(this, get_input_partial_shape(0), a);
  m_strides = a.strides;
  m_pads_begin = a.pads_begin;
  m_pads_end = a.pads_end;
  return out;
}

}  // namespace util

namespace v1 {

AvgPool::AvgPool(const Output<Node>& arg, const Strides& strides, const Shape& pads_begin,
                 const Shape& pads_end, const Shape& kernel, bool exclude_pad,
                 RoundingType rounding_type, const PadType& auto_pad)
    : AvgPoolBase(arg, strides, pads_begin, pads_end, kernel, exclude_pad, rounding_type,
                  auto_pad) {
  constructor_validate_and_infer_types();
}

std::shared_ptr<Node> AvgPool::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<AvgPool>(new_args.at(0), m_strides, m_pads_begin, m_pads_end, m_kernel,
                                   m_exclude_pad, m_rounding_type, m_auto_pad);
}

MaxPool::MaxPool(const Output<Node>& arg, const Strides& strides, const Shape& pads_begin,
                 const Shape& pads_end, const Shape& kernel, const op::RoundingType rounding_type,
                 const PadType auto_pad)
    : MaxPoolBase(arg, strides, pads_begin, pads_end, kernel, rounding_type, auto_pad) {
  constructor_validate_and_infer_types();
}

void MaxPool::validate_and_infer_types() {
  set_output_type(0, get_input_element_type(0), infer_pooled_shape({}));
}

bool MaxPool::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("strides", m_strides);
  visitor.on_attribute("pads_begin", m_pads_begin);
  visitor.on_attribute("pads_end", m_pads_end);
  visitor.on_attribute("kernel", m_kernel);
  visitor.on_attribute("rounding_type", m_rounding_type);
  visitor.on_attribute("auto_pad", m_auto_pad);
  return true;
}

std::shared_ptr<Node> MaxPool::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<MaxPool>(new_args.at(0), m_strides, m_pads_begin, m_pads_end, m_kernel,
                                   m_rounding_type, m_auto_pad);
}

bool MaxPool::has_evaluate() const {
  return eval::in_set(get_input_element_type(0), eval::kNumeric);
}

bool MaxPool::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  PoolAttrs a{m_kernel, m_strides, {}, m_pads_begin, m_pads_end, m_auto_pad, m_rounding_type};
  return evaluate_max_pool(this, a, 0, false, outputs, inputs);
}

}  // namespace v1

namespace v8 {

MaxPool::MaxPool(const Output<Node>& arg, const Strides& strides, const Strides& dilations,
                 const Shape& pads_begin, const Shape& pads_end, const Shape& kernel,
                 const op::RoundingType rounding_type, const PadType auto_pad,
                 const element::Type index_element_type, const int64_t axis)
    : MaxPoolBase(arg, strides, pads_begin, pads_end, kernel, rounding_type, auto_pad),
      m_dilations(dilations),
      m_index_element_type(index_element_type),
      m_axis(axis) {
  constructor_validate_and_infer_types();
}

void MaxPool::validate_and_infer_types() {
  NODE_VALIDATION_CHECK(
      this, m_index_element_type == element::i32 || m_index_element_type == element::i64,
      "Index element type must be i32 or i64. Got: ", m_index_element_type);
  const auto& rank = get_input_partial_shape(0).rank();
  if (rank.is_static()) shape::normalize_axis(this, m_axis, rank);
  if (m_dilations.empty()) {
    const size_t f =
        rank.is_static() ? static_cast<size_t>(rank.get_length() - 2) : m_kernel.size();
    m_dilations = Strides(f, 1);
  }
  const auto out = infer_pooled_shape(m_dilations);
  set_output_type(0, get_input_element_type(0), out);
  set_output_type(1, m_index_element_type, out);
}

bool MaxPool::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("strides", m_strides);
  visitor.on_attribute("dilations", m_dilations);
  visitor.on_attribute("pads_begin", m_pads_begin);
  visitor.on_attribute("pads_end", m_pads_end);
  visitor.on_attribute("kernel", m_kernel);
  visitor.on_attribute("rounding_type", m_rounding_type);
  visitor.on_attribute("auto_pad", m_auto_pad);
  visitor.on_attribute("index_element_type", m_index_element_type);
  visitor.on_attribute("axis", m_axis);
  return true;
}

std::shared_ptr<Node> MaxPool::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<MaxPool>(new_args.at(0), m_strides, m_dilations, m_pads_begin, m_pads_end,
                                   m_kernel, m_rounding_type, m_auto_pad, m_index_element_type,
                                   m_axis);
}

bool MaxPool::has_evaluate() const {
  return eval::in_set(get_input_element_type(0), eval::kNumeric);
}

bool MaxPool::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  PoolAttrs a{m_kernel,   m_strides,  m_dilations,    m_pads_begin,
              m_pads_end, m_auto_pad, m_rounding_type};
  return evaluate_max_pool(this, a, m_axis, true, outputs, inputs);
}

}  // namespace v8

namespace v14 {

AvgPool::AvgPool(const Output<Node>& arg, const Strides& strides, const Shape& pads_begin,
                 const Shape& pads_end, const Shape& kernel, bool exclude_pad,
                 RoundingType rounding_type, const PadType& auto_pad)
    : AvgPoolBase(arg, strides, pads_begin, pads_end, kernel, exclude_pad, rounding_type,
                  auto_pad) {
  constructor_validate_and_infer_types();
}

std::shared_ptr<Node> AvgPool::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<AvgPool>(new_args.at(0), m_strides, m_pads_begin, m_pads_end, m_kernel,
                                   m_exclude_pad, m_rounding_type, m_auto_pad);
}

MaxPool::MaxPool(const Output<Node>& arg, const Strides& strides, const Strides& dilations,
                 const Shape& pads_begin, const Shape& pads_end, const Shape& kernel,
                 const op::RoundingType rounding_type, const PadType auto_pad,
                 const element::Type index_element_type, const int64_t axis)
    : v8::MaxPool(arg, strides, dilations, pads_begin, pads_end, kernel, rounding_type, auto_pad,
                  index_element_type, axis) {}

std::shared_ptr<Node> MaxPool::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<MaxPool>(new_args.at(0), m_strides, m_dilations, m_pads_begin, m_pads_end,
                                   m_kernel, m_rounding_type, m_auto_pad, m_index_element_type,
                                   m_axis);
}

}  // namespace v14
}  // namespace op
}  // namespace ov
