#pragma once

#include <memory>

#include "openvino/op/op.hpp"

namespace ovref_test {

// A minimal op for exercising the graph machinery: element-wise f32 sum of its inputs, with
// any number of inputs and one output of input 0's type and shape.
class Sum : public ov::op::Op {
 public:
  OPENVINO_OP("Sum", "ovref_test");

  Sum() = default;
  explicit Sum(const ov::OutputVector& args) : Op(args) { constructor_validate_and_infer_types(); }

  void validate_and_infer_types() override {
    NODE_VALIDATION_CHECK(this, get_input_size() > 0, "Sum needs at least one input");
    for (size_t i = 1; i < get_input_size(); ++i) {
      NODE_VALIDATION_CHECK(this, get_input_partial_shape(i).compatible(get_input_partial_shape(0)),
                            "Sum input shapes differ");
    }
    set_output_type(0, get_input_element_type(0), get_input_partial_shape(0));
  }

  std::shared_ptr<ov::Node> clone_with_new_inputs(const ov::OutputVector& args) const override {
    return std::make_shared<Sum>(args);
  }

  bool has_evaluate() const override { return true; }

  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override {
    if (inputs[0].get_element_type() != ov::element::f32) return false;
    outputs[0].set_shape(inputs[0].get_shape());
    auto* out = outputs[0].data<float>();
    for (size_t e = 0; e < outputs[0].get_size(); ++e) {
      float acc = 0;
      for (const auto& in : inputs) acc += in.data<const float>()[e];
      out[e] = acc;
    }
    return true;
  }
};

}  // namespace ovref_test
