#include "tfl_quantize.hpp"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "openvino/frontend/exception.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/fake_quantize.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/op/subtract.hpp"
#include "transformations/rt_info/disable_constant_folding.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {

TFLQuantize::TFLQuantize(const ov::Output<ov::Node>& data,
                         const std::shared_ptr<QuantizationInfo>& info,
                         const ov::element::Type& type)
    : Op({data}), m_info(info), m_type(type), m_original_type(type) {
  constructor_validate_and_infer_types();
}

void TFLQuantize::validate_and_infer_types() {
  set_output_type(0, m_type, get_input_partial_shape(0));
}

std::shared_ptr<ov::Node> TFLQuantize::clone_with_new_inputs(const ov::OutputVector& inputs) const {
  check_new_args_count(this, inputs);
  auto copy = std::make_shared<TFLQuantize>(inputs[0], m_info, m_original_type);
  copy->set_type(m_type);
  copy->validate_and_infer_types();
  return copy;
}

namespace pass {
namespace {

using ov::op::v0::Constant;

// Scalar for one value; otherwise the quantized tensor's rank with the values along the axis.
ov::Shape ParameterShape(const TFLQuantize& q, size_t count) {
  if (count == 1) return ov::Shape{};
  const auto& shape = q.get_input_partial_shape(0);
  FRONT_END_GENERAL_CHECK(shape.rank().is_static(),
                          "Per-Channel Quantization of tensor with dynamic rank");
  const auto rank = static_cast<int64_t>(shape.rank().get_length());
  int64_t axis = q.get_info()->get_axis();
  if (axis < 0) axis += rank;
  FRONT_END_GENERAL_CHECK(axis >= 0 && axis < rank, "Quantization axis ", q.get_info()->get_axis(),
                          " is out of range for a tensor of rank ", rank);
  const auto& dim = shape[static_cast<size_t>(axis)];
  FRONT_END_GENERAL_CHECK(dim.is_dynamic() || dim.get_length() == static_cast<int64_t>(count),
                          "Per-channel quantization has ", count,
                          " values but the quantized dimension is ", dim);
  ov::Shape result(static_cast<size_t>(rank), 1);
  result[static_cast<size_t>(axis)] = count;
  return result;
}

std::shared_ptr<Constant> F32(const ov::Shape& shape, const std::vector<float>& values) {
  return std::make_shared<Constant>(ov::element::f32, shape, values);
}

bool AnyNonZero(const std::vector<int64_t>& values) {
  return std::any_of(values.begin(), values.end(), [](int64_t v) { return v != 0; });
}

// i8/u8 weights with a zero point: w - zp stored as i8 when every value fits, so the
// dequantization needs no Subtract. Null when it does not fit.
std::shared_ptr<Constant> FoldZeroPoint(const Constant& weights, const std::vector<int64_t>& zp,
                                        const ov::Shape& zp_shape) {
  const auto values = weights.cast_vector<int64_t>();
  const auto& shape = weights.get_shape();
  size_t inner = 1, channels = 1;
  if (zp.size() > 1) {
    for (size_t d = 0; d < zp_shape.size(); ++d) {
      if (zp_shape[d] != 1) {
        channels = zp_shape[d];
        for (size_t e = d + 1; e < shape.size(); ++e) inner *= shape[e];
      }
    }
  }
  std::vector<int8_t> folded(values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    const int64_t z = zp.size() > 1 ? zp[(i / inner) % channels] : zp[0];
    int64_t v = 0;
    if (__builtin_sub_overflow(values[i], z, &v) || v < -128 || v > 127) return nullptr;
    folded[i] = static_cast<int8_t>(v);
  }
  return std::make_shared<Constant>(ov::element::i8, shape, folded.data());
}

// A Convert to f32 that only dequantizes the value before it: the TFLQuantize then stands for
// the dequantized float value itself.
void FuseConverts(const std::shared_ptr<TFLQuantize>& q) {
  const auto consumers = q->output(0).get_target_inputs();
  if (consumers.empty()) return;
  std::vector<std::shared_ptr<ov::Node>> converts;
  for (const auto& input : consumers) {
    auto convert = ov::as_type_ptr<ov::op::v0::Convert>(input.get_node()->shared_from_this());
    // Any other consumer needs the stored integer value: keep the type.
    if (!convert || convert->get_destination_type() != ov::element::f32) return;
    converts.push_back(convert);
  }
  q->set_type(ov::element::f32);
  q->validate_and_infer_types();
  for (const auto& convert : converts) convert->output(0).replace(q->output(0));
}

void Replace(const std::shared_ptr<TFLQuantize>& q) {
  const auto& info = *q->get_info();
  const auto& scales = info.get_scale();
  auto zp = info.get_zero_point();
  FRONT_END_GENERAL_CHECK(!scales.empty(), "Quantization of '", q->get_friendly_name(),
                          "' has no scale");
  if (zp.empty()) zp.assign(1, 0);
  const auto in = q->get_input_element_type(0);
  const auto out = q->get_type();
  const auto orig = q->get_original_type();
  FRONT_END_GENERAL_CHECK(in == out || in == ov::element::f32 || out == ov::element::f32,
                          "TFLQuantized types do not match: in type = ", in, ", out type = ", out);
  const auto scale_shape = ParameterShape(*q, scales.size());
  auto zp_shape = ParameterShape(*q, zp.size());
  auto data = q->input_value(0);

  ov::Output<ov::Node> result;
  if (auto weights = ov::as_type_ptr<Constant>(data.get_node_shared_ptr())) {
    const auto type = weights->get_element_type();
    if ((type == ov::element::i8 || type == ov::element::u8) && AnyNonZero(zp)) {
      if (auto folded = FoldZeroPoint(*weights, zp, zp_shape)) {
        folded->set_friendly_name(weights->get_friendly_name());
        data = folded;
        zp.assign(1, 0);
        zp_shape = ov::Shape{};
      }
    }
    auto convert = std::make_shared<ov::op::v0::Convert>(data, ov::element::f32);
    ov::disable_constant_folding(convert);
    result = convert;
    if (AnyNonZero(zp)) {
      std::vector<float> zp_f(zp.begin(), zp.end());
      result = std::make_shared<ov::op::v1::Subtract>(result, F32(zp_shape, zp_f));
    }
    result = std::make_shared<ov::op::v1::Multiply>(result, F32(scale_shape, scales));
  } else {
    const size_t bits = orig.bitwidth();
    const double levels = static_cast<double>(uint64_t{1} << std::min<size_t>(bits, 63));
    const float lo = static_cast<float>(orig.is_signed() ? -levels / 2 : 0.0);
    const float hi = static_cast<float>((orig.is_signed() ? levels / 2 : levels) - 1);
    // (bound - zp) * scale, per channel where either list has several values.
    const ov::Shape shape = scales.size() > 1 ? scale_shape : zp_shape;
    const size_t n = std::max(scales.size(), zp.size());
    std::vector<float> real_lo(n), real_hi(n);
    for (size_t i = 0; i < n; ++i) {
      const float s = scales[scales.size() > 1 ? i : 0];
      const float z = static_cast<float>(zp[zp.size() > 1 ? i : 0]);
      real_lo[i] = (lo - z) * s;
      real_hi[i] = (hi - z) * s;
    }
    ov::Output<ov::Node> x = data;
    if (in != ov::element::f32) x = std::make_shared<ov::op::v0::Convert>(x, ov::element::f32);
    std::shared_ptr<Constant> ilo, ihi, olo, ohi;
    if (out != ov::element::f32) {
      ilo = F32(shape, real_lo), ihi = F32(shape, real_hi);
      olo = F32({}, {lo}), ohi = F32({}, {hi});
    } else if (in != ov::element::f32) {
      ilo = F32({}, {lo}), ihi = F32({}, {hi});
      olo = F32(shape, real_lo), ohi = F32(shape, real_hi);
    } else {
      ilo = F32(shape, real_lo), ihi = F32(shape, real_hi);
      olo = F32(shape, real_lo), ohi = F32(shape, real_hi);
    }
    result = std::make_shared<ov::op::v0::FakeQuantize>(x, ilo, ihi, olo, ohi,
                                                        static_cast<size_t>(levels));
    if (out != ov::element::f32) result = std::make_shared<ov::op::v0::Convert>(result, out);
  }
  q->output(0).replace(result);
}

std::vector<std::shared_ptr<TFLQuantize>> Collect(const std::shared_ptr<ov::Model>& model) {
  std::vector<std::shared_ptr<TFLQuantize>> found;
  for (const auto& node : model->get_ordered_ops()) {
    if (auto q = ov::as_type_ptr<TFLQuantize>(node)) found.push_back(q);
  }
  return found;
}

}  // namespace

void resolve_tfl_quantize(const std::shared_ptr<ov::Model>& model) {
  for (const auto& q : Collect(model)) FuseConverts(q);
  for (const auto& q : Collect(model)) Replace(q);
  model->validate_nodes_and_infer_types();
}

}  // namespace pass
}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
