#include "openvino/op/op.hpp"

namespace ov {
namespace op {

Op::Op(const OutputVector& args) : Node(args) {}

}  // namespace op
}  // namespace ov
