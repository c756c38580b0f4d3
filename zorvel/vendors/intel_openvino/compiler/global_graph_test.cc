// The GlobalGraph container: the bytes the writer lays down, and a reader that refuses every
// truncated or inconsistent container without reading past its end.
#include "zorvel/vendors/intel_openvino/compiler/global_graph.h"

#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "openvino/core/model.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/runtime/core.hpp"
#include "zorvel/vendors/intel_openvino/compiler/partition_blob.h"

namespace zorvel::openvino {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string Le(uint64_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  return out;
}

// A partition blob as the compile driver makes it: header and a real export.
std::string ExportedBlob(const char* device) {
  auto x = std::make_shared<ov::op::v0::Parameter>(ov::element::f32, ov::Shape{4});
  auto c = ov::op::v0::Constant::create(ov::element::f32, ov::Shape{4}, {1, 2, 3, 4});
  auto model = std::make_shared<ov::Model>(
      ov::OutputVector{std::make_shared<ov::op::v1::Add>(x, c)}, ov::ParameterVector{x});
  ov::Core core;
  std::ostringstream stream;
  core.compile_model(model, device).export_model(stream);
  return WritePartitionBlob(device, stream.str());
}

GlobalGraphSubgraph Entry(std::string name, uint8_t device, std::string_view blob,
                          std::map<std::string, int32_t> bindings = {}, uint64_t extent = 0) {
  GlobalGraphSubgraph entry;
  entry.name = std::move(name);
  entry.device_code = device;
  entry.kv_cache_extent = extent;
  entry.bindings = std::move(bindings);
  entry.blob = blob;
  return entry;
}

TEST(GlobalGraphWriterTest, EmptyPoolIsFollowedByTheSubgraphCount) {
  const std::string container = WriteGlobalGraph({}, {});
  EXPECT_EQ(container, std::string("OVGLOBAL") + Le(3, 2) + Le(0, 4) + Le(0, 8) + Le(0, 4));
}

TEST(GlobalGraphWriterTest, BuffersAreLaidOutBackToBackWithTheirTable) {
  const std::string a(40, 'a');
  const std::string b(100, 'b');
  // The writer assigns offsets; whatever the caller left in the field is not used.
  const std::string container = WriteGlobalGraph({{2, 999, a}, {5, 999, b}}, {});
  const std::string expected = std::string("OVGLOBAL") + Le(3, 2) + Le(2, 4) +  //
                               Le(2, 4) + Le(0, 8) + Le(40, 8) +                //
                               Le(5, 4) + Le(40, 8) + Le(100, 8) +              //
                               Le(140, 8) + a + b + Le(0, 4);
  EXPECT_EQ(container, expected);
}

TEST(GlobalGraphWriterTest, NpuRecordWithoutKvCacheOrBindings) {
  const std::string blob = WritePartitionBlob("NPU", "exported");
  const std::string container =
      WriteGlobalGraph({}, {{"Partition_3", Entry("Partition_3", 2, blob)}});
  const std::string record = Le(11, 4) + "Partition_3" + std::string("\x02", 1) + Le(0, 8) +
                             Le(0, 4) + Le(blob.size(), 8) + blob;
  EXPECT_EQ(container.substr(8 + 2 + 4 + 8), Le(1, 4) + record);
}

TEST(GlobalGraphWriterTest, BindingsAndRecordsFollowByteWiseNameOrder) {
  const std::string gpu = WritePartitionBlob("GPU", "x");
  std::map<std::string, GlobalGraphSubgraph> entries;
  for (int i = 0; i < 12; ++i) {
    const std::string name = "Partition_" + std::to_string(i);
    entries.emplace(name, Entry(name, 1, gpu, {{"b", 7}, {"a", 7}}, 4096));
  }
  const std::string a(16, 'w');
  const std::string container = WriteGlobalGraph({{7, 0, a}}, entries);
  Expected<GlobalGraphView> view = ReadGlobalGraph(container);
  ASSERT_TRUE(view.HasValue()) << view.GetError().Message();
  std::vector<std::string> names;
  for (const GlobalGraphSubgraph& s : view->subgraphs) names.push_back(s.name);
  EXPECT_THAT(names, ElementsAre("Partition_0", "Partition_1", "Partition_10", "Partition_11",
                                 "Partition_2", "Partition_3", "Partition_4", "Partition_5",
                                 "Partition_6", "Partition_7", "Partition_8", "Partition_9"));
  // Binding a comes before b in the bytes.
  const size_t first = container.find("Partition_0");
  const std::string bindings = Le(2, 4) + Le(1, 4) + "a" + Le(7, 4) + Le(1, 4) + "b" + Le(7, 4);
  EXPECT_EQ(container.substr(first + 11 + 1 + 8, bindings.size()), bindings);
  EXPECT_EQ(view->subgraphs[0].kv_cache_extent, 4096u);
}

class GlobalGraphReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    npu_blob_ = ExportedBlob("NPU");
    gpu_blob_ = ExportedBlob("GPU");
    std::map<std::string, GlobalGraphSubgraph> entries;
    entries.emplace("Partition_0", Entry("Partition_0", 2, npu_blob_, {}, 4096));
    entries.emplace("Partition_1", Entry("Partition_1", 1, gpu_blob_, {{"w0", 3}, {"w1", 9}}));
    container_ = WriteGlobalGraph({{3, 0, pool_a_}, {9, 0, pool_b_}}, entries);
  }

  // Reads `bytes` from a heap copy of exactly their length, so the sanitizer build catches any
  // read past the end. On success every view must lie inside the copy.
  bool ReadsCleanly(std::string_view bytes) {
    std::unique_ptr<char[]> copy(new char[bytes.size() == 0 ? 1 : bytes.size()]);
    std::memcpy(copy.get(), bytes.data(), bytes.size());
    const std::string_view exact(copy.get(), bytes.size());
    Expected<GlobalGraphView> view = ReadGlobalGraph(exact);
    if (!view.HasValue()) {
      EXPECT_EQ(view.Status(), kZorvelStatusErrorInvalidArgument);
      EXPECT_THAT(view.GetError().Message(), HasSubstr("GlobalGraph container: "));
      return false;
    }
    auto inside = [&](std::string_view v) {
      return v.empty() ||
             (v.data() >= exact.data() && v.data() + v.size() <= exact.data() + exact.size());
    };
    EXPECT_TRUE(inside(view->data));
    for (const auto& buffer : view->buffers) EXPECT_TRUE(inside(buffer.bytes));
    for (const auto& subgraph : view->subgraphs) EXPECT_TRUE(inside(subgraph.blob));
    return true;
  }

  std::string Error(std::string bytes) {
    Expected<GlobalGraphView> view = ReadGlobalGraph(bytes);
    return view.HasValue() ? "" : view.GetError().Message();
  }

  const std::string pool_a_ = std::string(40, '\x11');
  const std::string pool_b_ = std::string(100, '\x22');
  std::string npu_blob_;
  std::string gpu_blob_;
  std::string container_;
};

TEST_F(GlobalGraphReaderTest, ReadsBackWhatWasWritten) {
  Expected<GlobalGraphView> view = ReadGlobalGraph(container_);
  ASSERT_TRUE(view.HasValue()) << view.GetError().Message();
  ASSERT_EQ(view->buffers.size(), 2u);
  EXPECT_EQ(view->buffers[0].id, 3);
  EXPECT_EQ(view->buffers[0].offset, 0u);
  EXPECT_EQ(view->buffers[0].bytes, pool_a_);
  EXPECT_EQ(view->buffers[1].id, 9);
  EXPECT_EQ(view->buffers[1].offset, 40u);
  EXPECT_EQ(view->buffers[1].bytes, pool_b_);
  EXPECT_EQ(view->data, pool_a_ + pool_b_);
  EXPECT_EQ(view->FindBuffer(9), &view->buffers[1]);
  EXPECT_EQ(view->FindBuffer(4), nullptr);
  ASSERT_EQ(view->subgraphs.size(), 2u);
  EXPECT_EQ(view->subgraphs[0].name, "Partition_0");
  EXPECT_EQ(view->subgraphs[0].device_code, 2);
  EXPECT_EQ(view->subgraphs[0].kv_cache_extent, 4096u);
  EXPECT_TRUE(view->subgraphs[0].bindings.empty());
  EXPECT_EQ(view->subgraphs[0].blob, npu_blob_);
  EXPECT_EQ(view->subgraphs[1].device_code, 1);
  EXPECT_EQ(view->subgraphs[1].bindings, (std::map<std::string, int32_t>{{"w0", 3}, {"w1", 9}}));
  EXPECT_EQ(view->subgraphs[1].blob, gpu_blob_);
  EXPECT_TRUE(IsGlobalGraph(container_));
  EXPECT_FALSE(IsGlobalGraph(npu_blob_));
}

TEST_F(GlobalGraphReaderTest, EveryTruncationIsRefused) {
  ASSERT_TRUE(ReadsCleanly(container_));
  for (size_t n = 0; n < container_.size(); ++n) {
    ASSERT_FALSE(ReadsCleanly(std::string_view(container_).substr(0, n))) << "length " << n;
  }
}

TEST_F(GlobalGraphReaderTest, RandomByteFlipsNeverReadOutOfBounds) {
  std::mt19937 random(1234);
  std::uniform_int_distribution<size_t> position(0, container_.size() - 1);
  std::uniform_int_distribution<int> bit(0, 7);
  // The structure sits in the first bytes and around the blobs; flip there as often as anywhere.
  std::uniform_int_distribution<size_t> early(0, 200);
  size_t refused = 0;
  for (int trial = 0; trial < 4000; ++trial) {
    std::string flipped = container_;
    const int flips = 1 + trial % 4;
    for (int f = 0; f < flips; ++f) {
      const size_t at = trial % 2 == 0 ? position(random) : early(random);
      flipped[at] = static_cast<char>(flipped[at] ^ (1 << bit(random)));
    }
    if (!ReadsCleanly(flipped)) ++refused;
  }
  // Flips inside the pool data or a blob body are not the container's to detect.
  EXPECT_GT(refused, 0u);
}

TEST_F(GlobalGraphReaderTest, InconsistentContainersAreRefusedWithTheReason) {
  EXPECT_THAT(Error("OVGLOBAX" + container_.substr(8)), HasSubstr("does not begin with"));
  EXPECT_THAT(Error("OVGLOBAL" + Le(2, 2) + container_.substr(10)),
              HasSubstr("version 2 is not supported"));
  // Buffer count far beyond what the bytes could hold.
  EXPECT_THAT(Error("OVGLOBAL" + Le(3, 2) + Le(0xFFFFFFFF, 4) + container_.substr(14)),
              HasSubstr("buffer count 4294967295"));

  std::string bad = container_;
  bad.replace(14 + 20 + 4, 8, Le(41, 8));  // second buffer's offset
  EXPECT_THAT(Error(bad), HasSubstr("starts at offset 41 instead of 40"));

  bad = container_;
  bad.replace(14 + 20, 4, Le(3, 4));  // second id equal to the first
  EXPECT_THAT(Error(bad), HasSubstr("not above the previous id"));

  bad = container_;
  bad.replace(14 + 20 + 12, 8, Le(uint64_t{1} << 62, 8));  // second size
  EXPECT_THAT(Error(bad), HasSubstr("does not fit in the container"));

  bad = container_;
  bad.replace(14 + 40, 8, Le(139, 8));  // total
  EXPECT_THAT(Error(bad), HasSubstr("pool total 139 differs"));

  EXPECT_THAT(Error(container_ + "x"), HasSubstr("1 unexpected bytes after the last record"));

  // A binding to a buffer the pool does not hold.
  std::map<std::string, GlobalGraphSubgraph> entries;
  entries.emplace("Partition_0", Entry("Partition_0", 1, gpu_blob_, {{"w", 4}}));
  EXPECT_THAT(Error(WriteGlobalGraph({{3, 0, pool_a_}}, entries)),
              HasSubstr("bound to buffer 4, which the pool does not hold"));

  // The record says GPU, the blob header NPU.
  entries.clear();
  entries.emplace("Partition_0", Entry("Partition_0", 1, npu_blob_));
  EXPECT_THAT(Error(WriteGlobalGraph({}, entries)),
              HasSubstr("has device code 1 but its blob header says 2"));

  entries.clear();
  entries.emplace("Partition_0", Entry("Partition_0", 2, "not a partition blob"));
  EXPECT_THAT(Error(WriteGlobalGraph({}, entries)), HasSubstr("does not hold a partition blob"));

  entries.clear();
  entries.emplace("Partition_0", Entry("Partition_0", 7, npu_blob_));
  EXPECT_THAT(Error(WriteGlobalGraph({}, entries)), HasSubstr("unknown device code 7"));

  // Two records with the same name (the map key orders, the entry's own name is written).
  entries.clear();
  entries.emplace("a", Entry("Partition_0", 2, npu_blob_));
  entries.emplace("b", Entry("Partition_0", 2, npu_blob_));
  EXPECT_THAT(Error(WriteGlobalGraph({}, entries)), HasSubstr("does not follow 'Partition_0'"));
}

}  // namespace
}  // namespace zorvel::openvino
