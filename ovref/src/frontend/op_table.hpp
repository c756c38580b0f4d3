#pragma once

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "openvino/frontend/exception.hpp"
#include "openvino/frontend/tensorflow_lite/node_context.hpp"
#include "openvino/op/constant.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {
namespace op {

// The built-in translators, by TFLite operation type. Each group of translators registers
// itself from its own source file through a TranslatorRegistration.
TranslatorDictionaryType get_supported_ops();

struct TranslatorRegistration {
  TranslatorRegistration(std::initializer_list<std::pair<const char*, CreatorFunction>> entries);
};

// Inputs produced by a TFLQuantize are followed by a Convert to f32 (or, for quantized
// weights next to a half-precision input, to that type).
void dequantize_inputs(OutputVector& inputs);

// Runs the translator on dequantized inputs.
CreatorFunction DQ(const CreatorFunction& translator);

// The fused activation named by value (TFLite enum names), applied to output.
ov::Output<ov::Node> get_activation(const ov::Output<ov::Node>& output, const NodeContext& node,
                                    const std::string& value);

// The fused activation read from the decoder attribute name (read without an empty check, as the
// toolkit does: an absent value reads as the empty text, which is rejected).
ov::Output<ov::Node> get_activation(const ov::Output<ov::Node>& output, const NodeContext& node,
                                    const char* name);

// Sets the op name as the friendly name of the last node and returns its outputs.
// Fails the translation of the current operation with an OpValidationFailure carrying `message`.
[[noreturn]] inline void Invalid(const std::string& message) {
  OPENVINO_ASSERT_HELPER(::ov::frontend::OpValidationFailure, std::string(), false, message);
  std::abort();
}

ov::OutputVector named(const NodeContext& node, const ov::Output<ov::Node>& output);
template <class T, class = std::enable_if_t<std::is_base_of_v<ov::Node, T>>>
ov::OutputVector named(const NodeContext& node, const std::shared_ptr<T>& last) {
  last->set_friendly_name(node.get_name());
  return last->outputs();
}

// Layout transposes between TFLite's channels-last and OpenVINO's channels-first order.
ov::Output<ov::Node> to_channels_first(const ov::Output<ov::Node>& x, size_t rank = 4);
ov::Output<ov::Node> to_channels_last(const ov::Output<ov::Node>& x, size_t rank = 4);
ov::Output<ov::Node> transpose(const ov::Output<ov::Node>& x, const std::vector<int64_t>& order);

std::shared_ptr<ov::op::v0::Constant> i64_const(const std::vector<int64_t>& values);
std::shared_ptr<ov::op::v0::Constant> i64_scalar(int64_t value);
std::shared_ptr<ov::op::v0::Constant> i32_scalar(int32_t value);

// Validation shared by the TensorFlow-derived translators.
void default_op_checks(const NodeContext& node, size_t min_inputs,
                       const std::vector<std::string>& op_types);

}  // namespace op
}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
