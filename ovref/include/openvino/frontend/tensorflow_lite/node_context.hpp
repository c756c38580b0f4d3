#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "openvino/core/model.hpp"
#include "openvino/frontend/node_context.hpp"
#include "openvino/frontend/tensorflow_lite/decoder.hpp"
#include "openvino/frontend/tensorflow_lite/visibility.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {

using SubGraphFuncs = std::vector<std::function<std::shared_ptr<ov::Model>()>>;

// The node a translator converts. Holds references to the input vector and to the subgraph
// converters: both must outlive the context.
class TENSORFLOW_LITE_FRONTEND_API NodeContext : public ov::frontend::NodeContext {
 public:
  NodeContext(const std::shared_ptr<DecoderBase>& decoder, const OutputVector& inputs);
  NodeContext(const std::shared_ptr<DecoderBase>& decoder, const OutputVector& inputs,
              const SubGraphFuncs& subgraph_functions);

  size_t get_input_size() const override { return m_inputs.size(); }

  Output<Node> get_input(int port_index) const override { return m_inputs.at(port_index); }

  bool has_input(const size_t& port_index) const { return port_index < m_inputs.size(); }

  const std::string& get_name() const override { return m_decoder->get_op_name(); }

  OutputVector get_inputs() const { return m_inputs; }

  ov::Any get_attribute_as_any(const std::string& name) const override {
    return m_decoder->get_attribute(name);
  }

  size_t get_subgraph_size() const override { return m_subgraph_functions.size(); }

  std::shared_ptr<Model> get_subgraph(int idx) const override;

  std::shared_ptr<DecoderBase> get_decoder() const { return m_decoder; }

 private:
  std::shared_ptr<DecoderBase> m_decoder;
  const OutputVector& m_inputs;
  const SubGraphFuncs& m_subgraph_functions;
};

using CreatorFunction = std::function<ov::OutputVector(const NodeContext&)>;
using TranslatorDictionaryType = std::map<std::string, CreatorFunction>;

}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
