#pragma once

#include "openvino/op/util/arithmetic_reduction.hpp"

namespace ov {
namespace op {
namespace util {

// Arithmetic reductions with the keep_dims attribute.
class OPENVINO_API ArithmeticReductionKeepDims : public util::ArithmeticReduction {
 protected:
  ArithmeticReductionKeepDims() = default;
  ArithmeticReductionKeepDims(const Output<Node>& arg, const Output<Node>& reduction_axes,
                              bool keep_dims = false);

  bool visit_attributes(AttributeVisitor& visitor) override;

 public:
  OPENVINO_OP("ArithmeticReductionKeepDims", "util", util::ArithmeticReduction);
  void validate_and_infer_types() override;

  bool get_keep_dims() const { return m_keep_dims; }
  void set_keep_dims(bool keep_dims) { m_keep_dims = keep_dims; }

 private:
  bool m_keep_dims = false;
};

}  // namespace util
}  // namespace op
}  // namespace ov
