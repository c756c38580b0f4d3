#pragma once

#include <iosfwd>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/enum_names.hpp"
#include "openvino/op/util/scatter_nd_base.hpp"

namespace ov {
namespace op {
namespace v3 {

// Copy of data with the elements or slices addressed by indices replaced by updates; with
// repeated indices the last update wins.
class OPENVINO_API ScatterNDUpdate : public util::ScatterNDBase {
 public:
  OPENVINO_OP("ScatterNDUpdate", "opset4", util::ScatterNDBase);

  ScatterNDUpdate() = default;
  ScatterNDUpdate(const Output<Node>& inputs, const Output<Node>& indices,
                  const Output<Node>& updates);

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v3

namespace v15 {

// ScatterNDUpdate that combines each update with the current value (sum, difference, product,
// minimum or maximum) instead of replacing it when a reduction is set.
class OPENVINO_API ScatterNDUpdate : public util::ScatterNDBase {
 public:
  OPENVINO_OP("ScatterNDUpdate", "opset15", util::ScatterNDBase);

  enum class Reduction { NONE, SUM, SUB, PROD, MIN, MAX };

  ScatterNDUpdate() = default;
  ScatterNDUpdate(const Output<Node>& inputs, const Output<Node>& indices,
                  const Output<Node>& updates, const Reduction reduction = Reduction::NONE);

  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  const Reduction& get_reduction() const { return m_reduction; }
  void set_reduction(const Reduction reduction) { m_reduction = reduction; }

 private:
  Reduction m_reduction = Reduction::NONE;
};

}  // namespace v15
}  // namespace op

OPENVINO_API std::ostream& operator<<(std::ostream& s,
                                      const op::v15::ScatterNDUpdate::Reduction& reduction);

template <>
OPENVINO_API EnumNames<op::v15::ScatterNDUpdate::Reduction>&
EnumNames<op::v15::ScatterNDUpdate::Reduction>::get();

template <>
class OPENVINO_API AttributeAdapter<op::v15::ScatterNDUpdate::Reduction>
    : public EnumAttributeAdapterBase<op::v15::ScatterNDUpdate::Reduction> {
 public:
  AttributeAdapter(op::v15::ScatterNDUpdate::Reduction& value)
      : EnumAttributeAdapterBase<op::v15::ScatterNDUpdate::Reduction>(value) {}
  OPENVINO_RTTI("AttributeAdapter<ov::op::v15::ScatterNDUpdate::Reduction>")
};

}  // namespace ov
