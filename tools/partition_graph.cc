#include "tools/partition_graph.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "absl/strings/str_cat.h"
#include "absl/strings/str_join.h"
#include "tools/compile_output.h"
#include "zorvel/vendors/intel_openvino/compiler/decoder.h"

extern char** environ;

namespace zorvel::tools {
namespace {

// Node fill and cluster background per device.
struct Colours {
  const char* node;
  const char* cluster;
  const char* border;
};

Colours ColoursOf(const std::string& device) {
  if (device == "NPU") return {"#9cc2ff", "#e8f0ff", "#3b7dd8"};
  if (device == "GPU") return {"#9be3a5", "#e8f8ea", "#2e9e45"};
  if (device == "CPU") return {"#ffd08a", "#fff4e3", "#d08a1e"};
  return {"#ffffff", "#f6f6f6", "#888888"};
}

constexpr char kHostGrey[] = "#d0d0d0";

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out.push_back('\\');
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out.push_back(c);
  }
  return out + "\"";
}

std::string OpId(size_t subgraph, host::OpId op) { return absl::StrCat("s", subgraph, "_op", op); }

std::string OpLabel(const host::HostOp& op) {
  std::string type(openvino::OpTypeName(op.op_code));
  if (type.empty()) type = absl::StrCat("op code ", op.op_code);
  if (op.composite.has_value() && !op.composite->name.empty()) {
    absl::StrAppend(&type, "\n", op.composite->name);
  }
  return type;
}

std::string ShapeText(const host::HostTensor& tensor) {
  if (!tensor.type.ranked) return "[*]";
  std::vector<std::string> dims;
  for (int32_t d : tensor.type.dims) dims.push_back(d < 0 ? "?" : absl::StrCat(d));
  return absl::StrCat("[", absl::StrJoin(dims, ","), "]");
}

}  // namespace

std::vector<std::string> ReasonsPerRefusedOp(const std::string& log) {
  std::vector<std::string> reasons;
  std::string pending;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    std::string line = log.substr(start, end - start);
    start = end + 1;
    // Drop the "SEVERITY: [file:line] " prefix.
    const size_t bracket = line.find("] ");
    if (bracket != std::string::npos) line = line.substr(bracket + 2);
    if (!pending.empty()) pending += "; ";
    pending += line;
    if (line.find(" is not supported") != std::string::npos && line.rfind("op type ", 0) == 0) {
      reasons.push_back(pending);
      pending.clear();
    }
  }
  return reasons;
}

std::map<std::pair<size_t, host::OpId>, std::string> HostReasons(
    const host::HostModel& model, const std::vector<host::Partition>& partitions,
    const std::vector<std::string>& partition_logs) {
  std::set<std::pair<size_t, host::OpId>> taken;
  for (const host::Partition& p : partitions) {
    for (host::OpId op : p.source_ops) taken.emplace(p.source_subgraph, op);
  }
  std::map<std::pair<size_t, host::OpId>, std::string> reasons;
  for (size_t s = 0; s < model.num_subgraphs(); ++s) {
    const std::vector<std::string> list = s < partition_logs.size()
                                              ? ReasonsPerRefusedOp(partition_logs[s])
                                              : std::vector<std::string>{};
    size_t next = 0;
    for (host::OpId op = 0; op < model.subgraph(s).num_ops(); ++op) {
      if (taken.count({s, op}) != 0) continue;
      reasons[{s, op}] = next < list.size() ? list[next++] : "not selected";
    }
  }
  return reasons;
}

std::string PartitionDot(const PartitionPicture& picture) {
  const host::HostModel& model = *picture.model;
  std::string dot =
      "digraph partitions {\n"
      "  rankdir=TB;\n"
      "  node [shape=box, style=\"rounded,filled\", fontname=\"Helvetica\", fontsize=10];\n"
      "  edge [fontname=\"Helvetica\", fontsize=8, color=\"#555555\"];\n";
  std::set<std::pair<size_t, host::OpId>> in_partition;
  for (size_t i = 0; i < picture.partitions->size(); ++i) {
    const host::Partition& p = (*picture.partitions)[i];
    const std::string device = i < picture.devices.size() ? picture.devices[i] : std::string();
    const Colours colours = ColoursOf(device);
    absl::StrAppend(&dot, "  subgraph cluster_partition_", i, " {\n    label=",
                    Quote(absl::StrCat("Partition_", i, device.empty() ? "" : " (" + device + ")",
                                       ", subgraph ", p.source_subgraph)),
                    ";\n    style=filled; fillcolor=\"", colours.cluster, "\"; color=\"",
                    colours.border, "\";\n");
    for (host::OpId op : p.source_ops) {
      in_partition.emplace(p.source_subgraph, op);
      const host::HostOp& host_op = model.subgraph(p.source_subgraph).op(op);
      absl::StrAppend(&dot, "    ", OpId(p.source_subgraph, op),
                      " [label=", Quote(OpLabel(host_op)), ", fillcolor=\"", colours.node,
                      "\", tooltip=",
                      Quote(absl::StrCat("op ", op, " of subgraph ", p.source_subgraph, " on ",
                                         device.empty() ? "its device" : device)),
                      "];\n");
    }
    dot += "  }\n";
  }
  for (size_t s = 0; s < model.num_subgraphs(); ++s) {
    const host::HostSubgraph& sg = model.subgraph(s);
    for (host::OpId op = 0; op < sg.num_ops(); ++op) {
      if (in_partition.count({s, op}) != 0) continue;
      const auto reason = picture.host_reasons.find({s, op});
      absl::StrAppend(&dot, "  ", OpId(s, op), " [label=", Quote(OpLabel(sg.op(op))),
                      ", fillcolor=\"", kHostGrey, "\", tooltip=",
                      Quote(absl::StrCat("left to the host: ", reason == picture.host_reasons.end()
                                                                   ? std::string("not selected")
                                                                   : reason->second)),
                      "];\n");
    }
    // The subgraph's inputs and outputs as the ends of their edges.
    std::map<const host::HostTensor*, std::string> input_nodes;
    for (size_t k = 0; k < sg.inputs().size(); ++k) {
      const std::string id = absl::StrCat("s", s, "_in", k);
      input_nodes[sg.inputs()[k]] = id;
      absl::StrAppend(
          &dot, "  ", id, " [shape=ellipse, style=solid, label=",
          Quote(sg.inputs()[k]->name.empty() ? absl::StrCat("input ", k) : sg.inputs()[k]->name),
          "];\n");
    }
    for (host::OpId op = 0; op < sg.num_ops(); ++op) {
      for (const host::HostTensor* tensor : sg.op(op).inputs) {
        if (tensor == nullptr) continue;
        std::string from;
        if (tensor->producer != nullptr) {
          from = OpId(s, tensor->producer->index);
        } else if (const auto it = input_nodes.find(tensor); it != input_nodes.end()) {
          from = it->second;
        } else {
          continue;  // a constant: its weights are not drawn
        }
        absl::StrAppend(&dot, "  ", from, " -> ", OpId(s, op),
                        " [label=", Quote(ShapeText(*tensor)), ", tooltip=", Quote(tensor->name),
                        "];\n");
      }
    }
    for (size_t k = 0; k < sg.outputs().size(); ++k) {
      const host::HostTensor* tensor = sg.outputs()[k];
      const std::string id = absl::StrCat("s", s, "_out", k);
      absl::StrAppend(&dot, "  ", id, " [shape=ellipse, style=solid, label=",
                      Quote(tensor->name.empty() ? absl::StrCat("output ", k) : tensor->name),
                      "];\n");
      std::string from;
      if (tensor->producer != nullptr) {
        from = OpId(s, tensor->producer->index);
      } else if (const auto it = input_nodes.find(tensor); it != input_nodes.end()) {
        from = it->second;
      }
      if (!from.empty()) {
        absl::StrAppend(&dot, "  ", from, " -> ", id, " [label=", Quote(ShapeText(*tensor)),
                        "];\n");
      }
    }
  }
  dot += "}\n";
  return dot;
}

absl::Status RenderSvg(const std::string& dot_text, const std::string& svg_path) {
  char dot_path[] = "/tmp/zorvel-ov-dot-XXXXXX";
  const int fd = mkstemp(dot_path);
  if (fd < 0) return absl::InternalError("cannot create a temporary file for the graph");
  close(fd);
  absl::Status written = WriteFile(dot_path, dot_text);
  if (!written.ok()) {
    unlink(dot_path);
    return written;
  }
  // Run dot directly, without a shell, so no path is ever interpreted.
  std::string out_flag = "-o" + svg_path;
  char* argv[] = {const_cast<char*>("dot"), const_cast<char*>("-Tsvg"), out_flag.data(), dot_path,
                  nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "dot", nullptr, nullptr, argv, environ);
  int status = 0;
  if (spawned == 0) waitpid(pid, &status, 0);
  unlink(dot_path);
  if (spawned != 0) {
    return absl::FailedPreconditionError(
        "cannot run Graphviz's dot for --svg (scripts/install-deps installs the graphviz package)");
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return absl::InternalError(absl::StrCat("Graphviz's dot failed to write ", svg_path));
  }
  return absl::OkStatus();
}

}  // namespace zorvel::tools
