#pragma once

#if defined(OVREF_STRICT) && !defined(OVREF_DEVELOPER_API)
#error "openvino/core/rt_info/weightless_caching_attributes.hpp is the toolkit's developer API: link openvino::runtime::dev"
#endif

#include <memory>

#include "openvino/core/node.hpp"
#include "openvino/core/runtime_attribute.hpp"

namespace ov {

// Marks a constant whose bytes live at bin_offset in the original weights file, so a weightless
// export can refer to them instead of writing them. Not copied by copy_runtime_info.
class OPENVINO_API WeightlessCacheAttribute : public RuntimeAttribute {
 public:
  OPENVINO_RTTI("WeightlessCacheAttribute", "0", RuntimeAttribute);

  WeightlessCacheAttribute() = delete;
  WeightlessCacheAttribute(size_t original_size, size_t bin_offset,
                           ov::element::Type original_dtype)
      : original_size(original_size), bin_offset(bin_offset), original_dtype(original_dtype) {}

  bool is_copyable() const override;
  bool visit_attributes(AttributeVisitor& visitor) override;

  size_t original_size;
  size_t bin_offset;
  ov::element::Type original_dtype;
};

OPENVINO_API void copy_weightless_cache_attr(const std::shared_ptr<Node>& from,
                                             const std::shared_ptr<Node>& to);

}  // namespace ov
