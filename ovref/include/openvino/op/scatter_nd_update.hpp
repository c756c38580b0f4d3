#pragma once

#include "openvino/op/util/scatter_nd_base.hpp"

namespace ov {
namespace op {
namespace v3 {

// Copy of data with the elements or slices addressed by indices replaced by updates; with
// repeated indices the last update wins.
class OPENVINO_API ScatterNDUpdate : public util::ScatterNDBase {
 public:
  OPENVINO_OP("ScatterNDUpdate", "opset4", util::ScatterNDBase);

  ScatterNDUpdate() = default;
  ScatterNDUpdate(const Output<Node>& inputs, const Output<Node>& indices,
                  const Output<Node>& updates);

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v3
}  // namespace op
}  // namespace ov
