// The plug-in against TensorFlow Lite's own outputs: the one-op seanet models (int16 activations)
// partitioned and compiled through the loaded plug-in, their partitions imported on each device
// and run by the model runner on the reference inputs, and the outputs compared with the golden
// data TensorFlow Lite produced. Skipped when the models folder is absent.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "gtest/gtest.h"
#include "openvino/runtime/core.hpp"
#include "tools/compile_session.h"
#include "tools/model_runner.h"
#include "tools/module_info.h"
#include "tools/plugin_loader.h"
#include "tools/verify.h"
#include "zorvel/host/tflite_reader.h"

namespace zorvel::tools {
namespace {

namespace fs = std::filesystem;

const fs::path kModels = ZORVEL_TEST_MODELS_DIR;

#define SKIP_WITHOUT_MODELS()                                        \
  do {                                                               \
    if (!fs::exists(kModels / "seanet")) {                           \
      GTEST_SKIP() << "no reference models at " << kModels.string(); \
    }                                                                \
  } while (0)

// Every "<name>_golden_int16.csv" of a family folder, as the path without that suffix.
std::vector<std::string> GoldenCases(const std::string& family) {
  std::vector<std::string> cases;
  const std::string suffix = "_golden_int16.csv";
  for (const auto& entry : fs::directory_iterator(kModels / "seanet" / family)) {
    const std::string file = entry.path().string();
    if (file.size() > suffix.size() &&
        file.compare(file.size() - suffix.size(), suffix.size(), suffix) == 0) {
      cases.push_back(file.substr(0, file.size() - suffix.size()));
    }
  }
  std::sort(cases.begin(), cases.end());
  return cases;
}

struct Outcome {
  size_t elements = 0;
  size_t exact = 0;
  double max_diff = 0;
};

class RealModelsTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(plugin_.Load(DefaultPluginPath(), &error)) << error;
  }

  // Compiles `base`.tflite for `backend` through the plug-in, runs it on the input CSVs and
  // compares output 0 with the golden CSV.
  void RunCase(const std::string& base, const std::string& backend, Outcome& outcome) {
    SCOPED_TRACE(base + " on backend " + backend);
    absl::StatusOr<std::unique_ptr<host::HostModel>> source =
        host::ReadTfliteFile(base + ".tflite");
    ASSERT_TRUE(source.ok()) << source.status();
    CompileRequest request;
    request.soc_model = "LNL";
    request.options = {"graph.-1.graph_backend=" + backend};
    absl::StatusOr<CompileRun> run = RunCompileOn(plugin_, std::move(*source), request, nullptr);
    ASSERT_TRUE(run.ok()) << run.status();
    ASSERT_EQ(run->partitioned.partitions.size(), 1u) << "the op was not taken by the plug-in";

    const host::HostSubgraph& main = run->source->subgraph(0);
    std::vector<std::vector<double>> inputs;
    for (size_t k = 0; k < main.inputs().size(); ++k) {
      absl::StatusOr<std::vector<double>> values =
          ReadCsvValues(base + "_input" + std::to_string(k) + "_int16.csv");
      ASSERT_TRUE(values.ok()) << values.status();
      inputs.push_back(*std::move(values));
    }
    absl::StatusOr<std::vector<ov::Tensor>> outputs = RunCompiledModel(*run, inputs);
    ASSERT_TRUE(outputs.ok()) << outputs.status();
    ASSERT_EQ(outputs->size(), 1u);
    const std::vector<double> actual = OutputValues((*outputs)[0], *main.outputs()[0]);
    absl::StatusOr<std::vector<double>> golden = ReadCsvValues(base + "_golden_int16.csv");
    ASSERT_TRUE(golden.ok()) << golden.status();
    ASSERT_EQ(actual.size(), golden->size());
    size_t beyond_one_step = 0;
    for (size_t j = 0; j < actual.size(); ++j) {
      const double diff = std::fabs(actual[j] - (*golden)[j]);
      outcome.max_diff = std::max(outcome.max_diff, diff);
      outcome.exact += diff == 0 ? 1 : 0;
      beyond_one_step += diff > 1 ? 1 : 0;
    }
    outcome.elements += actual.size();
    EXPECT_EQ(beyond_one_step, 0u) << "elements further than one quantization step from golden";
  }

  PluginLibrary plugin_;
};

TEST_P(RealModelsTest, SeanetOutputsMatchGoldenWithinOneStep) {
  SKIP_WITHOUT_MODELS();
  const std::string family = GetParam();
  const std::vector<std::string> cases = GoldenCases(family);
  ASSERT_FALSE(cases.empty());
  // Every model on the CPU; the emulated GPU and NPU run the same kernels, so a few of each
  // check that the device path changes nothing.
  std::map<std::string, Outcome> per_device;
  for (size_t i = 0; i < cases.size(); ++i) {
    RunCase(cases[i], "0", per_device["CPU"]);
    if (i < 2) RunCase(cases[i], "1", per_device["GPU"]);
    if (i < 2) RunCase(cases[i], "2", per_device["NPU"]);
  }
  for (const auto& [device, outcome] : per_device) {
    std::printf("seanet/%s on %s: %zu models, %zu elements, %.2f%% exact, largest difference %g\n",
                family.c_str(), device.c_str(), device == "CPU" ? cases.size() : size_t{2},
                outcome.elements, 100.0 * outcome.exact / std::max<size_t>(outcome.elements, 1),
                outcome.max_diff);
  }
}

INSTANTIATE_TEST_SUITE_P(Families, RealModelsTest, ::testing::Values("add", "conv", "sub"));

// Whole real models: every partition compiled through the plug-in for each device, imported and
// checked against the host subgraph evaluated directly.
class RealModelsVerifyTest : public ::testing::TestWithParam<std::tuple<const char*, const char*>> {
};

TEST_P(RealModelsVerifyTest, PartitionsCompileAndMatchDirectEvaluation) {
  SKIP_WITHOUT_MODELS();
  const auto [file, backend] = GetParam();
  PluginLibrary plugin;
  std::string error;
  ASSERT_TRUE(plugin.Load(DefaultPluginPath(), &error)) << error;
  absl::StatusOr<std::unique_ptr<host::HostModel>> source =
      host::ReadTfliteFile((kModels / file).string());
  ASSERT_TRUE(source.ok()) << source.status();
  CompileRequest request;
  request.soc_model = "LNL";
  request.options = {std::string("graph.-1.graph_backend=") + backend};
  absl::StatusOr<CompileRun> run = RunCompileOn(plugin, std::move(*source), request, nullptr);
  ASSERT_TRUE(run.ok()) << run.status();
  ASSERT_FALSE(run->output.calls.empty());
  for (const PartitionCheck& check : VerifyPartitions(*run)) {
    SCOPED_TRACE(check.call_name);
    EXPECT_TRUE(check.failure.empty()) << check.failure;
    EXPECT_LE(check.max_abs_error, 1e-4 * std::max(1.0, check.max_abs_reference));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Models, RealModelsVerifyTest,
    ::testing::Combine(::testing::Values("hello_world_float.tflite", "hello_world_int8.tflite",
                                         "person_detect.tflite", "keyword_scrambled.tflite"),
                       ::testing::Values("0", "1", "2")));
// The largest model on the device the plug-in is for; the reference kernels take seconds on it.
INSTANTIATE_TEST_SUITE_P(
    MobileNet, RealModelsVerifyTest,
    ::testing::Combine(::testing::Values("mobilenet_v2_quantized_1x3x224x224.tflite"),
                       ::testing::Values("2")));

}  // namespace
}  // namespace zorvel::tools
