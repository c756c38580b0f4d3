#pragma once

#include "openvino/core/coordinate_diff.hpp"
#include "openvino/core/strides.hpp"
#include "openvino/op/op.hpp"
#include "openvino/op/util/attr_types.hpp"

namespace ov {
namespace op {
namespace util {

// Attributes shared by the convolution family: strides, dilations, paddings and the padding
// rule. Shape inference fills empty attributes and, for SAME_*, rewrites the pads.
class OPENVINO_API ConvolutionBase : public Op {
 public:
  OPENVINO_OP("ConvolutionBase", "util");

  ConvolutionBase() = default;
  ConvolutionBase(const OutputVector& arguments, const Strides& strides,
                  const CoordinateDiff& pads_begin, const CoordinateDiff& pads_end,
                  const Strides& dilations, const PadType& auto_pad = PadType::EXPLICIT);

  const Strides& get_strides() const { return m_strides; }
  void set_strides(const Strides& strides) { m_strides = strides; }
  const Strides& get_dilations() const { return m_dilations; }
  void set_dilations(const Strides& dilations) { m_dilations = dilations; }
  const CoordinateDiff& get_pads_begin() const { return m_pads_begin; }
  void set_pads_begin(const CoordinateDiff& pads_begin) { m_pads_begin = pads_begin; }
  const CoordinateDiff& get_pads_end() const { return m_pads_end; }
  void set_pads_end(const CoordinateDiff& pads_end) { m_pads_end = pads_end; }
  const PadType& get_auto_pad() const { return m_auto_pad; }
  void set_auto_pad(const PadType& auto_pad) { m_auto_pad = auto_pad; }

 protected:
  Strides m_strides;
  Strides m_dilations;
  CoordinateDiff m_pads_begin;
  CoordinateDiff m_pads_end;
  PadType m_auto_pad = PadType::EXPLICIT;
};

// Base of the forward convolutions (Convolution, GroupConvolution).
class OPENVINO_API ConvolutionFwdPropBase : public ConvolutionBase {
 public:
  OPENVINO_OP("ConvolutionFwdPropBase", "util", ConvolutionBase);

  ConvolutionFwdPropBase() = default;
  ConvolutionFwdPropBase(const OutputVector& arguments, const Strides& strides,
                         const CoordinateDiff& pads_begin, const CoordinateDiff& pads_end,
                         const Strides& dilations, const PadType& auto_pad = PadType::EXPLICIT)
      : ConvolutionBase(arguments, strides, pads_begin, pads_end, dilations, auto_pad) {}
};

}  // namespace util
}  // namespace op
}  // namespace ov
