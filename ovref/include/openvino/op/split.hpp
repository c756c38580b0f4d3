#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v1 {

// Splits data along `axis` (input 1) into num_splits equal consecutive parts.
class OPENVINO_API Split : public Op {
 public:
  OPENVINO_OP("Split", "opset1");

  Split() = default;
  Split(const Output<Node>& data, const Output<Node>& axis, const size_t num_splits);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  size_t get_num_splits() const { return m_num_splits; }
  void set_num_splits(const size_t num_splits) { m_num_splits = num_splits; }

 protected:
  size_t m_num_splits = 0;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
