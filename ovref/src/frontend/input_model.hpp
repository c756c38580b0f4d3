#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "openvino/core/node_output.hpp"
#include "openvino/frontend/input_model.hpp"
#include "openvino/frontend/place.hpp"
#include "openvino/frontend/tensorflow_lite/decoder.hpp"
#include "openvino/frontend/tensorflow_lite/graph_iterator.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {

// One TFLite tensor: its name, type, shape and quantization as the iterator described it.
class TensorLitePlace : public ov::frontend::Place {
 public:
  explicit TensorLitePlace(const TensorMetaInfo& info);

  std::vector<std::string> get_names() const override { return {m_name}; }
  bool is_input() const override { return m_input_index >= 0; }
  bool is_output() const override { return m_output_index >= 0; }
  bool is_equal(const Ptr& another) const override { return another.get() == this; }

  // Names the produced output after the tensor, records the quantization and sparsity info in
  // its rt_info and, when apply_quantization is set, wraps a quantized value in a TFLQuantize
  // (output then refers to it); an unquantized value must have the tensor's type.
  void translate(ov::Output<ov::Node>& output, bool apply_quantization);

  const std::string& name() const { return m_name; }
  const ov::PartialShape& partial_shape() const { return m_shape; }
  void set_partial_shape(const ov::PartialShape& shape) { m_shape = shape; }
  const ov::element::Type& element_type() const { return m_type; }
  void set_element_type(const ov::element::Type& type) { m_type = type; }
  const std::shared_ptr<QuantizationInfo>& quantization() const { return m_quantization; }
  int64_t input_index() const { return m_input_index; }
  int64_t output_index() const { return m_output_index; }
  void set_input_index(int64_t index) { m_input_index = index; }
  void set_output_index(int64_t index) { m_output_index = index; }

 private:
  std::string m_name;
  ov::PartialShape m_shape;
  ov::element::Type m_type;
  std::shared_ptr<QuantizationInfo> m_quantization;
  std::shared_ptr<SparsityInfo> m_sparsity;
  int64_t m_input_index = -1;
  int64_t m_output_index = -1;
};

// A graph walked once from a GraphIterator: tensor places, the constants (their data copied),
// the operation decoders in the iterator's order, and the subgraphs 1..n-1.
class InputModel : public ov::frontend::InputModel {
 public:
  explicit InputModel(const GraphIterator::Ptr& graph_iterator);

  std::vector<Place::Ptr> get_inputs() const override;
  std::vector<Place::Ptr> get_outputs() const override;
  Place::Ptr get_place_by_tensor_name(const std::string& tensor_name) const override;
  void set_partial_shape(const Place::Ptr& place, const ov::PartialShape& shape) override;
  ov::PartialShape get_partial_shape(const Place::Ptr& place) const override;
  void set_element_type(const Place::Ptr& place, const ov::element::Type& type) override;
  ov::element::Type get_element_type(const Place::Ptr& place) const override;

  const std::vector<std::shared_ptr<DecoderBaseOperation>>& get_op_places() const { return m_ops; }
  const std::map<std::string, std::shared_ptr<TensorLitePlace>>& get_tensor_places() const {
    return m_tensor_places;
  }
  const std::map<std::string, ov::Output<ov::Node>>& get_tensor_values() const {
    return m_tensor_values;
  }
  const std::vector<std::shared_ptr<TensorLitePlace>>& inputs() const { return m_inputs; }
  const std::vector<std::shared_ptr<TensorLitePlace>>& outputs() const { return m_outputs; }
  // Entry i is subgraph i + 1 of the iterator.
  const std::vector<std::shared_ptr<InputModel>>& get_subgraphs() const { return m_subgraphs; }

 private:
  void load_model(const GraphIterator::Ptr& graph_iterator);
  std::shared_ptr<TensorLitePlace> place_of(const Place::Ptr& place) const;

  std::vector<std::shared_ptr<DecoderBaseOperation>> m_ops;
  std::map<std::string, std::shared_ptr<TensorLitePlace>> m_tensor_places;
  std::map<std::string, ov::Output<ov::Node>> m_tensor_values;
  std::vector<std::shared_ptr<TensorLitePlace>> m_inputs;
  std::vector<std::shared_ptr<TensorLitePlace>> m_outputs;
  std::vector<std::shared_ptr<InputModel>> m_subgraphs;
};

}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
