#pragma once

// Helpers shared by the reference kernels: element type dispatch, numpy broadcasting,
// reading integer tensors. Private to ovref.

#include <cstdint>
#include <type_traits>
#include <vector>

#include "openvino/core/shape.hpp"
#include "openvino/core/type/bfloat16.hpp"
#include "openvino/core/type/element_type.hpp"
#include "openvino/core/type/float16.hpp"
#include "openvino/op/util/attr_types.hpp"
#include "openvino/runtime/tensor.hpp"

namespace ov {
namespace op {
namespace eval {

// Tag passed to dispatch callbacks: `typename decltype(tag)::type` is the storage type.
template <typename T>
struct Tag {
  using type = T;
};

// The type arithmetic is done in: 16-bit floats compute in float, everything else in itself.
template <typename T>
using compute_t =
    std::conditional_t<std::is_same_v<T, float16> || std::is_same_v<T, bfloat16>, float, T>;

template <typename T>
constexpr bool is_floating_v =
    std::is_floating_point_v<T> || std::is_same_v<T, float16> || std::is_same_v<T, bfloat16>;

enum TypeSet : unsigned {
  kBoolean = 1u << 0,
  kFloat = 1u << 1,     // f16, bf16, f32, f64
  kSigned = 1u << 2,    // i8, i16, i32, i64
  kUnsigned = 1u << 3,  // u8, u16, u32, u64
  kInteger = kSigned | kUnsigned,
  kNumeric = kFloat | kInteger,
  kAll = kNumeric | kBoolean,
};

// Calls fn(Tag<T>{}) for the storage type T of `type` when `type` is in `set`; returns false
// (without calling) otherwise. Boolean is stored as char.
template <typename Fn>
bool dispatch(const element::Type& type, unsigned set, Fn&& fn) {
  switch (type) {
    case element::Type_t::boolean:
      if (!(set & kBoolean)) return false;
      fn(Tag<char>{});
      return true;
    case element::Type_t::f16:
      if (!(set & kFloat)) return false;
      fn(Tag<float16>{});
      return true;
    case element::Type_t::bf16:
      if (!(set & kFloat)) return false;
      fn(Tag<bfloat16>{});
      return true;
    case element::Type_t::f32:
      if (!(set & kFloat)) return false;
      fn(Tag<float>{});
      return true;
    case element::Type_t::f64:
      if (!(set & kFloat)) return false;
      fn(Tag<double>{});
      return true;
    case element::Type_t::i8:
      if (!(set & kSigned)) return false;
      fn(Tag<int8_t>{});
      return true;
    case element::Type_t::i16:
      if (!(set & kSigned)) return false;
      fn(Tag<int16_t>{});
      return true;
    case element::Type_t::i32:
      if (!(set & kSigned)) return false;
      fn(Tag<int32_t>{});
      return true;
    case element::Type_t::i64:
      if (!(set & kSigned)) return false;
      fn(Tag<int64_t>{});
      return true;
    case element::Type_t::u8:
      if (!(set & kUnsigned)) return false;
      fn(Tag<uint8_t>{});
      return true;
    case element::Type_t::u16:
      if (!(set & kUnsigned)) return false;
      fn(Tag<uint16_t>{});
      return true;
    case element::Type_t::u32:
      if (!(set & kUnsigned)) return false;
      fn(Tag<uint32_t>{});
      return true;
    case element::Type_t::u64:
      if (!(set & kUnsigned)) return false;
      fn(Tag<uint64_t>{});
      return true;
    default:
      return false;
  }
}

bool in_set(const element::Type& type, unsigned set);

// Integer arithmetic that wraps instead of overflowing (signed overflow is undefined in C++).
template <typename T>
T wrap_add(T a, T b) {
  if constexpr (std::is_integral_v<T>) {
    using U = std::make_unsigned_t<T>;
    return static_cast<T>(static_cast<U>(static_cast<U>(a) + static_cast<U>(b)));
  } else {
    return a + b;
  }
}
template <typename T>
T wrap_sub(T a, T b) {
  if constexpr (std::is_integral_v<T>) {
    using U = std::make_unsigned_t<T>;
    return static_cast<T>(static_cast<U>(static_cast<U>(a) - static_cast<U>(b)));
  } else {
    return a - b;
  }
}
template <typename T>
T wrap_mul(T a, T b) {
  if constexpr (std::is_integral_v<T>) {
    using U = std::make_unsigned_t<T>;
    using W = std::conditional_t<(sizeof(U) < sizeof(unsigned)), unsigned, U>;
    return static_cast<T>(
        static_cast<U>(static_cast<W>(static_cast<U>(a)) * static_cast<W>(static_cast<U>(b))));
  } else {
    return a * b;
  }
}

// Maps every output element of a numpy (or PDPD) broadcast to the offset of the element it
// reads in one input. Offsets are computed once per output element.
std::vector<size_t> broadcast_offsets(const Shape& out_shape, const Shape& in_shape,
                                      const AutoBroadcastSpec& spec = AutoBroadcastType::NUMPY);

// Output shape of broadcasting `a` with `b`; false if they do not broadcast.
bool broadcast_shapes(const Shape& a, const Shape& b, const AutoBroadcastSpec& spec, Shape& out);

// Reads an integer tensor (any integer type, or boolean) as int64 values.
std::vector<int64_t> read_int64(const Tensor& tensor);

// Copies whole elements by index: out[i] = in[index[i]], or the bytes at `fill` where the index
// is kFill. Works for every byte-sized type and the packed types element access supports (element
// by element, packing kept); false for strings.
constexpr size_t kFill = static_cast<size_t>(-1);
bool copy_elements(const Tensor& in, Tensor& out, const std::vector<size_t>& index,
                   const void* fill = nullptr);

// Copies the bytes of `in` to `out` unchanged (reshape-like ops); any type but string.
bool copy_bytes(const Tensor& in, Tensor& out, const Shape& out_shape);

// Row-major strides in elements.
std::vector<size_t> element_strides(const Shape& shape);

// Axis in [-rank, rank) made non-negative; false if outside.
bool normalize_axis(int64_t axis, int64_t rank, int64_t& out);

}  // namespace eval
}  // namespace op
}  // namespace ov

#include <cmath>
#include <cstring>
#include <limits>

namespace ov {
namespace op {
namespace eval {

// Read access to a tensor's elements as T. Memory that is not aligned for T (a view into a
// file, for instance) is copied first, so kernels never do misaligned loads.
template <typename T>
class ConstView {
 public:
  explicit ConstView(const Tensor& tensor) {
    const void* data = tensor.data();
    if (reinterpret_cast<uintptr_t>(data) % alignof(T) == 0) {
      m_ptr = static_cast<const T*>(data);
    } else {
      m_copy.resize(tensor.get_size());
      if (!m_copy.empty()) std::memcpy(m_copy.data(), data, m_copy.size() * sizeof(T));
      m_ptr = m_copy.data();
    }
  }
  const T* get() const { return m_ptr; }
  const T& operator[](size_t i) const { return m_ptr[i]; }

 private:
  std::vector<T> m_copy;
  const T* m_ptr;
};

// Write access; unaligned memory is written through a buffer that is copied back on
// destruction.
template <typename T>
class MutView {
 public:
  explicit MutView(Tensor& tensor) : m_dst(tensor.data()), m_size(tensor.get_size()) {
    if (reinterpret_cast<uintptr_t>(m_dst) % alignof(T) == 0) {
      m_ptr = static_cast<T*>(m_dst);
    } else {
      m_copy.resize(m_size);
      m_ptr = m_copy.data();
    }
  }
  ~MutView() {
    if (!m_copy.empty()) std::memcpy(m_dst, m_copy.data(), m_size * sizeof(T));
  }
  MutView(const MutView&) = delete;
  MutView& operator=(const MutView&) = delete;
  T* get() { return m_ptr; }
  T& operator[](size_t i) { return m_ptr[i]; }

 private:
  void* m_dst;
  size_t m_size;
  std::vector<T> m_copy;
  T* m_ptr;
};

// double to T as a C++ cast would, except that NaN and out-of-range values do not invoke
// undefined behaviour: integers saturate (NaN gives 0).
template <typename T>
T from_double(double v) {
  if constexpr (std::is_same_v<T, char>) {
    return v != 0.0 ? 1 : 0;
  } else if constexpr (std::is_integral_v<T>) {
    if (std::isnan(v)) return 0;
    if (v <= static_cast<double>(std::numeric_limits<T>::lowest())) {
      return std::numeric_limits<T>::lowest();
    }
    if (v >= static_cast<double>(std::numeric_limits<T>::max())) {
      return std::numeric_limits<T>::max();
    }
    return static_cast<T>(v);
  } else {
    return T(static_cast<compute_t<T>>(v));
  }
}

// Element-wise kernel over two broadcast inputs: out = fn(a, b) computed in compute_t<T>.
// `Out` is the output storage type for a given input type.
template <typename Fn>
bool binary(Tensor& out, const Tensor& a, const Tensor& b, const AutoBroadcastSpec& spec,
            unsigned types, bool boolean_output, Fn&& fn) {
  Shape out_shape;
  if (!broadcast_shapes(a.get_shape(), b.get_shape(), spec, out_shape)) return false;
  if (a.get_element_type() != b.get_element_type()) return false;
  out.set_shape(out_shape);
  // Under PDPD only the second input is broadcast; the first has the output's shape.
  const auto offsets_a = broadcast_offsets(out_shape, a.get_shape(), AutoBroadcastType::NUMPY);
  const auto offsets_b = broadcast_offsets(out_shape, b.get_shape(), spec);
  return dispatch(a.get_element_type(), types, [&](auto tag) {
    using T = typename decltype(tag)::type;
    using C = compute_t<T>;
    ConstView<T> va(a), vb(b);
    const size_t n = offsets_a.size();
    if (boolean_output) {
      MutView<char> vo(out);
      for (size_t i = 0; i < n; ++i) {
        vo[i] = fn(static_cast<C>(va[offsets_a[i]]), static_cast<C>(vb[offsets_b[i]])) ? 1 : 0;
      }
    } else {
      MutView<T> vo(out);
      for (size_t i = 0; i < n; ++i) {
        vo[i] =
            static_cast<T>(fn(static_cast<C>(va[offsets_a[i]]), static_cast<C>(vb[offsets_b[i]])));
      }
    }
  });
}

// Element-wise kernel over one input: out = fn(x) computed in compute_t<T>.
template <typename Fn>
bool unary(Tensor& out, const Tensor& in, unsigned types, Fn&& fn) {
  out.set_shape(in.get_shape());
  return dispatch(in.get_element_type(), types, [&](auto tag) {
    using T = typename decltype(tag)::type;
    using C = compute_t<T>;
    ConstView<T> vi(in);
    MutView<T> vo(out);
    const size_t n = in.get_size();
    for (size_t i = 0; i < n; ++i) vo[i] = static_cast<T>(fn(static_cast<C>(vi[i])));
  });
}

}  // namespace eval
}  // namespace op
}  // namespace ov
