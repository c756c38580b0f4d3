#pragma once

#include <atomic>
#include <deque>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "openvino/core/any.hpp"
#include "openvino/core/core_visibility.hpp"
#include "openvino/core/descriptor/input.hpp"
#include "openvino/core/descriptor/output.hpp"
#include "openvino/core/descriptor/tensor.hpp"
#include "openvino/core/except.hpp"
#include "openvino/core/node_input.hpp"
#include "openvino/core/node_output.hpp"
#include "openvino/core/node_vector.hpp"
#include "openvino/core/partial_shape.hpp"
#include "openvino/core/rtti.hpp"
#include "openvino/core/runtime_attribute.hpp"
#include "openvino/core/shape.hpp"
#include "openvino/core/type.hpp"
#include "openvino/core/type/element_type.hpp"
#include "openvino/op/util/attr_types.hpp"
#include "openvino/runtime/tensor.hpp"

namespace ov {

class AttributeVisitor;
class Node;

using EvaluationContext = ov::RTMap;

namespace op {
namespace v0 {
class Result;
}  // namespace v0
}  // namespace op

// Base of every operation in a graph. Create nodes with std::make_shared.
class OPENVINO_API Node : public std::enable_shared_from_this<Node> {
  friend class descriptor::Input;
  friend class descriptor::Output;

 public:
  using type_info_t = DiscreteTypeInfo;
  using RTMap = std::map<std::string, Any>;

  virtual ~Node();

  virtual void validate_and_infer_types();
  void constructor_validate_and_infer_types();
  virtual void revalidate_and_infer_types() {
    invalidate_values();
    validate_and_infer_types();
  }
  void invalidate_values();

  virtual bool visit_attributes(AttributeVisitor&);
  virtual const ov::op::AutoBroadcastSpec& get_autob() const;

  virtual bool has_evaluate() const;
  virtual bool evaluate(ov::TensorVector& output_values,
                        const ov::TensorVector& input_values) const;
  virtual bool evaluate(ov::TensorVector& output_values, const ov::TensorVector& input_values,
                        const ov::EvaluationContext& evaluationContext) const;
  virtual bool evaluate_lower(ov::TensorVector& output_values) const;
  virtual bool evaluate_upper(ov::TensorVector& output_values) const;
  virtual bool evaluate_symbol(TensorSymbolVector& output_symbols) const;
  virtual bool can_constant_fold(const OutputVector& inputs_values) const;
  virtual bool constant_fold(OutputVector& output_values, const OutputVector& inputs_values);
  virtual OutputVector decompose_op() const { return OutputVector(); }

  virtual const type_info_t& get_type_info() const = 0;
  const char* get_type_name() const { return get_type_info().name; }
  void set_arguments(const NodeVector& arguments);
  void set_arguments(const OutputVector& arguments);
  void set_argument(size_t position, const Output<Node>& argument);
  void set_output_type(size_t i, const element::Type& element_type, const PartialShape& pshape);
  void set_output_size(size_t output_size);
  void invalidate_values_for_outputs() { invalidate_values(); }

  virtual std::string description() const;
  const std::string& get_name() const;
  void set_friendly_name(const std::string& name);
  const std::string& get_friendly_name() const;
  virtual bool is_dynamic() const;
  size_t get_instance_id() const { return m_instance_id; }
  virtual std::ostream& write_description(std::ostream& os, uint32_t depth = 0) const;

  const std::vector<std::shared_ptr<Node>>& get_control_dependencies() const;
  const std::vector<Node*>& get_control_dependents() const;
  void add_control_dependency(std::shared_ptr<Node> node);
  void remove_control_dependency(std::shared_ptr<Node> node);
  void clear_control_dependencies();
  void clear_control_dependents();
  void add_node_control_dependencies(const std::shared_ptr<const Node>& source_node);
  void add_node_control_dependents(const std::shared_ptr<const Node>& source_node);
  void transfer_control_dependents(std::shared_ptr<Node> replacement);

  size_t get_output_size() const { return m_outputs.size(); }
  const element::Type& get_output_element_type(size_t i) const;
  const element::Type& get_element_type() const;
  const Shape& get_output_shape(size_t i) const;
  const PartialShape& get_output_partial_shape(size_t i) const;
  Output<const Node> get_default_output() const;
  Output<Node> get_default_output();
  virtual size_t get_default_output_index() const { return 0; }
  size_t no_default_index() const;
  const Shape& get_shape() const;
  descriptor::Tensor& get_output_tensor(size_t i) const;
  descriptor::Tensor& get_input_tensor(size_t i) const;
  std::set<Input<Node>> get_output_target_inputs(size_t i) const;

  size_t get_input_size() const { return m_inputs.size(); }
  const element::Type& get_input_element_type(size_t i) const;
  const Shape& get_input_shape(size_t i) const;
  const PartialShape& get_input_partial_shape(size_t i) const;

  Node* get_input_node_ptr(size_t index) const;
  std::shared_ptr<Node> get_input_node_shared_ptr(size_t index) const;
  Output<Node> get_input_source_output(size_t i) const;

  virtual std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& inputs) const = 0;
  std::shared_ptr<Node> copy_with_new_inputs(const OutputVector& new_args) const;
  std::shared_ptr<Node> copy_with_new_inputs(
      const OutputVector& inputs,
      const std::vector<std::shared_ptr<Node>>& control_dependencies) const;

  bool has_same_type(std::shared_ptr<const Node> node) const;

  RTMap& get_rt_info() { return m_rt_info; }
  const RTMap& get_rt_info() const { return m_rt_info; }

  NodeVector get_users(bool check_is_used = false) const;

  bool operator<(const Node& other) const { return m_instance_id < other.m_instance_id; }

  std::vector<Input<Node>> inputs();
  std::vector<Input<const Node>> inputs() const;
  std::vector<Output<Node>> input_values() const;
  std::vector<Output<Node>> outputs();
  std::vector<Output<const Node>> outputs() const;
  Input<Node> input(size_t input_index);
  Input<const Node> input(size_t input_index) const;
  Output<Node> input_value(size_t input_index) const;
  Output<Node> output(size_t output_index);
  Output<const Node> output(size_t output_index) const;

  bool is_const_fold_disabled() const;

  // Port descriptors; used by Input/Output handles.
  descriptor::Input& get_input_descriptor(size_t position);
  descriptor::Output& get_output_descriptor(size_t position);

 protected:
  Node();
  Node(const Node&);
  Node& operator=(const Node&);
  explicit Node(size_t output_size);
  Node(const OutputVector& arguments, size_t output_size = 1);

 private:
  std::vector<Node*> m_control_dependents;
  std::vector<std::shared_ptr<Node>> m_control_dependencies;
  size_t m_instance_id;
  std::string m_friendly_name;
  mutable std::string m_unique_name;
  std::deque<descriptor::Input> m_inputs;
  std::deque<descriptor::Output> m_outputs;
  RTMap m_rt_info;
};

using NodeTypeInfo = Node::type_info_t;

OPENVINO_API std::ostream& operator<<(std::ostream&, const Node&);
OPENVINO_API std::ostream& operator<<(std::ostream&, const Node*);

class OPENVINO_API NodeValidationFailure : public ov::AssertFailure {
 public:
  [[noreturn]] static void create(const char* file, int line, const char* check_string,
                                  const Node* node, const std::string& explanation);
  [[noreturn]] static void create(const char* file, int line, const char* check_string,
                                  std::pair<const Node*, const std::vector<PartialShape>*>&& ctx,
                                  const std::string& explanation);
  ~NodeValidationFailure() override;

 protected:
  explicit NodeValidationFailure(const std::string& what_arg) : ov::AssertFailure(what_arg) {}
};

OPENVINO_API void check_new_args_count(const Node* const node, const OutputVector& new_args);

}  // namespace ov

#define NODE_VALIDATION_CHECK(node, ...) \
  OPENVINO_ASSERT_HELPER(::ov::NodeValidationFailure, (node), __VA_ARGS__)

#define NODE_SHAPE_INFER_CHECK(node, input_shapes, ...) \
  OPENVINO_ASSERT_HELPER(                               \
      ::ov::NodeValidationFailure,                      \
      (std::make_pair(static_cast<const ::ov::Node*>((node)), &(input_shapes))), __VA_ARGS__)
