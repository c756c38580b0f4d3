#pragma once

#include "openvino/op/util/arithmetic_reductions_keep_dims.hpp"

namespace ov {
namespace op {
namespace v1 {

class OPENVINO_API ReduceMax : public util::ArithmeticReductionKeepDims {
 public:
  OPENVINO_OP("ReduceMax", "opset1", util::ArithmeticReductionKeepDims);

  ReduceMax() = default;
  ReduceMax(const Output<Node>& arg, const Output<Node>& reduction_axes, bool keep_dims = false);

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
