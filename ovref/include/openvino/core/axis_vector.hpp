#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <vector>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/core_visibility.hpp"

namespace ov {

class OPENVINO_API AxisVector : public std::vector<size_t> {
 public:
  AxisVector() = default;
  AxisVector(const std::initializer_list<size_t>& axes) : std::vector<size_t>(axes) {}
  AxisVector(const std::vector<size_t>& axes) : std::vector<size_t>(axes) {}
  AxisVector(const AxisVector& axes) = default;
  explicit AxisVector(size_t n) : std::vector<size_t>(n) {}
  template <class InputIterator>
  AxisVector(InputIterator first, InputIterator last) : std::vector<size_t>(first, last) {}
  AxisVector& operator=(const AxisVector& v) = default;
  AxisVector& operator=(AxisVector&& v) noexcept = default;
};

OPENVINO_API std::ostream& operator<<(std::ostream& s, const AxisVector& axis_vector);

template <>
class OPENVINO_API AttributeAdapter<ov::AxisVector>
    : public IndirectVectorValueAccessor<ov::AxisVector, std::vector<int64_t>> {
 public:
  AttributeAdapter(ov::AxisVector& value)
      : IndirectVectorValueAccessor<ov::AxisVector, std::vector<int64_t>>(value) {}
  OPENVINO_RTTI("AttributeAdapter<AxisVector>")
};

}  // namespace ov
