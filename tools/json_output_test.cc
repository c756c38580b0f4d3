// `zorvel-ov --json`: the installed command line run as a user runs it, its standard output
// parsed as one JSON document.
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "nlohmann/json.hpp"

namespace zorvel::tools {
namespace {

using Json = nlohmann::json;

struct Result {
  int exit_status = -1;
  Json doc;
};

// Runs zorvel-ov with `arguments` (standard error dropped) and parses all of standard output:
// anything besides the one document fails the parse.
Result RunJson(const std::string& arguments) {
  const std::string command = std::string(ZORVEL_OV_PATH) + " --json " + arguments + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char buffer[4096];
  size_t n;
  while (pipe != nullptr && (n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, n);
  Result result;
  const int status = pipe != nullptr ? pclose(pipe) : -1;
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.doc = Json::parse(out, nullptr, /*allow_exceptions=*/false);
  return result;
}

std::string TempPath(const std::string& name) { return testing::TempDir() + "/" + name; }

const char kRewriteOptions[] =
    "--soc LNL --option enable_weight_sharing=true --option configs_map.enable_hfa=true "
    "--option configs_map.enable_moe_gather=true";

TEST(JsonOutputTest, InfoAndPartition) {
  Result info = RunJson("info");
  ASSERT_FALSE(info.doc.is_discarded());
  EXPECT_EQ(info.exit_status, 0);
  EXPECT_EQ(info.doc["command"], "info");
  EXPECT_EQ(info.doc["api_version"], "0.1.0");
  EXPECT_EQ(info.doc["soc_models"], Json::array({"WCL", "LNL", "PTL"}));

  Result partition = RunJson("partition --soc LNL");
  ASSERT_FALSE(partition.doc.is_discarded());
  EXPECT_EQ(partition.doc["partitions"].size(), 3u);
  const Json& floor_op = partition.doc["subgraphs"][0]["ops"][2];
  EXPECT_EQ(floor_op["selected"], false);
  EXPECT_THAT(floor_op["reason"].get<std::string>(), testing::HasSubstr("op type 8"));
}

TEST(JsonOutputTest, CompileInspectAndVerifyAgree) {
  const std::string out = TempPath("json_example.zvlout");
  Result compile = RunJson(std::string("compile ") + kRewriteOptions + " -o " + out);
  ASSERT_FALSE(compile.doc.is_discarded());
  ASSERT_EQ(compile.exit_status, 0) << compile.doc.dump();
  const Json& partitions = compile.doc["partitions"];
  ASSERT_EQ(partitions.size(), 4u);
  EXPECT_EQ(partitions[0]["device"], "NPU");
  EXPECT_EQ(compile.doc["modules"]["count"], 1);
  EXPECT_EQ(compile.doc["pool"]["container"], true);
  EXPECT_GT(compile.doc["pool"]["saved_bytes"].get<int64_t>(), 0);
  // The prefill partition: every attention rewrite and the chunked MoE rewrite applied once.
  const Json& prefill = compile.doc["rewrites"]["partitions"][0]["rewrites"];
  ASSERT_EQ(prefill.size(), 4u);
  for (const Json& r : prefill) EXPECT_EQ(r["applied"], 1) << r.dump();
  // Decode attention is single-token: HFA leaves it.
  EXPECT_EQ(compile.doc["rewrites"]["partitions"][2]["rewrites"][2]["pass"], "DecomposeSDPAForHFA");
  EXPECT_EQ(compile.doc["rewrites"]["partitions"][2]["rewrites"][2]["applied"], 0);

  Result inspect = RunJson("inspect " + out);
  ASSERT_FALSE(inspect.doc.is_discarded());
  EXPECT_EQ(inspect.exit_status, 0);
  EXPECT_EQ(inspect.doc["kind"], "compile_output");
  ASSERT_EQ(inspect.doc["calls"].size(), 4u);
  const Json& container = inspect.doc["modules"][0];
  EXPECT_EQ(container["kind"], "global_graph");
  EXPECT_EQ(container["pool"]["bytes"], compile.doc["pool"]["pooled_bytes"]);
  EXPECT_EQ(container["bytes"], compile.doc["modules"]["bytes"]);
  ASSERT_EQ(container["subgraphs"].size(), 4u);
  EXPECT_EQ(container["subgraphs"][2]["kv_cache_extent"], 31);
  EXPECT_FALSE(container.contains("import_error"));
  EXPECT_FALSE(container["subgraphs"][0]["inputs"].empty());

  Result verify = RunJson(std::string("verify ") + kRewriteOptions);
  ASSERT_FALSE(verify.doc.is_discarded());
  EXPECT_EQ(verify.exit_status, 0);
  EXPECT_EQ(verify.doc["passed"], true);
  ASSERT_EQ(verify.doc["partitions"].size(), 4u);
  const Json& first = verify.doc["partitions"][0];
  EXPECT_EQ(first["outputs"].size(), 3u);
  EXPECT_EQ(first["outputs"][0]["name"], "layer0/attn_k_heads");
  EXPECT_LE(first["max_abs_error"].get<double>(), first["limit"].get<double>());
  EXPECT_EQ(verify.doc["rewrites"], compile.doc["rewrites"]);
}

TEST(JsonOutputTest, FailuresAreDocumentsWithTheError) {
  const std::string bad = TempPath("json_bad.zvlout");
  std::ofstream(bad) << "ZVLOVOUT\n";
  Result inspect = RunJson("inspect " + bad);
  ASSERT_FALSE(inspect.doc.is_discarded());
  EXPECT_EQ(inspect.exit_status, 1);
  EXPECT_THAT(inspect.doc["error"].get<std::string>(), testing::HasSubstr("truncated at byte 8"));

  Result unknown = RunJson("compile no-such-model");
  ASSERT_FALSE(unknown.doc.is_discarded());
  EXPECT_EQ(unknown.exit_status, 1);
  EXPECT_THAT(unknown.doc["error"].get<std::string>(), testing::HasSubstr("no-such-model"));
}

TEST(JsonOutputTest, RealModels) {
  const std::string model = std::string(ZORVEL_TEST_MODELS_DIR) + "/person_detect.tflite";
  if (!std::ifstream(model).good()) GTEST_SKIP() << model << " is not there";
  Result compile = RunJson("compile " + model + " -o " + TempPath("json_person.zvlout"));
  ASSERT_FALSE(compile.doc.is_discarded());
  EXPECT_EQ(compile.exit_status, 0);
  EXPECT_EQ(compile.doc["partitions"].size(), 1u);
  EXPECT_EQ(compile.doc["partitions"][0]["ops"], 31);
  Result verify = RunJson("verify " + model);
  ASSERT_FALSE(verify.doc.is_discarded());
  EXPECT_EQ(verify.doc["passed"], true);

  const std::string add = std::string(ZORVEL_TEST_MODELS_DIR) + "/seanet/add/add0";
  Result run = RunJson("run " + add + ".tflite --option graph.-1.graph_backend=0 --input 0=" + add +
                       "_input0_int16.csv --input 1=" + add + "_input1_int16.csv --output-dir " +
                       testing::TempDir());
  ASSERT_FALSE(run.doc.is_discarded());
  EXPECT_EQ(run.exit_status, 0);
  ASSERT_EQ(run.doc["outputs"].size(), 1u);
  EXPECT_EQ(run.doc["outputs"][0]["values"], 320);
  EXPECT_EQ(run.doc["outputs"][0]["path"], testing::TempDir() + "/output0.csv");
}

}  // namespace
}  // namespace zorvel::tools
