#pragma once

#include <cstdint>
#include <ostream>

#include "openvino/core/core_visibility.hpp"

namespace ov {

// 8-bit float, 4 exponent bits (bias 7), 3 mantissa bits, no infinities; 0x7F/0xFF are NaN and
// the largest finite value is 448. Conversion from float rounds to nearest even and saturates.
class OPENVINO_API float8_e4m3 {
 public:
  constexpr float8_e4m3() : m_value{0} {}
  float8_e4m3(float value);
  template <typename I>
  explicit float8_e4m3(I value) : float8_e4m3(static_cast<float>(value)) {}

  static constexpr float8_e4m3 from_bits(uint8_t bits) { return float8_e4m3(bits, true); }
  uint8_t to_bits() const { return m_value; }
  operator float() const;

 private:
  constexpr float8_e4m3(uint8_t x, bool) : m_value{x} {}
  uint8_t m_value;
};

// 8-bit float, 5 exponent bits (bias 15), 2 mantissa bits, with infinities and NaN: the upper
// byte of an f16. Conversion from float rounds to nearest even.
class OPENVINO_API float8_e5m2 {
 public:
  constexpr float8_e5m2() : m_value{0} {}
  float8_e5m2(float value);
  template <typename I>
  explicit float8_e5m2(I value) : float8_e5m2(static_cast<float>(value)) {}

  static constexpr float8_e5m2 from_bits(uint8_t bits) { return float8_e5m2(bits, true); }
  uint8_t to_bits() const { return m_value; }
  operator float() const;

 private:
  constexpr float8_e5m2(uint8_t x, bool) : m_value{x} {}
  uint8_t m_value;
};

OPENVINO_API std::ostream& operator<<(std::ostream& out, const float8_e4m3& obj);
OPENVINO_API std::ostream& operator<<(std::ostream& out, const float8_e5m2& obj);

}  // namespace ov
