#pragma once

#include "openvino/core/coordinate_diff.hpp"
#include "openvino/op/op.hpp"
#include "openvino/op/util/attr_types.hpp"

namespace ov {
namespace op {
namespace util {

// Shared by Pad v1 and v12: pads_begin/pads_end per axis, a pad value, four modes.
class OPENVINO_API PadBase : public Op {
 public:
  OPENVINO_OP("PadBase", "util");

  PadBase() = default;
  PadBase(const Output<Node>& arg, const Output<Node>& pads_begin, const Output<Node>& pads_end,
          const Output<Node>& arg_pad_value, PadMode pad_mode);
  PadBase(const Output<Node>& arg, const Output<Node>& pads_begin, const Output<Node>& pads_end,
          PadMode pad_mode);

  bool visit_attributes(AttributeVisitor& visitor) override;
  void validate_and_infer_types() override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  CoordinateDiff get_pads_begin() const;
  CoordinateDiff get_pads_end() const;
  PadMode get_pad_mode() const { return m_pad_mode; }
  void set_pad_mode(PadMode pad_mode) { m_pad_mode = pad_mode; }

 protected:
  PadMode m_pad_mode{PadMode::CONSTANT};
};

}  // namespace util

namespace v1 {

class OPENVINO_API Pad : public util::PadBase {
 public:
  OPENVINO_OP("Pad", "opset1", op::util::PadBase);

  Pad() = default;
  Pad(const Output<Node>& arg, const Output<Node>& pads_begin, const Output<Node>& pads_end,
      const Output<Node>& arg_pad_value, PadMode pad_mode);
  Pad(const Output<Node>& arg, const Output<Node>& pads_begin, const Output<Node>& pads_end,
      PadMode pad_mode);

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
};

}  // namespace v1

namespace v12 {

// As v1, and negative pads crop.
class OPENVINO_API Pad : public util::PadBase {
 public:
  OPENVINO_OP("Pad", "opset12", op::util::PadBase);

  Pad() = default;
  Pad(const Output<Node>& arg, const Output<Node>& pads_begin, const Output<Node>& pads_end,
      const Output<Node>& arg_pad_value, PadMode pad_mode);
  Pad(const Output<Node>& arg, const Output<Node>& pads_begin, const Output<Node>& pads_end,
      PadMode pad_mode);

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
};

}  // namespace v12
}  // namespace op
}  // namespace ov
