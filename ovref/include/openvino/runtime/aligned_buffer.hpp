#pragma once

#if defined(OVREF_STRICT) && !defined(OVREF_DEVELOPER_API)
#error "openvino/runtime/aligned_buffer.hpp is the toolkit's developer API: link openvino::runtime::dev"
#endif

#include <cstddef>
#include <memory>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/core_visibility.hpp"

namespace ov {

// An owned block of memory whose start is aligned to `alignment` bytes.
class OPENVINO_API AlignedBuffer {
 public:
  AlignedBuffer(size_t byte_size, size_t alignment = 64);
  AlignedBuffer();
  virtual ~AlignedBuffer();
  AlignedBuffer(AlignedBuffer&& other);
  AlignedBuffer& operator=(AlignedBuffer&& other);
  AlignedBuffer(const AlignedBuffer&) = delete;
  AlignedBuffer& operator=(const AlignedBuffer&) = delete;

  size_t size() const { return m_byte_size; }
  void* get_ptr(size_t offset) const { return m_aligned_buffer + offset; }
  void* get_ptr() { return m_aligned_buffer; }
  const void* get_ptr() const { return m_aligned_buffer; }
  template <typename T>
  T* get_ptr() {
    return reinterpret_cast<T*>(m_aligned_buffer);
  }
  template <typename T>
  const T* get_ptr() const {
    return reinterpret_cast<const T*>(m_aligned_buffer);
  }
  template <typename T>
  explicit operator T*() {
    return get_ptr<T>();
  }

 protected:
  char* m_allocated_buffer;
  char* m_aligned_buffer;
  size_t m_byte_size;
};

template <>
class OPENVINO_API AttributeAdapter<std::shared_ptr<ov::AlignedBuffer>>
    : public DirectValueAccessor<std::shared_ptr<ov::AlignedBuffer>> {
 public:
  AttributeAdapter(std::shared_ptr<ov::AlignedBuffer>& value)
      : DirectValueAccessor<std::shared_ptr<ov::AlignedBuffer>>(value) {}
  OPENVINO_RTTI("AttributeAdapter<std::shared_ptr<ov::AlignedBuffer>>")
};

}  // namespace ov
