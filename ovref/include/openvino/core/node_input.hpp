#pragma once

#include <cstring>
#include <map>
#include <memory>

#include "openvino/core/any.hpp"
#include "openvino/core/core_visibility.hpp"
#include "openvino/core/descriptor/tensor.hpp"
#include "openvino/core/partial_shape.hpp"
#include "openvino/core/shape.hpp"
#include "openvino/core/type/element_type.hpp"

namespace ov {

class Node;
template <typename NodeType>
class Output;
template <typename NodeType>
class Input {};

// A handle to input `index` of a node.
template <>
class OPENVINO_API Input<Node> {
 public:
  Input(Node* node, size_t index);

  Node* get_node() const;
  size_t get_index() const;
  const element::Type& get_element_type() const;
  const Shape& get_shape() const;
  const PartialShape& get_partial_shape() const;
  Output<Node> get_source_output() const;
  descriptor::Tensor& get_tensor() const;
  std::shared_ptr<descriptor::Tensor> get_tensor_ptr() const;
  bool get_is_relevant_to_shapes() const;
  bool get_is_relevant_to_values() const;
  void replace_source_output(const Output<Node>& new_source_output) const;

  RTMap& get_rt_info();
  const RTMap& get_rt_info() const;

  bool operator==(const Input& other) const;
  bool operator!=(const Input& other) const;
  bool operator<(const Input& other) const;
  bool operator>(const Input& other) const;
  bool operator<=(const Input& other) const;
  bool operator>=(const Input& other) const;

 private:
  Node* const m_node;
  const size_t m_index;
};

template <>
class OPENVINO_API Input<const Node> {
 public:
  Input(const Node* node, size_t index);

  const Node* get_node() const;
  size_t get_index() const;
  const element::Type& get_element_type() const;
  const Shape& get_shape() const;
  const PartialShape& get_partial_shape() const;
  Output<Node> get_source_output() const;
  descriptor::Tensor& get_tensor() const;
  std::shared_ptr<descriptor::Tensor> get_tensor_ptr() const;
  bool get_is_relevant_to_shapes() const;
  bool get_is_relevant_to_values() const;
  const RTMap& get_rt_info() const;

  bool operator==(const Input& other) const;
  bool operator!=(const Input& other) const;
  bool operator<(const Input& other) const;
  bool operator>(const Input& other) const;
  bool operator<=(const Input& other) const;
  bool operator>=(const Input& other) const;

 private:
  const Node* const m_node;
  const size_t m_index;
};

OPENVINO_API std::ostream& operator<<(std::ostream& out, const Input<Node>& input);
OPENVINO_API std::ostream& operator<<(std::ostream& out, const Input<const Node>& input);

}  // namespace ov
