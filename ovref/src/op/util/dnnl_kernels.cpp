// oneDNN behind the CPU kernels of Convolution, GroupConvolution, the pooling ops and MatMul.
//
// Each call describes the operation on plain row-major tensors, lets oneDNN choose its layouts
// (format `any`) and reorders in and out of them. Primitives are not kept here: oneDNN's own
// primitive cache returns the compiled kernel when the same geometry comes back, so a repeated
// inference pays for the reorders and the computation only. Nothing is cached by address.
//
// oneDNN runs on the calling thread alone. Its result bytes then depend on the inputs and the
// machine only, not on how many threads the process or its host asks OpenMP for, and no OpenMP
// workers are left spinning between calls in the host's process: on a busy two-core machine
// they cost more than the second thread gains (the real-model tests of tools/ took 8 s with two
// oneDNN threads and 2.5 s with one).

#include "dnnl_kernels.hpp"

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <oneapi/dnnl/dnnl.hpp>
#include <unordered_map>

namespace ov {
namespace op {
namespace dnnl_kernels {
namespace {

using dnnl::memory;
using Dims = memory::dims;

bool on_from_environment() {
  const char* env = std::getenv("OVREF_REFERENCE_KERNELS");
  return env == nullptr || std::strcmp(env, "1") != 0;
}

std::atomic<bool>& switch_state() {
  static std::atomic<bool> on{on_from_environment()};
  return on;
}

const dnnl::engine& cpu_engine() {
  static const dnnl::engine engine(dnnl::engine::kind::cpu, 0);
  return engine;
}

// Largest extent handed to oneDNN: its dims are signed 64-bit and it multiplies them.
constexpr size_t kMaxExtent = size_t{1} << 40;

bool fits(size_t v) { return v > 0 && v < kMaxExtent; }

Dims to_dims(const std::vector<size_t>& v) { return Dims(v.begin(), v.end()); }

memory::format_tag plain_activation_tag(size_t spatial) {
  switch (spatial) {
    case 1:
      return memory::format_tag::ncw;
    case 2:
      return memory::format_tag::nchw;
    default:
      return memory::format_tag::ncdhw;
  }
}

memory::format_tag plain_weights_tag(size_t spatial, bool grouped) {
  switch (spatial) {
    case 1:
      return grouped ? memory::format_tag::goiw : memory::format_tag::oiw;
    case 2:
      return grouped ? memory::format_tag::goihw : memory::format_tag::oihw;
    default:
      return grouped ? memory::format_tag::goidhw : memory::format_tag::oidhw;
  }
}

// Checks the spatial vectors of `g` against each other and the oneDNN limits.
bool valid_window(const WindowGeometry& g) {
  const size_t f = g.in.size();
  if (f < 1 || f > 3) return false;
  if (g.out.size() != f || g.kernel.size() != f || g.strides.size() != f ||
      g.dilations.size() != f || g.pads_begin.size() != f || g.pads_end.size() != f) {
    return false;
  }
  if (!fits(g.batch) || !fits(g.groups) || !fits(g.channels_in)) return false;
  for (size_t i = 0; i < f; ++i) {
    if (!fits(g.in[i]) || !fits(g.out[i]) || !fits(g.kernel[i]) || !fits(g.strides[i]) ||
        !fits(g.dilations[i]))
      return false;
    if (g.pads_begin[i] < 0 || g.pads_end[i] < 0) return false;
    if (static_cast<size_t>(g.pads_begin[i]) >= kMaxExtent ||
        static_cast<size_t>(g.pads_end[i]) >= kMaxExtent)
      return false;
  }
  return true;
}

// Dilations as oneDNN counts them (0 is dense).
Dims dnnl_dilations(const std::vector<size_t>& d) {
  Dims out;
  for (size_t v : d) out.push_back(static_cast<memory::dim>(v) - 1);
  return out;
}

// `user` as the primitive wants it: the same memory when the layouts agree, else a reordered
// copy (the reorder is queued on `s`).
memory as_layout(const memory& user, const memory::desc& wanted, dnnl::stream& s) {
  if (user.get_desc() == wanted) return user;
  memory converted(wanted, cpu_engine());
  dnnl::reorder(user, converted).execute(s, const_cast<memory&>(user), converted);
  return converted;
}

// Runs `prim` with the plain `dst_user` as destination; the primitive's own `dst_desc` layout is
// reordered back when it differs.
void execute_into(const dnnl::primitive& prim, std::unordered_map<int, memory> args,
                  const memory::desc& dst_desc, memory& dst_user, dnnl::stream& s) {
  if (dst_desc == dst_user.get_desc()) {
    args.emplace(DNNL_ARG_DST, dst_user);
    prim.execute(s, args);
    s.wait();
    return;
  }
  memory dst(dst_desc, cpu_engine());
  args.emplace(DNNL_ARG_DST, dst);
  prim.execute(s, args);
  dnnl::reorder(dst, dst_user).execute(s, dst, dst_user);
  s.wait();
}

thread_local size_t taken_on_this_thread = 0;

// One OpenMP thread for the oneDNN work in scope; the calling thread's own setting comes back
// afterwards.
class OneThread {
 public:
  OneThread() : m_previous(omp_get_max_threads()) { omp_set_num_threads(1); }
  ~OneThread() { omp_set_num_threads(m_previous); }
  OneThread(const OneThread&) = delete;
  OneThread& operator=(const OneThread&) = delete;

 private:
  int m_previous;
};

template <typename Fn>
bool guarded(Fn&& fn) {
  if (!enabled()) return false;
  const OneThread one_thread;
  try {
    const bool taken = fn();
    if (taken) ++taken_on_this_thread;
    return taken;
  } catch (const dnnl::error&) {
    // No primitive for this case, or the library failed: the reference loops take it.
    return false;
  } catch (const std::exception&) {
    return false;
  }
}

// True when every output position of every spatial dim has at least one kernel tap inside the
// input; the reference gives fully padded pooling windows values oneDNN does not.
bool every_window_reaches_input(const WindowGeometry& g) {
  for (size_t i = 0; i < g.in.size(); ++i) {
    for (size_t o = 0; o < g.out[i]; ++o) {
      const int64_t start = static_cast<int64_t>(o * g.strides[i]) - g.pads_begin[i];
      bool reached = false;
      for (size_t k = 0; k < g.kernel[i] && !reached; ++k) {
        const int64_t at = start + static_cast<int64_t>(k * g.dilations[i]);
        reached = at >= 0 && at < static_cast<int64_t>(g.in[i]);
      }
      if (!reached) return false;
    }
  }
  return true;
}

}  // namespace

bool enabled() { return switch_state().load(std::memory_order_relaxed); }

void set_enabled(bool on) { switch_state().store(on, std::memory_order_relaxed); }

size_t calls_taken() { return taken_on_this_thread; }

bool convolution(const WindowGeometry& g, const float* x, const float* w, float* y) {
  if (!valid_window(g) || !fits(g.channels_out)) return false;
  return guarded([&] {
    const size_t f = g.in.size();
    const bool grouped = g.groups > 1;
    const auto C_in = static_cast<memory::dim>(g.groups * g.channels_in);
    const auto C_out = static_cast<memory::dim>(g.groups * g.channels_out);
    Dims src_dims{static_cast<memory::dim>(g.batch), C_in};
    Dims dst_dims{static_cast<memory::dim>(g.batch), C_out};
    Dims wei_dims;
    if (grouped) wei_dims.push_back(static_cast<memory::dim>(g.groups));
    wei_dims.push_back(static_cast<memory::dim>(g.channels_out));
    wei_dims.push_back(static_cast<memory::dim>(g.channels_in));
    for (size_t i = 0; i < f; ++i) {
      src_dims.push_back(static_cast<memory::dim>(g.in[i]));
      dst_dims.push_back(static_cast<memory::dim>(g.out[i]));
      wei_dims.push_back(static_cast<memory::dim>(g.kernel[i]));
    }
    const auto f32 = memory::data_type::f32;
    const auto any = memory::format_tag::any;
    const memory::desc src_plain(src_dims, f32, plain_activation_tag(f));
    const memory::desc dst_plain(dst_dims, f32, plain_activation_tag(f));
    const memory::desc wei_plain(wei_dims, f32, plain_weights_tag(f, grouped));
    const dnnl::convolution_forward::desc desc(
        dnnl::prop_kind::forward_inference, dnnl::algorithm::convolution_direct,
        memory::desc(src_dims, f32, any), memory::desc(wei_dims, f32, any),
        memory::desc(dst_dims, f32, any), to_dims(g.strides), dnnl_dilations(g.dilations),
        Dims(g.pads_begin.begin(), g.pads_begin.end()), Dims(g.pads_end.begin(), g.pads_end.end()));
    const dnnl::convolution_forward::primitive_desc pd(desc, cpu_engine());
    dnnl::stream s(cpu_engine());
    memory src_user(src_plain, cpu_engine(), const_cast<float*>(x));
    memory wei_user(wei_plain, cpu_engine(), const_cast<float*>(w));
    memory dst_user(dst_plain, cpu_engine(), y);
    const memory src = as_layout(src_user, pd.src_desc(), s);
    const memory wei = as_layout(wei_user, pd.weights_desc(), s);
    execute_into(dnnl::convolution_forward(pd), {{DNNL_ARG_SRC, src}, {DNNL_ARG_WEIGHTS, wei}},
                 pd.dst_desc(), dst_user, s);
    return true;
  });
}

bool pooling(PoolKind kind, const WindowGeometry& g, const float* x, float* y) {
  if (!valid_window(g) || !every_window_reaches_input(g)) return false;
  return guarded([&] {
    const size_t f = g.in.size();
    Dims src_dims{static_cast<memory::dim>(g.batch), static_cast<memory::dim>(g.channels_in)};
    Dims dst_dims = src_dims;
    Dims pads_end;
    for (size_t i = 0; i < f; ++i) {
      src_dims.push_back(static_cast<memory::dim>(g.in[i]));
      dst_dims.push_back(static_cast<memory::dim>(g.out[i]));
      // oneDNN sizes the output with floor rounding; the end pad is what makes the last window
      // (ceil rounding included) end where the caller's does. Padding beyond it is never read.
      const int64_t span = static_cast<int64_t>((g.kernel[i] - 1) * g.dilations[i] + 1);
      const int64_t needed = static_cast<int64_t>((g.out[i] - 1) * g.strides[i]) + span -
                             static_cast<int64_t>(g.in[i]) - g.pads_begin[i];
      const int64_t end = std::max<int64_t>(needed, 0);
      const int64_t extent = static_cast<int64_t>(g.in[i]) + g.pads_begin[i] + end - span;
      if (extent < 0 ||
          extent / static_cast<int64_t>(g.strides[i]) + 1 != static_cast<int64_t>(g.out[i]))
        return false;
      pads_end.push_back(end);
    }
    const dnnl::algorithm alg = kind == PoolKind::kMax ? dnnl::algorithm::pooling_max
                                : kind == PoolKind::kAvgExcludePad
                                    ? dnnl::algorithm::pooling_avg_exclude_padding
                                    : dnnl::algorithm::pooling_avg_include_padding;
    const auto f32 = memory::data_type::f32;
    const memory::desc src_plain(src_dims, f32, plain_activation_tag(f));
    const memory::desc dst_plain(dst_dims, f32, plain_activation_tag(f));
    const dnnl::pooling_v2_forward::desc desc(
        dnnl::prop_kind::forward_inference, alg, src_plain, dst_plain, to_dims(g.strides),
        to_dims(g.kernel), dnnl_dilations(g.dilations),
        Dims(g.pads_begin.begin(), g.pads_begin.end()), pads_end);
    const dnnl::pooling_v2_forward::primitive_desc pd(desc, cpu_engine());
    dnnl::stream s(cpu_engine());
    memory src(src_plain, cpu_engine(), const_cast<float*>(x));
    memory dst_user(dst_plain, cpu_engine(), y);
    execute_into(dnnl::pooling_v2_forward(pd), {{DNNL_ARG_SRC, src}}, pd.dst_desc(), dst_user, s);
    return true;
  });
}

bool matmul(const MatMulGeometry& g, const float* a, const float* b, float* out) {
  const size_t rank = g.batch.size();
  if (g.a_batch.size() != rank || g.b_batch.size() != rank || rank + 2 > DNNL_MAX_NDIMS) {
    return false;
  }
  if (!fits(g.M) || !fits(g.N) || !fits(g.K)) return false;
  for (size_t i = 0; i < rank; ++i) {
    if (!fits(g.batch[i]) || !fits(g.a_batch[i]) || !fits(g.b_batch[i])) return false;
    if (g.a_batch[i] != g.batch[i] && g.a_batch[i] != 1) return false;
    if (g.b_batch[i] != g.batch[i] && g.b_batch[i] != 1) return false;
  }
  return guarded([&] {
    const auto M = static_cast<memory::dim>(g.M), N = static_cast<memory::dim>(g.N),
               K = static_cast<memory::dim>(g.K);
    // Strides of a matrix stack stored row-major as [batch..., rows, cols].
    auto stack_strides = [rank](const Shape& batch, memory::dim rows, memory::dim cols) {
      Dims strides(rank + 2);
      strides[rank + 1] = 1;
      strides[rank] = cols;
      memory::dim step = rows * cols;
      for (size_t i = rank; i-- > 0;) {
        strides[i] = step;
        step *= static_cast<memory::dim>(batch[i]);
      }
      return strides;
    };
    Dims a_dims(g.a_batch.begin(), g.a_batch.end()), b_dims(g.b_batch.begin(), g.b_batch.end()),
        c_dims(g.batch.begin(), g.batch.end());
    a_dims.insert(a_dims.end(), {M, K});
    b_dims.insert(b_dims.end(), {K, N});
    c_dims.insert(c_dims.end(), {M, N});
    Dims a_strides =
        g.transpose_a ? stack_strides(g.a_batch, K, M) : stack_strides(g.a_batch, M, K);
    Dims b_strides =
        g.transpose_b ? stack_strides(g.b_batch, N, K) : stack_strides(g.b_batch, K, N);
    if (g.transpose_a) std::swap(a_strides[rank], a_strides[rank + 1]);
    if (g.transpose_b) std::swap(b_strides[rank], b_strides[rank + 1]);
    const auto f32 = memory::data_type::f32;
    const memory::desc a_md(a_dims, f32, a_strides);
    const memory::desc b_md(b_dims, f32, b_strides);
    const memory::desc c_md(c_dims, f32, stack_strides(g.batch, M, N));
    const dnnl::matmul::desc desc(a_md, b_md, c_md);
    const dnnl::matmul::primitive_desc pd(desc, cpu_engine());
    dnnl::stream s(cpu_engine());
    memory a_mem(a_md, cpu_engine(), const_cast<float*>(a));
    memory b_mem(b_md, cpu_engine(), const_cast<float*>(b));
    memory c_mem(c_md, cpu_engine(), out);
    execute_into(dnnl::matmul(pd), {{DNNL_ARG_SRC, a_mem}, {DNNL_ARG_WEIGHTS, b_mem}},
                 pd.dst_desc(), c_mem, s);
    return true;
  });
}

}  // namespace dnnl_kernels
}  // namespace op
}  // namespace ov
