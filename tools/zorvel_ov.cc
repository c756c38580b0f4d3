// zorvel-ov: plays host for a real run of the Intel OpenVINO compiler plug-in.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/builtin_models.h"
#include "tools/plugin_loader.h"
#include "tools/stderr_capture.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_partition.h"
#include "zorvel/host/tflite_reader.h"

namespace zorvel::tools {
namespace {

constexpr const char kUsage[] =
    "usage: zorvel-ov [--plugin PATH] COMMAND\n"
    "\n"
    "commands:\n"
    "  info                   load the plug-in and print what its table reports\n"
    "  partition [MODEL.tflite] [--soc NAME]\n"
    "                         ask the plug-in which ops of a model (a small built-in one when\n"
    "                         none is given) it takes, and why it leaves the others\n"
    "\n"
    "--plugin PATH   the plug-in library (default: the one built beside this tool)\n";

// The lines the plug-in logs while it partitions, in order, split out per op it leaves to the
// host: the reasons it gives end with the "op type N is not supported" line.
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

int Partition(const PluginLibrary& plugin, const std::vector<std::string>& args,
              const char* soc_model) {
  if (args.size() > 2) {
    std::fprintf(stderr, "zorvel-ov: partition takes at most one model\n%s", kUsage);
    return 2;
  }
  std::unique_ptr<host::HostModel> model;
  if (args.size() == 2) {
    auto read = host::ReadTfliteFile(args[1]);
    if (!read.ok()) {
      std::fprintf(stderr, "zorvel-ov: %s\n", std::string(read.status().message()).c_str());
      return 1;
    }
    model = std::move(read).value();
  } else {
    model = BuildSmallPartitionModel();
  }
  const PluginApiTable& table = plugin.table();
  host::HostApi api;
  ZorvelCompilerPlugin handle = nullptr;
  if (table.create_plugin(api.table(), &handle, nullptr, nullptr) != kZorvelStatusOk) {
    std::fprintf(stderr, "zorvel-ov: the plug-in could not be created\n");
    return 1;
  }
  host::ModelSelection selection(*model);
  int exit_code = 0;
  for (size_t s = 0; s < model->num_subgraphs(); ++s) {
    StderrCapture capture;
    const ZorvelStatus status = table.partition(handle, soc_model, api.Handle(model->subgraph(s)),
                                                api.Handle(selection[s]));
    const std::string log = capture.Finish();
    std::fputs(log.c_str(), stderr);
    std::printf("subgraph %zu: partition status %d\n", s, status);
    if (status != kZorvelStatusOk) exit_code = 1;
    const std::vector<std::string> reasons = ReasonsPerRefusedOp(log);
    size_t next_reason = 0;
    const host::HostSubgraph& sg = model->subgraph(s);
    for (host::OpId op = 0; op < sg.num_ops(); ++op) {
      const host::HostOp& host_op = sg.op(op);
      const std::string first_output =
          host_op.outputs.empty() ? std::string("-") : host_op.outputs[0]->name;
      const int32_t partition = selection[s].PartitionOf(op);
      if (partition >= 0) {
        std::printf("  op %-3u code %-4d %-16s selected, partition %d\n", op, host_op.op_code,
                    first_output.c_str(), partition);
      } else {
        const char* why =
            next_reason < reasons.size() ? reasons[next_reason++].c_str() : "not selected";
        std::printf("  op %-3u code %-4d %-16s left to the host: %s\n", op, host_op.op_code,
                    first_output.c_str(), why);
      }
    }
  }
  const host::PartitionedModel partitioned = host::FormPartitions(selection);
  std::printf("partitions: %zu\n", partitioned.partitions.size());
  for (size_t i = 0; i < partitioned.partitions.size(); ++i) {
    const host::Partition& p = partitioned.partitions[i];
    std::printf("  Partition_%zu: subgraph %zu, %zu ops, %zu inputs, %zu outputs\n", i,
                p.source_subgraph, p.source_ops.size(), p.source_inputs.size(),
                p.source_outputs.size());
  }
  table.destroy_plugin(handle);
  return exit_code;
}

int Info(const PluginLibrary& plugin) {
  const PluginApiTable& table = plugin.table();
  ZorvelApiVersion version{};
  if (table.get_api_version(&version) != kZorvelStatusOk) {
    std::fprintf(stderr, "zorvel-ov: the plug-in did not report its API version\n");
    return 1;
  }
  ZorvelCompilerPlugin handle = nullptr;
  if (table.create_plugin(nullptr, &handle, nullptr, nullptr) != kZorvelStatusOk ||
      handle == nullptr) {
    std::fprintf(stderr, "zorvel-ov: the plug-in could not be created\n");
    return 1;
  }
  int32_t hardware = 0;
  uint64_t num_soc_models = 0;
  const char* runtime = nullptr;
  const bool ok = table.get_supported_hardware(handle, &hardware) == kZorvelStatusOk &&
                  table.get_num_soc_models(handle, &num_soc_models) == kZorvelStatusOk &&
                  table.get_runtime_version(handle, &runtime) == kZorvelStatusOk;
  std::vector<std::string> soc_models;
  for (uint64_t i = 0; ok && i < num_soc_models; ++i) {
    const char* name = nullptr;
    if (table.get_soc_model(handle, i, &name) == kZorvelStatusOk && name != nullptr) {
      soc_models.emplace_back(name);
    }
  }
  table.destroy_plugin(handle);
  if (!ok) {
    std::fprintf(stderr, "zorvel-ov: the plug-in did not answer its information entries\n");
    return 1;
  }

  std::printf("plug-in:       %s\n", plugin.path().c_str());
  std::printf("API version:   %d.%d.%d\n", version.major, version.minor, version.patch);
  std::printf("manufacturer:  %s\n", table.get_soc_manufacturer());
  std::printf("hardware:      %d\n", hardware);
  std::printf("SoC models:   ");
  for (const std::string& name : soc_models) std::printf(" %s", name.c_str());
  std::printf("\n");
  std::printf("runtime:       %s\n", runtime);
  return 0;
}

int Main(int argc, char** argv) {
  std::string plugin_path = DefaultPluginPath();
  std::string soc_model;
  bool has_soc_model = false;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const bool takes_value =
        std::strcmp(argv[i], "--plugin") == 0 || std::strcmp(argv[i], "--soc") == 0;
    if (takes_value && i + 1 >= argc) {
      std::fprintf(stderr, "zorvel-ov: %s needs a value\n%s", argv[i], kUsage);
      return 2;
    }
    if (std::strcmp(argv[i], "--plugin") == 0) {
      plugin_path = argv[++i];
    } else if (std::strcmp(argv[i], "--soc") == 0) {
      soc_model = argv[++i];
      has_soc_model = true;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf("%s", kUsage);
      return 0;
    } else {
      args.emplace_back(argv[i]);
    }
  }
  if (args.empty()) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }
  const std::string& command = args[0];
  if (command != "info" && command != "partition") {
    std::fprintf(stderr, "zorvel-ov: unknown command '%s'\n%s", command.c_str(), kUsage);
    return 2;
  }
  PluginLibrary plugin;
  std::string error;
  if (!plugin.Load(plugin_path, &error)) {
    std::fprintf(stderr, "zorvel-ov: %s\n", error.c_str());
    return 1;
  }
  if (command == "partition") {
    return Partition(plugin, args, has_soc_model ? soc_model.c_str() : nullptr);
  }
  return Info(plugin);
}

}  // namespace
}  // namespace zorvel::tools

int main(int argc, char** argv) { return zorvel::tools::Main(argc, argv); }
