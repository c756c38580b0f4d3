// The GlobalGraph container reader: every count, offset and record checked against the bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "zorvel/vendors/intel_openvino/compiler/global_graph.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  (void)zorvel::openvino::IsGlobalGraph(bytes);
  zorvel::Expected<zorvel::openvino::GlobalGraphView> view =
      zorvel::openvino::ReadGlobalGraph(bytes);
  if (!view.HasValue()) return 0;
  // Touch every view: each must lie inside the input.
  uint64_t sum = 0;
  for (const auto& buffer : view->buffers) {
    for (const char c : buffer.bytes) sum += static_cast<uint8_t>(c);
  }
  for (const auto& subgraph : view->subgraphs) {
    for (const char c : subgraph.blob) sum += static_cast<uint8_t>(c);
    for (const auto& binding : subgraph.bindings) (void)view->FindBuffer(binding.second);
  }
  return sum == 1 ? 1 : 0;
}
