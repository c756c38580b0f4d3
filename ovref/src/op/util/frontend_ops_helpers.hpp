#pragma once

// Helpers shared by the convolution, pooling and layout kernels. Private to ovref.

#include <array>
#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

#include "openvino/core/node.hpp"
#include "openvino/core/partial_shape.hpp"
#include "openvino/runtime/tensor.hpp"

namespace ov {
namespace op {
namespace frontend_ops {

// Output tensor `i` with its shape set; created when the caller left it empty.
Tensor& output_tensor(TensorVector& outputs, size_t i, const element::Type& type,
                      const Shape& shape);

// Spatial geometry of a window op padded to three dimensions (leading dims of size 1), so one
// triple loop covers 1-D, 2-D and 3-D.
struct Window3 {
  std::array<size_t, 3> in{1, 1, 1};
  std::array<size_t, 3> out{1, 1, 1};
  std::array<size_t, 3> kernel{1, 1, 1};
  std::array<size_t, 3> stride{1, 1, 1};
  std::array<size_t, 3> dilation{1, 1, 1};
  std::array<int64_t, 3> pad_begin{0, 0, 0};
  std::array<int64_t, 3> pad_end{0, 0, 0};
  size_t in_size() const { return in[0] * in[1] * in[2]; }
  size_t out_size() const { return out[0] * out[1] * out[2]; }
  size_t kernel_size() const { return kernel[0] * kernel[1] * kernel[2]; }
};

Window3 make_window(const Shape& in, const Shape& out, const Shape& kernel,
                    const std::vector<size_t>& strides, const std::vector<size_t>& dilations,
                    const std::vector<int64_t>& pads_begin, const std::vector<int64_t>& pads_end);

// Output extent of one spatial dimension of a forward window op over a padded input:
// floor (or ceil) of (D + pads - dilated_kernel) / stride, plus one. Interval bounds of a
// dynamic D propagate; returns a dynamic dimension when nothing is known.
Dimension window_output_dim(const Dimension& in, int64_t pads, int64_t dilated_kernel,
                            int64_t stride, bool ceil_mode);

// ceil(D / stride) for SAME padding, with bounds.
Dimension same_output_dim(const Dimension& in, int64_t stride);

// Groups the elements of a tensor of `shape` by their coordinates outside `axes`: `index[i]`
// is the group of element i, numbered row-major over the kept dims; `count` groups in all.
struct ReductionIndex {
  std::vector<size_t> index;
  size_t count = 0;
};
ReductionIndex reduction_index(const Shape& shape, const std::set<size_t>& axes);

}  // namespace frontend_ops
}  // namespace op
}  // namespace ov
