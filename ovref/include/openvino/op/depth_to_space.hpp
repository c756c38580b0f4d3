#pragma once

#include <iosfwd>
#include <string>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/enum_names.hpp"
#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v0 {

// Moves blocks of channels into the spatial dims: [N, C, D...] -> [N, C/bs^K, D*bs...].
class OPENVINO_API DepthToSpace : public Op {
 public:
  OPENVINO_OP("DepthToSpace", "opset1");

  enum class DepthToSpaceMode { BLOCKS_FIRST, DEPTH_FIRST };

  DepthToSpace() = default;
  DepthToSpace(const Output<Node>& data, const DepthToSpaceMode& mode, std::size_t block_size = 1);
  DepthToSpace(const Output<Node>& data, const std::string& mode, std::size_t block_size = 1);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  const std::size_t& get_block_size() const { return m_blocksize; }
  DepthToSpaceMode get_mode() const { return m_mode; }

 protected:
  std::size_t m_blocksize = 1;
  DepthToSpaceMode m_mode = DepthToSpaceMode::BLOCKS_FIRST;
};

}  // namespace v0
}  // namespace op

OPENVINO_API std::ostream& operator<<(std::ostream& s,
                                      const op::v0::DepthToSpace::DepthToSpaceMode& type);

template <>
OPENVINO_API EnumNames<op::v0::DepthToSpace::DepthToSpaceMode>&
EnumNames<op::v0::DepthToSpace::DepthToSpaceMode>::get();

template <>
class OPENVINO_API AttributeAdapter<op::v0::DepthToSpace::DepthToSpaceMode>
    : public EnumAttributeAdapterBase<op::v0::DepthToSpace::DepthToSpaceMode> {
 public:
  AttributeAdapter(op::v0::DepthToSpace::DepthToSpaceMode& value)
      : EnumAttributeAdapterBase<op::v0::DepthToSpace::DepthToSpaceMode>(value) {}
  OPENVINO_RTTI("AttributeAdapter<ov::op::v0::DepthToSpace::DepthToSpaceMode>")
};

}  // namespace ov
