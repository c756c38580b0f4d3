#pragma once

#include <iosfwd>
#include <string>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/enum_names.hpp"
#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v1 {

// Reverses the element order along the selected axes: a list of axes (INDEX) or a boolean
// mask with one entry per axis (MASK).
class OPENVINO_API Reverse : public Op {
 public:
  OPENVINO_OP("Reverse", "opset1");

  enum class Mode { INDEX, MASK };

  Reverse() = default;
  Reverse(const Output<Node>& data, const Output<Node>& reversed_axes, const std::string& mode);
  Reverse(const Output<Node>& data, const Output<Node>& reversed_axes, const Mode mode);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  Mode get_mode() const { return m_mode; }
  void set_mode(const Mode mode) { m_mode = mode; }

 protected:
  Mode m_mode = Mode::INDEX;
};

}  // namespace v1
}  // namespace op

OPENVINO_API std::ostream& operator<<(std::ostream& s, const op::v1::Reverse::Mode& type);

template <>
OPENVINO_API EnumNames<op::v1::Reverse::Mode>& EnumNames<op::v1::Reverse::Mode>::get();

template <>
class OPENVINO_API AttributeAdapter<op::v1::Reverse::Mode>
    : public EnumAttributeAdapterBase<op::v1::Reverse::Mode> {
 public:
  AttributeAdapter(op::v1::Reverse::Mode& value)
      : EnumAttributeAdapterBase<op::v1::Reverse::Mode>(value) {}
  OPENVINO_RTTI("AttributeAdapter<ov::op::v1::Reverse::Mode>")
};

}  // namespace ov
