#pragma once

#include "openvino/op/op.hpp"
#include "openvino/op/util/attr_types.hpp"

namespace ov {
namespace op {
namespace util {

// The k largest or smallest values along an axis and their indices.
class OPENVINO_API TopKBase : public Op {
 public:
  OPENVINO_OP("TopKBase", "util");

  using Mode = TopKMode;
  using SortType = TopKSortType;

  TopKBase() = default;
  TopKBase(const Output<Node>& data, const Output<Node>& k, const int64_t axis,
           const std::string& mode, const std::string& sort,
           const element::Type& index_element_type = element::i32);
  TopKBase(const Output<Node>& data, const Output<Node>& k, const int64_t axis, const TopKMode mode,
           const TopKSortType sort, const element::Type& index_element_type = element::i32);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  size_t get_default_output_index() const override { return no_default_index(); }

  uint64_t get_axis() const;
  int64_t get_provided_axis() const { return m_axis; }
  void set_axis(const int64_t axis);
  void set_axis(const Rank& input_rank, const int64_t axis);
  TopKMode get_mode() const { return m_mode; }
  void set_mode(const TopKMode mode) { m_mode = mode; }
  TopKSortType get_sort_type() const { return m_sort; }
  void set_sort_type(const TopKSortType sort) { m_sort = sort; }
  element::Type get_index_element_type() const { return m_index_element_type; }
  void set_index_element_type(const element::Type& index_element_type) {
    m_index_element_type = index_element_type;
  }
  size_t get_k() const;
  void set_k(size_t k);

  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

 protected:
  int64_t m_axis{0};
  uint64_t m_normalized_axis{0};
  TopKMode m_mode{TopKMode::MAX};
  TopKSortType m_sort{TopKSortType::NONE};
  element::Type m_index_element_type{element::i32};
  bool m_stable{false};
};

}  // namespace util
}  // namespace op
}  // namespace ov
