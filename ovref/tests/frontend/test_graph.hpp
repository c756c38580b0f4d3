#pragma once

// A hand-written GraphIterator for the front-end tests: a small builder of model inputs,
// constants, operations and model outputs, walked in the order the front end requires. Constant
// bytes handed out with a decoder are released (after being overwritten) at the next
// get_decoder() call, so a front end that keeps the pointer instead of copying reads garbage
// (and the sanitized build reports the use after free).

#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "openvino/core/any.hpp"
#include "openvino/frontend/tensorflow_lite/decoder.hpp"
#include "openvino/frontend/tensorflow_lite/graph_iterator.hpp"
#include "openvino/frontend/tensorflow_lite/quantization_info.hpp"

namespace fe_test {

using ov::frontend::tensorflow_lite::DecoderBase;
using ov::frontend::tensorflow_lite::DecoderBaseOperation;
using ov::frontend::tensorflow_lite::DecoderBaseTensor;
using ov::frontend::tensorflow_lite::GraphIterator;
using ov::frontend::tensorflow_lite::QuantizationInfo;
using ov::frontend::tensorflow_lite::TensorMetaInfo;

inline std::shared_ptr<QuantizationInfo> Quant(std::vector<float> scale,
                                               std::vector<int64_t> zero_point, int64_t axis = 0) {
  return std::make_shared<QuantizationInfo>(scale, zero_point, axis);
}

class TensorDecoder : public DecoderBaseTensor {
 public:
  TensorDecoder(TensorMetaInfo info, int64_t input_idx, int64_t output_idx)
      : info_(std::move(info)), input_idx_(input_idx), output_idx_(output_idx) {}
  TensorMetaInfo get_tensor_info() const override { return info_; }
  int64_t get_input_idx() const override { return input_idx_; }
  int64_t get_output_idx() const override { return output_idx_; }
  ov::Any get_attribute(const std::string&) const override { return {}; }
  size_t get_input_size() const override { return 0; }
  void get_input_node(size_t, std::string&, std::string&, size_t&) const override {}
  const std::string& get_op_type() const override { return type_; }
  const std::string& get_op_name() const override { return name_; }

 private:
  TensorMetaInfo info_;
  int64_t input_idx_;
  int64_t output_idx_;
  std::string type_ = "Tensor";
  std::string name_;
};

class OpDecoder : public DecoderBaseOperation {
 public:
  OpDecoder(std::string type, std::string name, std::vector<TensorMetaInfo> inputs,
            std::vector<TensorMetaInfo> outputs, ov::AnyMap attributes)
      : type_(std::move(type)),
        name_(std::move(name)),
        inputs_(std::move(inputs)),
        outputs_(std::move(outputs)),
        attributes_(std::move(attributes)) {}

  ov::Any get_attribute(const std::string& name) const override {
    auto it = attributes_.find(name);
    return it == attributes_.end() ? ov::Any() : it->second;
  }
  size_t get_input_size() const override { return inputs_.size(); }
  void get_input_node(size_t, std::string&, std::string&, size_t&) const override {}
  const std::string& get_op_type() const override { return type_; }
  const std::string& get_op_name() const override { return name_; }
  std::string get_input_tensor_name(size_t idx) const override {
    return inputs_.at(idx).m_tensor_name;
  }
  ov::element::Type get_input_tensor_type(size_t idx) const override {
    return inputs_.at(idx).m_element_type;
  }
  std::string get_output_tensor_name(size_t idx) const override {
    return outputs_.at(idx).m_tensor_name;
  }
  ov::element::Type get_output_tensor_type(size_t idx) const override {
    return outputs_.at(idx).m_element_type;
  }
  TensorMetaInfo get_input_tensor_info(size_t idx) const override { return inputs_.at(idx); }
  TensorMetaInfo get_output_tensor_info(size_t idx) const override { return outputs_.at(idx); }
  size_t get_output_size() const override { return outputs_.size(); }

 private:
  std::string type_;
  std::string name_;
  std::vector<TensorMetaInfo> inputs_;
  std::vector<TensorMetaInfo> outputs_;
  ov::AnyMap attributes_;
};

// Builds a graph and walks it. Tensors are referred to by name.
class TestGraph : public GraphIterator {
 public:
  struct Entry {
    TensorMetaInfo info{};
    std::vector<uint8_t> bytes;  // constants only
    bool constant = false;
  };

  const std::string& Input(const std::string& name, ov::element::Type type, ov::PartialShape shape,
                           std::shared_ptr<QuantizationInfo> quantization = nullptr) {
    auto& t = Add(name, type, std::move(shape), std::move(quantization));
    inputs_.push_back(name);
    return t.info.m_tensor_name;
  }

  template <typename T>
  const std::string& Constant(const std::string& name, ov::element::Type type, ov::Shape shape,
                              const std::vector<T>& values,
                              std::shared_ptr<QuantizationInfo> quantization = nullptr) {
    std::vector<uint8_t> bytes(values.size() * sizeof(T));
    if (!bytes.empty()) std::memcpy(bytes.data(), values.data(), bytes.size());
    return Bytes(name, type, std::move(shape), std::move(bytes), std::move(quantization));
  }

  // Raw (possibly packed) constant bytes.
  const std::string& Bytes(const std::string& name, ov::element::Type type, ov::Shape shape,
                           std::vector<uint8_t> bytes,
                           std::shared_ptr<QuantizationInfo> quantization = nullptr) {
    auto& t = Add(name, type, ov::PartialShape(shape), std::move(quantization));
    t.bytes = std::move(bytes);
    t.constant = true;
    return t.info.m_tensor_name;
  }

  // Declares the output tensor of the next operation.
  const std::string& Tensor(const std::string& name, ov::element::Type type, ov::PartialShape shape,
                            std::shared_ptr<QuantizationInfo> quantization = nullptr) {
    return Add(name, type, std::move(shape), std::move(quantization)).info.m_tensor_name;
  }

  void Op(const std::string& type, const std::vector<std::string>& inputs,
          const std::vector<std::string>& outputs, ov::AnyMap attributes = {},
          std::string name = {}) {
    ops_.push_back({type, name.empty() ? type + "_" + std::to_string(ops_.size()) : name, inputs,
                    outputs, std::move(attributes)});
  }

  void Output(const std::string& name) { outputs_.push_back(name); }

  // Makes get_decoder() return an empty pointer at this node position.
  void NullDecoderAt(size_t position) { null_at_ = position; }

  size_t size() const override { return inputs_.size() + outputs_.size() + ops_.size(); }
  void reset() override {
    ++resets;
    position_ = 0;
  }
  void next() override { ++position_; }
  bool is_end() const override { return position_ >= size(); }
  size_t get_subgraph_size() const override { return 0; }
  std::shared_ptr<GraphIterator> get_subgraph(size_t) const override { return nullptr; }

  std::shared_ptr<DecoderBase> get_decoder() const override {
    ReleaseLiveBuffers();
    if (position_ == null_at_) return nullptr;
    size_t p = position_;
    if (p < inputs_.size()) {
      return std::make_shared<TensorDecoder>(At(inputs_[p]).info, static_cast<int64_t>(p), -1);
    }
    p -= inputs_.size();
    if (p < outputs_.size()) {
      return std::make_shared<TensorDecoder>(At(outputs_[p]).info, -1, static_cast<int64_t>(p));
    }
    const auto& op = ops_.at(p - outputs_.size());
    std::vector<TensorMetaInfo> inputs, outputs;
    for (const auto& name : op.inputs) {
      const auto& t = At(name);
      TensorMetaInfo info = t.info;
      if (t.constant) {
        live_.push_back(std::make_unique<std::vector<uint8_t>>(t.bytes));
        info.m_tensor_data = live_.back()->data();
        if (t.bytes.empty()) info.m_tensor_data = nullptr;
      }
      inputs.push_back(info);
    }
    for (const auto& name : op.outputs) outputs.push_back(At(name).info);
    return std::make_shared<OpDecoder>(op.type, op.name, inputs, outputs, op.attributes);
  }

  ~TestGraph() override { ReleaseLiveBuffers(); }

  int resets = 0;

 private:
  struct OpNode {
    std::string type;
    std::string name;
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
    ov::AnyMap attributes;
  };

  Entry& Add(const std::string& name, ov::element::Type type, ov::PartialShape shape,
             std::shared_ptr<QuantizationInfo> quantization) {
    auto& t = tensors_[name];
    t.info = TensorMetaInfo{};
    t.info.m_tensor_name = name;
    t.info.m_element_type = type;
    t.info.m_partial_shape = std::move(shape);
    t.info.m_quantization_info = std::move(quantization);
    return t;
  }

  const Entry& At(const std::string& name) const {
    auto it = tensors_.find(name);
    if (it == tensors_.end()) throw std::out_of_range("no tensor " + name);
    return it->second;
  }

  void ReleaseLiveBuffers() const {
    for (auto& buffer : live_) std::memset(buffer->data(), 0xCD, buffer->size());
    live_.clear();
  }

  std::map<std::string, Entry> tensors_;
  std::vector<std::string> inputs_;
  std::vector<std::string> outputs_;
  std::vector<OpNode> ops_;
  size_t position_ = 0;
  size_t null_at_ = static_cast<size_t>(-1);
  mutable std::vector<std::unique_ptr<std::vector<uint8_t>>> live_;
};

}  // namespace fe_test
