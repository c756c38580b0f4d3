#pragma once

#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_set>

#include "openvino/core/any.hpp"
#include "openvino/core/core_visibility.hpp"
#include "openvino/core/descriptor/tensor.hpp"
#include "openvino/core/partial_shape.hpp"
#include "openvino/core/shape.hpp"
#include "openvino/core/type/element_type.hpp"

namespace ov {

class Node;
template <typename NodeType>
class Input;
template <typename NodeType>
class Output {};

// A handle to output `index` of a node.
template <>
class OPENVINO_API Output<Node> {
 public:
  Output(Node* node, size_t index);
  Output(const std::shared_ptr<Node>& node, size_t index);
  template <typename T>
  Output(const std::shared_ptr<T>& node) : Output(node ? node->get_default_output() : Output()) {}
  Output() = default;

  void reset();
  Output<Node> for_node(const std::shared_ptr<Node>& node);

  Node* get_node() const;
  std::shared_ptr<Node> get_node_shared_ptr() const;
  size_t get_index() const;
  descriptor::Tensor& get_tensor() const;
  std::shared_ptr<descriptor::Tensor> get_tensor_ptr() const;
  void set_tensor_ptr(std::shared_ptr<descriptor::Tensor> tensor_ptr);
  const element::Type& get_element_type() const;
  const Shape& get_shape() const;
  const PartialShape& get_partial_shape() const;

  RTMap& get_rt_info();
  const RTMap& get_rt_info() const;

  const std::unordered_set<std::string>& get_names() const;
  std::string get_any_name() const;
  void set_names(const std::unordered_set<std::string>& names);
  void add_names(const std::unordered_set<std::string>& names);

  std::set<Input<Node>> get_target_inputs() const;
  void remove_target_input(const Input<Node>& target_input) const;
  void replace(const Output<Node>& replacement);

  bool operator==(const Output& other) const;
  bool operator!=(const Output& other) const;
  bool operator<(const Output& other) const;
  bool operator>(const Output& other) const;
  bool operator<=(const Output& other) const;
  bool operator>=(const Output& other) const;
  operator Output<const Node>() const;

 private:
  std::shared_ptr<Node> m_node;
  size_t m_index{0};
};

template <>
class OPENVINO_API Output<const Node> {
 public:
  Output(const Node* node, size_t index);
  Output(const std::shared_ptr<const Node>& node, size_t index);
  template <typename T>
  Output(const std::shared_ptr<T>& node) : Output(node ? node->get_default_output() : Output()) {}
  Output() = default;

  void reset();
  Output<const Node> for_node(const std::shared_ptr<const Node>& node);

  const Node* get_node() const;
  std::shared_ptr<const Node> get_node_shared_ptr() const;
  size_t get_index() const;
  descriptor::Tensor& get_tensor() const;
  std::shared_ptr<descriptor::Tensor> get_tensor_ptr() const;
  const element::Type& get_element_type() const;
  const Shape& get_shape() const;
  const PartialShape& get_partial_shape() const;

  const RTMap& get_rt_info() const;
  const std::unordered_set<std::string>& get_names() const;
  std::string get_any_name() const;
  std::set<Input<Node>> get_target_inputs() const;

  bool operator==(const Output& other) const;
  bool operator!=(const Output& other) const;
  bool operator<(const Output& other) const;
  bool operator>(const Output& other) const;
  bool operator<=(const Output& other) const;
  bool operator>=(const Output& other) const;

 private:
  std::shared_ptr<const Node> m_node;
  size_t m_index{0};
};

OPENVINO_API std::ostream& operator<<(std::ostream& out, const Output<Node>& output);
OPENVINO_API std::ostream& operator<<(std::ostream& out, const Output<const Node>& output);

}  // namespace ov
