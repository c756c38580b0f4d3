#pragma once

#include "openvino/op/util/unary_elementwise_arithmetic.hpp"

namespace ov {
namespace op {

enum class GeluApproximationMode { TANH, ERF };

OPENVINO_API std::ostream& operator<<(std::ostream& s, const GeluApproximationMode& type);

namespace v0 {

// Gaussian error linear unit, erf form.
class OPENVINO_API Gelu : public util::UnaryElementwiseArithmetic {
 public:
  OPENVINO_OP("Gelu", "opset2", util::UnaryElementwiseArithmetic);

  Gelu();
  Gelu(const Output<Node>& data);

  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v0

namespace v7 {

// Gaussian error linear unit, erf or tanh approximation.
class OPENVINO_API Gelu : public util::UnaryElementwiseArithmetic {
 public:
  OPENVINO_OP("Gelu", "opset7", util::UnaryElementwiseArithmetic);

  Gelu() = default;
  Gelu(const Output<Node>& data, GeluApproximationMode mode = GeluApproximationMode::ERF);

  bool visit_attributes(AttributeVisitor& visitor) override;
  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  GeluApproximationMode get_approximation_mode() const { return m_approximation_mode; }
  void set_approximation_mode(const GeluApproximationMode& approximation_mode) {
    m_approximation_mode = approximation_mode;
  }

 private:
  GeluApproximationMode m_approximation_mode = GeluApproximationMode::ERF;
};

}  // namespace v7
}  // namespace op

template <>
OPENVINO_API EnumNames<op::GeluApproximationMode>& EnumNames<op::GeluApproximationMode>::get();

template <>
class OPENVINO_API AttributeAdapter<op::GeluApproximationMode>
    : public EnumAttributeAdapterBase<op::GeluApproximationMode> {
 public:
  AttributeAdapter(op::GeluApproximationMode& value)
      : EnumAttributeAdapterBase<op::GeluApproximationMode>(value) {}
  OPENVINO_RTTI("AttributeAdapter<op::GeluApproximationMode>")
};

}  // namespace ov
