#pragma once

#include <iosfwd>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/enum_names.hpp"
#include "openvino/op/util/unary_elementwise_arithmetic.hpp"

namespace ov {
namespace op {
namespace v5 {

// Rounds to the nearest integer, ties to even or away from zero; integers are unchanged.
class OPENVINO_API Round : public util::UnaryElementwiseArithmetic {
 public:
  enum class RoundMode { HALF_TO_EVEN, HALF_AWAY_FROM_ZERO };

  OPENVINO_OP("Round", "opset5", util::UnaryElementwiseArithmetic);

  Round() = default;
  Round(const Output<Node>& arg, const RoundMode mode);

  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  RoundMode get_mode() const { return m_mode; }
  void set_mode(const RoundMode& mode) { m_mode = mode; }

 private:
  RoundMode m_mode = RoundMode::HALF_TO_EVEN;
};

}  // namespace v5
}  // namespace op

OPENVINO_API std::ostream& operator<<(std::ostream& s, const op::v5::Round::RoundMode& type);

template <>
OPENVINO_API EnumNames<op::v5::Round::RoundMode>& EnumNames<op::v5::Round::RoundMode>::get();

template <>
class OPENVINO_API AttributeAdapter<op::v5::Round::RoundMode>
    : public EnumAttributeAdapterBase<op::v5::Round::RoundMode> {
 public:
  AttributeAdapter(op::v5::Round::RoundMode& value)
      : EnumAttributeAdapterBase<op::v5::Round::RoundMode>(value) {}
  OPENVINO_RTTI("AttributeAdapter<ov::op::v5::Round::RoundMode>")
};

}  // namespace ov
