#include "openvino/core/type/element_type.hpp"

#include <cmath>
#include <cstring>
#include <iostream>
#include <limits>
#include <map>
#include <sstream>

namespace ov {

namespace {

struct TypeInfo {
  size_t bitwidth;
  bool is_real;
  bool is_signed;
  bool is_quantized;
  const char* cname;
  const char* type_name;
};

const TypeInfo& get_info(element::Type_t t) {
  using element::Type_t;
  static const TypeInfo dynamic_info{0, false, false, false, "dynamic", "dynamic"};
  static const TypeInfo infos[] = {
      dynamic_info,
      {8, false, true, false, "char", "boolean"},
      {16, true, true, false, "bfloat16", "bf16"},
      {16, true, true, false, "float16", "f16"},
      {32, true, true, false, "float", "f32"},
      {64, true, true, false, "double", "f64"},
      {4, false, true, true, "int4_t", "i4"},
      {8, false, true, true, "int8_t", "i8"},
      {16, false, true, false, "int16_t", "i16"},
      {32, false, true, true, "int32_t", "i32"},
      {64, false, true, false, "int64_t", "i64"},
      {1, false, false, false, "uint1_t", "u1"},
      {2, false, false, false, "uint2_t", "u2"},
      {3, false, false, false, "uint3_t", "u3"},
      {4, false, false, false, "uint4_t", "u4"},
      {6, false, false, false, "uint6_t", "u6"},
      {8, false, false, true, "uint8_t", "u8"},
      {16, false, false, false, "uint16_t", "u16"},
      {32, false, false, false, "uint32_t", "u32"},
      {64, false, false, false, "uint64_t", "u64"},
      {4, false, false, true, "nfloat4", "nf4"},
      {8, true, true, true, "f8e4m3", "f8e4m3"},
      {8, true, true, true, "f8e5m2", "f8e5m2"},
      {8 * sizeof(std::string), false, false, false, "string", "string"},
      {4, true, true, true, "f4e2m1", "f4e2m1"},
      {8, true, true, true, "f8e8m0", "f8e8m0"},
  };
  const auto index = static_cast<size_t>(t);
  if (index >= sizeof(infos) / sizeof(infos[0])) return dynamic_info;
  return infos[index];
}

bool parse_type(const std::string& s, element::Type_t& out) {
  using element::Type_t;
  static const std::map<std::string, Type_t> names = {
      {"f16", Type_t::f16},
      {"FP16", Type_t::f16},
      {"f32", Type_t::f32},
      {"FP32", Type_t::f32},
      {"bf16", Type_t::bf16},
      {"BF16", Type_t::bf16},
      {"f64", Type_t::f64},
      {"FP64", Type_t::f64},
      {"i4", Type_t::i4},
      {"I4", Type_t::i4},
      {"i8", Type_t::i8},
      {"I8", Type_t::i8},
      {"i16", Type_t::i16},
      {"I16", Type_t::i16},
      {"i32", Type_t::i32},
      {"I32", Type_t::i32},
      {"i64", Type_t::i64},
      {"I64", Type_t::i64},
      {"u1", Type_t::u1},
      {"U1", Type_t::u1},
      {"BIN", Type_t::u1},
      {"bin", Type_t::u1},
      {"u2", Type_t::u2},
      {"U2", Type_t::u2},
      {"u3", Type_t::u3},
      {"U3", Type_t::u3},
      {"u4", Type_t::u4},
      {"U4", Type_t::u4},
      {"u6", Type_t::u6},
      {"U6", Type_t::u6},
      {"u8", Type_t::u8},
      {"U8", Type_t::u8},
      {"u16", Type_t::u16},
      {"U16", Type_t::u16},
      {"u32", Type_t::u32},
      {"U32", Type_t::u32},
      {"u64", Type_t::u64},
      {"U64", Type_t::u64},
      {"boolean", Type_t::boolean},
      {"BOOL", Type_t::boolean},
      {"string", Type_t::string},
      {"STRING", Type_t::string},
      {"dynamic", Type_t::dynamic},
      {"undefined", Type_t::dynamic},
      {"UNSPECIFIED", Type_t::dynamic},
      {"nf4", Type_t::nf4},
      {"NF4", Type_t::nf4},
      {"f8e4m3", Type_t::f8e4m3},
      {"F8E4M3", Type_t::f8e4m3},
      {"f8e5m2", Type_t::f8e5m2},
      {"F8E5M2", Type_t::f8e5m2},
      {"f4e2m1", Type_t::f4e2m1},
      {"F4E2M1", Type_t::f4e2m1},
      {"f8e8m0", Type_t::f8e8m0},
      {"F8E8M0", Type_t::f8e8m0},
  };
  const auto it = names.find(s);
  if (it == names.end()) return false;
  out = it->second;
  return true;
}

uint32_t float_bits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, sizeof(u));
  return u;
}

float bits_float(uint32_t u) {
  float f;
  std::memcpy(&f, &u, sizeof(f));
  return f;
}

// Rounds a float to a narrower binary format with `mant` mantissa bits, exponent bias `bias`, and
// `exp_bits` exponent bits, returning the magnitude bits (sign excluded). Handles subnormals with
// round to nearest even. `max_bits` is the largest finite encoding; overflow returns
// `overflow_bits`.
uint32_t round_to_narrow(float a, int mant, int exp_bits, int bias, uint32_t max_bits,
                         uint32_t overflow_bits) {
  // a is finite and non-negative here.
  if (a == 0.0f) return 0;
  int e;
  const float m = std::frexp(a, &e);  // a = m * 2^e, m in [0.5, 1)
  // Normal numbers: exponent field = e - 1 + bias >= 1.
  int exp_field = e - 1 + bias;
  double scaled;
  if (exp_field >= 1) {
    // value = 1.f * 2^(e-1); mantissa integer = (2m - 1) * 2^mant
    scaled = std::ldexp(static_cast<double>(m) * 2.0 - 1.0, mant);
  } else {
    // Subnormal: value = frac * 2^(1-bias), frac integer = a * 2^(bias - 1 + mant)
    exp_field = 0;
    scaled = std::ldexp(static_cast<double>(a), bias - 1 + mant);
  }
  double rounded = std::nearbyint(scaled);  // default mode: round half to even
  uint64_t mant_int = static_cast<uint64_t>(rounded);
  if (mant_int >= (1ull << mant)) {
    // Carry into the exponent (also turns the largest subnormal into the smallest normal).
    mant_int -= (1ull << mant);
    exp_field += 1;
    if (exp_field == 0) exp_field = 1;
  }
  if (exp_field >= (1 << exp_bits)) return overflow_bits;
  const uint32_t bits =
      (static_cast<uint32_t>(exp_field) << mant) | static_cast<uint32_t>(mant_int);
  if (bits > max_bits) return overflow_bits;
  return bits;
}

float widen(uint32_t mag, int mant, int bias) {
  const uint32_t exp_field = mag >> mant;
  const uint32_t frac = mag & ((1u << mant) - 1);
  if (exp_field == 0) return std::ldexp(static_cast<float>(frac), 1 - bias - mant);
  return std::ldexp(static_cast<float>(frac + (1u << mant)),
                    static_cast<int>(exp_field) - bias - mant);
}

}  // namespace

namespace element {

Type::Type(const std::string& type) {
  if (!parse_type(type, m_type)) OPENVINO_THROW("Incorrect type: ", type);
}

std::string Type::c_type_string() const { return get_info(m_type).cname; }
size_t Type::size() const { return (bitwidth() + 7) >> 3; }
size_t Type::hash() const { return static_cast<size_t>(m_type); }
bool Type::is_static() const { return bitwidth() != 0; }
bool Type::is_real() const { return get_info(m_type).is_real; }
bool Type::is_integral_number() const { return is_integral() && m_type != Type_t::boolean; }
bool Type::is_signed() const { return get_info(m_type).is_signed; }
bool Type::is_quantized() const { return get_info(m_type).is_quantized; }
size_t Type::bitwidth() const { return get_info(m_type).bitwidth; }
std::string Type::to_string() const { return get_info(m_type).type_name; }

bool Type::compatible(const element::Type& t) const {
  return is_dynamic() || t.is_dynamic() || *this == t;
}

bool Type::merge(element::Type& dst, const element::Type& t1, const element::Type& t2) {
  if (t1.is_dynamic()) {
    dst = t2;
    return true;
  }
  if (t2.is_dynamic() || t1 == t2) {
    dst = t1;
    return true;
  }
  return false;
}

std::ostream& operator<<(std::ostream& out, const ov::element::Type& obj) {
  return out << obj.to_string();
}

std::istream& operator>>(std::istream& in, ov::element::Type& obj) {
  std::string word;
  in >> word;
  Type_t t;
  if (parse_type(word, t)) obj = t;
  return in;
}

}  // namespace element

size_t get_memory_size(const element::Type& type, size_t n) {
  const size_t bits = type.bitwidth();
  if (type == element::u3 || type == element::u6) {
    const size_t per_unit = 24 / bits;
    return (n + per_unit - 1) / per_unit * 3;
  }
  if (bits < 8) return (n * bits + 7) / 8;
  return n * type.size();
}

// ---- 16-bit and 8-bit floats ----

float16::float16(float value) {
  const uint32_t u = float_bits(value);
  const uint16_t sign = static_cast<uint16_t>((u >> 16) & 0x8000u);
  if (std::isnan(value)) {
    m_value = static_cast<uint16_t>(sign | 0x7E00u | ((u >> 13) & 0x1FFu));
  } else if (std::isinf(value)) {
    m_value = static_cast<uint16_t>(sign | 0x7C00u);
  } else {
    m_value =
        static_cast<uint16_t>(sign | round_to_narrow(std::fabs(value), 10, 5, 15, 0x7BFF, 0x7C00));
  }
}

float16::operator float() const {
  const uint32_t sign = (m_value & 0x8000u) << 16;
  const uint32_t mag = m_value & 0x7FFFu;
  if ((mag >> 10) == 0x1F) {
    return bits_float(sign | 0x7F800000u | (static_cast<uint32_t>(mag & 0x3FFu) << 13));
  }
  const float f = widen(mag, 10, 15);
  return sign ? -f : f;
}

std::string float16::to_string() const { return std::to_string(static_cast<float>(*this)); }

std::ostream& operator<<(std::ostream& out, const float16& obj) {
  return out << static_cast<float>(obj);
}

bfloat16::bfloat16(float value) {
  const uint32_t u = float_bits(value);
  if (std::isnan(value)) {
    m_value = static_cast<uint16_t>((u >> 16) | 0x0040u);
  } else {
    // Round to nearest even on the dropped 16 bits.
    const uint32_t rounding = 0x7FFFu + ((u >> 16) & 1u);
    m_value = static_cast<uint16_t>((u + rounding) >> 16);
  }
}

bfloat16::operator float() const { return bits_float(static_cast<uint32_t>(m_value) << 16); }

std::string bfloat16::to_string() const { return std::to_string(static_cast<float>(*this)); }

std::ostream& operator<<(std::ostream& out, const bfloat16& obj) {
  return out << static_cast<float>(obj);
}

float8_e4m3::float8_e4m3(float value) {
  const uint8_t sign = (float_bits(value) >> 24) & 0x80u;
  if (std::isnan(value)) {
    m_value = static_cast<uint8_t>(sign | 0x7Fu);
  } else if (std::isinf(value)) {
    m_value = static_cast<uint8_t>(sign | 0x7Eu);
  } else {
    m_value = static_cast<uint8_t>(sign | round_to_narrow(std::fabs(value), 3, 4, 7, 0x7E, 0x7E));
  }
}

float8_e4m3::operator float() const {
  const uint32_t mag = m_value & 0x7Fu;
  if (mag == 0x7F) return std::numeric_limits<float>::quiet_NaN();
  const float f = widen(mag, 3, 7);
  return (m_value & 0x80u) ? -f : f;
}

float8_e5m2::float8_e5m2(float value) {
  const uint8_t sign = (float_bits(value) >> 24) & 0x80u;
  if (std::isnan(value)) {
    m_value = static_cast<uint8_t>(sign | 0x7Eu);
  } else if (std::isinf(value)) {
    m_value = static_cast<uint8_t>(sign | 0x7Cu);
  } else {
    m_value = static_cast<uint8_t>(sign | round_to_narrow(std::fabs(value), 2, 5, 15, 0x7B, 0x7C));
  }
}

float8_e5m2::operator float() const {
  const uint32_t mag = m_value & 0x7Fu;
  const float sign = (m_value & 0x80u) ? -1.0f : 1.0f;
  if ((mag >> 2) == 0x1F) {
    return (mag & 3u) ? std::numeric_limits<float>::quiet_NaN()
                      : sign * std::numeric_limits<float>::infinity();
  }
  return sign * widen(mag, 2, 15);
}

std::ostream& operator<<(std::ostream& out, const float8_e4m3& obj) {
  return out << static_cast<float>(obj);
}
std::ostream& operator<<(std::ostream& out, const float8_e5m2& obj) {
  return out << static_cast<float>(obj);
}

}  // namespace ov
