#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <type_traits>
#include <vector>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/core_visibility.hpp"
#include "openvino/core/except.hpp"
#include "openvino/core/type/bfloat16.hpp"
#include "openvino/core/type/float16.hpp"
#include "openvino/core/type/float8_e4m3.hpp"

namespace ov {
namespace element {

enum class Type_t {
  dynamic,
  undefined = dynamic,
  boolean,
  bf16,
  f16,
  f32,
  f64,
  i4,
  i8,
  i16,
  i32,
  i64,
  u1,
  u2,
  u3,
  u4,
  u6,
  u8,
  u16,
  u32,
  u64,
  nf4,
  f8e4m3,
  f8e5m2,
  string,
  f4e2m1,
  f8e8m0
};

class OPENVINO_API Type {
 public:
  constexpr Type() = default;
  constexpr Type(const Type&) = default;
  constexpr Type(const Type_t t) : m_type{t} {}
  explicit Type(const std::string& type);
  constexpr Type& operator=(const Type&) = default;

  std::string c_type_string() const;
  size_t size() const;
  size_t hash() const;
  bool is_static() const;
  bool is_dynamic() const { return !is_static(); }
  bool is_real() const;
  bool is_integral() const { return !is_real(); }
  bool is_integral_number() const;
  bool is_signed() const;
  bool is_quantized() const;
  size_t bitwidth() const;
  std::string get_type_name() const { return to_string(); }
  std::string to_string() const;
  bool compatible(const element::Type& t) const;
  static bool merge(element::Type& dst, const element::Type& t1, const element::Type& t2);

  constexpr operator Type_t() const { return m_type; }

 private:
  Type_t m_type{Type_t::dynamic};
};

using TypeVector = std::vector<Type>;

inline constexpr Type dynamic(Type_t::dynamic);
inline constexpr Type undefined(Type_t::dynamic);
inline constexpr Type boolean(Type_t::boolean);
inline constexpr Type bf16(Type_t::bf16);
inline constexpr Type f16(Type_t::f16);
inline constexpr Type f32(Type_t::f32);
inline constexpr Type f64(Type_t::f64);
inline constexpr Type i4(Type_t::i4);
inline constexpr Type i8(Type_t::i8);
inline constexpr Type i16(Type_t::i16);
inline constexpr Type i32(Type_t::i32);
inline constexpr Type i64(Type_t::i64);
inline constexpr Type u1(Type_t::u1);
inline constexpr Type u2(Type_t::u2);
inline constexpr Type u3(Type_t::u3);
inline constexpr Type u4(Type_t::u4);
inline constexpr Type u6(Type_t::u6);
inline constexpr Type u8(Type_t::u8);
inline constexpr Type u16(Type_t::u16);
inline constexpr Type u32(Type_t::u32);
inline constexpr Type u64(Type_t::u64);
inline constexpr Type nf4(Type_t::nf4);
inline constexpr Type f8e4m3(Type_t::f8e4m3);
inline constexpr Type f8e5m2(Type_t::f8e5m2);
inline constexpr Type string(Type_t::string);
inline constexpr Type f4e2m1(Type_t::f4e2m1);
inline constexpr Type f8e8m0(Type_t::f8e8m0);

template <typename T>
Type from() {
  using U = std::decay_t<T>;
  if constexpr (std::is_same_v<U, char> || std::is_same_v<U, bool>) {
    return boolean;
  } else if constexpr (std::is_same_v<U, ov::float16>) {
    return f16;
  } else if constexpr (std::is_same_v<U, float>) {
    return f32;
  } else if constexpr (std::is_same_v<U, double>) {
    return f64;
  } else if constexpr (std::is_same_v<U, int8_t>) {
    return i8;
  } else if constexpr (std::is_same_v<U, int16_t>) {
    return i16;
  } else if constexpr (std::is_same_v<U, int32_t>) {
    return i32;
  } else if constexpr (std::is_same_v<U, int64_t>) {
    return i64;
  } else if constexpr (std::is_same_v<U, uint8_t>) {
    return u8;
  } else if constexpr (std::is_same_v<U, uint16_t>) {
    return u16;
  } else if constexpr (std::is_same_v<U, uint32_t>) {
    return u32;
  } else if constexpr (std::is_same_v<U, uint64_t>) {
    return u64;
  } else if constexpr (std::is_same_v<U, ov::bfloat16>) {
    return bf16;
  } else if constexpr (std::is_same_v<U, ov::float8_e4m3>) {
    return f8e4m3;
  } else if constexpr (std::is_same_v<U, ov::float8_e5m2>) {
    return f8e5m2;
  } else if constexpr (std::is_same_v<U, std::string>) {
    return string;
  } else {
    OPENVINO_THROW("Unknown type");
  }
}

OPENVINO_API std::ostream& operator<<(std::ostream& out, const ov::element::Type& obj);
OPENVINO_API std::istream& operator>>(std::istream& out, ov::element::Type& obj);

}  // namespace element

// Bytes taken by n elements of the type: sub-byte types are packed, u3/u6 in 3-byte units.
OPENVINO_API size_t get_memory_size(const element::Type& type, size_t n);

template <>
OPENVINO_API EnumNames<element::Type_t>& EnumNames<element::Type_t>::get();

template <>
class OPENVINO_API AttributeAdapter<ov::element::Type_t>
    : public EnumAttributeAdapterBase<ov::element::Type_t> {
 public:
  AttributeAdapter(ov::element::Type_t& value)
      : EnumAttributeAdapterBase<ov::element::Type_t>(value) {}
  OPENVINO_RTTI("AttributeAdapter<ov::element::Type_t>")
};

template <>
class OPENVINO_API AttributeAdapter<ov::element::Type> : public ValueAccessor<std::string> {
 public:
  AttributeAdapter(ov::element::Type& value) : m_ref(value) {}
  const std::string& get() override;
  void set(const std::string& value) override;
  operator ov::element::Type&() { return m_ref; }
  OPENVINO_RTTI("AttributeAdapter<ov::element::Type>")

 protected:
  ov::element::Type& m_ref;
  std::string m_buffer;
};

template <>
class OPENVINO_API AttributeAdapter<ov::element::TypeVector>
    : public DirectValueAccessor<ov::element::TypeVector> {
 public:
  AttributeAdapter(ov::element::TypeVector& value)
      : DirectValueAccessor<ov::element::TypeVector>(value) {}
  OPENVINO_RTTI("AttributeAdapter<ov::element::TypeVector>")
};

}  // namespace ov
