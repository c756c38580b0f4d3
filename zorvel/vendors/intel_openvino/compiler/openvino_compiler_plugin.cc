#include "zorvel/vendors/intel_openvino/compiler/openvino_compiler_plugin.h"

#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <new>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "absl/strings/str_cat.h"
#include "logging/zorvel_logging.h"
#include "openvino/core/except.hpp"
#include "openvino/frontend/tensorflow_lite/frontend.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/runtime/core.hpp"
#include "zorvel/cc/internal/zorvel_detail.h"
#include "zorvel/compiler/cc/zorvel_model.h"
#include "zorvel/vendors/intel_openvino/compiler/alias_shared_constants.h"
#include "zorvel/vendors/intel_openvino/compiler/global_graph.h"
#include "zorvel/vendors/intel_openvino/compiler/graph_iterator.h"
#include "zorvel/vendors/intel_openvino/compiler/intel_openvino_options_reader.h"
#include "zorvel/vendors/intel_openvino/compiler/node_names.h"
#include "zorvel/vendors/intel_openvino/compiler/npu_optimizer.h"
#include "zorvel/vendors/intel_openvino/compiler/openvino_compile_context.h"
#include "zorvel/vendors/intel_openvino/compiler/openvino_runtime_release.h"
#include "zorvel/vendors/intel_openvino/compiler/openvino_soc_config.h"
#include "zorvel/vendors/intel_openvino/compiler/openvino_version_info.h"
#include "zorvel/vendors/intel_openvino/compiler/partition_blob.h"
#include "zorvel/vendors/intel_openvino/compiler/weight_bank.h"

namespace zorvel::openvino {
namespace {

using ::zorvel::Model;
using ::zorvel::Op;
using ::zorvel::Subgraph;

constexpr int32_t kSupportedHardware = 4;
constexpr const char kSocManufacturer[] = "IntelOpenVINO";

ZorvelStatus GetApiVersion(ZorvelApiVersion* version) {
  if (version == nullptr) return kZorvelStatusErrorInvalidArgument;
  *version = ZorvelApiVersion{0, 1, 0};
  return kZorvelStatusOk;
}

const char* GetSocManufacturer() { return kSocManufacturer; }

// The log level comes from the host's environment option 25 when it is an integer. Nothing here
// can make creation fail.
void ApplyHostLogLevel(const HostApiTable* host_api, ZorvelEnvironment environment) {
  if (host_api == nullptr || host_api->get_environment_option == nullptr) return;
  ZorvelAny value{};
  if (host_api->get_environment_option(environment, kZorvelEnvOptionTagLogLevel, &value) !=
      kZorvelStatusOk) {
    return;
  }
  if (value.type != kZorvelAnyTypeInt) return;
  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(),
                             static_cast<ZorvelLogSeverity>(value.int_value & 0xFF));
}

// A refused call changes nothing: the out-handle is checked before the log level is touched.
ZorvelStatus CreatePlugin(const HostApiTable* host_api, ZorvelCompilerPlugin* plugin,
                          ZorvelEnvironment environment, ZorvelOptions options) {
  if (plugin == nullptr) return kZorvelStatusErrorInvalidArgument;
  auto created = std::make_unique<ZorvelCompilerPluginT>(ZorvelCompilerPluginT{
      host_api,
      MakeError(kZorvelStatusErrorInvalidArgument, "Null options"),
      MakeError(kZorvelStatusErrorInvalidArgument, "Null Intel OpenVINO options"),
  });
  if (options != nullptr) {
    created->options = HostOptionsWrapper(host_api, options);
    created->intel_openvino_options = ReadIntelOpenVinoOptions(host_api, options);
  }
  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  ApplyHostLogLevel(host_api, environment);
  *plugin = created.release();
  return kZorvelStatusOk;
}

void DestroyPlugin(ZorvelCompilerPlugin plugin) { delete plugin; }

ZorvelStatus GetSupportedHardware(ZorvelCompilerPlugin plugin, int32_t* hardware) {
  if (plugin == nullptr || hardware == nullptr) return kZorvelStatusErrorInvalidArgument;
  *hardware = kSupportedHardware;
  return kZorvelStatusOk;
}

ZorvelStatus GetNumSocModels(ZorvelCompilerPlugin plugin, uint64_t* num_soc_models) {
  if (plugin == nullptr || num_soc_models == nullptr) return kZorvelStatusErrorInvalidArgument;
  *num_soc_models = NumSocModels();
  return kZorvelStatusOk;
}

ZorvelStatus GetSocModel(ZorvelCompilerPlugin plugin, uint64_t soc_model_index,
                         const char** soc_model_name) {
  if (plugin == nullptr || soc_model_name == nullptr) return kZorvelStatusErrorInvalidArgument;
  const SocModel* model = SocModelAt(soc_model_index);
  if (model == nullptr) return kZorvelStatusErrorInvalidArgument;
  *soc_model_name = model->name;
  return kZorvelStatusOk;
}

// Host op codes the plug-in takes (206 is the composite op, further narrowed by name).
constexpr ZorvelOpCode kSupportedOpCodes[] = {
    0,   1,   2,   3,   4,   5,   6,   7,   9,   11,  14,  17,  18,  19,  22,  23,  25,
    28,  34,  36,  39,  40,  41,  42,  45,  47,  48,  49,  53,  54,  55,  56,  57,  58,
    60,  61,  62,  63,  64,  65,  66,  67,  69,  70,  71,  72,  73,  74,  75,  76,  78,
    82,  83,  84,  85,  86,  87,  88,  90,  91,  92,  95,  96,  97,  98,  99,  100, 101,
    105, 107, 108, 114, 117, 123, 126, 128, 130, 132, 140, 150, 152, 158, 206,
};
static_assert(sizeof(kSupportedOpCodes) / sizeof(kSupportedOpCodes[0]) == 83);

constexpr char kRmsNormCompositeName[] = "qvex.rms_norm";
constexpr uint64_t kMaxSupportedInputRank = 5;

bool IsSupportedOpCode(ZorvelOpCode code) {
  for (ZorvelOpCode supported : kSupportedOpCodes) {
    if (supported == code) return true;
  }
  return false;
}

// TOPK_V2 is taken only with a constant K; every other op by its code.
bool PassesOpSpecificCheck(const Op& op, ZorvelOpCode code) {
  if (code == kZorvelOpCodeTopkV2) {
    if (op.NumInputs() >= 2 && !op.InputAt(1).GetWeights().Bytes().empty()) return true;
    ZORVEL_LOG_INFO("TOPK_V2 with non-constant K is not supported on NPU; leaving op on CPU.");
    return false;
  }
  return IsSupportedOpCode(code);
}

// Of the composite ops only RMS normalisation is taken. The name is needed to decide: a failed
// read fails the partition call rather than leave the op to the host.
bool PassesOpTypeCheck(const Op& op, ZorvelOpCode code) {
  if (code != kZorvelOpCodeStablehloComposite) return true;
  const Expected<std::string_view> name = op.CompositeName();
  if (!name.HasValue()) {
    throw ZORVEL_FAILED_HOST_READ(op.Api(), get_composite_op_name, name.Status(),
                                  "the name of a composite op");
  }
  return *name == kRmsNormCompositeName;
}

ZorvelStatus PartitionSubgraph(ZorvelCompilerPlugin plugin, ZorvelSubgraph subgraph_handle,
                               ZorvelSelectedOps selected_ops) {
  const Subgraph subgraph(plugin->host_api, subgraph_handle);

  const uint64_t num_inputs = subgraph.NumInputs();
  for (uint64_t i = 0; i < num_inputs; ++i) {
    const Expected<ZorvelRankedTensorType> type = subgraph.InputAt(i).RankedTensorType();
    // The rank decides whether the subgraph can be taken at all.
    if (!type.HasValue()) {
      throw ZORVEL_FAILED_HOST_READ(plugin->host_api, get_ranked_tensor_type, type.Status(),
                                    absl::StrCat("the shape of subgraph input ", i));
    }
    const uint64_t rank = ZorvelLayoutRank(&type->layout);
    if (rank > kMaxSupportedInputRank) {
      ZORVEL_LOG_WARNING(
          "Model not supported: subgraph input %zu has %zu dimensions (>= 6), skipping "
          "partitioning.",
          static_cast<size_t>(i), static_cast<size_t>(rank));
      return kZorvelStatusErrorUnsupported;
    }
  }

  const std::vector<Op> ops = subgraph.Ops();
  for (size_t i = 0; i < ops.size(); ++i) {
    const Op& op = ops[i];
    try {
      const ZorvelOpCode code = op.Code();
      if (PassesOpSpecificCheck(op, code) && PassesOpTypeCheck(op, code)) {
        const Expected<void> added =
            AddSelectedOp(plugin->host_api, selected_ops, op, /*partition_index=*/0);
        if (!added.HasValue()) {
          ZORVEL_LOG_ERROR("Partitioning failed: host API entry 33 (add_selected_op) %s for op %zu",
                           added.Status() == kZorvelStatusErrorMissingHostEntry
                               ? "is missing"
                               : absl::StrCat("failed with status ", added.Status()).c_str(),
                           i);
          return ErrorToStatus(added.GetError());
        }
        continue;
      }
      ZORVEL_LOG_INFO("op type %d is not supported", code);
    } catch (HostReadError& error) {
      error.AddContext(absl::StrCat("for op ", i, " of the subgraph"));
      throw;
    }
  }
  return kZorvelStatusOk;
}

// Every host read the selection depends on must succeed: a failure ends the call with the host's
// status (6 for a missing entry) and one ERROR line, rather than a selection made from guesses.
ZorvelStatus Partition(ZorvelCompilerPlugin plugin, const char* soc_model,
                       ZorvelSubgraph subgraph_handle, ZorvelSelectedOps selected_ops) {
  if (plugin == nullptr) return kZorvelStatusErrorInvalidArgument;
  try {
    return PartitionSubgraph(plugin, subgraph_handle, selected_ops);
  } catch (const HostReadError& error) {
    ZORVEL_LOG_ERROR("Partitioning failed: %s", error.what());
    return error.Status();
  }
}

// A partition model translated and optimised once, in the pool phase, for the partition loop.
struct KeptPartition {
  std::shared_ptr<ov::Model> model;
  NpuOptimizerResult optimized;
  // Its constants that view bank bytes instead of holding a copy (ViewBankBuffers).
  std::vector<std::shared_ptr<ov::op::v0::Constant>> views;
};

// The weight-sharing state of one compile call. Everything in it lives until the container is
// written; the bank's host buffers and the aliased constants point into host memory, which the
// host keeps for the whole call.
struct WeightSharing {
  bool on = false;
  std::string device;  // "GPU" or "NPU", common to every partition
  bool npu = false;
  WeightBank bank;
  std::vector<PoolEntry> pool;
  PoolOffsets pool_offsets;
  std::string bank_name;
  // NPU: every partition's model as the pool phase translated and optimised it, taken by the
  // partition loop. Their constants view the bank's bytes where the bank has them.
  std::vector<KeptPartition> kept;
  // Partition modules; a deque never moves its elements, so the entries' views stay valid.
  std::deque<std::string> modules;
  std::map<std::string, GlobalGraphSubgraph> subgraphs;
};

// Turns a host subgraph into an OpenVINO model through the tensorflow_lite front end.
std::shared_ptr<ov::Model> TranslateSubgraph(ZorvelCompilerPlugin plugin, const Subgraph& subgraph,
                                             const std::string& device,
                                             ov::frontend::tensorflow_lite::FrontEnd& front_end,
                                             bool log_loaded) {
  // A partition computes something: a subgraph without ops or outputs would compile to an empty
  // model that passes for the partition.
  const uint64_t ops = subgraph.NumOps();
  const uint64_t outputs = subgraph.NumOutputs();
  if (ops == 0 || outputs == 0) {
    OPENVINO_THROW("The subgraph has ", ops, " ops and ", outputs,
                   " outputs; a partition needs at least one of each");
  }
  auto iterator = std::make_shared<GraphIteratorDelegate>(plugin->host_api, &subgraph, device);
  const ov::frontend::InputModel::Ptr input_model = front_end.load(
      ov::Any(std::static_pointer_cast<ov::frontend::tensorflow_lite::GraphIterator>(iterator)));
  if (log_loaded) ZORVEL_LOG_INFO("Model loaded");
  std::shared_ptr<ov::Model> model = front_end.convert(input_model);
  // Before the passes, which name what they create after the nodes they replace.
  NameUnnamedNodes(model);
  return model;
}

// A failure of the call, so an ERROR line that names the entry and the partition.
void LogSubgraphNotRetrieved(uint64_t index, ZorvelStatus status) {
  if (status == kZorvelStatusErrorMissingHostEntry) {
    ZORVEL_LOG_ERROR(
        "Failed to retrieve Subgraph %zu: host API entry 2 (get_model_subgraph) is "
        "missing",
        static_cast<size_t>(index));
  } else {
    ZORVEL_LOG_ERROR(
        "Failed to retrieve Subgraph %zu: host API entry 2 (get_model_subgraph) "
        "failed with status %d",
        static_cast<size_t>(index), status);
  }
}

// On when requested (the options' switch, on without options), there are at least two partitions
// and every partition goes to the same one of GPU and NPU.
ZorvelStatus DecideWeightSharing(ZorvelCompilerPlugin plugin, uint64_t count,
                                 WeightSharing& sharing) {
  const bool requested = !plugin->intel_openvino_options.HasValue() ||
                         (*plugin->intel_openvino_options)->GetEnableWeightSharing();
  sharing.on = requested && count >= 2;
  for (uint64_t j = 0; sharing.on && j < count; ++j) {
    Expected<CompileConfig> config =
        MakeCompileConfig(plugin->intel_openvino_options, static_cast<int32_t>(j));
    if (!config.HasValue()) return ErrorToStatus(config.GetError());
    if (j == 0) sharing.device = config->device;
    if ((config->device != "GPU" && config->device != "NPU") || config->device != sharing.device) {
      sharing.on = false;
    }
  }
  sharing.npu = sharing.on && sharing.device == "NPU";
  return kZorvelStatusOk;
}

// Registers every partition's host weights (and, on the NPU, the constants its optimized model
// generates) in the bank, then lays out the pool and names it. On the NPU each partition is
// translated and optimised here once and kept for the partition loop.
ZorvelStatus BuildPool(ZorvelCompilerPlugin plugin, const char* soc_model, const Model& host_model,
                       uint64_t count, ov::frontend::tensorflow_lite::FrontEnd& front_end,
                       WeightSharing& sharing) {
  ReferencedNames referenced_names;
  for (uint64_t i = 0; i < count; ++i) {
    Expected<Subgraph> subgraph = host_model.SubgraphAt(i);
    if (!subgraph.HasValue()) {
      LogSubgraphNotRetrieved(i, subgraph.Status());
      return kZorvelStatusErrorCompilation;
    }
    sharing.bank.AddHostWeights(*subgraph);
    if (!sharing.npu) continue;
    Expected<CompileConfig> config =
        MakeCompileConfig(plugin->intel_openvino_options, static_cast<int32_t>(i));
    if (!config.HasValue()) return ErrorToStatus(config.GetError());
    const ZorvelStatus soc_status = config->ApplySocModel(soc_model);
    if (soc_status != kZorvelStatusOk) return soc_status;
    KeptPartition& kept = sharing.kept.emplace_back();
    kept.model =
        TranslateSubgraph(plugin, *subgraph, config->device, front_end, /*log_loaded=*/true);
    kept.optimized = OptimizeForNpu(*config, kept.model);
    HarvestSharedConstants(kept.model, sharing.bank, referenced_names);
    // Drops the model's copies of what the bank holds before the next partition is translated.
    kept.views = ViewBankBuffers(kept.model, sharing.bank);
  }
  ZORVEL_LOG_INFO("Weight sharing (%s): building shared pool", sharing.device.c_str());
  sharing.pool = BuildSharedPool(referenced_names, sharing.bank, /*prune=*/sharing.npu);
  sharing.pool_offsets = MakePoolOffsets(sharing.pool);
  sharing.bank_name = MakeBankName(sharing.pool);
  return kZorvelStatusOk;
}

// The largest static dimension among the inputs whose name contains "kv_cache"; 0 without one.
uint64_t KvCacheExtent(const ov::Model& model) {
  uint64_t extent = 0;
  for (const std::shared_ptr<ov::op::v0::Parameter>& parameter : model.get_parameters()) {
    const ov::descriptor::Tensor& tensor = parameter->get_output_tensor(0);
    const std::string name =
        tensor.get_names().empty() ? parameter->get_friendly_name() : tensor.get_any_name();
    if (name.find("kv_cache") == std::string::npos) continue;
    const ov::PartialShape& shape = parameter->get_output_partial_shape(0);
    if (shape.rank().is_dynamic()) continue;
    for (const ov::Dimension& dimension : shape) {
      if (dimension.is_static()) {
        extent = std::max(extent, static_cast<uint64_t>(dimension.get_length()));
      }
    }
  }
  return extent;
}

// What one partition leaves for the result: its module and, with weight sharing, its record.
struct CompiledPartition {
  std::string module;
  std::string device;
  uint64_t kv_cache_extent = 0;
  ParameterIds parameter_ids;
};

// Translates, optimises, shares (when on), compiles and exports partition `index`. OpenVINO
// exceptions pass through to the caller.
ZorvelStatus CompilePartition(ZorvelCompilerPlugin plugin, const char* soc_model,
                              const Model& host_model, uint64_t index,
                              ov::frontend::tensorflow_lite::FrontEnd& front_end, ov::Core& core,
                              WeightSharing& sharing, CompiledPartition& out) {
  const int partition = static_cast<int>(index);
  Expected<CompileConfig> config = MakeCompileConfig(plugin->intel_openvino_options, partition);
  if (!config.HasValue()) return ErrorToStatus(config.GetError());
  const ZorvelStatus soc_status = config->ApplySocModel(soc_model);
  if (soc_status != kZorvelStatusOk) return soc_status;

  std::shared_ptr<ov::Model> ov_model;
  NpuOptimizerResult optimized;
  KeptPartition kept;
  if (sharing.npu) {
    // Released with this partition, like a model translated here.
    kept = std::move(sharing.kept[index]);
    ov_model = std::move(kept.model);
    optimized = kept.optimized;
  } else {
    Expected<Subgraph> subgraph = host_model.SubgraphAt(index);
    if (!subgraph.HasValue()) {
      LogSubgraphNotRetrieved(index, subgraph.Status());
      return kZorvelStatusErrorCompilation;
    }
    ov_model = TranslateSubgraph(plugin, *subgraph, config->device, front_end, /*log_loaded=*/true);
    optimized = OptimizeForNpu(*config, ov_model);
  }

  bool weight_sharing_properties_applied = false;
  if (sharing.npu) {
    const uint64_t aliased =
        AliasToSharedPool(ov_model, sharing.bank, sharing.pool_offsets, partition);
    OwnUnaliasedViews(kept.views);
    kept.views.clear();
    if (aliased != 0) {
      const ZorvelStatus npuw_status = config->ApplyNpuWeightSharing(sharing.bank_name, optimized);
      if (npuw_status != kZorvelStatusOk) return npuw_status;
      weight_sharing_properties_applied = true;
    }
  } else if (sharing.on) {
    const uint64_t converted =
        ConvertSharedWeightsToParameters(ov_model, sharing.bank, out.parameter_ids);
    ZORVEL_LOG_INFO("Weight sharing (GPU): converted %zu weights to parameters in partition %d",
                    static_cast<size_t>(converted), partition);
  }
  if (optimized.hfa_decomposed_count != 0 && !weight_sharing_properties_applied) {
    ZORVEL_LOG_WARNING(
        "enable_hfa: NPUW_ATTN=HFA is set only on NPU partitions that share pool weights; "
        "partition %d gets its attention decomposed but no HFA unless NPUW_ATTN=HFA is passed "
        "explicitly",
        partition);
  }
  if (sharing.on) out.kv_cache_extent = KvCacheExtent(*ov_model);

  // What the passes and the sharing steps created without a name gets one from the graph too:
  // the blob stores every node's name, and the bytes must not depend on what ran before.
  NameUnnamedNodes(ov_model);
  const ov::AnyMap properties = config->properties;
  const ZorvelStatus release_status = CheckRuntimeRelease(config->device, properties, partition);
  if (release_status != kZorvelStatusOk) return release_status;
  ReportRuntimeAndDevices("OpenVINO Compiler", config->device.c_str(), properties);
  ZORVEL_LOG_INFO("Compiling partition %d for device %s", partition, config->device.c_str());
  ov::CompiledModel compiled = core.compile_model(ov_model, config->device, properties);
  CustomOStreamBuf buffer;
  std::ostream stream(&buffer);
  compiled.export_model(stream);
  ZORVEL_LOG_INFO("Model export done");
  out.module = WritePartitionBlob(config->device, buffer.buffer());
  out.device = config->device;
  return kZorvelStatusOk;
}

// Puts the pool and every collected partition into one GlobalGraph container, the only module.
void WriteContainer(WeightSharing& sharing, ZorvelCompiledResultT& result) {
#if defined(__GLIBC__)
  // The translations' copies of the weights were freed constant by constant; once the allocator
  // stops mapping blocks of their size on their own it keeps them in its heap, where the
  // container, mapped on its own, cannot reuse them. Handing them back first keeps the peak at the
  // host's weights plus the container.
  malloc_trim(0);
#endif
  std::vector<GlobalGraphBuffer> buffers;
  buffers.reserve(sharing.pool.size());
  for (const PoolEntry& entry : sharing.pool) {
    buffers.push_back(
        GlobalGraphBuffer{entry.id, entry.offset,
                          std::string_view(reinterpret_cast<const char*>(entry.data), entry.size)});
  }
  std::string container = WriteGlobalGraph(buffers, sharing.subgraphs);
  const size_t size = container.size();
  result.byte_code.clear();
  result.byte_code.push_back(std::move(container));
  ZORVEL_LOG_INFO("Weight sharing: GlobalGraph container %zu bytes (%zu buffers, %zu subgraphs)",
                  size, sharing.pool.size(), sharing.subgraphs.size());
}

ZorvelStatus CompileModel(ZorvelCompilerPlugin plugin, const char* soc_model, ZorvelModel model,
                          ZorvelCompiledResult* compiled_result) {
  // Options the host could not deliver at creation are not replaced by the defaults: what the user
  // asked for (weight sharing, rewrites, devices) is unknown.
  if (!plugin->intel_openvino_options.HasValue() &&
      !IsAbsentOptions(plugin->intel_openvino_options.GetError())) {
    const Error& error = plugin->intel_openvino_options.GetError();
    ZORVEL_LOG_ERROR("Compilation refused: %s", error.Message().c_str());
    return error.Status();
  }
  const Model host_model(plugin->host_api, model);
  const uint64_t count = host_model.NumSubgraphs();
  auto result = std::make_unique<ZorvelCompiledResultT>();
  result->byte_code.resize(count);
  result->call_names.resize(count);
  ov::frontend::tensorflow_lite::FrontEnd front_end;

  WeightSharing sharing;
  ZorvelStatus status = DecideWeightSharing(plugin, count, sharing);
  if (status != kZorvelStatusOk) return status;
  if (sharing.on) {
    status = BuildPool(plugin, soc_model, host_model, count, front_end, sharing);
    if (status != kZorvelStatusOk) return status;
  }

  ov::Core core("");
  for (uint64_t e = 0; e < count; ++e) {
    CompiledPartition compiled;
    try {
      status =
          CompilePartition(plugin, soc_model, host_model, e, front_end, core, sharing, compiled);
    } catch (HostReadError& error) {
      error.AddContext(absl::StrCat("in partition ", e));
      throw;
    }
    if (status != kZorvelStatusOk) return status;
    std::string call_name = "Partition_" + std::to_string(e);
    if (sharing.on) {
      const std::string& stored = sharing.modules.emplace_back(std::move(compiled.module));
      GlobalGraphSubgraph entry;
      entry.name = call_name;
      entry.device_code = static_cast<uint8_t>(DeviceCodeFor(compiled.device));
      entry.kv_cache_extent = compiled.kv_cache_extent;
      entry.bindings = std::move(compiled.parameter_ids);
      entry.blob = stored;
      sharing.subgraphs.insert_or_assign(call_name, std::move(entry));
    } else {
      result->byte_code[e] = std::move(compiled.module);
    }
    result->call_names[e] = std::move(call_name);
  }
  if (sharing.on) WriteContainer(sharing, *result);
  *compiled_result = result.release();
  return kZorvelStatusOk;
}

ZorvelStatus Compile(ZorvelCompilerPlugin plugin, const char* soc_model, ZorvelModel model,
                     ZorvelCompiledResult* compiled_result) {
  if (plugin == nullptr || compiled_result == nullptr) return kZorvelStatusErrorInvalidArgument;
  // The partial result is owned by CompileModel and destroyed on every way out of it.
  try {
    return CompileModel(plugin, soc_model, model, compiled_result);
  } catch (const HostReadError& e) {
    ZORVEL_LOG_ERROR("Compilation failed: %s", e.what());
    return kZorvelStatusErrorCompilation;
  } catch (const ov::Exception& e) {
    ZORVEL_LOG_ERROR("Exception in compilation: %s", e.what());
    return kZorvelStatusErrorCompilation;
  } catch (const std::exception& e) {
    ZORVEL_LOG_ERROR("Unexpected exception in compilation: %s", e.what());
    return kZorvelStatusErrorCompilation;
  } catch (...) {
    ZORVEL_LOG_ERROR("Unknown exception in compilation");
    return kZorvelStatusErrorCompilation;
  }
}

void DestroyCompiledResult(ZorvelCompiledResult compiled_result) { delete compiled_result; }

ZorvelStatus GetCompiledResultByteCode(ZorvelCompiledResult compiled_result, uint64_t module_index,
                                       const void** byte_code, uint64_t* byte_code_size) {
  // The host is expected to pass a valid result and index; checking them anyway keeps a faulty
  // host from reading through a null pointer or past the end of the module list.
  if (compiled_result == nullptr || byte_code == nullptr || byte_code_size == nullptr) {
    return kZorvelStatusErrorInvalidArgument;
  }
  if (module_index >= compiled_result->byte_code.size()) {
    return kZorvelStatusErrorIndexOutOfRange;
  }
  const std::string& module = compiled_result->byte_code[module_index];
  *byte_code = module.data();
  *byte_code_size = module.size();
  return kZorvelStatusOk;
}

ZorvelStatus GetCompiledResultNumByteCodeModules(ZorvelCompiledResult compiled_result,
                                                 uint64_t* num_modules) {
  if (compiled_result == nullptr || num_modules == nullptr) {
    return kZorvelStatusErrorInvalidArgument;
  }
  *num_modules = compiled_result->byte_code.size();
  return kZorvelStatusOk;
}

ZorvelStatus GetCompiledResultCallInfo(ZorvelCompiledResult compiled_result, uint64_t call_index,
                                       const void** call_info, uint64_t* call_info_size,
                                       uint64_t* module_index) {
  if (compiled_result == nullptr || call_info == nullptr || call_info_size == nullptr ||
      module_index == nullptr) {
    return kZorvelStatusErrorInvalidArgument;
  }
  if (call_index >= compiled_result->call_names.size()) {
    return kZorvelStatusErrorIndexOutOfRange;
  }
  const std::string& name = compiled_result->call_names[call_index];
  *call_info = name.data();
  *call_info_size = name.size();
  // One weight-shared container serves every call; otherwise module i belongs to call i.
  const bool one_container =
      compiled_result->byte_code.size() == 1 && compiled_result->call_names.size() > 1;
  *module_index = one_container ? 0 : call_index;
  return kZorvelStatusOk;
}

ZorvelStatus GetCompiledResultNumCalls(ZorvelCompiledResult compiled_result, uint64_t* num_calls) {
  if (compiled_result == nullptr || num_calls == nullptr) return kZorvelStatusErrorInvalidArgument;
  *num_calls = compiled_result->call_names.size();
  return kZorvelStatusOk;
}

ZorvelStatus GetZeroCount(ZorvelCompilerPlugin plugin, const void* argument, uint64_t* count) {
  if (count == nullptr) return kZorvelStatusErrorInvalidArgument;
  *count = 0;
  return kZorvelStatusOk;
}

ZorvelStatus GetRuntimeVersion(ZorvelCompilerPlugin plugin, const char** version_text) {
  if (plugin == nullptr || version_text == nullptr) return kZorvelStatusErrorInvalidArgument;
  *version_text = RuntimeVersionText();
  return kZorvelStatusOk;
}

ZorvelStatus NoOp(ZorvelCompilerPlugin plugin, const void* argument, void* result) {
  return kZorvelStatusOk;
}

// Every slot runs behind a catch-all: whatever escapes an entry (std::bad_alloc, say) ends the
// call with a status and an ERROR line instead of crossing into the host.
template <auto kEntry>
struct Guarded;

template <typename... Args, ZorvelStatus (*kEntry)(Args...)>
struct Guarded<kEntry> {
  static ZorvelStatus Call(Args... args) noexcept {
    try {
      return kEntry(args...);
    } catch (const std::exception& e) {
      ZORVEL_LOG_ERROR("Unexpected exception: %s", e.what());
    } catch (...) {
      ZORVEL_LOG_ERROR("Unknown exception");
    }
    return kZorvelStatusErrorInvalidArgument;
  }
};

template <typename... Args, void (*kEntry)(Args...)>
struct Guarded<kEntry> {
  static void Call(Args... args) noexcept {
    try {
      kEntry(args...);
    } catch (...) {
      ZORVEL_LOG_ERROR("Unknown exception");
    }
  }
};

template <const char* (*kEntry)()>
struct Guarded<kEntry> {
  static const char* Call() noexcept { return kEntry(); }
};

constexpr PluginApiTable kPluginApiTable = {
    /*size=*/static_cast<uint16_t>(sizeof(PluginApiTable)),
    /*version=*/1,
    /*reserved=*/0,
    Guarded<GetApiVersion>::Call,
    Guarded<GetSocManufacturer>::Call,
    Guarded<CreatePlugin>::Call,
    Guarded<DestroyPlugin>::Call,
    Guarded<GetSupportedHardware>::Call,
    Guarded<GetNumSocModels>::Call,
    Guarded<GetSocModel>::Call,
    Guarded<Partition>::Call,
    Guarded<Compile>::Call,
    Guarded<DestroyCompiledResult>::Call,
    Guarded<GetCompiledResultByteCode>::Call,
    Guarded<GetCompiledResultNumByteCodeModules>::Call,
    Guarded<GetCompiledResultCallInfo>::Call,
    Guarded<GetCompiledResultNumCalls>::Call,
    Guarded<GetZeroCount>::Call,
    Guarded<GetRuntimeVersion>::Call,
    /*reserved_16=*/nullptr,
    Guarded<NoOp>::Call,
};

}  // namespace

const PluginApiTable& GetPluginApiTable() { return kPluginApiTable; }

}  // namespace zorvel::openvino

extern "C" __attribute__((visibility("default"))) ZorvelStatus ZorvelCompilerPluginQueryInterface(
    int32_t kind, const ZorvelInterfaceRequest* requested, const PluginApiTable** table) {
  if (table == nullptr) return kZorvelStatusErrorInvalidArgument;
  if (kind != 0) return kZorvelStatusErrorUnsupported;
  // A null request record cannot be read; it is refused like any other malformed argument.
  if (requested == nullptr) return kZorvelStatusErrorInvalidArgument;
  if (requested->version <= 0) return kZorvelStatusErrorUnsupported;
  *table = &zorvel::openvino::GetPluginApiTable();
  return kZorvelStatusOk;
}
