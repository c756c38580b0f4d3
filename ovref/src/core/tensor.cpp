#include "openvino/runtime/tensor.hpp"

#include <cstdlib>
#include <cstring>
#include <new>

#include "openvino/core/except.hpp"
#include "openvino/core/node.hpp"
#include "openvino/runtime/aligned_buffer.hpp"
#include "openvino/runtime/allocator.hpp"

namespace ov {

// ---- Allocator ----

Allocator::Allocator() = default;
Allocator::~Allocator() = default;

void* Allocator::allocate(const size_t bytes, const size_t alignment) {
  const size_t align =
      alignment < alignof(std::max_align_t) ? alignof(std::max_align_t) : alignment;
  return ::operator new(bytes == 0 ? 1 : bytes, std::align_val_t(align));
}

void Allocator::deallocate(void* ptr, const size_t, const size_t alignment) {
  const size_t align =
      alignment < alignof(std::max_align_t) ? alignof(std::max_align_t) : alignment;
  ::operator delete(ptr, std::align_val_t(align));
}

bool Allocator::operator==(const Allocator&) const { return true; }

// ---- AlignedBuffer ----

AlignedBuffer::AlignedBuffer()
    : m_allocated_buffer(nullptr), m_aligned_buffer(nullptr), m_byte_size(0) {}

AlignedBuffer::AlignedBuffer(size_t byte_size, size_t alignment) : m_byte_size(byte_size) {
  const size_t allocation_size = m_byte_size + alignment;
  m_allocated_buffer = new char[allocation_size];
  m_aligned_buffer = m_allocated_buffer;
  const size_t mod = reinterpret_cast<size_t>(m_aligned_buffer) % alignment;
  if (mod != 0) m_aligned_buffer += (alignment - mod);
}

AlignedBuffer::AlignedBuffer(AlignedBuffer&& other)
    : m_allocated_buffer(other.m_allocated_buffer),
      m_aligned_buffer(other.m_aligned_buffer),
      m_byte_size(other.m_byte_size) {
  other.m_allocated_buffer = nullptr;
  other.m_aligned_buffer = nullptr;
  other.m_byte_size = 0;
}

AlignedBuffer& AlignedBuffer::operator=(AlignedBuffer&& other) {
  if (this != &other) {
    delete[] m_allocated_buffer;
    m_allocated_buffer = other.m_allocated_buffer;
    m_aligned_buffer = other.m_aligned_buffer;
    m_byte_size = other.m_byte_size;
    other.m_allocated_buffer = nullptr;
    other.m_aligned_buffer = nullptr;
    other.m_byte_size = 0;
  }
  return *this;
}

AlignedBuffer::~AlignedBuffer() { delete[] m_allocated_buffer; }

// ---- Tensor ----

class ITensor {
 public:
  element::Type type;
  Shape shape;
  Strides strides;  // bytes; empty means dense row-major
  void* ptr = nullptr;
  bool read_only = false;
  bool owns = false;
  size_t capacity = 0;  // bytes owned
  Allocator allocator;
  std::shared_ptr<ITensor> parent;  // keeps the memory of a view alive

  size_t constructed_strings = 0;

  ~ITensor() {
    if (owns && ptr) {
      auto* strings = static_cast<std::string*>(ptr);
      for (size_t i = 0; i < constructed_strings; ++i) strings[i].~basic_string();
      allocator.deallocate(ptr, capacity, 64);
    }
  }

  Strides dense_strides() const {
    Strides s(shape.size());
    if (type.bitwidth() < 8) return s;
    size_t stride = type.size();
    for (size_t i = shape.size(); i-- > 0;) {
      s[i] = stride;
      stride *= shape[i];
    }
    return s;
  }
};

namespace {

std::shared_ptr<ITensor> make_owned(const element::Type& type, const Shape& shape,
                                    const Allocator& allocator) {
  OPENVINO_ASSERT(type.is_static(), "Cannot create a tensor of dynamic element type");
  auto impl = std::make_shared<ITensor>();
  impl->type = type;
  impl->shape = shape;
  impl->allocator = allocator;
  impl->owns = true;
  impl->capacity = get_memory_size(type, shape_size(shape));
  impl->ptr = impl->allocator.allocate(impl->capacity, 64);
  if (type == element::string) {
    auto* strings = static_cast<std::string*>(impl->ptr);
    for (size_t i = 0; i < shape_size(shape); ++i) new (strings + i) std::string();
    impl->constructed_strings = shape_size(shape);
  }
  return impl;
}

std::shared_ptr<ITensor> make_view(const element::Type& type, const Shape& shape, void* host_ptr,
                                   const Strides& strides, bool read_only) {
  OPENVINO_ASSERT(type.is_static(), "Cannot create a tensor of dynamic element type");
  OPENVINO_ASSERT(host_ptr != nullptr || shape_size(shape) == 0,
                  "Cannot wrap a null pointer in a non-empty tensor");
  auto impl = std::make_shared<ITensor>();
  impl->type = type;
  impl->shape = shape;
  impl->ptr = host_ptr;
  impl->read_only = read_only;
  if (!strides.empty()) {
    OPENVINO_ASSERT(type.bitwidth() >= 8, "Strides are not supported for sub-byte types");
    OPENVINO_ASSERT(strides.size() == shape.size(), "Strides rank ", strides.size(),
                    " does not match the shape rank ", shape.size());
    impl->strides = strides;
  }
  return impl;
}

Shape port_shape(const ov::Output<const ov::Node>& port) {
  return port.get_partial_shape().is_static() ? port.get_shape() : Shape{0};
}

}  // namespace

Tensor::~Tensor() = default;

Tensor::Tensor(const element::Type& type, const Shape& shape, const Allocator& allocator)
    : _impl(make_owned(type, shape, allocator)) {}

Tensor::Tensor(const element::Type& type, const Shape& shape, void* host_ptr,
               const Strides& strides)
    : _impl(make_view(type, shape, host_ptr, strides, false)) {}

Tensor::Tensor(const element::Type& type, const Shape& shape, const void* host_ptr,
               const Strides& strides)
    : _impl(make_view(type, shape, const_cast<void*>(host_ptr), strides, true)) {}

Tensor::Tensor(const ov::Output<const ov::Node>& port, const Allocator& allocator)
    : Tensor(port.get_element_type(), port_shape(port), allocator) {}

Tensor::Tensor(const ov::Output<const ov::Node>& port, void* host_ptr, const Strides& strides)
    : Tensor(port.get_element_type(), port_shape(port), host_ptr, strides) {}

Tensor::Tensor(const ov::Output<const ov::Node>& port, const void* host_ptr, const Strides& strides)
    : Tensor(port.get_element_type(), port_shape(port), host_ptr, strides) {}

Tensor::Tensor(const Tensor& other, const Coordinate& begin, const Coordinate& end) {
  OPENVINO_ASSERT(other._impl, "Cannot create a region of an empty tensor");
  const auto& shape = other.get_shape();
  OPENVINO_ASSERT(begin.size() == shape.size() && end.size() == shape.size(),
                  "Region coordinates must have the tensor's rank");
  OPENVINO_ASSERT(other.get_element_type().bitwidth() >= 8,
                  "Regions are not supported for sub-byte types");
  const Strides strides = other.get_strides();
  Shape roi_shape(shape.size());
  size_t offset = 0;
  for (size_t i = 0; i < shape.size(); ++i) {
    OPENVINO_ASSERT(begin[i] <= end[i] && end[i] <= shape[i], "Region [", begin[i], ",", end[i],
                    ") is outside axis ", i, " of size ", shape[i]);
    roi_shape[i] = end[i] - begin[i];
    offset += begin[i] * strides[i];
  }
  _impl = make_view(other.get_element_type(), roi_shape,
                    static_cast<char*>(other._impl->ptr) + offset, strides, other._impl->read_only);
  _impl->parent = other._impl;
}

void Tensor::set_shape(const ov::Shape& shape) {
  OPENVINO_ASSERT(_impl, "Tensor was not initialized.");
  if (shape == _impl->shape) return;
  const size_t needed = get_memory_size(_impl->type, shape_size(shape));
  if (_impl->owns) {
    if (needed > _impl->capacity) {
      OPENVINO_ASSERT(_impl->type != element::string, "Cannot grow a string tensor");
      _impl->allocator.deallocate(_impl->ptr, _impl->capacity, 64);
      _impl->ptr = nullptr;
      _impl->capacity = needed;
      _impl->ptr = _impl->allocator.allocate(needed, 64);
    }
  } else {
    OPENVINO_ASSERT(needed <= get_byte_size(), "Could set new shape: ", shape,
                    " for a tensor that wraps external memory of ", get_byte_size(), " bytes");
    OPENVINO_ASSERT(_impl->strides.empty(), "Cannot change the shape of a strided tensor");
  }
  _impl->shape = shape;
}

const element::Type& Tensor::get_element_type() const {
  OPENVINO_ASSERT(_impl, "Tensor was not initialized.");
  return _impl->type;
}

const Shape& Tensor::get_shape() const {
  OPENVINO_ASSERT(_impl, "Tensor was not initialized.");
  return _impl->shape;
}

size_t Tensor::get_size() const { return shape_size(get_shape()); }

size_t Tensor::get_byte_size() const { return get_memory_size(get_element_type(), get_size()); }

Strides Tensor::get_strides() const {
  OPENVINO_ASSERT(_impl, "Tensor was not initialized.");
  OPENVINO_ASSERT(
      _impl->type.bitwidth() >= 8,
      "Could not get strides for types with bitwidths less than 8 bit. Tensor type: ", _impl->type);
  return _impl->strides.empty() ? _impl->dense_strides() : _impl->strides;
}

bool Tensor::is_continuous() const {
  OPENVINO_ASSERT(_impl, "Tensor was not initialized.");
  if (_impl->strides.empty() || _impl->type.bitwidth() < 8) return true;
  const auto dense = _impl->dense_strides();
  for (size_t i = 0; i < dense.size(); ++i) {
    if (_impl->shape[i] != 1 && dense[i] != _impl->strides[i]) return false;
  }
  return true;
}

void Tensor::copy_to(ov::Tensor dst) const {
  OPENVINO_ASSERT(_impl && dst._impl, "Tensor was not initialized.");
  OPENVINO_ASSERT(dst.get_element_type() == get_element_type(),
                  "Tensor element types are not equal. (src: ", get_element_type(),
                  " != dst: ", dst.get_element_type(), ")");
  if (dst.get_shape() != get_shape()) dst.set_shape(get_shape());
  OPENVINO_ASSERT(!dst._impl->read_only, "Cannot copy into a read-only tensor");
  const auto& type = get_element_type();
  if (is_continuous() && dst.is_continuous()) {
    if (type == element::string) {
      const auto* src = static_cast<const std::string*>(_impl->ptr);
      auto* out = static_cast<std::string*>(dst._impl->ptr);
      for (size_t i = 0; i < get_size(); ++i) out[i] = src[i];
    } else if (get_byte_size() > 0) {
      std::memmove(dst._impl->ptr, _impl->ptr, get_byte_size());
    }
    return;
  }
  // Element by element over the two stride sets.
  const auto src_strides = get_strides();
  const auto dst_strides = dst.get_strides();
  const auto& shape = get_shape();
  const size_t elem = type.size();
  const size_t count = get_size();
  std::vector<size_t> index(shape.size(), 0);
  for (size_t n = 0; n < count; ++n) {
    size_t src_off = 0, dst_off = 0;
    for (size_t i = 0; i < shape.size(); ++i) {
      src_off += index[i] * src_strides[i];
      dst_off += index[i] * dst_strides[i];
    }
    if (type == element::string) {
      *reinterpret_cast<std::string*>(static_cast<char*>(dst._impl->ptr) + dst_off) =
          *reinterpret_cast<const std::string*>(static_cast<const char*>(_impl->ptr) + src_off);
    } else {
      std::memcpy(static_cast<char*>(dst._impl->ptr) + dst_off,
                  static_cast<const char*>(_impl->ptr) + src_off, elem);
    }
    for (size_t i = shape.size(); i-- > 0;) {
      if (++index[i] < shape[i]) break;
      index[i] = 0;
    }
  }
}

const void* Tensor::data() const {
  OPENVINO_ASSERT(_impl, "Tensor was not initialized.");
  return _impl->ptr;
}

void* Tensor::data() {
  OPENVINO_ASSERT(_impl, "Tensor was not initialized.");
  OPENVINO_ASSERT(!_impl->read_only,
                  "Can not access non-const pointer use const void* data() const.");
  return _impl->ptr;
}

namespace {
bool fundamental_compatible(const element::Type& tensor_type, const element::Type& requested) {
  if (requested.is_dynamic() || tensor_type == requested) return true;
  // Packed types are read and written through their bytes.
  return tensor_type.bitwidth() < 8 && (requested == element::i8 || requested == element::u8);
}
}  // namespace

const void* Tensor::data(const element::Type& type) const {
  OPENVINO_ASSERT(_impl, "Tensor was not initialized.");
  OPENVINO_ASSERT(fundamental_compatible(_impl->type, type), "Tensor data with element type ",
                  _impl->type, ", is not representable as pointer to ", type);
  return _impl->ptr;
}

void* Tensor::data(const element::Type& type) {
  OPENVINO_ASSERT(_impl, "Tensor was not initialized.");
  OPENVINO_ASSERT(fundamental_compatible(_impl->type, type), "Tensor data with element type ",
                  _impl->type, ", is not representable as pointer to ", type);
  OPENVINO_ASSERT(!_impl->read_only,
                  "Can not access non-const pointer use const void* data() const.");
  return _impl->ptr;
}

}  // namespace ov
