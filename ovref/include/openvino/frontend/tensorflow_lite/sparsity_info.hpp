#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "openvino/core/runtime_attribute.hpp"
#include "openvino/core/type/element_type.hpp"
#include "openvino/frontend/tensorflow_lite/visibility.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {

// Sparse storage of a constant tensor in the TFLite format (traversal order, block map, per
// dimension dense or compressed segments and indices). Dense tensors carry no SparsityInfo.
class TENSORFLOW_LITE_FRONTEND_API SparsityInfo : public ov::RuntimeAttribute {
 public:
  // Segments and indices of one dimension; the types are TFLite's: 0 int32, 1 uint16, 2 uint8.
  struct SparsityDataDesc {
    uint8_t segments_type;
    const void* segments;
    uint8_t indices_type;
    const void* indices;
  };

  OPENVINO_RTTI("SparsityInfo");
  SparsityInfo() = default;
  explicit SparsityInfo(const std::vector<int32_t>& shape,
                        const std::vector<int32_t>& traversal_order,
                        const std::vector<int32_t>& block_map,
                        const std::vector<uint16_t>& dim_format,
                        const std::vector<SparsityDataDesc>& data_desc,
                        const ov::element::Type target_type, const uint8_t* values)
      : m_shape(shape),
        m_traversal_order(traversal_order),
        m_block_map(block_map),
        m_dim_format(dim_format),
        m_data_desc(data_desc),
        m_target_type(target_type),
        m_values(values) {
    enable();
  }

  bool is_copyable() const override;

  const std::vector<int32_t>& get_shape() const { return m_shape; }
  void set_shape(const std::vector<int32_t>& shape) { m_shape = shape; }
  const std::vector<int32_t>& get_traversal_order() const { return m_traversal_order; }
  void set_traversal_order(const std::vector<int32_t>& traversal_order) {
    m_traversal_order = traversal_order;
  }
  const std::vector<int32_t>& get_block_map() const { return m_block_map; }
  void set_block_map(const std::vector<int32_t>& block_map) { m_block_map = block_map; }
  const std::vector<uint16_t>& get_dim_format() const { return m_dim_format; }
  void set_dim_format(const std::vector<uint16_t>& dim_format) { m_dim_format = dim_format; }
  const std::vector<SparsityDataDesc>& get_data_desc() const { return m_data_desc; }
  void set_data_desc(const std::vector<SparsityDataDesc>& data_desc) { m_data_desc = data_desc; }
  const ov::element::Type get_target_type() const { return m_target_type; }
  void set_target_type(const ov::element::Type target_type) { m_target_type = target_type; }
  const uint8_t* get_values() const { return m_values; }
  void set_values(const uint8_t* values) { m_values = values; }

  bool is_disabled() const { return m_disabled; }
  void disable() { m_disabled = true; }
  // Disabled unless shape, traversal order, block map and dimension formats are all given.
  void enable() {
    m_disabled =
        m_shape.empty() || m_traversal_order.empty() || m_block_map.empty() || m_dim_format.empty();
  }

  // The dense tensor, computed on first use; GeneralFailure when the info is disabled.
  void* dense_data();

 private:
  std::vector<int32_t> m_shape;
  std::vector<int32_t> m_traversal_order;
  std::vector<int32_t> m_block_map;
  std::vector<uint16_t> m_dim_format;
  std::vector<SparsityDataDesc> m_data_desc;
  std::vector<uint8_t> m_data;
  ov::element::Type m_target_type;
  const uint8_t* m_values = nullptr;
  bool m_disabled = true;
};

}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
