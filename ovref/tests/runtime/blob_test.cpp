#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "openvino/core/rt_info/weightless_caching_attributes.hpp"
#include "openvino/op/max_pool.hpp"
#include "openvino/op/softmax.hpp"
#include "openvino/op/split.hpp"
#include "openvino/op/strided_slice.hpp"
#include "openvino/op/topk.hpp"
#include "openvino/runtime/core.hpp"
#include "openvino/runtime/ovref_properties.hpp"
#include "runtime_test_utils.hpp"

namespace {

using ovref_runtime_test::Contains;
using ovref_runtime_test::ErrorOf;
using ovref_runtime_test::MakeInput;
using ovref_runtime_test::MakeModel;
using ovref_runtime_test::Reseal;
using ovref_runtime_test::ScopedEnv;

std::vector<std::vector<float>> Reference(const std::shared_ptr<ov::Model>& model,
                                          const ov::Tensor& input) {
  ov::TensorVector out;
  EXPECT_TRUE(model->evaluate(out, {input}));
  std::vector<std::vector<float>> values;
  for (const auto& t : out) values.push_back(ovref_test::values<float>(t));
  return values;
}

std::vector<std::vector<float>> Infer(ov::CompiledModel& compiled, const ov::Tensor& input) {
  auto request = compiled.create_infer_request();
  request.set_input_tensor(input);
  request.infer();
  std::vector<std::vector<float>> values;
  for (size_t i = 0; i < compiled.outputs().size(); ++i)
    values.push_back(ovref_test::values<float>(request.get_output_tensor(i)));
  return values;
}

std::string Export(ov::CompiledModel compiled) {
  std::stringstream ss;
  compiled.export_model(ss);
  return ss.str();
}

ov::CompiledModel ImportText(ov::Core& core, const std::string& blob, const std::string& device,
                             const ov::AnyMap& props = {}) {
  std::stringstream ss(blob);
  return core.import_model(ss, device, props);
}

// A model whose one big weight carries a WeightlessCacheAttribute at `offset` in `weights`.
std::shared_ptr<ov::Model> TaggedModel(std::vector<float>& weights, size_t offset_floats,
                                       size_t count) {
  using namespace ov::op;
  auto x = std::make_shared<v0::Parameter>(ov::element::f32,
                                           ov::PartialShape{static_cast<int64_t>(count)});
  auto w = std::make_shared<v0::Constant>(ov::element::f32, ov::Shape{count},
                                          weights.data() + offset_floats, nullptr);
  w->get_rt_info()[ov::WeightlessCacheAttribute::get_type_info_static()] =
      ov::WeightlessCacheAttribute(count * sizeof(float), offset_floats * sizeof(float),
                                   ov::element::f32);
  auto small = v0::Constant::create(ov::element::f32, ov::Shape{1}, std::vector<float>{0.5f});
  auto y = std::make_shared<v1::Multiply>(std::make_shared<v1::Add>(x, w), small);
  return std::make_shared<ov::Model>(ov::OutputVector{y}, ov::ParameterVector{x}, "tagged");
}

TEST(Blob, RoundTripOnEveryDeviceMatchesDirectEvaluation) {
  ScopedEnv env("OVREF_DEVICES", nullptr);
  ov::Core core;
  auto model = MakeModel();
  const auto input = MakeInput();
  const auto expected = Reference(model, input);
  for (const char* dev : {"CPU", "GPU", "NPU"}) {
    auto compiled = core.compile_model(model, dev, {{"PERFORMANCE_HINT", "LATENCY"}});
    EXPECT_EQ(Infer(compiled, input), expected) << dev;
    const std::string blob = Export(compiled);
    auto imported = ImportText(core, blob, dev);
    EXPECT_EQ(Infer(imported, input), expected) << dev;
    EXPECT_EQ(imported.get_property(ov::hint::performance_mode),
              ov::hint::PerformanceMode::LATENCY);
    EXPECT_EQ(imported.get_property(ov::model_name), "test_model");
    ASSERT_EQ(imported.outputs().size(), 2u);
    EXPECT_EQ(imported.output(0).get_names().count("out_main"), 1u);
    EXPECT_EQ(imported.output("out_half").get_element_type(), ov::element::f16);
    EXPECT_EQ(imported.input().get_names().count("input_x"), 1u);
    // Export of the imported model gives the same bytes.
    EXPECT_EQ(Export(imported), blob) << dev;
    // The tensor form views the blob.
    ov::Tensor t(ov::element::u8, ov::Shape{blob.size()});
    std::memcpy(t.data(), blob.data(), blob.size());
    auto from_tensor = core.import_model(t, dev);
    EXPECT_EQ(Infer(from_tensor, input), expected) << dev;
  }
}

TEST(Blob, OperationsWithShapeEnumAndMaskAttributesRoundTrip) {
  using namespace ov::op;
  auto x = std::make_shared<v0::Parameter>(ov::element::f32, ov::PartialShape{1, 2, 5, 5});
  auto pool = std::make_shared<v8::MaxPool>(
      x, ov::Strides{2, 2}, ov::Strides{1, 1}, ov::Shape{0, 0}, ov::Shape{0, 0}, ov::Shape{2, 2},
      ov::op::RoundingType::CEIL, ov::op::PadType::EXPLICIT, ov::element::i32, 2);
  auto soft = std::make_shared<v8::Softmax>(pool->output(0), -1);
  auto axis = v0::Constant::create(ov::element::i64, ov::Shape{}, std::vector<int64_t>{1});
  auto split = std::make_shared<v1::Split>(x, axis, 2);
  auto k = v0::Constant::create(ov::element::i64, ov::Shape{}, std::vector<int64_t>{3});
  auto topk = std::make_shared<v11::TopK>(split->output(1), k, -1, ov::op::TopKMode::MIN,
                                          ov::op::TopKSortType::SORT_VALUES, ov::element::i64);
  auto begin =
      v0::Constant::create(ov::element::i64, ov::Shape{4}, std::vector<int64_t>{0, 0, 1, 0});
  auto end = v0::Constant::create(ov::element::i64, ov::Shape{4}, std::vector<int64_t>{0, 0, 3, 4});
  auto stride =
      v0::Constant::create(ov::element::i64, ov::Shape{4}, std::vector<int64_t>{1, 1, 1, 2});
  auto slice = std::make_shared<v1::StridedSlice>(split->output(0), begin, end, stride,
                                                  std::vector<int64_t>{1, 1, 0, 1},
                                                  std::vector<int64_t>{1, 1, 0, 1});
  auto model = std::make_shared<ov::Model>(
      ov::OutputVector{soft, pool->output(1), topk->output(0), topk->output(1), slice},
      ov::ParameterVector{x}, "attrs");
  ov::Tensor input(ov::element::f32, ov::Shape{1, 2, 5, 5});
  for (size_t i = 0; i < 50; ++i)
    input.data<float>()[i] = static_cast<float>((i * 7) % 11) - 5.0f + 0.1f * i;
  const auto expected = Reference(model, input);

  ov::Core core;
  for (const char* dev : {"CPU", "GPU", "NPU"}) {
    auto imported = ImportText(core, Export(core.compile_model(model, dev)), dev);
    EXPECT_EQ(Infer(imported, input), expected) << dev;
    EXPECT_EQ(imported.output(1).get_element_type(), ov::element::i32);
    EXPECT_EQ(imported.output(3).get_element_type(), ov::element::i64);
  }
}

TEST(Blob, ImportOnAnotherDeviceThrows) {
  ov::Core core;
  auto compiled = core.compile_model(MakeModel(), "GPU");
  const std::string blob = Export(compiled);
  EXPECT_TRUE(
      Contains(ErrorOf([&] { ImportText(core, blob, "CPU"); }), "compiled for the GPU device"));
  EXPECT_TRUE(Contains(ErrorOf([&] { ImportText(core, blob, "NPU"); }), "Can't import network"));
  EXPECT_NO_THROW(ImportText(core, blob, "GPU"));
}

TEST(Blob, CompiledModelSharesConstantBuffers) {
  ov::Core core;
  std::vector<float> weights(1024, 1.0f);
  auto model = TaggedModel(weights, 0, 1024);
  auto compiled = core.compile_model(model, "CPU");
  const void* data = nullptr;
  for (const auto& node : compiled.get_runtime_model()->get_ordered_ops())
    if (auto c = ov::as_type_ptr<const ov::op::v0::Constant>(node))
      if (c->get_shape() == ov::Shape{1024}) data = c->get_data_ptr();
  EXPECT_EQ(data, weights.data());
  // Import from a tensor views the tensor's memory too.
  const std::string blob = Export(compiled);
  ov::Tensor t(ov::element::u8, ov::Shape{blob.size()});
  std::memcpy(t.data(), blob.data(), blob.size());
  auto imported = core.import_model(t, "CPU");
  const char* begin = static_cast<const char*>(t.data());
  bool inside = false;
  for (const auto& node : imported.get_runtime_model()->get_ordered_ops())
    if (auto c = ov::as_type_ptr<const ov::op::v0::Constant>(node))
      if (c->get_shape() == ov::Shape{1024}) {
        const char* p = static_cast<const char*>(c->get_data_ptr());
        inside = p >= begin && p + 4096 <= begin + blob.size();
      }
  EXPECT_TRUE(inside);
}

TEST(Blob, WeightlessExportRefersToTaggedWeights) {
  ov::Core core;
  constexpr size_t kCount = 256 * 1024;  // 1 MB of f32
  std::vector<float> weights(kCount + 16);
  for (size_t i = 0; i < weights.size(); ++i) weights[i] = static_cast<float>(i % 97) * 0.25f;
  auto model = TaggedModel(weights, 16, kCount);
  ov::Tensor input(ov::element::f32, ov::Shape{kCount});
  for (size_t i = 0; i < kCount; ++i) input.data<float>()[i] = static_cast<float>(i % 13);
  const auto expected = Reference(model, input);

  const std::string full = Export(core.compile_model(model, "CPU"));
  EXPECT_GT(full.size(), kCount * sizeof(float));

  const ov::AnyMap bank = {{"NPU_USE_NPUW", "YES"}, {"NPUW_WEIGHTS_BANK", "bank"},
                           {"NPUW_CWAI", "YES"},    {"NPUW_ONLINE_PIPELINE", "NONE"},
                           {"NPUW_DEVICES", "NPU"}, {"NPUW_FUNCALL_FOR_ALL", "YES"}};
  auto npu = core.compile_model(model, "NPU", bank);
  const std::string blob = Export(npu);
  EXPECT_LT(blob.size(), 10u * 1024u);

  // Without weights the import fails.
  EXPECT_TRUE(
      Contains(ErrorOf([&] { ImportText(core, blob, "NPU"); }), "no WEIGHTS_PATH nor MODEL_PTR"));
  // From the original model.
  auto from_model = ImportText(core, blob, "NPU", {{"MODEL_PTR", model}});
  EXPECT_EQ(Infer(from_model, input), expected);
  // From ovref's in-memory weights buffer.
  ov::Tensor buffer(ov::element::u8, ov::Shape{weights.size() * sizeof(float)}, weights.data());
  auto from_buffer = ImportText(core, blob, "NPU", {ov::ovref::weights_buffer(buffer)});
  EXPECT_EQ(Infer(from_buffer, input), expected);
  // From a weights file; it wins over MODEL_PTR.
  const std::string path = testing::TempDir() + "ovref_weights.bin";
  {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(weights.data()),
            static_cast<std::streamsize>(weights.size() * sizeof(float)));
  }
  auto from_file = ImportText(core, blob, "NPU", {{"WEIGHTS_PATH", path}, {"MODEL_PTR", model}});
  EXPECT_EQ(Infer(from_file, input), expected);
  // A weights source that is too small is an error, not a read past its end.
  ov::Tensor short_buffer(ov::element::u8, ov::Shape{1000}, weights.data());
  EXPECT_TRUE(Contains(
      ErrorOf([&] { ImportText(core, blob, "NPU", {ov::ovref::weights_buffer(short_buffer)}); }),
      "has no"));
  std::remove(path.c_str());

  // CACHE_MODE=OPTIMIZE_SIZE and ENABLE_WEIGHTLESS ask for the same on CPU and GPU.
  auto cpu = core.compile_model(model, "CPU", {{"CACHE_MODE", "OPTIMIZE_SIZE"}});
  EXPECT_LT(Export(cpu).size(), 10u * 1024u);
  auto gpu = core.compile_model(model, "GPU", {ov::enable_weightless(true)});
  EXPECT_LT(Export(gpu).size(), 10u * 1024u);
  // NPUW decides weightless unless CACHE_MODE=OPTIMIZE_SPEED; without FOLD/CWAI it cannot.
  ov::AnyMap speed = bank;
  speed["CACHE_MODE"] = "OPTIMIZE_SPEED";
  EXPECT_GT(Export(core.compile_model(model, "NPU", speed)).size(), kCount * sizeof(float));
  ov::AnyMap no_fold = bank;
  no_fold["NPUW_CWAI"] = "NO";
  EXPECT_GT(Export(core.compile_model(model, "NPU", no_fold)).size(), kCount * sizeof(float));
}

TEST(Blob, UntaggedConstantsStayInTheBlob) {
  ov::Core core;
  auto model = MakeModel();
  auto compiled = core.compile_model(model, "GPU", {{"CACHE_MODE", "OPTIMIZE_SIZE"}});
  const std::string blob = Export(compiled);
  // Nothing was left out, so no weights are needed.
  auto imported = ImportText(core, blob, "GPU");
  EXPECT_EQ(Infer(imported, MakeInput()), Reference(model, MakeInput()));
  // The NPU's own weights-separation path needs at least one tagged constant.
  EXPECT_TRUE(Contains(ErrorOf([&] {
                         core.compile_model(model, "NPU", {{"ENABLE_WEIGHTLESS", "YES"}});
                       }),
                       "WeightlessCacheAttribute"));
}

TEST(Blob, TruncatedAndCorruptBlobsFailCleanly) {
  ov::Core core;
  auto compiled = core.compile_model(MakeModel(), "CPU");
  const std::string blob = Export(compiled);
  for (size_t len = 0; len < blob.size(); len += (len < 64 ? 1 : 37)) {
    const std::string cut = blob.substr(0, len);
    EXPECT_FALSE(ErrorOf([&] { ImportText(core, cut, "CPU"); }).empty()) << len;
    ov::Tensor t(ov::element::u8, ov::Shape{cut.size()});
    if (!cut.empty()) std::memcpy(t.data(), cut.data(), cut.size());
    EXPECT_FALSE(ErrorOf([&] { core.import_model(t, "CPU"); }).empty()) << len;
  }
  // Every single bit flip is caught by the checksum.
  std::mt19937 rng(7);
  for (int i = 0; i < 200; ++i) {
    std::string bad = blob;
    const size_t bit = rng() % (bad.size() * 8);
    bad[bit / 8] = static_cast<char>(bad[bit / 8] ^ (1 << (bit % 8)));
    const std::string what = ErrorOf([&] { ImportText(core, bad, "CPU"); });
    EXPECT_FALSE(what.empty()) << bit;
    EXPECT_FALSE(Contains(what, "not an ov::Exception")) << bit;
  }
  // Corrupt descriptions that pass the checksum are still refused, never read past the end.
  int refused = 0;
  for (int i = 0; i < 300; ++i) {
    std::string bad = blob;
    const size_t pos = 32 + rng() % 400;
    if (pos >= bad.size() - 8) continue;
    bad[pos] = static_cast<char>(rng());
    Reseal(bad);
    const std::string what = ErrorOf([&] { ImportText(core, bad, "CPU"); });
    EXPECT_FALSE(Contains(what, "not an ov::Exception")) << pos;
    if (!what.empty()) ++refused;
  }
  EXPECT_GT(refused, 0);
  EXPECT_TRUE(Contains(
      ErrorOf([&] { ImportText(core, "not a blob at all, just text....", "CPU"); }), "bad magic"));
}

TEST(InferRequest, TensorsByNameAndPortAndAsync) {
  ov::Core core;
  auto model = MakeModel();
  auto compiled = core.compile_model(model, "CPU");
  auto request = compiled.create_infer_request();
  const auto input = MakeInput();
  request.set_tensor("input_x", input);
  request.start_async();
  request.wait();
  const auto expected = Reference(model, input);
  EXPECT_EQ(ovref_test::values<float>(request.get_tensor("out_main")), expected[0]);
  EXPECT_EQ(ovref_test::values<float>(request.get_tensor(compiled.output(1))), expected[1]);
  // Ports of the original model work too (matched by tensor name).
  EXPECT_EQ(ovref_test::values<float>(request.get_tensor(model->output(0))), expected[0]);
  EXPECT_THROW(request.get_tensor("nope"), ov::Exception);
  EXPECT_THROW(request.get_output_tensor(), ov::Exception);  // two outputs
  EXPECT_THROW(request.set_input_tensor(ov::Tensor(ov::element::i32, ov::Shape{2, 3})),
               ov::Exception);
  EXPECT_THROW(request.set_input_tensor(ov::Tensor(ov::element::f32, ov::Shape{3, 2})),
               ov::Exception);
  bool called = false;
  request.set_callback([&](std::exception_ptr e) { called = !e; });
  request.start_async();
  EXPECT_TRUE(request.wait_for(std::chrono::milliseconds(10000)));
  EXPECT_TRUE(called);
}

}  // namespace
