#pragma once

#include <memory>
#include <type_traits>
#include <vector>

#include "openvino/core/coordinate.hpp"
#include "openvino/core/core_visibility.hpp"
#include "openvino/core/shape.hpp"
#include "openvino/core/strides.hpp"
#include "openvino/core/type/element_type.hpp"
#include "openvino/runtime/allocator.hpp"

namespace ov {

class Node;
template <typename T>
class Output;
class ITensor;

// A handle to a typed block of memory with a shape. Copies share the memory.
class OPENVINO_API Tensor {
 public:
  Tensor() = default;
  Tensor(const Tensor& other) = default;
  Tensor(Tensor&& other) = default;
  Tensor& operator=(const Tensor& other) = default;
  Tensor& operator=(Tensor&& other) = default;
  ~Tensor();

  Tensor(const element::Type& type, const Shape& shape, const Allocator& allocator = {});
  Tensor(const element::Type& type, const Shape& shape, void* host_ptr,
         const Strides& strides = {});
  Tensor(const element::Type& type, const Shape& shape, const void* host_ptr,
         const Strides& strides = {});
  Tensor(const ov::Output<const ov::Node>& port, const Allocator& allocator = {});
  Tensor(const ov::Output<const ov::Node>& port, void* host_ptr, const Strides& strides = {});
  Tensor(const ov::Output<const ov::Node>& port, const void* host_ptr, const Strides& strides = {});
  Tensor(const Tensor& other, const Coordinate& begin, const Coordinate& end);

  void set_shape(const ov::Shape& shape);
  const element::Type& get_element_type() const;
  const Shape& get_shape() const;
  void copy_to(ov::Tensor dst) const;
  bool is_continuous() const;
  size_t get_size() const;
  size_t get_byte_size() const;
  Strides get_strides() const;

  const void* data() const;
  const void* data(const element::Type& type) const;
  void* data();
  void* data(const element::Type& type);

  template <typename T, typename datatype = std::decay_t<T>>
  const T* data() const {
    return static_cast<const T*>(data(element::from<datatype>()));
  }
  template <typename T, typename datatype = std::decay_t<T>>
  T* data() {
    return static_cast<T*>(data(element::from<datatype>()));
  }

  bool operator!() const noexcept { return !_impl; }
  explicit operator bool() const noexcept { return static_cast<bool>(_impl); }

 protected:
  std::shared_ptr<ITensor> _impl;
};

using TensorVector = std::vector<Tensor>;

}  // namespace ov
