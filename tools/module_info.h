#ifndef TOOLS_MODULE_INFO_H_
#define TOOLS_MODULE_INFO_H_

// Reading the byte-code modules the plug-in returns: partition blobs (the 20-byte "ZVLOVHDR"
// header and the exported blob) and GlobalGraph containers ("OVGLOBAL").

#include <cstdint>
#include <string>
#include <string_view>

#include "absl/status/statusor.h"
#include "nlohmann/json.hpp"

namespace zorvel::tools {

enum class ModuleKind { kPartitionBlob, kGlobalGraph, kUnknown };

ModuleKind KindOf(std::string_view module);

struct PartitionBlobView {
  uint32_t version = 0;
  uint32_t device_code = 0;
  std::string_view exported;  // the blob after the header
};

// The header of a partition blob, checked: magic, version 1, a device code of 0, 1 or 2.
absl::StatusOr<PartitionBlobView> ReadPartitionBlob(std::string_view blob);

// The partition blob of call `name` in `module`: the module itself when it is a partition blob.
absl::StatusOr<PartitionBlobView> FindPartitionBlob(std::string_view module, std::string_view name);

// "CPU", "GPU" or "NPU" for a device code of the header.
const char* DeviceCodeName(uint32_t code);

// The bytes of the shared weight pool of a GlobalGraph container.
absl::StatusOr<uint64_t> PoolBytes(std::string_view container);

// What `inspect` prints for one module. The exported blob of a partition is imported on its device
// to list its inputs and outputs; a blob that cannot be imported on its own says why.
absl::StatusOr<std::string> DescribeModule(std::string_view module);

// The same as a JSON object (the schema is in the README): "kind" "partition_blob" or
// "global_graph", sizes, the header or the pool and subgraph records, and the ports of each
// imported blob ("inputs", "outputs": name, type, shape), or "import_error" saying why not.
absl::StatusOr<nlohmann::ordered_json> DescribeModuleJson(std::string_view module);

}  // namespace zorvel::tools

#endif  // TOOLS_MODULE_INFO_H_
