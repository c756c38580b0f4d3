#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <string>
#include <vector>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/core_visibility.hpp"
#include "openvino/core/strides.hpp"

namespace ov {

class OPENVINO_API Shape : public std::vector<size_t> {
 public:
  Shape();
  Shape(const std::initializer_list<size_t>& axis_lengths);
  Shape(const std::vector<size_t>& axis_lengths);
  Shape(const std::string& shape);
  Shape(const Shape& axis_lengths);
  explicit Shape(size_t n, size_t initial_value = 0);
  ~Shape();
  template <class InputIterator>
  Shape(InputIterator first, InputIterator last) : std::vector<size_t>(first, last) {}

  Shape& operator=(const Shape& v);
  Shape& operator=(Shape&& v) noexcept;

  std::string to_string() const;

  // Negative indices count from the end; operator[] does not check bounds, at() does.
  reference operator[](std::ptrdiff_t i);
  const_reference operator[](std::ptrdiff_t i) const;
  reference at(std::ptrdiff_t i);
  const_reference at(std::ptrdiff_t i) const;
};

template <typename SHAPE_TYPE>
size_t shape_size(const SHAPE_TYPE& shape) {
  size_t size = 1;
  for (auto d : shape) size *= static_cast<size_t>(d);
  return size;
}

template <typename ForwardIt>
size_t shape_size(ForwardIt start_dim, const ForwardIt end_dim) {
  size_t size = 1;
  for (; start_dim != end_dim; ++start_dim) size *= static_cast<size_t>(*start_dim);
  return size;
}

template <typename SHAPE_TYPE>
std::vector<size_t> row_major_strides(const SHAPE_TYPE& shape) {
  std::vector<size_t> strides(shape.size());
  size_t s = 1;
  for (size_t i = shape.size(); i-- > 0;) {
    strides[i] = s;
    s *= static_cast<size_t>(shape[i]);
  }
  return strides;
}

template <typename SHAPE_TYPE>
size_t row_major_stride(const SHAPE_TYPE& shape, size_t axis) {
  size_t s = 1;
  for (size_t i = shape.size(); i-- > axis + 1;) s *= static_cast<size_t>(shape[i]);
  return s;
}

template <typename SHAPE_TYPE>
inline bool is_scalar(const SHAPE_TYPE& shape) {
  return 0 == shape.size();
}

template <typename SHAPE_TYPE>
inline bool is_vector(const SHAPE_TYPE& shape) {
  return 1 == shape.size();
}

OPENVINO_API std::ostream& operator<<(std::ostream& s, const Shape& shape);

template <>
class OPENVINO_API AttributeAdapter<ov::Shape>
    : public IndirectVectorValueAccessor<ov::Shape, std::vector<int64_t>> {
 public:
  AttributeAdapter(ov::Shape& value)
      : IndirectVectorValueAccessor<ov::Shape, std::vector<int64_t>>(value) {}
  OPENVINO_RTTI("AttributeAdapter<Shape>")
};

}  // namespace ov
