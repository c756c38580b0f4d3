#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <vector>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/core_visibility.hpp"

namespace ov {

class OPENVINO_API CoordinateDiff : public std::vector<std::ptrdiff_t> {
 public:
  CoordinateDiff() = default;
  CoordinateDiff(const std::initializer_list<std::ptrdiff_t>& diffs)
      : std::vector<std::ptrdiff_t>(diffs) {}
  CoordinateDiff(const std::vector<std::ptrdiff_t>& diffs) : std::vector<std::ptrdiff_t>(diffs) {}
  CoordinateDiff(const CoordinateDiff& diffs) = default;
  explicit CoordinateDiff(size_t n, std::ptrdiff_t initial_value = 0)
      : std::vector<std::ptrdiff_t>(n, initial_value) {}
  template <class InputIterator>
  CoordinateDiff(InputIterator first, InputIterator last)
      : std::vector<std::ptrdiff_t>(first, last) {}
  CoordinateDiff& operator=(const CoordinateDiff& v) = default;
  CoordinateDiff& operator=(CoordinateDiff&& v) noexcept = default;
};

OPENVINO_API std::ostream& operator<<(std::ostream& s, const CoordinateDiff& coordinate_diff);

template <>
class OPENVINO_API AttributeAdapter<ov::CoordinateDiff>
    : public IndirectVectorValueAccessor<ov::CoordinateDiff, std::vector<int64_t>> {
 public:
  AttributeAdapter(ov::CoordinateDiff& value)
      : IndirectVectorValueAccessor<ov::CoordinateDiff, std::vector<int64_t>>(value) {}
  OPENVINO_RTTI("AttributeAdapter<CoordinateDiff>")
};

}  // namespace ov
