#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace util {

// Base of ScatterNDUpdate: inputs data, integer indices, updates.
class OPENVINO_API ScatterNDBase : public Op {
 public:
  OPENVINO_OP("ScatterNDBase", "util");

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;

 protected:
  ScatterNDBase() = default;
  ScatterNDBase(const Output<Node>& inputs, const Output<Node>& indices,
                const Output<Node>& updates);
};

}  // namespace util
}  // namespace op
}  // namespace ov
