// The stand-in host's .tflite reader over arbitrary bytes: a model it accepts must be walkable
// through the host table without reading outside the buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "fuzz/fuzz_util.h"
#include "zorvel/host/tflite_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  absl::StatusOr<std::unique_ptr<zorvel::host::HostModel>> model =
      zorvel::host::ReadTfliteBuffer(zorvel::fuzz::AlignedCopy(data, size), size);
  if (!model.ok()) return 0;
  zorvel::fuzz::WalkModel(**model);
  return 0;
}
