#pragma once

#include "openvino/op/util/max_pool_base.hpp"

namespace ov {
namespace op {
namespace v1 {

// Max pooling; one output, the pooled values.
class OPENVINO_API MaxPool : public util::MaxPoolBase {
 public:
  OPENVINO_OP("MaxPool", "opset1", util::MaxPoolBase);

  MaxPool() = default;
  MaxPool(const Output<Node>& arg, const Strides& strides, const Shape& pads_begin,
          const Shape& pads_end, const Shape& kernel,
          const op::RoundingType rounding_type = op::RoundingType::FLOOR,
          const PadType auto_pad = op::PadType::EXPLICIT);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v1

namespace v8 {

// Max pooling with dilations; output 1 holds the position of each maximum in the unpadded
// input, flattened from `axis` on.
class OPENVINO_API MaxPool : public util::MaxPoolBase {
 public:
  OPENVINO_OP("MaxPool", "opset8", util::MaxPoolBase);

  MaxPool() = default;
  MaxPool(const Output<Node>& arg, const Strides& strides, const Strides& dilations,
          const Shape& pads_begin, const Shape& pads_end, const Shape& kernel,
          const op::RoundingType rounding_type = op::RoundingType::FLOOR,
          const PadType auto_pad = op::PadType::EXPLICIT,
          const element::Type index_element_type = element::i64, const int64_t axis = 0);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  const Strides& get_dilations() const noexcept { return m_dilations; }
  void set_dilations(const Strides& dilations) { m_dilations = dilations; }
  element::Type get_index_element_type() const noexcept { return m_index_element_type; }
  void set_index_element_type(const element::Type index_element_type) {
    m_index_element_type = index_element_type;
  }
  int64_t get_axis() const { return m_axis; }
  void set_axis(const int64_t axis) { m_axis = axis; }

 protected:
  Strides m_dilations;
  element::Type m_index_element_type = element::i64;
  int64_t m_axis = 0;
};

}  // namespace v8

namespace v14 {

// As v8, with the CEIL_TORCH rounding.
class OPENVINO_API MaxPool : public v8::MaxPool {
 public:
  OPENVINO_OP("MaxPool", "opset14", util::MaxPoolBase);

  MaxPool() = default;
  MaxPool(const Output<Node>& arg, const Strides& strides, const Strides& dilations,
          const Shape& pads_begin, const Shape& pads_end, const Shape& kernel,
          const op::RoundingType rounding_type = op::RoundingType::FLOOR,
          const PadType auto_pad = op::PadType::EXPLICIT,
          const element::Type index_element_type = element::i64, const int64_t axis = 0);

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
};

}  // namespace v14
}  // namespace op
}  // namespace ov
