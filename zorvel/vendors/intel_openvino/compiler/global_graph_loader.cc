#include "zorvel/vendors/intel_openvino/compiler/global_graph_loader.h"

#include <exception>
#include <istream>
#include <streambuf>

#include "absl/strings/str_cat.h"
#include "openvino/core/except.hpp"
#include "openvino/core/rt_info/weightless_caching_attributes.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/result.hpp"
#include "openvino/runtime/properties.hpp"
#include "zorvel/vendors/intel_openvino/compiler/global_graph.h"
#include "zorvel/vendors/intel_openvino/compiler/partition_blob.h"

namespace zorvel::openvino {
namespace {

// A read-only stream over bytes that stay where they are.
class ViewStreamBuf : public std::streambuf {
 public:
  explicit ViewStreamBuf(std::string_view bytes) {
    char* begin = const_cast<char*>(bytes.data());
    setg(begin, begin, begin + bytes.size());
  }
};

const char* DeviceText(uint8_t code) {
  switch (static_cast<DeviceCode>(code)) {
    case DeviceCode::kCpu:
      return "CPU";
    case DeviceCode::kGpu:
      return "GPU";
    default:
      return "NPU";
  }
}

absl::string_view Text(std::string_view text) {
  return absl::string_view(text.data(), text.size());
}

Error Refuse(std::string_view partition, std::string_view what) {
  return MakeError(kZorvelStatusErrorInvalidArgument,
                   absl::StrCat("GlobalGraph partition '", Text(partition), "': ", Text(what)));
}

// The pool as the "original model" of a weightless import: one u8 constant per buffer, viewing the
// pool without a copy and tagged with the buffer's offset and size, which is what a weightless
// blob records for each constant it left out.
std::shared_ptr<const ov::Model> PoolWeightsModel(const GlobalGraphView& view,
                                                  const std::shared_ptr<const std::string>& owner) {
  ov::ResultVector results;
  for (const GlobalGraphBuffer& buffer : view.buffers) {
    if (buffer.bytes.empty()) continue;
    auto constant = std::make_shared<ov::op::v0::Constant>(
        ov::element::u8, ov::Shape{buffer.bytes.size()}, buffer.bytes.data(),
        std::const_pointer_cast<std::string>(owner));
    constant->set_friendly_name(absl::StrCat("pool_buffer_", buffer.id));
    constant->get_rt_info()[ov::WeightlessCacheAttribute::get_type_info_static()] =
        ov::WeightlessCacheAttribute(buffer.bytes.size(), buffer.offset, ov::element::u8);
    results.push_back(std::make_shared<ov::op::v0::Result>(constant));
  }
  return std::make_shared<ov::Model>(results, ov::ParameterVector{}, "zorvel_shared_pool");
}

// Finds the compiled input that carries `name` among its tensor names.
const ov::Output<const ov::Node>* FindInput(const ov::CompiledModel& compiled,
                                            const std::string& name) {
  for (const ov::Output<const ov::Node>& input : compiled.inputs()) {
    if (input.get_names().count(name) != 0) return &input;
  }
  return nullptr;
}

Expected<LoadedPartition> LoadPartition(ov::Core& core, const GlobalGraphView& view,
                                        const GlobalGraphSubgraph& record,
                                        const ov::AnyMap& import_properties) {
  LoadedPartition partition;
  partition.name = record.name;
  partition.device = DeviceText(record.device_code);
  partition.kv_cache_extent = record.kv_cache_extent;
  // The reader has checked that the blob begins with a partition blob header.
  ViewStreamBuf buffer(record.blob.substr(BlobHeader::kSize));
  std::istream stream(&buffer);
  try {
    partition.compiled = core.import_model(stream, partition.device, import_properties);
  } catch (const std::exception& e) {
    return Refuse(record.name, absl::StrCat("import on ", partition.device, " failed: ", e.what()));
  }

  for (const auto& [parameter, id] : record.bindings) {
    const GlobalGraphBuffer* pooled = view.FindBuffer(id);  // present: the reader checked it
    const ov::Output<const ov::Node>* input = FindInput(partition.compiled, parameter);
    if (input == nullptr) {
      return Refuse(record.name, absl::StrCat("no input named '", parameter,
                                              "' for the binding to buffer ", id));
    }
    if (!input->get_partial_shape().is_static() || input->get_element_type().is_dynamic()) {
      return Refuse(record.name, absl::StrCat("input '", parameter, "' bound to buffer ", id,
                                              " has no static type and shape (",
                                              input->get_partial_shape().to_string(), ")"));
    }
    const ov::Tensor tensor(*input, static_cast<const void*>(pooled->bytes.data()));
    if (tensor.get_byte_size() != pooled->bytes.size()) {
      return Refuse(record.name,
                    absl::StrCat("input '", parameter, "' takes ", tensor.get_byte_size(),
                                 " bytes but buffer ", id, " holds ", pooled->bytes.size()));
    }
    partition.pool_inputs.emplace_back(parameter, tensor);
  }
  return partition;
}

}  // namespace

ov::InferRequest LoadedPartition::CreateInferRequest() {
  ov::InferRequest request = compiled.create_infer_request();
  for (const auto& [name, tensor] : pool_inputs) request.set_tensor(name, tensor);
  return request;
}

std::vector<ov::Output<const ov::Node>> LoadedPartition::CallerInputs() const {
  std::vector<ov::Output<const ov::Node>> inputs;
  for (const ov::Output<const ov::Node>& input : compiled.inputs()) {
    bool pooled = false;
    for (const auto& [name, tensor] : pool_inputs) pooled |= input.get_names().count(name) != 0;
    if (!pooled) inputs.push_back(input);
  }
  return inputs;
}

LoadedPartition* LoadedGlobalGraph::Find(std::string_view name) {
  for (LoadedPartition& partition : partitions_) {
    if (partition.name == name) return &partition;
  }
  return nullptr;
}

Expected<LoadedGlobalGraph> LoadGlobalGraph(ov::Core& core,
                                            std::shared_ptr<const std::string> container) {
  if (container == nullptr) {
    return MakeError(kZorvelStatusErrorInvalidArgument, "GlobalGraph container: no bytes");
  }
  ZORVEL_ASSIGN_OR_RETURN(const GlobalGraphView view, ReadGlobalGraph(*container));
  LoadedGlobalGraph loaded;
  loaded.container_ = container;
  loaded.pool_ = view.data;
  loaded.buffer_count_ = view.buffers.size();

  ov::AnyMap import_properties;
  try {
    if (!view.buffers.empty()) {
      import_properties.emplace(ov::hint::model.name(), PoolWeightsModel(view, container));
    }
  } catch (const std::exception& e) {
    return MakeError(kZorvelStatusErrorInvalidArgument,
                     absl::StrCat("GlobalGraph container: the pool cannot be viewed: ", e.what()));
  }
  loaded.partitions_.reserve(view.subgraphs.size());
  for (const GlobalGraphSubgraph& record : view.subgraphs) {
    ZORVEL_ASSIGN_OR_RETURN(LoadedPartition partition,
                            LoadPartition(core, view, record, import_properties));
    loaded.partitions_.push_back(std::move(partition));
  }
  return loaded;
}

Expected<LoadedGlobalGraph> LoadGlobalGraph(ov::Core& core, std::string container) {
  return LoadGlobalGraph(core, std::make_shared<const std::string>(std::move(container)));
}

}  // namespace zorvel::openvino
