#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "openvino/core/any.hpp"
#include "openvino/core/core_visibility.hpp"
#include "openvino/core/node.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/op/result.hpp"
#include "openvino/runtime/tensor.hpp"

namespace ov {

// A graph with declared parameters and results.
class OPENVINO_API Model : public std::enable_shared_from_this<Model> {
 public:
  _OPENVINO_HIDDEN_METHOD static const ::ov::DiscreteTypeInfo& get_type_info_static() {
    static const ::ov::DiscreteTypeInfo type_info_static{"Model"};
    return type_info_static;
  }
  const ::ov::DiscreteTypeInfo& get_type_info() const { return get_type_info_static(); }

  Model(const ov::ResultVector& results, const ov::ParameterVector& parameters,
        const std::string& name = "");
  Model(const ov::OutputVector& results, const ov::ParameterVector& parameters,
        const std::string& name = "");
  Model(const ov::NodeVector& results, const ov::ParameterVector& parameters,
        const std::string& name = "");
  Model(const std::shared_ptr<ov::Node>& result, const ov::ParameterVector& parameters,
        const std::string& name = "");
  explicit Model(const ov::OutputVector& results, const std::string& name = "");
  Model(const Model&) = delete;
  Model& operator=(const Model&) = delete;
  virtual ~Model();

  std::vector<ov::Output<ov::Node>> outputs();
  ov::Output<ov::Node> output();
  ov::Output<ov::Node> output(size_t i);
  ov::Output<ov::Node> output(const std::string& tensor_name);
  std::vector<ov::Output<const ov::Node>> outputs() const;
  ov::Output<const ov::Node> output() const;
  ov::Output<const ov::Node> output(size_t i) const;
  ov::Output<const ov::Node> output(const std::string& tensor_name) const;

  std::vector<ov::Output<ov::Node>> inputs();
  ov::Output<ov::Node> input();
  ov::Output<ov::Node> input(size_t i);
  ov::Output<ov::Node> input(const std::string& tensor_name);
  std::vector<ov::Output<const ov::Node>> inputs() const;
  ov::Output<const ov::Node> input() const;
  ov::Output<const ov::Node> input(size_t i) const;
  ov::Output<const ov::Node> input(const std::string& tensor_name) const;

  ov::Output<ov::Node> add_output(const std::string& tensor_name);
  ov::Output<ov::Node> add_output(const std::string& op_name, size_t output_idx);
  ov::Output<ov::Node> add_output(const ov::Output<ov::Node>& port);

  size_t get_output_size() const { return m_results.size(); }
  std::shared_ptr<ov::Node> get_output_op(size_t i) const;
  const ov::element::Type& get_output_element_type(size_t i) const;
  const ov::Shape& get_output_shape(size_t i) const;
  const ov::PartialShape& get_output_partial_shape(size_t i) const;
  std::shared_ptr<ov::Node> get_result() const;

  const std::string& get_name() const { return m_name; }
  void set_friendly_name(const std::string& name) { m_friendly_name = name; }
  const std::string& get_friendly_name() const;

  std::vector<std::shared_ptr<ov::Node>> get_ops() const;
  std::vector<std::shared_ptr<ov::Node>> get_ordered_ops() const;
  void map_unordered_ops(std::function<void(ov::Node*)> f) const;

  void replace_node(std::shared_ptr<ov::Node> old, std::shared_ptr<ov::Node> repl);
  void validate_nodes_and_infer_types() const;
  size_t get_graph_size() const;
  bool is_dynamic() const;

  void replace_parameter(size_t parameter_index,
                         const std::shared_ptr<ov::op::v0::Parameter>& parameter);
  const ov::ParameterVector& get_parameters() const { return m_parameters; }
  const ov::ResultVector& get_results() const { return m_results; }
  int64_t get_parameter_index(const std::shared_ptr<ov::op::v0::Parameter>& parameter) const;
  int64_t get_result_index(const ov::Output<ov::Node>& value) const;
  int64_t get_result_index(const ov::Output<const ov::Node>& value) const;

  void add_parameters(const ov::ParameterVector& params);
  void remove_parameter(const std::shared_ptr<ov::op::v0::Parameter>& param);
  void add_results(const ov::ResultVector& results);
  void remove_result(const std::shared_ptr<ov::op::v0::Result>& result);

  void reshape(const ov::PartialShape& partial_shape);
  void reshape(const std::map<size_t, ov::PartialShape>& partial_shapes);
  void reshape(const std::map<std::string, ov::PartialShape>& partial_shapes);
  void reshape(const std::map<ov::Output<ov::Node>, ov::PartialShape>& partial_shapes);

  // Runs the graph with the reference kernels: every node in topological order. Output tensors
  // that are empty are created with the computed type and shape.
  bool evaluate(ov::TensorVector& output_tensors, const ov::TensorVector& input_tensors) const;
  bool evaluate(ov::TensorVector& output_tensors, const ov::TensorVector& input_tensors,
                ov::EvaluationContext& evaluation_context) const;

  std::shared_ptr<Model> clone() const;

  RTMap& get_rt_info() { return m_rt_info; }
  const RTMap& get_rt_info() const { return m_rt_info; }

  template <class T, class... Args>
  const T& get_rt_info(Args... args) const {
    return get_rt_info_path(std::vector<std::string>{args...}).template as<T>();
  }
  template <class T>
  const T& get_rt_info(const std::vector<std::string>& args) const {
    return get_rt_info_path(args).template as<T>();
  }
  template <class... Args>
  bool has_rt_info(Args... args) const {
    return has_rt_info_path(std::vector<std::string>{args...});
  }
  template <class T, class... Args>
  void set_rt_info(const T& argument, Args... args) {
    set_rt_info_path(ov::Any(argument), std::vector<std::string>{args...});
  }

  virtual bool visit_attributes(ov::AttributeVisitor& visitor);

 private:
  void prerequirements(bool detect_parameters);
  // Throws when `ordered_ops` (this model's ops) holds a Parameter the model does not declare.
  void check_all_parameters_registered(const std::vector<std::shared_ptr<Node>>& ordered_ops) const;
  const ov::Any& get_rt_info_path(const std::vector<std::string>& path) const;
  bool has_rt_info_path(const std::vector<std::string>& path) const;
  void set_rt_info_path(const ov::Any& value, const std::vector<std::string>& path);

  std::string m_friendly_name;
  std::string m_name;
  ov::ResultVector m_results;
  ov::ParameterVector m_parameters;
  RTMap m_rt_info;
};

OPENVINO_API std::ostream& operator<<(std::ostream&, const Model&);

}  // namespace ov
