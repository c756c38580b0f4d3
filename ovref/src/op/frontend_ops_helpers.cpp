#include "util/frontend_ops_helpers.hpp"

#include "openvino/core/except.hpp"

namespace ov {
namespace op {
namespace frontend_ops {

Tensor& output_tensor(TensorVector& outputs, size_t i, const element::Type& type,
                      const Shape& shape) {
  if (outputs.size() <= i) outputs.resize(i + 1);
  if (!outputs[i]) {
    outputs[i] = Tensor(type, shape);
  } else {
    outputs[i].set_shape(shape);
  }
  return outputs[i];
}

Window3 make_window(const Shape& in, const Shape& out, const Shape& kernel,
                    const std::vector<size_t>& strides, const std::vector<size_t>& dilations,
                    const std::vector<int64_t>& pads_begin, const std::vector<int64_t>& pads_end) {
  Window3 w;
  const size_t f = in.size();
  OPENVINO_ASSERT(f >= 1 && f <= 3, "Window ops take 1 to 3 spatial dimensions, got ", f);
  const size_t off = 3 - f;
  for (size_t i = 0; i < f; ++i) {
    w.in[off + i] = in[i];
    w.out[off + i] = out[i];
    w.kernel[off + i] = kernel[i];
    w.stride[off + i] = i < strides.size() ? strides[i] : 1;
    w.dilation[off + i] = i < dilations.size() ? dilations[i] : 1;
    w.pad_begin[off + i] = i < pads_begin.size() ? pads_begin[i] : 0;
    w.pad_end[off + i] = i < pads_end.size() ? pads_end[i] : 0;
  }
  return w;
}

namespace {

int64_t window_count(int64_t padded, int64_t dilated_kernel, int64_t stride, bool ceil_mode) {
  if (padded < dilated_kernel) return 0;
  const int64_t span = padded - dilated_kernel;
  return (ceil_mode ? (span + stride - 1) / stride : span / stride) + 1;
}

}  // namespace

Dimension window_output_dim(const Dimension& in, int64_t pads, int64_t dilated_kernel,
                            int64_t stride, bool ceil_mode) {
  if (in.is_static()) {
    return Dimension(window_count(in.get_length() + pads, dilated_kernel, stride, ceil_mode));
  }
  const auto& interval = in.get_interval();
  const int64_t lo = window_count(interval.get_min_val() + pads, dilated_kernel, stride, ceil_mode);
  if (interval.get_max_val() == Interval::s_max) return Dimension(lo, -1);
  const int64_t hi = window_count(interval.get_max_val() + pads, dilated_kernel, stride, ceil_mode);
  return Dimension(lo, hi);
}

Dimension same_output_dim(const Dimension& in, int64_t stride) {
  if (in.is_static()) return Dimension((in.get_length() + stride - 1) / stride);
  const auto& interval = in.get_interval();
  const int64_t lo = (interval.get_min_val() + stride - 1) / stride;
  if (interval.get_max_val() == Interval::s_max) return Dimension(lo, -1);
  return Dimension(lo, (interval.get_max_val() + stride - 1) / stride);
}

ReductionIndex reduction_index(const Shape& shape, const std::set<size_t>& axes) {
  ReductionIndex result;
  Shape kept = shape;
  for (auto a : axes) kept[a] = 1;
  const auto strides = row_major_strides(kept);
  std::vector<size_t> step(shape.size());
  for (size_t i = 0; i < shape.size(); ++i) step[i] = axes.count(i) ? 0 : strides[i];
  result.count = shape_size(kept);
  result.index.resize(shape_size(shape));
  std::vector<size_t> coord(shape.size(), 0);
  size_t at = 0;
  for (size_t n = 0; n < result.index.size(); ++n) {
    result.index[n] = at;
    for (size_t d = shape.size(); d-- > 0;) {
      if (++coord[d] < shape[d]) {
        at += step[d];
        break;
      }
      at -= step[d] * (shape[d] - 1);
      coord[d] = 0;
    }
  }
  return result;
}

}  // namespace frontend_ops
}  // namespace op
}  // namespace ov
