// Partition pictures: the Graphviz text, and the SVG the command line renders of the example and of
// a real model.
#include "tools/partition_graph.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "tools/builtin_models.h"

namespace zorvel::tools {
namespace {

using ::testing::HasSubstr;

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(PartitionGraphTest, ReasonsGoToTheOpsNoPartitionHolds) {
  const std::string log =
      "INFO: [p.cc:1] op type 8 is not supported\n"
      "INFO: [p.cc:2] TOPK_V2 with non-constant K is not supported on NPU; leaving op on CPU.\n"
      "INFO: [p.cc:3] op type 48 is not supported\n";
  EXPECT_THAT(ReasonsPerRefusedOp(log),
              testing::ElementsAre("op type 8 is not supported",
                                   "TOPK_V2 with non-constant K is not supported on NPU; leaving "
                                   "op on CPU.; op type 48 is not supported"));
}

TEST(PartitionGraphTest, DotHasClustersDevicesShapesAndHostOps) {
  const std::unique_ptr<host::HostModel> model = BuildSmallPartitionModel();
  // Partition 0 holds op 0 and 1, the rest stays with the host.
  host::Partition p{};
  p.source_subgraph = 0;
  p.source_ops = {0, 1};
  const std::vector<host::Partition> partitions = {p};
  PartitionPicture picture;
  picture.model = model.get();
  picture.partitions = &partitions;
  picture.devices = {"GPU"};
  picture.host_reasons[{0, 2}] = "op type 8 \"floor\" is not supported";
  const std::string dot = PartitionDot(picture);
  EXPECT_EQ(Count(dot, "subgraph cluster_"), 1u);
  EXPECT_THAT(dot, HasSubstr("label=\"Partition_0 (GPU), subgraph 0\""));
  EXPECT_THAT(dot, HasSubstr("s0_op0 [label=\"CONV_2D\", fillcolor=\"#9be3a5\""));
  // Quotes in a reason are escaped; ops without one say so.
  EXPECT_THAT(dot,
              HasSubstr("tooltip=\"left to the host: op type 8 \\\"floor\\\" is not supported\""));
  EXPECT_THAT(dot, HasSubstr("tooltip=\"left to the host: not selected\""));
  EXPECT_THAT(dot, HasSubstr("s0_in0 -> s0_op0 [label=\"["));
  const host::HostSubgraph& sg = model->subgraph(0);
  size_t nodes = 0;
  std::istringstream lines(dot);
  for (std::string line; std::getline(lines, line);) {
    nodes += line.find(" [") != std::string::npos && line.find(" -> ") == std::string::npos &&
             line.find("node [") == std::string::npos && line.find("edge [") == std::string::npos;
  }
  EXPECT_EQ(nodes, sg.num_ops() + sg.inputs().size() + sg.outputs().size());
}

// Runs zorvel-ov; true when it exited with 0.
bool RunTool(const std::string& arguments) {
  const std::string command = std::string(ZORVEL_OV_PATH) + " " + arguments + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(PartitionGraphTest, SvgOfTheExampleAndOfPersonDetect) {
  if (std::system("command -v dot >/dev/null 2>&1") != 0) GTEST_SKIP() << "Graphviz is not there";
  const std::string dir = testing::TempDir();
  ASSERT_TRUE(RunTool("compile --soc LNL --option graph.1.graph_backend=0 -o " + dir +
                      "/pictures.zvlout --svg " + dir + "/example.svg --dot " + dir +
                      "/example.dot"));
  const std::string svg = ReadAll(dir + "/example.svg");
  // 164 ops, 4 + 4 inputs and 3 + 3 outputs; four partitions, the second on the CPU.
  EXPECT_EQ(Count(svg, "class=\"node\""), 178u);
  EXPECT_EQ(Count(svg, "class=\"cluster\""), 4u);
  EXPECT_THAT(svg, HasSubstr("Partition_1 (CPU)"));
  EXPECT_THAT(svg, HasSubstr("left to the host: op type 43 is not supported"));
  EXPECT_THAT(ReadAll(dir + "/example.dot"), HasSubstr("digraph partitions {"));

  const std::string model = std::string(ZORVEL_TEST_MODELS_DIR) + "/person_detect.tflite";
  if (!std::ifstream(model).good()) GTEST_SKIP() << model << " is not there";
  ASSERT_TRUE(RunTool("partition " + model + " --svg " + dir + "/person_detect.svg"));
  const std::string person = ReadAll(dir + "/person_detect.svg");
  EXPECT_EQ(Count(person, "class=\"node\""), 33u);  // 31 ops, one input, one output
  EXPECT_EQ(Count(person, "class=\"cluster\""), 1u);
  EXPECT_THAT(person, HasSubstr("CONV_2D"));
  EXPECT_THAT(person, HasSubstr("DEPTHWISE_CONV_2D"));

  // A picture that cannot be written fails the command.
  EXPECT_FALSE(RunTool("partition --svg /nonexistent-dir/x.svg"));
}

}  // namespace
}  // namespace zorvel::tools
