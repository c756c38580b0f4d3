#pragma once

#include "openvino/op/util/logical_reduction_keep_dims.hpp"

namespace ov {
namespace op {
namespace v1 {

// Logical AND of the elements along the given axes.
class OPENVINO_API ReduceLogicalAnd : public util::LogicalReductionKeepDims {
 public:
  OPENVINO_OP("ReduceLogicalAnd", "opset1", util::LogicalReductionKeepDims);

  ReduceLogicalAnd() = default;
  ReduceLogicalAnd(const Output<Node>& data, const Output<Node>& reduction_axes,
                   const bool keep_dims = false);

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
