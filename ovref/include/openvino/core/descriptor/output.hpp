#pragma once

#include <memory>
#include <vector>

#include "openvino/core/any.hpp"
#include "openvino/core/core_visibility.hpp"
#include "openvino/core/descriptor/tensor.hpp"

namespace ov {

class Node;
template <typename NodeType>
class Output;

namespace descriptor {

class Input;

// One output port of a node: its tensor and the inputs that read it.
class OPENVINO_API Output {
 public:
  Output() : m_node(nullptr), m_index(0) {}
  Output(Node* node, size_t index, const std::shared_ptr<Tensor>& tensor);

  std::shared_ptr<Node> get_node() const;
  Node* get_raw_pointer_node() const { return m_node; }
  size_t get_index() const { return m_index; }
  ov::Output<Node> get_output() const;
  std::shared_ptr<Tensor> get_tensor_ptr() const { return m_tensor; }
  void set_tensor_ptr(const std::shared_ptr<Tensor>& tensor) { m_tensor = tensor; }
  void add_input(Input* input);
  void remove_input(Input* input);
  const std::vector<Input*>& get_inputs() const { return m_inputs; }
  Tensor& get_tensor() const { return *m_tensor; }

  RTMap& get_rt_info() { return m_rt_info; }
  const RTMap& get_rt_info() const { return m_rt_info; }

 protected:
  Node* m_node;
  size_t m_index;
  std::shared_ptr<Tensor> m_tensor;
  RTMap m_rt_info;
  std::vector<Input*> m_inputs;
};

}  // namespace descriptor
}  // namespace ov
