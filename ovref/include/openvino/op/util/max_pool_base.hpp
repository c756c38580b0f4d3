#pragma once

#include "openvino/core/shape.hpp"
#include "openvino/core/strides.hpp"
#include "openvino/op/op.hpp"
#include "openvino/op/util/attr_types.hpp"

namespace ov {
namespace op {
namespace util {

// Attributes of max pooling shared by all its versions.
class OPENVINO_API MaxPoolBase : public Op {
 public:
  OPENVINO_OP("MaxPoolBase", "util");

  MaxPoolBase() = default;
  MaxPoolBase(const Output<Node>& arg, const Strides& strides, const Shape& pads_begin,
              const Shape& pads_end, const Shape& kernel,
              const op::RoundingType rounding_type = op::RoundingType::FLOOR,
              const PadType auto_pad = op::PadType::EXPLICIT);

  const Shape& get_kernel() const { return m_kernel; }
  void set_kernel(const Shape& kernel) { m_kernel = kernel; }
  const Strides& get_strides() const { return m_strides; }
  void set_strides(const Strides& strides) { m_strides = strides; }
  const Shape& get_pads_begin() const { return m_pads_begin; }
  void set_pads_begin(const Shape& pads_begin) { m_pads_begin = pads_begin; }
  const Shape& get_pads_end() const { return m_pads_end; }
  void set_pads_end(Shape pads_end) { m_pads_end = std::move(pads_end); }
  PadType get_auto_pad() const { return m_auto_pad; }
  void set_auto_pad(const PadType auto_pad) { m_auto_pad = auto_pad; }
  RoundingType get_rounding_type() const { return m_rounding_type; }
  void set_rounding_type(RoundingType rounding_type) { m_rounding_type = rounding_type; }

 protected:
  // Shape inference shared by the versions; `dilations` is empty for v1.
  PartialShape infer_pooled_shape(const Strides& dilations);

  Shape m_kernel;
  Strides m_strides;
  Shape m_pads_begin;
  Shape m_pads_end;
  PadType m_auto_pad = PadType::EXPLICIT;
  RoundingType m_rounding_type = RoundingType::FLOOR;
};

}  // namespace util
}  // namespace op
}  // namespace ov
