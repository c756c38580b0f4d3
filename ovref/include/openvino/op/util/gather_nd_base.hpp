#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace util {

// Base of GatherND v5 and v8: data, integer indices whose last dim indexes data after
// batch_dims leading batch dims.
class OPENVINO_API GatherNDBase : public Op {
 public:
  OPENVINO_OP("GatherNDBase", "util");

  GatherNDBase() = default;
  GatherNDBase(const Output<Node>& data, const Output<Node>& indices, const size_t batch_dims = 0);

  bool visit_attributes(AttributeVisitor& visitor) override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  size_t get_batch_dims() const { return m_batch_dims; }

 protected:
  // Output shape; v5 flattens the batch dims into one.
  PartialShape gather_shape(const PartialShape& data, const PartialShape& indices,
                            bool flatten_batch) const;
  virtual bool flattens_batch() const = 0;

  size_t m_batch_dims = 0;
};

}  // namespace util
}  // namespace op
}  // namespace ov
