#include "zorvel/vendors/intel_openvino/compiler/alias_shared_constants.h"

#include <farmhash.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "openvino/core/graph_util.hpp"
#include "openvino/core/model.hpp"
#include "openvino/core/rt_info/weightless_caching_attributes.hpp"
#include "openvino/frontend/tensorflow_lite/frontend.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/runtime/core.hpp"
#include "zorvel/compiler/cc/zorvel_model.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/host_test_util.h"
#include "zorvel/vendors/intel_openvino/compiler/graph_iterator.h"
#include "zorvel/vendors/intel_openvino/compiler/npu_optimizer.h"
#include "zorvel/vendors/intel_openvino/compiler/openvino_compile_context.h"
#include "zorvel/vendors/intel_openvino/compiler/stacked_constants.h"

namespace zorvel::openvino {
namespace {

using ::ov::op::v0::Constant;
using ::testing::Each;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::UnorderedElementsAre;
using ::zorvel::host::HostApi;
using ::zorvel::host::HostBuffer;
using ::zorvel::host::HostModel;
using ::zorvel::host::HostSubgraph;
using ::zorvel::host::TensorId;
using ::zorvel::host::TensorType;

using ::zorvel::testing::LogOf;

std::vector<uint8_t> SeededBytes(size_t n, uint8_t seed) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(seed + 5 * i + (i >> 3));
  return bytes;
}

using ::zorvel::testing::FloatBytes;

std::vector<float> RampMod13(size_t n, float scale, float offset) {
  std::vector<float> values(n);
  for (size_t i = 0; i < n; ++i) values[i] = offset + scale * static_cast<float>((i * 7) % 13);
  return values;
}

// A constant holding its own copy of `bytes`.
std::shared_ptr<Constant> MakeConstant(const std::string& name, ov::element::Type type,
                                       ov::Shape shape, const std::vector<uint8_t>& bytes) {
  auto constant = std::make_shared<Constant>(type, shape, bytes.data());
  EXPECT_EQ(constant->get_byte_size(), bytes.size()) << name;
  constant->set_friendly_name(name);
  constant->get_output_tensor(0).set_names({name});
  return constant;
}

// x + c0 + c1 + ... over u8 or f32 constants of x's shape.
std::shared_ptr<ov::Model> SumModel(ov::element::Type type, ov::Shape shape,
                                    const std::vector<std::shared_ptr<Constant>>& constants) {
  auto x = std::make_shared<ov::op::v0::Parameter>(type, shape);
  x->set_friendly_name("x");
  x->get_output_tensor(0).set_names({"x"});
  ov::Output<ov::Node> sum = x;
  for (const auto& c : constants) sum = std::make_shared<ov::op::v1::Add>(sum, c);
  return std::make_shared<ov::Model>(ov::OutputVector{sum}, ov::ParameterVector{x});
}

std::shared_ptr<Constant> FindConstant(const std::shared_ptr<ov::Model>& model,
                                       const std::string& name) {
  for (const auto& node : model->get_ops()) {
    auto constant = ov::as_type_ptr<Constant>(node);
    if (constant != nullptr && constant->get_friendly_name() == name) return constant;
  }
  return nullptr;
}

const ov::WeightlessCacheAttribute* WeightlessOf(const ov::Node& node) {
  const auto it = node.get_rt_info().find(ov::WeightlessCacheAttribute::get_type_info_static());
  if (it == node.get_rt_info().end()) return nullptr;
  return &it->second.as<ov::WeightlessCacheAttribute>();
}

// A bank over host buffers with chosen ids: one subgraph whose ADDs read each buffer under its
// tensor name.
class HostBankTest : public ::testing::Test {
 protected:
  void AddHostBuffers(
      const std::vector<std::tuple<int32_t, std::string, std::vector<uint8_t>>>& buffers) {
    HostSubgraph& sg = model_.AddSubgraph();
    TensorId value = sg.AddInput("x", TensorType::Ranked(kZorvelElementTypeUInt8, {1}));
    for (const auto& [id, name, bytes] : buffers) {
      model_.AddBufferWithId(id, HostBuffer::Own(bytes));
      const auto dims = std::vector<int32_t>{static_cast<int32_t>(bytes.size())};
      const TensorId w =
          sg.AddConstant(name, TensorType::Ranked(kZorvelElementTypeUInt8, dims), id);
      value = sg.AddOp(kZorvelOpCodeAdd, {value, w}, "sum_" + name,
                       TensorType::Ranked(kZorvelElementTypeUInt8, {1}));
    }
    sg.AddOutput(value);
    bank_.AddHostWeights(Subgraph(api_.table(), api_.Handle(sg)));
  }
  const uint8_t* HostData(int32_t id) const { return model_.buffer(id)->data(); }

  HostApi api_;
  HostModel model_;
  WeightBank bank_;
};

// --- Bank name ---------------------------------------------------------------------------------

TEST(MakeBankNameTest, EmptyPoolIsTheFingerprintOfNoBytes) {
  EXPECT_EQ(MakeBankName({}), "zorvel_npuw_9ae16a3b2f90404f");
}

TEST(MakeBankNameTest, HashesTheIdAndContentFingerprintOfEveryEntryLittleEndian) {
  const std::vector<uint8_t> a = SeededBytes(40, 1);
  const std::vector<uint8_t> b = SeededBytes(7, 2);
  const std::vector<PoolEntry> pool = {{-1, 0, a.data(), a.size()}, {9, 40, b.data(), b.size()}};

  // Worked out byte by byte: the id zero-extended from 32 bits, then the content fingerprint.
  std::string words;
  auto append = [&](uint64_t word) {
    for (int i = 0; i < 8; ++i) words.push_back(static_cast<char>(word >> (8 * i)));
  };
  append(0x00000000ffffffffull);
  append(util::Fingerprint64(reinterpret_cast<const char*>(a.data()), a.size()));
  append(9);
  append(util::Fingerprint64(reinterpret_cast<const char*>(b.data()), b.size()));
  char expected[32];
  std::snprintf(expected, sizeof(expected), "zorvel_npuw_%016llx",
                static_cast<unsigned long long>(util::Fingerprint64(words.data(), words.size())));
  const std::string name = MakeBankName(pool);
  EXPECT_EQ(name, expected);
  ASSERT_EQ(name.size(), 28u);
  EXPECT_EQ(name.find_first_not_of("0123456789abcdef", 12), std::string::npos);
}

TEST(MakeBankNameTest, FollowsIdsAndContentsNotAddresses) {
  std::vector<uint8_t> a = SeededBytes(64, 3);
  const std::vector<uint8_t> a_copy = a;
  const std::string name = MakeBankName({{{4, 0, a.data(), a.size()}}});
  EXPECT_EQ(MakeBankName({{{4, 0, a_copy.data(), a_copy.size()}}}), name);
  EXPECT_NE(MakeBankName({{{5, 0, a.data(), a.size()}}}), name);
  a[63] ^= 0x80;
  EXPECT_NE(MakeBankName({{{4, 0, a.data(), a.size()}}}), name);
}

// --- Pool --------------------------------------------------------------------------------------

TEST_F(HostBankTest, PoolLaysBuffersOutByAscendingIdWithoutGaps) {
  AddHostBuffers({{5, "w5", SeededBytes(100, 1)}, {2, "w2", SeededBytes(40, 2)}});
  std::vector<PoolEntry> pool;
  const std::string log = LogOf([&] { pool = BuildSharedPool({}, bank_, /*prune=*/false); });
  EXPECT_TRUE(bank_.finalized());
  EXPECT_THAT(log, HasSubstr("INFO: [alias_shared_constants.cc:"));
  EXPECT_THAT(log, HasSubstr("] Weight sharing: 2 buffers, 140 bytes\n"));
  EXPECT_THAT(log, Not(HasSubstr("pruned")));
  ASSERT_EQ(pool.size(), 2u);
  EXPECT_EQ(std::tie(pool[0].id, pool[0].offset, pool[0].size), std::make_tuple(2, 0ull, 40ull));
  EXPECT_EQ(std::tie(pool[1].id, pool[1].offset, pool[1].size), std::make_tuple(5, 40ull, 100ull));
  EXPECT_EQ(pool[0].data, HostData(2));  // views of the host's memory
  EXPECT_EQ(pool[1].data, HostData(5));
  EXPECT_EQ(MakePoolOffsets(pool), (PoolOffsets{{2, 0}, {5, 40}}));
}

TEST_F(HostBankTest, NpuPrunesBuffersNoHarvestedModelStillHolds) {
  AddHostBuffers({{0, "kept", SeededBytes(30, 1)},
                  {1, "gone", SeededBytes(20, 2)},
                  {2, "also", SeededBytes(8, 3)}});
  // The harvested model kept "kept" and a generated constant; "gone" was superseded.
  auto stacked = MakeConstant("zorvel.stacked:moe_layer_0.up_packed", ov::element::u8, {12},
                              SeededBytes(12, 4));
  stacked->get_rt_info()[GeneratedConstantRtKey()] =
      ZorvelGeneratedConstantAttribute(stacked->get_friendly_name());
  auto model = SumModel(ov::element::u8, {1},
                        {MakeConstant("kept", ov::element::u8, {1}, {1}), stacked,
                         MakeConstant("also", ov::element::u8, {1}, {2})});
  ReferencedNames referenced;
  LogOf([&] { HarvestSharedConstants(model, bank_, referenced); });

  std::vector<PoolEntry> pool;
  referenced.erase("also");  // as if no partition had kept it either
  const std::string log = LogOf([&] { pool = BuildSharedPool(referenced, bank_, true); });
  EXPECT_THAT(log, HasSubstr("] Weight sharing: 4 buffers, 70 bytes\n"));
  EXPECT_THAT(log, HasSubstr("] Weight sharing: pruned 2 buffer(s) (28 bytes) superseded by a "
                             "stacked/derived constant in every partition that referenced them\n"));
  ASSERT_EQ(pool.size(), 2u);
  EXPECT_EQ(std::tie(pool[0].id, pool[0].offset, pool[0].size), std::make_tuple(0, 0ull, 30ull));
  EXPECT_EQ(std::tie(pool[1].id, pool[1].offset, pool[1].size), std::make_tuple(3, 30ull, 12ull));
  EXPECT_EQ(std::vector<uint8_t>(pool[1].data, pool[1].data + 12), SeededBytes(12, 4));
}

TEST_F(HostBankTest, GpuPoolHoldsEveryHostBuffer) {
  AddHostBuffers({{0, "a", SeededBytes(30, 1)}, {1, "b", SeededBytes(20, 2)}});
  std::vector<PoolEntry> pool;
  const std::string log = LogOf([&] { pool = BuildSharedPool({}, bank_, /*prune=*/false); });
  EXPECT_THAT(log, Not(HasSubstr("pruned")));
  EXPECT_EQ(pool.size(), 2u);
}

TEST(BuildSharedPoolTest, EmptyBankGivesAnEmptyPool) {
  WeightBank bank;
  std::vector<PoolEntry> pool;
  const std::string log = LogOf([&] { pool = BuildSharedPool({"x"}, bank, true); });
  EXPECT_THAT(log, HasSubstr("] Weight sharing: 0 buffers, 0 bytes\n"));
  EXPECT_THAT(pool, IsEmpty());
}

// --- Harvest -----------------------------------------------------------------------------------

std::shared_ptr<Constant> Generated(const std::string& name, const std::string& key,
                                    const std::vector<uint8_t>& bytes) {
  auto constant = MakeConstant(name, ov::element::u8, {bytes.size()}, bytes);
  constant->get_rt_info()[GeneratedConstantRtKey()] = ZorvelGeneratedConstantAttribute(key);
  return constant;
}

TEST_F(HostBankTest, HarvestRegistersGeneratedConstantsAndRecordsEveryName) {
  AddHostBuffers({{0, "host_w", SeededBytes(4, 1)}});
  const std::string key = StackedKey(0, "up_scale");
  // A host-named constant carrying the attribute is a host constant: it is not registered again.
  auto host_named = Generated("host_w", "host_w", SeededBytes(4, 9));
  auto model = SumModel(ov::element::u8, {4},
                        {host_named, Generated(key, key, SeededBytes(4, 2)),
                         Generated("renamed", key + "x", SeededBytes(4, 3)),
                         Generated("keyless", "", SeededBytes(4, 4)),
                         MakeConstant("plain", ov::element::u8, {4}, SeededBytes(4, 5))});
  ReferencedNames referenced;
  const std::string log = LogOf([&] { HarvestSharedConstants(model, bank_, referenced); });
  EXPECT_THAT(referenced, UnorderedElementsAre("host_w", key, "renamed", "keyless", "plain"));
  EXPECT_THAT(log, HasSubstr("ERROR: [alias_shared_constants.cc:"));
  EXPECT_THAT(log,
              HasSubstr("] HarvestSharedConstants: generated constant 'keyless' carries an empty "
                        "source_key; skipping\n"));
  EXPECT_THAT(log, HasSubstr("] HarvestSharedConstants: generated constant's friendly_name "
                             "'renamed' != source_key '" +
                             key + "x'; skipping\n"));
  EXPECT_THAT(log, HasSubstr("INFO: [alias_shared_constants.cc:"));
  EXPECT_THAT(log,
              HasSubstr("] HarvestSharedConstants: registered 1 generated/derived constants\n"));

  // A second partition producing the same constant counts again and conflicts with nothing.
  auto again = SumModel(ov::element::u8, {4}, {Generated(key, key, SeededBytes(4, 2))});
  const std::string second = LogOf([&] { HarvestSharedConstants(again, bank_, referenced); });
  EXPECT_THAT(second, Not(HasSubstr("ERROR")));
  EXPECT_THAT(second, HasSubstr("registered 1 generated/derived constants"));

  LogOf([&] { bank_.FinalizeDerivedBuffers(); });
  EXPECT_EQ(bank_.BufferCount(), 2u);
  ASSERT_EQ(bank_.FindBufferId(key), std::optional<int32_t>(1));
  const BufferView view = *bank_.FindBuffer(1);
  EXPECT_EQ(std::vector<uint8_t>(view.data, view.data + view.size), SeededBytes(4, 2));
  EXPECT_EQ(bank_.FindBufferId("renamed"), std::nullopt);
  EXPECT_EQ(bank_.FindBufferId(key + "x"), std::nullopt);
  EXPECT_EQ(bank_.FindBufferId("keyless"), std::nullopt);
}

// --- NPU aliasing ------------------------------------------------------------------------------

struct SharedPool {
  std::vector<PoolEntry> entries;
  PoolOffsets offsets;
};

SharedPool PoolOf(WeightBank& bank, const ReferencedNames& referenced, bool prune) {
  SharedPool pool;
  LogOf([&] { pool.entries = BuildSharedPool(referenced, bank, prune); });
  pool.offsets = MakePoolOffsets(pool.entries);
  return pool;
}

TEST_F(HostBankTest, AliasedConstantsViewThePoolAndCarryTheirOffset) {
  AddHostBuffers({{0, "small", SeededBytes(15, 1)},
                  {1, "edge", SeededBytes(16, 2)},
                  {2, "f", SeededBytes(64, 3)}});
  const SharedPool pool = PoolOf(bank_, {}, false);
  auto small = MakeConstant("small", ov::element::u8, {15}, SeededBytes(15, 1));
  auto edge = MakeConstant("edge", ov::element::u8, {16}, SeededBytes(16, 2));
  auto f = MakeConstant("f", ov::element::f32, {16}, SeededBytes(64, 3));
  edge->get_output_tensor(0).set_names({"edge", "edge:0"});
  auto model_u8 = SumModel(ov::element::u8, {15}, {small});
  auto model = SumModel(ov::element::u8, {16}, {edge});
  auto model_f32 = SumModel(ov::element::f32, {16}, {f});

  uint64_t aliased = 0;
  std::string log = LogOf([&] { aliased = AliasToSharedPool(model_u8, bank_, pool.offsets, 0); });
  EXPECT_EQ(aliased, 0u);
  EXPECT_EQ(FindConstant(model_u8, "small"), small);
  EXPECT_EQ(WeightlessOf(*small), nullptr);
  EXPECT_THAT(log,
              HasSubstr("] Weight sharing (NPU) p0: aliased 0 constants to the shared pool, tagged "
                        "0 with WeightlessCacheAttribute, left 0 unshared (bytes differ from pool "
                        "-- content-altered, e.g. i2->u2)\n"));

  log = LogOf([&] { aliased = AliasToSharedPool(model, bank_, pool.offsets, 3); });
  EXPECT_EQ(aliased, 1u);
  EXPECT_THAT(log, HasSubstr("] Weight sharing (NPU) p3: aliased 1 constants to the shared pool, "
                             "tagged 1 with WeightlessCacheAttribute, left 0 unshared"));
  const auto alias = FindConstant(model, "edge");
  ASSERT_NE(alias, nullptr);
  EXPECT_NE(alias, edge);
  EXPECT_EQ(alias->get_data_ptr(), HostData(1));  // the pool's bytes, not a copy
  EXPECT_EQ(alias->get_data_ptr(), pool.entries[1].data);
  EXPECT_EQ(alias->get_output_tensor(0).get_names(),
            (std::unordered_set<std::string>{"edge", "edge:0"}));
  EXPECT_EQ(alias->get_element_type(), ov::element::u8);
  EXPECT_EQ(alias->get_shape(), ov::Shape{16});
  const ov::WeightlessCacheAttribute* tag = WeightlessOf(*alias);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->original_size, 16u);
  EXPECT_EQ(tag->bin_offset, 15u);
  EXPECT_EQ(tag->original_dtype, ov::element::u8);
  EXPECT_TRUE(edge->get_output_target_inputs(0).empty());  // every reader moved to the alias

  aliased = 0;
  LogOf([&] { aliased = AliasToSharedPool(model_f32, bank_, pool.offsets, 1); });
  EXPECT_EQ(aliased, 1u);
  EXPECT_EQ(FindConstant(model_f32, "f")->get_data_ptr(), HostData(2));
  EXPECT_EQ(WeightlessOf(*FindConstant(model_f32, "f"))->bin_offset, 31u);
  EXPECT_EQ(WeightlessOf(*FindConstant(model_f32, "f"))->original_dtype, ov::element::f32);
}

// A harvested model kept for later views the bank's bytes instead of holding copies, and reads as
// the same constants; what the pool does not take gets its own bytes back.
TEST_F(HostBankTest, KeptModelsViewBankBytesUntilAliasedOrGivenTheirOwnAgain) {
  AddHostBuffers({{0, "w", SeededBytes(32, 1)},
                  {1, "small", SeededBytes(15, 2)},
                  {2, "moved", SeededBytes(32, 3)}});
  const std::string key = StackedKey(0, "down");
  auto w = MakeConstant("w", ov::element::u8, {32}, SeededBytes(32, 1));
  w->get_output_tensor(0).set_names({"w", "w:0"});
  w->get_rt_info()["note"] = std::string("kept");
  auto small = MakeConstant("small", ov::element::u8, {32}, SeededBytes(32, 2));  // other length
  auto small15 = MakeConstant("small", ov::element::u8, {15}, SeededBytes(15, 2));
  auto altered = MakeConstant("moved", ov::element::u8, {32}, SeededBytes(32, 4));
  auto generated = Generated(key, key, SeededBytes(32, 5));
  auto model = SumModel(ov::element::u8, {32}, {w, small, altered, generated});
  auto model15 = SumModel(ov::element::u8, {15}, {small15});
  ReferencedNames referenced;
  LogOf([&] { HarvestSharedConstants(model, bank_, referenced); });

  const std::vector<std::shared_ptr<Constant>> views = ViewBankBuffers(model, bank_);
  EXPECT_TRUE(ViewBankBuffers(model15, bank_).empty());  // too small to alias: left alone
  EXPECT_EQ(FindConstant(model15, "small"), small15);
  ASSERT_EQ(views.size(), 2u);
  const auto view_w = FindConstant(model, "w");
  EXPECT_NE(view_w, w);
  EXPECT_EQ(view_w->get_data_ptr(), HostData(0));
  EXPECT_EQ(view_w->get_output_tensor(0).get_names(),
            (std::unordered_set<std::string>{"w", "w:0"}));
  EXPECT_EQ(view_w->get_rt_info().at("note").as<std::string>(), "kept");
  EXPECT_EQ(FindConstant(model, "small"), small);
  EXPECT_EQ(FindConstant(model, "moved"), altered);
  const auto view_generated = FindConstant(model, key);
  EXPECT_NE(view_generated, generated);
  EXPECT_EQ(view_generated->get_data_ptr(), bank_.FindGeneratedConstant(key)->data);
  ASSERT_NE(view_generated->get_rt_info().count(GeneratedConstantRtKey()), 0u);
  EXPECT_TRUE(ViewBankBuffers(model, bank_).empty());  // already viewing

  // A later partition maps "w" to a buffer of other bytes: the pool cannot take the view, which
  // must not stay on the bank's memory.
  AddHostBuffers({{3, "w", SeededBytes(32, 7)}});
  const SharedPool pool = PoolOf(bank_, referenced, true);
  uint64_t aliased = 0;
  LogOf([&] { aliased = AliasToSharedPool(model, bank_, pool.offsets, 0); });
  EXPECT_EQ(aliased, 1u);  // the generated constant
  OwnUnaliasedViews(views);
  const auto own_w = FindConstant(model, "w");
  EXPECT_NE(own_w, view_w);
  EXPECT_NE(own_w->get_data_ptr(), HostData(0));
  EXPECT_EQ(std::memcmp(own_w->get_data_ptr(), HostData(0), 32), 0);
  EXPECT_EQ(own_w->get_output_tensor(0).get_names(), (std::unordered_set<std::string>{"w", "w:0"}));
  EXPECT_EQ(WeightlessOf(*own_w), nullptr);
  const auto alias = FindConstant(model, key);
  EXPECT_NE(alias, view_generated);
  EXPECT_NE(WeightlessOf(*alias), nullptr);
  EXPECT_EQ(alias->get_data_ptr(), bank_.FindGeneratedConstant(key)->data);
}

TEST_F(HostBankTest, SubByteConstantsCountWholeBytes) {
  // 32 u4 elements are 16 bytes: a candidate; 30 are 15 bytes: too small.
  AddHostBuffers({{0, "q16", SeededBytes(16, 1)}, {1, "q15", SeededBytes(15, 2)}});
  const SharedPool pool = PoolOf(bank_, {}, false);
  auto q16 = MakeConstant("q16", ov::element::u4, {32}, SeededBytes(16, 1));
  auto q15 = MakeConstant("q15", ov::element::u4, {30}, SeededBytes(15, 2));
  auto model = std::make_shared<ov::Model>(ov::OutputVector{q16, q15}, ov::ParameterVector{});
  uint64_t aliased = 0;
  LogOf([&] { aliased = AliasToSharedPool(model, bank_, pool.offsets, 0); });
  EXPECT_EQ(aliased, 1u);
  EXPECT_EQ(FindConstant(model, "q16")->get_data_ptr(), HostData(0));
  EXPECT_EQ(FindConstant(model, "q15"), q15);
}

TEST_F(HostBankTest, ConstantsThatDoNotMatchThePoolKeepTheirBytesAndNoPoolReference) {
  AddHostBuffers({{0, "altered", SeededBytes(32, 1)},
                  {1, "resized", SeededBytes(32, 2)},
                  {2, "tagged", SeededBytes(32, 3)},
                  {3, "pruned", SeededBytes(32, 4)}});
  ReferencedNames referenced = {"altered", "resized", "tagged"};
  const SharedPool pool = PoolOf(bank_, referenced, /*prune=*/true);
  ASSERT_EQ(pool.offsets.count(3), 0u);

  std::vector<uint8_t> changed = SeededBytes(32, 1);
  changed[17] ^= 0x3;  // e.g. 2-bit weights re-encoded for the device
  auto altered = MakeConstant("altered", ov::element::u8, {32}, changed);
  auto resized = MakeConstant("resized", ov::element::u8, {64}, SeededBytes(64, 2));
  auto tagged = MakeConstant("tagged", ov::element::u8, {32}, SeededBytes(32, 5));
  tagged->get_rt_info()[ov::WeightlessCacheAttribute::get_type_info_static()] =
      ov::WeightlessCacheAttribute(32, 1000, ov::element::u8);
  auto pruned = MakeConstant("pruned", ov::element::u8, {32}, SeededBytes(32, 4));
  auto unknown = MakeConstant("unknown", ov::element::u8, {32}, SeededBytes(32, 1));
  auto model = std::make_shared<ov::Model>(
      ov::OutputVector{altered, resized, tagged, pruned, unknown}, ov::ParameterVector{});

  uint64_t aliased = 99;
  const std::string log =
      LogOf([&] { aliased = AliasToSharedPool(model, bank_, pool.offsets, 2); });
  EXPECT_EQ(aliased, 0u);
  EXPECT_THAT(log, HasSubstr("] Weight sharing (NPU) p2: aliased 0 constants to the shared pool, "
                             "tagged 0 with WeightlessCacheAttribute, left 3 unshared"));
  for (const auto& constant : {altered, resized, tagged, pruned, unknown}) {
    EXPECT_EQ(FindConstant(model, constant->get_friendly_name()), constant);
  }
  EXPECT_EQ(WeightlessOf(*altered), nullptr);
  EXPECT_EQ(WeightlessOf(*resized), nullptr);
  EXPECT_EQ(WeightlessOf(*pruned), nullptr);
  EXPECT_EQ(WeightlessOf(*tagged)->bin_offset, 1000u);  // left as it was
}

// --- End to end: translated host partitions on the devices ---------------------------------------

using ::zorvel::testing::F32;

// Two host partitions over x [1,16]: FULLY_CONNECTED with the shared weight w [16,16] and an ADD of
// the shared bias b [16]; partition 1 adds its own constant c [16].
class SharedPartitionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w_ = model_.AddBuffer(FloatBytes(RampMod13(256, 0.03f, -0.2f)));
    b_ = model_.AddBuffer(FloatBytes(RampMod13(16, 0.5f, -1.0f)));
    for (int p = 0; p < 2; ++p) {
      HostSubgraph& sg = model_.AddSubgraph();
      const TensorId x = sg.AddInput("x", F32({1, 16}));
      const TensorId w = sg.AddConstant("w", F32({16, 16}), w_);
      const TensorId fc = sg.AddTensor("fc", F32({1, 16}));
      sg.AddOp(kZorvelOpCodeFullyConnected, {x, w}, {fc})
          .SetOption(66, 0u)
          .SetOption(67, 0u)
          .SetOption(68, true);
      const TensorId b = sg.AddConstant("b", F32({16}), b_);
      TensorId y = sg.AddOp(kZorvelOpCodeAdd, {fc, b}, "biased", F32({1, 16}));
      if (p == 1) {
        const TensorId c = sg.AddConstant<float>("c", {16}, RampMod13(16, 0.25f, 0.1f));
        y = sg.AddOp(kZorvelOpCodeMul, {y, c}, "scaled", F32({1, 16}));
      }
      sg.AddOutput(y);
    }
  }

  Subgraph PartitionAt(size_t i) { return Subgraph(api_.table(), api_.Handle(model_.subgraph(i))); }

  std::shared_ptr<ov::Model> Translate(size_t i, const std::string& device) {
    const Subgraph subgraph = PartitionAt(i);
    std::shared_ptr<ov::frontend::tensorflow_lite::GraphIterator> iterator =
        std::make_shared<GraphIteratorDelegate>(api_.table(), &subgraph, device);
    std::shared_ptr<ov::Model> model = front_end_.convert(front_end_.load(ov::Any(iterator)));
    // NPU partitions are optimized before they are harvested and again before they are aliased.
    CompileConfig config;
    config.device = device;
    LogOf([&] { OptimizeForNpu(config, model); });
    return model;
  }

  static ov::Tensor Input() {
    ov::Tensor input(ov::element::f32, {1, 16});
    const std::vector<float> values = RampMod13(16, 0.3f, -1.5f);
    std::copy(values.begin(), values.end(), input.data<float>());
    return input;
  }

  static std::vector<float> Evaluate(const std::shared_ptr<ov::Model>& model) {
    ov::TensorVector outputs;
    EXPECT_TRUE(model->evaluate(outputs, {Input()}));
    const float* data = outputs.at(0).data<float>();
    return std::vector<float>(data, data + outputs[0].get_size());
  }

  static float MaxError(const std::vector<float>& a, const std::vector<float>& b) {
    EXPECT_EQ(a.size(), b.size());
    float error = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
      error = std::max(error, std::fabs(a[i] - b[i]));
    }
    return error;
  }

  HostApi api_;
  HostModel model_;
  int32_t w_ = -1;
  int32_t b_ = -1;
  ov::frontend::tensorflow_lite::FrontEnd front_end_;
  ov::Core core_;
};

// The properties an NPU partition that shares pool weights is compiled with.
ov::AnyMap NpuWeightSharingProperties(const std::string& bank_name) {
  CompileConfig config;
  LogOf([&] { EXPECT_EQ(config.ApplyNpuWeightSharing(bank_name, NpuOptimizerResult{}), 0); });
  return config.properties;
}

TEST_F(SharedPartitionsTest, WeightlessNpuBlobsImportedWithThePoolMatchTheUnaliasedModels) {
  WeightBank bank;
  ReferencedNames referenced;
  for (size_t i = 0; i < 2; ++i) {
    bank.AddHostWeights(PartitionAt(i));
    const std::shared_ptr<ov::Model> optimized = Translate(i, "NPU");
    LogOf([&] { HarvestSharedConstants(optimized, bank, referenced); });
  }
  const SharedPool pool = PoolOf(bank, referenced, /*prune=*/true);
  ASSERT_EQ(pool.entries.size(), 3u);  // w, b and c, each once
  const std::string bank_name = MakeBankName(pool.entries);

  // The pool as the runtime holds it: one weights file with every buffer at its offset.
  std::string pool_bytes;
  for (const PoolEntry& entry : pool.entries) {
    ASSERT_EQ(entry.offset, pool_bytes.size());
    pool_bytes.append(reinterpret_cast<const char*>(entry.data), entry.size);
  }
  const std::string weights_path = ::testing::TempDir() + "zorvel_shared_pool.bin";
  std::ofstream(weights_path, std::ios::binary) << pool_bytes;

  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    std::shared_ptr<ov::Model> model = Translate(i, "NPU");
    // Partition 1's c is rewritten with other bytes under its host name, as a device-specific
    // re-encoding would: it must keep its own bytes.
    if (i == 1) {
      auto c = FindConstant(model, "c");
      ASSERT_NE(c, nullptr);
      auto changed =
          MakeConstant("c", ov::element::f32, {16}, FloatBytes(RampMod13(16, 0.5f, 0.2f)));
      ov::replace_node(c, changed);
    }
    const std::vector<float> expected = Evaluate(model);
    const std::string plain = [&] {
      std::ostringstream blob;
      core_.compile_model(model, "NPU", NpuWeightSharingProperties(bank_name)).export_model(blob);
      return blob.str();
    }();

    uint64_t aliased = 0;
    const std::string log =
        LogOf([&] { aliased = AliasToSharedPool(model, bank, pool.offsets, static_cast<int>(i)); });
    EXPECT_EQ(aliased, 2u) << log;  // w and b
    EXPECT_THAT(log, HasSubstr(i == 0 ? "tagged 2 with WeightlessCacheAttribute, left 0 unshared"
                                      : "tagged 2 with WeightlessCacheAttribute, left 1 unshared"));
    EXPECT_EQ(FindConstant(model, "w")->get_data_ptr(), model_.buffer(w_)->data());

    std::ostringstream blob;
    core_.compile_model(model, "NPU", NpuWeightSharingProperties(bank_name)).export_model(blob);
    // The shared weights (1088 bytes) are no longer embedded.
    EXPECT_LE(blob.str().size() + 1088, plain.size());

    std::istringstream stream(blob.str());
    ov::CompiledModel imported =
        core_.import_model(stream, "NPU", {{"WEIGHTS_PATH", weights_path}});
    ov::InferRequest request = imported.create_infer_request();
    request.set_input_tensor(0, Input());
    request.infer();
    const ov::Tensor out = request.get_output_tensor(0);
    const std::vector<float> actual(out.data<float>(), out.data<float>() + out.get_size());
    EXPECT_LE(MaxError(actual, expected), 1e-5f);
    EXPECT_THAT(expected, Not(Each(0.0f)));
  }
  std::remove(weights_path.c_str());
}

// --- GPU parameters ----------------------------------------------------------------------------

TEST_F(HostBankTest, GpuConvertsOnlyMatchingConstantsAboveTheSizeLimit) {
  AddHostBuffers({{0, "inline", SeededBytes(256, 1)},
                  {1, "big", SeededBytes(257, 2)},
                  {2, "altered", SeededBytes(300, 3)},
                  {3, "twice", SeededBytes(260, 4)}});
  std::vector<uint8_t> changed = SeededBytes(300, 3);
  changed[0] ^= 1;
  auto twice_a = MakeConstant("twice", ov::element::u8, {260}, SeededBytes(260, 4));
  auto twice_b = MakeConstant("twice", ov::element::u8, {260}, SeededBytes(260, 4));
  auto model = std::make_shared<ov::Model>(
      ov::OutputVector{MakeConstant("inline", ov::element::u8, {256}, SeededBytes(256, 1)),
                       MakeConstant("big", ov::element::u8, {257}, SeededBytes(257, 2)),
                       MakeConstant("altered", ov::element::u8, {300}, changed),
                       MakeConstant("unknown", ov::element::u8, {300}, SeededBytes(300, 3)),
                       twice_a, twice_b},
      ov::ParameterVector{});

  ParameterIds ids = {{"earlier", 7}};
  const uint64_t count = ConvertSharedWeightsToParameters(model, bank_, ids);
  EXPECT_EQ(count, 3u);  // big and both readers of "twice"
  EXPECT_EQ(ids, (ParameterIds{{"big", 1}, {"earlier", 7}, {"twice", 3}}));
  std::vector<std::string> names;
  for (const auto& parameter : model->get_parameters()) {
    names.push_back(parameter->get_friendly_name());
    EXPECT_EQ(parameter->get_output_tensor(0).get_names(),
              (std::unordered_set<std::string>{parameter->get_friendly_name()}));
    EXPECT_EQ(parameter->get_element_type(), ov::element::u8);
  }
  EXPECT_THAT(names, UnorderedElementsAre("big", "twice"));
  EXPECT_NE(FindConstant(model, "inline"), nullptr);
  EXPECT_NE(FindConstant(model, "altered"), nullptr);
  EXPECT_NE(FindConstant(model, "unknown"), nullptr);
  EXPECT_EQ(FindConstant(model, "big"), nullptr);
  EXPECT_EQ(FindConstant(model, "twice"), nullptr);
  EXPECT_EQ(model->input("big").get_partial_shape(), ov::PartialShape({257}));
}

TEST_F(SharedPartitionsTest, GpuPartitionsFedThePoolBuffersMatchTheOriginalModels) {
  WeightBank bank;
  for (size_t i = 0; i < 2; ++i) bank.AddHostWeights(PartitionAt(i));
  const SharedPool pool = PoolOf(bank, {}, /*prune=*/false);
  ASSERT_EQ(pool.entries.size(), 3u);

  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    std::shared_ptr<ov::Model> model = Translate(i, "GPU");
    const std::vector<float> expected = Evaluate(model);
    ParameterIds ids;
    EXPECT_EQ(ConvertSharedWeightsToParameters(model, bank, ids), 1u);  // w; b and c are 64 bytes
    ASSERT_EQ(ids, (ParameterIds{{"w", w_}}));
    ASSERT_EQ(model->get_parameters().size(), 2u);
    EXPECT_EQ(model->get_parameters()[1]->get_friendly_name(), "w");

    ov::CompiledModel compiled = core_.compile_model(model, "GPU");
    ov::InferRequest request = compiled.create_infer_request();
    request.set_tensor("x", Input());
    for (const auto& [name, id] : ids) {
      const PoolEntry& entry = *std::find_if(pool.entries.begin(), pool.entries.end(),
                                             [&](const PoolEntry& e) { return e.id == id; });
      const ov::Output<const ov::Node> port = compiled.input(name);
      // The pool's memory handed over as it is.
      request.set_tensor(name, ov::Tensor(port.get_element_type(), port.get_shape(),
                                          const_cast<uint8_t*>(entry.data)));
    }
    request.infer();
    const ov::Tensor out = request.get_output_tensor(0);
    const std::vector<float> actual(out.data<float>(), out.data<float>() + out.get_size());
    EXPECT_LE(MaxError(actual, expected), 1e-5f);
    EXPECT_THAT(expected, Not(Each(0.0f)));
  }
}

}  // namespace
}  // namespace zorvel::openvino
