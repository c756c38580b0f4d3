// The vendor option payload: the TOML parser, the options built from it, and the compile
// configuration of a few partitions made from those options.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "zorvel/cc/options/zorvel_intel_openvino_options.h"
#include "zorvel/vendors/intel_openvino/compiler/openvino_compile_context.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using zorvel::intel_openvino::IntelOpenVinoOptions;
  const std::string payload(reinterpret_cast<const char*>(data), size);
  zorvel::Expected<std::unique_ptr<IntelOpenVinoOptions>> created =
      IntelOpenVinoOptions::Create(payload);
  zorvel::Expected<zorvel::openvino::IntelOpenVinoOptionsPtr> options =
      created.HasValue()
          ? zorvel::Expected<zorvel::openvino::IntelOpenVinoOptionsPtr>(
                zorvel::openvino::IntelOpenVinoOptionsPtr(std::move(*created)))
          : zorvel::Expected<zorvel::openvino::IntelOpenVinoOptionsPtr>(created.GetError());
  if (options.HasValue()) {
    const IntelOpenVinoOptions& o = **options;
    (void)o.GetPerformanceMode();
    (void)o.GetEnableWeightSharing();
    for (int32_t i = 0; i < o.GetNumConfigsMapEntries(); ++i) (void)o.GetConfigsMapEntry(i);
    (void)o.GetGraphBackend(-1);
    // Per-graph entries exist for graph indices from 0 (the wrapper refuses others by contract).
    for (int32_t graph = 0; graph < 4; ++graph) {
      (void)o.GetGraphBackend(graph);
      for (int32_t i = 0; i < o.GetNumGraphConfigsMapEntries(graph); ++i) {
        (void)o.GetGraphConfigsMapEntry(graph, i);
      }
    }
  }
  for (int32_t graph = 0; graph < 3; ++graph) {
    zorvel::Expected<zorvel::openvino::CompileConfig> config =
        zorvel::openvino::MakeCompileConfig(options, graph);
    if (config.HasValue()) (void)config->ApplySocModel(graph == 0 ? "LNL" : "PTL");
  }
  return 0;
}
