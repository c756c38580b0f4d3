#include "zorvel/c/options/zorvel_intel_openvino_options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "absl/strings/str_cat.h"
#include "logging/zorvel_logging.h"
#include "zorvel/cc/zorvel_expected.h"
#include "zorvel/core/zorvel_options_encoder.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Pair;
using ::zorvel::intel_openvino::ConfigsMap;
using ::zorvel::intel_openvino::IntelOpenVinoOptionsData;

struct Deleter {
  void operator()(ZvlIntelOpenVinoOptions* options) const {
    ZvlDestroyIntelOpenVinoOptions(options);
  }
};
using OptionsPtr = std::unique_ptr<ZvlIntelOpenVinoOptions, Deleter>;

class IntelOpenVinoOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    zorvel::StatusIsFailure(kZorvelStatusOk);
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  }

  static OptionsPtr Create(absl::string_view toml) {
    ZvlIntelOpenVinoOptions* options = nullptr;
    const ZorvelStatus status = ZvlCreateIntelOpenVinoOptionsFromToml(toml, &options);
    EXPECT_EQ(status, kZorvelStatusOk) << toml;
    return OptionsPtr(options);
  }
  // The status of a payload that must be rejected; checks that nothing was handed out.
  static ZorvelStatus CreateStatus(absl::string_view toml) {
    auto* const sentinel = reinterpret_cast<ZvlIntelOpenVinoOptions*>(0x1234);
    ZvlIntelOpenVinoOptions* options = sentinel;
    const ZorvelStatus status = ZvlCreateIntelOpenVinoOptionsFromToml(toml, &options);
    if (status == kZorvelStatusOk) {
      ZvlDestroyIntelOpenVinoOptions(options);
    } else {
      EXPECT_EQ(options, sentinel) << toml;
    }
    return status;
  }
  static ZorvelStatus Backend(const OptionsPtr& options, int32_t graph, int32_t* backend) {
    return ZvlIntelOpenVinoOptionsGetGraphBackend(options.get(), graph, backend);
  }
  static std::vector<std::pair<std::string, std::string>> Entries(const ConfigsMap& configs) {
    return configs.entries();
  }
  // Serialises `options`, checks the identifier and returns the payload text.
  static std::string Serialize(const ZvlIntelOpenVinoOptions* options) {
    const char* identifier = nullptr;
    void* payload = nullptr;
    ZvlPayloadRelease release = nullptr;
    EXPECT_EQ(ZvlIntelOpenVinoOptionsSerialize(options, &identifier, &payload, &release),
              kZorvelStatusOk);
    if (payload == nullptr || release == nullptr) return "<no payload>";
    EXPECT_STREQ(identifier, "intel_openvino");
    std::string text(static_cast<const char*>(payload));
    release(payload);
    return text;
  }
};

TEST_F(IntelOpenVinoOptionsTest, GraphBackendsFallBackToGraphMinusOne) {
  const OptionsPtr options =
      Create("performance_mode = 1\ngraph.-1.graph_backend = 1\ngraph.2.graph_backend = 2\n");
  int32_t value = -5;
  ASSERT_EQ(Backend(options, 2, &value), kZorvelStatusOk);
  EXPECT_EQ(value, 2);
  ASSERT_EQ(Backend(options, 0, &value), kZorvelStatusOk);
  EXPECT_EQ(value, 1);
  ASSERT_EQ(Backend(options, -1, &value), kZorvelStatusOk);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(Backend(options, -2, &value), kZorvelStatusErrorInvalidArgument);
  ASSERT_EQ(ZvlIntelOpenVinoOptionsGetPerformanceMode(options.get(), &value), kZorvelStatusOk);
  EXPECT_EQ(value, 1);

  // A graph record holding only configuration entries still falls back.
  const OptionsPtr only_configs = Create("graph.-1.graph_backend = 3\ngraph.0.configs_map.K = V\n");
  ASSERT_EQ(Backend(only_configs, 0, &value), kZorvelStatusOk);
  EXPECT_EQ(value, 3);
}

TEST_F(IntelOpenVinoOptionsTest, DefaultsWhenKeysAreAbsent) {
  const OptionsPtr options = Create("# nothing but a comment\n[section]\nunknown_key = 7\n");
  int32_t value = -5;
  for (const int32_t graph : {-1, 0, 1, 1000}) {
    EXPECT_EQ(Backend(options, graph, &value), kZorvelStatusErrorMissingHostEntry) << graph;
  }
  EXPECT_EQ(value, -5);
  ASSERT_EQ(ZvlIntelOpenVinoOptionsGetPerformanceMode(options.get(), &value), kZorvelStatusOk);
  EXPECT_EQ(value, 0);
  bool share = false;
  ASSERT_EQ(ZvlIntelOpenVinoOptionsGetEnableWeightSharing(options.get(), &share), kZorvelStatusOk);
  EXPECT_TRUE(share);
  ASSERT_EQ(ZvlIntelOpenVinoOptionsGetNumConfigsMapEntries(options.get(), &value), kZorvelStatusOk);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(*options, IntelOpenVinoOptionsData{});
  EXPECT_EQ(Serialize(options.get()), "");
}

TEST_F(IntelOpenVinoOptionsTest, ValuesAreParsedStrictlyAndKeepTheirLow32Bits) {
  const OptionsPtr options = Create(
      "performance_mode = 4294967297\n"
      "enable_weight_sharing = false\n"
      "graph.0.graph_backend = -1\n"
      "graph.1.graph_backend = 2147483648\n"
      "graph.2.graph_backend = '7'\n");
  EXPECT_EQ(options->performance_mode, 1);
  EXPECT_EQ(options->enable_weight_sharing, false);
  EXPECT_EQ(options->graphs.at(0).graph_backend, -1);
  EXPECT_EQ(options->graphs.at(1).graph_backend, INT32_MIN);
  EXPECT_EQ(options->graphs.at(2).graph_backend, 7);
  EXPECT_EQ(Create("performance_mode = -4294967295")->performance_mode, 1);

  for (const char* bad :
       {"enable_weight_sharing = False", "enable_weight_sharing = 1", "performance_mode = 4x",
        "performance_mode = 0x10", "performance_mode =", "graph.0.graph_backend = fast",
        "performance_mode = 99999999999999999999"}) {
    EXPECT_EQ(CreateStatus(absl::StrCat("performance_mode = 2\n", bad, "\nconfigs_map.K = V")),
              kZorvelStatusErrorInvalidArgument)
        << bad;
  }
}

TEST_F(IntelOpenVinoOptionsTest, MalformedGraphKeysFailAndUnknownFieldsAreIgnored) {
  for (const char* bad :
       {"graph.x.graph_backend = 1", "graph.3 = 1", "graph. = 1", "graph..graph_backend = 1",
        "graph.- .graph_backend = 1", "graph.+.graph_backend = 1", "graph. 3.graph_backend = 1",
        "graph.3x.graph_backend = 1", "graph.2147483648.graph_backend = 1",
        "graph.-2.graph_backend = 1", "graph.-1.configs_map.K = V", "graph.-7.configs_map.K = V"}) {
    EXPECT_EQ(CreateStatus(bad), kZorvelStatusErrorInvalidArgument) << bad;
  }
  const OptionsPtr options = Create(
      "graph.3.other = 1\ngraph.4. = 1\ngraph.5.configs_mapX = 1\n"
      "graph.+6.graph_backend = 6\ngraph.-1.other = 1\ngraphs.1.graph_backend = 1\n");
  ASSERT_EQ(options->graphs.size(), 1u);
  EXPECT_EQ(options->graphs.at(6).graph_backend, 6);
}

TEST_F(IntelOpenVinoOptionsTest, AFailureLeavesItsReasonPending) {
  ASSERT_EQ(CreateStatus("performance_mode = 1\ngraph.x.graph_backend = 1\n"),
            kZorvelStatusErrorInvalidArgument);
  const zorvel::Error error = zorvel::MakeError(kZorvelStatusErrorInvalidArgument, "outer");
  EXPECT_THAT(error.Message(), HasSubstr("Invalid graph option key: graph.x.graph_backend"));

  ASSERT_EQ(CreateStatus("enable_weight_sharing = False"), kZorvelStatusErrorInvalidArgument);
  const zorvel::Error bool_error = zorvel::MakeError(kZorvelStatusErrorInvalidArgument, "outer");
  EXPECT_THAT(bool_error.Message(),
              HasSubstr("Invalid Intel OpenVINO option: enable_weight_sharing = False"));
  EXPECT_THAT(bool_error.Message(), HasSubstr("Invalid boolean value"));
}

TEST_F(IntelOpenVinoOptionsTest, RepeatedKeysKeepTheirFirstPosition) {
  const OptionsPtr options = Create(
      "configs_map.A = 1\nconfigs_map.B = 2\nconfigs_map.A = 3\nconfigs_map. = empty key\n"
      "graph.1.configs_map.X = x\ngraph.1.configs_map.Y = y\ngraph.1.configs_map.X = z\n"
      "performance_mode = 1\nperformance_mode = 5\n");
  EXPECT_THAT(Entries(options->configs_map),
              ElementsAre(Pair("A", "3"), Pair("B", "2"), Pair("", "empty key")));
  EXPECT_THAT(Entries(options->graphs.at(1).configs_map),
              ElementsAre(Pair("X", "z"), Pair("Y", "y")));
  EXPECT_EQ(options->performance_mode, 5);

  int32_t count = -1;
  const char* key = nullptr;
  const char* value = nullptr;
  ASSERT_EQ(ZvlIntelOpenVinoOptionsGetNumConfigsMapEntries(options.get(), &count), kZorvelStatusOk);
  EXPECT_EQ(count, 3);
  ASSERT_EQ(ZvlIntelOpenVinoOptionsGetConfigsMapEntry(options.get(), 0, &key, &value),
            kZorvelStatusOk);
  EXPECT_STREQ(key, "A");
  EXPECT_STREQ(value, "3");
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetConfigsMapEntry(options.get(), 3, &key, &value),
            kZorvelStatusErrorIndexOutOfRange);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetConfigsMapEntry(options.get(), -1, &key, &value),
            kZorvelStatusErrorIndexOutOfRange);
  EXPECT_STREQ(key, "A");

  ASSERT_EQ(ZvlIntelOpenVinoOptionsSetConfigsMapEntry(options.get(), "B", "two"), kZorvelStatusOk);
  ASSERT_EQ(ZvlIntelOpenVinoOptionsSetConfigsMapEntry(options.get(), "C", "3"), kZorvelStatusOk);
  EXPECT_THAT(Entries(options->configs_map),
              ElementsAre(Pair("A", "3"), Pair("B", "two"), Pair("", "empty key"), Pair("C", "3")));
}

TEST_F(IntelOpenVinoOptionsTest, GraphEntryOperationsCheckTheirIndices) {
  const OptionsPtr options = Create("");
  int32_t count = -1;
  const char* key = nullptr;
  const char* value = nullptr;
  EXPECT_EQ(ZvlIntelOpenVinoOptionsSetGraphConfigsMapEntry(options.get(), -1, "K", "V"),
            kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsSetGraphBackend(options.get(), -2, 1),
            kZorvelStatusErrorInvalidArgument);
  EXPECT_TRUE(options->graphs.empty());

  ASSERT_EQ(ZvlIntelOpenVinoOptionsGetNumGraphConfigsMapEntries(options.get(), 4, &count),
            kZorvelStatusOk);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetNumGraphConfigsMapEntries(options.get(), -1, &count),
            kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetGraphConfigsMapEntry(options.get(), 4, 0, &key, &value),
            kZorvelStatusErrorIndexOutOfRange);

  ASSERT_EQ(ZvlIntelOpenVinoOptionsSetGraphConfigsMapEntry(options.get(), 4, "K", "V"),
            kZorvelStatusOk);
  ASSERT_EQ(ZvlIntelOpenVinoOptionsGetNumGraphConfigsMapEntries(options.get(), 4, &count),
            kZorvelStatusOk);
  EXPECT_EQ(count, 1);
  ASSERT_EQ(ZvlIntelOpenVinoOptionsGetGraphConfigsMapEntry(options.get(), 4, 0, &key, &value),
            kZorvelStatusOk);
  EXPECT_STREQ(key, "K");
  EXPECT_STREQ(value, "V");
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetGraphConfigsMapEntry(options.get(), 4, 1, &key, &value),
            kZorvelStatusErrorIndexOutOfRange);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetGraphConfigsMapEntry(options.get(), 4, -1, &key, &value),
            kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetGraphConfigsMapEntry(options.get(), -1, 0, &key, &value),
            kZorvelStatusErrorInvalidArgument);
  // The graph record exists now but has no backend of its own.
  int32_t backend = 0;
  EXPECT_EQ(Backend(options, 4, &backend), kZorvelStatusErrorMissingHostEntry);
  ASSERT_EQ(ZvlIntelOpenVinoOptionsSetGraphBackend(options.get(), 4, 9), kZorvelStatusOk);
  ASSERT_EQ(Backend(options, 4, &backend), kZorvelStatusOk);
  EXPECT_EQ(backend, 9);
  EXPECT_EQ(options->graphs.at(4).configs_map.size(), 1u);
}

TEST_F(IntelOpenVinoOptionsTest, NullPointersAreRejected) {
  const OptionsPtr options = Create("configs_map.K = V\ngraph.0.configs_map.K = V\n");
  int32_t i = 0;
  bool b = false;
  const char* text = nullptr;
  void* payload = nullptr;
  ZvlPayloadRelease release = nullptr;
  constexpr ZorvelStatus kNull = kZorvelStatusErrorInvalidArgument;
  EXPECT_EQ(ZvlCreateIntelOpenVinoOptionsFromToml("", nullptr), kNull);
  ZvlDestroyIntelOpenVinoOptions(nullptr);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetPerformanceMode(nullptr, &i), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetPerformanceMode(options.get(), nullptr), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetEnableWeightSharing(nullptr, &b), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetEnableWeightSharing(options.get(), nullptr), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetNumConfigsMapEntries(nullptr, &i), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetNumConfigsMapEntries(options.get(), nullptr), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetConfigsMapEntry(nullptr, 0, &text, &text), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetConfigsMapEntry(options.get(), 0, nullptr, &text), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetConfigsMapEntry(options.get(), 0, &text, nullptr), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsSetConfigsMapEntry(nullptr, "K", "V"), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsSetGraphBackend(nullptr, 0, 1), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetGraphBackend(nullptr, 0, &i), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetGraphBackend(options.get(), 0, nullptr), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsSetGraphConfigsMapEntry(nullptr, 0, "K", "V"), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetNumGraphConfigsMapEntries(nullptr, 0, &i), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetNumGraphConfigsMapEntries(options.get(), 0, nullptr), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetGraphConfigsMapEntry(nullptr, 0, 0, &text, &text), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsGetGraphConfigsMapEntry(options.get(), 0, 0, nullptr, &text),
            kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsSerialize(nullptr, &text, &payload, &release), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsSerialize(options.get(), nullptr, &payload, &release), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsSerialize(options.get(), &text, nullptr, &release), kNull);
  EXPECT_EQ(ZvlIntelOpenVinoOptionsSerialize(options.get(), &text, &payload, nullptr), kNull);
  EXPECT_EQ(payload, nullptr);
  EXPECT_EQ(release, nullptr);
}

TEST_F(IntelOpenVinoOptionsTest, SerializeWritesLinesInRecordOrder) {
  EXPECT_EQ(Serialize(Create("configs_map.K = V\nperformance_mode = 2\n").get()),
            "performance_mode = 2\nconfigs_map.K = \"V\"\n");
  EXPECT_EQ(Serialize(Create("graph.3.configs_map.b = 2\n"
                             "graph.3.graph_backend = 1\n"
                             "configs_map.z = ' spaced '\n"
                             "graph.-1.graph_backend = 0\n"
                             "enable_weight_sharing = true\n"
                             "graph.10.configs_map.a = x=y # z\n"
                             "performance_mode = -3\n")
                          .get()),
            "performance_mode = -3\n"
            "enable_weight_sharing = true\n"
            "configs_map.z = \" spaced \"\n"
            "graph.-1.graph_backend = 0\n"
            "graph.3.graph_backend = 1\n"
            "graph.3.configs_map.b = \"2\"\n"
            "graph.10.configs_map.a = \"x=y # z\"\n");
}

TEST_F(IntelOpenVinoOptionsTest, SerializeFailsForTextsThePayloadCannotCarry) {
  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeveritySilent);
  // The parser takes both of these; the encoders refuse them.
  for (const char* toml :
       {"configs_map.a b = 1", "graph.0.configs_map.K = say \"hi\"", "configs_map.K = 'it\"s'"}) {
    const OptionsPtr options = Create(toml);
    const char* identifier = nullptr;
    void* payload = nullptr;
    ZvlPayloadRelease release = nullptr;
    EXPECT_EQ(ZvlIntelOpenVinoOptionsSerialize(options.get(), &identifier, &payload, &release),
              kZorvelStatusErrorInvalidArgument)
        << toml;
    EXPECT_EQ(identifier, nullptr);
    EXPECT_EQ(payload, nullptr);
    EXPECT_EQ(release, nullptr);
    // The encoder's reason is left for the caller's error to pick up.
    EXPECT_THAT(zorvel::MakeError(kZorvelStatusErrorInvalidArgument).Message(),
                HasSubstr("unsupported character"));
  }
}

// Random keys and values that the encoders accept: printable ASCII and some UTF-8, never the
// characters the payload reserves. Keys often come from a small set, so that repeats happen.
class RandomText {
 public:
  explicit RandomText(uint32_t seed) : rng_(seed) {}

  std::string Key() {
    static const char* const kCommon[] = {"", "A", "NPU_TURBO", "x.y"};
    return Below(3) == 0 ? kCommon[Below(4)] : Text(/*for_key=*/true);
  }
  std::string Value() { return Text(/*for_key=*/false); }
  int64_t Int() { return std::uniform_int_distribution<int64_t>(INT64_MIN, INT64_MAX)(rng_); }
  int32_t Graph(int32_t low) { return std::uniform_int_distribution<int32_t>(low, 40)(rng_); }
  uint32_t Below(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(rng_); }

 private:
  std::string Text(bool for_key) {
    static const std::string kPool =
        "abcXYZ019_.-+/:,;!?@$%^&*()[]{}<>|~`'\\\"#= \t\xc3\xa9\xe2\x82\xac";
    std::string text;
    const uint32_t length = Below(12);
    while (text.size() < length) {
      const char c = kPool[Below(kPool.size())];
      const bool reserved = for_key ? (c == ' ' || c == '\t' || c == '#' || c == '=') : c == '"';
      if (!reserved) text.push_back(c);
    }
    return text;
  }

  std::mt19937 rng_;
};

// What a payload should yield, kept apart from the code under test.
using EntryList = std::vector<std::pair<std::string, std::string>>;
struct ExpectedGraph {
  std::optional<int32_t> backend;
  EntryList entries;
};
struct ExpectedOptions {
  std::optional<int32_t> performance_mode;
  std::optional<bool> enable_weight_sharing;
  EntryList entries;
  std::map<int32_t, ExpectedGraph> graphs;
};

void SetEntry(EntryList& entries, const std::string& key, const std::string& value) {
  for (auto& entry : entries) {
    if (entry.first == key) {
      entry.second = value;
      return;
    }
  }
  entries.emplace_back(key, value);
}

int32_t Low32(int64_t value) { return static_cast<int32_t>(value & 0xffffffff); }

void ExpectRecord(const IntelOpenVinoOptionsData& actual, const ExpectedOptions& expected,
                  const std::string& toml) {
  EXPECT_EQ(actual.performance_mode, expected.performance_mode) << toml;
  EXPECT_EQ(actual.enable_weight_sharing, expected.enable_weight_sharing) << toml;
  EXPECT_EQ(actual.configs_map.entries(), expected.entries) << toml;
  ASSERT_EQ(actual.graphs.size(), expected.graphs.size()) << toml;
  for (const auto& [graph, want] : expected.graphs) {
    const auto it = actual.graphs.find(graph);
    ASSERT_NE(it, actual.graphs.end()) << graph << "\n" << toml;
    EXPECT_EQ(it->second.graph_backend, want.backend) << graph << "\n" << toml;
    EXPECT_EQ(it->second.configs_map.entries(), want.entries) << graph << "\n" << toml;
  }
}

TEST_F(IntelOpenVinoOptionsTest, RandomizedRoundTripKeepsTheRecord) {
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE(seed);
    RandomText random(seed);
    std::string toml;
    ExpectedOptions expected;
    const uint32_t lines = random.Below(24);
    for (uint32_t line = 0; line < lines; ++line) {
      switch (random.Below(6)) {
        case 0: {
          const int64_t value = random.Int();
          ASSERT_TRUE(zorvel::AppendIntOption(toml, "performance_mode", value));
          expected.performance_mode = Low32(value);
          break;
        }
        case 1: {
          const bool value = random.Below(2) == 1;
          ASSERT_TRUE(zorvel::AppendBoolOption(toml, "enable_weight_sharing", value));
          expected.enable_weight_sharing = value;
          break;
        }
        case 2: {
          const std::string key = random.Key();
          const std::string value = random.Value();
          ASSERT_TRUE(zorvel::AppendStringOption(toml, "configs_map." + key, value));
          SetEntry(expected.entries, key, value);
          break;
        }
        case 3: {
          const int32_t graph = random.Graph(-1);
          const int64_t value = random.Int();
          ASSERT_TRUE(zorvel::AppendIntOption(toml, absl::StrCat("graph.", graph, ".graph_backend"),
                                              value));
          expected.graphs[graph].backend = Low32(value);
          break;
        }
        case 4: {
          const int32_t graph = random.Graph(0);
          const std::string key = random.Key();
          const std::string value = random.Value();
          ASSERT_TRUE(zorvel::AppendStringOption(
              toml, absl::StrCat("graph.", graph, ".configs_map.", key), value));
          SetEntry(expected.graphs[graph].entries, key, value);
          break;
        }
        default:
          // Lines the parser skips.
          toml += random.Below(2) == 1 ? "# " + random.Value() + "\n" : "[section]\n\n";
          break;
      }
    }

    const OptionsPtr parsed = Create(toml);
    ASSERT_NE(parsed, nullptr) << toml;
    ExpectRecord(*parsed, expected, toml);
    const std::string serialized = Serialize(parsed.get());
    const OptionsPtr reparsed = Create(serialized);
    ASSERT_NE(reparsed, nullptr) << serialized;
    ExpectRecord(*reparsed, expected, serialized);
    EXPECT_EQ(*reparsed, *parsed);
    // A second trip is a fixed point.
    ASSERT_EQ(Serialize(reparsed.get()), serialized);
    if (HasFailure()) return;
  }
}

}  // namespace
