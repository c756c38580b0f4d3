#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace util {

// Base of Relu, Sqrt, ...: one non-boolean input; output of the same type and shape.
class OPENVINO_API UnaryElementwiseArithmetic : public Op {
 protected:
  UnaryElementwiseArithmetic();
  UnaryElementwiseArithmetic(const Output<Node>& arg);

 public:
  OPENVINO_OP("UnaryElementwiseArithmetic", "util");

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
};

}  // namespace util
}  // namespace op
}  // namespace ov
