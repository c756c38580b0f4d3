// Densification of TFLite sparse constants (traversal order with dense and compressed
// dimensions).
#include "openvino/frontend/tensorflow_lite/sparsity_info.hpp"

#include <cstring>

#include "openvino/frontend/exception.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {

namespace {

// TFLite index vector types: 0 int32, 1 uint16, 2 uint8.
size_t ReadIndex(uint8_t type, const void* data, size_t i) {
  switch (type) {
    case 0:
      return static_cast<size_t>(static_cast<const int32_t*>(data)[i]);
    case 1:
      return static_cast<const uint16_t*>(data)[i];
    case 2:
      return static_cast<const uint8_t*>(data)[i];
    default:
      FRONT_END_THROW("Unsupported sparse index type " + std::to_string(type));
  }
}

struct Densifier {
  const std::vector<int32_t>& shape;
  const std::vector<int32_t>& order;
  const std::vector<uint16_t>& format;
  const std::vector<SparsityInfo::SparsityDataDesc>& desc;
  const uint8_t* values;
  size_t element_size;
  uint8_t* dense;
  std::vector<size_t> coordinate;
  size_t next_value = 0;

  // Level `level` of the traversal, at position `prev` of the previous level's storage.
  void Walk(size_t level, size_t prev) {
    if (level == order.size()) {
      size_t offset = 0;
      for (size_t d = 0; d < shape.size(); ++d) offset = offset * shape[d] + coordinate[d];
      std::memcpy(dense + offset * element_size, values + next_value * element_size, element_size);
      ++next_value;
      return;
    }
    const auto dim = static_cast<size_t>(order[level]);
    if (format[level] == 0) {
      const auto size = static_cast<size_t>(shape[dim]);
      for (size_t i = 0; i < size; ++i) {
        coordinate[dim] = i;
        Walk(level + 1, prev * size + i);
      }
      return;
    }
    const auto& d = desc.at(level);
    FRONT_END_GENERAL_CHECK(d.segments != nullptr && d.indices != nullptr, "Sparse dimension ",
                            level, " has no segments or indices");
    const size_t begin = ReadIndex(d.segments_type, d.segments, prev);
    const size_t end = ReadIndex(d.segments_type, d.segments, prev + 1);
    for (size_t i = begin; i < end; ++i) {
      const size_t index = ReadIndex(d.indices_type, d.indices, i);
      FRONT_END_GENERAL_CHECK(index < static_cast<size_t>(shape[dim]), "Sparse index ", index,
                              " is outside dimension ", dim, " of size ", shape[dim]);
      coordinate[dim] = index;
      Walk(level + 1, i);
    }
  }
};

}  // namespace

void* SparsityInfo::dense_data() {
  FRONT_END_GENERAL_CHECK(!m_disabled, "Try to get dense data from unsupported tensor");
  if (!m_data.empty()) return m_data.data();
  const size_t rank = m_shape.size();
  // Block dimensions come after the tensor's own in the traversal order.
  FRONT_END_GENERAL_CHECK(m_traversal_order.size() == rank,
                          "Sparse tensors with blocked dimensions are not supported");
  FRONT_END_GENERAL_CHECK(m_dim_format.size() == rank && m_values != nullptr &&
                              m_target_type.is_static() && m_target_type.bitwidth() % 8 == 0,
                          "Inconsistent sparsity description");
  size_t count = 1;
  for (auto d : m_shape) {
    FRONT_END_GENERAL_CHECK(d >= 0, "Negative dimension in a sparse tensor shape");
    count *= static_cast<size_t>(d);
  }
  const size_t element_size = m_target_type.size();
  m_data.assign(count * element_size, 0);
  Densifier densifier{m_shape,  m_traversal_order, m_dim_format,  m_data_desc,
                      m_values, element_size,      m_data.data(), std::vector<size_t>(rank, 0)};
  densifier.Walk(0, 0);
  return m_data.data();
}

}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
