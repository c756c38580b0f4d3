#pragma once

#include "openvino/core/axis_set.hpp"
#include "openvino/op/op.hpp"
#include "openvino/op/util/attr_types.hpp"

namespace ov {
namespace op {
namespace v0 {

// x / sqrt(max(sum x^2, eps)) or x / sqrt(sum x^2 + eps), the sum over the given axes.
class OPENVINO_API NormalizeL2 : public Op {
 public:
  OPENVINO_OP("NormalizeL2", "opset1");

  NormalizeL2() = default;
  NormalizeL2(const Output<Node>& data, const Output<Node>& axes, float eps, EpsMode eps_mode);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  float get_eps() const { return m_eps; }
  EpsMode get_eps_mode() const { return m_eps_mode; }
  // Normalised axes; needs a constant axes input.
  AxisSet get_reduction_axes() const;

 protected:
  float m_eps = 0.0f;
  EpsMode m_eps_mode = EpsMode::ADD;
};

}  // namespace v0
}  // namespace op
}  // namespace ov
