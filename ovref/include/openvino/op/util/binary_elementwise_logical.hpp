#pragma once

#include "openvino/op/op.hpp"
#include "openvino/op/util/attr_types.hpp"

namespace ov {
namespace op {
namespace util {

// Base of LogicalAnd, LogicalOr, LogicalXor: two boolean inputs, broadcast by the
// auto_broadcast rule; boolean output.
class OPENVINO_API BinaryElementwiseLogical : public Op {
 protected:
  BinaryElementwiseLogical(const AutoBroadcastSpec& autob);
  BinaryElementwiseLogical(const Output<Node>& arg0, const Output<Node>& arg1,
                           const AutoBroadcastSpec& autob);

 public:
  OPENVINO_OP("BinaryElementwiseLogical", "util");

  void validate_and_infer_types() override;
  const AutoBroadcastSpec& get_autob() const override { return m_autob; }
  void set_autob(const AutoBroadcastSpec& autob) { m_autob = autob; }
  bool visit_attributes(AttributeVisitor& visitor) override;

 private:
  AutoBroadcastSpec m_autob = AutoBroadcastSpec(AutoBroadcastType::NUMPY);
};

}  // namespace util
}  // namespace op
}  // namespace ov
