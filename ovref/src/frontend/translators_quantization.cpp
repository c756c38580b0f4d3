// QUANTIZE and DEQUANTIZE: Converts whose folding is disabled; the quantization itself is carried
// by the TFLQuantize of the tensors around them.
#include "op_table.hpp"
#include "openvino/frontend/exception.hpp"
#include "openvino/frontend/tensorflow_lite/decoder.hpp"
#include "openvino/op/convert.hpp"
#include "transformations/rt_info/disable_constant_folding.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {
namespace op {
namespace {

// The value is dequantized by the TFLQuantize of its output tensor.
ov::OutputVector Quantize(const NodeContext& node) {
  auto convert = std::make_shared<ov::op::v0::Convert>(node.get_input(0), ov::element::f32);
  ov::disable_constant_folding(convert);
  return named(node, convert);
}

ov::OutputVector Dequantize(const NodeContext& node) {
  auto decoder = std::dynamic_pointer_cast<DecoderBaseOperation>(node.get_decoder());
  FRONT_END_GENERAL_CHECK(decoder != nullptr,
                          "Operation decoder is expected in dequantize translator");
  auto convert =
      std::make_shared<ov::op::v0::Convert>(node.get_input(0), decoder->get_output_tensor_type(0));
  ov::disable_constant_folding(convert);
  return named(node, convert);
}

const TranslatorRegistration quantization_registration{
    {"QUANTIZE", Quantize},
    {"DEQUANTIZE", DQ(Dequantize)},
};

}  // namespace
}  // namespace op
}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
