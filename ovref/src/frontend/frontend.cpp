#include "openvino/frontend/tensorflow_lite/frontend.hpp"

#include <map>
#include <string>

#include "framework_node.hpp"
#include "input_model.hpp"
#include "op_table.hpp"
#include "openvino/frontend/exception.hpp"
#include "openvino/frontend/tensorflow_lite/graph_iterator.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/op/result.hpp"
#include "tfl_quantize.hpp"

#include "openvino/pass/manager.hpp"
#include "transformations/common_optimizations/transpose_sinking.hpp"
#include "transformations/common_optimizations/transpose_sinking_general.hpp"
#include "transformations/fp16_compression/mark_decompression_convert_constant_folding.hpp"
#include "transformations/resolve_names_collisions.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {

FrameworkNode::FrameworkNode(const std::shared_ptr<DecoderBaseOperation>& decoder,
                             const ov::OutputVector& inputs, size_t num_outputs)
    : Op(inputs), m_decoder(decoder), m_num_outputs(num_outputs) {
  set_output_size(num_outputs);
  constructor_validate_and_infer_types();
}

void FrameworkNode::validate_and_infer_types() {
  for (size_t i = 0; i < m_num_outputs; ++i) {
    set_output_type(i, ov::element::dynamic, ov::PartialShape::dynamic());
  }
}

std::shared_ptr<ov::Node> FrameworkNode::clone_with_new_inputs(
    const ov::OutputVector& inputs) const {
  return std::make_shared<FrameworkNode>(m_decoder, inputs, m_num_outputs);
}

namespace {

bool IsGraphIterator(const std::vector<ov::Any>& variants) {
  // A trailing bool is reserved for configuration and ignored.
  if (variants.empty() || variants.size() > 2) return false;
  if (variants.size() == 2 && !variants[1].is<bool>()) return false;
  return variants[0].is<GraphIterator::Ptr>();
}

}  // namespace

FrontEnd::FrontEnd() : m_op_translators(op::get_supported_ops()) {}

bool FrontEnd::supported_impl(const std::vector<ov::Any>& variants) const {
  return IsGraphIterator(variants) && variants[0].as<GraphIterator::Ptr>() != nullptr;
}

ov::frontend::InputModel::Ptr FrontEnd::load_impl(const std::vector<ov::Any>& variants) const {
  if (!IsGraphIterator(variants)) return nullptr;
  const auto iterator = variants[0].as<GraphIterator::Ptr>();
  FRONT_END_GENERAL_CHECK(iterator != nullptr, "The GraphIterator passed to load() is null");
  return std::make_shared<InputModel>(iterator);
}

void FrontEnd::translate_graph(const ov::frontend::InputModel::Ptr& model, bool fail_fast,
                               bool no_conversion, std::shared_ptr<ov::Model>& ng_function) const {
  const auto lite = std::dynamic_pointer_cast<InputModel>(model);
  FRONT_END_GENERAL_CHECK(lite != nullptr, "Invalid input model");

  // Subgraph 0 is the graph itself; each call translates the subgraph afresh.
  SubGraphFuncs subgraph_functions;
  const auto& subgraphs = lite->get_subgraphs();
  if (!subgraphs.empty()) {
    subgraph_functions.emplace_back([]() { return std::shared_ptr<ov::Model>(); });
    for (const auto& subgraph : subgraphs) {
      subgraph_functions.emplace_back([this, subgraph, fail_fast, no_conversion]() {
        std::shared_ptr<ov::Model> result;
        translate_graph(subgraph, fail_fast, no_conversion, result);
        return result;
      });
    }
  }

  const bool apply = !no_conversion;
  auto values = lite->get_tensor_values();
  const auto& places = lite->get_tensor_places();
  auto place_of = [&](const std::string& name) {
    auto it = places.find(name);
    FRONT_END_GENERAL_CHECK(it != places.end(), "Unknown tensor name: ", name, ".");
    return it->second;
  };

  for (auto& [name, value] : values) place_of(name)->translate(value, apply);

  ov::ParameterVector parameters;
  for (const auto& place : lite->inputs()) {
    auto parameter =
        std::make_shared<ov::op::v0::Parameter>(place->element_type(), place->partial_shape());
    parameter->set_friendly_name(place->name());
    parameters.push_back(parameter);
    auto& value = values[place->name()];
    value = parameter->output(0);
    place->translate(value, apply);
  }

  for (const auto& decoder : lite->get_op_places()) {
    ov::OutputVector inputs;
    for (size_t i = 0; i < decoder->get_input_size(); ++i) {
      const auto name = decoder->get_input_tensor_name(i);
      auto it = values.find(name);
      FRONT_END_GENERAL_CHECK(it != values.end(), "Unknown tensor name: ", name, ".");
      inputs.push_back(it->second);
    }
    const auto& type = decoder->get_op_type();
    ov::OutputVector outputs;
    try {
      auto translator = no_conversion ? m_op_translators.end() : m_op_translators.find(type);
      FRONT_END_OP_CONVERSION_CHECK(translator != m_op_translators.end(),
                                    "No translator found for ", type, " node.");
      outputs = translator->second(NodeContext(decoder, inputs, subgraph_functions));
    } catch (...) {
      if (fail_fast && !no_conversion) throw;
      auto node = std::make_shared<FrameworkNode>(decoder, inputs, decoder->get_output_size());
      node->set_friendly_name(decoder->get_op_name());
      outputs = node->outputs();
    }
    FRONT_END_GENERAL_CHECK(outputs.size() >= decoder->get_output_size(), "Translation of ", type,
                            " '", decoder->get_op_name(), "' produced ", outputs.size(),
                            " outputs, the operation has ", decoder->get_output_size());
    for (size_t i = 0; i < decoder->get_output_size(); ++i) {
      const auto name = decoder->get_output_tensor_name(i);
      auto& value = values[name];
      value = outputs[i];
      place_of(name)->translate(value, apply);
    }
  }

  ov::ResultVector results;
  for (const auto& place : lite->outputs()) {
    auto it = values.find(place->name());
    if (it == values.end()) continue;
    auto result = std::make_shared<ov::op::v0::Result>(it->second);
    // The Result only carries the name: its value was quantized where it was produced.
    auto output = result->output(0);
    place->translate(output, apply && !place->quantization());
    results.push_back(result);
  }
  ng_function = std::make_shared<ov::Model>(results, parameters, "TensorFlow_Lite_Frontend_IR");
}

std::shared_ptr<ov::Model> FrontEnd::convert(const ov::frontend::InputModel::Ptr& model) const {
  std::shared_ptr<ov::Model> result;
  translate_graph(model, true, false, result);
  normalize(result);
  for (const auto& node : result->get_ordered_ops()) {
    if (auto fw = ov::as_type_ptr<FrameworkNode>(node)) {
      FRONT_END_OP_CONVERSION_CHECK(false, "The translation is incomplete due to operation ",
                                    fw->get_friendly_name(), " of type ",
                                    fw->get_decoder()->get_op_type());
    }
  }
  return result;
}

void FrontEnd::convert(const std::shared_ptr<ov::Model>& partially_converted) const {
  for (const auto& node : partially_converted->get_ordered_ops()) {
    auto fw = ov::as_type_ptr<FrameworkNode>(node);
    if (!fw) continue;
    const auto& decoder = fw->get_decoder();
    const auto inputs = fw->input_values();
    auto translator = m_op_translators.find(decoder->get_op_type());
    FRONT_END_OP_CONVERSION_CHECK(translator != m_op_translators.end(), "No translator found for ",
                                  decoder->get_op_type(), " node.");
    const auto outputs = translator->second(NodeContext(decoder, inputs));
    FRONT_END_GENERAL_CHECK(outputs.size() >= fw->get_output_size(), "Translation of ",
                            decoder->get_op_type(), " produced too few outputs");
    for (size_t i = 0; i < fw->get_output_size(); ++i) {
      auto output = outputs[i];
      output.set_names({decoder->get_output_tensor_name(i)});
      fw->output(i).replace(output);
    }
  }
  for (const auto& result : partially_converted->get_results()) result->validate_and_infer_types();
  normalize(partially_converted);
}

std::shared_ptr<ov::Model> FrontEnd::convert_partially(
    const ov::frontend::InputModel::Ptr& model) const {
  std::shared_ptr<ov::Model> result;
  translate_graph(model, false, false, result);
  normalize(result);
  return result;
}

std::shared_ptr<ov::Model> FrontEnd::decode(const ov::frontend::InputModel::Ptr& model) const {
  std::shared_ptr<ov::Model> result;
  translate_graph(model, false, true, result);
  return result;
}

void FrontEnd::normalize(const std::shared_ptr<ov::Model>& function) const {
  {
    ov::pass::Manager manager("Frontend:TFLite:normalize:MarkCompressedFloatConstants");
    manager.register_pass<ov::pass::MarkCompressedFloatConstants>();
    manager.run_passes(function);
  }
  pass::resolve_tfl_quantize(function);
  ov::pass::Manager manager("Frontend:TFLite:normalize");
  manager.register_pass<ov::pass::TransposeSinking>();
  manager.register_pass<ov::pass::TransposeSinkingGeneral>();
  manager.register_pass<ov::pass::ResolveNameCollisions>(true);
  manager.run_passes(function);
}

}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
