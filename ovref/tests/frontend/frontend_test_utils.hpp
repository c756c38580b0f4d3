#pragma once

#include <memory>
#include <string>
#include <vector>

#include "op/op_test_utils.hpp"
#include "openvino/core/model.hpp"
#include "openvino/frontend/tensorflow_lite/frontend.hpp"
#include "test_graph.hpp"

namespace fe_test {

inline std::shared_ptr<ov::Model> Convert(const std::shared_ptr<TestGraph>& graph) {
  ov::frontend::tensorflow_lite::FrontEnd fe;
  GraphIterator::Ptr iterator = graph;
  return fe.convert(fe.load(iterator));
}

// Type names of the model's operations in topological order.
inline std::vector<std::string> OpTypes(const std::shared_ptr<ov::Model>& model) {
  std::vector<std::string> types;
  for (const auto& node : model->get_ordered_ops()) types.emplace_back(node->get_type_name());
  return types;
}

// Runs the model on the inputs; fails the test when it cannot evaluate.
inline ov::TensorVector Eval(const std::shared_ptr<ov::Model>& model,
                            const ov::TensorVector& inputs) {
  ov::TensorVector outputs;
  EXPECT_TRUE(model->evaluate(outputs, inputs));
  return outputs;
}

// The single operation feeding result `index`.
inline std::shared_ptr<ov::Node> Producer(const std::shared_ptr<ov::Model>& model,
                                          size_t index = 0) {
  return model->get_results().at(index)->get_input_node_shared_ptr(0);
}

// A graph of one operation on model inputs "x0", "x1", ... with outputs "y0", "y1", ...
struct OneOp {
  std::shared_ptr<TestGraph> graph = std::make_shared<TestGraph>();
  std::vector<std::string> inputs;

  OneOp& In(ov::element::Type type, ov::PartialShape shape) {
    inputs.push_back(graph->Input("x" + std::to_string(inputs.size()), type, std::move(shape)));
    return *this;
  }
  template <typename T>
  OneOp& Const(ov::element::Type type, ov::Shape shape, const std::vector<T>& values) {
    inputs.push_back(
        graph->Constant("c" + std::to_string(inputs.size()), type, std::move(shape), values));
    return *this;
  }
  std::shared_ptr<ov::Model> Make(
      const std::string& type,
      const std::vector<std::pair<ov::element::Type, ov::PartialShape>>& outputs,
      ov::AnyMap attributes = {}) {
    std::vector<std::string> names;
    for (size_t i = 0; i < outputs.size(); ++i) {
      names.push_back(graph->Tensor("y" + std::to_string(i), outputs[i].first, outputs[i].second));
      graph->Output(names.back());
    }
    graph->Op(type, inputs, names, std::move(attributes), "op");
    return Convert(graph);
  }
};

}  // namespace fe_test
