#include "zorvel/vendors/intel_openvino/compiler/openvino_compiler_plugin.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <new>
#include <ostream>
#include <string>

#include "logging/zorvel_logging.h"
#include "openvino/core/except.hpp"
#include "openvino/frontend/tensorflow_lite/frontend.hpp"
#include "openvino/runtime/core.hpp"
#include "zorvel/compiler/cc/zorvel_model.h"
#include "zorvel/vendors/intel_openvino/compiler/graph_iterator.h"
#include "zorvel/vendors/intel_openvino/compiler/intel_openvino_options_reader.h"
#include "zorvel/vendors/intel_openvino/compiler/npu_optimizer.h"
#include "zorvel/vendors/intel_openvino/compiler/openvino_compile_context.h"
#include "zorvel/vendors/intel_openvino/compiler/openvino_soc_config.h"
#include "zorvel/vendors/intel_openvino/compiler/openvino_version_info.h"
#include "zorvel/vendors/intel_openvino/compiler/partition_blob.h"

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

ZorvelStatus CreatePlugin(const HostApiTable* host_api, ZorvelCompilerPlugin* plugin,
                          ZorvelEnvironment environment, ZorvelOptions options) {
  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  ApplyHostLogLevel(host_api, environment);
  if (plugin == nullptr) return kZorvelStatusErrorInvalidArgument;

  auto* created = new (std::nothrow) ZorvelCompilerPluginT{
      host_api,
      MakeError(kZorvelStatusErrorInvalidArgument, "Null options"),
      MakeError(kZorvelStatusErrorInvalidArgument, "Null Intel OpenVINO options"),
  };
  if (created == nullptr) return kZorvelStatusErrorInvalidArgument;
  if (options != nullptr) {
    created->options = HostOptionsWrapper(host_api, options);
    created->intel_openvino_options = ReadIntelOpenVinoOptions(host_api, options);
  }
  *plugin = created;
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
bool PassesOpSpecificCheck(const Op& op) {
  const ZorvelOpCode code = op.Code();
  if (code == kZorvelOpCodeTopkV2) {
    if (op.NumInputs() >= 2 && !op.InputAt(1).GetWeights().Bytes().empty()) return true;
    ZORVEL_LOG_INFO("TOPK_V2 with non-constant K is not supported on NPU; leaving op on CPU.");
    return false;
  }
  return IsSupportedOpCode(code);
}

// Of the composite ops only RMS normalisation is taken.
bool PassesOpTypeCheck(const Op& op) {
  if (op.Api() == nullptr || op.Api()->get_op_code == nullptr) return true;
  if (op.Code() != kZorvelOpCodeStablehloComposite) return true;
  const Expected<std::string_view> name = op.CompositeName();
  return name.HasValue() && *name == kRmsNormCompositeName;
}

ZorvelStatus Partition(ZorvelCompilerPlugin plugin, const char* soc_model,
                       ZorvelSubgraph subgraph_handle, ZorvelSelectedOps selected_ops) {
  if (plugin == nullptr) return kZorvelStatusErrorInvalidArgument;
  const Subgraph subgraph(plugin->host_api, subgraph_handle);

  const uint64_t num_inputs = subgraph.NumInputs();
  for (uint64_t i = 0; i < num_inputs; ++i) {
    const Expected<ZorvelRankedTensorType> type = subgraph.InputAt(i).RankedTensorType();
    if (!type.HasValue()) continue;
    const uint64_t rank = ZorvelLayoutRank(&type->layout);
    if (rank > kMaxSupportedInputRank) {
      ZORVEL_LOG_WARNING(
          "Model not supported: subgraph input %zu has %zu dimensions (>= 6), skipping "
          "partitioning.",
          static_cast<size_t>(i), static_cast<size_t>(rank));
      return kZorvelStatusErrorUnsupported;
    }
  }

  for (const Op& op : subgraph.Ops()) {
    if (PassesOpSpecificCheck(op) && PassesOpTypeCheck(op)) {
      const Expected<void> added =
          AddSelectedOp(plugin->host_api, selected_ops, op, /*partition_index=*/0);
      if (!added.HasValue()) return ErrorToStatus(added.GetError());
      continue;
    }
    ZORVEL_LOG_INFO("op type %d is not supported", op.Code());
  }
  return kZorvelStatusOk;
}

// Translates, optimises, compiles and exports partition `index`; the module (header and exported
// blob) goes to `module`. OpenVINO exceptions pass through to the caller.
ZorvelStatus CompilePartition(ZorvelCompilerPlugin plugin, const char* soc_model,
                              const Model& host_model, uint64_t index,
                              ov::frontend::tensorflow_lite::FrontEnd& front_end, ov::Core& core,
                              std::string& module) {
  const int partition = static_cast<int>(index);
  Expected<CompileConfig> config = MakeCompileConfig(plugin->intel_openvino_options, partition);
  if (!config.HasValue()) return ErrorToStatus(config.GetError());
  const ZorvelStatus soc_status = config->ApplySocModel(soc_model);
  if (soc_status != kZorvelStatusOk) return soc_status;

  Expected<Subgraph> subgraph = host_model.SubgraphAt(index);
  if (!subgraph.HasValue()) {
    ZORVEL_LOG_INFO("Failed to retrieve Subgraph");
    return kZorvelStatusErrorCompilation;
  }
  auto iterator =
      std::make_shared<GraphIteratorDelegate>(plugin->host_api, &*subgraph, config->device);
  const ov::frontend::InputModel::Ptr input_model = front_end.load(
      ov::Any(std::static_pointer_cast<ov::frontend::tensorflow_lite::GraphIterator>(iterator)));
  ZORVEL_LOG_INFO("Model loaded");
  const std::shared_ptr<ov::Model> ov_model = front_end.convert(input_model);

  const NpuOptimizerResult optimized = OptimizeForNpu(*config, ov_model);
  // Set by the weight-sharing step once it has added the NPUW properties (NPUW_ATTN=HFA among
  // them) to this partition; until then a decomposed partition gets no HFA attention.
  const bool weight_sharing_properties_applied = false;
  if (optimized.hfa_decomposed_count != 0 && !weight_sharing_properties_applied) {
    ZORVEL_LOG_WARNING(
        "enable_hfa: NPUW_ATTN=HFA is set only on NPU partitions that share pool weights; "
        "partition %d gets its attention decomposed but no HFA unless NPUW_ATTN=HFA is passed "
        "explicitly",
        partition);
  }

  const ov::AnyMap properties = config->properties;
  ReportRuntimeAndDevices("OpenVINO Compiler", config->device.c_str(), properties);
  ZORVEL_LOG_INFO("Compiling partition %d for device %s", partition, config->device.c_str());
  ov::CompiledModel compiled = core.compile_model(ov_model, config->device, properties);
  CustomOStreamBuf buffer;
  std::ostream stream(&buffer);
  compiled.export_model(stream);
  ZORVEL_LOG_INFO("Model export done");
  module = WritePartitionBlob(config->device, buffer.buffer());
  return kZorvelStatusOk;
}

ZorvelStatus CompileModel(ZorvelCompilerPlugin plugin, const char* soc_model, ZorvelModel model,
                          ZorvelCompiledResult* compiled_result) {
  const Model host_model(plugin->host_api, model);
  const uint64_t count =
      plugin->host_api == nullptr || plugin->host_api->get_num_model_subgraphs == nullptr
          ? 0
          : host_model.NumSubgraphs();
  auto result = std::make_unique<ZorvelCompiledResultT>();
  result->byte_code.resize(count);
  result->call_names.resize(count);
  ov::frontend::tensorflow_lite::FrontEnd front_end;
  // Weight sharing across partitions is not part of this build: every partition becomes its own
  // module, and the core is created without a weight pool.
  ov::Core core("");
  for (uint64_t e = 0; e < count; ++e) {
    std::string module;
    const ZorvelStatus status =
        CompilePartition(plugin, soc_model, host_model, e, front_end, core, module);
    if (status != kZorvelStatusOk) return status;
    result->byte_code[e] = std::move(module);
    result->call_names[e] = "Partition_" + std::to_string(e);
  }
  *compiled_result = result.release();
  return kZorvelStatusOk;
}

ZorvelStatus Compile(ZorvelCompilerPlugin plugin, const char* soc_model, ZorvelModel model,
                     ZorvelCompiledResult* compiled_result) {
  if (plugin == nullptr || compiled_result == nullptr) return kZorvelStatusErrorInvalidArgument;
  // The partial result is owned by CompileModel and destroyed on every way out of it.
  try {
    return CompileModel(plugin, soc_model, model, compiled_result);
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

constexpr PluginApiTable kPluginApiTable = {
    /*size=*/static_cast<uint16_t>(sizeof(PluginApiTable)),
    /*version=*/1,
    /*reserved=*/0,
    GetApiVersion,
    GetSocManufacturer,
    CreatePlugin,
    DestroyPlugin,
    GetSupportedHardware,
    GetNumSocModels,
    GetSocModel,
    Partition,
    Compile,
    DestroyCompiledResult,
    GetCompiledResultByteCode,
    GetCompiledResultNumByteCodeModules,
    GetCompiledResultCallInfo,
    GetCompiledResultNumCalls,
    GetZeroCount,
    GetRuntimeVersion,
    /*reserved_16=*/nullptr,
    NoOp,
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
