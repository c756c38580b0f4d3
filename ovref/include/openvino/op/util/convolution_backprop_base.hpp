#pragma once

#include "openvino/op/util/convolution_base.hpp"

namespace ov {
namespace op {
namespace util {

// Base of the transposed convolutions: adds the output padding.
class OPENVINO_API ConvolutionBackPropBase : public ConvolutionBase {
 public:
  OPENVINO_OP("ConvolutionBackPropBase", "util", ConvolutionBase);

  ConvolutionBackPropBase() = default;
  ConvolutionBackPropBase(const OutputVector& arguments, const Strides& strides,
                          const CoordinateDiff& pads_begin, const CoordinateDiff& pads_end,
                          const Strides& dilations, const PadType& auto_pad = PadType::EXPLICIT,
                          const CoordinateDiff& output_padding = {})
      : ConvolutionBase(arguments, strides, pads_begin, pads_end, dilations, auto_pad),
        m_output_padding(output_padding) {}

  const CoordinateDiff& get_output_padding() const { return m_output_padding; }
  void set_output_padding(const CoordinateDiff& output_padding) {
    m_output_padding = output_padding;
  }

 protected:
  CoordinateDiff m_output_padding;
};

}  // namespace util
}  // namespace op
}  // namespace ov
