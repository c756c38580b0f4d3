#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v0 {

// Reverses the first seq_lengths[b] elements along seq_axis of every batch entry b.
class OPENVINO_API ReverseSequence : public Op {
 public:
  OPENVINO_OP("ReverseSequence", "opset1");

  ReverseSequence() = default;
  ReverseSequence(const Output<Node>& arg, const Output<Node>& seq_lengths, int64_t batch_axis = 0,
                  int64_t seq_axis = 1);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  size_t get_batch_axis() const { return m_normalized_batch_axis; }
  int64_t get_origin_batch_axis() const { return m_batch_axis; }
  void set_batch_axis(int64_t batch_axis) { m_batch_axis = batch_axis; }
  size_t get_sequence_axis() const { return m_normalized_seq_axis; }
  int64_t get_origin_sequence_axis() const { return m_seq_axis; }
  void set_sequence_axis(int64_t sequence_axis) { m_seq_axis = sequence_axis; }

 private:
  int64_t m_batch_axis = 0;
  int64_t m_seq_axis = 1;
  size_t m_normalized_batch_axis = 0;
  size_t m_normalized_seq_axis = 1;
};

}  // namespace v0
}  // namespace op
}  // namespace ov
