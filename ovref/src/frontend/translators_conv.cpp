// Convolutions, pooling, matrix products, resizing and the channel-layout ops. TFLite data is
// channels-last; the OpenVINO ops run channels-first between a pair of Transposes.
#include "op_table.hpp"
#include "openvino/frontend/exception.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/avg_pool.hpp"
#include "openvino/op/convolution.hpp"
#include "openvino/op/depth_to_space.hpp"
#include "openvino/op/group_conv.hpp"
#include "openvino/op/max_pool.hpp"
#include "openvino/op/normalize_l2.hpp"
#include "openvino/op/reshape.hpp"
#include "openvino/op/strided_slice.hpp"
#include "openvino/op/unsqueeze.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {
namespace op {
namespace {

using ov::Output;

// Window settings of a convolution or pooling op, read in the decoder's NHWC (NDHWC) order.
struct Window {
  bool channels_last = true;
  size_t rank = 4;  // of the data tensor
  ov::Strides strides;
  ov::Strides dilations;
  ov::op::PadType auto_pad = ov::op::PadType::EXPLICIT;
  ov::CoordinateDiff pads_begin;
  ov::CoordinateDiff pads_end;
};

// The spatial entries (positions 1..n-2 channels-last, 2..n-1 channels-first) of a full vector.
std::vector<int64_t> Spatial(const NodeContext& node, const std::vector<int64_t>& full,
                             const Window& window, const char* what) {
  if (full.size() != window.rank) {
    Invalid(node.get_op_type() + " expects " + std::to_string(window.rank) + " values in " + what +
            ", got " + std::to_string(full.size()));
  }
  const size_t first = window.channels_last ? 1 : 2;
  return std::vector<int64_t>(full.begin() + first, full.begin() + first + window.rank - 2);
}

ov::Strides ToStrides(const std::vector<int64_t>& values) {
  return ov::Strides(values.begin(), values.end());
}

Window ReadWindow(const NodeContext& node, size_t rank, bool backprop, bool dilated) {
  Window window;
  window.rank = rank;
  const auto format = node.get_attribute<std::string>("data_format", rank == 5 ? "NDHWC" : "NHWC");
  window.channels_last = format == "NHWC" || format == "NDHWC";
  window.strides = ToStrides(
      Spatial(node, node.get_attribute<std::vector<int64_t>>("strides"), window, "strides"));
  if (dilated) {
    // Required like the strides: a decoder that cannot give them (a failed read, a value it
    // refused) must not turn into dilations of 1.
    window.dilations = ToStrides(
        Spatial(node, node.get_attribute<std::vector<int64_t>>("dilations"), window, "dilations"));
  }
  const auto padding = node.get_attribute<std::string>("padding");
  const size_t spatial = rank - 2;
  window.pads_begin.assign(spatial, 0);
  window.pads_end.assign(spatial, 0);
  if (padding == "VALID") {
    window.auto_pad = ov::op::PadType::VALID;
  } else if (padding == "SAME") {
    // The transposed convolution puts the odd padding unit at the end of its output.
    window.auto_pad = backprop ? ov::op::PadType::SAME_LOWER : ov::op::PadType::SAME_UPPER;
  } else if (padding == "EXPLICIT") {
    const auto pads = node.get_attribute<std::vector<int64_t>>("explicit_paddings", {});
    if (pads.size() != 2 * rank) {
      Invalid(node.get_op_type() + " with EXPLICIT padding needs " + std::to_string(2 * rank) +
              " explicit_paddings values");
    }
    const size_t first = window.channels_last ? 1 : 2;
    for (size_t i = 0; i < spatial; ++i) {
      window.pads_begin[i] = pads[2 * (first + i)];
      window.pads_end[i] = pads[2 * (first + i) + 1];
    }
  } else {
    Invalid(node.get_op_type() + " has unsupported padding '" + padding +
            "'; expected SAME, VALID or EXPLICIT");
  }
  return window;
}

Output<ov::Node> ToFirst(const Window& w, const Output<ov::Node>& x) {
  return w.channels_last ? to_channels_first(x, w.rank) : x;
}

Output<ov::Node> ToLast(const Window& w, const Output<ov::Node>& x) {
  return w.channels_last ? to_channels_last(x, w.rank) : x;
}

// The bias of a 3-input op, added to out.
Output<ov::Node> WithBias(const NodeContext& node, const Output<ov::Node>& out, size_t index) {
  if (node.get_input_size() <= index) return out;
  return std::make_shared<ov::op::v1::Add>(out, node.get_input(static_cast<int>(index)));
}

// Convolution of channels-first data with an [O, I, k...] filter; grouped when the input has a
// multiple of the filter's input channels.
Output<ov::Node> Convolve(const Output<ov::Node>& data, const Output<ov::Node>& filter,
                          const Window& w) {
  const auto& data_shape = data.get_partial_shape();
  const auto& filter_shape = filter.get_partial_shape();
  if (data_shape.rank().is_static() && filter_shape.is_static() && data_shape[1].is_static()) {
    const int64_t c_in = data_shape[1].get_length();
    const auto f = filter_shape.to_shape();
    const int64_t c_filter = static_cast<int64_t>(f[1]);
    if (c_filter > 0 && c_in % c_filter == 0 && c_in / c_filter > 1) {
      const int64_t groups = c_in / c_filter;
      std::vector<int64_t> grouped{groups, static_cast<int64_t>(f[0]) / groups, c_filter};
      for (size_t i = 2; i < f.size(); ++i) grouped.push_back(static_cast<int64_t>(f[i]));
      auto reshaped = std::make_shared<ov::op::v1::Reshape>(filter, i64_const(grouped), false);
      return std::make_shared<ov::op::v1::GroupConvolution>(data, reshaped, w.strides, w.pads_begin,
                                                            w.pads_end, w.dilations, w.auto_pad);
    }
  }
  return std::make_shared<ov::op::v1::Convolution>(data, filter, w.strides, w.pads_begin,
                                                   w.pads_end, w.dilations, w.auto_pad);
}

ov::OutputVector Conv2D(const NodeContext& node) {
  const auto w = ReadWindow(node, 4, false, true);
  // OHWI -> HWIO -> OIHW.
  const auto hwio = transpose(node.get_input(1), {1, 2, 3, 0});
  const auto filter = transpose(hwio, {3, 2, 0, 1});
  auto out = ToLast(w, Convolve(ToFirst(w, node.get_input(0)), filter, w));
  out = WithBias(node, out, 2);
  return named(node, get_activation(out, node, "activation"));
}

ov::OutputVector Conv3D(const NodeContext& node) {
  const auto w = ReadWindow(node, 5, false, true);
  // DHWIO -> OIDHW.
  const auto filter = transpose(node.get_input(1), {4, 3, 0, 1, 2});
  auto out = ToLast(w, Convolve(ToFirst(w, node.get_input(0)), filter, w));
  out = WithBias(node, out, 2);
  return named(node, get_activation(out, node, "activation"));
}

ov::OutputVector DepthwiseConv2D(const NodeContext& node) {
  const auto w = ReadWindow(node, 4, false, true);
  if (w.auto_pad == ov::op::PadType::EXPLICIT) {
    Invalid("DEPTHWISE_CONV_2D does not support EXPLICIT padding");
  }
  const int64_t multiplier = node.get_attribute<int32_t>("group");
  // [1, H, W, C*M] -> [H, W, C*M, 1] -> [H, W, C, M] -> [H, W, C, 1, M] -> [C, M, 1, H, W].
  const auto hwcm = std::make_shared<ov::op::v1::Reshape>(
      transpose(node.get_input(1), {1, 2, 3, 0}), i64_const({0, 0, -1, multiplier}), true);
  const auto expanded = std::make_shared<ov::op::v0::Unsqueeze>(hwcm, i64_scalar(3));
  const auto filter = transpose(expanded, {2, 4, 3, 0, 1});
  Output<ov::Node> out = std::make_shared<ov::op::v1::GroupConvolution>(
      ToFirst(w, node.get_input(0)), filter, w.strides, ov::CoordinateDiff{}, ov::CoordinateDiff{},
      w.dilations, w.auto_pad);
  out = WithBias(node, ToLast(w, out), 2);
  return named(node, get_activation(out, node, "activation"));
}

// Inputs: output shape (NHWC), weights OHWI, data NHWC and an optional bias.
ov::OutputVector TransposeConv(const NodeContext& node) {
  default_op_checks(node, 3, {"TRANSPOSE_CONV"});
  const auto w = ReadWindow(node, 4, true, true);
  // OHWI -> HWOI -> [I, O, H, W].
  const auto hwoi = transpose(node.get_input(1), {1, 2, 0, 3});
  const auto filter = transpose(hwoi, {3, 2, 0, 1});
  const size_t first = w.channels_last ? 1 : 2;
  const auto spatial = std::make_shared<ov::op::v1::StridedSlice>(
      node.get_input(0), i64_const({static_cast<int64_t>(first)}),
      i64_const({static_cast<int64_t>(first + 2)}), i64_const({1}), std::vector<int64_t>{0},
      std::vector<int64_t>{0});
  Output<ov::Node> out = std::make_shared<ov::op::v1::ConvolutionBackpropData>(
      ToFirst(w, node.get_input(2)), filter, spatial, w.strides, ov::CoordinateDiff{},
      ov::CoordinateDiff{}, w.dilations, w.auto_pad);
  // The bias and the fused activation are part of the result (the toolkit's translator builds
  // the bias Add and then returns the output without it).
  out = WithBias(node, ToLast(w, out), 3);
  return named(node,
               get_activation(out, node, node.get_attribute<std::string>("activation", "NONE")));
}

struct Pool {
  Window window;
  ov::Shape kernel;
};

Pool ReadPool(const NodeContext& node) {
  Pool pool{ReadWindow(node, 4, false, false), {}};
  if (pool.window.auto_pad == ov::op::PadType::EXPLICIT) {
    Invalid(node.get_op_type() + " supports only VALID and SAME padding");
  }
  const auto ksize =
      Spatial(node, node.get_attribute<std::vector<int64_t>>("ksize"), pool.window, "ksize");
  pool.kernel.assign(ksize.begin(), ksize.end());
  return pool;
}

ov::OutputVector AveragePool2D(const NodeContext& node) {
  const auto p = ReadPool(node);
  auto pooled = std::make_shared<ov::op::v1::AvgPool>(
      ToFirst(p.window, node.get_input(0)), p.window.strides, ov::Shape{}, ov::Shape{}, p.kernel,
      true, ov::op::RoundingType::FLOOR, p.window.auto_pad);
  return named(node, get_activation(ToLast(p.window, pooled), node, "activation"));
}

ov::OutputVector MaxPool2D(const NodeContext& node) {
  const auto p = ReadPool(node);
  auto pooled = std::make_shared<ov::op::v8::MaxPool>(
      ToFirst(p.window, node.get_input(0)), p.window.strides, ov::Strides{1, 1}, ov::Shape{},
      ov::Shape{}, p.kernel, ov::op::RoundingType::FLOOR, p.window.auto_pad, ov::element::i64, 0);
  return named(node, get_activation(ToLast(p.window, pooled->output(0)), node, "activation"));
}

ov::OutputVector DepthToSpace(const NodeContext& node) {
  const auto block = node.get_attribute<int64_t>("block_size");
  const bool channels_last = node.get_attribute<std::string>("data_format", "NHWC") == "NHWC";
  auto x = node.get_input(0);
  if (channels_last) x = to_channels_first(x);
  Output<ov::Node> out = std::make_shared<ov::op::v0::DepthToSpace>(
      x, ov::op::v0::DepthToSpace::DepthToSpaceMode::BLOCKS_FIRST, static_cast<size_t>(block));
  if (channels_last) out = to_channels_last(out);
  return named(node, out);
}

ov::OutputVector L2Normalization(const NodeContext& node) {
  const auto axes = std::make_shared<ov::op::v0::Constant>(ov::element::i32, ov::Shape{},
                                                           std::vector<int32_t>{-1});
  return named(node, std::make_shared<ov::op::v0::NormalizeL2>(node.get_input(0), axes, 1e-6f,
                                                               ov::op::EpsMode::MAX));
}

const TranslatorRegistration conv_registration{
    {"CONV_2D", DQ(Conv2D)},
    {"CONV_3D", DQ(Conv3D)},
    {"DEPTHWISE_CONV_2D", DQ(DepthwiseConv2D)},
    {"TRANSPOSE_CONV", DQ(TransposeConv)},
    {"AVERAGE_POOL_2D", DQ(AveragePool2D)},
    {"MAX_POOL_2D", DQ(MaxPool2D)},
    {"DEPTH_TO_SPACE", DQ(DepthToSpace)},
    {"L2_NORMALIZATION", DQ(L2Normalization)},
};

}  // namespace
}  // namespace op
}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
