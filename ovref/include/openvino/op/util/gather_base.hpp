#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace util {

// Shared by the Gather versions: data, indices, axis inputs and the batch_dims attribute.
class OPENVINO_API GatherBase : public Op {
 public:
  OPENVINO_OP("GatherBase", "util");

  GatherBase() = default;
  GatherBase(const Output<Node>& data, const Output<Node>& indices, const Output<Node>& axis,
             const int64_t batch_dims = 0);

  void validate_and_infer_types() override;
  virtual int64_t get_axis() const;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  const int64_t& get_batch_dims() const { return m_batch_dims; }
  void set_batch_dims(int64_t batch_dims) { m_batch_dims = batch_dims; }

 protected:
  int64_t m_batch_dims = 0;
};

}  // namespace util
}  // namespace op
}  // namespace ov
