#pragma once

#if defined(OVREF_STRICT) && !defined(OVREF_DEVELOPER_API)
#error "openvino/runtime/shared_buffer.hpp is the toolkit's developer API: link openvino::runtime::dev"
#endif

#include "openvino/runtime/aligned_buffer.hpp"

namespace ov {

// Points at memory owned elsewhere; keeps `shared_object` alive and never frees the data.
template <typename T>
class SharedBuffer : public ov::AlignedBuffer {
 public:
  SharedBuffer(char* data, size_t size, const T& shared_object) : _shared_object(shared_object) {
    m_allocated_buffer = data;
    m_aligned_buffer = data;
    m_byte_size = size;
  }

  virtual ~SharedBuffer() {
    m_aligned_buffer = nullptr;
    m_allocated_buffer = nullptr;
    m_byte_size = 0;
  }

 private:
  T _shared_object;
};

}  // namespace ov
