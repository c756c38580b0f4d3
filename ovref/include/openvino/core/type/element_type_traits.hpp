#pragma once

#include "openvino/core/type/element_type.hpp"

namespace ov {

template <element::Type_t>
struct element_type_traits {};

template <element::Type_t Type>
using fundamental_type_for = typename element_type_traits<Type>::value_type;

#define OVREF_ELEMENT_TRAITS(ET, T)                 \
  template <>                                       \
  struct element_type_traits<element::Type_t::ET> { \
    using value_type = T;                           \
  };

OVREF_ELEMENT_TRAITS(boolean, char)
OVREF_ELEMENT_TRAITS(bf16, bfloat16)
OVREF_ELEMENT_TRAITS(f16, float16)
OVREF_ELEMENT_TRAITS(f32, float)
OVREF_ELEMENT_TRAITS(f64, double)
OVREF_ELEMENT_TRAITS(i4, int8_t)
OVREF_ELEMENT_TRAITS(i8, int8_t)
OVREF_ELEMENT_TRAITS(i16, int16_t)
OVREF_ELEMENT_TRAITS(i32, int32_t)
OVREF_ELEMENT_TRAITS(i64, int64_t)
OVREF_ELEMENT_TRAITS(u1, int8_t)
OVREF_ELEMENT_TRAITS(u2, int8_t)
OVREF_ELEMENT_TRAITS(u3, int8_t)
OVREF_ELEMENT_TRAITS(u4, int8_t)
OVREF_ELEMENT_TRAITS(u6, int8_t)
OVREF_ELEMENT_TRAITS(u8, uint8_t)
OVREF_ELEMENT_TRAITS(u16, uint16_t)
OVREF_ELEMENT_TRAITS(u32, uint32_t)
OVREF_ELEMENT_TRAITS(u64, uint64_t)
OVREF_ELEMENT_TRAITS(nf4, int8_t)
OVREF_ELEMENT_TRAITS(f8e4m3, float8_e4m3)
OVREF_ELEMENT_TRAITS(f8e5m2, float8_e5m2)
OVREF_ELEMENT_TRAITS(string, std::string)

#undef OVREF_ELEMENT_TRAITS

}  // namespace ov
