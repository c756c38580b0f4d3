#pragma once

#include "openvino/op/util/gather_nd_base.hpp"

namespace ov {
namespace op {
namespace v5 {

// GatherND whose output folds the batch dims into one of size prod(indices.shape[:b]).
class OPENVINO_API GatherND : public util::GatherNDBase {
 public:
  OPENVINO_OP("GatherND", "opset5", util::GatherNDBase);

  GatherND() = default;
  GatherND(const Output<Node>& data, const Output<Node>& indices, const size_t batch_dims = 0);

  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;

 protected:
  bool flattens_batch() const override { return true; }
};

}  // namespace v5

namespace v8 {

// Gathers elements or slices of data addressed by the tuples in the last dim of indices.
class OPENVINO_API GatherND : public util::GatherNDBase {
 public:
  OPENVINO_OP("GatherND", "opset8", util::GatherNDBase);

  GatherND() = default;
  GatherND(const Output<Node>& data, const Output<Node>& indices, const size_t batch_dims = 0);

  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;

 protected:
  bool flattens_batch() const override { return false; }
};

}  // namespace v8
}  // namespace op
}  // namespace ov
