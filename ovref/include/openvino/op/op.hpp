#pragma once

#include <string>

#include "openvino/core/node.hpp"
#include "openvino/core/rtti.hpp"

#define _OPENVINO_OP_REG(a, b)

#define OPENVINO_OP(...)                                                                    \
  _OPENVINO_RTTI_EXPAND(_OPENVINO_RTTI_DEFINITION_SELECTOR(                                 \
      __VA_ARGS__, _OPENVINO_RTTI_WITH_TYPE_VERSION_PARENT, _OPENVINO_OP_WITH_TYPE_VERSION, \
      _OPENVINO_OP_WITH_TYPE)(__VA_ARGS__))                                                 \
  using ov::op::Op::evaluate;                                                               \
  using ov::op::Op::evaluate_lower;                                                         \
  using ov::op::Op::evaluate_upper;

#define _OPENVINO_OP_WITH_TYPE(TYPE_NAME) \
  _OPENVINO_RTTI_WITH_TYPE_VERSION_PARENT(TYPE_NAME, "extension", ::ov::op::Op)

#define _OPENVINO_OP_WITH_TYPE_VERSION(TYPE_NAME, VERSION_NAME) \
  _OPENVINO_RTTI_WITH_TYPE_VERSION_PARENT(TYPE_NAME, VERSION_NAME, ::ov::op::Op)

namespace ov {
namespace op {

// Root of the operation classes.
class OPENVINO_API Op : public Node {
 protected:
  Op() : Node() {}
  Op(const OutputVector& arguments);

 public:
  _OPENVINO_HIDDEN_METHOD static const ::ov::DiscreteTypeInfo& get_type_info_static() {
    static ::ov::DiscreteTypeInfo type_info_static{"Op", "util"};
    return type_info_static;
  }
  const ::ov::DiscreteTypeInfo& get_type_info() const override { return get_type_info_static(); }
};

}  // namespace op
}  // namespace ov
