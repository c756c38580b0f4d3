#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <vector>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/core_visibility.hpp"
#include "openvino/core/shape.hpp"

namespace ov {

class OPENVINO_API Coordinate : public std::vector<size_t> {
 public:
  Coordinate() = default;
  Coordinate(const std::initializer_list<size_t>& axes) : std::vector<size_t>(axes) {}
  Coordinate(const Shape& shape) : std::vector<size_t>(shape.begin(), shape.end()) {}
  Coordinate(const std::vector<size_t>& axes) : std::vector<size_t>(axes) {}
  Coordinate(const Coordinate& axes) = default;
  Coordinate(size_t n, size_t initial_value) : std::vector<size_t>(n, initial_value) {}
  template <class InputIterator>
  Coordinate(InputIterator first, InputIterator last) : std::vector<size_t>(first, last) {}
  Coordinate& operator=(const Coordinate& v) = default;
  Coordinate& operator=(Coordinate&& v) noexcept = default;
};

OPENVINO_API std::ostream& operator<<(std::ostream& s, const Coordinate& coordinate);

template <>
class OPENVINO_API AttributeAdapter<ov::Coordinate>
    : public IndirectVectorValueAccessor<ov::Coordinate, std::vector<int64_t>> {
 public:
  AttributeAdapter(ov::Coordinate& value)
      : IndirectVectorValueAccessor<ov::Coordinate, std::vector<int64_t>>(value) {}
  OPENVINO_RTTI("AttributeAdapter<Coordinate>")
};

}  // namespace ov
