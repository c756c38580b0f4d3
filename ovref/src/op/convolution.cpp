// Convolution, GroupConvolution and ConvolutionBackpropData: shape inference and reference
// kernels (direct loops, zero padding).

#include "openvino/op/convolution.hpp"

#include <algorithm>
#include <optional>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/group_conv.hpp"
#include "util/dnnl_kernels.hpp"
#include "util/evaluate_helpers.hpp"
#include "util/frontend_ops_helpers.hpp"
#include "util/shape_helpers.hpp"

namespace ov {
namespace op {

namespace util {

ConvolutionBase::ConvolutionBase(const OutputVector& arguments, const Strides& strides,
                                 const CoordinateDiff& pads_begin, const CoordinateDiff& pads_end,
                                 const Strides& dilations, const PadType& auto_pad)
    : Op(arguments),
      m_strides(strides),
      m_dilations(dilations),
      m_pads_begin(pads_begin),
      m_pads_end(pads_end),
      m_auto_pad(auto_pad) {}

}  // namespace util

namespace {

enum class ConvKind { kForward, kGroup, kBackprop };

struct ConvAttrs {
  Strides strides;
  Strides dilations;
  CoordinateDiff pads_begin;
  CoordinateDiff pads_end;
  CoordinateDiff output_padding;
  PadType auto_pad = PadType::EXPLICIT;
};

ConvAttrs attrs_of(const util::ConvolutionBase& node) {
  ConvAttrs a;
  a.strides = node.get_strides();
  a.dilations = node.get_dilations();
  a.pads_begin = node.get_pads_begin();
  a.pads_end = node.get_pads_end();
  a.auto_pad = node.get_auto_pad();
  return a;
}

void store_attrs(util::ConvolutionBase& node, const ConvAttrs& a) {
  node.set_strides(a.strides);
  node.set_dilations(a.dilations);
  node.set_pads_begin(a.pads_begin);
  node.set_pads_end(a.pads_end);
}

// Number of leading non-spatial dims of the filter.
size_t filter_prefix(ConvKind kind) { return kind == ConvKind::kGroup ? 3 : 2; }

// Fills empty attributes for `f` spatial dims and checks their sizes and values.
void fill_attrs(const Node* node, size_t f, ConvAttrs& a, bool backprop) {
  if (a.strides.empty()) a.strides = Strides(f, 1);
  if (a.dilations.empty()) a.dilations = Strides(f, 1);
  if (a.pads_begin.empty()) a.pads_begin = CoordinateDiff(f, 0);
  if (a.pads_end.empty()) a.pads_end = CoordinateDiff(f, 0);
  if (backprop && a.output_padding.empty()) a.output_padding = CoordinateDiff(f, 0);
  NODE_VALIDATION_CHECK(node, a.strides.size() == f,
                        "Strides should be defined for all and only spatial dimensions.");
  NODE_VALIDATION_CHECK(node, a.dilations.size() == f,
                        "Dilations should be defined for all and only spatial dimensions.");
  NODE_VALIDATION_CHECK(
      node, a.pads_begin.size() == f && a.pads_end.size() == f,
      "Pads begin and end should be defined for all and only spatial dimensions.");
  if (backprop) {
    NODE_VALIDATION_CHECK(node, a.output_padding.size() == f,
                          "Output padding should be defined for all and only spatial dimensions.");
  }
  NODE_VALIDATION_CHECK(
      node, std::none_of(a.strides.begin(), a.strides.end(), [](size_t v) { return v == 0; }),
      "Strides has zero dimension(s). ", a.strides);
  NODE_VALIDATION_CHECK(
      node, std::none_of(a.dilations.begin(), a.dilations.end(), [](size_t v) { return v == 0; }),
      "Filter dilations has zero dimension(s). ", a.dilations);
}

Dimension dim_or_dynamic(const PartialShape& shape, size_t i) {
  return shape.rank().is_static() ? shape[static_cast<std::ptrdiff_t>(i)] : Dimension::dynamic();
}

// Forward spatial output dims; SAME_* rewrites the pads.
void forward_spatial(const Node* node, const PartialShape& data, const PartialShape& filters,
                     size_t prefix, size_t f, ConvAttrs& a, PartialShape& out) {
  for (size_t i = 0; i < f; ++i) {
    const Dimension d_in = dim_or_dynamic(data, 2 + i);
    const Dimension k = dim_or_dynamic(filters, prefix + i);
    const auto s = static_cast<int64_t>(a.strides[i]);
    const auto dil = static_cast<int64_t>(a.dilations[i]);
    int64_t dk = -1;
    if (k.is_static()) {
      dk = (k.get_length() - 1) * dil + 1;
      NODE_VALIDATION_CHECK(node, dk > 0,
                            "Kernel after dilation has dimension less than 1 (dim: ", dk,
                            ") at axis ", i, ".");
    }
    if (a.auto_pad == PadType::VALID) a.pads_begin[i] = a.pads_end[i] = 0;
    if (a.auto_pad == PadType::SAME_UPPER || a.auto_pad == PadType::SAME_LOWER) {
      const Dimension o = frontend_ops::same_output_dim(d_in, s);
      int64_t total = 0;
      if (d_in.is_static() && dk > 0) {
        total = std::max<int64_t>(0, (o.get_length() - 1) * s + dk - d_in.get_length());
      }
      if (a.auto_pad == PadType::SAME_UPPER) {
        a.pads_begin[i] = total / 2;
        a.pads_end[i] = total - total / 2;
      } else {
        a.pads_end[i] = total / 2;
        a.pads_begin[i] = total - total / 2;
      }
      out[2 + i] = o;
      continue;
    }
    if (dk < 0) {
      out[2 + i] = Dimension::dynamic();
      continue;
    }
    const int64_t pads = a.pads_begin[i] + a.pads_end[i];
    if (d_in.is_static()) {
      NODE_VALIDATION_CHECK(
          node, dk <= d_in.get_length() + pads, "Kernel after dilation has size (dim: ", dk,
          ") larger than the data shape after padding (dim: ", d_in.get_length() + pads,
          ") at axis ", i, ".");
    }
    out[2 + i] = frontend_ops::window_output_dim(d_in, pads, dk, s, false);
  }
}

// Transposed-convolution spatial output dims; with an output shape the SAME_* pads are derived.
void backprop_spatial(const Node* node, const PartialShape& data, const PartialShape& filters,
                      size_t f, ConvAttrs& a, bool has_output_shape,
                      const std::optional<std::vector<int64_t>>& output_shape, PartialShape& out) {
  if (output_shape) {
    NODE_VALIDATION_CHECK(node, output_shape->size() == f, "Output shape should be defined for ",
                          "all and only spatial dimensions (got ", output_shape->size(),
                          " values for ", f, " dimensions).");
  }
  const bool same = a.auto_pad == PadType::SAME_UPPER || a.auto_pad == PadType::SAME_LOWER;
  for (size_t i = 0; i < f; ++i) {
    const Dimension x = dim_or_dynamic(data, 2 + i);
    const Dimension k = dim_or_dynamic(filters, 2 + i);
    const auto s = static_cast<int64_t>(a.strides[i]);
    const auto dil = static_cast<int64_t>(a.dilations[i]);
    const int64_t op = a.output_padding[i];
    int64_t dk = -1;
    if (k.is_static()) {
      dk = (k.get_length() - 1) * dil + 1;
      NODE_VALIDATION_CHECK(node, dk > 0,
                            "Kernel after dilation has dimension less than 1 (dim: ", dk,
                            ") at axis ", i, ".");
    }
    if (a.auto_pad == PadType::VALID || (same && !has_output_shape)) {
      a.pads_begin[i] = a.pads_end[i] = 0;
    }
    if (has_output_shape) {
      if (!output_shape) {
        out[2 + i] = Dimension::dynamic();
        continue;
      }
      const int64_t y = (*output_shape)[i];
      NODE_VALIDATION_CHECK(node, y >= 0, "Output shape has a negative value (", y, ") at axis ", i,
                            ".");
      out[2 + i] = Dimension(y);
      if (same) {
        int64_t total = 0;
        if (x.is_static() && dk > 0) {
          total = std::max<int64_t>(0, s * (x.get_length() - 1) + dk - y + op);
        }
        if (a.auto_pad == PadType::SAME_LOWER) {
          a.pads_begin[i] = total / 2;
          a.pads_end[i] = total - total / 2;
        } else {
          a.pads_end[i] = total / 2;
          a.pads_begin[i] = total - total / 2;
        }
      }
      continue;
    }
    if (dk < 0 || x.is_dynamic()) {
      if (dk > 0 && x.get_interval().get_max_val() != Interval::s_max) {
        const int64_t extra = dk - a.pads_begin[i] - a.pads_end[i] + op;
        const auto& iv = x.get_interval();
        out[2 + i] = Dimension(
            std::max<int64_t>(0, s * (std::max<int64_t>(iv.get_min_val(), 1) - 1) + extra),
            std::max<int64_t>(0, s * (iv.get_max_val() - 1) + extra));
      } else {
        out[2 + i] = Dimension::dynamic();
      }
      continue;
    }
    const int64_t y = s * (x.get_length() - 1) + dk - a.pads_begin[i] - a.pads_end[i] + op;
    NODE_VALIDATION_CHECK(node, y > 0, "Computed output spatial size is not positive (", y,
                          ") at axis ", i, ".");
    out[2 + i] = Dimension(y);
  }
}

// Whole shape inference of the three convolutions. `a` is updated (filled attributes, pads).
PartialShape infer_conv(const Node* node, ConvKind kind, const PartialShape& data,
                        const PartialShape& filters, ConvAttrs& a, bool has_output_shape,
                        const std::optional<std::vector<int64_t>>& output_shape,
                        const PartialShape& output_shape_input) {
  const size_t prefix = filter_prefix(kind);
  const size_t filter_extra = kind == ConvKind::kGroup ? 1 : 0;
  if (data.rank().is_static()) {
    const auto r = data.rank().get_length();
    NODE_VALIDATION_CHECK(node, r >= 3 && r <= 5,
                          "Expected a 3D, 4D or 5D tensor for the input. Got: ", data);
  }
  if (filters.rank().is_static()) {
    const auto r = filters.rank().get_length();
    NODE_VALIDATION_CHECK(
        node,
        r >= static_cast<int64_t>(3 + filter_extra) && r <= static_cast<int64_t>(5 + filter_extra),
        "Expected a ", 3 + filter_extra, "D, ", 4 + filter_extra, "D or ", 5 + filter_extra,
        "D tensor for the filters. Got: ", filters);
  }
  if (data.rank().is_static() && filters.rank().is_static()) {
    NODE_VALIDATION_CHECK(node,
                          data.rank().get_length() + static_cast<int64_t>(filter_extra) ==
                              filters.rank().get_length(),
                          "Data batch and filters rank do not match (data batch shape: ", data,
                          ", filters shape: ", filters, ").");
  }
  int64_t f = -1;
  if (data.rank().is_static()) {
    f = data.rank().get_length() - 2;
  } else if (filters.rank().is_static()) {
    f = filters.rank().get_length() - static_cast<int64_t>(prefix);
  } else if (output_shape_input.rank().is_static() && output_shape_input.rank().get_length() == 1 &&
             output_shape_input[0].is_static()) {
    f = output_shape_input[0].get_length();
  } else {
    const size_t n = std::max({a.strides.size(), a.dilations.size(), a.pads_begin.size(),
                               a.pads_end.size(), a.output_padding.size()});
    if (n > 0) f = static_cast<int64_t>(n);
  }
  if (f < 0) return PartialShape::dynamic();
  fill_attrs(node, static_cast<size_t>(f), a, kind == ConvKind::kBackprop);

  PartialShape out = PartialShape::dynamic(f + 2);
  out[0] = dim_or_dynamic(data, 0);
  const Dimension channels = dim_or_dynamic(data, 1);
  if (kind == ConvKind::kForward) {
    const Dimension f_in = dim_or_dynamic(filters, 1);
    NODE_VALIDATION_CHECK(node, channels.compatible(f_in), "Data batch channel count (", channels,
                          ") does not match filter input channel count (", f_in, ").");
    out[1] = dim_or_dynamic(filters, 0);
  } else if (kind == ConvKind::kGroup) {
    const Dimension groups = dim_or_dynamic(filters, 0);
    const Dimension f_in = dim_or_dynamic(filters, 2);
    if (groups.is_static() && f_in.is_static()) {
      NODE_VALIDATION_CHECK(node, channels.compatible(groups.get_length() * f_in.get_length()),
                            "Input channels dimension of data batch has incompatible value with "
                            "filter shape (data channels: ",
                            channels, ", groups: ", groups, ", group input channels: ", f_in, ").");
    } else if (groups.is_static() && channels.is_static()) {
      NODE_VALIDATION_CHECK(node, channels.get_length() % groups.get_length() == 0,
                            "Input channels dimension of data batch is not a multiple of group "
                            "dimension (data channels: ",
                            channels, ", groups: ", groups, ").");
    }
    out[1] = groups * dim_or_dynamic(filters, 1);
  } else {
    const Dimension f_in = dim_or_dynamic(filters, 0);
    NODE_VALIDATION_CHECK(
        node, channels.compatible(f_in),
        "Input channels dimension of data and filter inputs must be equal (data: ", channels,
        ", filters: ", f_in, ").");
    out[1] = dim_or_dynamic(filters, 1);
  }
  if (kind == ConvKind::kBackprop) {
    backprop_spatial(node, data, filters, static_cast<size_t>(f), a, has_output_shape, output_shape,
                     out);
  } else {
    forward_spatial(node, data, filters, prefix, static_cast<size_t>(f), a, out);
  }
  return out;
}

element::Type merged_type(const Node* node) {
  element::Type type;
  NODE_VALIDATION_CHECK(
      node,
      element::Type::merge(type, node->get_input_element_type(0), node->get_input_element_type(1)),
      "Element types for data batch and filters do not match (data batch "
      "element type: ",
      node->get_input_element_type(0), ", filters element type: ", node->get_input_element_type(1),
      ").");
  NODE_VALIDATION_CHECK(node,
                        type.is_dynamic() || (type != element::boolean && type != element::string),
                        "Element types must be numeric. Got: ", type);
  return type;
}

template <typename C>
C multiply_add(C acc, C a, C b) {
  return eval::wrap_add(acc, eval::wrap_mul(a, b));
}

// y[n, g*cout + co, o] = sum over ci, k of x[n, g*cin + ci, o*s + k*d - pb] * w[g, co, ci, k].
template <typename T>
void conv_forward(const T* x, const T* w, T* y, size_t batch, size_t groups, size_t cin,
                  size_t cout, const frontend_ops::Window3& win) {
  using C = eval::compute_t<T>;
  const size_t in_sp = win.in_size(), out_sp = win.out_size(), k_sp = win.kernel_size();
  for (size_t n = 0; n < batch; ++n) {
    for (size_t g = 0; g < groups; ++g) {
      for (size_t co = 0; co < cout; ++co) {
        const T* wg = w + (g * cout + co) * cin * k_sp;
        T* yc = y + ((n * groups + g) * cout + co) * out_sp;
        for (size_t o0 = 0; o0 < win.out[0]; ++o0) {
          for (size_t o1 = 0; o1 < win.out[1]; ++o1) {
            for (size_t o2 = 0; o2 < win.out[2]; ++o2) {
              C acc = C(0);
              for (size_t ci = 0; ci < cin; ++ci) {
                const T* xc = x + ((n * groups + g) * cin + ci) * in_sp;
                const T* wc = wg + ci * k_sp;
                for (size_t k0 = 0; k0 < win.kernel[0]; ++k0) {
                  const int64_t i0 =
                      static_cast<int64_t>(o0 * win.stride[0] + k0 * win.dilation[0]) -
                      win.pad_begin[0];
                  if (i0 < 0 || i0 >= static_cast<int64_t>(win.in[0])) continue;
                  for (size_t k1 = 0; k1 < win.kernel[1]; ++k1) {
                    const int64_t i1 =
                        static_cast<int64_t>(o1 * win.stride[1] + k1 * win.dilation[1]) -
                        win.pad_begin[1];
                    if (i1 < 0 || i1 >= static_cast<int64_t>(win.in[1])) continue;
                    for (size_t k2 = 0; k2 < win.kernel[2]; ++k2) {
                      const int64_t i2 =
                          static_cast<int64_t>(o2 * win.stride[2] + k2 * win.dilation[2]) -
                          win.pad_begin[2];
                      if (i2 < 0 || i2 >= static_cast<int64_t>(win.in[2])) continue;
                      const size_t xi =
                          (static_cast<size_t>(i0) * win.in[1] + static_cast<size_t>(i1)) *
                              win.in[2] +
                          static_cast<size_t>(i2);
                      const size_t wi = (k0 * win.kernel[1] + k1) * win.kernel[2] + k2;
                      acc = multiply_add<C>(acc, static_cast<C>(xc[xi]), static_cast<C>(wc[wi]));
                    }
                  }
                }
              }
              yc[(o0 * win.out[1] + o1) * win.out[2] + o2] = static_cast<T>(acc);
            }
          }
        }
      }
    }
  }
}

// Scatters x[n, ci, i] * w[ci, co, k] to y[n, co, i*s + k*d - pb]; positions outside are dropped.
template <typename T>
void conv_backprop(const T* x, const T* w, T* y, size_t batch, size_t cin, size_t cout,
                   const frontend_ops::Window3& win) {
  using C = eval::compute_t<T>;
  const size_t in_sp = win.in_size(), out_sp = win.out_size(), k_sp = win.kernel_size();
  std::vector<C> acc(out_sp);
  for (size_t n = 0; n < batch; ++n) {
    for (size_t co = 0; co < cout; ++co) {
      std::fill(acc.begin(), acc.end(), C(0));
      for (size_t ci = 0; ci < cin; ++ci) {
        const T* xc = x + (n * cin + ci) * in_sp;
        const T* wc = w + (ci * cout + co) * k_sp;
        for (size_t i0 = 0; i0 < win.in[0]; ++i0) {
          for (size_t i1 = 0; i1 < win.in[1]; ++i1) {
            for (size_t i2 = 0; i2 < win.in[2]; ++i2) {
              const C xv = static_cast<C>(xc[(i0 * win.in[1] + i1) * win.in[2] + i2]);
              for (size_t k0 = 0; k0 < win.kernel[0]; ++k0) {
                const int64_t y0 = static_cast<int64_t>(i0 * win.stride[0] + k0 * win.dilation[0]) -
                                   win.pad_begin[0];
                if (y0 < 0 || y0 >= static_cast<int64_t>(win.out[0])) continue;
                for (size_t k1 = 0; k1 < win.kernel[1]; ++k1) {
                  const int64_t y1 =
                      static_cast<int64_t>(i1 * win.stride[1] + k1 * win.dilation[1]) -
                      win.pad_begin[1];
                  if (y1 < 0 || y1 >= static_cast<int64_t>(win.out[1])) continue;
                  for (size_t k2 = 0; k2 < win.kernel[2]; ++k2) {
                    const int64_t y2 =
                        static_cast<int64_t>(i2 * win.stride[2] + k2 * win.dilation[2]) -
                        win.pad_begin[2];
                    if (y2 < 0 || y2 >= static_cast<int64_t>(win.out[2])) continue;
                    const size_t wi = (k0 * win.kernel[1] + k1) * win.kernel[2] + k2;
                    const size_t yi =
                        (static_cast<size_t>(y0) * win.out[1] + static_cast<size_t>(y1)) *
                            win.out[2] +
                        static_cast<size_t>(y2);
                    acc[yi] = multiply_add<C>(acc[yi], xv, static_cast<C>(wc[wi]));
                  }
                }
              }
            }
          }
        }
      }
      T* yc = y + (n * cout + co) * out_sp;
      for (size_t i = 0; i < out_sp; ++i) yc[i] = static_cast<T>(acc[i]);
    }
  }
}

Shape tail(const Shape& shape, size_t from) { return Shape(shape.begin() + from, shape.end()); }

std::vector<size_t> as_sizes(const Strides& s) { return std::vector<size_t>(s.begin(), s.end()); }
std::vector<int64_t> as_diffs(const CoordinateDiff& d) {
  return std::vector<int64_t>(d.begin(), d.end());
}

// Shared evaluation of the forward convolutions.
bool evaluate_forward(const util::ConvolutionBase& node, ConvKind kind, TensorVector& outputs,
                      const TensorVector& inputs) {
  if (inputs.size() < 2 || inputs[0].get_element_type() != inputs[1].get_element_type()) {
    return false;
  }
  const Shape& xs = inputs[0].get_shape();
  const Shape& ws = inputs[1].get_shape();
  ConvAttrs a = attrs_of(node);
  PartialShape out;
  try {
    out = infer_conv(&node, kind, xs, ws, a, false, std::nullopt, PartialShape::dynamic());
  } catch (const ov::Exception&) {
    return false;
  }
  if (!out.is_static()) return false;
  const Shape os = out.to_shape();
  const size_t prefix = filter_prefix(kind);
  const auto win = frontend_ops::make_window(tail(xs, 2), tail(os, 2), tail(ws, prefix),
                                             as_sizes(a.strides), as_sizes(a.dilations),
                                             as_diffs(a.pads_begin), as_diffs(a.pads_end));
  const size_t groups = kind == ConvKind::kGroup ? ws[0] : 1;
  const size_t cout = kind == ConvKind::kGroup ? ws[1] : ws[0];
  const size_t cin = kind == ConvKind::kGroup ? ws[2] : ws[1];
  auto& result = frontend_ops::output_tensor(outputs, 0, inputs[0].get_element_type(), os);
  return eval::dispatch(inputs[0].get_element_type(), eval::kNumeric, [&](auto tag) {
    using T = typename decltype(tag)::type;
    eval::ConstView<T> x(inputs[0]), w(inputs[1]);
    eval::MutView<T> y(result);
    if constexpr (std::is_same_v<T, float>) {
      dnnl_kernels::WindowGeometry g;
      g.batch = xs[0];
      g.groups = groups;
      g.channels_in = cin;
      g.channels_out = cout;
      g.in = tail(xs, 2);
      g.out = tail(os, 2);
      g.kernel = tail(ws, prefix);
      g.strides = as_sizes(a.strides);
      g.dilations = as_sizes(a.dilations);
      g.pads_begin = as_diffs(a.pads_begin);
      g.pads_end = as_diffs(a.pads_end);
      if (dnnl_kernels::convolution(g, x.get(), w.get(), y.get())) return;
    }
    conv_forward<T>(x.get(), w.get(), y.get(), xs[0], groups, cin, cout, win);
  });
}

}  // namespace

namespace v1 {

// ---- Convolution ----

Convolution::Convolution(const Output<Node>& data_batch, const Output<Node>& filters,
                         const Strides& strides, const CoordinateDiff& pads_begin,
                         const CoordinateDiff& pads_end, const Strides& dilations,
                         const PadType& auto_pad)
    : ConvolutionFwdPropBase({data_batch, filters}, strides, pads_begin, pads_end, dilations,
                             auto_pad) {
  constructor_validate_and_infer_types();
}

void Convolution::validate_and_infer_types() {
  const auto type = merged_type(this);
  ConvAttrs a = attrs_of(*this);
  const auto out =
      infer_conv(this, ConvKind::kForward, get_input_partial_shape(0), get_input_partial_shape(1),
                 a, false, std::nullopt, PartialShape::dynamic());
  store_attrs(*this, a);
  set_output_type(0, type, out);
}

bool Convolution::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("strides", m_strides);
  visitor.on_attribute("dilations", m_dilations);
  visitor.on_attribute("pads_begin", m_pads_begin);
  visitor.on_attribute("pads_end", m_pads_end);
  visitor.on_attribute("auto_pad", m_auto_pad);
  return true;
}

std::shared_ptr<Node> Convolution::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Convolution>(new_args.at(0), new_args.at(1), m_strides, m_pads_begin,
                                       m_pads_end, m_dilations, m_auto_pad);
}

bool Convolution::has_evaluate() const {
  return eval::in_set(get_input_element_type(0), eval::kNumeric);
}

bool Convolution::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return evaluate_forward(*this, ConvKind::kForward, outputs, inputs);
}

// ---- GroupConvolution ----

GroupConvolution::GroupConvolution(const Output<Node>& data_batch, const Output<Node>& filters,
                                   const Strides& strides, const CoordinateDiff& pads_begin,
                                   const CoordinateDiff& pads_end, const Strides& dilations,
                                   const PadType& auto_pad)
    : ConvolutionFwdPropBase({data_batch, filters}, strides, pads_begin, pads_end, dilations,
                             auto_pad) {
  constructor_validate_and_infer_types();
}

void GroupConvolution::validate_and_infer_types() {
  const auto type = merged_type(this);
  ConvAttrs a = attrs_of(*this);
  const auto out =
      infer_conv(this, ConvKind::kGroup, get_input_partial_shape(0), get_input_partial_shape(1), a,
                 false, std::nullopt, PartialShape::dynamic());
  store_attrs(*this, a);
  set_output_type(0, type, out);
}

bool GroupConvolution::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("strides", m_strides);
  visitor.on_attribute("dilations", m_dilations);
  visitor.on_attribute("pads_begin", m_pads_begin);
  visitor.on_attribute("pads_end", m_pads_end);
  visitor.on_attribute("auto_pad", m_auto_pad);
  return true;
}

std::shared_ptr<Node> GroupConvolution::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<GroupConvolution>(new_args.at(0), new_args.at(1), m_strides, m_pads_begin,
                                            m_pads_end, m_dilations, m_auto_pad);
}

bool GroupConvolution::has_evaluate() const {
  return eval::in_set(get_input_element_type(0), eval::kNumeric);
}

bool GroupConvolution::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return evaluate_forward(*this, ConvKind::kGroup, outputs, inputs);
}

// ---- ConvolutionBackpropData ----

ConvolutionBackpropData::ConvolutionBackpropData(
    const Output<Node>& data, const Output<Node>& filters, const Output<Node>& output_shape,
    const Strides& strides, const CoordinateDiff& pads_begin, const CoordinateDiff& pads_end,
    const Strides& dilations, const PadType& auto_pad, const CoordinateDiff& output_padding)
    : ConvolutionBackPropBase({data, filters, output_shape}, strides, pads_begin, pads_end,
                              dilations, auto_pad, output_padding) {
  constructor_validate_and_infer_types();
}

ConvolutionBackpropData::ConvolutionBackpropData(
    const Output<Node>& data, const Output<Node>& filters, const Strides& strides,
    const CoordinateDiff& pads_begin, const CoordinateDiff& pads_end, const Strides& dilations,
    const PadType& auto_pad, const CoordinateDiff& output_padding)
    : ConvolutionBackPropBase({data, filters}, strides, pads_begin, pads_end, dilations, auto_pad,
                              output_padding) {
  constructor_validate_and_infer_types();
}

void ConvolutionBackpropData::validate_and_infer_types() {
  const auto type = merged_type(this);
  const bool has_shape = get_input_size() == 3;
  PartialShape shape_input = PartialShape::dynamic();
  std::optional<std::vector<int64_t>> spatial;
  if (has_shape) {
    shape::check_integral_input(this, 2, "Element type for output shape");
    shape_input = get_input_partial_shape(2);
    NODE_VALIDATION_CHECK(this, shape_input.rank().compatible(1),
                          "Spatial shape of output input must be of rank 1 (got ", shape_input,
                          ").");
    spatial = shape::constant_values(this, 2);
  }
  ConvAttrs a = attrs_of(*this);
  a.output_padding = m_output_padding;
  const auto out = infer_conv(this, ConvKind::kBackprop, get_input_partial_shape(0),
                              get_input_partial_shape(1), a, has_shape, spatial, shape_input);
  store_attrs(*this, a);
  m_output_padding = a.output_padding;
  set_output_type(0, type, out);
}

bool ConvolutionBackpropData::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("strides", m_strides);
  visitor.on_attribute("dilations", m_dilations);
  visitor.on_attribute("pads_begin", m_pads_begin);
  visitor.on_attribute("pads_end", m_pads_end);
  visitor.on_attribute("auto_pad", m_auto_pad);
  visitor.on_attribute("output_padding", m_output_padding);
  return true;
}

std::shared_ptr<Node> ConvolutionBackpropData::clone_with_new_inputs(
    const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  if (new_args.size() == 3) {
    return std::make_shared<ConvolutionBackpropData>(new_args.at(0), new_args.at(1), new_args.at(2),
                                                     m_strides, m_pads_begin, m_pads_end,
                                                     m_dilations, m_auto_pad, m_output_padding);
  }
  return std::make_shared<ConvolutionBackpropData>(new_args.at(0), new_args.at(1), m_strides,
                                                   m_pads_begin, m_pads_end, m_dilations,
                                                   m_auto_pad, m_output_padding);
}

bool ConvolutionBackpropData::is_dynamic() const {
  if (Node::is_dynamic()) return true;
  return get_input_size() == 3 && !shape::constant_values(this, 2).has_value();
}

const PartialShape ConvolutionBackpropData::get_output_shape() const {
  if (get_input_size() < 3) return PartialShape::dynamic();
  if (auto values = shape::constant_values(this, 2)) {
    std::vector<Dimension> dims;
    for (auto v : *values) dims.emplace_back(v);
    return PartialShape(dims);
  }
  const auto& in = get_input_partial_shape(2);
  if (in.rank().is_static() && in.rank().get_length() == 1 && in[0].is_static()) {
    return PartialShape::dynamic(in[0].get_length());
  }
  return PartialShape::dynamic();
}

void ConvolutionBackpropData::set_output_shape(const Shape& output_shape) {
  const element::Type type = get_input_size() == 3 && get_input_element_type(2).is_static()
                                 ? get_input_element_type(2)
                                 : element::i64;
  auto values = v0::Constant::create(type, Shape{output_shape.size()},
                                     std::vector<size_t>(output_shape.begin(), output_shape.end()));
  if (get_input_size() == 3) {
    set_argument(2, values);
  } else {
    set_arguments(OutputVector{input_value(0), input_value(1), values});
  }
  validate_and_infer_types();
}

bool ConvolutionBackpropData::has_evaluate() const {
  return eval::in_set(get_input_element_type(0), eval::kNumeric);
}

bool ConvolutionBackpropData::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  if (inputs.size() < 2 || inputs[0].get_element_type() != inputs[1].get_element_type()) {
    return false;
  }
  const Shape& xs = inputs[0].get_shape();
  const Shape& ws = inputs[1].get_shape();
  const bool has_shape = inputs.size() == 3;
  std::optional<std::vector<int64_t>> spatial;
  if (has_shape) {
    if (!inputs[2].get_element_type().is_integral_number()) return false;
    spatial = eval::read_int64(inputs[2]);
  }
  ConvAttrs a = attrs_of(*this);
  a.output_padding = m_output_padding;
  PartialShape out;
  try {
    out = infer_conv(this, ConvKind::kBackprop, xs, ws, a, has_shape, spatial,
                     has_shape ? PartialShape(inputs[2].get_shape()) : PartialShape::dynamic());
  } catch (const ov::Exception&) {
    return false;
  }
  if (!out.is_static()) return false;
  const Shape os = out.to_shape();
  const auto win = frontend_ops::make_window(tail(xs, 2), tail(os, 2), tail(ws, 2),
                                             as_sizes(a.strides), as_sizes(a.dilations),
                                             as_diffs(a.pads_begin), as_diffs(a.pads_end));
  auto& result = frontend_ops::output_tensor(outputs, 0, inputs[0].get_element_type(), os);
  return eval::dispatch(inputs[0].get_element_type(), eval::kNumeric, [&](auto tag) {
    using T = typename decltype(tag)::type;
    eval::ConstView<T> x(inputs[0]), w(inputs[1]);
    eval::MutView<T> y(result);
    conv_backprop<T>(x.get(), w.get(), y.get(), xs[0], ws[0], ws[1], win);
  });
}

}  // namespace v1
}  // namespace op
}  // namespace ov
