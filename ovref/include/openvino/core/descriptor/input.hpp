#pragma once

#include <memory>

#include "openvino/core/any.hpp"
#include "openvino/core/core_visibility.hpp"
#include "openvino/core/descriptor/tensor.hpp"

namespace ov {

class Node;

namespace descriptor {

class Output;

// One input port of a node. It keeps the producing node alive.
class OPENVINO_API Input {
  friend class ov::Node;

 public:
  Input(Node* node, size_t index, Output& output);
  Input(Node* node, size_t index);
  ~Input();
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;

  std::shared_ptr<Node> get_node() const;
  Node* get_raw_pointer_node() const { return m_node; }
  size_t get_index() const { return m_index; }
  const Output& get_output() const { return *m_output; }
  Output& get_output() { return *m_output; }
  bool has_output() const { return m_output != nullptr; }
  std::shared_ptr<Node> get_source_node() const { return m_src_node; }

  void replace_output(Output& output);
  void replace_output(const std::shared_ptr<Node>& node, size_t i);
  void remove_output();

  bool get_is_relevant_to_shape() const { return m_is_relevant_to_shape; }
  bool get_is_relevant_to_value() const { return m_is_relevant_to_value; }

  const Tensor& get_tensor() const;
  Tensor& get_tensor();

  RTMap& get_rt_info() { return m_rt_info; }
  const RTMap& get_rt_info() const { return m_rt_info; }

 protected:
  Node* m_node;
  size_t m_index;
  std::shared_ptr<Node> m_src_node;
  Output* m_output;
  RTMap m_rt_info;
  bool m_is_relevant_to_shape = false;
  bool m_is_relevant_to_value = true;
};

}  // namespace descriptor
}  // namespace ov
