#include "zorvel/host/host_op_options.h"

#include <algorithm>

namespace zorvel::host {
namespace {

// Defaults are what a model file that leaves the option out means: zero, false or empty, except
// dilation factors, which default to 1.
const std::vector<OpOptionEntry>& Entries() {
  static const auto* entries = new std::vector<OpOptionEntry>{
      {38, kZorvelOpCodeStridedSlice, OpOptionKind::kInt, "begin_mask", int32_t{0}},
      {39, kZorvelOpCodeStridedSlice, OpOptionKind::kInt, "end_mask", int32_t{0}},
      {40, kZorvelOpCodeStridedSlice, OpOptionKind::kInt, "shrink_axis_mask", int32_t{0}},
      {41, kZorvelOpCodeStridedSlice, OpOptionKind::kInt, "ellipsis_mask", int32_t{0}},
      {42, kZorvelOpCodeStridedSlice, OpOptionKind::kInt, "new_axis_mask", int32_t{0}},
      {44, kZorvelOpCodeSub, OpOptionKind::kActivation, "fused_activation", uint32_t{0}},
      {45, kZorvelOpCodeSum, OpOptionKind::kFlag, "keep_dims", false},
      {46, kZorvelOpCodeConv2d, OpOptionKind::kPadding, "padding", uint32_t{0}},
      {47, kZorvelOpCodeConv2d, OpOptionKind::kInt, "stride_w", int32_t{0}},
      {48, kZorvelOpCodeConv2d, OpOptionKind::kInt, "stride_h", int32_t{0}},
      {49, kZorvelOpCodeConv2d, OpOptionKind::kActivation, "fused_activation", uint32_t{0}},
      {50, kZorvelOpCodeConv2d, OpOptionKind::kInt, "dilation_w_factor", int32_t{1}},
      {51, kZorvelOpCodeConv2d, OpOptionKind::kInt, "dilation_h_factor", int32_t{1}},
      {52, kZorvelOpCodeDepthwiseConv2d, OpOptionKind::kPadding, "padding", uint32_t{0}},
      {53, kZorvelOpCodeDepthwiseConv2d, OpOptionKind::kInt, "stride_w", int32_t{0}},
      {54, kZorvelOpCodeDepthwiseConv2d, OpOptionKind::kInt, "stride_h", int32_t{0}},
      {55, kZorvelOpCodeDepthwiseConv2d, OpOptionKind::kInt, "depth_multiplier", int32_t{0}},
      {56, kZorvelOpCodeDepthwiseConv2d, OpOptionKind::kActivation, "fused_activation",
       uint32_t{0}},
      {57, kZorvelOpCodeDepthwiseConv2d, OpOptionKind::kInt, "dilation_w_factor", int32_t{1}},
      {58, kZorvelOpCodeDepthwiseConv2d, OpOptionKind::kInt, "dilation_h_factor", int32_t{1}},
      {59, kZorvelOpCodeTransposeConv, OpOptionKind::kPadding, "padding", uint32_t{0}},
      {60, kZorvelOpCodeTransposeConv, OpOptionKind::kInt, "stride_w", int32_t{0}},
      {61, kZorvelOpCodeTransposeConv, OpOptionKind::kInt, "stride_h", int32_t{0}},
      {62, kZorvelOpCodeTransposeConv, OpOptionKind::kActivation, "fused_activation", uint32_t{0}},
      {63, kZorvelOpCodeAdd, OpOptionKind::kActivation, "fused_activation", uint32_t{0}},
      {64, kZorvelOpCodeMul, OpOptionKind::kActivation, "fused_activation", uint32_t{0}},
      {65, kZorvelOpCodeDiv, OpOptionKind::kActivation, "fused_activation", uint32_t{0}},
      {66, kZorvelOpCodeFullyConnected, OpOptionKind::kActivation, "fused_activation", uint32_t{0}},
      {67, kZorvelOpCodeFullyConnected, OpOptionKind::kEnum, "weights_format", uint32_t{0}},
      {68, kZorvelOpCodeFullyConnected, OpOptionKind::kFlag, "keep_num_dims", false},
      {71, kZorvelOpCodeSoftmax, OpOptionKind::kReal, "beta", 0.0f},
      {72, kZorvelOpCodeConcatenation, OpOptionKind::kInt, "axis", int32_t{0}},
      {74, kZorvelOpCodeSplit, OpOptionKind::kInt, "num_splits", int32_t{0}},
      {75, kZorvelOpCodeMean, OpOptionKind::kFlag, "keep_dims", false},
      {76, kZorvelOpCodeReduceMax, OpOptionKind::kFlag, "keep_dims", false},
      {77, kZorvelOpCodeResizeBilinear, OpOptionKind::kFlag, "align_corners", false},
      {78, kZorvelOpCodeResizeBilinear, OpOptionKind::kFlag, "half_pixel_centers", false},
      {79, kZorvelOpCodeResizeNearestNeighbor, OpOptionKind::kFlag, "align_corners", false},
      {80, kZorvelOpCodeResizeNearestNeighbor, OpOptionKind::kFlag, "half_pixel_centers", false},
      {81, kZorvelOpCodeBatchMatmul, OpOptionKind::kFlag, "adj_x", false},
      {82, kZorvelOpCodeBatchMatmul, OpOptionKind::kFlag, "adj_y", false},
      {84, kZorvelOpCodeAveragePool2d, OpOptionKind::kPadding, "padding", uint32_t{0}},
      {85, kZorvelOpCodeAveragePool2d, OpOptionKind::kInt, "stride_w", int32_t{0}},
      {86, kZorvelOpCodeAveragePool2d, OpOptionKind::kInt, "stride_h", int32_t{0}},
      {87, kZorvelOpCodeAveragePool2d, OpOptionKind::kInt, "filter_width", int32_t{0}},
      {88, kZorvelOpCodeAveragePool2d, OpOptionKind::kInt, "filter_height", int32_t{0}},
      {89, kZorvelOpCodeAveragePool2d, OpOptionKind::kActivation, "fused_activation", uint32_t{0}},
      {90, kZorvelOpCodeMaxPool2d, OpOptionKind::kPadding, "padding", uint32_t{0}},
      {91, kZorvelOpCodeMaxPool2d, OpOptionKind::kInt, "stride_w", int32_t{0}},
      {92, kZorvelOpCodeMaxPool2d, OpOptionKind::kInt, "stride_h", int32_t{0}},
      {93, kZorvelOpCodeMaxPool2d, OpOptionKind::kInt, "filter_width", int32_t{0}},
      {94, kZorvelOpCodeMaxPool2d, OpOptionKind::kInt, "filter_height", int32_t{0}},
      {95, kZorvelOpCodeMaxPool2d, OpOptionKind::kActivation, "fused_activation", uint32_t{0}},
      {96, kZorvelOpCodeLeakyRelu, OpOptionKind::kReal, "alpha", 0.0f},
      {97, kZorvelOpCodeReshape, OpOptionKind::kIntVector, "new_shape", std::vector<int32_t>{}},
      {99, kZorvelOpCodeReduceAny, OpOptionKind::kFlag, "keep_dims", false},
      {100, kZorvelOpCodeReduceAll, OpOptionKind::kFlag, "keep_dims", false},
      {101, kZorvelOpCodePack, OpOptionKind::kInt, "axis", int32_t{0}},
      {104, kZorvelOpCodeUnpack, OpOptionKind::kInt, "axis", int32_t{0}},
      {105, kZorvelOpCodeUnpack, OpOptionKind::kInt, "num", int32_t{0}},
      {106, kZorvelOpCodeGather, OpOptionKind::kInt, "axis", int32_t{0}},
      {107, kZorvelOpCodeGather, OpOptionKind::kInt, "batch_dims", int32_t{0}},
      {108, kZorvelOpCodeConv3d, OpOptionKind::kPadding, "padding", uint32_t{0}},
      {109, kZorvelOpCodeConv3d, OpOptionKind::kInt, "stride_d", int32_t{0}},
      {110, kZorvelOpCodeConv3d, OpOptionKind::kInt, "stride_w", int32_t{0}},
      {111, kZorvelOpCodeConv3d, OpOptionKind::kInt, "stride_h", int32_t{0}},
      {112, kZorvelOpCodeConv3d, OpOptionKind::kActivation, "fused_activation", uint32_t{0}},
      {113, kZorvelOpCodeConv3d, OpOptionKind::kInt, "dilation_d_factor", int32_t{1}},
      {114, kZorvelOpCodeConv3d, OpOptionKind::kInt, "dilation_w_factor", int32_t{1}},
      {115, kZorvelOpCodeConv3d, OpOptionKind::kInt, "dilation_h_factor", int32_t{1}},
      {122, kZorvelOpCodeDepthToSpace, OpOptionKind::kInt, "block_size", int32_t{0}},
      {124, kZorvelOpCodeCumsum, OpOptionKind::kFlag, "exclusive", false},
      {125, kZorvelOpCodeCumsum, OpOptionKind::kFlag, "reverse", false},
      {126, kZorvelOpCodeGelu, OpOptionKind::kFlag, "approximate", false},
  };
  return *entries;
}

}  // namespace

absl::Span<const OpOptionEntry> OpOptionEntries() { return Entries(); }

const OpOptionEntry* FindOpOptionEntry(int entry) {
  const auto& entries = Entries();
  auto it = std::lower_bound(entries.begin(), entries.end(), entry,
                             [](const OpOptionEntry& e, int k) { return e.entry < k; });
  return it != entries.end() && it->entry == entry ? &*it : nullptr;
}

const OpOptionEntry* FindOpOptionEntry(ZorvelOpCode op_code, const std::string& name) {
  for (const OpOptionEntry& e : Entries()) {
    if (e.op_code == op_code && name == e.name) return &e;
  }
  return nullptr;
}

bool NormalizeOpOptionValue(OpOptionKind kind, OpOptionValue& value) {
  switch (kind) {
    case OpOptionKind::kActivation:
    case OpOptionKind::kPadding:
    case OpOptionKind::kEnum:
      if (const auto* i = std::get_if<int32_t>(&value)) {
        if (*i < 0) return false;
        value = static_cast<uint32_t>(*i);
      }
      return std::holds_alternative<uint32_t>(value);
    case OpOptionKind::kInt:
      return std::holds_alternative<int32_t>(value);
    case OpOptionKind::kFlag:
      return std::holds_alternative<bool>(value);
    case OpOptionKind::kReal:
      return std::holds_alternative<float>(value);
    case OpOptionKind::kIntVector:
      return std::holds_alternative<std::vector<int32_t>>(value);
  }
  return false;
}

}  // namespace zorvel::host
