#pragma once

#include <cstddef>
#include <memory>

#include "openvino/core/core_visibility.hpp"

namespace ov {

// Memory provider for ov::Tensor. The default allocates aligned host memory.
class OPENVINO_API Allocator {
 public:
  Allocator();
  ~Allocator();
  Allocator(const Allocator&) = default;
  Allocator& operator=(const Allocator&) = default;

  void* allocate(const size_t bytes, const size_t alignment = alignof(std::max_align_t));
  void deallocate(void* ptr, const size_t bytes = 0,
                  const size_t alignment = alignof(std::max_align_t));
  bool operator==(const Allocator& other) const;
};

}  // namespace ov
