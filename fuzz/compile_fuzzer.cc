// The whole path a runtime takes with a model file: .tflite bytes read by the stand-in host, every
// subgraph offered to the plug-in for partitioning, partitions formed, and the result compiled
// for the NPU with the rewrites on. Any status is fine; a crash, a leak, undefined behaviour or an
// exception across the boundary is a finding. Models too big to compile quickly are skipped.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz/fuzz_util.h"
#include "logging/zorvel_log_severity.h"
#include "zorvel/c/zorvel_plugin_api.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/host_partition.h"
#include "zorvel/host/tflite_reader.h"

namespace {

const PluginApiTable* Table() {
  static const PluginApiTable* table = [] {
    const PluginApiTable* t = nullptr;
    const ZorvelInterfaceRequest request{1};
    return ZorvelCompilerPluginQueryInterface(0, &request, &t) == kZorvelStatusOk ? t : nullptr;
  }();
  return table;
}

constexpr char kPayload[] =
    "enable_weight_sharing = true\n"
    "configs_map.fuse_split_attention_to_sdpa = \"true\"\n"
    "configs_map.unfold_gqa_sequence_fold = \"true\"\n"
    "configs_map.enable_hfa = \"true\"\n"
    "configs_map.enable_moe_gather = \"true\"\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  absl::StatusOr<std::unique_ptr<zorvel::host::HostModel>> model =
      zorvel::host::ReadTfliteBuffer(zorvel::fuzz::AlignedCopy(data, size), size);
  if (!model.ok() || !zorvel::fuzz::SmallEnoughToCompile(**model)) return 0;
  const PluginApiTable* table = Table();
  if (table == nullptr) __builtin_trap();

  zorvel::host::HostApi api;
  zorvel::host::HostOptions options;
  options.SetOpaque("intel_openvino", kPayload);
  zorvel::host::HostEnvironment environment;
  environment.SetLogLevel(kZorvelLogSeveritySilent);
  ZorvelCompilerPlugin plugin = nullptr;
  if (table->create_plugin(api.table(), &plugin, api.Handle(environment), api.Handle(options)) !=
      kZorvelStatusOk) {
    return 0;
  }
  zorvel::host::ModelSelection selection(**model);
  bool partitioned = true;
  for (size_t s = 0; s < (*model)->num_subgraphs(); ++s) {
    partitioned = partitioned && table->partition(plugin, "LNL", api.Handle((*model)->subgraph(s)),
                                                  api.Handle(selection[s])) == kZorvelStatusOk;
  }
  if (partitioned) {
    zorvel::host::PartitionedModel formed = zorvel::host::FormPartitions(selection);
    ZorvelCompiledResult result = nullptr;
    if (table->compile(plugin, "LNL", api.Handle(*formed.model), &result) == kZorvelStatusOk) {
      uint64_t modules = 0;
      table->get_compiled_result_num_byte_code_modules(result, &modules);
      table->destroy_compiled_result(result);
    }
  }
  table->destroy_plugin(plugin);
  return 0;
}
