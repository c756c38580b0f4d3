#pragma once

#include "openvino/op/util/avg_pool_base.hpp"

namespace ov {
namespace op {
namespace v1 {

// Average pooling over the spatial dims of [N, C, spatial...].
class OPENVINO_API AvgPool : public util::AvgPoolBase {
 public:
  OPENVINO_OP("AvgPool", "opset1", util::AvgPoolBase);

  AvgPool() = default;
  AvgPool(const Output<Node>& arg, const Strides& strides, const Shape& pads_begin,
          const Shape& pads_end, const Shape& kernel, bool exclude_pad,
          RoundingType rounding_type = RoundingType::FLOOR,
          const PadType& auto_pad = PadType::EXPLICIT);

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
};

}  // namespace v1

namespace v14 {

// Average pooling; adds the CEIL_TORCH rounding.
class OPENVINO_API AvgPool : public util::AvgPoolBase {
 public:
  OPENVINO_OP("AvgPool", "opset14", util::AvgPoolBase);

  AvgPool() = default;
  AvgPool(const Output<Node>& arg, const Strides& strides, const Shape& pads_begin,
          const Shape& pads_end, const Shape& kernel, bool exclude_pad,
          RoundingType rounding_type = RoundingType::FLOOR,
          const PadType& auto_pad = PadType::EXPLICIT);

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
};

}  // namespace v14
}  // namespace op
}  // namespace ov
