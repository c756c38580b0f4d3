#pragma once

#include "openvino/core/shape.hpp"
#include "openvino/core/strides.hpp"
#include "openvino/op/op.hpp"
#include "openvino/op/util/attr_types.hpp"

namespace ov {
namespace op {
namespace util {

// Attributes of average pooling: kernel, strides, paddings, padding rule, rounding and whether
// padding counts in the divisor.
class OPENVINO_API AvgPoolBase : public Op {
 public:
  OPENVINO_OP("AvgPoolBase", "util");

  AvgPoolBase() = default;
  AvgPoolBase(const Output<Node>& arg, const Strides& strides, const Shape& pads_begin,
              const Shape& pads_end, const Shape& kernel, bool exclude_pad,
              RoundingType rounding_type = RoundingType::FLOOR,
              const PadType& auto_pad = PadType::EXPLICIT);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  const Shape& get_kernel() const { return m_kernel; }
  void set_kernel(const Shape& kernel) { m_kernel = kernel; }
  const Strides& get_strides() const { return m_strides; }
  void set_strides(const Strides& strides) { m_strides = strides; }
  const Shape& get_pads_begin() const { return m_pads_begin; }
  void set_pads_begin(const Shape& pads_begin) { m_pads_begin = pads_begin; }
  const Shape& get_pads_end() const { return m_pads_end; }
  void set_pads_end(const Shape& pads_end) { m_pads_end = pads_end; }
  bool get_exclude_pad() const { return m_exclude_pad; }
  void set_exclude_pad(bool exclude_pad) { m_exclude_pad = exclude_pad; }
  const PadType& get_auto_pad() const { return m_auto_pad; }
  void set_auto_pad(const PadType& auto_pad) { m_auto_pad = auto_pad; }
  RoundingType get_rounding_type() const { return m_rounding_type; }
  void set_rounding_type(RoundingType rounding_type) { m_rounding_type = rounding_type; }

 protected:
  Shape m_kernel;
  Strides m_strides;
  Shape m_pads_begin;
  Shape m_pads_end;
  bool m_exclude_pad = true;
  PadType m_auto_pad = PadType::EXPLICIT;
  RoundingType m_rounding_type = RoundingType::FLOOR;
};

}  // namespace util
}  // namespace op
}  // namespace ov
