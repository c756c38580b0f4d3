#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v13 {

// softmax(Q·Kᵀ·scale + mask)·V, with an optional causal mask.
class OPENVINO_API ScaledDotProductAttention : public Op {
 public:
  OPENVINO_OP("ScaledDotProductAttention", "opset13");

  ScaledDotProductAttention() = default;
  ScaledDotProductAttention(const OutputVector& inputs, bool causal);
  ScaledDotProductAttention(const Output<Node>& query, const Output<Node>& key,
                            const Output<Node>& value, const Output<Node>& attn_mask,
                            const Output<Node>& scale, bool causal);
  ScaledDotProductAttention(const Output<Node>& query, const Output<Node>& key,
                            const Output<Node>& value, const Output<Node>& attn_mask, bool causal);
  ScaledDotProductAttention(const Output<Node>& query, const Output<Node>& key,
                            const Output<Node>& value, bool causal);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  bool get_causal() const { return m_causal; }
  void set_causal(bool causal) { m_causal = causal; }

 private:
  bool m_causal = false;
};

}  // namespace v13
}  // namespace op
}  // namespace ov
