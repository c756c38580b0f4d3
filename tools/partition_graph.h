#ifndef TOOLS_PARTITION_GRAPH_H_
#define TOOLS_PARTITION_GRAPH_H_

// Pictures of how a model was partitioned: a Graphviz graph with every op of the host model a
// node labelled with its type, an edge per tensor between ops (labelled with its shape), the ops of
// each partition in one cluster coloured by the partition's device, and the ops left to the host
// in grey with the plug-in's reason as their tooltip.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "absl/status/status.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/host_partition.h"

namespace zorvel::tools {

// The lines the plug-in logs while it partitions one subgraph, split per op it leaves to the host:
// its reasons for one op end with the "op type N is not supported" line.
std::vector<std::string> ReasonsPerRefusedOp(const std::string& log);

struct PartitionPicture {
  const host::HostModel* model = nullptr;
  const std::vector<host::Partition>* partitions = nullptr;
  std::vector<std::string> devices;  // per partition: "NPU", "GPU", "CPU", or empty when unknown
  // Why an op was left to the host, by (subgraph, op).
  std::map<std::pair<size_t, host::OpId>, std::string> host_reasons;
};

// The reasons of `partition_logs` (one per subgraph, the plug-in's lines in order) assigned in op
// order to the ops no partition holds.
std::map<std::pair<size_t, host::OpId>, std::string> HostReasons(
    const host::HostModel& model, const std::vector<host::Partition>& partitions,
    const std::vector<std::string>& partition_logs);

std::string PartitionDot(const PartitionPicture& picture);

// Renders `dot_text` as SVG into `svg_path` with Graphviz's `dot`.
absl::Status RenderSvg(const std::string& dot_text, const std::string& svg_path);

}  // namespace zorvel::tools

#endif  // TOOLS_PARTITION_GRAPH_H_
