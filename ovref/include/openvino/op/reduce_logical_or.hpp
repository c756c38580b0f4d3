#pragma once

#include "openvino/op/util/logical_reduction_keep_dims.hpp"

namespace ov {
namespace op {
namespace v1 {

// Logical OR of the elements along the given axes.
class OPENVINO_API ReduceLogicalOr : public util::LogicalReductionKeepDims {
 public:
  OPENVINO_OP("ReduceLogicalOr", "opset1", util::LogicalReductionKeepDims);

  ReduceLogicalOr() = default;
  ReduceLogicalOr(const Output<Node>& data, const Output<Node>& reduction_axes,
                  const bool keep_dims = false);

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
