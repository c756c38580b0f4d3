#pragma once

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>

#include "openvino/core/core_visibility.hpp"

namespace ov {

// IEEE 754 half precision. Arithmetic goes through float; conversion from float rounds to nearest
// even and overflows to infinity.
class OPENVINO_API float16 {
 public:
  constexpr float16() : m_value{0} {}
  float16(float value);
  template <typename I>
  explicit float16(I value) : float16(static_cast<float>(value)) {}

  static constexpr float16 from_bits(uint16_t bits) { return float16(bits, true); }
  uint16_t to_bits() const { return m_value; }
  operator float() const;

  std::string to_string() const;
  size_t size() const { return sizeof(m_value); }

  float16 operator+(const float16& other) const { return float16(float(*this) + float(other)); }
  float16 operator-(const float16& other) const { return float16(float(*this) - float(other)); }
  float16 operator*(const float16& other) const { return float16(float(*this) * float(other)); }
  float16 operator/(const float16& other) const { return float16(float(*this) / float(other)); }
  float16 operator-() const { return from_bits(m_value ^ 0x8000u); }

 private:
  constexpr float16(uint16_t x, bool) : m_value{x} {}
  uint16_t m_value;
};

OPENVINO_API std::ostream& operator<<(std::ostream& out, const float16& obj);

}  // namespace ov

namespace std {
template <>
class numeric_limits<ov::float16> {
 public:
  static constexpr bool is_specialized = true;
  static constexpr bool is_signed = true;
  static constexpr bool is_integer = false;
  static constexpr bool has_infinity = true;
  static constexpr bool has_quiet_NaN = true;
  static constexpr int digits = 11;
  static constexpr ov::float16 min() noexcept { return ov::float16::from_bits(0x0400); }
  static constexpr ov::float16 max() noexcept { return ov::float16::from_bits(0x7BFF); }
  static constexpr ov::float16 lowest() noexcept { return ov::float16::from_bits(0xFBFF); }
  static constexpr ov::float16 epsilon() noexcept { return ov::float16::from_bits(0x1400); }
  static constexpr ov::float16 infinity() noexcept { return ov::float16::from_bits(0x7C00); }
  static constexpr ov::float16 quiet_NaN() noexcept { return ov::float16::from_bits(0x7E00); }
};
}  // namespace std
