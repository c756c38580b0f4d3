#pragma once

#include <iosfwd>
#include <string>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/enum_names.hpp"
#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v0 {

// Moves spatial blocks into the channels: [N, C, D...] -> [N, C*bs^K, D/bs...].
class OPENVINO_API SpaceToDepth : public Op {
 public:
  OPENVINO_OP("SpaceToDepth", "opset1");

  enum class SpaceToDepthMode { BLOCKS_FIRST, DEPTH_FIRST };

  SpaceToDepth() = default;
  SpaceToDepth(const Output<Node>& data, const SpaceToDepthMode& mode, std::size_t block_size = 1);
  SpaceToDepth(const Output<Node>& data, const std::string& mode, std::size_t block_size = 1);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  const std::size_t& get_block_size() const { return m_blocksize; }
  SpaceToDepthMode get_mode() const { return m_mode; }

 protected:
  std::size_t m_blocksize = 1;
  SpaceToDepthMode m_mode = SpaceToDepthMode::BLOCKS_FIRST;
};

}  // namespace v0
}  // namespace op

OPENVINO_API std::ostream& operator<<(std::ostream& s,
                                      const op::v0::SpaceToDepth::SpaceToDepthMode& type);

template <>
OPENVINO_API EnumNames<op::v0::SpaceToDepth::SpaceToDepthMode>&
EnumNames<op::v0::SpaceToDepth::SpaceToDepthMode>::get();

template <>
class OPENVINO_API AttributeAdapter<op::v0::SpaceToDepth::SpaceToDepthMode>
    : public EnumAttributeAdapterBase<op::v0::SpaceToDepth::SpaceToDepthMode> {
 public:
  AttributeAdapter(op::v0::SpaceToDepth::SpaceToDepthMode& value)
      : EnumAttributeAdapterBase<op::v0::SpaceToDepth::SpaceToDepthMode>(value) {}
  OPENVINO_RTTI("AttributeAdapter<ov::op::v0::SpaceToDepth::SpaceToDepthMode>")
};

}  // namespace ov
