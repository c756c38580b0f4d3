#pragma once

#include "openvino/core/axis_set.hpp"
#include "openvino/op/op.hpp"
#include "openvino/op/util/attr_types.hpp"

namespace ov {
namespace op {
namespace v3 {

// Replicates data to a target shape: NUMPY (one way), BIDIRECTIONAL, or EXPLICIT axes mapping.
class OPENVINO_API Broadcast : public Op {
 public:
  OPENVINO_OP("Broadcast", "opset3");

  Broadcast() = default;
  Broadcast(const Output<Node>& arg, const Output<Node>& target_shape,
            const Output<Node>& axes_mapping,
            const BroadcastModeSpec& broadcast_spec = BroadcastType::EXPLICIT);
  Broadcast(const Output<Node>& arg, const Output<Node>& target_shape,
            const BroadcastModeSpec& broadcast_spec = BroadcastType::NUMPY);

  bool visit_attributes(AttributeVisitor& visitor) override;
  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  const BroadcastModeSpec& get_broadcast_spec() const { return m_mode; }
  void set_broadcast_spec(const BroadcastModeSpec& broadcast_spec) { m_mode = broadcast_spec; }
  std::pair<bool, AxisSet> get_broadcast_axes() const;

 protected:
  BroadcastModeSpec m_mode;
};

}  // namespace v3
}  // namespace op
}  // namespace ov
