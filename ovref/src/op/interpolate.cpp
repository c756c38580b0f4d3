// Interpolate v4 and v11: shape inference and a separable reference kernel. Every mode is
// reduced to per-dimension taps (input index, weight) over the zero-padded image; the value of
// an output element is the sum over all tap combinations of the product of their weights.

#include "openvino/op/interpolate.hpp"

#include <algorithm>
#include <cmath>
#include <set>

#include "../util/element_access.hpp"
#include "openvino/core/attribute_visitor.hpp"
#include "openvino/op/constant.hpp"
#include "util/evaluate_helpers.hpp"
#include "util/frontend_ops_helpers.hpp"
#include "util/shape_helpers.hpp"

namespace ov {
namespace op {

namespace {

using Base = util::InterpolateBase;
using Mode = Base::InterpolateMode;
using Transform = Base::CoordinateTransformMode;
using Nearest = Base::NearestMode;

std::vector<size_t> fit_pads(std::vector<size_t> pads, size_t rank) {
  pads.resize(rank, 0);
  return pads;
}

std::optional<std::vector<float>> constant_floats(const Node* node, int port) {
  if (port < 0 || static_cast<size_t>(port) >= node->get_input_size()) return std::nullopt;
  const auto* c =
      ov::as_type<const v0::Constant>(node->get_input_node_ptr(static_cast<size_t>(port)));
  if (!c) return std::nullopt;
  return c->cast_vector<float>();
}

// floor(padded * scale) in float, as the shape is computed; -1 for a scale that is not a
// positive finite number or a result too large for a dimension.
int64_t scaled_dim(int64_t padded, float scale) {
  if (!(scale > 0.0f) || !std::isfinite(scale)) return -1;
  const float v = std::floor(static_cast<float>(padded) * scale);
  if (!std::isfinite(v) || v >= 9.0e15f) return -1;
  return static_cast<int64_t>(v);
}

// Input coordinate of output coordinate x.
double map_coordinate(Transform mode, double x, double scale, int64_t out_len, int64_t in_len) {
  switch (mode) {
    case Transform::HALF_PIXEL:
      return (x + 0.5) / scale - 0.5;
    case Transform::PYTORCH_HALF_PIXEL:
      return out_len > 1 ? (x + 0.5) / scale - 0.5 : 0.0;
    case Transform::ASYMMETRIC:
      return x / scale;
    case Transform::TF_HALF_PIXEL_FOR_NN:
      return (x + 0.5) / scale;
    case Transform::ALIGN_CORNERS:
      return out_len == 1 ? 0.0
                          : x * static_cast<double>(in_len - 1) / static_cast<double>(out_len - 1);
  }
  return x;
}

int64_t nearest_index(Nearest mode, double c, double scale) {
  const double fl = std::floor(c);
  const bool half = c - fl == 0.5;
  switch (mode) {
    case Nearest::ROUND_PREFER_FLOOR:
      return static_cast<int64_t>(half ? fl : std::round(c));
    case Nearest::ROUND_PREFER_CEIL:
      return static_cast<int64_t>(half ? fl + 1.0 : std::round(c));
    case Nearest::FLOOR:
      return static_cast<int64_t>(fl);
    case Nearest::CEIL:
      return static_cast<int64_t>(std::ceil(c));
    case Nearest::SIMPLE:
      return static_cast<int64_t>(scale < 1.0 ? std::ceil(c) : std::trunc(c));
  }
  return static_cast<int64_t>(fl);
}

double keys_weight(double x, double a) {
  x = std::fabs(x);
  if (x < 1.0) return ((a + 2.0) * x - (a + 3.0)) * x * x + 1.0;
  if (x < 2.0) return (((x - 5.0) * x + 8.0) * x - 4.0) * a;
  return 0.0;
}

struct Tap {
  int64_t index;  // in padded coordinates
  double weight;
};

// Taps of one interpolated dimension for output coordinate o.
std::vector<Tap> axis_taps(const Base::InterpolateAttrs& attrs, int64_t o, int64_t in_len,
                           int64_t out_len, double scale, double antialias_scale) {
  std::vector<Tap> taps;
  const auto clamp = [in_len](int64_t i) { return std::min(std::max<int64_t>(i, 0), in_len - 1); };
  const double c = map_coordinate(attrs.coordinate_transformation_mode, static_cast<double>(o),
                                  scale, out_len, in_len);
  switch (attrs.mode) {
    case Mode::NEAREST:
      taps.push_back({clamp(nearest_index(attrs.nearest_mode, c, scale)), 1.0});
      break;
    case Mode::LINEAR_ONNX: {
      const double cc = std::min(std::max(c, 0.0), static_cast<double>(in_len - 1));
      const auto i0 = static_cast<int64_t>(cc);
      const int64_t i1 = std::min(i0 + 1, in_len - 1);
      if (i0 == i1) {
        taps.push_back({i0, 0.5});
        taps.push_back({i1, 0.5});
      } else {
        taps.push_back({i0, std::fabs(cc - static_cast<double>(i1))});
        taps.push_back({i1, std::fabs(cc - static_cast<double>(i0))});
      }
      break;
    }
    case Mode::LINEAR: {
      const double a = antialias_scale;
      const auto r = static_cast<int64_t>(scale > 1.0 ? 2.0 : std::ceil(2.0 / a));
      const auto center = static_cast<int64_t>(std::round(c));
      double sum = 0.0;
      for (int64_t p = std::max<int64_t>(center - r, 0); p <= std::min(center + r, in_len - 1);
           ++p) {
        const double w = a * std::max(0.0, 1.0 - std::fabs(a * (c - static_cast<double>(p))));
        if (w > 0.0) taps.push_back({p, w});
        sum += w;
      }
      for (auto& t : taps) t.weight /= sum;
      break;
    }
    case Mode::CUBIC: {
      const double fl = std::floor(c);
      const double t = c - fl;
      const double w[4] = {keys_weight(1.0 + t, attrs.cube_coeff), keys_weight(t, attrs.cube_coeff),
                           keys_weight(1.0 - t, attrs.cube_coeff),
                           keys_weight(2.0 - t, attrs.cube_coeff)};
      for (int k = 0; k < 4; ++k) taps.push_back({clamp(static_cast<int64_t>(fl) - 1 + k), w[k]});
      break;
    }
    case Mode::BILINEAR_PILLOW:
    case Mode::BICUBIC_PILLOW: {
      // The *_PILLOW filters: the filter widens by the downscaling factor, weights are normalised,
      // the coordinate transformation mode does not apply.
      const bool cubic = attrs.mode == Mode::BICUBIC_PILLOW;
      const double support_unit = cubic ? 2.0 : 1.0;
      const double inv_scale = 1.0 / scale;
      const double filter_scale = std::max(inv_scale, 1.0);
      const double support = support_unit * filter_scale;
      const double center = (static_cast<double>(o) + 0.5) * inv_scale;
      const auto lo = std::max<int64_t>(static_cast<int64_t>(center - support + 0.5), 0);
      const auto hi = std::min<int64_t>(static_cast<int64_t>(center + support + 0.5), in_len);
      double sum = 0.0;
      for (int64_t x = lo; x < hi; ++x) {
        const double arg = (static_cast<double>(x) - center + 0.5) / filter_scale;
        const double w =
            cubic ? keys_weight(arg, attrs.cube_coeff) : std::max(0.0, 1.0 - std::fabs(arg));
        taps.push_back({x, w});
        sum += w;
      }
      if (sum != 0.0) {
        for (auto& t : taps) t.weight /= sum;
      }
      break;
    }
  }
  return taps;
}

}  // namespace

namespace util {

InterpolateBase::InterpolateBase(const OutputVector& args, const InterpolateAttrs& attrs)
    : Op(args), m_attrs(attrs) {}

bool InterpolateBase::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("mode", m_attrs.mode);
  visitor.on_attribute("shape_calculation_mode", m_attrs.shape_calculation_mode);
  visitor.on_attribute("coordinate_transformation_mode", m_attrs.coordinate_transformation_mode);
  visitor.on_attribute("nearest_mode", m_attrs.nearest_mode);
  visitor.on_attribute("antialias", m_attrs.antialias);
  visitor.on_attribute("pads_begin", m_attrs.pads_begin);
  visitor.on_attribute("pads_end", m_attrs.pads_end);
  visitor.on_attribute("cube_coeff", m_attrs.cube_coeff);
  return true;
}

void InterpolateBase::validate_and_infer_types() {
  const auto& type = get_input_element_type(0);
  NODE_VALIDATION_CHECK(this,
                        type.is_dynamic() || (type != element::boolean && type != element::string),
                        "Image element type must be numeric. Got: ", type);
  const bool sizes_mode = m_attrs.shape_calculation_mode == ShapeCalcMode::SIZES;
  const int sizes = sizes_port(), scales = scales_port(), axes_in = axes_port();
  if (sizes >= 0) {
    const auto& t = get_input_element_type(static_cast<size_t>(sizes));
    NODE_VALIDATION_CHECK(this, t.is_dynamic() || t.is_integral_number(),
                          "Sizes element type must be i32, i64, u32 or u64. Got: ", t);
  }
  if (scales >= 0) {
    const auto& t = get_input_element_type(static_cast<size_t>(scales));
    NODE_VALIDATION_CHECK(this, t.is_dynamic() || t.is_real(),
                          "Scales element type must be f16, bf16, f32 or f64. Got: ", t);
  }
  if (axes_in >= 0)
    shape::check_integral_input(this, static_cast<size_t>(axes_in), "Axes element type");
  const int driving = sizes_mode ? sizes : scales;
  NODE_VALIDATION_CHECK(this, driving >= 0, "Missing the input for the shape calculation mode.");
  const auto& driving_shape = get_input_partial_shape(static_cast<size_t>(driving));
  NODE_VALIDATION_CHECK(this, driving_shape.rank().compatible(1),
                        "Input [scales_or_sizes] is not rank 1. Got: ", driving_shape);

  const auto& image = get_input_partial_shape(0);
  if (image.rank().is_dynamic()) {
    set_output_type(0, type, PartialShape::dynamic());
    return;
  }
  const auto r = static_cast<size_t>(image.rank().get_length());
  m_attrs.pads_begin = fit_pads(m_attrs.pads_begin, r);
  m_attrs.pads_end = fit_pads(m_attrs.pads_end, r);
  PartialShape out = image;
  for (size_t i = 0; i < r; ++i) {
    out[i] =
        image[i] + Dimension(static_cast<int64_t>(m_attrs.pads_begin[i] + m_attrs.pads_end[i]));
  }
  std::vector<int64_t> axes;
  if (axes_in >= 0) {
    const auto values = shape::constant_values(this, static_cast<size_t>(axes_in));
    if (!values) {
      set_output_type(0, type, PartialShape::dynamic(image.rank()));
      return;
    }
    axes = shape::normalize_axes(this, *values, image.rank());
    NODE_VALIDATION_CHECK(this, std::set<int64_t>(axes.begin(), axes.end()).size() == axes.size(),
                          "Axes are not unique.");
  } else {
    for (size_t i = 0; i < r; ++i) axes.push_back(static_cast<int64_t>(i));
  }
  if (driving_shape.is_static()) {
    NODE_VALIDATION_CHECK(this, static_cast<size_t>(driving_shape[0].get_length()) == axes.size(),
                          "The number of elements in the 'sizes_or_scales' input does not match "
                          "the number of axis.");
  }
  if (sizes_mode) {
    const auto values = shape::constant_values(this, static_cast<size_t>(sizes));
    for (size_t i = 0; i < axes.size(); ++i) {
      out[axes[i]] = values && i < values->size() ? Dimension((*values)[i]) : Dimension::dynamic();
    }
  } else {
    const auto values = constant_floats(this, scales);
    for (size_t i = 0; i < axes.size(); ++i) {
      const Dimension& padded = out[axes[i]];
      if (!values || i >= values->size() || padded.is_dynamic()) {
        out[axes[i]] = Dimension::dynamic();
      } else {
        const int64_t len = scaled_dim(padded.get_length(), (*values)[i]);
        NODE_VALIDATION_CHECK(this, len >= 0,
                              "Scales must be positive finite numbers. Got: ", (*values)[i]);
        out[axes[i]] = Dimension(len);
      }
    }
  }
  set_output_type(0, type, out);
}

bool InterpolateBase::has_evaluate() const {
  return eval::in_set(get_input_element_type(0), eval::kNumeric);
}

bool InterpolateBase::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const auto& image = inputs[0];
  const Shape& s = image.get_shape();
  const size_t r = s.size();
  const auto pb = fit_pads(m_attrs.pads_begin, r), pe = fit_pads(m_attrs.pads_end, r);
  Shape padded(r), out_shape(r);
  for (size_t i = 0; i < r; ++i) padded[i] = out_shape[i] = s[i] + pb[i] + pe[i];
  std::vector<int64_t> axes;
  const int axes_in = axes_port();
  if (axes_in >= 0) {
    const auto& t = inputs[static_cast<size_t>(axes_in)];
    if (!t.get_element_type().is_integral_number()) return false;
    for (auto a : eval::read_int64(t)) {
      int64_t n = 0;
      if (!eval::normalize_axis(a, static_cast<int64_t>(r), n)) return false;
      axes.push_back(n);
    }
  } else {
    for (size_t i = 0; i < r; ++i) axes.push_back(static_cast<int64_t>(i));
  }
  std::vector<double> scale(r, 1.0);
  if (m_attrs.shape_calculation_mode == ShapeCalcMode::SIZES) {
    const int port = sizes_port();
    if (port < 0 || !inputs[static_cast<size_t>(port)].get_element_type().is_integral_number()) {
      return false;
    }
    const auto sizes = eval::read_int64(inputs[static_cast<size_t>(port)]);
    if (sizes.size() != axes.size()) return false;
    for (size_t i = 0; i < axes.size(); ++i) {
      if (sizes[i] < 0) return false;
      const auto a = static_cast<size_t>(axes[i]);
      out_shape[a] = static_cast<size_t>(sizes[i]);
      scale[a] =
          padded[a] == 0
              ? 1.0
              : static_cast<double>(static_cast<float>(sizes[i]) / static_cast<float>(padded[a]));
    }
  } else {
    const int port = scales_port();
    if (port < 0 || !inputs[static_cast<size_t>(port)].get_element_type().is_real()) return false;
    const auto& t = inputs[static_cast<size_t>(port)];
    if (t.get_size() != axes.size()) return false;
    for (size_t i = 0; i < axes.size(); ++i) {
      const auto a = static_cast<size_t>(axes[i]);
      const auto sc = static_cast<float>(ov::util::get_double(t.get_element_type(), t.data(), i));
      const int64_t len = scaled_dim(static_cast<int64_t>(padded[a]), sc);
      if (len < 0) return false;
      out_shape[a] = static_cast<size_t>(len);
      scale[a] = sc;
    }
  }
  // Antialiasing of the triangle filter applies once any axis is downscaled.
  const bool downscale = std::any_of(
      axes.begin(), axes.end(), [&](int64_t a) { return scale[static_cast<size_t>(a)] < 1.0; });
  std::vector<bool> interpolated(r, false);
  for (auto a : axes) interpolated[static_cast<size_t>(a)] = true;
  // taps[d][o], indices translated to the unpadded input (-1 inside the padding).
  std::vector<std::vector<std::vector<Tap>>> taps(r);
  for (size_t d = 0; d < r; ++d) {
    taps[d].resize(out_shape[d]);
    for (size_t o = 0; o < out_shape[d]; ++o) {
      std::vector<Tap> t;
      if (interpolated[d] && padded[d] > 0) {
        const double aa = m_attrs.antialias && downscale ? scale[d] : 1.0;
        t = axis_taps(m_attrs, static_cast<int64_t>(o), static_cast<int64_t>(padded[d]),
                      static_cast<int64_t>(out_shape[d]), scale[d], aa);
      } else {
        t.push_back({static_cast<int64_t>(o), 1.0});
      }
      for (auto& tap : t) {
        tap.index -= static_cast<int64_t>(pb[d]);
        if (tap.index < 0 || tap.index >= static_cast<int64_t>(s[d])) tap.index = -1;
      }
      taps[d][o] = std::move(t);
    }
  }
  const auto in_strides = eval::element_strides(s);
  auto& out = frontend_ops::output_tensor(outputs, 0, image.get_element_type(), out_shape);
  const size_t total = shape_size(out_shape);
  if (m_attrs.mode == Mode::NEAREST) {
    std::vector<size_t> index(total);
    std::vector<size_t> coord(r, 0);
    for (size_t n = 0; n < total; ++n) {
      size_t at = 0;
      bool pad = false;
      for (size_t d = 0; d < r; ++d) {
        const int64_t i = taps[d][coord[d]][0].index;
        if (i < 0)
          pad = true;
        else
          at += static_cast<size_t>(i) * in_strides[d];
      }
      index[n] = pad ? eval::kFill : at;
      for (size_t d = r; d-- > 0;) {
        if (++coord[d] < out_shape[d]) break;
        coord[d] = 0;
      }
    }
    return eval::copy_elements(image, out, index);
  }
  return eval::dispatch(image.get_element_type(), eval::kNumeric, [&](auto tag) {
    using T = typename decltype(tag)::type;
    eval::ConstView<T> x(image);
    eval::MutView<T> y(out);
    std::vector<size_t> coord(r, 0), pick(r, 0);
    for (size_t n = 0; n < total; ++n) {
      double sum = 0.0;
      bool empty = false;
      for (size_t d = 0; d < r; ++d) {
        if (taps[d][coord[d]].empty()) empty = true;
        pick[d] = 0;
      }
      while (!empty) {
        double w = 1.0;
        size_t at = 0;
        bool pad = false;
        for (size_t d = 0; d < r; ++d) {
          const Tap& t = taps[d][coord[d]][pick[d]];
          w *= t.weight;
          if (t.index < 0)
            pad = true;
          else
            at += static_cast<size_t>(t.index) * in_strides[d];
        }
        if (!pad) sum += w * static_cast<double>(x[at]);
        size_t d = r;
        while (d-- > 0) {
          if (++pick[d] < taps[d][coord[d]].size()) break;
          pick[d] = 0;
        }
        if (d == static_cast<size_t>(-1)) break;
      }
      if constexpr (std::is_integral_v<T>) {
        y[n] = eval::from_double<T>(std::round(sum));
      } else {
        y[n] = static_cast<T>(static_cast<eval::compute_t<T>>(sum));
      }
      for (size_t d = r; d-- > 0;) {
        if (++coord[d] < out_shape[d]) break;
        coord[d] = 0;
      }
    }
  });
}

}  // namespace util

namespace v4 {

Interpolate::Interpolate(const Output<Node>& image, const Output<Node>& output_shape,
                         const Output<Node>& scales, const InterpolateAttrs& attrs)
    : InterpolateBase({image, output_shape, scales}, attrs) {
  constructor_validate_and_infer_types();
}

Interpolate::Interpolate(const Output<Node>& image, const Output<Node>& output_shape,
                         const Output<Node>& scales, const Output<Node>& axes,
                         const InterpolateAttrs& attrs)
    : InterpolateBase({image, output_shape, scales, axes}, attrs) {
  constructor_validate_and_infer_types();
}

std::shared_ptr<Node> Interpolate::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  if (new_args.size() == 4) {
    return std::make_shared<Interpolate>(new_args.at(0), new_args.at(1), new_args.at(2),
                                         new_args.at(3), m_attrs);
  }
  return std::make_shared<Interpolate>(new_args.at(0), new_args.at(1), new_args.at(2), m_attrs);
}

}  // namespace v4

namespace v11 {

Interpolate::Interpolate(const Output<Node>& image, const Output<Node>& scales_or_sizes,
                         const InterpolateAttrs& attrs)
    : InterpolateBase({image, scales_or_sizes}, attrs) {
  constructor_validate_and_infer_types();
}

Interpolate::Interpolate(const Output<Node>& image, const Output<Node>& scales_or_sizes,
                         const Output<Node>& axes, const InterpolateAttrs& attrs)
    : InterpolateBase({image, scales_or_sizes, axes}, attrs) {
  constructor_validate_and_infer_types();
}

std::shared_ptr<Node> Interpolate::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  if (new_args.size() == 3) {
    return std::make_shared<Interpolate>(new_args.at(0), new_args.at(1), new_args.at(2), m_attrs);
  }
  return std::make_shared<Interpolate>(new_args.at(0), new_args.at(1), m_attrs);
}

}  // namespace v11
}  // namespace op

std::ostream& operator<<(std::ostream& s, const op::util::InterpolateBase::InterpolateMode& type) {
  return s << as_string(type);
}
std::ostream& operator<<(std::ostream& s, const op::util::InterpolateBase::ShapeCalcMode& type) {
  return s << as_string(type);
}
std::ostream& operator<<(std::ostream& s,
                         const op::util::InterpolateBase::CoordinateTransformMode& type) {
  return s << as_string(type);
}
std::ostream& operator<<(std::ostream& s, const op::util::InterpolateBase::NearestMode& type) {
  return s << as_string(type);
}

template <>
EnumNames<op::util::InterpolateBase::InterpolateMode>&
EnumNames<op::util::InterpolateBase::InterpolateMode>::get() {
  using M = op::util::InterpolateBase::InterpolateMode;
  static auto enum_names = EnumNames<M>("op::util::InterpolateBase::InterpolateMode",
                                        {{"nearest", M::NEAREST},
                                         {"linear", M::LINEAR},
                                         {"linear_onnx", M::LINEAR_ONNX},
                                         {"cubic", M::CUBIC},
                                         {"bilinear_pillow", M::BILINEAR_PILLOW},
                                         {"bicubic_pillow", M::BICUBIC_PILLOW}});
  return enum_names;
}

template <>
EnumNames<op::util::InterpolateBase::ShapeCalcMode>&
EnumNames<op::util::InterpolateBase::ShapeCalcMode>::get() {
  using M = op::util::InterpolateBase::ShapeCalcMode;
  static auto enum_names = EnumNames<M>("op::util::InterpolateBase::ShapeCalcMode",
                                        {{"sizes", M::SIZES}, {"scales", M::SCALES}});
  return enum_names;
}

template <>
EnumNames<op::util::InterpolateBase::CoordinateTransformMode>&
EnumNames<op::util::InterpolateBase::CoordinateTransformMode>::get() {
  using M = op::util::InterpolateBase::CoordinateTransformMode;
  static auto enum_names = EnumNames<M>("op::util::InterpolateBase::CoordinateTransformMode",
                                        {{"half_pixel", M::HALF_PIXEL},
                                         {"pytorch_half_pixel", M::PYTORCH_HALF_PIXEL},
                                         {"asymmetric", M::ASYMMETRIC},
                                         {"tf_half_pixel_for_nn", M::TF_HALF_PIXEL_FOR_NN},
                                         {"align_corners", M::ALIGN_CORNERS}});
  return enum_names;
}

template <>
EnumNames<op::util::InterpolateBase::NearestMode>&
EnumNames<op::util::InterpolateBase::NearestMode>::get() {
  using M = op::util::InterpolateBase::NearestMode;
  static auto enum_names = EnumNames<M>("op::util::InterpolateBase::NearestMode",
                                        {{"round_prefer_floor", M::ROUND_PREFER_FLOOR},
                                         {"round_prefer_ceil", M::ROUND_PREFER_CEIL},
                                         {"floor", M::FLOOR},
                                         {"ceil", M::CEIL},
                                         {"simple", M::SIMPLE}});
  return enum_names;
}

}  // namespace ov
