#pragma once

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>

#include "openvino/core/core_visibility.hpp"

namespace ov {

// The upper half of an IEEE 754 single. Arithmetic goes through float; conversion from float rounds
// to nearest even and overflows to infinity.
class OPENVINO_API bfloat16 {
 public:
  constexpr bfloat16() : m_value{0} {}
  bfloat16(float value);
  template <typename I>
  explicit bfloat16(I value) : bfloat16(static_cast<float>(value)) {}

  static constexpr bfloat16 from_bits(uint16_t bits) { return bfloat16(bits, true); }
  uint16_t to_bits() const { return m_value; }
  operator float() const;

  std::string to_string() const;
  size_t size() const { return sizeof(m_value); }

  bfloat16 operator+(const bfloat16& other) const { return bfloat16(float(*this) + float(other)); }
  bfloat16 operator-(const bfloat16& other) const { return bfloat16(float(*this) - float(other)); }
  bfloat16 operator*(const bfloat16& other) const { return bfloat16(float(*this) * float(other)); }
  bfloat16 operator/(const bfloat16& other) const { return bfloat16(float(*this) / float(other)); }
  bfloat16 operator-() const { return from_bits(m_value ^ 0x8000u); }

 private:
  constexpr bfloat16(uint16_t x, bool) : m_value{x} {}
  uint16_t m_value;
};

OPENVINO_API std::ostream& operator<<(std::ostream& out, const bfloat16& obj);

}  // namespace ov

namespace std {
template <>
class numeric_limits<ov::bfloat16> {
 public:
  static constexpr bool is_specialized = true;
  static constexpr bool is_signed = true;
  static constexpr bool is_integer = false;
  static constexpr bool has_infinity = true;
  static constexpr bool has_quiet_NaN = true;
  static constexpr int digits = 8;
  static constexpr ov::bfloat16 min() noexcept { return ov::bfloat16::from_bits(0x0080); }
  static constexpr ov::bfloat16 max() noexcept { return ov::bfloat16::from_bits(0x7F7F); }
  static constexpr ov::bfloat16 lowest() noexcept { return ov::bfloat16::from_bits(0xFF7F); }
  static constexpr ov::bfloat16 epsilon() noexcept { return ov::bfloat16::from_bits(0x3C00); }
  static constexpr ov::bfloat16 infinity() noexcept { return ov::bfloat16::from_bits(0x7F80); }
  static constexpr ov::bfloat16 quiet_NaN() noexcept { return ov::bfloat16::from_bits(0x7FC0); }
};
}  // namespace std
