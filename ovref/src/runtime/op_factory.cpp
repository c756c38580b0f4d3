// Creates an operation from its type name and opset, for import. Every operation class ovref
// declares is listed here once; a header that does not exist yet, or does not declare the class,
// is skipped at compile time, and so is one no source implements yet (op_factory.cmake), so
// operations are picked up as soon as they land.
#include "op_factory.hpp"

#include <functional>
#include <map>
#include <type_traits>
#include <utility>

// Declared first so that the list below names every class whether or not it exists.
namespace ov {
namespace op {
namespace v0 {
class Abs;
class Ceiling;
class Clamp;
class Concat;
class Constant;
class Convert;
class Cos;
class CumSum;
class DepthToSpace;
class Elu;
class Erf;
class Exp;
class FakeQuantize;
class Floor;
class Gelu;
class Interpolate;
class Log;
class MatMul;
class Negative;
class NormalizeL2;
class PRelu;
class Parameter;
class Range;
class Relu;
class Result;
class ReverseSequence;
class ShapeOf;
class Sigmoid;
class Sign;
class Sin;
class SpaceToDepth;
class Sqrt;
class SquaredDifference;
class Squeeze;
class Tanh;
class Tile;
class Unsqueeze;
}  // namespace v0
namespace v1 {
class Add;
class AvgPool;
class BatchToSpace;
class Broadcast;
class ConvertLike;
class Convolution;
class ConvolutionBackpropData;
class Divide;
class Equal;
class FloorMod;
class Gather;
class Greater;
class GreaterEqual;
class GroupConvolution;
class GroupConvolutionBackpropData;
class Less;
class LessEqual;
class LogicalAnd;
class LogicalNot;
class LogicalOr;
class LogicalXor;
class MaxPool;
class Maximum;
class Minimum;
class Mod;
class Multiply;
class NotEqual;
class OneHot;
class Pad;
class Power;
class ReduceLogicalAnd;
class ReduceLogicalOr;
class ReduceMax;
class ReduceMean;
class ReduceMin;
class ReduceProd;
class ReduceSum;
class Reshape;
class Reverse;
class Select;
class Softmax;
class SpaceToBatch;
class Split;
class StridedSlice;
class Subtract;
class TopK;
class Transpose;
class VariadicSplit;
}  // namespace v1
namespace v3 {
class Broadcast;
class ScatterElementsUpdate;
class ScatterNDUpdate;
class ShapeOf;
class TopK;
}  // namespace v3
namespace v4 {
class HSwish;
class Interpolate;
class Range;
class Swish;
}  // namespace v4
namespace v5 {
class GatherND;
class Round;
}  // namespace v5
namespace v7 {
class Gather;
class Gelu;
}  // namespace v7
namespace v8 {
class Gather;
class GatherND;
class If;
class MaxPool;
class Slice;
class Softmax;
}  // namespace v8
namespace v11 {
class Interpolate;
class TopK;
}  // namespace v11
namespace v12 {
class Pad;
class ScatterElementsUpdate;
}  // namespace v12
namespace v13 {
class ScaledDotProductAttention;
}  // namespace v13
namespace v14 {
class AvgPool;
class MaxPool;
}  // namespace v14
namespace v15 {
class ScatterNDUpdate;
class Squeeze;
}  // namespace v15
namespace v16 {
class OneHot;
}  // namespace v16
}  // namespace op
}  // namespace ov

#if __has_include("openvino/op/constant.hpp") && defined(OVREF_IMPLEMENTED_constant)
#include "openvino/op/constant.hpp"
#endif
#if __has_include("openvino/op/parameter.hpp") && defined(OVREF_IMPLEMENTED_parameter)
#include "openvino/op/parameter.hpp"
#endif
#if __has_include("openvino/op/result.hpp") && defined(OVREF_IMPLEMENTED_result)
#include "openvino/op/result.hpp"
#endif
#if __has_include("openvino/op/add.hpp") && defined(OVREF_IMPLEMENTED_add)
#include "openvino/op/add.hpp"
#endif
#if __has_include("openvino/op/subtract.hpp") && defined(OVREF_IMPLEMENTED_subtract)
#include "openvino/op/subtract.hpp"
#endif
#if __has_include("openvino/op/multiply.hpp") && defined(OVREF_IMPLEMENTED_multiply)
#include "openvino/op/multiply.hpp"
#endif
#if __has_include("openvino/op/divide.hpp") && defined(OVREF_IMPLEMENTED_divide)
#include "openvino/op/divide.hpp"
#endif
#if __has_include("openvino/op/power.hpp") && defined(OVREF_IMPLEMENTED_power)
#include "openvino/op/power.hpp"
#endif
#if __has_include("openvino/op/equal.hpp") && defined(OVREF_IMPLEMENTED_equal)
#include "openvino/op/equal.hpp"
#endif
#if __has_include("openvino/op/select.hpp") && defined(OVREF_IMPLEMENTED_select)
#include "openvino/op/select.hpp"
#endif
#if __has_include("openvino/op/sign.hpp") && defined(OVREF_IMPLEMENTED_sign)
#include "openvino/op/sign.hpp"
#endif
#if __has_include("openvino/op/sqrt.hpp") && defined(OVREF_IMPLEMENTED_sqrt)
#include "openvino/op/sqrt.hpp"
#endif
#if __has_include("openvino/op/relu.hpp") && defined(OVREF_IMPLEMENTED_relu)
#include "openvino/op/relu.hpp"
#endif
#if __has_include("openvino/op/floor.hpp") && defined(OVREF_IMPLEMENTED_floor)
#include "openvino/op/floor.hpp"
#endif
#if __has_include("openvino/op/gelu.hpp") && defined(OVREF_IMPLEMENTED_gelu)
#include "openvino/op/gelu.hpp"
#endif
#if __has_include("openvino/op/convert.hpp") && defined(OVREF_IMPLEMENTED_convert)
#include "openvino/op/convert.hpp"
#endif
#if __has_include("openvino/op/reshape.hpp") && defined(OVREF_IMPLEMENTED_reshape)
#include "openvino/op/reshape.hpp"
#endif
#if __has_include("openvino/op/squeeze.hpp") && defined(OVREF_IMPLEMENTED_squeeze)
#include "openvino/op/squeeze.hpp"
#endif
#if __has_include("openvino/op/unsqueeze.hpp") && defined(OVREF_IMPLEMENTED_unsqueeze)
#include "openvino/op/unsqueeze.hpp"
#endif
#if __has_include("openvino/op/transpose.hpp") && defined(OVREF_IMPLEMENTED_transpose)
#include "openvino/op/transpose.hpp"
#endif
#if __has_include("openvino/op/concat.hpp") && defined(OVREF_IMPLEMENTED_concat)
#include "openvino/op/concat.hpp"
#endif
#if __has_include("openvino/op/shape_of.hpp") && defined(OVREF_IMPLEMENTED_shape_of)
#include "openvino/op/shape_of.hpp"
#endif
#if __has_include("openvino/op/tile.hpp") && defined(OVREF_IMPLEMENTED_tile)
#include "openvino/op/tile.hpp"
#endif
#if __has_include("openvino/op/broadcast.hpp") && defined(OVREF_IMPLEMENTED_broadcast)
#include "openvino/op/broadcast.hpp"
#endif
#if __has_include("openvino/op/strided_slice.hpp") && defined(OVREF_IMPLEMENTED_strided_slice)
#include "openvino/op/strided_slice.hpp"
#endif
#if __has_include("openvino/op/slice.hpp") && defined(OVREF_IMPLEMENTED_slice)
#include "openvino/op/slice.hpp"
#endif
#if __has_include("openvino/op/pad.hpp") && defined(OVREF_IMPLEMENTED_pad)
#include "openvino/op/pad.hpp"
#endif
#if __has_include("openvino/op/gather.hpp") && defined(OVREF_IMPLEMENTED_gather)
#include "openvino/op/gather.hpp"
#endif
#if __has_include("openvino/op/scatter_elements_update.hpp") && \
                  defined(OVREF_IMPLEMENTED_scatter_elements_update)
#include "openvino/op/scatter_elements_update.hpp"
#endif
#if __has_include("openvino/op/reduce_sum.hpp") && defined(OVREF_IMPLEMENTED_reduce_sum)
#include "openvino/op/reduce_sum.hpp"
#endif
#if __has_include("openvino/op/reduce_mean.hpp") && defined(OVREF_IMPLEMENTED_reduce_mean)
#include "openvino/op/reduce_mean.hpp"
#endif
#if __has_include("openvino/op/reduce_max.hpp") && defined(OVREF_IMPLEMENTED_reduce_max)
#include "openvino/op/reduce_max.hpp"
#endif
#if __has_include("openvino/op/reduce_min.hpp") && defined(OVREF_IMPLEMENTED_reduce_min)
#include "openvino/op/reduce_min.hpp"
#endif
#if __has_include("openvino/op/reduce_prod.hpp") && defined(OVREF_IMPLEMENTED_reduce_prod)
#include "openvino/op/reduce_prod.hpp"
#endif
#if __has_include("openvino/op/softmax.hpp") && defined(OVREF_IMPLEMENTED_softmax)
#include "openvino/op/softmax.hpp"
#endif
#if __has_include("openvino/op/topk.hpp") && defined(OVREF_IMPLEMENTED_topk)
#include "openvino/op/topk.hpp"
#endif
#if __has_include("openvino/op/scaled_dot_product_attention.hpp") && \
                  defined(OVREF_IMPLEMENTED_scaled_dot_product_attention)
#include "openvino/op/scaled_dot_product_attention.hpp"
#endif
#if __has_include("openvino/op/matmul.hpp") && defined(OVREF_IMPLEMENTED_matmul)
#include "openvino/op/matmul.hpp"
#endif
#if __has_include("openvino/op/fake_quantize.hpp") && defined(OVREF_IMPLEMENTED_fake_quantize)
#include "openvino/op/fake_quantize.hpp"
#endif
#if __has_include("openvino/op/convolution.hpp") && defined(OVREF_IMPLEMENTED_convolution)
#include "openvino/op/convolution.hpp"
#endif
#if __has_include("openvino/op/group_conv.hpp") && defined(OVREF_IMPLEMENTED_group_conv)
#include "openvino/op/group_conv.hpp"
#endif
#if __has_include("openvino/op/avg_pool.hpp") && defined(OVREF_IMPLEMENTED_avg_pool)
#include "openvino/op/avg_pool.hpp"
#endif
#if __has_include("openvino/op/max_pool.hpp") && defined(OVREF_IMPLEMENTED_max_pool)
#include "openvino/op/max_pool.hpp"
#endif
#if __has_include("openvino/op/interpolate.hpp") && defined(OVREF_IMPLEMENTED_interpolate)
#include "openvino/op/interpolate.hpp"
#endif
#if __has_include("openvino/op/depth_to_space.hpp") && defined(OVREF_IMPLEMENTED_depth_to_space)
#include "openvino/op/depth_to_space.hpp"
#endif
#if __has_include("openvino/op/space_to_depth.hpp") && defined(OVREF_IMPLEMENTED_space_to_depth)
#include "openvino/op/space_to_depth.hpp"
#endif
#if __has_include("openvino/op/normalize_l2.hpp") && defined(OVREF_IMPLEMENTED_normalize_l2)
#include "openvino/op/normalize_l2.hpp"
#endif
#if __has_include("openvino/op/sigmoid.hpp") && defined(OVREF_IMPLEMENTED_sigmoid)
#include "openvino/op/sigmoid.hpp"
#endif
#if __has_include("openvino/op/tanh.hpp") && defined(OVREF_IMPLEMENTED_tanh)
#include "openvino/op/tanh.hpp"
#endif
#if __has_include("openvino/op/exp.hpp") && defined(OVREF_IMPLEMENTED_exp)
#include "openvino/op/exp.hpp"
#endif
#if __has_include("openvino/op/log.hpp") && defined(OVREF_IMPLEMENTED_log)
#include "openvino/op/log.hpp"
#endif
#if __has_include("openvino/op/sin.hpp") && defined(OVREF_IMPLEMENTED_sin)
#include "openvino/op/sin.hpp"
#endif
#if __has_include("openvino/op/cos.hpp") && defined(OVREF_IMPLEMENTED_cos)
#include "openvino/op/cos.hpp"
#endif
#if __has_include("openvino/op/abs.hpp") && defined(OVREF_IMPLEMENTED_abs)
#include "openvino/op/abs.hpp"
#endif
#if __has_include("openvino/op/ceiling.hpp") && defined(OVREF_IMPLEMENTED_ceiling)
#include "openvino/op/ceiling.hpp"
#endif
#if __has_include("openvino/op/negative.hpp") && defined(OVREF_IMPLEMENTED_negative)
#include "openvino/op/negative.hpp"
#endif
#if __has_include("openvino/op/erf.hpp") && defined(OVREF_IMPLEMENTED_erf)
#include "openvino/op/erf.hpp"
#endif
#if __has_include("openvino/op/swish.hpp") && defined(OVREF_IMPLEMENTED_swish)
#include "openvino/op/swish.hpp"
#endif
#if __has_include("openvino/op/hswish.hpp") && defined(OVREF_IMPLEMENTED_hswish)
#include "openvino/op/hswish.hpp"
#endif
#if __has_include("openvino/op/elu.hpp") && defined(OVREF_IMPLEMENTED_elu)
#include "openvino/op/elu.hpp"
#endif
#if __has_include("openvino/op/prelu.hpp") && defined(OVREF_IMPLEMENTED_prelu)
#include "openvino/op/prelu.hpp"
#endif
#if __has_include("openvino/op/clamp.hpp") && defined(OVREF_IMPLEMENTED_clamp)
#include "openvino/op/clamp.hpp"
#endif
#if __has_include("openvino/op/squared_difference.hpp") && \
                  defined(OVREF_IMPLEMENTED_squared_difference)
#include "openvino/op/squared_difference.hpp"
#endif
#if __has_include("openvino/op/maximum.hpp") && defined(OVREF_IMPLEMENTED_maximum)
#include "openvino/op/maximum.hpp"
#endif
#if __has_include("openvino/op/minimum.hpp") && defined(OVREF_IMPLEMENTED_minimum)
#include "openvino/op/minimum.hpp"
#endif
#if __has_include("openvino/op/floor_mod.hpp") && defined(OVREF_IMPLEMENTED_floor_mod)
#include "openvino/op/floor_mod.hpp"
#endif
#if __has_include("openvino/op/mod.hpp") && defined(OVREF_IMPLEMENTED_mod)
#include "openvino/op/mod.hpp"
#endif
#if __has_include("openvino/op/less.hpp") && defined(OVREF_IMPLEMENTED_less)
#include "openvino/op/less.hpp"
#endif
#if __has_include("openvino/op/less_eq.hpp") && defined(OVREF_IMPLEMENTED_less_eq)
#include "openvino/op/less_eq.hpp"
#endif
#if __has_include("openvino/op/greater.hpp") && defined(OVREF_IMPLEMENTED_greater)
#include "openvino/op/greater.hpp"
#endif
#if __has_include("openvino/op/greater_eq.hpp") && defined(OVREF_IMPLEMENTED_greater_eq)
#include "openvino/op/greater_eq.hpp"
#endif
#if __has_include("openvino/op/not_equal.hpp") && defined(OVREF_IMPLEMENTED_not_equal)
#include "openvino/op/not_equal.hpp"
#endif
#if __has_include("openvino/op/logical_and.hpp") && defined(OVREF_IMPLEMENTED_logical_and)
#include "openvino/op/logical_and.hpp"
#endif
#if __has_include("openvino/op/logical_or.hpp") && defined(OVREF_IMPLEMENTED_logical_or)
#include "openvino/op/logical_or.hpp"
#endif
#if __has_include("openvino/op/logical_xor.hpp") && defined(OVREF_IMPLEMENTED_logical_xor)
#include "openvino/op/logical_xor.hpp"
#endif
#if __has_include("openvino/op/logical_not.hpp") && defined(OVREF_IMPLEMENTED_logical_not)
#include "openvino/op/logical_not.hpp"
#endif
#if __has_include("openvino/op/reduce_logical_and.hpp") && \
                  defined(OVREF_IMPLEMENTED_reduce_logical_and)
#include "openvino/op/reduce_logical_and.hpp"
#endif
#if __has_include("openvino/op/reduce_logical_or.hpp") && \
                  defined(OVREF_IMPLEMENTED_reduce_logical_or)
#include "openvino/op/reduce_logical_or.hpp"
#endif
#if __has_include("openvino/op/split.hpp") && defined(OVREF_IMPLEMENTED_split)
#include "openvino/op/split.hpp"
#endif
#if __has_include("openvino/op/variadic_split.hpp") && defined(OVREF_IMPLEMENTED_variadic_split)
#include "openvino/op/variadic_split.hpp"
#endif
#if __has_include("openvino/op/one_hot.hpp") && defined(OVREF_IMPLEMENTED_one_hot)
#include "openvino/op/one_hot.hpp"
#endif
#if __has_include("openvino/op/range.hpp") && defined(OVREF_IMPLEMENTED_range)
#include "openvino/op/range.hpp"
#endif
#if __has_include("openvino/op/reverse.hpp") && defined(OVREF_IMPLEMENTED_reverse)
#include "openvino/op/reverse.hpp"
#endif
#if __has_include("openvino/op/reverse_sequence.hpp") && defined(OVREF_IMPLEMENTED_reverse_sequence)
#include "openvino/op/reverse_sequence.hpp"
#endif
#if __has_include("openvino/op/gather_nd.hpp") && defined(OVREF_IMPLEMENTED_gather_nd)
#include "openvino/op/gather_nd.hpp"
#endif
#if __has_include("openvino/op/cum_sum.hpp") && defined(OVREF_IMPLEMENTED_cum_sum)
#include "openvino/op/cum_sum.hpp"
#endif
#if __has_include("openvino/op/scatter_nd_update.hpp") && \
                  defined(OVREF_IMPLEMENTED_scatter_nd_update)
#include "openvino/op/scatter_nd_update.hpp"
#endif
#if __has_include("openvino/op/round.hpp") && defined(OVREF_IMPLEMENTED_round)
#include "openvino/op/round.hpp"
#endif
#if __has_include("openvino/op/batch_to_space.hpp") && defined(OVREF_IMPLEMENTED_batch_to_space)
#include "openvino/op/batch_to_space.hpp"
#endif
#if __has_include("openvino/op/space_to_batch.hpp") && defined(OVREF_IMPLEMENTED_space_to_batch)
#include "openvino/op/space_to_batch.hpp"
#endif
#if __has_include("openvino/op/convert_like.hpp") && defined(OVREF_IMPLEMENTED_convert_like)
#include "openvino/op/convert_like.hpp"
#endif
#if __has_include("openvino/op/if.hpp") && defined(OVREF_IMPLEMENTED_if)
#include "openvino/op/if.hpp"
#endif

namespace ov {
namespace runtime {
namespace {

using Factory = std::function<std::shared_ptr<Node>()>;
using Registry = std::map<std::pair<std::string, std::string>, Factory>;

template <typename T, typename = void>
struct IsComplete : std::false_type {};
template <typename T>
struct IsComplete<T, std::void_t<decltype(sizeof(T))>> : std::true_type {};

template <typename T>
void Register(Registry& registry) {
  if constexpr (IsComplete<T>::value) {
    if constexpr (std::is_base_of_v<Node, T> && !std::is_abstract_v<T> &&
                  std::is_default_constructible_v<T>) {
      const auto& info = T::get_type_info_static();
      registry[{info.name, info.version_id ? info.version_id : ""}] = [] {
        return std::make_shared<T>();
      };
    }
  }
}

const Registry& GetRegistry() {
  static const Registry registry = [] {
    Registry r;
    Register<op::v0::Constant>(r);
    Register<op::v0::Parameter>(r);
    Register<op::v0::Result>(r);
    Register<op::v1::Add>(r);
    Register<op::v1::Subtract>(r);
    Register<op::v1::Multiply>(r);
    Register<op::v1::Divide>(r);
    Register<op::v1::Power>(r);
    Register<op::v1::Equal>(r);
    Register<op::v1::Select>(r);
    Register<op::v0::Sign>(r);
    Register<op::v0::Sqrt>(r);
    Register<op::v0::Relu>(r);
    Register<op::v0::Floor>(r);
    Register<op::v0::Gelu>(r);
    Register<op::v7::Gelu>(r);
    Register<op::v0::Convert>(r);
    Register<op::v1::Reshape>(r);
    Register<op::v0::Squeeze>(r);
    Register<op::v15::Squeeze>(r);
    Register<op::v0::Unsqueeze>(r);
    Register<op::v1::Transpose>(r);
    Register<op::v0::Concat>(r);
    Register<op::v0::ShapeOf>(r);
    Register<op::v3::ShapeOf>(r);
    Register<op::v0::Tile>(r);
    Register<op::v1::Broadcast>(r);
    Register<op::v3::Broadcast>(r);
    Register<op::v1::StridedSlice>(r);
    Register<op::v8::Slice>(r);
    Register<op::v1::Pad>(r);
    Register<op::v12::Pad>(r);
    Register<op::v1::Gather>(r);
    Register<op::v7::Gather>(r);
    Register<op::v8::Gather>(r);
    Register<op::v3::ScatterElementsUpdate>(r);
    Register<op::v12::ScatterElementsUpdate>(r);
    Register<op::v1::ReduceSum>(r);
    Register<op::v1::ReduceMean>(r);
    Register<op::v1::ReduceMax>(r);
    Register<op::v1::ReduceMin>(r);
    Register<op::v1::ReduceProd>(r);
    Register<op::v1::Softmax>(r);
    Register<op::v8::Softmax>(r);
    Register<op::v1::TopK>(r);
    Register<op::v3::TopK>(r);
    Register<op::v11::TopK>(r);
    Register<op::v13::ScaledDotProductAttention>(r);
    Register<op::v0::MatMul>(r);
    Register<op::v0::FakeQuantize>(r);
    Register<op::v1::Convolution>(r);
    Register<op::v1::ConvolutionBackpropData>(r);
    Register<op::v1::GroupConvolution>(r);
    Register<op::v1::GroupConvolutionBackpropData>(r);
    Register<op::v1::AvgPool>(r);
    Register<op::v14::AvgPool>(r);
    Register<op::v1::MaxPool>(r);
    Register<op::v8::MaxPool>(r);
    Register<op::v14::MaxPool>(r);
    Register<op::v0::Interpolate>(r);
    Register<op::v4::Interpolate>(r);
    Register<op::v11::Interpolate>(r);
    Register<op::v0::DepthToSpace>(r);
    Register<op::v0::SpaceToDepth>(r);
    Register<op::v0::NormalizeL2>(r);
    Register<op::v0::Sigmoid>(r);
    Register<op::v0::Tanh>(r);
    Register<op::v0::Exp>(r);
    Register<op::v0::Log>(r);
    Register<op::v0::Sin>(r);
    Register<op::v0::Cos>(r);
    Register<op::v0::Abs>(r);
    Register<op::v0::Ceiling>(r);
    Register<op::v0::Negative>(r);
    Register<op::v0::Erf>(r);
    Register<op::v4::Swish>(r);
    Register<op::v4::HSwish>(r);
    Register<op::v0::Elu>(r);
    Register<op::v0::PRelu>(r);
    Register<op::v0::Clamp>(r);
    Register<op::v0::SquaredDifference>(r);
    Register<op::v1::Maximum>(r);
    Register<op::v1::Minimum>(r);
    Register<op::v1::FloorMod>(r);
    Register<op::v1::Mod>(r);
    Register<op::v1::Less>(r);
    Register<op::v1::LessEqual>(r);
    Register<op::v1::Greater>(r);
    Register<op::v1::GreaterEqual>(r);
    Register<op::v1::NotEqual>(r);
    Register<op::v1::LogicalAnd>(r);
    Register<op::v1::LogicalOr>(r);
    Register<op::v1::LogicalXor>(r);
    Register<op::v1::LogicalNot>(r);
    Register<op::v1::ReduceLogicalAnd>(r);
    Register<op::v1::ReduceLogicalOr>(r);
    Register<op::v1::Split>(r);
    Register<op::v1::VariadicSplit>(r);
    Register<op::v1::OneHot>(r);
    Register<op::v16::OneHot>(r);
    Register<op::v0::Range>(r);
    Register<op::v4::Range>(r);
    Register<op::v1::Reverse>(r);
    Register<op::v0::ReverseSequence>(r);
    Register<op::v5::GatherND>(r);
    Register<op::v8::GatherND>(r);
    Register<op::v0::CumSum>(r);
    Register<op::v3::ScatterNDUpdate>(r);
    Register<op::v15::ScatterNDUpdate>(r);
    Register<op::v5::Round>(r);
    Register<op::v1::BatchToSpace>(r);
    Register<op::v1::SpaceToBatch>(r);
    Register<op::v1::ConvertLike>(r);
    Register<op::v8::If>(r);
    return r;
  }();
  return registry;
}

}  // namespace

std::shared_ptr<Node> CreateOp(const std::string& type_name, const std::string& version) {
  const auto& registry = GetRegistry();
  auto it = registry.find({type_name, version});
  if (it == registry.end()) return nullptr;
  return it->second();
}

size_t RegisteredOpCount() { return GetRegistry().size(); }

}  // namespace runtime
}  // namespace ov
