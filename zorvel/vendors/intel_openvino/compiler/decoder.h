#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_DECODER_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_DECODER_H_

// The decoders the tensorflow_lite front end reads a host subgraph through: one DecoderTensor per
// graph input and output, one DecoderOperation per host op. Operands are joined by tensor name,
// so every TensorMetaInfo handed out carries one.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "logging/zorvel_logging.h"
#include "openvino/core/any.hpp"
#include "openvino/core/type/element_type.hpp"
#include "openvino/frontend/tensorflow_lite/decoder.hpp"
#include "zorvel/c/zorvel_element_type.h"
#include "zorvel/c/zorvel_host_api.h"
#include "zorvel/c/zorvel_op_code.h"
#include "zorvel/cc/zorvel_expected.h"
#include "zorvel/compiler/cc/zorvel_model.h"

namespace zorvel::openvino {

// The host's element type code of a tensor: that of its ranked type when the tensor has one, else
// its unranked element type; when neither read succeeds, HostReadError.
ZorvelElementType HostElementTypeCode(const Tensor& tensor);

// OpenVINO's element type for a host code (1-23); codes without a counterpart give the dynamic
// type. Code 20 (signed 2-bit) maps to u2: its constant data is rewritten before it is handed on.
ov::element::Type ToOvElementType(ZorvelElementType code);

// The type text of an op code ("CONV_2D"), or an empty view for a code the table does not hold.
std::string_view OpTypeName(ZorvelOpCode code);

// A model input or output. The front end asks it only for its tensor info and its indices; the
// operation-like members log that they are not implemented.
class DecoderTensor : public ov::frontend::tensorflow_lite::DecoderBaseTensor {
 public:
  DecoderTensor(ov::frontend::tensorflow_lite::TensorMetaInfo tensor_info, int64_t input_index,
                int64_t output_index)
      : tensor_info_(std::move(tensor_info)),
        input_index_(input_index),
        output_index_(output_index) {}

  ov::Any get_attribute(const std::string& name) const override {
    ZORVEL_LOG_ERROR("get_attribute not implemented");
    return {};
  }
  size_t get_input_size() const override {
    ZORVEL_LOG_ERROR("get_input_size not implemented");
    return 0;
  }
  void get_input_node(size_t input_port_idx, std::string& producer_name,
                      std::string& producer_output_port_name,
                      size_t& producer_output_port_index) const override {
    ZORVEL_LOG_ERROR("get_input_node not implemented");
  }
  const std::string& get_op_type() const override { return op_type_; }
  const std::string& get_op_name() const override {
    ZORVEL_LOG_ERROR("get_op_name not implemented");
    return op_name_;
  }
  ov::frontend::tensorflow_lite::TensorMetaInfo get_tensor_info() const override {
    return tensor_info_;
  }
  int64_t get_input_idx() const override { return input_index_; }
  int64_t get_output_idx() const override { return output_index_; }

 private:
  ov::frontend::tensorflow_lite::TensorMetaInfo tensor_info_;
  int64_t input_index_;   // -1 unless an input node
  int64_t output_index_;  // -1 unless an output node
  std::string op_type_ = "DecoderTensor";
  std::string op_name_;
};

// One host op. Immutable after construction; keeps the host table and op handle, which live for
// the whole compile call, and copies of its operands' tensor infos.
class DecoderOperation : public ov::frontend::tensorflow_lite::DecoderBaseOperation {
 public:
  // `position` is the op's node position in the graph iterator; it names the op
  // ("CONV_2D_id_7").
  DecoderOperation(const HostApiTable* host_api,
                   std::vector<ov::frontend::tensorflow_lite::TensorMetaInfo> inputs,
                   std::vector<ov::frontend::tensorflow_lite::TensorMetaInfo> outputs, const Op& op,
                   uint64_t position);

  // Unsupported op types and names are logged and come back as an empty value; a failed host read
  // throws HostReadError with the op's name and the attribute, failing the translation.
  ov::Any get_attribute(const std::string& name) const override;
  size_t get_input_size() const override { return inputs_.size(); }
  // Operands are joined by tensor name, not through producers.
  void get_input_node(size_t input_port_idx, std::string& producer_name,
                      std::string& producer_output_port_name,
                      size_t& producer_output_port_index) const override {}
  const std::string& get_op_type() const override { return op_type_; }
  const std::string& get_op_name() const override { return op_name_; }

  // An index past the operands throws std::out_of_range.
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
  ov::frontend::tensorflow_lite::TensorMetaInfo get_input_tensor_info(size_t idx) const override {
    return inputs_.at(idx);
  }
  ov::frontend::tensorflow_lite::TensorMetaInfo get_output_tensor_info(size_t idx) const override {
    return outputs_.at(idx);
  }
  size_t get_output_size() const override { return outputs_.size(); }

  // The value of attribute `name`. Unsupported op types and names give an empty value (logged);
  // a failed host read gives status 3, "Failed to get <what> for <op name>".
  Expected<ov::Any> ResolveAttribute(const std::string& name) const;

  // The host op code (32 when the host has no op-code entry).
  uint32_t OpCode() const { return op_code_; }

 private:
  template <typename T>
  Expected<T> Read(Expected<T> (*read)(const Op&), const char* what) const;
  // A read whose value must be at least 1; a smaller one is an error naming the op.
  Expected<int32_t> ReadPositive(Expected<int32_t> (*read)(const Op&), const char* what) const;
  Expected<ov::Any> Activation(Expected<uint32_t> (*read)(const Op&)) const;
  Expected<ov::Any> Padding(Expected<uint32_t> (*read)(const Op&)) const;
  Expected<ov::Any> Window2d(Expected<int32_t> (*read_w)(const Op&), const char* what_w,
                             Expected<int32_t> (*read_h)(const Op&), const char* what_h) const;
  Expected<ov::Any> Window3d(Expected<int32_t> (*read_d)(const Op&), const char* what_d,
                             Expected<int32_t> (*read_w)(const Op&), const char* what_w,
                             Expected<int32_t> (*read_h)(const Op&), const char* what_h) const;
  template <typename T>
  Expected<ov::Any> Value(Expected<T> (*read)(const Op&), const char* what) const;
  Expected<ov::Any> NewShape() const;
  Expected<ov::Any> ArgMaxOutputType() const;
  Expected<ov::Any> CastDestinationType() const;
  Expected<ov::Any> CompositeName() const;
  Expected<ov::Any> CompositeEpsilon() const;
  ov::Any UnsupportedAttribute(const std::string& name) const;

  std::string op_type_;
  std::string op_name_;
  std::vector<ov::frontend::tensorflow_lite::TensorMetaInfo> inputs_;
  std::vector<ov::frontend::tensorflow_lite::TensorMetaInfo> outputs_;
  const HostApiTable* host_api_;
  ZorvelOp op_;
  uint32_t op_code_;
};

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_DECODER_H_
