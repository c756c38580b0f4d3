// The vendor-options step of plug-in creation, over the stand-in host.
#include "zorvel/vendors/intel_openvino/compiler/intel_openvino_options_reader.h"

#include <cstring>
#include <memory>
#include <string>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "logging/zorvel_logging.h"
#include "zorvel/cc/zorvel_options_base.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"

namespace zorvel::openvino {
namespace {

using ::testing::Pair;
using ::zorvel::host::HostApi;
using ::zorvel::host::HostOptions;
using ::zorvel::intel_openvino::IntelOpenVinoOptions;
using Read = Expected<std::shared_ptr<const IntelOpenVinoOptions>>;

constexpr int kGetOpaqueOptions = 34;
constexpr int kFindOpaqueOptionsData = 35;
constexpr int kAppendOpaqueOptions = 36;

class OptionsReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StatusIsFailure(kZorvelStatusOk);
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  }
  void TearDown() override { StatusIsFailure(kZorvelStatusOk); }

  // Reads the options and checks what every read must do: write nothing to the log.
  Read ReadOptions(const HostApiTable* table, ZorvelOptions handle) {
    ::testing::internal::CaptureStderr();
    Read read = ReadIntelOpenVinoOptions(table, handle);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    return read;
  }
  Read ReadOptions() { return ReadOptions(api_.table(), api_.Handle(options_)); }

  // The one error every failure yields, with no reason left pending for a later error.
  static void ExpectAbsent(const Read& read) {
    ASSERT_FALSE(read);
    EXPECT_EQ(read.Status(), kZorvelStatusErrorInvalidArgument);
    EXPECT_EQ(read.GetError().Message(), "Null Intel OpenVINO options");
    EXPECT_EQ(MakeError(kZorvelStatusErrorInvalidArgument, "later").Message(), "later");
  }

  HostApi api_;
  HostOptions options_;
};

TEST_F(OptionsReaderTest, GoodPayloadBecomesTheOptions) {
  options_.SetOpaque("other_vendor", "performance_mode = 9\n");
  options_.SetOpaque("intel_openvino",
                     "performance_mode = 2\n"
                     "enable_weight_sharing = false\n"
                     "configs_map.NPU_TURBO = YES\n"
                     "graph.-1.graph_backend = 1\n");
  const Read read = ReadOptions();
  ASSERT_TRUE(read);
  ASSERT_NE(*read, nullptr);
  const IntelOpenVinoOptions& options = **read;
  EXPECT_EQ(options.GetPerformanceMode(), 2);
  EXPECT_FALSE(options.GetEnableWeightSharing());
  EXPECT_THAT(options.GetConfigsMapEntry(0), Pair("NPU_TURBO", "YES"));
  EXPECT_EQ(*options.GetGraphBackend(3), 1);
  EXPECT_EQ(api_.CallCount(kGetOpaqueOptions), 1u);
  EXPECT_EQ(api_.CallCount(kFindOpaqueOptionsData), 1u);
  // Reading takes nothing away from the host.
  EXPECT_EQ(options_.opaque().size(), 2u);
  EXPECT_STREQ(static_cast<const char*>(options_.opaque().Find("intel_openvino")),
               "performance_mode = 2\n"
               "enable_weight_sharing = false\n"
               "configs_map.NPU_TURBO = YES\n"
               "graph.-1.graph_backend = 1\n");
}

TEST_F(OptionsReaderTest, EmptyPayloadGivesDefaults) {
  options_.SetOpaque("intel_openvino", "");
  const Read read = ReadOptions();
  ASSERT_TRUE(read);
  EXPECT_EQ((*read)->GetPerformanceMode(), 0);
  EXPECT_TRUE((*read)->GetEnableWeightSharing());
  EXPECT_EQ((*read)->GetGraphBackend(0).Status(), kZorvelStatusErrorMissingHostEntry);
}

// The host cannot say what the options are: the error says why and is not the absent-options
// one, so the compile that follows refuses instead of using defaults.
static void ExpectUnreadable(const Read& read, ZorvelStatus status, const std::string& reason) {
  ASSERT_FALSE(read);
  EXPECT_EQ(read.Status(), status);
  EXPECT_FALSE(IsAbsentOptions(read.GetError()));
  EXPECT_EQ(read.GetError().Message(),
            "The Intel OpenVINO options could not be read from the host: " + reason);
  EXPECT_EQ(MakeError(status, "later").Message(), "later");
}

TEST_F(OptionsReaderTest, NoOptionsObjectIsAbsentOptions) {
  options_.SetOpaque("intel_openvino", "performance_mode = 1\n");
  ExpectAbsent(ReadOptions(api_.table(), nullptr));
  EXPECT_TRUE(IsAbsentOptions(ReadOptions(api_.table(), nullptr).GetError()));
}

TEST_F(OptionsReaderTest, MissingTableOrEntryIsUnreadable) {
  options_.SetOpaque("intel_openvino", "performance_mode = 1\n");
  ExpectUnreadable(ReadOptions(nullptr, api_.Handle(options_)), 6, "there is no host API table");
  api_.RemoveEntry(kGetOpaqueOptions);
  ExpectUnreadable(ReadOptions(), 6, "host API entry 34 (get_opaque_options) is missing");
  api_.RestoreAllEntries();
  api_.RemoveEntry(kFindOpaqueOptionsData);
  ExpectUnreadable(ReadOptions(), 6, "host API entry 35 (find_opaque_options_data) is missing");
  api_.RestoreAllEntries();
  // Entry 36 is only kept, never called.
  api_.RemoveEntry(kAppendOpaqueOptions);
  EXPECT_TRUE(ReadOptions());
}

TEST_F(OptionsReaderTest, FailingHostStatusesAreUnreadableButNotFoundIsAbsent) {
  options_.SetOpaque("intel_openvino", "performance_mode = 1\n");
  for (const ZorvelStatus status :
       {ZorvelStatus{kZorvelStatusErrorInvalidArgument}, ZorvelStatus{77}}) {
    SCOPED_TRACE(status);
    api_.FailEntry(kGetOpaqueOptions, status);
    ExpectUnreadable(
        ReadOptions(), status,
        "host API entry 34 (get_opaque_options) failed with status " + std::to_string(status));
    api_.ClearFailures();
    api_.FailEntry(kFindOpaqueOptionsData, status);
    ExpectUnreadable(ReadOptions(), status,
                     "host API entry 35 (find_opaque_options_data) failed with status " +
                         std::to_string(status));
    api_.ClearFailures();
  }
  // Status 3 is the host saying there is nothing there.
  api_.FailEntry(kFindOpaqueOptionsData, kZorvelStatusErrorNotFound);
  ExpectAbsent(ReadOptions());
  api_.ClearFailures();
  EXPECT_TRUE(ReadOptions());
}

TEST_F(OptionsReaderTest, NoIntelOpenVinoEntryIsAbsentOptions) {
  ExpectAbsent(ReadOptions());
  options_.SetOpaque("intel_openvino_v2", "performance_mode = 1\n");
  options_.SetOpaque("INTEL_OPENVINO", "performance_mode = 1\n");
  ExpectAbsent(ReadOptions());
  EXPECT_EQ(api_.CallCount(kFindOpaqueOptionsData), 2u);
}

TEST_F(OptionsReaderTest, MalformedPayloadIsAbsentOptions) {
  for (const char* payload :
       {"performance_mode = 1\nenable_weight_sharing = False\n", "performance_mode = 4x\n",
        "graph.3 = 1\n", "graph.x.graph_backend = 1\n", "graph.-1.configs_map.K = V\n"}) {
    SCOPED_TRACE(payload);
    options_.SetOpaque("intel_openvino", payload);
    ExpectAbsent(ReadOptions());
    // Also with ERROR reports suppressed, when the raw reason would travel alone.
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeveritySilent);
    ExpectAbsent(ReadOptions());
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  }
}

TEST_F(OptionsReaderTest, OptionsWrittenBackReadTheSame) {
  options_.SetOpaque("intel_openvino",
                     "configs_map.B = 2\nperformance_mode = 5\ngraph.1.configs_map.K = a b\n");
  const Read first = ReadOptions();
  ASSERT_TRUE(first);

  HostOptions copy;
  const HostOptionsWrapper target(api_.table(), api_.Handle(copy));
  ASSERT_TRUE(target.AppendOpaqueOptions(**first));
  EXPECT_STREQ(static_cast<const char*>(copy.opaque().Find("intel_openvino")),
               "performance_mode = 5\nconfigs_map.B = \"2\"\ngraph.1.configs_map.K = \"a b\"\n");
  const Read second = ReadOptions(api_.table(), api_.Handle(copy));
  ASSERT_TRUE(second);
  EXPECT_EQ((*second)->data(), (*first)->data());

  // A host that refuses the entry leaves nothing behind; the payload is freed on our side.
  HostOptions refused;
  api_.FailEntry(kAppendOpaqueOptions, 9);
  const Expected<void> failed =
      HostOptionsWrapper(api_.table(), api_.Handle(refused)).AppendOpaqueOptions(**first);
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Status(), 9);
  EXPECT_EQ(refused.opaque().size(), 0u);
  api_.ClearFailures();
  api_.RemoveEntry(kAppendOpaqueOptions);
  EXPECT_EQ(
      HostOptionsWrapper(api_.table(), api_.Handle(refused)).AppendOpaqueOptions(**first).Status(),
      kZorvelStatusErrorMissingHostEntry);
}

}  // namespace
}  // namespace zorvel::openvino
