#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "openvino/core/partial_shape.hpp"
#include "openvino/core/type/element_type.hpp"
#include "openvino/frontend/decoder.hpp"
#include "openvino/frontend/tensorflow_lite/quantization_info.hpp"
#include "openvino/frontend/tensorflow_lite/sparsity_info.hpp"
#include "openvino/frontend/tensorflow_lite/visibility.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {

// Description of one tensor. The members have no initializers: value-initialise the record
// (TensorMetaInfo{}) or set every member.
struct TENSORFLOW_LITE_FRONTEND_API TensorMetaInfo {
  std::shared_ptr<QuantizationInfo> m_quantization_info;  // null: not quantized
  std::shared_ptr<SparsityInfo> m_sparsity_info;          // null: dense
  ov::PartialShape m_partial_shape;
  ov::element::Type m_element_type;
  const uint8_t* m_tensor_data;  // non-null: a constant; not owned, read during load only
  std::string m_tensor_name;     // unique in the graph; operands are joined by it
};

class TENSORFLOW_LITE_FRONTEND_API DecoderBase : public ov::frontend::DecoderBase {
 public:
  ~DecoderBase() override;
};

// An operation node. Tensor names must be unique in a graph, and get_input_tensor_name(i) must
// equal get_input_tensor_info(i).m_tensor_name (likewise for outputs). An index out of range
// should throw an exception derived from std::exception.
class TENSORFLOW_LITE_FRONTEND_API DecoderBaseOperation
    : public ov::frontend::tensorflow_lite::DecoderBase {
 public:
  virtual std::string get_input_tensor_name(size_t idx) const = 0;

  virtual ov::element::Type get_input_tensor_type(size_t idx) const = 0;

  virtual std::string get_output_tensor_name(size_t idx) const = 0;

  virtual ov::element::Type get_output_tensor_type(size_t idx) const = 0;

  virtual TensorMetaInfo get_input_tensor_info(size_t idx) const = 0;

  virtual TensorMetaInfo get_output_tensor_info(size_t idx) const = 0;

  virtual size_t get_output_size() const = 0;

  ~DecoderBaseOperation() override;
};

// A model input or output node.
class TENSORFLOW_LITE_FRONTEND_API DecoderBaseTensor
    : public ov::frontend::tensorflow_lite::DecoderBase {
 public:
  virtual TensorMetaInfo get_tensor_info() const = 0;

  // Position among the model inputs, or -1.
  virtual int64_t get_input_idx() const = 0;

  // Position among the model outputs, or -1.
  virtual int64_t get_output_idx() const = 0;

  ~DecoderBaseTensor() override;
};

}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
