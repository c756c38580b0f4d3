#pragma once

#include <cstddef>
#include <cstdint>

#include "openvino/core/type/element_type.hpp"

// Element-at-a-time access to buffers of any supported element type, packed types included.
// Values convert as C++ casts would, except that out-of-range float-to-integer conversions wrap
// (through int64) instead of being undefined, and NaN converts to 0.
namespace ov {
namespace util {

// True for the types this module reads and writes.
bool element_access_supported(const element::Type& type);

int64_t get_signed(const element::Type& type, const void* data, size_t index);
uint64_t get_unsigned(const element::Type& type, const void* data, size_t index);
double get_double(const element::Type& type, const void* data, size_t index);

void set_signed(const element::Type& type, void* data, size_t index, int64_t value);
void set_unsigned(const element::Type& type, void* data, size_t index, uint64_t value);
void set_double(const element::Type& type, void* data, size_t index, double value);

// Raw access to the bits of a packed (sub-byte) element.
uint8_t get_packed_bits(const element::Type& type, const void* data, size_t index);
void set_packed_bits(const element::Type& type, void* data, size_t index, uint8_t bits);

// Wrapping conversion of a double to int64: NaN gives 0, values beyond int64 saturate first.
int64_t double_to_int64(double value);

}  // namespace util
}  // namespace ov
