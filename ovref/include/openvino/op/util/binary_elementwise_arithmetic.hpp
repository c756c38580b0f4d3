#pragma once

#include "openvino/op/op.hpp"
#include "openvino/op/util/attr_types.hpp"

namespace ov {
namespace op {
namespace util {

// Base of Add, Subtract, Multiply, ...: two inputs of one non-boolean element type, broadcast
// by the auto_broadcast rule.
class OPENVINO_API BinaryElementwiseArithmetic : public Op {
 protected:
  BinaryElementwiseArithmetic(const AutoBroadcastSpec& autob);
  BinaryElementwiseArithmetic(const Output<Node>& arg0, const Output<Node>& arg1,
                              const AutoBroadcastSpec& autob);

 public:
  OPENVINO_OP("BinaryElementwiseArithmetic", "util");

  void validate_and_infer_types() override;
  const AutoBroadcastSpec& get_autob() const override { return m_autob; }
  void set_autob(const AutoBroadcastSpec& autob) { m_autob = autob; }
  bool visit_attributes(AttributeVisitor& visitor) override;

 private:
  AutoBroadcastSpec m_autob;
};

}  // namespace util
}  // namespace op
}  // namespace ov
