#pragma once

#include "openvino/op/util/topk_base.hpp"

namespace ov {
namespace op {
namespace v3 {

class OPENVINO_API TopK : public util::TopKBase {
 public:
  OPENVINO_OP("TopK", "opset3", op::util::TopKBase);

  TopK() = default;
  TopK(const Output<Node>& data, const Output<Node>& k, const int64_t axis, const std::string& mode,
       const std::string& sort, const element::Type& index_element_type = element::i32);
  TopK(const Output<Node>& data, const Output<Node>& k, const int64_t axis, const TopKMode mode,
       const TopKSortType sort, const element::Type& index_element_type = element::i32);

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
};

}  // namespace v3

namespace v11 {

// As v3, with `stable`: equal values keep their input order.
class OPENVINO_API TopK : public util::TopKBase {
 public:
  OPENVINO_OP("TopK", "opset11", op::util::TopKBase);

  TopK() = default;
  TopK(const Output<Node>& data, const Output<Node>& k, const int64_t axis, const std::string& mode,
       const std::string& sort, const element::Type& index_element_type = element::i32,
       const bool stable = false);
  TopK(const Output<Node>& data, const Output<Node>& k, const int64_t axis, const TopKMode mode,
       const TopKSortType sort, const element::Type& index_element_type = element::i32,
       const bool stable = false);

  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;

  bool get_stable() const { return m_stable; }
  void set_stable(const bool stable) { m_stable = stable; }
};

}  // namespace v11
}  // namespace op
}  // namespace ov
