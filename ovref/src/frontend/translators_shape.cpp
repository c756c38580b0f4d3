// Data-movement translators: reshaping, transposing, joining and splitting, slicing, gathering,
// tiling, broadcasting, padding and reversing.
#include <climits>

#include "op_table.hpp"
#include "openvino/frontend/exception.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/broadcast.hpp"
#include "openvino/op/concat.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/gather.hpp"
#include "openvino/op/gather_nd.hpp"
#include "openvino/op/less.hpp"
#include "openvino/op/pad.hpp"
#include "openvino/op/reshape.hpp"
#include "openvino/op/reverse_sequence.hpp"
#include "openvino/op/select.hpp"
#include "openvino/op/shape_of.hpp"
#include "openvino/op/slice.hpp"
#include "openvino/op/split.hpp"
#include "openvino/op/squeeze.hpp"
#include "openvino/op/strided_slice.hpp"
#include "openvino/op/tile.hpp"
#include "openvino/op/transpose.hpp"
#include "openvino/op/unsqueeze.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {
namespace op {
namespace {

using ov::Output;

std::shared_ptr<ov::op::v0::Constant> AsConstant(const Output<ov::Node>& x) {
  return ov::as_type_ptr<ov::op::v0::Constant>(x.get_node_shared_ptr());
}

ov::OutputVector Reshape(const NodeContext& node) {
  Output<ov::Node> shape;
  const auto new_shape = node.get_attribute_as_any("new_shape");
  const bool has_option = !new_shape.empty();
  const auto option = has_option ? new_shape.as<std::vector<int64_t>>() : std::vector<int64_t>{};
  // An empty option list next to a shape operand means the operand gives the shape (an empty
  // list would otherwise reshape to a scalar).
  if (has_option && (!option.empty() || node.get_input_size() < 2)) {
    shape = i64_const(option);
  } else {
    FRONT_END_GENERAL_CHECK(node.get_input_size() >= 2, "RESHAPE '", node.get_name(),
                            "' has neither a new_shape attribute nor a shape input");
    shape = node.get_input(1);
  }
  return named(node, std::make_shared<ov::op::v1::Reshape>(node.get_input(0), shape, false));
}

ov::OutputVector Transpose(const NodeContext& node) {
  return named(node, std::make_shared<ov::op::v1::Transpose>(node.get_input(0), node.get_input(1)));
}

ov::OutputVector Concatenation(const NodeContext& node) {
  const auto axis = node.get_attribute<int64_t>("axis");
  return named(node, std::make_shared<ov::op::v0::Concat>(node.get_inputs(), axis));
}

ov::OutputVector Pack(const NodeContext& node) {
  const auto axis = node.get_attribute<int64_t>("axis", 0);
  ov::OutputVector parts;
  for (size_t i = 0; i < node.get_input_size(); ++i) {
    parts.push_back(std::make_shared<ov::op::v0::Unsqueeze>(node.get_input(static_cast<int>(i)),
                                                            i64_scalar(axis)));
  }
  return named(node, std::make_shared<ov::op::v0::Concat>(parts, axis));
}

ov::OutputVector Unpack(const NodeContext& node) {
  const auto axis = node.get_attribute<int64_t>("axis", 0);
  const auto num = node.get_attribute<int64_t>("num");
  auto split = std::make_shared<ov::op::v1::Split>(node.get_input(0), i64_scalar(axis),
                                                   static_cast<size_t>(num));
  ov::OutputVector outputs;
  for (const auto& part : split->outputs()) {
    auto squeezed = std::make_shared<ov::op::v0::Squeeze>(part, i64_const({axis}));
    squeezed->set_friendly_name(node.get_name() + ":" + std::to_string(outputs.size()));
    outputs.push_back(squeezed);
  }
  if (!outputs.empty()) outputs[0].get_node_shared_ptr()->set_friendly_name(node.get_name());
  return outputs;
}

ov::OutputVector Split(const NodeContext& node) {
  const auto num_split = node.get_attribute<int64_t>("num_split");
  return named(node, std::make_shared<ov::op::v1::Split>(node.get_input(1), node.get_input(0),
                                                         static_cast<size_t>(num_split)));
}

// stop = start + size, where a size of -1 runs to the end of the axis.
ov::OutputVector Slice(const NodeContext& node) {
  const auto data = node.get_input(0);
  const auto start = node.get_input(1);
  const auto size = node.get_input(2);
  Output<ov::Node> stop;
  const auto start_c = AsConstant(start);
  const auto size_c = AsConstant(size);
  if (start_c && size_c) {
    const auto begin = start_c->cast_vector<int64_t>();
    const auto count = size_c->cast_vector<int64_t>();
    FRONT_END_GENERAL_CHECK(begin.size() == count.size(), "SLICE '", node.get_name(),
                            "': begin and size differ in length");
    std::vector<int64_t> end(begin.size());
    for (size_t i = 0; i < begin.size(); ++i) {
      end[i] = count[i] < 0 ? std::numeric_limits<int64_t>::max() : begin[i] + count[i];
    }
    return named(
        node, std::make_shared<ov::op::v8::Slice>(
                  data, start_c, i64_const(end), i64_const(std::vector<int64_t>(begin.size(), 1))));
  }
  const auto sum = std::make_shared<ov::op::v1::Add>(start, size);
  const auto whole = std::make_shared<ov::op::v3::ShapeOf>(data, size.get_element_type());
  const auto zero = std::make_shared<ov::op::v0::Constant>(size.get_element_type(), ov::Shape{}, 0);
  stop = std::make_shared<ov::op::v1::Select>(std::make_shared<ov::op::v1::Less>(size, zero), whole,
                                              sum);
  const auto step = std::make_shared<ov::op::v0::Constant>(size.get_element_type(), ov::Shape{}, 1);
  const auto steps = std::make_shared<ov::op::v3::Broadcast>(
      step, std::make_shared<ov::op::v3::ShapeOf>(start, ov::element::i64));
  return named(node, std::make_shared<ov::op::v8::Slice>(data, start, stop, steps));
}

// Bit i of a TFLite mask becomes entry i of a 0/1 vector.
std::vector<int64_t> MaskToVector(int64_t mask) {
  std::vector<int64_t> bits(sizeof(mask) * CHAR_BIT, 0);
  for (size_t i = 0; i < bits.size(); ++i) bits[i] = (static_cast<uint64_t>(mask) >> i) & 1u;
  return bits;
}

ov::OutputVector StridedSlice(const NodeContext& node) {
  const auto mask = [&](const char* name) {
    return MaskToVector(node.get_attribute<int64_t>(name, 0));
  };
  return named(node, std::make_shared<ov::op::v1::StridedSlice>(
                         node.get_input(0), node.get_input(1), node.get_input(2), node.get_input(3),
                         mask("begin_mask"), mask("end_mask"), mask("new_axis_mask"),
                         mask("shrink_axis_mask"), mask("ellipsis_mask")));
}

ov::OutputVector Gather(const NodeContext& node) {
  const auto axis = node.get_attribute<int32_t>("axis");
  const auto batch_dims = node.get_attribute<int32_t>("batch_dims");
  return named(node, std::make_shared<ov::op::v8::Gather>(node.get_input(0), node.get_input(1),
                                                          i32_scalar(axis), batch_dims));
}

ov::OutputVector GatherNd(const NodeContext& node) {
  const auto batch_dims = node.get_attribute<int64_t>("batch_dims", 0);
  return named(node, std::make_shared<ov::op::v8::GatherND>(node.get_input(0), node.get_input(1),
                                                            static_cast<size_t>(batch_dims)));
}

ov::OutputVector EmbeddingLookup(const NodeContext& node) {
  return named(node, std::make_shared<ov::op::v8::Gather>(node.get_input(1), node.get_input(0),
                                                          i32_scalar(0)));
}

ov::OutputVector Tile(const NodeContext& node) {
  return named(node, std::make_shared<ov::op::v0::Tile>(node.get_input(0), node.get_input(1)));
}

ov::OutputVector ExpandDims(const NodeContext& node) {
  return named(node, std::make_shared<ov::op::v0::Unsqueeze>(node.get_input(0), node.get_input(1)));
}

ov::OutputVector BroadcastTo(const NodeContext& node) {
  return named(node, std::make_shared<ov::op::v3::Broadcast>(node.get_input(0), node.get_input(1)));
}

// paddings is [rank, 2]: column 0 the pads before, column 1 the pads after.
ov::OutputVector PadWith(const NodeContext& node, ov::op::PadMode mode,
                         const Output<ov::Node>& value) {
  // TFLite pads only outwards; a negative amount would crop and change the declared shape.
  if (const auto pads = AsConstant(node.get_input(1))) {
    for (const int64_t amount : pads->cast_vector<int64_t>()) {
      if (amount < 0) {
        Invalid(node.get_op_type() + " '" + node.get_name() + "' has the negative padding " +
                std::to_string(amount));
      }
    }
  }
  const auto paddings = std::make_shared<ov::op::v0::Convert>(node.get_input(1), ov::element::i64);
  const auto begin = std::make_shared<ov::op::v8::Gather>(paddings, i64_scalar(0), i64_scalar(1));
  const auto end = std::make_shared<ov::op::v8::Gather>(paddings, i64_scalar(1), i64_scalar(1));
  if (value.get_node()) {
    return named(node,
                 std::make_shared<ov::op::v1::Pad>(node.get_input(0), begin, end, value, mode));
  }
  return named(node, std::make_shared<ov::op::v1::Pad>(node.get_input(0), begin, end, mode));
}

ov::OutputVector Pad(const NodeContext& node) {
  default_op_checks(node, 2, {"PAD"});
  const auto x = node.get_input(0);
  return PadWith(node, ov::op::PadMode::CONSTANT,
                 std::make_shared<ov::op::v0::Constant>(x.get_element_type(), ov::Shape{}, 0));
}

ov::OutputVector PadV2(const NodeContext& node) {
  default_op_checks(node, 3, {"PADV2"});
  return PadWith(node, ov::op::PadMode::CONSTANT, node.get_input(2));
}

ov::OutputVector MirrorPad(const NodeContext& node) {
  default_op_checks(node, 2, {"MIRROR_PAD"});
  const auto mode = node.get_attribute<std::string>("mode");
  if (mode != "REFLECT" && mode != "SYMMETRIC") {
    Invalid("MIRROR_PAD supports the REFLECT and SYMMETRIC modes, not '" + mode + "'");
  }
  return PadWith(node, mode == "REFLECT" ? ov::op::PadMode::REFLECT : ov::op::PadMode::SYMMETRIC,
                 Output<ov::Node>());
}

// Reverses one whole axis with ReverseSequence, using axis 0 as the batch axis (or a new axis 0
// when the reversed axis is the first or the last).
ov::OutputVector ReverseV2(const NodeContext& node) {
  const auto x = node.get_input(0);
  const auto axes_c = AsConstant(node.get_input(1));
  if (!axes_c) Invalid("REVERSE_V2 needs constant axes");
  const auto axes = axes_c->cast_vector<int64_t>();
  if (axes.empty()) return named(node, x);
  if (axes.size() > 1) Invalid("REVERSE_V2 supports a single axis");
  const int64_t axis = axes[0];
  const bool outer = axis == 0 || axis == -1;
  Output<ov::Node> data = x;
  int64_t seq_axis = axis;
  if (outer) {
    data = std::make_shared<ov::op::v0::Unsqueeze>(x, i64_scalar(0));
    seq_axis = axis == 0 ? 1 : -1;
  }
  const auto shape = std::make_shared<ov::op::v3::ShapeOf>(data, ov::element::i64);
  const auto length =
      std::make_shared<ov::op::v8::Gather>(shape, i64_const({seq_axis}), i64_scalar(0));
  const auto batch = std::make_shared<ov::op::v8::Gather>(shape, i64_const({0}), i64_scalar(0));
  const auto lengths = std::make_shared<ov::op::v3::Broadcast>(length, batch);
  Output<ov::Node> out = std::make_shared<ov::op::v0::ReverseSequence>(data, lengths, 0, seq_axis);
  if (outer) out = std::make_shared<ov::op::v0::Squeeze>(out, i64_const({0}));
  return named(node, out);
}

const TranslatorRegistration shape_registration{
    {"RESHAPE", DQ(Reshape)},
    {"TRANSPOSE", DQ(Transpose)},
    {"CONCATENATION", DQ(Concatenation)},
    {"PACK", DQ(Pack)},
    {"UNPACK", DQ(Unpack)},
    {"SPLIT", DQ(Split)},
    {"SLICE", DQ(Slice)},
    {"STRIDED_SLICE", DQ(StridedSlice)},
    {"GATHER", DQ(Gather)},
    {"GATHER_ND", DQ(GatherNd)},
    {"EMBEDDING_LOOKUP", DQ(EmbeddingLookup)},
    {"TILE", DQ(Tile)},
    {"EXPAND_DIMS", DQ(ExpandDims)},
    {"BROADCAST_TO", DQ(BroadcastTo)},
    {"PAD", DQ(Pad)},
    {"PADV2", DQ(PadV2)},
    {"MIRROR_PAD", DQ(MirrorPad)},
    {"REVERSE_V2", DQ(ReverseV2)},
};

}  // namespace
}  // namespace op
}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
