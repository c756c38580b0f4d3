#pragma once

#include "openvino/op/util/reduction_base.hpp"

namespace ov {
namespace op {
namespace util {

class OPENVINO_API ArithmeticReduction : public ReductionBase {
 protected:
  ArithmeticReduction();
  ArithmeticReduction(const Output<Node>& arg, const Output<Node>& reduction_axes);

 public:
  OPENVINO_OP("ArithmeticReduction", "util", ReductionBase);
  void validate_and_infer_types() override;
};

}  // namespace util
}  // namespace op
}  // namespace ov
