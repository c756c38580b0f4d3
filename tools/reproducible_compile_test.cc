// The same model compiles to the same bytes: twice in one process, and on four threads at once,
// each with its own plug-in object, for the bundled example (with and without weight sharing) and
// a real model. Run with ThreadSanitizer by `make tsan`.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "absl/status/statusor.h"
#include "absl/strings/str_cat.h"
#include "gtest/gtest.h"
#include "tools/builtin_models.h"
#include "tools/compile_session.h"
#include "tools/plugin_loader.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/host_partition.h"
#include "zorvel/host/tflite_reader.h"

namespace zorvel::tools {
namespace {

namespace fs = std::filesystem;

// The switches `make run` passes: every NPU rewrite of the example applies.
const std::vector<std::string> kRewrites = {
    "configs_map.fuse_split_attention_to_sdpa=true", "configs_map.unfold_gqa_sequence_fold=true",
    "configs_map.enable_hfa=true", "configs_map.enable_moe_gather=true"};

// Rounds per thread; ZORVEL_TEST_ROUNDS lowers it for slow (instrumented) builds.
int Rounds() {
  const char* text = std::getenv("ZORVEL_TEST_ROUNDS");
  const int rounds = text == nullptr ? 20 : std::atoi(text);
  return rounds > 0 ? rounds : 20;
}

constexpr int kThreads = 4;

// A model partitioned once (by the plug-in), with the partitions formed once for this thread and
// once for each of the others: the stand-in host records on a model which host table took its
// handles last, so threads do not share one.
struct Prepared {
  std::unique_ptr<host::HostModel> source;
  std::vector<host::PartitionedModel> partitioned;
  std::string payload;
};

// Compiles `prepared` through a plug-in object of its own and a host table of its own (the stand-in
// host counts calls per table), and returns the modules' bytes, or the failure. `copy` picks the
// formed partitions to compile.
absl::StatusOr<std::vector<std::string>> CompileModules(const PluginApiTable& table,
                                                        const Prepared& prepared, int copy) {
  host::HostApi api;
  host::HostOptions options;
  options.SetOpaque("intel_openvino", prepared.payload);
  ZorvelCompilerPlugin plugin = nullptr;
  if (table.create_plugin(api.table(), &plugin, nullptr, api.Handle(options)) != kZorvelStatusOk) {
    return absl::InternalError("create_plugin failed");
  }
  ZorvelCompiledResult result = nullptr;
  const ZorvelStatus status =
      table.compile(plugin, "LNL", api.Handle(*prepared.partitioned[copy].model), &result);
  std::vector<std::string> modules;
  if (status == kZorvelStatusOk) {
    uint64_t count = 0;
    table.get_compiled_result_num_byte_code_modules(result, &count);
    for (uint64_t m = 0; m < count; ++m) {
      const void* data = nullptr;
      uint64_t size = 0;
      table.get_compiled_result_byte_code(result, m, &data, &size);
      modules.emplace_back(static_cast<const char*>(data), size);
    }
    table.destroy_compiled_result(result);
  }
  table.destroy_plugin(plugin);
  if (status != kZorvelStatusOk) return absl::InternalError(absl::StrCat("compile: ", status));
  return modules;
}

class ReproducibleCompileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(plugin_.Load(DefaultPluginPath(), &error)) << error;
  }

  // Partitions `model` through the plug-in as the command line does.
  Prepared Prepare(std::unique_ptr<host::HostModel> model, std::vector<std::string> settings) {
    Prepared prepared;
    prepared.source = std::move(model);
    absl::StatusOr<std::string> payload = VendorPayload(settings);
    EXPECT_TRUE(payload.ok()) << payload.status();
    if (payload.ok()) prepared.payload = *payload;
    const PluginApiTable& table = plugin_.table();
    host::HostApi api;
    ZorvelCompilerPlugin plugin = nullptr;
    EXPECT_EQ(table.create_plugin(api.table(), &plugin, nullptr, nullptr), kZorvelStatusOk);
    host::ModelSelection selection(*prepared.source);
    for (size_t s = 0; s < prepared.source->num_subgraphs(); ++s) {
      EXPECT_EQ(table.partition(plugin, "LNL", api.Handle(prepared.source->subgraph(s)),
                                api.Handle(selection[s])),
                kZorvelStatusOk);
    }
    table.destroy_plugin(plugin);
    for (int copy = 0; copy <= kThreads; ++copy) {
      prepared.partitioned.push_back(host::FormPartitions(selection));
    }
    return prepared;
  }

  // One compile on this thread, then four threads each compiling `Rounds()` times: every result
  // has the bytes of the first.
  void ExpectSameBytesEverywhere(const Prepared& prepared, size_t expected_modules) {
    const PluginApiTable& table = plugin_.table();
    absl::StatusOr<std::vector<std::string>> reference = CompileModules(table, prepared, 0);
    ASSERT_TRUE(reference.ok()) << reference.status();
    ASSERT_EQ(reference->size(), expected_modules);
    for (const std::string& module : *reference) ASSERT_GT(module.size(), 20u);

    // A second compile in the same process, after the first left its traces behind.
    absl::StatusOr<std::vector<std::string>> again = CompileModules(table, prepared, 0);
    ASSERT_TRUE(again.ok()) << again.status();
    EXPECT_TRUE(*again == *reference) << "a second compile in the process gave other bytes";

    const int rounds = Rounds();
    std::vector<int> mismatches(kThreads, 0);
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        for (int r = 0; r < rounds; ++r) {
          absl::StatusOr<std::vector<std::string>> modules = CompileModules(table, prepared, t + 1);
          if (!modules.ok()) {
            ++failures[t];
          } else if (*modules != *reference) {
            ++mismatches[t];
          }
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
      EXPECT_EQ(failures[t], 0) << "thread " << t;
      EXPECT_EQ(mismatches[t], 0) << "thread " << t << " of " << rounds << " rounds";
    }
  }

  PluginLibrary plugin_;
};

TEST_F(ReproducibleCompileTest, ExampleWithWeightSharing) {
  std::vector<std::string> settings = kRewrites;
  settings.push_back("enable_weight_sharing=true");
  const Prepared prepared = Prepare(BuildExampleLanguageModel(), settings);
  ASSERT_GE(prepared.partitioned[0].partitions.size(), 2u);
  ExpectSameBytesEverywhere(prepared, 1);
}

TEST_F(ReproducibleCompileTest, ExampleWithoutWeightSharing) {
  std::vector<std::string> settings = kRewrites;
  settings.push_back("enable_weight_sharing=false");
  const Prepared prepared = Prepare(BuildExampleLanguageModel(), settings);
  ExpectSameBytesEverywhere(prepared, prepared.partitioned[0].partitions.size());
}

TEST_F(ReproducibleCompileTest, RealModel) {
  const fs::path file = fs::path(ZORVEL_TEST_MODELS_DIR) / "person_detect.tflite";
  if (!fs::exists(file)) GTEST_SKIP() << "no reference model at " << file.string();
  absl::StatusOr<std::unique_ptr<host::HostModel>> model = host::ReadTfliteFile(file.string());
  ASSERT_TRUE(model.ok()) << model.status();
  const Prepared prepared = Prepare(std::move(*model), {"enable_weight_sharing=false"});
  ExpectSameBytesEverywhere(prepared, prepared.partitioned[0].partitions.size());
}

}  // namespace
}  // namespace zorvel::tools
