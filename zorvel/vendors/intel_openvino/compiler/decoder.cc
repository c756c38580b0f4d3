#include "zorvel/vendors/intel_openvino/compiler/decoder.h"

#include <array>
#include <utility>

#include "absl/strings/str_cat.h"
#include "flatbuffers/flexbuffers.h"
#include "zorvel/cc/internal/zorvel_detail.h"
#include "zorvel/compiler/cc/zorvel_op_options.h"

namespace zorvel::openvino {
namespace {

using ov::frontend::tensorflow_lite::TensorMetaInfo;

// Status of every failed attribute read.
constexpr ZorvelStatus kAttributeReadFailed = kZorvelStatusErrorNotFound;

// Epsilon of a composite whose attributes do not carry one.
constexpr double kDefaultCompositeEpsilon = 1e-6;

struct OpTypeEntry {
  int32_t code;
  const char* name;
};

constexpr OpTypeEntry kOpTypes[] = {
    {0, "ADD"},
    {1, "AVERAGE_POOL_2D"},
    {2, "CONCATENATION"},
    {3, "CONV_2D"},
    {4, "DEPTHWISE_CONV_2D"},
    {5, "DEPTH_TO_SPACE"},
    {6, "DEQUANTIZE"},
    {7, "EMBEDDING_LOOKUP"},
    {8, "FLOOR"},
    {9, "FULLY_CONNECTED"},
    {10, "HASHTABLE_LOOKUP"},
    {11, "L2_NORMALIZATION"},
    {12, "L2_POOL_2D"},
    {13, "LOCAL_RESPONSE_NORMALIZATION"},
    {14, "LOGISTIC"},
    {15, "LSH_PROJECTION"},
    {16, "LSTM"},
    {17, "MAX_POOL_2D"},
    {18, "MUL"},
    {19, "RELU"},
    {20, "RELU_N1_TO_1"},
    {21, "RELU6"},
    {22, "RESHAPE"},
    {23, "RESIZE_BILINEAR"},
    {24, "RNN"},
    {25, "SOFTMAX"},
    {26, "SPACE_TO_DEPTH"},
    {27, "SVDF"},
    {28, "TANH"},
    {29, "CONCAT_EMBEDDINGS"},
    {30, "SKIP_GRAM"},
    {31, "CALL"},
    {32, "CUSTOM"},
    {33, "EMBEDDING_LOOKUP_SPARSE"},
    {34, "PAD"},
    {35, "UNIDIRECTIONAL_SEQUENCE_RNN"},
    {36, "GATHER"},
    {37, "BATCH_TO_SPACE_ND"},
    {38, "SPACE_TO_BATCH_ND"},
    {39, "TRANSPOSE"},
    {40, "MEAN"},
    {41, "SUB"},
    {42, "DIV"},
    {43, "SQUEEZE"},
    {44, "UNIDIRECTIONAL_SEQUENCE_LSTM"},
    {45, "STRIDED_SLICE"},
    {46, "BIDIRECTIONAL_SEQUENCE_RNN"},
    {47, "EXP"},
    {48, "TOPK_V2"},
    {49, "SPLIT"},
    {50, "LOG_SOFTMAX"},
    {51, "DELEGATE"},
    {52, "BIDIRECTIONAL_SEQUENCE_LSTM"},
    {53, "CAST"},
    {54, "PRELU"},
    {55, "MAXIMUM"},
    {56, "ARG_MAX"},
    {57, "MINIMUM"},
    {58, "LESS"},
    {59, "NEG"},
    {60, "PADV2"},
    {61, "GREATER"},
    {62, "GREATER_EQUAL"},
    {63, "LESS_EQUAL"},
    {64, "SELECT"},
    {65, "SLICE"},
    {66, "SIN"},
    {67, "TRANSPOSE_CONV"},
    {68, "SPARSE_TO_DENSE"},
    {69, "TILE"},
    {70, "EXPAND_DIMS"},
    {71, "EQUAL"},
    {72, "NOT_EQUAL"},
    {73, "LOG"},
    {74, "SUM"},
    {75, "SQRT"},
    {76, "RSQRT"},
    {77, "SHAPE"},
    {78, "POW"},
    {79, "ARG_MIN"},
    {80, "FAKE_QUANT"},
    {81, "REDUCE_PROD"},
    {82, "REDUCE_MAX"},
    {83, "PACK"},
    {84, "LOGICAL_OR"},
    {85, "ONE_HOT"},
    {86, "LOGICAL_AND"},
    {87, "LOGICAL_NOT"},
    {88, "UNPACK"},
    {89, "REDUCE_MIN"},
    {90, "FLOOR_DIV"},
    {91, "REDUCE_ANY"},
    {92, "SQUARE"},
    {93, "ZEROS_LIKE"},
    {94, "FILL"},
    {95, "FLOOR_MOD"},
    {96, "RANGE"},
    {97, "RESIZE_NEAREST_NEIGHBOR"},
    {98, "LEAKY_RELU"},
    {99, "SQUARED_DIFFERENCE"},
    {100, "MIRROR_PAD"},
    {101, "ABS"},
    {102, "SPLIT_V"},
    {103, "UNIQUE"},
    {104, "CEIL"},
    {105, "REVERSE_V2"},
    {106, "ADD_N"},
    {107, "GATHER_ND"},
    {108, "COS"},
    {109, "WHERE"},
    {110, "RANK"},
    {111, "ELU"},
    {112, "REVERSE_SEQUENCE"},
    {113, "MATRIX_DIAG"},
    {114, "QUANTIZE"},
    {115, "MATRIX_SET_DIAG"},
    {116, "ROUND"},
    {117, "HARD_SWISH"},
    {118, "IF"},
    {119, "WHILE"},
    {120, "NON_MAX_SUPPRESSION_V4"},
    {121, "NON_MAX_SUPPRESSION_V5"},
    {122, "SCATTER_ND"},
    {123, "SELECT_V2"},
    {124, "DENSIFY"},
    {125, "SEGMENT_SUM"},
    {126, "BATCH_MATMUL"},
    {127, "PLACEHOLDER_FOR_GREATER_OP_CODES"},
    {128, "CUMSUM"},
    {129, "CALL_ONCE"},
    {130, "BROADCAST_TO"},
    {131, "RFFT2D"},
    {132, "CONV_3D"},
    {133, "IMAG"},
    {134, "REAL"},
    {135, "COMPLEX_ABS"},
    {136, "HASHTABLE"},
    {137, "HASHTABLE_FIND"},
    {138, "HASHTABLE_IMPORT"},
    {139, "HASHTABLE_SIZE"},
    {140, "REDUCE_ALL"},
    {141, "CONV_3D_TRANSPOSE"},
    {142, "VAR_HANDLE"},
    {143, "READ_VARIABLE"},
    {144, "ASSIGN_VARIABLE"},
    {145, "BROADCAST_ARGS"},
    {146, "RANDOM_STANDARD_NORMAL"},
    {147, "BUCKETIZE"},
    {148, "RANDOM_UNIFORM"},
    {149, "MULTINOMIAL"},
    {150, "GELU"},
    {151, "DYNAMIC_UPDATE_SLICE"},
    {152, "RELU_0_TO_1"},
    {153, "UNSORTED_SEGMENT_PROD"},
    {154, "UNSORTED_SEGMENT_MAX"},
    {155, "UNSORTED_SEGMENT_SUM"},
    {156, "ATAN2"},
    {157, "UNSORTED_SEGMENT_MIN"},
    {158, "SIGN"},
    {206, "STABLEHLO_COMPOSITE"},
};

// Fused activation names by the low byte of the host's enumeration.
constexpr std::array<const char*, 6> kActivations = {"NONE",  "RELU", "RELU_N1_TO_1",
                                                     "RELU6", "TANH", "SIGN_BIT"};

std::string ActivationText(uint32_t value) {
  const uint8_t low = static_cast<uint8_t>(value & 0xFFu);
  return low < kActivations.size() ? kActivations[low] : "";
}

std::string PaddingText(uint32_t value) {
  switch (static_cast<uint8_t>(value & 0xFFu)) {
    case 0:
      return "SAME";
    case 1:
      return "VALID";
    default:
      return "";
  }
}

}  // namespace

ZorvelElementType HostElementTypeCode(const Tensor& tensor) {
  if (Expected<ZorvelRankedTensorType> ranked = tensor.RankedTensorType()) {
    return ranked->element_type;
  }
  const Expected<ZorvelElementType> unranked = tensor.UnrankedElementType();
  if (!unranked) {
    // Neither read told the type; a made-up one would change the model.
    throw ZORVEL_FAILED_HOST_READ(tensor.Api(), get_unranked_tensor_type, unranked.Status(),
                                  "the element type of a tensor");
  }
  return *unranked;
}

ov::element::Type ToOvElementType(ZorvelElementType code) {
  switch (code) {
    case kZorvelElementTypeFloat32:
      return ov::element::f32;
    case kZorvelElementTypeInt32:
      return ov::element::i32;
    case kZorvelElementTypeUInt8:
      return ov::element::u8;
    case kZorvelElementTypeInt64:
      return ov::element::i64;
    case kZorvelElementTypeBool:
      return ov::element::boolean;
    case kZorvelElementTypeInt16:
      return ov::element::i16;
    case kZorvelElementTypeInt8:
      return ov::element::i8;
    case kZorvelElementTypeFloat16:
      return ov::element::f16;
    case kZorvelElementTypeFloat64:
      return ov::element::f64;
    case kZorvelElementTypeUInt64:
      return ov::element::u64;
    case kZorvelElementTypeUInt32:
      return ov::element::u32;
    case kZorvelElementTypeUInt16:
      return ov::element::u16;
    case kZorvelElementTypeInt4:
      return ov::element::i4;
    case kZorvelElementTypeBFloat16:
      return ov::element::bf16;
    case kZorvelElementTypeInt2:
      return ov::element::u2;
    case kZorvelElementTypeUInt4:
      return ov::element::u4;
    case kZorvelElementTypeFloat8E4M3:
      return ov::element::f8e4m3;
    case kZorvelElementTypeFloat8E5M2:
      return ov::element::f8e5m2;
    default:
      return ov::element::dynamic;
  }
}

std::string_view OpTypeName(ZorvelOpCode code) {
  for (const OpTypeEntry& entry : kOpTypes) {
    if (entry.code == code) return entry.name;
  }
  return {};
}

DecoderOperation::DecoderOperation(const HostApiTable* host_api, std::vector<TensorMetaInfo> inputs,
                                   std::vector<TensorMetaInfo> outputs, const Op& op,
                                   uint64_t position)
    : inputs_(std::move(inputs)),
      outputs_(std::move(outputs)),
      host_api_(host_api),
      op_(op.Get()),
      op_code_(static_cast<uint32_t>(Op(host_api, op.Get()).Code())) {
  const std::string_view type = OpTypeName(static_cast<ZorvelOpCode>(op_code_));
  if (type.empty()) {
    ZORVEL_LOG_WARNING("op_code(%d) not supported", static_cast<int32_t>(op_code_));
  }
  op_type_ = std::string(type);
  op_name_ = absl::StrCat(op_type_, "_id_", position);
  ZORVEL_LOG_VERBOSE("op_type(%s) op_name(%s)", op_type_.c_str(), op_name_.c_str());
}

ov::Any DecoderOperation::get_attribute(const std::string& name) const {
  ZORVEL_LOG_VERBOSE("get_attr %s for %s", name.c_str(), op_name_.c_str());
  Expected<ov::Any> value = ResolveAttribute(name);
  if (!value) {
    // An empty value would make the translator use its default (dilation 1, exact GELU) for an
    // attribute the host has: the translation fails instead, naming the op and the attribute.
    throw HostReadError(value.Status(),
                        absl::StrCat(value.GetError().Message(), " (attribute ", name, ")"));
  }
  return std::move(value).Value();
}

Expected<int32_t> DecoderOperation::ReadPositive(Expected<int32_t> (*read)(const Op&),
                                                 const char* what) const {
  ZORVEL_ASSIGN_OR_RETURN(const int32_t value, Read(read, what));
  // Window sizes, strides, dilations, multipliers and block sizes below 1 have no meaning; the
  // shapes inferred from them would be clipped or divided by zero.
  if (value < 1) {
    return MakeError(
        kZorvelStatusErrorInvalidArgument,
        absl::StrCat("Invalid ", what, " ", value, " for ", op_name_, ": it must be at least 1"));
  }
  return value;
}

template <typename T>
Expected<T> DecoderOperation::Read(Expected<T> (*read)(const Op&), const char* what) const {
  Expected<T> value = read(Op(host_api_, op_));
  if (!value) {
    return MakeError(kAttributeReadFailed, absl::StrCat("Failed to get ", what, " for ", op_name_));
  }
  return value;
}

Expected<ov::Any> DecoderOperation::Activation(Expected<uint32_t> (*read)(const Op&)) const {
  ZORVEL_ASSIGN_OR_RETURN(const uint32_t value, Read(read, "fused_activation"));
  return ov::Any(ActivationText(value));
}

Expected<ov::Any> DecoderOperation::Padding(Expected<uint32_t> (*read)(const Op&)) const {
  ZORVEL_ASSIGN_OR_RETURN(const uint32_t value, Read(read, "padding"));
  return ov::Any(PaddingText(value));
}

Expected<ov::Any> DecoderOperation::Window2d(Expected<int32_t> (*read_w)(const Op&),
                                             const char* what_w,
                                             Expected<int32_t> (*read_h)(const Op&),
                                             const char* what_h) const {
  ZORVEL_ASSIGN_OR_RETURN(const int32_t w, ReadPositive(read_w, what_w));
  ZORVEL_ASSIGN_OR_RETURN(const int32_t h, ReadPositive(read_h, what_h));
  return ov::Any(std::vector<int64_t>{1, h, w, 1});
}

Expected<ov::Any> DecoderOperation::Window3d(Expected<int32_t> (*read_d)(const Op&),
                                             const char* what_d,
                                             Expected<int32_t> (*read_w)(const Op&),
                                             const char* what_w,
                                             Expected<int32_t> (*read_h)(const Op&),
                                             const char* what_h) const {
  ZORVEL_ASSIGN_OR_RETURN(const int32_t d, ReadPositive(read_d, what_d));
  ZORVEL_ASSIGN_OR_RETURN(const int32_t w, ReadPositive(read_w, what_w));
  ZORVEL_ASSIGN_OR_RETURN(const int32_t h, ReadPositive(read_h, what_h));
  return ov::Any(std::vector<int64_t>{1, d, h, w, 1});
}

template <typename T>
Expected<ov::Any> DecoderOperation::Value(Expected<T> (*read)(const Op&), const char* what) const {
  ZORVEL_ASSIGN_OR_RETURN(T value, Read(read, what));
  return ov::Any(value);
}

Expected<ov::Any> DecoderOperation::NewShape() const {
  // The shared reader refuses a negative count and a null array with a positive count; either is
  // a failed read here, like a failing host call.
  ZORVEL_ASSIGN_OR_RETURN(const absl::Span<const int32_t> values,
                          Read(&compiler::GetReshapeNewShapeOption, "new_shape"));
  return ov::Any(std::vector<int64_t>(values.begin(), values.end()));
}

Expected<ov::Any> DecoderOperation::ArgMaxOutputType() const {
  // Read from the host rather than from the stored infos, as the host describes the op now.
  const std::vector<Tensor> outputs = Op(host_api_, op_).Outputs();
  if (outputs.empty()) {
    ZORVEL_LOG_ERROR("ArgMax op has no outputs");
    return ov::Any();
  }
  return ov::Any(ToOvElementType(HostElementTypeCode(outputs.front())));
}

Expected<ov::Any> DecoderOperation::CastDestinationType() const {
  if (outputs_.empty()) {
    ZORVEL_LOG_ERROR("Cast op has no outputs");
    return ov::Any();
  }
  return ov::Any(outputs_.front().m_element_type);
}

Expected<ov::Any> DecoderOperation::CompositeName() const {
  Expected<std::string_view> name = Op(host_api_, op_).CompositeName();
  if (!name) {
    return MakeError(kAttributeReadFailed,
                     absl::StrCat("Failed to get composite_op_name for ", op_name_));
  }
  return ov::Any(std::string(*name));
}

Expected<ov::Any> DecoderOperation::CompositeEpsilon() const {
  Expected<compiler::CompositeOptions> options = compiler::GetCompositeOptions(Op(host_api_, op_));
  if (!options) {
    return MakeError(kAttributeReadFailed,
                     absl::StrCat("Failed to get composite options for ", op_name_));
  }
  if (options->has_attributes) {
    const flexbuffers::Reference epsilon = options->attributes["epsilon"];
    if (!epsilon.IsNull()) return ov::Any(epsilon.AsDouble());
  }
  return ov::Any(kDefaultCompositeEpsilon);
}

ov::Any DecoderOperation::UnsupportedAttribute(const std::string& name) const {
  ZORVEL_LOG_ERROR("Unsupported attribute %s", name.c_str());
  return {};
}

Expected<ov::Any> DecoderOperation::ResolveAttribute(const std::string& name) const {
  using namespace compiler;  // NOLINT: the per-op option reads
  switch (static_cast<ZorvelOpCode>(op_code_)) {
    case kZorvelOpCodeAdd:
      if (name == "fused_activation_function") return Activation(&GetAddFusedActivationOption);
      break;
    case kZorvelOpCodeAveragePool2d:
      if (name == "strides") {
        return Window2d(&GetAveragePool2dStrideWOption, "stride_w", &GetAveragePool2dStrideHOption,
                        "stride_h");
      }
      if (name == "padding") return Padding(&GetAveragePool2dPaddingOption);
      if (name == "ksize") {
        return Window2d(&GetAveragePool2dFilterWidthOption, "filter_width",
                        &GetAveragePool2dFilterHeightOption, "filter_height");
      }
      if (name == "activation") return Activation(&GetAveragePool2dFusedActivationOption);
      if (name == "data_format") return ov::Any(std::string("NHWC"));
      break;
    case kZorvelOpCodeConcatenation:
      if (name == "axis") return Value(&GetConcatenationAxisOption, "axis");
      break;
    case kZorvelOpCodeConv2d:
      if (name == "strides") {
        return Window2d(&GetConv2dStrideWOption, "stride_w", &GetConv2dStrideHOption, "stride_h");
      }
      if (name == "padding") return Padding(&GetConv2dPaddingOption);
      if (name == "dilations") {
        return Window2d(&GetConv2dDilationWFactorOption, "dilation_w_factor",
                        &GetConv2dDilationHFactorOption, "dilation_h_factor");
      }
      if (name == "activation") return Activation(&GetConv2dFusedActivationOption);
      if (name == "data_format") return ov::Any(std::string("NHWC"));
      break;
    case kZorvelOpCodeDepthwiseConv2d:
      if (name == "strides") {
        return Window2d(&GetDepthwiseConv2dStrideWOption, "stride_w",
                        &GetDepthwiseConv2dStrideHOption, "stride_h");
      }
      if (name == "padding") return Padding(&GetDepthwiseConv2dPaddingOption);
      if (name == "dilations") {
        return Window2d(&GetDepthwiseConv2dDilationWFactorOption, "dilation_w_factor",
                        &GetDepthwiseConv2dDilationHFactorOption, "dilation_h_factor");
      }
      if (name == "activation") return Activation(&GetDepthwiseConv2dFusedActivationOption);
      if (name == "group") {
        ZORVEL_ASSIGN_OR_RETURN(const int32_t multiplier,
                                ReadPositive(&GetDepthwiseConv2dDepthMultiplierOption, "group"));
        return ov::Any(multiplier);
      }
      if (name == "data_format") return ov::Any(std::string("NHWC"));
      break;
    case kZorvelOpCodeDepthToSpace:
      if (name == "block_size") {
        ZORVEL_ASSIGN_OR_RETURN(const int32_t block,
                                ReadPositive(&GetDepthToSpaceBlockSizeOption, "block_size"));
        return ov::Any(block);
      }
      if (name == "data_format") return ov::Any(std::string("NHWC"));
      break;
    case kZorvelOpCodeFullyConnected:
      if (name == "weights_format") {
        ZORVEL_ASSIGN_OR_RETURN(const uint32_t format,
                                Read(&GetFullyConnectedWeightsFormatOption, "weights_format"));
        return ov::Any(static_cast<int8_t>(static_cast<uint8_t>(format & 0xFFu)));
      }
      if (name == "keep_num_dims") {
        return Value(&GetFullyConnectedKeepNumDimsOption, "keep_num_dims");
      }
      if (name == "fused_activation_function") {
        return Activation(&GetFullyConnectedFusedActivationOption);
      }
      break;
    case kZorvelOpCodeMaxPool2d:
      if (name == "strides") {
        return Window2d(&GetMaxPool2dStrideWOption, "stride_w", &GetMaxPool2dStrideHOption,
                        "stride_h");
      }
      if (name == "padding") return Padding(&GetMaxPool2dPaddingOption);
      if (name == "ksize") {
        return Window2d(&GetMaxPool2dFilterWidthOption, "filter_width",
                        &GetMaxPool2dFilterHeightOption, "filter_height");
      }
      if (name == "activation") return Activation(&GetMaxPool2dFusedActivationOption);
      if (name == "data_format") return ov::Any(std::string("NHWC"));
      break;
    case kZorvelOpCodeMul:
      if (name == "fused_activation_function") return Activation(&GetMulFusedActivationOption);
      break;
    case kZorvelOpCodeReshape:
      if (name == "new_shape") return NewShape();
      break;
    case kZorvelOpCodeResizeBilinear:
      if (name == "align_corners") {
        return Value(&GetResizeBilinearAlignCornersOption, "align_corners");
      }
      if (name == "half_pixel_centers") {
        return Value(&GetResizeBilinearHalfPixelCentersOption, "half_pixel_centers");
      }
      break;
    case kZorvelOpCodeSoftmax:
      if (name == "beta") return Value(&GetSoftmaxBetaOption, "beta");
      break;
    case kZorvelOpCodeGather:
      if (name == "axis") return Value(&GetGatherAxisOption, "axis");
      if (name == "batch_dims") return Value(&GetGatherBatchDimsOption, "batch_dims");
      break;
    case kZorvelOpCodeMean:
      if (name == "keep_dims") return Value(&GetMeanKeepDimsOption, "keep_dims");
      break;
    case kZorvelOpCodeSub:
      if (name == "fused_activation_function") return Activation(&GetSubFusedActivationOption);
      break;
    case kZorvelOpCodeDiv:
      if (name == "fused_activation_function") return Activation(&GetDivFusedActivationOption);
      break;
    case kZorvelOpCodeStridedSlice:
      if (name == "begin_mask") return Value(&GetStridedSliceBeginMaskOption, "begin_mask");
      if (name == "end_mask") return Value(&GetStridedSliceEndMaskOption, "end_mask");
      if (name == "shrink_axis_mask") {
        return Value(&GetStridedSliceShrinkAxisMaskOption, "shrink_axis_mask");
      }
      if (name == "ellipsis_mask") {
        return Value(&GetStridedSliceEllipsisMaskOption, "ellipsis_mask");
      }
      if (name == "new_axis_mask") {
        return Value(&GetStridedSliceNewAxisMaskOption, "new_axis_mask");
      }
      break;
    case kZorvelOpCodeTopkV2:
      if (name == "index_type") return ov::Any(ov::element::i32);
      if (name == "sorted") return ov::Any(true);
      break;
    case kZorvelOpCodeSplit:
      if (name == "num_split") {
        ZORVEL_ASSIGN_OR_RETURN(const int32_t num_split,
                                ReadPositive(&GetSplitNumSplitsOption, "num_split"));
        return ov::Any(static_cast<int64_t>(num_split));
      }
      break;
    case kZorvelOpCodeCast:
      if (name == "DstT") return CastDestinationType();
      break;
    case kZorvelOpCodeArgMax:
      if (name == "output_type") return ArgMaxOutputType();
      break;
    case kZorvelOpCodeTransposeConv:
      if (name == "strides") {
        return Window2d(&GetTransposeConvStrideWOption, "stride_w", &GetTransposeConvStrideHOption,
                        "stride_h");
      }
      if (name == "padding") return Padding(&GetTransposeConvPaddingOption);
      if (name == "dilations") return ov::Any(std::vector<int64_t>{1, 1, 1, 1});
      if (name == "activation") return Activation(&GetTransposeConvFusedActivationOption);
      if (name == "data_format") return ov::Any(std::string("NHWC"));
      break;
    case kZorvelOpCodeTile:
      // The translator takes everything from the operands.
      break;
    case kZorvelOpCodeSum:
      if (name == "keep_dims") return Value(&GetSumKeepDimsOption, "keep_dims");
      break;
    case kZorvelOpCodeReduceMax:
      if (name == "keep_dims") return Value(&GetReduceMaxKeepDimsOption, "keep_dims");
      break;
    case kZorvelOpCodePack:
      if (name == "axis") return Value(&GetPackAxisOption, "axis");
      break;
    case kZorvelOpCodeOneHot:
      if (name == "axis") return ov::Any(int32_t{-1});
      break;
    case kZorvelOpCodeUnpack:
      if (name == "axis") return Value(&GetUnpackAxisOption, "axis");
      if (name == "num") return Value(&GetUnpackNumOption, "num");
      break;
    case kZorvelOpCodeReduceAny:
      if (name == "keep_dims") return Value(&GetReduceAnyKeepDimsOption, "keep_dims");
      break;
    case kZorvelOpCodeResizeNearestNeighbor:
      if (name == "align_corners") {
        return Value(&GetResizeNearestNeighborAlignCornersOption, "align_corners");
      }
      if (name == "half_pixel_centers") {
        return Value(&GetResizeNearestNeighborHalfPixelCentersOption, "half_pixel_centers");
      }
      break;
    case kZorvelOpCodeLeakyRelu:
      if (name == "alpha") return Value(&GetLeakyReluAlphaOption, "alpha");
      break;
    case kZorvelOpCodeMirrorPad:
      if (name == "mode") return ov::Any(std::string("REFLECT"));
      break;
    case kZorvelOpCodeGatherNd:
      if (name == "batch_dims") return ov::Any(int32_t{0});
      break;
    case kZorvelOpCodeBatchMatmul:
      if (name == "adj_x") return Value(&GetBatchMatmulAdjXOption, "adj_x");
      if (name == "adj_y") return Value(&GetBatchMatmulAdjYOption, "adj_y");
      break;
    case kZorvelOpCodeCumsum:
      if (name == "exclusive") return Value(&GetCumsumExclusiveOption, "exclusive");
      if (name == "reverse") return Value(&GetCumsumReverseOption, "reverse");
      break;
    case kZorvelOpCodeConv3d:
      if (name == "strides") {
        return Window3d(&GetConv3dStrideDOption, "stride_d", &GetConv3dStrideWOption, "stride_w",
                        &GetConv3dStrideHOption, "stride_h");
      }
      if (name == "padding") return Padding(&GetConv3dPaddingOption);
      if (name == "dilations") {
        return Window3d(&GetConv3dDilationDFactorOption, "dilation_d_factor",
                        &GetConv3dDilationWFactorOption, "dilation_w_factor",
                        &GetConv3dDilationHFactorOption, "dilation_h_factor");
      }
      if (name == "activation") return Activation(&GetConv3dFusedActivationOption);
      if (name == "data_format") return ov::Any(std::string("NDHWC"));
      break;
    case kZorvelOpCodeReduceAll:
      if (name == "keep_dims") return Value(&GetReduceAllKeepDimsOption, "keep_dims");
      break;
    case kZorvelOpCodeGelu:
      if (name == "approximate") return Value(&GetGeluApproximateOption, "approximate");
      break;
    case kZorvelOpCodeStablehloComposite:
      if (name == "composite_name") return CompositeName();
      if (name == "epsilon") return CompositeEpsilon();
      break;
    default:
      ZORVEL_LOG_ERROR("Unsupported op type %s", op_type_.c_str());
      return ov::Any();
  }
  return UnsupportedAttribute(name);
}

}  // namespace zorvel::openvino
