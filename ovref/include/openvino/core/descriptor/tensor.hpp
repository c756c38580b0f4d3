#pragma once

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "openvino/core/any.hpp"
#include "openvino/core/core_visibility.hpp"
#include "openvino/core/partial_shape.hpp"
#include "openvino/core/shape.hpp"
#include "openvino/core/type/element_type.hpp"
#include "openvino/runtime/tensor.hpp"

namespace ov {

class Node;
class Symbol;
using TensorSymbol = std::vector<std::shared_ptr<Symbol>>;
using TensorSymbolVector = std::vector<TensorSymbol>;

namespace op {
namespace v0 {
class Result;
}  // namespace v0
}  // namespace op

namespace descriptor {

// The value flowing out of one node output: element type, shape, names, bounds, rt_info.
class OPENVINO_API Tensor {
 public:
  Tensor(const element::Type& element_type, const PartialShape& pshape,
         const std::unordered_set<std::string>& names = {});
  Tensor(const element::Type& element_type, const PartialShape& pshape, Node* node,
         size_t node_output_number);
  Tensor(const Tensor&) = delete;
  Tensor& operator=(const Tensor&) = delete;
  virtual ~Tensor();

  const std::unordered_set<std::string>& get_names() const;
  const std::string& get_any_name() const;
  void set_names(const std::unordered_set<std::string>& names);
  void add_names(const std::unordered_set<std::string>& names);

  void set_lower_value(const ov::Tensor& value);
  void set_upper_value(const ov::Tensor& value);
  void set_value_symbol(const TensorSymbol& value_symbol);
  void invalidate_values();
  const ov::Tensor& get_lower_value() const { return m_lower_value; }
  const ov::Tensor& get_upper_value() const { return m_upper_value; }
  TensorSymbol get_value_symbol() const { return m_value_symbol; }
  bool has_and_set_bound() const;

  const element::Type& get_element_type() const { return m_element_type; }
  const Shape& get_shape() const;
  const PartialShape& get_partial_shape() const { return m_partial_shape; }
  size_t size() const;

  RTMap& get_rt_info() { return m_rt_info; }
  const RTMap& get_rt_info() const { return m_rt_info; }

  void clone_from(const Tensor& old);

 protected:
  friend class ov::Node;
  friend class ov::op::v0::Result;
  void set_tensor_type(const element::Type& element_type, const PartialShape& pshape);

  element::Type m_element_type;
  PartialShape m_partial_shape;
  Shape m_shape;
  bool m_shape_is_static = false;
  ov::Tensor m_lower_value, m_upper_value;
  TensorSymbol m_value_symbol;
  std::unordered_set<std::string> m_names;
  RTMap m_rt_info;
  // The output tensor of a Result also answers with the names of the tensor it consumes.
  const Node* m_result_node = nullptr;
  mutable std::unordered_set<std::string> m_all_names;
  mutable std::string m_any_name;
};

OPENVINO_API std::ostream& operator<<(std::ostream&, const ov::descriptor::Tensor&);

}  // namespace descriptor
}  // namespace ov
