#pragma once

#include <memory>

#include "openvino/core/model.hpp"
#include "openvino/frontend/tensorflow_lite/quantization_info.hpp"
#include "openvino/op/op.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {

// Marks a quantized tensor during translation: one input, one output of the (mutable) type,
// the input's shape. TFLQuantizeResolver turns every one into dequantization or FakeQuantize;
// none survives normalize().
class TFLQuantize : public ov::op::Op {
 public:
  OPENVINO_OP("TFLQuantize", "ov::frontend::tensorflow_lite::util");

  TFLQuantize() = default;
  TFLQuantize(const ov::Output<ov::Node>& data, const std::shared_ptr<QuantizationInfo>& info,
              const ov::element::Type& type);

  void validate_and_infer_types() override;
  std::shared_ptr<ov::Node> clone_with_new_inputs(const ov::OutputVector& inputs) const override;

  const std::shared_ptr<QuantizationInfo>& get_info() const { return m_info; }
  const ov::element::Type& get_type() const { return m_type; }
  void set_type(const ov::element::Type& type) { m_type = type; }
  const ov::element::Type& get_original_type() const { return m_original_type; }

 private:
  std::shared_ptr<QuantizationInfo> m_info;
  ov::element::Type m_type;
  ov::element::Type m_original_type;
};

namespace pass {

// TFLQuantizeConvert then TFLQuantizeReplacer over the whole model: quantized constants become
// Constant -> Convert(f32, folding disabled) -> [Subtract zero point] -> Multiply scale, other
// quantized values a FakeQuantize (with Converts where the stored type is integral).
void resolve_tfl_quantize(const std::shared_ptr<ov::Model>& model);

}  // namespace pass
}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
