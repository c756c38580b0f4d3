#pragma once

#include "openvino/op/util/scatter_elements_update_base.hpp"

namespace ov {
namespace op {
namespace v12 {

// Writes updates into a copy of data at positions given per element along an axis, optionally
// combining them with a reduction.
class OPENVINO_API ScatterElementsUpdate : public op::util::ScatterElementsUpdateBase {
 public:
  OPENVINO_OP("ScatterElementsUpdate", "opset12", op::util::ScatterElementsUpdateBase);

  enum class Reduction { NONE, SUM, PROD, MIN, MAX, MEAN };

  ScatterElementsUpdate() = default;
  ScatterElementsUpdate(const Output<Node>& data, const Output<Node>& indices,
                        const Output<Node>& updates, const Output<Node>& axis,
                        const Reduction reduction = Reduction::NONE,
                        const bool use_init_val = true);

  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  Reduction get_reduction() const { return m_reduction; }
  void set_reduction(const Reduction reduction) { m_reduction = reduction; }
  bool get_use_init_val() const { return m_use_init_val; }
  void set_use_init_val(const bool use_init_val) { m_use_init_val = use_init_val; }

 private:
  Reduction m_reduction = Reduction::NONE;
  bool m_use_init_val = true;
};

}  // namespace v12

OPENVINO_API std::ostream& operator<<(std::ostream& s,
                                      const v12::ScatterElementsUpdate::Reduction& reduction);

}  // namespace op

template <>
OPENVINO_API EnumNames<op::v12::ScatterElementsUpdate::Reduction>&
EnumNames<op::v12::ScatterElementsUpdate::Reduction>::get();

template <>
class OPENVINO_API AttributeAdapter<op::v12::ScatterElementsUpdate::Reduction>
    : public EnumAttributeAdapterBase<op::v12::ScatterElementsUpdate::Reduction> {
 public:
  AttributeAdapter(op::v12::ScatterElementsUpdate::Reduction& value)
      : EnumAttributeAdapterBase<op::v12::ScatterElementsUpdate::Reduction>(value) {}
  OPENVINO_RTTI("AttributeAdapter<v12::ScatterElementsUpdate::Reduction>")
};

}  // namespace ov
