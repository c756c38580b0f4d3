#pragma once

#include <memory>

#include "openvino/frontend/tensorflow_lite/decoder.hpp"
#include "openvino/op/op.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {

// An operation left untranslated (convert_partially, decode): keeps its decoder so that
// FrontEnd::convert(model) can translate it later. Outputs have dynamic type and shape.
class FrameworkNode : public ov::op::Op {
 public:
  OPENVINO_OP("FrameworkNode", "util");

  FrameworkNode(const std::shared_ptr<DecoderBaseOperation>& decoder,
                const ov::OutputVector& inputs, size_t num_outputs);

  void validate_and_infer_types() override;
  std::shared_ptr<ov::Node> clone_with_new_inputs(const ov::OutputVector& inputs) const override;

  const std::shared_ptr<DecoderBaseOperation>& get_decoder() const { return m_decoder; }

 private:
  std::shared_ptr<DecoderBaseOperation> m_decoder;
  size_t m_num_outputs = 0;
};

}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
