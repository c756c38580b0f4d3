#pragma once

#include "openvino/core/axis_set.hpp"
#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace util {

// Inputs: data and the axes to reduce over.
class OPENVINO_API ReductionBase : public Op {
 protected:
  ReductionBase();
  ReductionBase(const Output<Node>& arg, const Output<Node>& reduction_axes);

 public:
  OPENVINO_OP("ReductionBase", "util");

  bool reduction_axes_constant() const;
  const AxisSet get_reduction_axes() const;
  void set_reduction_axes(const AxisSet& reduction_axes);
};

}  // namespace util
}  // namespace op
}  // namespace ov
