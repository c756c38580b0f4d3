#pragma once

#include "openvino/op/op.hpp"
#include "openvino/op/util/attr_types.hpp"

namespace ov {
namespace op {
namespace v1 {

// out = cond ? then : else, element-wise with broadcasting.
class OPENVINO_API Select : public Op {
 public:
  OPENVINO_OP("Select", "opset1");

  Select() : m_auto_broadcast(AutoBroadcastSpec(AutoBroadcastType::NUMPY)) {}
  Select(const Output<Node>& arg0, const Output<Node>& arg1, const Output<Node>& arg2,
         const AutoBroadcastSpec& auto_broadcast = AutoBroadcastSpec(AutoBroadcastType::NUMPY));

  bool visit_attributes(AttributeVisitor& visitor) override;
  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;

  const AutoBroadcastSpec& get_auto_broadcast() const { return m_auto_broadcast; }
  void set_auto_broadcast(const AutoBroadcastSpec& auto_broadcast) {
    m_auto_broadcast = auto_broadcast;
  }
  const AutoBroadcastSpec& get_autob() const override { return m_auto_broadcast; }

  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

 private:
  AutoBroadcastSpec m_auto_broadcast;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
