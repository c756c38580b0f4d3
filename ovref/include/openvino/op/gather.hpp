#pragma once

#include "openvino/op/util/gather_base.hpp"

namespace ov {
namespace op {
namespace v8 {

// Takes slices of data along an axis at the given indices; negative indices count from the
// end and indices still out of range give zeros.
class OPENVINO_API Gather : public op::util::GatherBase {
 public:
  OPENVINO_OP("Gather", "opset8", op::util::GatherBase);

  Gather() = default;
  Gather(const Output<Node>& data, const Output<Node>& indices, const Output<Node>& axis,
         const int64_t batch_dims = 0);

  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  int64_t get_batch_dims() const;
};

}  // namespace v8
}  // namespace op
}  // namespace ov
