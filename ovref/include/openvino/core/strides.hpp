#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <vector>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/core_visibility.hpp"

namespace ov {

class OPENVINO_API Strides : public std::vector<size_t> {
 public:
  Strides() = default;
  Strides(const std::initializer_list<size_t>& axis_strides) : std::vector<size_t>(axis_strides) {}
  Strides(const std::vector<size_t>& axis_strides) : std::vector<size_t>(axis_strides) {}
  Strides(const Strides& axis_strides) = default;
  explicit Strides(size_t n, size_t initial_value = 0) : std::vector<size_t>(n, initial_value) {}
  template <class InputIterator>
  Strides(InputIterator first, InputIterator last) : std::vector<size_t>(first, last) {}
  Strides& operator=(const Strides& v) = default;
  Strides& operator=(Strides&& v) noexcept = default;
};

OPENVINO_API std::ostream& operator<<(std::ostream& s, const Strides& strides);

template <>
class OPENVINO_API AttributeAdapter<ov::Strides>
    : public IndirectVectorValueAccessor<ov::Strides, std::vector<int64_t>> {
 public:
  AttributeAdapter(ov::Strides& value)
      : IndirectVectorValueAccessor<ov::Strides, std::vector<int64_t>>(value) {}
  OPENVINO_RTTI("AttributeAdapter<Strides>")
};

}  // namespace ov
