#pragma once

#include <iosfwd>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/enum_names.hpp"
#include "openvino/op/util/one_hot_base.hpp"

namespace ov {
namespace op {
namespace v1 {

// One-hot encoding: a new dim of size `depth` at `axis` holding on_value where it equals the
// index and off_value elsewhere. Negative and too large indices give all-off rows.
class OPENVINO_API OneHot : public util::OneHotBase {
 public:
  OPENVINO_OP("OneHot", "opset1", util::OneHotBase);

  OneHot() = default;
  OneHot(const Output<Node>& indices, const Output<Node>& depth, const Output<Node>& on_value,
         const Output<Node>& off_value, int64_t axis);

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
};

}  // namespace v1

namespace v16 {

// OneHot that can count negative indices from the end of the depth.
class OPENVINO_API OneHot : public util::OneHotBase {
 public:
  OPENVINO_OP("OneHot", "opset16", util::OneHotBase);

  enum class NegativeIndicesMode { IGNORE_NEGATIVE, NORMALIZE };

  OneHot() = default;
  OneHot(const Output<Node>& indices, const Output<Node>& depth, const Output<Node>& on_value,
         const Output<Node>& off_value, int64_t axis,
         NegativeIndicesMode mode = NegativeIndicesMode::IGNORE_NEGATIVE);

  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;

  NegativeIndicesMode get_negative_indices_mode() const { return m_negative_indices_mode; }
  void set_negative_indices_mode(NegativeIndicesMode mode) { m_negative_indices_mode = mode; }

 private:
  NegativeIndicesMode m_negative_indices_mode = NegativeIndicesMode::IGNORE_NEGATIVE;
};

}  // namespace v16
}  // namespace op

OPENVINO_API std::ostream& operator<<(std::ostream& s,
                                      const op::v16::OneHot::NegativeIndicesMode& mode);

template <>
OPENVINO_API EnumNames<op::v16::OneHot::NegativeIndicesMode>&
EnumNames<op::v16::OneHot::NegativeIndicesMode>::get();

template <>
class OPENVINO_API AttributeAdapter<op::v16::OneHot::NegativeIndicesMode>
    : public EnumAttributeAdapterBase<op::v16::OneHot::NegativeIndicesMode> {
 public:
  AttributeAdapter(op::v16::OneHot::NegativeIndicesMode& value)
      : EnumAttributeAdapterBase<op::v16::OneHot::NegativeIndicesMode>(value) {}
  OPENVINO_RTTI("AttributeAdapter<ov::op::v16::OneHot::NegativeIndicesMode>")
};

}  // namespace ov
