#pragma once

#include <vector>

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v1 {

// numpy-style slicing with begin/end/new-axis/shrink-axis/ellipsis masks.
class OPENVINO_API StridedSlice : public Op {
 public:
  OPENVINO_OP("StridedSlice", "opset1");

  StridedSlice() = default;
  StridedSlice(const Output<Node>& data, const Output<Node>& begin, const Output<Node>& end,
               const Output<Node>& strides, const std::vector<int64_t>& begin_mask,
               const std::vector<int64_t>& end_mask,
               const std::vector<int64_t>& new_axis_mask = std::vector<int64_t>{},
               const std::vector<int64_t>& shrink_axis_mask = std::vector<int64_t>{},
               const std::vector<int64_t>& ellipsis_mask = std::vector<int64_t>{});
  StridedSlice(const Output<Node>& data, const Output<Node>& begin, const Output<Node>& end,
               const std::vector<int64_t>& begin_mask, const std::vector<int64_t>& end_mask,
               const std::vector<int64_t>& new_axis_mask = std::vector<int64_t>{},
               const std::vector<int64_t>& shrink_axis_mask = std::vector<int64_t>{},
               const std::vector<int64_t>& ellipsis_mask = std::vector<int64_t>{});

  bool visit_attributes(AttributeVisitor& visitor) override;
  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  const std::vector<int64_t>& get_begin_mask() const { return m_begin_mask; }
  void set_begin_mask(const std::vector<int64_t>& vec) { m_begin_mask = vec; }
  const std::vector<int64_t>& get_end_mask() const { return m_end_mask; }
  void set_end_mask(const std::vector<int64_t>& vec) { m_end_mask = vec; }
  const std::vector<int64_t>& get_new_axis_mask() const { return m_new_axis_mask; }
  void set_new_axis_mask(const std::vector<int64_t>& vec) { m_new_axis_mask = vec; }
  const std::vector<int64_t>& get_shrink_axis_mask() const { return m_shrink_axis_mask; }
  void set_shrink_axis_mask(const std::vector<int64_t>& vec) { m_shrink_axis_mask = vec; }
  const std::vector<int64_t>& get_ellipsis_mask() const { return m_ellipsis_mask; }
  void set_ellipsis_mask_mask(const std::vector<int64_t>& vec) { m_ellipsis_mask = vec; }

 private:
  std::vector<int64_t> m_begin_mask;
  std::vector<int64_t> m_end_mask;
  std::vector<int64_t> m_new_axis_mask;
  std::vector<int64_t> m_shrink_axis_mask;
  std::vector<int64_t> m_ellipsis_mask;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
