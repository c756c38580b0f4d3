#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace util {

class OPENVINO_API ScatterElementsUpdateBase : public Op {
 public:
  OPENVINO_OP("ScatterElementsUpdateBase", "util");

  ScatterElementsUpdateBase() = default;
  ScatterElementsUpdateBase(const Output<Node>& data, const Output<Node>& indices,
                            const Output<Node>& updates, const Output<Node>& axis);

  void validate_and_infer_types() override;
};

}  // namespace util
}  // namespace op
}  // namespace ov
