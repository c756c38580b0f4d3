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

}  // namespace fe_test
