#include "tools/builtin_models.h"

#include <cstdint>
#include <vector>

namespace zorvel::tools {

using host::HostModel;
using host::HostSubgraph;
using host::TensorId;
using host::TensorType;

std::unique_ptr<HostModel> BuildSmallPartitionModel() {
  auto model = std::make_unique<HostModel>();
  HostSubgraph& sg = model->AddSubgraph();
  const auto f32 = [](std::vector<int32_t> dims) {
    return TensorType::Ranked(kZorvelElementTypeFloat32, std::move(dims));
  };
  const auto i32 = [](std::vector<int32_t> dims) {
    return TensorType::Ranked(kZorvelElementTypeInt32, std::move(dims));
  };

  const TensorId image = sg.AddInput("image", f32({1, 8, 8, 3}));
  const TensorId filter =
      sg.AddConstant<float>("conv/filter", {4, 3, 3, 3}, std::vector<float>(4 * 3 * 3 * 3, 0.1f));
  const TensorId bias = sg.AddConstant<float>("conv/bias", {4}, {0.f, 0.1f, 0.2f, 0.3f});
  const TensorId conv =
      sg.AddOp(kZorvelOpCodeConv2d, {image, filter, bias}, "conv", f32({1, 8, 8, 4}));
  const TensorId relu = sg.AddOp(kZorvelOpCodeRelu, {conv}, "relu", f32({1, 8, 8, 4}));
  const TensorId floor = sg.AddOp(kZorvelOpCodeFloor, {relu}, "floor", f32({1, 8, 8, 4}));
  const TensorId shape = sg.AddConstant<int32_t>("flat/shape", {2}, {1, 256});
  const TensorId flat = sg.AddOp(kZorvelOpCodeReshape, {floor, shape}, "flat", f32({1, 256}));
  const TensorId gamma = sg.AddConstant<float>("norm/gamma", {256}, std::vector<float>(256, 1.f));
  const TensorId norm = sg.AddTensor("norm", f32({1, 256}));
  sg.AddComposite("qvex.rms_norm", {flat, gamma}, {norm});
  const TensorId other = sg.AddTensor("other", f32({1, 256}));
  sg.AddComposite("qvex.layer_norm", {norm}, {other});

  const TensorId k = sg.AddConstant<int32_t>("topk/k", {}, {3});
  const TensorId values = sg.AddTensor("topk/values", f32({1, 3}));
  const TensorId indices = sg.AddTensor("topk/indices", i32({1, 3}));
  sg.AddOp(kZorvelOpCodeTopkV2, {other, k}, {values, indices});

  const TensorId k_computed = sg.AddOp(kZorvelOpCodeArgMax, {values, k}, "k_computed", i32({1}));
  const TensorId values2 = sg.AddTensor("topk2/values", f32({1, 3}));
  const TensorId indices2 = sg.AddTensor("topk2/indices", i32({1, 3}));
  sg.AddOp(kZorvelOpCodeTopkV2, {other, k_computed}, {values2, indices2});

  sg.AddOutput(values);
  sg.AddOutput(indices);
  sg.AddOutput(values2);
  return model;
}

}  // namespace zorvel::tools
