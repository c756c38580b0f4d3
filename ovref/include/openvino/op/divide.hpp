#pragma once

#include "openvino/op/util/binary_elementwise_arithmetic.hpp"

namespace ov {
namespace op {
namespace v1 {

// Integer division floors when pythondiv is set (the default) and truncates otherwise.
class OPENVINO_API Divide : public util::BinaryElementwiseArithmetic {
 public:
  OPENVINO_OP("Divide", "opset1", util::BinaryElementwiseArithmetic);

  Divide() : util::BinaryElementwiseArithmetic(AutoBroadcastType::NUMPY) {}
  Divide(const Output<Node>& arg0, const Output<Node>& arg1, bool pythondiv,
         const AutoBroadcastSpec& auto_broadcast = AutoBroadcastSpec(AutoBroadcastType::NUMPY));
  Divide(const Output<Node>& arg0, const Output<Node>& arg1,
         const AutoBroadcastSpec& auto_broadcast = AutoBroadcastSpec(AutoBroadcastType::NUMPY));

  bool visit_attributes(AttributeVisitor& visitor) override;
  bool is_pythondiv() const { return m_pythondiv; }
  void set_is_pythondiv(bool pythondiv) { m_pythondiv = pythondiv; }

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

 protected:
  bool m_pythondiv{true};
};

}  // namespace v1
}  // namespace op
}  // namespace ov
