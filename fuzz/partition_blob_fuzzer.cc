// A partition blob as the runtime side reads it: the 20-byte header, then the exported model
// imported by OpenVINO on the CPU. Import may refuse the bytes with an exception; it must not
// read outside them or crash.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "openvino/core/except.hpp"
#include "openvino/runtime/core.hpp"
#include "zorvel/vendors/intel_openvino/compiler/partition_blob.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string_view exported = bytes;
  if (const auto header = zorvel::openvino::ReadBlobHeader(bytes)) {
    exported.remove_prefix(zorvel::openvino::BlobHeader::kSize);
  }
  static ov::Core* core = new ov::Core("");
  std::istringstream stream{std::string(exported)};
  try {
    ov::CompiledModel compiled = core->import_model(stream, "CPU");
    (void)compiled.inputs();
    (void)compiled.outputs();
  } catch (const ov::Exception&) {
  }
  return 0;
}
