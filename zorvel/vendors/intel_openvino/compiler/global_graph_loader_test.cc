// Loading a GlobalGraph container back: NPU blobs compiled weightless take their constants from
// the pool, GPU parameters bound to pool buffers are fed from it, and bad containers or bindings
// are refused with the partition named.
#include "zorvel/vendors/intel_openvino/compiler/global_graph_loader.h"

#include <cmath>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "openvino/core/rt_info/weightless_caching_attributes.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/matmul.hpp"
#include "openvino/op/parameter.hpp"
#include "zorvel/vendors/intel_openvino/compiler/global_graph.h"
#include "zorvel/vendors/intel_openvino/compiler/partition_blob.h"

namespace zorvel::openvino {
namespace {

using ::testing::HasSubstr;

constexpr int32_t kOtherId = 4;
constexpr int32_t kWeightId = 7;
constexpr uint64_t kWeightOffset = 64;  // after the 64-byte buffer of kOtherId

std::vector<float> Values(size_t n, float scale, float offset) {
  std::vector<float> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = offset + scale * static_cast<float>((i * 5) % 13);
  return v;
}

std::string FloatString(const std::vector<float>& values) {
  return std::string(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(float));
}

class GlobalGraphLoaderTest : public ::testing::Test {
 protected:
  GlobalGraphLoaderTest()
      : weights_(Values(16 * 8, 0.05f, -0.3f)),
        bias_(Values(8, 0.5f, -1.0f)),
        input_(Values(16, 0.1f, -0.6f)) {}

  // x [1,16] x W [16,8] + b. W is either a constant (tagged with its pool offset when `tag`) or a
  // parameter named "w".
  std::shared_ptr<ov::Model> BuildModel(bool weights_as_parameter, bool tag) {
    auto x = std::make_shared<ov::op::v0::Parameter>(ov::element::f32, ov::Shape{1, 16});
    x->output(0).set_names({"x"});
    ov::ParameterVector parameters{x};
    std::shared_ptr<ov::Node> w;
    if (weights_as_parameter) {
      auto p = std::make_shared<ov::op::v0::Parameter>(ov::element::f32, ov::Shape{16, 8});
      p->set_friendly_name("w");
      p->output(0).set_names({"w"});
      parameters.push_back(p);
      w = p;
    } else {
      auto c = ov::op::v0::Constant::create(ov::element::f32, ov::Shape{16, 8}, weights_);
      c->set_friendly_name("w");
      if (tag) {
        c->get_rt_info()[ov::WeightlessCacheAttribute::get_type_info_static()] =
            ov::WeightlessCacheAttribute(c->get_byte_size(), kWeightOffset, ov::element::f32);
      }
      w = c;
    }
    auto b = ov::op::v0::Constant::create(ov::element::f32, ov::Shape{8}, bias_);
    auto y = std::make_shared<ov::op::v1::Add>(std::make_shared<ov::op::v0::MatMul>(x, w), b);
    return std::make_shared<ov::Model>(ov::OutputVector{y}, parameters);
  }

  std::string Export(const std::shared_ptr<ov::Model>& model, const char* device,
                     const ov::AnyMap& properties) {
    std::ostringstream stream;
    core_.compile_model(model, device, properties).export_model(stream);
    return WritePartitionBlob(device, stream.str());
  }

  // The NPU weight-bank properties under which the blob leaves tagged constants out.
  static ov::AnyMap NpuwProperties() {
    return {{"NPU_USE_NPUW", "YES"},          {"NPUW_DEVICES", "NPU"},
            {"NPUW_WEIGHTS_BANK", "bank"},    {"NPUW_FUNCALL_FOR_ALL", "YES"},
            {"NPUW_ONLINE_PIPELINE", "NONE"}, {"NPUW_CWAI", "YES"}};
  }

  std::vector<GlobalGraphBuffer> Pool() const {
    return {{kOtherId, 0, other_}, {kWeightId, 0, weight_bytes_}};
  }

  static GlobalGraphSubgraph Record(std::string name, DeviceCode device, std::string_view blob,
                                    std::map<std::string, int32_t> bindings = {}) {
    GlobalGraphSubgraph record;
    record.name = std::move(name);
    record.device_code = static_cast<uint8_t>(device);
    record.bindings = std::move(bindings);
    record.blob = blob;
    return record;
  }

  std::vector<float> ExpectedOutput() {
    auto model = BuildModel(false, false);
    ov::Tensor x(ov::element::f32, ov::Shape{1, 16});
    std::copy(input_.begin(), input_.end(), x.data<float>());
    ov::TensorVector out;
    EXPECT_TRUE(model->evaluate(out, {x}));
    return std::vector<float>(out[0].data<float>(), out[0].data<float>() + out[0].get_size());
  }

  std::vector<float> RunPartition(LoadedPartition& partition) {
    ov::InferRequest request = partition.CreateInferRequest();
    ov::Tensor x(ov::element::f32, ov::Shape{1, 16});
    std::copy(input_.begin(), input_.end(), x.data<float>());
    request.set_tensor("x", x);
    request.infer();
    const ov::Tensor y = request.get_output_tensor(0);
    return std::vector<float>(y.data<float>(), y.data<float>() + y.get_size());
  }

  std::string Failure(std::string container) {
    Expected<LoadedGlobalGraph> loaded = LoadGlobalGraph(core_, std::move(container));
    EXPECT_FALSE(loaded.HasValue());
    if (loaded.HasValue()) return "";
    EXPECT_EQ(loaded.Status(), kZorvelStatusErrorInvalidArgument);
    return loaded.GetError().Message();
  }

  ov::Core core_;
  const std::vector<float> weights_;
  const std::vector<float> bias_;
  const std::vector<float> input_;
  const std::string other_ = std::string(64, '\x5a');
  const std::string weight_bytes_ = FloatString(weights_);
};

TEST_F(GlobalGraphLoaderTest, NpuAndGpuPartitionsRunOnThePool) {
  const std::string npu = Export(BuildModel(false, true), "NPU", NpuwProperties());
  // The NPU blob is weightless: the weight bytes are not in it.
  EXPECT_EQ(npu.find(weight_bytes_), std::string::npos);
  const std::string gpu = Export(BuildModel(true, false), "GPU", {});
  std::map<std::string, GlobalGraphSubgraph> records;
  records.emplace("Partition_0", Record("Partition_0", DeviceCode::kNpu, npu));
  records.emplace("Partition_1", Record("Partition_1", DeviceCode::kGpu, gpu, {{"w", kWeightId}}));
  Expected<LoadedGlobalGraph> loaded = LoadGlobalGraph(core_, WriteGlobalGraph(Pool(), records));
  ASSERT_TRUE(loaded.HasValue()) << loaded.GetError().Message();
  ASSERT_EQ(loaded->partitions().size(), 2u);
  EXPECT_EQ(loaded->buffer_count(), 2u);
  EXPECT_EQ(loaded->pool(), other_ + weight_bytes_);

  LoadedPartition* on_npu = loaded->Find("Partition_0");
  ASSERT_NE(on_npu, nullptr);
  EXPECT_EQ(on_npu->device, "NPU");
  EXPECT_TRUE(on_npu->pool_inputs.empty());
  // The weight constant of the imported model views the pool; nothing was copied out of it.
  bool views_pool = false;
  for (const auto& node : on_npu->compiled.get_runtime_model()->get_ordered_ops()) {
    if (auto c = ov::as_type_ptr<const ov::op::v0::Constant>(node);
        c && c->get_byte_size() == 512) {
      const char* data = static_cast<const char*>(c->get_data_ptr());
      views_pool = data == loaded->pool().data() + kWeightOffset;
    }
  }
  EXPECT_TRUE(views_pool);

  LoadedPartition* on_gpu = loaded->Find("Partition_1");
  ASSERT_NE(on_gpu, nullptr);
  EXPECT_EQ(on_gpu->device, "GPU");
  ASSERT_EQ(on_gpu->pool_inputs.size(), 1u);
  EXPECT_EQ(on_gpu->pool_inputs[0].first, "w");
  const ov::Tensor& pooled = on_gpu->pool_inputs[0].second;
  EXPECT_EQ(pooled.data(), static_cast<const void*>(loaded->pool().data() + kWeightOffset));
  ASSERT_EQ(on_gpu->CallerInputs().size(), 1u);
  EXPECT_EQ(on_gpu->CallerInputs()[0].get_any_name(), "x");
  EXPECT_EQ(loaded->Find("Partition_2"), nullptr);

  const std::vector<float> expected = ExpectedOutput();
  for (LoadedPartition* partition : {on_npu, on_gpu}) {
    SCOPED_TRACE(partition->name);
    const std::vector<float> actual = RunPartition(*partition);
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 1e-5f);
  }
}

TEST_F(GlobalGraphLoaderTest, RefusalsNameThePartitionAndTheReason) {
  EXPECT_THAT(Failure("not a container"), HasSubstr("GlobalGraph container: does not begin"));

  // A weightless NPU blob in a container whose pool lacks its weights.
  const std::string npu = Export(BuildModel(false, true), "NPU", NpuwProperties());
  std::map<std::string, GlobalGraphSubgraph> records;
  records.emplace("Partition_0", Record("Partition_0", DeviceCode::kNpu, npu));
  const std::string no_pool = Failure(WriteGlobalGraph({}, records));
  EXPECT_THAT(no_pool, HasSubstr("GlobalGraph partition 'Partition_0': import on NPU failed: "));
  EXPECT_THAT(Failure(WriteGlobalGraph({{kOtherId, 0, other_}}, records)),
              HasSubstr("Partition_0': import on NPU failed"));

  const std::string gpu = Export(BuildModel(true, false), "GPU", {});
  records.clear();
  records.emplace("Partition_1", Record("Partition_1", DeviceCode::kGpu, gpu, {{"nope", 7}}));
  EXPECT_THAT(Failure(WriteGlobalGraph(Pool(), records)),
              HasSubstr("'Partition_1': no input named 'nope' for the binding to buffer 7"));
  records.clear();
  records.emplace("Partition_1", Record("Partition_1", DeviceCode::kGpu, gpu, {{"w", kOtherId}}));
  EXPECT_THAT(Failure(WriteGlobalGraph(Pool(), records)),
              HasSubstr("input 'w' takes 512 bytes but buffer 4 holds 64"));

  // A blob compiled for the GPU in a record (and header) that says NPU does not import.
  records.clear();
  std::string relabelled = gpu;
  relabelled[12] = 2;
  records.emplace("Partition_0", Record("Partition_0", DeviceCode::kNpu, relabelled));
  EXPECT_THAT(Failure(WriteGlobalGraph(Pool(), records)), HasSubstr("import on NPU failed"));

  EXPECT_EQ(LoadGlobalGraph(core_, std::shared_ptr<const std::string>()).Status(),
            kZorvelStatusErrorInvalidArgument);
}

}  // namespace
}  // namespace zorvel::openvino
