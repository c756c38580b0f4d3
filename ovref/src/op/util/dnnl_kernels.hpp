#pragma once

// The CPU device's fast kernels for f32 convolutions, pooling and matrix products, on oneDNN.
// Every entry point returns false when it does not take the case (another element type, a
// geometry oneDNN has no primitive for, negative pads, a failure inside the library); the
// caller then runs its reference loops, so a false return never changes a result. Tensors are
// plain row-major: N, C, then the spatial dims. Private to ovref.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "openvino/core/shape.hpp"

namespace ov {
namespace op {
namespace dnnl_kernels {

// Whether the fast kernels are used. On by default; OVREF_REFERENCE_KERNELS=1 in the
// environment when the process starts switches them off. set_enabled() is for tests that
// compare both paths in one process.
bool enabled();
void set_enabled(bool on);

// How many calls on this thread oneDNN has computed (for tests that must know a case went
// through it rather than back to the reference loops).
size_t calls_taken();

// A forward window over N x C x spatial tensors. Every spatial vector has one entry per spatial
// dim (1 to 3); dilations count like the ops' own attribute (1 is dense).
struct WindowGeometry {
  size_t batch = 0;
  size_t groups = 1;
  size_t channels_in = 0;   // per group, for convolutions; all channels for pooling
  size_t channels_out = 0;  // per group, for convolutions
  std::vector<size_t> in, out, kernel, strides, dilations;
  std::vector<int64_t> pads_begin, pads_end;
};

// y = x (*) w with w laid out [groups,] Cout, Cin, kernel...; no bias.
bool convolution(const WindowGeometry& g, const float* x, const float* w, float* y);

enum class PoolKind {
  kMax,            // padding never wins
  kAvgExcludePad,  // divisor: the input elements inside the window
  kAvgIncludePad,  // divisor: the whole kernel
};
// Windows that lie entirely in the padding are declined (the reference defines them).
bool pooling(PoolKind kind, const WindowGeometry& g, const float* x, float* y);

// out[b] = op(A[b]) x op(B[b]) over numpy-broadcast batch dims; A is [a_batch..., M, K] (or
// [.., K, M] with transpose_a), B is [b_batch..., K, N] (or [.., N, K] with transpose_b), and
// `batch` is the broadcast of both batch shapes, which are given at its rank.
struct MatMulGeometry {
  Shape a_batch, b_batch, batch;
  size_t M = 0, N = 0, K = 0;
  bool transpose_a = false, transpose_b = false;
};
bool matmul(const MatMulGeometry& g, const float* a, const float* b, float* out);

}  // namespace dnnl_kernels
}  // namespace op
}  // namespace ov
