#include "zorvel/host/tflite_reader.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "flatbuffers/flatbuffers.h"
#include "flatbuffers/flexbuffers.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_partition.h"
#include "zorvel/host/host_test_util.h"

namespace zorvel::host {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::FloatNear;
using ::testing::HasSubstr;

// --- Memory and files -------------------------------------------------------------------------

// An exactly sized, 16-byte aligned copy, so that a read past the end is a sanitizer error.
std::shared_ptr<const void> AlignedCopy(const void* data, size_t size) {
  void* p = ::operator new (size == 0 ? 1 : size, std::align_val_t{16});
  if (size > 0) std::memcpy(p, data, size);
  return std::shared_ptr<const void>(
      p, [](const void* q) { ::operator delete (const_cast<void*>(q), std::align_val_t{16}); });
}

std::vector<uint8_t> LoadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ModelPath(const std::string& name) {
  return std::string(ZORVEL_TEST_MODELS_DIR) + "/" + name;
}

#define SKIP_WITHOUT_MODELS()                                                          \
  if (!std::filesystem::is_directory(ZORVEL_TEST_MODELS_DIR)) {                        \
    GTEST_SKIP() << "no real models at " << ZORVEL_TEST_MODELS_DIR << " (not on this " \
                 << "team's machines)";                                                \
  }

// --- Reading back through the host API table, as the plug-in does -------------------------------

using ::zorvel::testing::Slot;

class TableView {
 public:
  explicit TableView(HostModel& model) : model_(api_.Handle(model)), t_(api_.table()) {}

  uint64_t NumSubgraphs() {
    uint64_t n = 0;
    EXPECT_EQ(t_->get_num_model_subgraphs(model_, &n), kZorvelStatusOk);
    return n;
  }
  ZorvelSubgraph Subgraph(uint64_t i = 0) {
    ZorvelSubgraph s = nullptr;
    EXPECT_EQ(t_->get_model_subgraph(model_, i, &s), kZorvelStatusOk);
    return s;
  }
  uint64_t NumOps(uint64_t sg = 0) {
    uint64_t n = 0;
    EXPECT_EQ(t_->get_num_subgraph_ops(Subgraph(sg), &n), kZorvelStatusOk);
    return n;
  }
  ZorvelOp Op(uint64_t i, uint64_t sg = 0) {
    ZorvelOp op = nullptr;
    EXPECT_EQ(t_->get_subgraph_op(Subgraph(sg), i, &op), kZorvelStatusOk);
    return op;
  }
  ZorvelOpCode Code(ZorvelOp op) {
    ZorvelOpCode code = -1;
    EXPECT_EQ(t_->get_op_code(op, &code), kZorvelStatusOk);
    return code;
  }
  std::vector<uint32_t> Inputs(ZorvelOp op) { return Operands(op, true); }
  std::vector<uint32_t> Outputs(ZorvelOp op) { return Operands(op, false); }
  ZorvelTensor Input(ZorvelOp op, uint64_t i) {
    ZorvelTensor tensor = nullptr;
    EXPECT_EQ(t_->get_op_input(op, i, &tensor), kZorvelStatusOk);
    return tensor;
  }
  ZorvelTensor Output(ZorvelOp op, uint64_t i) {
    ZorvelTensor tensor = nullptr;
    EXPECT_EQ(t_->get_op_output(op, i, &tensor), kZorvelStatusOk);
    return tensor;
  }
  std::string Name(ZorvelTensor tensor) {
    const char* name = nullptr;
    EXPECT_EQ(t_->get_tensor_name(tensor, &name), kZorvelStatusOk);
    return name != nullptr ? name : "";
  }
  ZorvelElementType ElementType(ZorvelTensor tensor) { return Ranked(tensor).element_type; }
  std::vector<int32_t> Dims(ZorvelTensor tensor) {
    ZorvelRankedTensorType type = Ranked(tensor);
    return std::vector<int32_t>(type.layout.dimensions,
                                type.layout.dimensions + ZorvelLayoutRank(&type.layout));
  }
  ZorvelQuantizationTypeId QuantKind(ZorvelTensor tensor) {
    ZorvelQuantizationTypeId kind = -1;
    EXPECT_EQ(t_->get_quantization_type_id(tensor, &kind), kZorvelStatusOk);
    return kind;
  }
  ZorvelQuantizationPerTensor PerTensor(ZorvelTensor tensor) {
    ZorvelQuantizationPerTensor q{};
    EXPECT_EQ(t_->get_per_tensor_quantization(tensor, &q), kZorvelStatusOk);
    return q;
  }
  ZorvelQuantizationPerChannel PerChannel(ZorvelTensor tensor) {
    ZorvelQuantizationPerChannel q{};
    EXPECT_EQ(t_->get_per_channel_quantization(tensor, &q), kZorvelStatusOk);
    return q;
  }
  // The constant bytes of a tensor (empty for non-constants) and its buffer id.
  std::pair<const uint8_t*, size_t> Bytes(ZorvelTensor tensor, int32_t* buffer_id = nullptr) {
    ZorvelWeights weights = nullptr;
    EXPECT_EQ(t_->get_tensor_weights(tensor, &weights), kZorvelStatusOk);
    const void* data = nullptr;
    size_t size = 0;
    EXPECT_EQ(t_->get_weights_bytes(weights, &data, &size), kZorvelStatusOk);
    if (buffer_id != nullptr) {
      EXPECT_EQ(t_->get_weights_buffer_id(weights, buffer_id), kZorvelStatusOk);
    }
    return {static_cast<const uint8_t*>(data), size};
  }
  uint32_t Enum(ZorvelOp op, int entry) {
    uint32_t v = 99;
    EXPECT_EQ(Slot<ZorvelGetEnumOptionFn>(t_, entry)(op, &v), kZorvelStatusOk) << entry;
    return v;
  }
  int32_t Int(ZorvelOp op, int entry) {
    int32_t v = -99;
    EXPECT_EQ(Slot<ZorvelGetIntOptionFn>(t_, entry)(op, &v), kZorvelStatusOk) << entry;
    return v;
  }
  bool Flag(ZorvelOp op, int entry) {
    bool v = false;
    EXPECT_EQ(Slot<ZorvelGetFlagOptionFn>(t_, entry)(op, &v), kZorvelStatusOk) << entry;
    return v;
  }
  float Real(ZorvelOp op, int entry) {
    float v = -99;
    EXPECT_EQ(Slot<ZorvelGetRealOptionFn>(t_, entry)(op, &v), kZorvelStatusOk) << entry;
    return v;
  }
  std::vector<int32_t> NewShape(ZorvelOp op) {
    const int32_t* shape = nullptr;
    int32_t count = -1;
    EXPECT_EQ(t_->get_reshape_new_shape_option(op, &shape, &count), kZorvelStatusOk);
    return shape != nullptr ? std::vector<int32_t>(shape, shape + count) : std::vector<int32_t>{};
  }
  const HostApiTable* table() const { return t_; }

 private:
  ZorvelRankedTensorType Ranked(ZorvelTensor tensor) {
    ZorvelRankedTensorType type{};
    EXPECT_EQ(t_->get_ranked_tensor_type(tensor, &type), kZorvelStatusOk);
    return type;
  }
  std::vector<uint32_t> Operands(ZorvelOp op, bool inputs) {
    uint64_t n = 0;
    EXPECT_EQ(inputs ? t_->get_num_op_inputs(op, &n) : t_->get_num_op_outputs(op, &n), 0);
    std::vector<uint32_t> indices;
    for (uint64_t i = 0; i < n; ++i) {
      uint32_t index = 0;
      EXPECT_EQ(t_->get_tensor_index(inputs ? Input(op, i) : Output(op, i), &index), 0);
      indices.push_back(index);
    }
    return indices;
  }

  HostApi api_;
  ZorvelModel model_;
  const HostApiTable* t_;
};

template <typename T>
T ValueAt(std::pair<const uint8_t*, size_t> bytes, size_t i) {
  T v;
  std::memcpy(&v, bytes.first + i * sizeof(T), sizeof(T));
  return v;
}

size_t NumConstants(const HostSubgraph& sg) {
  size_t n = 0;
  for (TensorId i = 0; i < sg.num_tensors(); ++i) n += sg.tensor(i).weights.buffer != nullptr;
  return n;
}

// A model read from memory, to check that constants point into that memory.
struct InMemory {
  explicit InMemory(const std::string& path) {
    std::vector<uint8_t> bytes = LoadFile(path);
    size = bytes.size();
    data = AlignedCopy(bytes.data(), bytes.size());
    auto read = ReadTfliteBuffer(data, size);
    EXPECT_TRUE(read.ok()) << read.status();
    if (read.ok()) model = std::move(*read);
  }
  bool Inside(std::pair<const uint8_t*, size_t> bytes) const {
    const auto* base = static_cast<const uint8_t*>(data.get());
    return bytes.first >= base && bytes.first + bytes.second <= base + size;
  }
  std::shared_ptr<const void> data;
  size_t size = 0;
  std::unique_ptr<HostModel> model;
};

// --- Real models ------------------------------------------------------------------------------

TEST(TfliteReaderRealModelsTest, EveryModelBesideUsReads) {
  SKIP_WITHOUT_MODELS();
  int count = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(ZORVEL_TEST_MODELS_DIR)) {
    if (entry.path().extension() != ".tflite") continue;
    auto model = ReadTfliteFile(entry.path().string());
    EXPECT_TRUE(model.ok()) << entry.path() << ": " << model.status();
    ++count;
  }
  EXPECT_GT(count, 40);
}

TEST(TfliteReaderRealModelsTest, HelloWorldFloat) {
  SKIP_WITHOUT_MODELS();
  InMemory file(ModelPath("hello_world_float.tflite"));
  ASSERT_NE(file.model, nullptr);
  const HostSubgraph& sg = file.model->subgraph(0);
  EXPECT_EQ(file.model->num_subgraphs(), 1u);
  EXPECT_EQ(sg.num_tensors(), 10u);
  EXPECT_EQ(NumConstants(sg), 6u);

  TableView v(*file.model);
  ASSERT_EQ(v.NumOps(), 3u);
  const uint32_t activations[] = {1, 1, 0};  // RELU, RELU, NONE
  for (uint64_t i = 0; i < 3; ++i) {
    EXPECT_EQ(v.Code(v.Op(i)), kZorvelOpCodeFullyConnected);
    EXPECT_EQ(v.Enum(v.Op(i), 66), activations[i]);
    EXPECT_EQ(v.Enum(v.Op(i), 67), 0u);
    EXPECT_FALSE(v.Flag(v.Op(i), 68));
  }
  EXPECT_THAT(v.Inputs(v.Op(0)), ElementsAre(0, 4, 3));
  EXPECT_THAT(v.Outputs(v.Op(0)), ElementsAre(7));
  EXPECT_THAT(v.Inputs(v.Op(2)), ElementsAre(8, 6, 2));

  ZorvelTensor input = v.Input(v.Op(0), 0);
  EXPECT_EQ(v.Name(input), "serving_default_dense_input:0");
  EXPECT_EQ(v.ElementType(input), kZorvelElementTypeFloat32);
  EXPECT_THAT(v.Dims(input), ElementsAre(1, 1));
  EXPECT_EQ(v.QuantKind(input), kZorvelQuantizationNone);  // an empty table on a float tensor
  EXPECT_EQ(v.Bytes(input).second, 0u);                    // buffer 1 is empty: not a constant
  EXPECT_EQ(v.Name(v.Output(v.Op(2), 0)), "StatefulPartitionedCall:0");

  int32_t buffer_id = -1;
  auto w = v.Bytes(v.Input(v.Op(0), 1), &buffer_id);  // t4 [16,1]
  EXPECT_EQ(buffer_id, 5);
  EXPECT_EQ(w.second, 64u);
  EXPECT_TRUE(file.Inside(w));
  EXPECT_THAT((std::vector<float>{ValueAt<float>(w, 0), ValueAt<float>(w, 1), ValueAt<float>(w, 2),
                                  ValueAt<float>(w, 3)}),
              ElementsAre(FloatNear(-0.121809f, 1e-6), FloatNear(-0.392950f, 1e-6),
                          FloatNear(0.196248f, 1e-6), FloatNear(0.695623f, 1e-6)));
  EXPECT_EQ(v.Bytes(v.Input(v.Op(1), 1)).second, 1024u);  // t5 [16,16]
  auto b = v.Bytes(v.Input(v.Op(2), 2), &buffer_id);      // t2 [1]
  EXPECT_EQ(buffer_id, 3);
  EXPECT_NEAR(ValueAt<float>(b, 0), -0.160132f, 1e-6);

  // Only the buffers of constants are registered, and they keep the file's memory alive.
  EXPECT_EQ(file.model->buffers().size(), 6u);
  std::weak_ptr<const void> memory = file.data;
  file.data.reset();
  EXPECT_FALSE(memory.expired());
  file.model.reset();
  EXPECT_TRUE(memory.expired());
}

TEST(TfliteReaderRealModelsTest, PersonDetect) {
  SKIP_WITHOUT_MODELS();
  InMemory file(ModelPath("person_detect.tflite"));
  ASSERT_NE(file.model, nullptr);
  const HostSubgraph& sg = file.model->subgraph(0);
  EXPECT_EQ(sg.num_tensors(), 89u);
  EXPECT_EQ(NumConstants(sg), 57u);
  TableView v(*file.model);
  ASSERT_EQ(v.NumOps(), 31u);

  // Codes come from the one-byte field: builtin_code is missing in this file.
  int dw = 0, conv = 0;
  for (uint64_t i = 0; i < 31; ++i) {
    dw += v.Code(v.Op(i)) == kZorvelOpCodeDepthwiseConv2d;
    conv += v.Code(v.Op(i)) == kZorvelOpCodeConv2d;
  }
  EXPECT_EQ(dw, 14);
  EXPECT_EQ(conv, 14);

  ZorvelOp op0 = v.Op(0);
  EXPECT_EQ(v.Code(op0), kZorvelOpCodeDepthwiseConv2d);
  EXPECT_THAT(v.Inputs(op0), ElementsAre(88, 0, 33));
  EXPECT_EQ(v.Enum(op0, 52), 0u);  // SAME
  EXPECT_EQ(v.Int(op0, 53), 2);
  EXPECT_EQ(v.Int(op0, 54), 2);
  EXPECT_EQ(v.Int(op0, 55), 8);    // depth multiplier
  EXPECT_EQ(v.Enum(op0, 56), 3u);  // RELU6
  EXPECT_EQ(v.Int(op0, 57), 1);
  EXPECT_EQ(v.Int(op0, 58), 1);

  ZorvelTensor input = v.Input(op0, 0);
  EXPECT_EQ(v.Name(input), "input");
  EXPECT_EQ(v.ElementType(input), kZorvelElementTypeInt8);
  EXPECT_THAT(v.Dims(input), ElementsAre(1, 96, 96, 1));
  ASSERT_EQ(v.QuantKind(input), kZorvelQuantizationPerTensor);
  EXPECT_FLOAT_EQ(v.PerTensor(input).scale, 0.0078431377f);
  EXPECT_EQ(v.PerTensor(input).zero_point, -1);

  ZorvelTensor filter = v.Input(op0, 1);
  EXPECT_THAT(v.Dims(filter), ElementsAre(1, 3, 3, 8));
  ASSERT_EQ(v.QuantKind(filter), kZorvelQuantizationPerChannel);
  EXPECT_EQ(v.PerChannel(filter).quantized_dimension, 3);
  EXPECT_EQ(v.PerChannel(filter).num_channels, 8u);
  auto fw = v.Bytes(filter);
  EXPECT_EQ(fw.second, 72u);
  EXPECT_TRUE(file.Inside(fw));
  EXPECT_THAT((std::vector<int8_t>(fw.first, fw.first + 4)), ElementsAre(-75, 121, -100, 103));
  ZorvelTensor bias = v.Input(op0, 2);
  EXPECT_EQ(v.ElementType(bias), kZorvelElementTypeInt32);
  EXPECT_EQ(v.PerChannel(bias).num_channels, 8u);
  EXPECT_EQ(v.PerChannel(bias).quantized_dimension, 0);  // the file says 3 on this 1-D bias
  EXPECT_EQ(ValueAt<int32_t>(v.Bytes(bias), 2), -84394);

  EXPECT_EQ(v.PerChannel(v.Input(v.Op(2), 1)).quantized_dimension, 0);  // CONV_2D filter

  ZorvelOp pool = v.Op(27), reshape = v.Op(29), softmax = v.Op(30);
  ASSERT_EQ(v.Code(pool), kZorvelOpCodeAveragePool2d);
  EXPECT_EQ(v.Enum(pool, 84), 1u);  // VALID
  EXPECT_EQ(v.Int(pool, 85), 2);
  EXPECT_EQ(v.Int(pool, 86), 2);
  EXPECT_EQ(v.Int(pool, 87), 3);
  EXPECT_EQ(v.Int(pool, 88), 3);
  EXPECT_EQ(v.Enum(pool, 89), 0u);
  ASSERT_EQ(v.Code(reshape), kZorvelOpCodeReshape);
  EXPECT_THAT(v.Inputs(reshape), ElementsAre(28, 32));
  EXPECT_THAT(v.NewShape(reshape), ElementsAre(1, 2));
  ASSERT_EQ(v.Code(softmax), kZorvelOpCodeSoftmax);
  EXPECT_FLOAT_EQ(v.Real(softmax, 71), 1.0f);
  ZorvelTensor output = v.Output(softmax, 0);
  EXPECT_EQ(v.Name(output), "MobilenetV1/Predictions/Reshape_1");
  EXPECT_FLOAT_EQ(v.PerTensor(output).scale, 0.00390625f);
  EXPECT_EQ(v.PerTensor(output).zero_point, -128);
}

TEST(TfliteReaderRealModelsTest, SeanetConvWithInt16ActivationsAndInt64Bias) {
  SKIP_WITHOUT_MODELS();
  auto model = ReadTfliteFile(ModelPath("seanet/conv/conv0.tflite"));
  ASSERT_TRUE(model.ok()) << model.status();
  TableView v(**model);
  ASSERT_EQ(v.NumOps(), 1u);
  ZorvelOp op = v.Op(0);
  EXPECT_EQ(v.Code(op), kZorvelOpCodeConv2d);
  EXPECT_EQ(v.Enum(op, 46), 1u);  // VALID
  EXPECT_EQ(v.Int(op, 47), 1);
  EXPECT_EQ(v.Int(op, 48), 1);
  EXPECT_EQ(v.Enum(op, 49), 0u);
  EXPECT_EQ(v.Int(op, 50), 1);
  EXPECT_EQ(v.Int(op, 51), 1);

  ZorvelTensor input = v.Input(op, 0);
  EXPECT_EQ(v.ElementType(input), kZorvelElementTypeInt16);
  EXPECT_THAT(v.Dims(input), ElementsAre(1, 8, 166, 2));
  EXPECT_FLOAT_EQ(v.PerTensor(input).scale, 0.00088122545f);
  ZorvelTensor filter = v.Input(op, 1);
  auto fq = v.PerChannel(filter);
  ASSERT_EQ(fq.num_channels, 8u);
  EXPECT_FLOAT_EQ(fq.scales[0], 0.009381128f);
  EXPECT_THAT(std::vector<int64_t>(fq.zero_points, fq.zero_points + 8), ::testing::Each(0));
  EXPECT_EQ(v.Bytes(filter).second, 784u);
  ZorvelTensor bias = v.Input(op, 2);
  EXPECT_EQ(v.ElementType(bias), kZorvelElementTypeInt64);
  EXPECT_EQ(ValueAt<int64_t>(v.Bytes(bias), 0), -34);
  EXPECT_EQ(ValueAt<int64_t>(v.Bytes(bias), 3), -11);
  ZorvelTensor output = v.Output(op, 0);
  EXPECT_THAT(v.Dims(output), ElementsAre(1, 2, 160, 8));
  EXPECT_EQ(v.Bytes(output).second, 0u);  // buffer 3 is empty
}

TEST(TfliteReaderRealModelsTest, OtherModels) {
  SKIP_WITHOUT_MODELS();
  {
    auto model = ReadTfliteFile(ModelPath("hello_world_int8.tflite"));
    ASSERT_TRUE(model.ok()) << model.status();
    TableView v(**model);
    ZorvelTensor input = v.Input(v.Op(0), 0);
    EXPECT_EQ(v.ElementType(input), kZorvelElementTypeInt8);
    EXPECT_FLOAT_EQ(v.PerTensor(input).scale, 0.024480116f);
    EXPECT_EQ(v.PerTensor(input).zero_point, -128);
  }
  {
    auto model = ReadTfliteFile(ModelPath("keyword_scrambled.tflite"));
    ASSERT_TRUE(model.ok()) << model.status();
    EXPECT_EQ((*model)->subgraph(0).num_tensors(), 54u);
    TableView v(**model);
    std::set<ZorvelOpCode> codes;
    for (uint64_t i = 0; i < v.NumOps(); ++i) codes.insert(v.Code(v.Op(i)));
    EXPECT_THAT(codes, ElementsAre(kZorvelOpCodeFullyConnected, kZorvelOpCodeSoftmax,
                                   kZorvelOpCodeSvdf, kZorvelOpCodeQuantize));
    const HostSubgraph& sg = (*model)->subgraph(0);
    EXPECT_EQ(sg.inputs().at(0)->type.element_type, kZorvelElementTypeInt16);
    EXPECT_THAT(sg.inputs().at(0)->type.dims, ElementsAre(1, 96));
    EXPECT_EQ(sg.outputs().at(0)->type.element_type, kZorvelElementTypeInt32);
  }
  {
    InMemory file(ModelPath("mobilenet_v2_quantized_1x3x224x224.tflite"));
    ASSERT_NE(file.model, nullptr);
    const HostSubgraph& sg = file.model->subgraph(0);
    EXPECT_EQ(sg.num_tensors(), 212u);
    EXPECT_EQ(sg.num_ops(), 84u);
    EXPECT_EQ(sg.op(0).op_code, kZorvelOpCodeTranspose);
    EXPECT_THAT(sg.inputs().at(0)->type.dims, ElementsAre(1, 3, 224, 224));
    TableView v(*file.model);
    size_t weight_bytes = 0;
    for (const auto& [id, buffer] : file.model->buffers()) {
      EXPECT_TRUE(file.Inside({buffer->data(), buffer->size()})) << id;
      weight_bytes += buffer->size();
    }
    EXPECT_GT(weight_bytes, 3'000'000u);  // the weights are views, most of the 4 MB file
  }
}

TEST(TfliteReaderRealModelsTest, PartitionsOfAReadModelShareItsWeights) {
  SKIP_WITHOUT_MODELS();
  auto model = ReadTfliteFile(ModelPath("person_detect.tflite"));
  ASSERT_TRUE(model.ok()) << model.status();
  HostSubgraph& sg = (*model)->subgraph(0);
  // Everything but the RESHAPE: two partitions.
  ModelSelection selection(**model);
  for (OpId i = 0; i < sg.num_ops(); ++i) {
    if (sg.op(i).op_code != kZorvelOpCodeReshape) {
      ASSERT_EQ(selection[0].Add(sg.op(i), 0), kZorvelStatusOk);
    }
  }
  PartitionedModel partitioned = FormPartitions(selection);
  ASSERT_EQ(partitioned.partitions.size(), 2u);
  size_t constants = 0;
  for (size_t p = 0; p < partitioned.partitions.size(); ++p) {
    const HostSubgraph& part = partitioned.model->subgraph(p);
    for (TensorId t = 0; t < part.num_tensors(); ++t) {
      const HostWeights& w = part.tensor(t).weights;
      if (w.buffer == nullptr) continue;
      ++constants;
      const HostTensor& source = sg.tensor(partitioned.partitions[p].source_tensors[t]);
      EXPECT_EQ(w.buffer_id, source.weights.buffer_id);
      EXPECT_EQ(w.buffer->data(), source.weights.buffer->data());
    }
  }
  EXPECT_EQ(constants, NumConstants(sg) - 1);  // the RESHAPE's shape stays with the host
}

// --- Hand-built files -------------------------------------------------------------------------

using flatbuffers::FlatBufferBuilder;
using flatbuffers::Offset;

constexpr flatbuffers::voffset_t F(int id) {
  return static_cast<flatbuffers::voffset_t>(4 + 2 * id);
}

struct TensorSpec {
  TensorSpec(std::string n, int8_t t, std::vector<int32_t> s, uint32_t b = 0,
             std::vector<float> sc = {}, std::vector<int64_t> zp = {}, int32_t a = 0)
      : name(std::move(n)),
        type(t),
        shape(std::move(s)),
        buffer(b),
        scales(std::move(sc)),
        zero_points(std::move(zp)),
        axis(a) {}
  std::string name;
  int8_t type;
  std::vector<int32_t> shape;
  uint32_t buffer;
  std::vector<float> scales;
  std::vector<int64_t> zero_points;
  int32_t axis;
};
struct BufferSpec {
  BufferSpec(std::vector<uint8_t> d = {}, std::vector<uint8_t> app = {}, uint64_t o = 0,
             uint64_t s = 0)
      : data(std::move(d)), appended(std::move(app)), offset(o), size(s) {}
  std::vector<uint8_t> data;
  std::vector<uint8_t> appended;  // stored after the FlatBuffer, found by offset and size
  uint64_t offset, size;          // explicit values, when `appended` is empty
};
using TableWriter = std::function<uint32_t(FlatBufferBuilder&)>;
struct OpSpec {
  OpSpec(uint32_t index, std::vector<int32_t> in, std::vector<int32_t> out, uint8_t type = 0,
         TableWriter writer = nullptr)
      : opcode_index(index),
        inputs(std::move(in)),
        outputs(std::move(out)),
        options_type(type),
        options(std::move(writer)) {}
  uint32_t opcode_index;
  std::vector<int32_t> inputs, outputs;
  uint8_t options_type;
  TableWriter options;
  uint8_t options2_type = 0;
  TableWriter options2;
};
struct SubgraphSpec {
  std::vector<TensorSpec> tensors;
  std::vector<int32_t> inputs, outputs;
  std::vector<OpSpec> ops;
};
struct ModelSpec {
  uint32_t version = 3;
  std::vector<std::pair<int8_t, int32_t>> codes;  // deprecated_builtin_code, builtin_code
  std::vector<SubgraphSpec> subgraphs;
  std::vector<BufferSpec> buffers;
};

std::vector<uint8_t> Write(const ModelSpec& m, uint64_t appended_at) {
  FlatBufferBuilder b;
  std::vector<Offset<void>> codes;
  for (auto [deprecated, builtin] : m.codes) {
    auto start = b.StartTable();
    b.AddElement<int8_t>(F(0), deprecated, 0);
    b.AddElement<int32_t>(F(3), builtin, 0);
    codes.push_back(Offset<void>(b.EndTable(start)));
  }
  std::vector<Offset<void>> subgraphs;
  for (const SubgraphSpec& s : m.subgraphs) {
    std::vector<Offset<void>> tensors;
    for (const TensorSpec& t : s.tensors) {
      auto shape = b.CreateVector(t.shape);
      auto name = b.CreateString(t.name);
      Offset<void> quant;
      if (!t.scales.empty()) {
        auto scales = b.CreateVector(t.scales);
        auto zero_points = b.CreateVector(t.zero_points);
        auto start = b.StartTable();
        b.AddOffset(F(2), scales);
        b.AddOffset(F(3), zero_points);
        b.AddElement<int32_t>(F(6), t.axis, 0);
        quant = Offset<void>(b.EndTable(start));
      }
      auto start = b.StartTable();
      b.AddOffset(F(0), shape);
      b.AddElement<int8_t>(F(1), t.type, 0);
      b.AddElement<uint32_t>(F(2), t.buffer, 0);
      b.AddOffset(F(3), name);
      if (!quant.IsNull()) b.AddOffset(F(4), quant);
      tensors.push_back(Offset<void>(b.EndTable(start)));
    }
    std::vector<Offset<void>> ops;
    for (const OpSpec& op : s.ops) {
      auto inputs = b.CreateVector(op.inputs);
      auto outputs = b.CreateVector(op.outputs);
      Offset<void> options, options2;
      if (op.options) options = Offset<void>(op.options(b));
      if (op.options2) options2 = Offset<void>(op.options2(b));
      auto start = b.StartTable();
      b.AddElement<uint32_t>(F(0), op.opcode_index, 0);
      b.AddOffset(F(1), inputs);
      b.AddOffset(F(2), outputs);
      b.AddElement<uint8_t>(F(3), op.options_type, 0);
      if (!options.IsNull()) b.AddOffset(F(4), options);
      b.AddElement<uint8_t>(F(11), op.options2_type, 0);
      if (!options2.IsNull()) b.AddOffset(F(12), options2);
      ops.push_back(Offset<void>(b.EndTable(start)));
    }
    auto tensor_vector = b.CreateVector(tensors);
    auto inputs = b.CreateVector(s.inputs);
    auto outputs = b.CreateVector(s.outputs);
    auto op_vector = b.CreateVector(ops);
    auto start = b.StartTable();
    b.AddOffset(F(0), tensor_vector);
    b.AddOffset(F(1), inputs);
    b.AddOffset(F(2), outputs);
    b.AddOffset(F(3), op_vector);
    subgraphs.push_back(Offset<void>(b.EndTable(start)));
  }
  std::vector<Offset<void>> buffers;
  uint64_t next_appended = appended_at;
  for (const BufferSpec& buf : m.buffers) {
    Offset<flatbuffers::Vector<uint8_t>> data;
    if (!buf.data.empty()) data = b.CreateVector(buf.data);
    uint64_t offset = buf.offset, size = buf.size;
    if (!buf.appended.empty()) {
      offset = next_appended;
      size = buf.appended.size();
      next_appended += (size + 15) / 16 * 16;
    }
    auto start = b.StartTable();
    if (!data.IsNull()) b.AddOffset(F(0), data);
    b.AddElement<uint64_t>(F(1), offset, 0);
    b.AddElement<uint64_t>(F(2), size, 0);
    buffers.push_back(Offset<void>(b.EndTable(start)));
  }
  auto code_vector = b.CreateVector(codes);
  auto subgraph_vector = b.CreateVector(subgraphs);
  auto buffer_vector = b.CreateVector(buffers);
  auto start = b.StartTable();
  b.AddElement<uint32_t>(F(0), m.version, 0);
  b.AddOffset(F(1), code_vector);
  b.AddOffset(F(2), subgraph_vector);
  b.AddOffset(F(4), buffer_vector);
  b.Finish(Offset<void>(b.EndTable(start)), "TFL3");
  return std::vector<uint8_t>(b.GetBufferPointer(), b.GetBufferPointer() + b.GetSize());
}

// The file bytes: the FlatBuffer, then the appended buffer data at 16-byte boundaries.
std::vector<uint8_t> Build(const ModelSpec& m) {
  // The offsets do not change the layout, so a first pass gives the FlatBuffer's size.
  std::vector<uint8_t> file = Write(m, 16);
  const uint64_t appended_at = (file.size() + 15) / 16 * 16;
  file = Write(m, appended_at);
  for (const BufferSpec& buf : m.buffers) {
    if (buf.appended.empty()) continue;
    file.resize((file.size() + 15) / 16 * 16);
    file.insert(file.end(), buf.appended.begin(), buf.appended.end());
  }
  return file;
}

absl::StatusOr<std::unique_ptr<HostModel>> Read(const std::vector<uint8_t>& file) {
  return ReadTfliteBuffer(AlignedCopy(file.data(), file.size()), file.size());
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  return std::vector<uint8_t>(values.begin(), values.end());
}

constexpr int8_t kInt8 = 9, kInt32 = 2, kFloat32 = 0;

TableWriter Conv2dOptions(int8_t padding, int32_t stride_w, int32_t stride_h, int8_t activation,
                          int32_t dilation_w) {
  return [=](FlatBufferBuilder& b) {
    auto start = b.StartTable();
    b.AddElement<int8_t>(F(0), padding, 0);
    b.AddElement<int32_t>(F(1), stride_w, 0);
    b.AddElement<int32_t>(F(2), stride_h, 0);
    b.AddElement<int8_t>(F(3), activation, 0);
    b.AddElement<int32_t>(F(4), dilation_w, 1);
    return b.EndTable(start);
  };
}

// x int8 [1,2,2,2] -> CONV_2D(x, w int8 [2,1,1,2] per-channel, b int32 [2]) -> y.
ModelSpec QuantizedConv() {
  ModelSpec m;
  m.codes = {{3, 3}};
  m.buffers = {{}, {Bytes({1, 2, 3, 4})}, {Bytes({5, 0, 0, 0, 6, 0, 0, 0})}, {}};
  SubgraphSpec s;
  s.tensors = {
      {"x", kInt8, {1, 2, 2, 2}, 0, {0.5f}, {3}},
      {"w", kInt8, {2, 1, 1, 2}, 1, {0.25f, 0.125f}, {0}, 0},
      {"b", kInt32, {2}, 2, {0.125f, 0.0625f}, {1, 2}, 0},
      {"y", kInt8, {1, 2, 2, 2}, 3, {0.5f}, {}},
  };
  s.inputs = {0};
  s.outputs = {3};
  s.ops = {{0, {0, 1, 2}, {3}, 1, Conv2dOptions(1, 2, 1, 3, 3)}};
  m.subgraphs = {s};
  return m;
}

TEST(TfliteReaderTest, QuantizationConstantsAndOptions) {
  const std::vector<uint8_t> file = Build(QuantizedConv());
  auto data = AlignedCopy(file.data(), file.size());
  auto model = ReadTfliteBuffer(data, file.size());
  ASSERT_TRUE(model.ok()) << model.status();
  TableView v(**model);
  ZorvelOp op = v.Op(0);
  EXPECT_EQ(v.Code(op), kZorvelOpCodeConv2d);
  EXPECT_EQ(v.Enum(op, 46), 1u);
  EXPECT_EQ(v.Int(op, 47), 2);
  EXPECT_EQ(v.Int(op, 48), 1);
  EXPECT_EQ(v.Enum(op, 49), 3u);
  EXPECT_EQ(v.Int(op, 50), 3);
  EXPECT_EQ(v.Int(op, 51), 1);  // left out of the table: the default

  ZorvelTensor x = v.Input(op, 0);
  EXPECT_EQ(v.PerTensor(x).scale, 0.5f);
  EXPECT_EQ(v.PerTensor(x).zero_point, 3);
  EXPECT_EQ(v.PerTensor(v.Output(op, 0)).zero_point, 0);  // no zero points: zero

  ZorvelTensor w = v.Input(op, 1);
  auto wq = v.PerChannel(w);
  EXPECT_EQ(wq.quantized_dimension, 0);
  EXPECT_THAT(std::vector<float>(wq.scales, wq.scales + wq.num_channels),
              ElementsAre(0.25f, 0.125f));
  // One zero point stands for every channel.
  EXPECT_THAT(std::vector<int64_t>(wq.zero_points, wq.zero_points + wq.num_channels),
              ElementsAre(0, 0));
  auto bq = v.PerChannel(v.Input(op, 2));
  EXPECT_THAT(std::vector<int64_t>(bq.zero_points, bq.zero_points + bq.num_channels),
              ElementsAre(1, 2));

  int32_t buffer_id = -1;
  auto bytes = v.Bytes(w, &buffer_id);
  EXPECT_EQ(buffer_id, 1);
  EXPECT_THAT(std::vector<uint8_t>(bytes.first, bytes.first + bytes.second),
              ElementsAre(1, 2, 3, 4));
  const auto* base = static_cast<const uint8_t*>(data.get());
  EXPECT_TRUE(bytes.first > base && bytes.first + 4 <= base + file.size());
  EXPECT_EQ(v.Bytes(v.Output(op, 0)).second, 0u);
}

TEST(TfliteReaderTest, CompositeWithAttributes) {
  flexbuffers::Builder fbb;
  fbb.Map([&] {
    fbb.Double("epsilon", 1e-5);
    fbb.Int("axis", -1);
  });
  fbb.Finish();
  const std::vector<uint8_t> attributes = fbb.GetBuffer();

  ModelSpec m;
  m.codes = {{127, 206}};
  m.buffers = {{}};
  SubgraphSpec s;
  s.tensors = {{"x", kFloat32, {1, 8}}, {"y", kFloat32, {1, 8}}};
  s.inputs = {0};
  s.outputs = {1};
  OpSpec op{0, {0}, {1}};
  op.options2_type = 21;
  op.options2 = [&](FlatBufferBuilder& b) {
    auto name = b.CreateString("qvex.rms_norm");
    auto attrs = b.CreateVector(attributes);
    auto start = b.StartTable();
    b.AddOffset(F(0), name);
    b.AddElement<int32_t>(F(1), 1, 0);
    b.AddOffset(F(2), attrs);
    b.AddElement<int32_t>(F(4), 2, 0);
    return b.EndTable(start);
  };
  s.ops = {op};
  SubgraphSpec decomposition;
  decomposition.tensors = {{"x", kFloat32, {1, 8}}};
  m.subgraphs = {s, decomposition};

  auto model = Read(Build(m));
  ASSERT_TRUE(model.ok()) << model.status();
  TableView v(**model);
  EXPECT_EQ(v.NumSubgraphs(), 2u);
  ZorvelOp composite = v.Op(0);
  EXPECT_EQ(v.Code(composite), kZorvelOpCodeStablehloComposite);
  const char* name = nullptr;
  EXPECT_EQ(v.table()->get_composite_op_name(composite, &name), kZorvelStatusOk);
  EXPECT_STREQ(name, "qvex.rms_norm");
  int32_t index = -1, version = -1, size = -1;
  const uint8_t* bytes = nullptr;
  EXPECT_EQ(v.table()->get_composite_op_decomposition_subgraph_index(composite, &index), 0);
  EXPECT_EQ(v.table()->get_composite_op_version(composite, &version), 0);
  EXPECT_EQ(v.table()->get_composite_op_attributes(composite, &bytes, &size), 0);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(version, 2);
  ASSERT_EQ(size, static_cast<int32_t>(attributes.size()));
  EXPECT_THAT(std::vector<uint8_t>(bytes, bytes + size), ElementsAreArray(attributes));
  EXPECT_DOUBLE_EQ(flexbuffers::GetRoot(bytes, size).AsMap()["epsilon"].AsDouble(), 1e-5);

  // Without its options a composite reads with an empty name and no attributes.
  m.subgraphs[0].ops[0].options2_type = 0;
  m.subgraphs[0].ops[0].options2 = nullptr;
  model = Read(Build(m));
  ASSERT_TRUE(model.ok()) << model.status();
  const HostOp& bare = (*model)->subgraph(0).op(0);
  ASSERT_TRUE(bare.composite.has_value());
  EXPECT_EQ(bare.composite->name, "");
  EXPECT_TRUE(bare.composite->attributes.empty());
}

TEST(TfliteReaderTest, OpCodesAndOptionalInputs) {
  // FULLY_CONNECTED with its bias left out; GELU (a code above 127); a custom op; a code the
  // host does not know, passed on as it is.
  ModelSpec m;
  m.codes = {{9, 9}, {127, 150}, {32, 32}, {127, 300}};
  m.buffers = {{}, {std::vector<uint8_t>(16, 0)}};
  SubgraphSpec s;
  s.tensors = {{"x", kFloat32, {1, 4}},      {"w", kFloat32, {1, 4}, 1},
               {"fc", kFloat32, {1, 1}},     {"gelu", kFloat32, {1, 1}},
               {"custom", kFloat32, {1, 1}}, {"unknown", kFloat32, {1, 1}}};
  s.inputs = {0};
  s.outputs = {5};
  OpSpec gelu{1, {2}, {3}, 116, [](FlatBufferBuilder& b) {
                auto start = b.StartTable();
                b.AddElement<uint8_t>(F(0), 1, 0);
                return b.EndTable(start);
              }};
  s.ops = {{0, {0, 1, -1}, {2}}, gelu, {2, {3}, {4}}, {3, {4}, {5}}};
  m.subgraphs = {s};

  auto model = Read(Build(m));
  ASSERT_TRUE(model.ok()) << model.status();
  TableView v(**model);
  EXPECT_THAT(v.Inputs(v.Op(0)), ElementsAre(0, 1));
  EXPECT_EQ(v.Enum(v.Op(0), 66), 0u);  // no options table: defaults
  EXPECT_EQ(v.Code(v.Op(1)), kZorvelOpCodeGelu);
  EXPECT_TRUE(v.Flag(v.Op(1), 126));
  EXPECT_EQ(v.Code(v.Op(2)), kZorvelOpCodeCustom);
  EXPECT_EQ(v.Code(v.Op(3)), 300);
}

TEST(TfliteReaderTest, BufferStoredAfterTheFlatBuffer) {
  ModelSpec m = QuantizedConv();
  m.buffers[1] = BufferSpec{{}, Bytes({9, 8, 7, 6})};
  const std::vector<uint8_t> file = Build(m);
  auto data = AlignedCopy(file.data(), file.size());
  auto model = ReadTfliteBuffer(data, file.size());
  ASSERT_TRUE(model.ok()) << model.status();
  const HostBuffer& w = *(*model)->subgraph(0).tensor(1).weights.buffer;
  ASSERT_EQ(w.size(), 4u);
  EXPECT_EQ(w.data(), static_cast<const uint8_t*>(data.get()) + file.size() - 4);
  EXPECT_THAT(std::vector<uint8_t>(w.data(), w.data() + 4), ElementsAre(9, 8, 7, 6));

  // The same range past the end of the file is refused.
  auto short_file = std::vector<uint8_t>(file.begin(), file.end() - 1);
  auto refused = Read(short_file);
  ASSERT_FALSE(refused.ok());
  EXPECT_THAT(refused.status().message(), HasSubstr("buffer 1 lies at bytes ["));
  EXPECT_THAT(refused.status().message(),
              HasSubstr("but the file has " + std::to_string(short_file.size()) + " bytes"));
}

// Each case edits the small conv model into a faulty one and names the message it must give.
struct RefusalCase {
  const char* what;
  std::function<void(ModelSpec&)> edit;
  const char* message;
};

TEST(TfliteReaderTest, FaultyFilesAreRefusedWithTheirReason) {
  const RefusalCase cases[] = {
      {"buffer out of range", [](ModelSpec& m) { m.subgraphs[0].tensors[1].buffer = 9; },
       "tensor 1 of subgraph 0 references buffer 9, but the model has 4 buffers"},
      {"tensor out of range", [](ModelSpec& m) { m.subgraphs[0].ops[0].inputs[1] = 57; },
       "operator 0 of subgraph 0 references tensor 57, but the subgraph has 4 tensors"},
      {"output out of range", [](ModelSpec& m) { m.subgraphs[0].ops[0].outputs = {-1}; },
       "operator 0 of subgraph 0 references tensor -1, but the subgraph has 4 tensors"},
      {"opcode out of range", [](ModelSpec& m) { m.subgraphs[0].ops[0].opcode_index = 4; },
       "operator 0 of subgraph 0 uses operator code 4, but the model has 1 operator codes"},
      {"subgraph input out of range",
       [](ModelSpec& m) {
         m.subgraphs[0].inputs = {0, 4};
       },
       "subgraph 0 lists tensor 4 as an input, but the subgraph has 4 tensors"},
      {"subgraph output out of range", [](ModelSpec& m) { m.subgraphs[0].outputs = {-2}; },
       "subgraph 0 lists tensor -2 as an output, but the subgraph has 4 tensors"},
      {"constant of the wrong size",
       [](ModelSpec& m) {
         m.subgraphs[0].tensors[1].shape = {2, 1, 1, 3};
       },
       "tensor 1 of subgraph 0 has 6 elements of INT8 (6 bytes), but buffer 1 holds 4 bytes"},
      {"data in buffer 0", [](ModelSpec& m) { m.buffers[0].data = {1}; },
       "buffer 0 must be empty, but holds 1 bytes"},
      {"options of another op", [](ModelSpec& m) { m.subgraphs[0].ops[0].options_type = 5; },
       "operator 0 of subgraph 0 (op code 3) carries options of union type 5, but that op takes "
       "type 1"},
      {"input left out in the middle",
       [](ModelSpec& m) {
         m.subgraphs[0].ops[0].inputs = {0, -1, 2};
       },
       "operator 0 of subgraph 0 leaves out input 1 before a given input"},
      {"op writes a constant", [](ModelSpec& m) { m.subgraphs[0].ops[0].outputs = {1}; },
       "operator 0 of subgraph 0 writes tensor 1, which is a constant"},
      {"op reads a later result",
       [](ModelSpec& m) {
         m.subgraphs[0].ops.insert(m.subgraphs[0].ops.begin(), OpSpec{0, {3, 1, 2}, {0}});
         m.subgraphs[0].inputs = {};
       },
       "operator 0 of subgraph 0 reads tensor 3 before operator 1 writes it"},
      {"two producers",
       [](ModelSpec& m) {
         m.subgraphs[0].ops.push_back(OpSpec{0, {0, 1, 2}, {3}});
       },
       "tensor 3 of subgraph 0 is written by operators 0 and 1"},
      {"scales that do not match the channels",
       [](ModelSpec& m) { m.subgraphs[0].tensors[1].axis = 1; },
       "tensor 1 of subgraph 0 has 2 quantization scales along dimension 1, whose extent is 1"},
      {"quantized along a missing dimension",
       [](ModelSpec& m) { m.subgraphs[0].tensors[1].axis = 4; },
       "tensor 1 of subgraph 0 is quantized along dimension 4, but has rank 4"},
      {"zero points that do not match the scales",
       [](ModelSpec& m) {
         m.subgraphs[0].tensors[2].zero_points = {1, 2, 3};
       },
       "tensor 2 of subgraph 0 has 2 quantization scales but 3 zero points"},
      {"unknown element type", [](ModelSpec& m) { m.subgraphs[0].tensors[3].type = 23; },
       "tensor 3 of subgraph 0 has the unknown element type 23"},
      {"rank above the host's", [](ModelSpec& m) { m.subgraphs[0].tensors[3].shape.resize(9, 1); },
       "tensor 3 of subgraph 0 has rank 9, above the host's maximum of 8"},
      {"placeholder code",
       [](ModelSpec& m) {
         m.codes[0] = {127, 0};
       },
       "operator code 0 has the placeholder code 127 but no builtin code"},
      {"schema version", [](ModelSpec& m) { m.version = 2; },
       "the model has schema version 2; only version 3 is read"},
      {"no subgraphs", [](ModelSpec& m) { m.subgraphs.clear(); }, "the model has no subgraphs"},
      {"external range past the end",
       [](ModelSpec& m) {
         m.buffers[1] = BufferSpec{{}, {}, 1u << 20, 4};
       },
       "buffer 1 lies at bytes [1048576, 1048580) of the file"},
  };
  for (const RefusalCase& c : cases) {
    ModelSpec m = QuantizedConv();
    c.edit(m);
    auto model = Read(Build(m));
    ASSERT_FALSE(model.ok()) << c.what;
    EXPECT_EQ(model.status().code(), absl::StatusCode::kInvalidArgument) << c.what;
    EXPECT_THAT(model.status().message(), HasSubstr(c.message)) << c.what;
  }
}

TEST(TfliteReaderTest, NotAModel) {
  std::vector<uint8_t> file = Build(QuantizedConv());
  file[4] = 'X';
  auto model = Read(file);
  ASSERT_FALSE(model.ok());
  EXPECT_THAT(model.status().message(), HasSubstr("identifier is not 'TFL3'"));
  EXPECT_FALSE(Read(std::vector<uint8_t>(5, 0)).ok());

  auto missing = ReadTfliteFile("/nonexistent/model.tflite");
  EXPECT_EQ(missing.status().code(), absl::StatusCode::kNotFound);
  EXPECT_THAT(missing.status().message(), HasSubstr("/nonexistent/model.tflite"));
  EXPECT_FALSE(ReadTfliteFile("/").ok());

  // Misaligned memory is refused rather than misread.
  file.push_back(0);
  auto data = AlignedCopy(file.data(), file.size());
  std::shared_ptr<const void> shifted(data, static_cast<const uint8_t*>(data.get()) + 1);
  EXPECT_THAT(ReadTfliteBuffer(shifted, file.size() - 1).status().message(), HasSubstr("aligned"));
}

// --- Damaged files ----------------------------------------------------------------------------

// Reads a damaged copy; the result is either a model or an error, never a crash or a read outside
// the copy (the sanitizer build checks that).
void ReadDamaged(const std::vector<uint8_t>& bytes, size_t size, int* refused) {
  auto model = ReadTfliteBuffer(AlignedCopy(bytes.data(), size), size);
  if (!model.ok()) {
    ++*refused;
    EXPECT_FALSE(model.status().message().empty());
    return;
  }
  // What was read must also be safe to walk through the host API.
  TableView v(**model);
  for (uint64_t s = 0; s < v.NumSubgraphs(); ++s) {
    for (uint64_t i = 0; i < v.NumOps(s); ++i) {
      ZorvelOp op = v.Op(i, s);
      for (size_t k = 0; k < v.Inputs(op).size(); ++k) v.Bytes(v.Input(op, k));
    }
  }
}

TEST(TfliteReaderFuzzTest, TruncatedFilesAreRefused) {
  SKIP_WITHOUT_MODELS();
  // Every 7th length of the small models and a coarser stride through a larger one, plus the
  // last 64 lengths of each.
  const std::pair<const char*, size_t> models[] = {{"hello_world_float.tflite", 7},
                                                   {"seanet/conv/conv0.tflite", 7},
                                                   {"hello_world_int8.tflite", 7},
                                                   {"person_detect.tflite", 1021}};
  for (auto [name, stride] : models) {
    const std::vector<uint8_t> bytes = LoadFile(ModelPath(name));
    ASSERT_FALSE(bytes.empty()) << name;
    int refused = 0, tried = 0;
    for (size_t size = 0; size < bytes.size(); size += (size + 64 >= bytes.size() ? 1 : stride)) {
      ReadDamaged(bytes, size, &refused);
      ++tried;
    }
    // In these files every cut loses a table, vector or buffer the reader checks.
    EXPECT_EQ(refused, tried) << name;
  }
}

TEST(TfliteReaderFuzzTest, FlippedBytesAreReadSafely) {
  SKIP_WITHOUT_MODELS();
  std::mt19937 rng(20261209);
  for (const char* name :
       {"hello_world_float.tflite", "person_detect.tflite", "keyword_scrambled.tflite"}) {
    const std::vector<uint8_t> original = LoadFile(ModelPath(name));
    ASSERT_FALSE(original.empty()) << name;
    int refused = 0;
    // Flips in the tables matter; most of a large file is weight bytes, so aim at the front too.
    const size_t front = std::min<size_t>(original.size(), 4096);
    for (int round = 0; round < 1000; ++round) {
      std::vector<uint8_t> bytes = original;
      const int flips = 1 + static_cast<int>(rng() % 4);
      for (int f = 0; f < flips; ++f) {
        const size_t span = (rng() % 2 == 0) ? front : bytes.size();
        bytes[rng() % span] ^= static_cast<uint8_t>(1u << (rng() % 8));
      }
      ReadDamaged(bytes, bytes.size(), &refused);
    }
    EXPECT_GT(refused, 0) << name;
  }
}

}  // namespace
}  // namespace zorvel::host
