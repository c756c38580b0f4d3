#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace util {

// Base of ReduceLogicalAnd and ReduceLogicalOr: boolean data, integer axes, keep_dims.
class OPENVINO_API LogicalReductionKeepDims : public Op {
 protected:
  LogicalReductionKeepDims() = default;
  LogicalReductionKeepDims(const Output<Node>& data, const Output<Node>& reduction_axes,
                           const bool keep_dims = false);

 public:
  OPENVINO_OP("LogicalReductionKeepDims", "util");

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  bool has_evaluate() const override;

  bool get_keep_dims() const { return m_keep_dims; }
  void set_keep_dims(bool keep_dims) { m_keep_dims = keep_dims; }

 protected:
  // Reduces with AND (true as the start value) or OR (false).
  bool evaluate_reduction(ov::TensorVector& outputs, const ov::TensorVector& inputs,
                          bool is_and) const;

  bool m_keep_dims = false;
};

}  // namespace util
}  // namespace op
}  // namespace ov
