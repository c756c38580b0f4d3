#include "element_access.hpp"

#include <cmath>
#include <cstring>
#include <limits>

#include "openvino/core/except.hpp"
#include "openvino/core/type/bfloat16.hpp"
#include "openvino/core/type/float16.hpp"
#include "openvino/core/type/float8_e4m3.hpp"

namespace ov {
namespace util {

namespace {

template <typename T>
T load(const void* data, size_t index) {
  T v;
  std::memcpy(&v, static_cast<const char*>(data) + index * sizeof(T), sizeof(T));
  return v;
}

template <typename T>
void store(void* data, size_t index, T v) {
  std::memcpy(static_cast<char*>(data) + index * sizeof(T), &v, sizeof(T));
}

[[noreturn]] void unsupported(const element::Type& type) {
  OPENVINO_THROW("Element type ", type, " is not supported here");
}

bool is_packed(const element::Type& type) {
  return type == element::u1 || type == element::u2 || type == element::u4 || type == element::i4;
}

}  // namespace

bool element_access_supported(const element::Type& type) {
  switch (type) {
    case element::Type_t::boolean:
    case element::Type_t::bf16:
    case element::Type_t::f16:
    case element::Type_t::f32:
    case element::Type_t::f64:
    case element::Type_t::i4:
    case element::Type_t::i8:
    case element::Type_t::i16:
    case element::Type_t::i32:
    case element::Type_t::i64:
    case element::Type_t::u1:
    case element::Type_t::u2:
    case element::Type_t::u4:
    case element::Type_t::u8:
    case element::Type_t::u16:
    case element::Type_t::u32:
    case element::Type_t::u64:
    case element::Type_t::f8e4m3:
    case element::Type_t::f8e5m2:
      return true;
    default:
      return false;
  }
}

int64_t double_to_int64(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (value <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(value);
}

uint8_t get_packed_bits(const element::Type& type, const void* data, size_t index) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  const size_t bits = type.bitwidth();
  const size_t per_byte = 8 / bits;
  const uint8_t mask = static_cast<uint8_t>((1u << bits) - 1);
  const uint8_t byte = bytes[index / per_byte];
  const size_t slot = index % per_byte;
  // u1 is MSB-first; the other packed types put element 0 in the low bits.
  const size_t shift = type == element::u1 ? (7 - slot) : slot * bits;
  return static_cast<uint8_t>((byte >> shift) & mask);
}

void set_packed_bits(const element::Type& type, void* data, size_t index, uint8_t value) {
  auto* bytes = static_cast<uint8_t*>(data);
  const size_t bits = type.bitwidth();
  const size_t per_byte = 8 / bits;
  const uint8_t mask = static_cast<uint8_t>((1u << bits) - 1);
  const size_t slot = index % per_byte;
  const size_t shift = type == element::u1 ? (7 - slot) : slot * bits;
  uint8_t& byte = bytes[index / per_byte];
  byte = static_cast<uint8_t>((byte & ~(mask << shift)) | ((value & mask) << shift));
}

int64_t get_signed(const element::Type& type, const void* data, size_t index) {
  switch (type) {
    case element::Type_t::boolean:
      return load<char>(data, index) != 0 ? 1 : 0;
    case element::Type_t::i4: {
      const uint8_t bits = get_packed_bits(type, data, index);
      return (bits & 0x8) ? static_cast<int64_t>(bits) - 16 : static_cast<int64_t>(bits);
    }
    case element::Type_t::u1:
    case element::Type_t::u2:
    case element::Type_t::u4:
      return get_packed_bits(type, data, index);
    case element::Type_t::i8:
      return load<int8_t>(data, index);
    case element::Type_t::i16:
      return load<int16_t>(data, index);
    case element::Type_t::i32:
      return load<int32_t>(data, index);
    case element::Type_t::i64:
      return load<int64_t>(data, index);
    case element::Type_t::u8:
      return load<uint8_t>(data, index);
    case element::Type_t::u16:
      return load<uint16_t>(data, index);
    case element::Type_t::u32:
      return load<uint32_t>(data, index);
    case element::Type_t::u64:
      return static_cast<int64_t>(load<uint64_t>(data, index));
    default:
      if (type.is_real() && element_access_supported(type)) {
        return double_to_int64(get_double(type, data, index));
      }
      unsupported(type);
  }
}

uint64_t get_unsigned(const element::Type& type, const void* data, size_t index) {
  if (type == element::u64) return load<uint64_t>(data, index);
  if (type.is_real() && element_access_supported(type)) {
    const double v = get_double(type, data, index);
    if (std::isnan(v) || v <= -1.0) return static_cast<uint64_t>(double_to_int64(v));
    if (v >= 18446744073709551615.0) return std::numeric_limits<uint64_t>::max();
    return static_cast<uint64_t>(v);
  }
  return static_cast<uint64_t>(get_signed(type, data, index));
}

double get_double(const element::Type& type, const void* data, size_t index) {
  switch (type) {
    case element::Type_t::f32:
      return load<float>(data, index);
    case element::Type_t::f64:
      return load<double>(data, index);
    case element::Type_t::f16:
      return static_cast<float>(float16::from_bits(load<uint16_t>(data, index)));
    case element::Type_t::bf16:
      return static_cast<float>(bfloat16::from_bits(load<uint16_t>(data, index)));
    case element::Type_t::f8e4m3:
      return static_cast<float>(float8_e4m3::from_bits(load<uint8_t>(data, index)));
    case element::Type_t::f8e5m2:
      return static_cast<float>(float8_e5m2::from_bits(load<uint8_t>(data, index)));
    case element::Type_t::u64:
      return static_cast<double>(load<uint64_t>(data, index));
    default:
      return static_cast<double>(get_signed(type, data, index));
  }
}

void set_signed(const element::Type& type, void* data, size_t index, int64_t value) {
  const uint64_t u = static_cast<uint64_t>(value);
  switch (type) {
    case element::Type_t::boolean:
      store<char>(data, index, value != 0 ? 1 : 0);
      return;
    case element::Type_t::i4:
    case element::Type_t::u1:
    case element::Type_t::u2:
    case element::Type_t::u4:
      set_packed_bits(type, data, index, static_cast<uint8_t>(u & 0xFF));
      return;
    case element::Type_t::i8:
    case element::Type_t::u8:
      store<uint8_t>(data, index, static_cast<uint8_t>(u));
      return;
    case element::Type_t::i16:
    case element::Type_t::u16:
      store<uint16_t>(data, index, static_cast<uint16_t>(u));
      return;
    case element::Type_t::i32:
    case element::Type_t::u32:
      store<uint32_t>(data, index, static_cast<uint32_t>(u));
      return;
    case element::Type_t::i64:
    case element::Type_t::u64:
      store<uint64_t>(data, index, u);
      return;
    default:
      if (type.is_real() && element_access_supported(type)) {
        set_double(type, data, index, static_cast<double>(value));
        return;
      }
      unsupported(type);
  }
}

void set_unsigned(const element::Type& type, void* data, size_t index, uint64_t value) {
  if (type.is_real() && element_access_supported(type)) {
    set_double(type, data, index, static_cast<double>(value));
    return;
  }
  if (type == element::boolean) {
    store<char>(data, index, value != 0 ? 1 : 0);
    return;
  }
  set_signed(type, data, index, static_cast<int64_t>(value));
}

void set_double(const element::Type& type, void* data, size_t index, double value) {
  switch (type) {
    case element::Type_t::f32:
      store<float>(data, index, static_cast<float>(value));
      return;
    case element::Type_t::f64:
      store<double>(data, index, value);
      return;
    case element::Type_t::f16:
      store<uint16_t>(data, index, float16(static_cast<float>(value)).to_bits());
      return;
    case element::Type_t::bf16:
      store<uint16_t>(data, index, bfloat16(static_cast<float>(value)).to_bits());
      return;
    case element::Type_t::f8e4m3:
      store<uint8_t>(data, index, float8_e4m3(static_cast<float>(value)).to_bits());
      return;
    case element::Type_t::f8e5m2:
      store<uint8_t>(data, index, float8_e5m2(static_cast<float>(value)).to_bits());
      return;
    case element::Type_t::boolean:
      // NaN is "not zero", so it converts to true.
      store<char>(data, index, value != 0.0 ? 1 : 0);
      return;
    case element::Type_t::u64:
      if (value >= 0.0 && value < 18446744073709551616.0) {
        store<uint64_t>(data, index, static_cast<uint64_t>(value));
      } else {
        store<uint64_t>(data, index, static_cast<uint64_t>(double_to_int64(value)));
      }
      return;
    default:
      if (is_packed(type) || type.is_integral_number()) {
        set_signed(type, data, index, double_to_int64(value));
        return;
      }
      unsupported(type);
  }
}

}  // namespace util
}  // namespace ov
