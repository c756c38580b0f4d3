#include "input_model.hpp"

#include <algorithm>

#include "openvino/frontend/exception.hpp"
#include "openvino/op/constant.hpp"
#include "tfl_quantize.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {

TensorLitePlace::TensorLitePlace(const TensorMetaInfo& info)
    : m_name(info.m_tensor_name),
      m_shape(info.m_partial_shape),
      m_type(info.m_element_type),
      m_quantization(info.m_quantization_info),
      m_sparsity(info.m_sparsity_info) {}

void TensorLitePlace::translate(ov::Output<ov::Node>& output, bool apply_quantization) {
  output.set_names({m_name});
  auto& rt_info = output.get_rt_info();
  rt_info[QuantizationInfo::get_type_info_static()] = m_quantization;
  rt_info[SparsityInfo::get_type_info_static()] = m_sparsity;
  // The model's own shape of the tensor has to agree with the translated one: a value taken from
  // an operand (a K, a multiple, a target size, a pad) that contradicts it would otherwise give a
  // model other than the one described. A rank-0 shape is also what an unranked tensor reports,
  // so it does not constrain.
  if (m_shape.rank().is_static() && m_shape.rank().get_length() > 0) {
    FRONT_END_GENERAL_CHECK(output.get_partial_shape().compatible(m_shape),
                            "Inconsistent shape inference: tensor '", m_name, "' is ", m_shape,
                            " in the model, ", output.get_partial_shape(), " as translated");
  }
  if (!apply_quantization) return;
  if (m_quantization && !m_quantization->is_disabled()) {
    output = std::make_shared<TFLQuantize>(output, m_quantization, m_type)->output(0);
    return;
  }
  FRONT_END_GENERAL_CHECK(output.get_element_type().compatible(m_type),
                          "Inconsistent type inference: tflite ", m_type, ", ov ",
                          output.get_element_type());
}

InputModel::InputModel(const GraphIterator::Ptr& graph_iterator) {
  FRONT_END_GENERAL_CHECK(graph_iterator != nullptr, "GraphIterator is null");
  load_model(graph_iterator);
}

namespace {

// The bytes of a constant: dense data, or the densified form of sparse data.
const void* ConstantBytes(const TensorMetaInfo& info) {
  if (info.m_sparsity_info && !info.m_sparsity_info->is_disabled()) {
    return info.m_sparsity_info->dense_data();
  }
  return info.m_tensor_data;
}

}  // namespace

void InputModel::load_model(const GraphIterator::Ptr& it) {
  m_ops.reserve(it->size());
  size_t position = 0;
  for (; !it->is_end(); it->next(), ++position) {
    const auto decoder = it->get_decoder();
    FRONT_END_GENERAL_CHECK(decoder != nullptr, "GraphIterator returned an empty decoder for node ",
                            position);
    if (auto tensor = std::dynamic_pointer_cast<DecoderBaseTensor>(decoder)) {
      const auto info = tensor->get_tensor_info();
      const int64_t input_index = tensor->get_input_idx();
      const int64_t output_index = tensor->get_output_idx();
      FRONT_END_GENERAL_CHECK(input_index >= 0 || output_index >= 0, "Tensor decoder '",
                              info.m_tensor_name, "' is neither a model input nor an output");
      auto& place = m_tensor_places[info.m_tensor_name];
      if (!place) place = std::make_shared<TensorLitePlace>(info);
      if (input_index >= 0 && place->input_index() < 0) {
        place->set_input_index(input_index);
        m_inputs.push_back(place);
      }
      if (output_index >= 0 && place->output_index() < 0) {
        place->set_output_index(output_index);
        m_outputs.push_back(place);
      }
      continue;
    }
    auto op = std::dynamic_pointer_cast<DecoderBaseOperation>(decoder);
    FRONT_END_GENERAL_CHECK(op != nullptr, "Operation decoder is expected");
    m_ops.push_back(op);
    for (size_t i = 0; i < op->get_input_size(); ++i) {
      const auto info = op->get_input_tensor_info(i);
      const auto& name = info.m_tensor_name;
      if (m_tensor_places.count(name)) continue;
      const void* data = ConstantBytes(info);
      if (data != nullptr || info.m_partial_shape == ov::PartialShape{0}) {
        FRONT_END_GENERAL_CHECK(info.m_partial_shape.is_static(), "Constant tensor '", name,
                                "' of ", op->get_op_type(), " '", op->get_op_name(),
                                "' has a dynamic shape ", info.m_partial_shape);
        // The copy is made now: the iterator may release the bytes once it moves on.
        auto constant =
            data ? std::make_shared<ov::op::v0::Constant>(info.m_element_type,
                                                          info.m_partial_shape.to_shape(), data)
                 : std::make_shared<ov::op::v0::Constant>(info.m_element_type, ov::Shape{0});
        constant->set_friendly_name(name);
        m_tensor_values[name] = constant->output(0);
        m_tensor_places[name] = std::make_shared<TensorLitePlace>(info);
        continue;
      }
      FRONT_END_GENERAL_CHECK(false, "Tensor '", name, "' (input ", i, " of ", op->get_op_type(),
                              " '", op->get_op_name(),
                              "') is neither a model input, a constant, nor produced by an earlier "
                              "operation");
    }
    for (size_t i = 0; i < op->get_output_size(); ++i) {
      const auto info = op->get_output_tensor_info(i);
      auto& place = m_tensor_places[info.m_tensor_name];
      if (!place) place = std::make_shared<TensorLitePlace>(info);
    }
  }
  std::stable_sort(m_inputs.begin(), m_inputs.end(), [](const auto& a, const auto& b) {
    return a->input_index() < b->input_index();
  });
  std::stable_sort(m_outputs.begin(), m_outputs.end(), [](const auto& a, const auto& b) {
    return a->output_index() < b->output_index();
  });
  const size_t subgraphs = it->get_subgraph_size();
  for (size_t i = 1; i < subgraphs; ++i) {
    m_subgraphs.push_back(std::make_shared<InputModel>(it->get_subgraph(i)));
  }
}

std::vector<Place::Ptr> InputModel::get_inputs() const {
  return std::vector<Place::Ptr>(m_inputs.begin(), m_inputs.end());
}

std::vector<Place::Ptr> InputModel::get_outputs() const {
  return std::vector<Place::Ptr>(m_outputs.begin(), m_outputs.end());
}

Place::Ptr InputModel::get_place_by_tensor_name(const std::string& tensor_name) const {
  auto it = m_tensor_places.find(tensor_name);
  return it == m_tensor_places.end() ? nullptr : it->second;
}

std::shared_ptr<TensorLitePlace> InputModel::place_of(const Place::Ptr& place) const {
  auto lite = std::dynamic_pointer_cast<TensorLitePlace>(place);
  FRONT_END_GENERAL_CHECK(lite != nullptr, "The place is not a tensor of this model");
  return lite;
}

void InputModel::set_partial_shape(const Place::Ptr& place, const ov::PartialShape& shape) {
  place_of(place)->set_partial_shape(shape);
}

ov::PartialShape InputModel::get_partial_shape(const Place::Ptr& place) const {
  return place_of(place)->partial_shape();
}

void InputModel::set_element_type(const Place::Ptr& place, const ov::element::Type& type) {
  place_of(place)->set_element_type(type);
}

ov::element::Type InputModel::get_element_type(const Place::Ptr& place) const {
  return place_of(place)->element_type();
}

}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
