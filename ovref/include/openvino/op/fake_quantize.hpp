#pragma once

#include "openvino/op/op.hpp"
#include "openvino/op/util/attr_types.hpp"

namespace ov {
namespace op {
namespace v0 {

// Quantizes to `levels` steps between input_low/high and maps them to output_low/high.
class OPENVINO_API FakeQuantize : public Op {
 public:
  OPENVINO_OP("FakeQuantize", "opset1");

  FakeQuantize();
  FakeQuantize(
      const Output<Node>& data, const Output<Node>& input_low, const Output<Node>& input_high,
      const Output<Node>& output_low, const Output<Node>& output_high, std::size_t levels,
      const AutoBroadcastSpec& auto_broadcast = AutoBroadcastSpec(AutoBroadcastType::NUMPY));

  bool visit_attributes(AttributeVisitor& visitor) override;
  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
  bool constant_fold(OutputVector&, const OutputVector&) override { return false; }
  bool can_constant_fold(const OutputVector&) const override { return false; }

  std::size_t get_levels() const { return m_levels; }
  void set_levels(std::size_t levels) { m_levels = levels; }
  const AutoBroadcastSpec& get_auto_broadcast() const { return m_auto_broadcast; }
  void set_auto_broadcast(const AutoBroadcastSpec& auto_broadcast) {
    m_auto_broadcast = auto_broadcast;
  }
  const AutoBroadcastSpec& get_autob() const override { return m_auto_broadcast; }

 private:
  std::size_t m_levels{0};
  AutoBroadcastSpec m_auto_broadcast = op::AutoBroadcastType::NUMPY;
};

}  // namespace v0
}  // namespace op
}  // namespace ov
