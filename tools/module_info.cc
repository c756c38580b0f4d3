#include "tools/module_info.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

#include "absl/status/status.h"
#include "absl/strings/str_cat.h"
#include "openvino/runtime/core.hpp"
#include "zorvel/vendors/intel_openvino/compiler/global_graph.h"
#include "zorvel/vendors/intel_openvino/compiler/global_graph_loader.h"
#include "zorvel/vendors/intel_openvino/compiler/partition_blob.h"

namespace zorvel::tools {
namespace {

// The largest static dimension among inputs whose name contains "kv_cache" (0 when none).
uint64_t KvCacheExtent(const ov::CompiledModel& compiled) {
  uint64_t extent = 0;
  for (const ov::Output<const ov::Node>& input : compiled.inputs()) {
    bool is_cache = false;
    for (const std::string& name : input.get_names()) {
      is_cache |= name.find("kv_cache") != std::string::npos;
    }
    if (!is_cache) continue;
    for (const ov::Dimension& d : input.get_partial_shape()) {
      if (d.is_static()) extent = std::max<uint64_t>(extent, d.get_length());
    }
  }
  return extent;
}

std::string PortLine(const ov::Output<const ov::Node>& port) {
  std::string name = port.get_names().empty() ? std::string("(unnamed)") : port.get_any_name();
  return absl::StrCat("      ", name, "  ", port.get_element_type().to_string(), " ",
                      port.get_partial_shape().to_string(), "\n");
}

// Inputs and outputs of an exported blob imported on `device`.
std::string DescribeExported(std::string_view exported, const char* device) {
  try {
    ov::Core core;
    std::istringstream stream{std::string(exported)};
    const ov::CompiledModel compiled = core.import_model(stream, device);
    std::string text = absl::StrCat("    inputs: ", compiled.inputs().size(), "\n");
    for (const auto& input : compiled.inputs()) text += PortLine(input);
    absl::StrAppend(&text, "    outputs: ", compiled.outputs().size(), "\n");
    for (const auto& output : compiled.outputs()) text += PortLine(output);
    absl::StrAppend(&text, "    KV-cache extent: ", KvCacheExtent(compiled), "\n");
    return text;
  } catch (const std::exception& e) {
    return absl::StrCat("    not importable on its own: ", e.what(), "\n");
  }
}

std::string DescribePorts(const std::vector<ov::Output<const ov::Node>>& inputs,
                          const std::vector<ov::Output<const ov::Node>>& outputs) {
  std::string text = absl::StrCat("      inputs: ", inputs.size(), "\n");
  for (const auto& input : inputs) text += "  " + PortLine(input);
  absl::StrAppend(&text, "      outputs: ", outputs.size(), "\n");
  for (const auto& output : outputs) text += "  " + PortLine(output);
  return text;
}

// The container's partitions imported as the runtime does, with the pool as their weights; on
// failure, nothing and the reason in `failure`.
std::optional<openvino::LoadedGlobalGraph> LoadContainer(std::string_view module,
                                                         std::string* failure) {
  try {
    ov::Core core;
    Expected<openvino::LoadedGlobalGraph> result =
        openvino::LoadGlobalGraph(core, std::string(module));
    if (result.HasValue()) return std::move(result).Value();
    *failure = result.GetError().Message();
  } catch (const std::exception& e) {
    *failure = e.what();
  }
  return std::nullopt;
}

absl::StatusOr<std::string> DescribeGlobalGraph(std::string_view module) {
  Expected<openvino::GlobalGraphView> view = openvino::ReadGlobalGraph(module);
  if (!view.HasValue()) {
    return absl::InvalidArgumentError(
        absl::StrCat("GlobalGraph container refused: ", view.GetError().Message()));
  }
  std::string text = absl::StrCat(
      "  GlobalGraph container: ", module.size(), " bytes, version ", openvino::kGlobalGraphVersion,
      "\n", "    pool: ", view->buffers.size(), " buffers, ", view->data.size(), " bytes\n");
  for (const openvino::GlobalGraphBuffer& buffer : view->buffers) {
    absl::StrAppend(&text, "      buffer ", buffer.id, "  offset ", buffer.offset, "  size ",
                    buffer.bytes.size(), "\n");
  }
  std::string load_failure;
  std::optional<openvino::LoadedGlobalGraph> loaded = LoadContainer(module, &load_failure);
  absl::StrAppend(&text, "    subgraphs: ", view->subgraphs.size(), "\n");
  for (const openvino::GlobalGraphSubgraph& record : view->subgraphs) {
    absl::StrAppend(&text, "    ", record.name, ": device code ", record.device_code, " (",
                    DeviceCodeName(record.device_code), "), KV-cache extent ",
                    record.kv_cache_extent, ", ", record.bindings.size(), " bindings, blob ",
                    record.blob.size(), " bytes\n");
    for (const auto& [parameter, buffer] : record.bindings) {
      absl::StrAppend(&text, "      binding ", parameter, " <- buffer ", buffer, "\n");
    }
    openvino::LoadedPartition* partition = loaded ? loaded->Find(record.name) : nullptr;
    if (partition != nullptr) {
      text += DescribePorts(partition->compiled.inputs(), partition->compiled.outputs());
    }
  }
  if (!load_failure.empty()) absl::StrAppend(&text, "    not importable: ", load_failure, "\n");
  return text;
}

using Json = nlohmann::ordered_json;

Json PortsJson(const std::vector<ov::Output<const ov::Node>>& ports) {
  Json list = Json::array();
  for (const auto& port : ports) {
    list.push_back({{"name", port.get_names().empty() ? std::string() : port.get_any_name()},
                    {"type", port.get_element_type().to_string()},
                    {"shape", port.get_partial_shape().to_string()}});
  }
  return list;
}

}  // namespace

absl::StatusOr<Json> DescribeModuleJson(std::string_view module) {
  Json out;
  if (KindOf(module) == ModuleKind::kPartitionBlob) {
    absl::StatusOr<PartitionBlobView> blob = ReadPartitionBlob(module);
    if (!blob.ok()) return blob.status();
    out["kind"] = "partition_blob";
    out["bytes"] = module.size();
    out["version"] = blob->version;
    out["device_code"] = blob->device_code;
    out["device"] = DeviceCodeName(blob->device_code);
    out["exported_bytes"] = blob->exported.size();
    try {
      ov::Core core;
      std::istringstream stream{std::string(blob->exported)};
      const ov::CompiledModel compiled =
          core.import_model(stream, DeviceCodeName(blob->device_code));
      out["inputs"] = PortsJson(compiled.inputs());
      out["outputs"] = PortsJson(compiled.outputs());
      out["kv_cache_extent"] = KvCacheExtent(compiled);
    } catch (const std::exception& e) {
      out["import_error"] = e.what();
    }
    return out;
  }
  if (KindOf(module) != ModuleKind::kGlobalGraph) {
    return absl::InvalidArgumentError(
        "neither a partition blob (\"ZVLOVHDR\") nor a GlobalGraph container (\"OVGLOBAL\")");
  }
  Expected<openvino::GlobalGraphView> view = openvino::ReadGlobalGraph(module);
  if (!view.HasValue()) {
    return absl::InvalidArgumentError(
        absl::StrCat("GlobalGraph container refused: ", view.GetError().Message()));
  }
  out["kind"] = "global_graph";
  out["bytes"] = module.size();
  out["version"] = openvino::kGlobalGraphVersion;
  Json buffers = Json::array();
  for (const openvino::GlobalGraphBuffer& buffer : view->buffers) {
    buffers.push_back(
        {{"id", buffer.id}, {"offset", buffer.offset}, {"size", buffer.bytes.size()}});
  }
  out["pool"] = {{"bytes", view->data.size()}, {"buffers", std::move(buffers)}};
  std::string load_failure;
  std::optional<openvino::LoadedGlobalGraph> loaded = LoadContainer(module, &load_failure);
  Json subgraphs = Json::array();
  for (const openvino::GlobalGraphSubgraph& record : view->subgraphs) {
    Json entry = {{"name", record.name},
                  {"device_code", record.device_code},
                  {"device", DeviceCodeName(record.device_code)},
                  {"kv_cache_extent", record.kv_cache_extent},
                  {"blob_bytes", record.blob.size()}};
    Json bindings = Json::array();
    for (const auto& [parameter, buffer] : record.bindings) {
      bindings.push_back({{"parameter", parameter}, {"buffer", buffer}});
    }
    entry["bindings"] = std::move(bindings);
    openvino::LoadedPartition* partition = loaded ? loaded->Find(record.name) : nullptr;
    if (partition != nullptr) {
      entry["inputs"] = PortsJson(partition->compiled.inputs());
      entry["outputs"] = PortsJson(partition->compiled.outputs());
    }
    subgraphs.push_back(std::move(entry));
  }
  out["subgraphs"] = std::move(subgraphs);
  if (!load_failure.empty()) out["import_error"] = load_failure;
  return out;
}

ModuleKind KindOf(std::string_view module) {
  if (module.size() >= sizeof(openvino::BlobHeader::kMagic) &&
      module.substr(0, sizeof(openvino::BlobHeader::kMagic)) ==
          std::string_view(openvino::BlobHeader::kMagic, sizeof(openvino::BlobHeader::kMagic))) {
    return ModuleKind::kPartitionBlob;
  }
  if (openvino::IsGlobalGraph(module)) return ModuleKind::kGlobalGraph;
  return ModuleKind::kUnknown;
}

const char* DeviceCodeName(uint32_t code) {
  switch (code) {
    case 0:
      return "CPU";
    case 1:
      return "GPU";
    case 2:
      return "NPU";
    default:
      return "unknown device";
  }
}

absl::StatusOr<PartitionBlobView> ReadPartitionBlob(std::string_view blob) {
  const std::optional<openvino::BlobHeader> header = openvino::ReadBlobHeader(blob);
  if (!header.has_value()) {
    return absl::InvalidArgumentError(
        blob.size() < openvino::BlobHeader::kSize
            ? absl::StrCat("a partition blob needs a ", openvino::BlobHeader::kSize,
                           "-byte header, this one has ", blob.size(), " bytes")
            : std::string("not a partition blob (it does not start with \"ZVLOVHDR\")"));
  }
  if (header->version != openvino::BlobHeader::kVersion) {
    return absl::InvalidArgumentError(
        absl::StrCat("partition blob version ", header->version, " is not supported"));
  }
  if (header->device_code > 2) {
    return absl::InvalidArgumentError(
        absl::StrCat("partition blob device code ", header->device_code, " is not 0, 1 or 2"));
  }
  PartitionBlobView view;
  view.version = header->version;
  view.device_code = header->device_code;
  view.exported = blob.substr(openvino::BlobHeader::kSize);
  return view;
}

absl::StatusOr<PartitionBlobView> FindPartitionBlob(std::string_view module,
                                                    std::string_view name) {
  switch (KindOf(module)) {
    case ModuleKind::kPartitionBlob:
      return ReadPartitionBlob(module);
    case ModuleKind::kGlobalGraph: {
      Expected<openvino::GlobalGraphView> view = openvino::ReadGlobalGraph(module);
      if (!view.HasValue()) {
        return absl::InvalidArgumentError(
            absl::StrCat("the GlobalGraph container of ", std::string(name),
                         " does not read: ", view.GetError().Message()));
      }
      for (const openvino::GlobalGraphSubgraph& record : view->subgraphs) {
        if (record.name == name) return ReadPartitionBlob(record.blob);
      }
      return absl::InvalidArgumentError(
          absl::StrCat("the GlobalGraph container has no record named ", std::string(name)));
    }
    case ModuleKind::kUnknown:
      break;
  }
  return absl::InvalidArgumentError(absl::StrCat("the module of ", std::string(name),
                                                 " is neither a partition blob nor a container"));
}

absl::StatusOr<uint64_t> PoolBytes(std::string_view container) {
  Expected<openvino::GlobalGraphView> view = openvino::ReadGlobalGraph(container);
  if (!view.HasValue()) return absl::InvalidArgumentError(view.GetError().Message());
  return view->data.size();
}

absl::StatusOr<std::string> DescribeModule(std::string_view module) {
  if (KindOf(module) == ModuleKind::kPartitionBlob) {
    absl::StatusOr<PartitionBlobView> blob = ReadPartitionBlob(module);
    if (!blob.ok()) return blob.status();
    std::string text = absl::StrCat(
        "  partition blob: ", module.size(), " bytes\n", "    header: \"ZVLOVHDR\" version ",
        blob->version, ", device code ", blob->device_code, " (", DeviceCodeName(blob->device_code),
        ")\n", "    exported blob: ", blob->exported.size(), " bytes\n");
    text += DescribeExported(blob->exported, DeviceCodeName(blob->device_code));
    return text;
  }
  if (KindOf(module) == ModuleKind::kGlobalGraph) return DescribeGlobalGraph(module);
  return absl::InvalidArgumentError(
      "neither a partition blob (\"ZVLOVHDR\") nor a GlobalGraph container (\"OVGLOBAL\")");
}

}  // namespace zorvel::tools
