#include "device_config.hpp"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "openvino/core/except.hpp"
#include "openvino/core/model.hpp"
#include "openvino/core/version.hpp"
#include "openvino/runtime/intel_gpu/properties.hpp"
#include "openvino/runtime/intel_npu/properties.hpp"
#include "openvino/runtime/properties.hpp"

namespace ov {
namespace runtime {
namespace {

enum class Kind {
  Bool,
  I32,
  I64,
  U32,
  U64,
  F32,
  F64,
  Str,
  Choice,
  Elem,
  Perf,
  Prio,
  Exec,
  Sched,
  Dist,
  Cache,
  Workload,
  Log,
  Streams,
  ModelPtr,
  TensorValue,
  Compiler,
};

struct Spec {
  const char* key;
  Kind kind;
  Any def;  // reported by get_property while the property is not set
  std::vector<std::string> choices = {};
};

using SpecTable = std::vector<Spec>;

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

std::optional<bool> ParseBool(const std::string& s) {
  const std::string u = Upper(s);
  if (u == "YES" || u == "TRUE" || u == "ON" || u == "1") return true;
  if (u == "NO" || u == "FALSE" || u == "OFF" || u == "0") return false;
  return std::nullopt;
}

template <typename T>
std::optional<T> ParseInteger(const std::string& s) {
  if (s.empty() || std::isspace(static_cast<unsigned char>(s.front()))) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  if constexpr (std::is_signed_v<T>) {
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < std::numeric_limits<T>::min() ||
        v > std::numeric_limits<T>::max())
      return std::nullopt;
    return static_cast<T>(v);
  } else {
    if (s.front() == '-') return std::nullopt;
    const unsigned long long v = std::strtoull(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v > std::numeric_limits<T>::max()) return std::nullopt;
    return static_cast<T>(v);
  }
}

std::optional<double> ParseReal(const std::string& s) {
  if (s.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (errno != 0 || *end != '\0') return std::nullopt;
  return v;
}

template <typename E>
std::optional<E> ParseEnum(const std::string& s) {
  try {
    return Any(s).as<E>();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<std::string> TextOf(const Any& value) {
  try {
    return value.as<std::string>();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// Parses one value as the given kind; nullopt when it is not a valid value.
std::optional<Any> ParseValue(const Spec& spec, const Any& value, bool npu_style) {
  switch (spec.kind) {
    case Kind::ModelPtr:
      if (value.is<std::shared_ptr<const ov::Model>>())
        return Any(value.as<std::shared_ptr<const ov::Model>>());
      if (value.is<std::shared_ptr<ov::Model>>())
        return Any(std::shared_ptr<const ov::Model>(value.as<std::shared_ptr<ov::Model>>()));
      return std::nullopt;
    case Kind::TensorValue:
      if (value.is<ov::Tensor>()) return value;
      return std::nullopt;
    case Kind::Dist:
      if (value.is<std::set<hint::ModelDistributionPolicy>>()) return value;
      break;
    default:
      break;
  }
  const auto text = TextOf(value);
  if (!text) return std::nullopt;
  const std::string& s = *text;
  switch (spec.kind) {
    case Kind::Bool: {
      const auto b = ParseBool(s);
      if (!b) return std::nullopt;
      return Any(*b);
    }
    case Kind::I32: {
      const auto v = ParseInteger<int32_t>(s);
      return v ? std::optional<Any>(Any(*v)) : std::nullopt;
    }
    case Kind::I64: {
      const auto v = ParseInteger<int64_t>(s);
      return v ? std::optional<Any>(Any(*v)) : std::nullopt;
    }
    case Kind::U32: {
      const auto v = ParseInteger<uint32_t>(s);
      return v ? std::optional<Any>(Any(*v)) : std::nullopt;
    }
    case Kind::U64: {
      const auto v = ParseInteger<uint64_t>(s);
      return v ? std::optional<Any>(Any(*v)) : std::nullopt;
    }
    case Kind::F32: {
      const auto v = ParseReal(s);
      return v ? std::optional<Any>(Any(static_cast<float>(*v))) : std::nullopt;
    }
    case Kind::F64: {
      const auto v = ParseReal(s);
      return v ? std::optional<Any>(Any(*v)) : std::nullopt;
    }
    case Kind::Str:
      return Any(s);
    case Kind::Choice:
      if (std::find(spec.choices.begin(), spec.choices.end(), s) == spec.choices.end())
        return std::nullopt;
      return Any(s);
    case Kind::Elem: {
      static const std::set<std::string> kPrecisions = {"f32", "f16", "bf16", "f64",    "i8",
                                                        "u8",  "i4",  "u4",   "dynamic"};
      if (!kPrecisions.count(s)) return std::nullopt;
      return Any(element::Type(s));
    }
    case Kind::Perf:
      if (npu_style && s.empty()) return Any(hint::PerformanceMode::LATENCY);
      if (auto v = ParseEnum<hint::PerformanceMode>(s)) return Any(*v);
      return std::nullopt;
    case Kind::Prio:
      if (auto v = ParseEnum<hint::Priority>(s)) return Any(*v);
      return std::nullopt;
    case Kind::Exec:
      if (auto v = ParseEnum<hint::ExecutionMode>(s)) return Any(*v);
      return std::nullopt;
    case Kind::Sched:
      if (auto v = ParseEnum<hint::SchedulingCoreType>(s)) return Any(*v);
      return std::nullopt;
    case Kind::Dist:
      if (auto v = ParseEnum<std::set<hint::ModelDistributionPolicy>>(s)) return Any(*v);
      return std::nullopt;
    case Kind::Cache:
      if (auto v = ParseEnum<CacheMode>(s)) return Any(*v);
      return std::nullopt;
    case Kind::Workload:
      if (auto v = ParseEnum<WorkloadType>(s)) return Any(*v);
      return std::nullopt;
    case Kind::Log:
      if (auto v = ParseEnum<log::Level>(s)) return Any(*v);
      return std::nullopt;
    case Kind::Streams:
      if (auto v = ParseEnum<streams::Num>(s)) return Any(*v);
      return std::nullopt;
    case Kind::Compiler:
      if (auto v = ParseEnum<intel_npu::CompilerType>(s)) return Any(*v);
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

const char* NpuTypeWord(Kind kind) {
  switch (kind) {
    case Kind::Bool:
      return "BOOL";
    case Kind::I32:
      return "INT32";
    case Kind::I64:
      return "INT64";
    case Kind::U32:
      return "UINT32";
    case Kind::U64:
      return "UINT64";
    case Kind::F32:
      return "FLOAT";
    case Kind::F64:
      return "DOUBLE";
    default:
      return nullptr;
  }
}

const char* Describe(Kind kind) {
  switch (kind) {
    case Kind::Bool:
      return "a boolean (YES/NO, TRUE/FALSE, ON/OFF, 1/0)";
    case Kind::I32:
    case Kind::I64:
      return "a signed integer";
    case Kind::U32:
    case Kind::U64:
      return "an unsigned integer";
    case Kind::F32:
    case Kind::F64:
      return "a number";
    case Kind::Perf:
      return "LATENCY, THROUGHPUT or CUMULATIVE_THROUGHPUT";
    case Kind::Prio:
      return "LOW, MEDIUM or HIGH";
    case Kind::Exec:
      return "PERFORMANCE or ACCURACY";
    case Kind::Cache:
      return "OPTIMIZE_SIZE or OPTIMIZE_SPEED";
    case Kind::Elem:
      return "an element type such as f32, f16 or bf16";
    case Kind::Streams:
      return "AUTO, NUMA or a number of streams";
    case Kind::ModelPtr:
      return "a std::shared_ptr<const ov::Model>";
    case Kind::TensorValue:
      return "an ov::Tensor";
    default:
      return "one of the documented values";
  }
}

// Properties every device shares, with the device's defaults filled in by the callers.
SpecTable CommonSpecs(DeviceKind kind) {
  const element::Type precision = kind == DeviceKind::CPU ? element::f32 : element::f16;
  return {
      {"PERFORMANCE_HINT", Kind::Perf, Any(hint::PerformanceMode::LATENCY)},
      {"PERFORMANCE_HINT_NUM_REQUESTS", Kind::U32, Any(uint32_t{0})},
      {"INFERENCE_PRECISION_HINT", Kind::Elem, Any(precision)},
      {"EXECUTION_MODE_HINT", Kind::Exec, Any(hint::ExecutionMode::PERFORMANCE)},
      {"MODEL_PRIORITY", Kind::Prio, Any(hint::Priority::MEDIUM)},
      {"NUM_STREAMS", Kind::Streams, Any(streams::Num{1})},
      {"PERF_COUNT", Kind::Bool, Any(false)},
      {"CACHE_MODE", Kind::Cache, Any(CacheMode::OPTIMIZE_SPEED)},
      {"ENABLE_WEIGHTLESS", Kind::Bool, Any(false)},
      {"WEIGHTS_PATH", Kind::Str, Any(std::string())},
      {"MODEL_PTR", Kind::ModelPtr, Any()},
      {"COMPILED_BLOB", Kind::TensorValue, Any()},
      {"OVREF_WEIGHTS_BUFFER", Kind::TensorValue, Any()},
      {"DEVICE_ID", Kind::Str, Any(std::string())},
      {"ENABLE_CPU_PINNING", Kind::Bool, Any(kind == DeviceKind::CPU)},
      {"COMPILATION_NUM_THREADS", Kind::I32, Any(int32_t{0})},
  };
}

SpecTable CpuSpecs() {
  SpecTable t = CommonSpecs(DeviceKind::CPU);
  SpecTable more = {
      {"INFERENCE_NUM_THREADS", Kind::I32, Any(int32_t{0})},
      {"ENABLE_CPU_RESERVATION", Kind::Bool, Any(false)},
      {"ENABLE_HYPER_THREADING", Kind::Bool, Any(true)},
      {"SCHEDULING_CORE_TYPE", Kind::Sched, Any(hint::SchedulingCoreType::ANY_CORE)},
      {"MODEL_DISTRIBUTION_POLICY", Kind::Dist, Any(std::set<hint::ModelDistributionPolicy>{})},
      {"LOG_LEVEL", Kind::Log, Any(log::Level::NO)},
      {"DYNAMIC_QUANTIZATION_GROUP_SIZE", Kind::U64, Any(uint64_t{32})},
      {"KV_CACHE_PRECISION", Kind::Elem, Any(element::f16)},
      {"KEY_CACHE_PRECISION", Kind::Elem, Any(element::f16)},
      {"VALUE_CACHE_PRECISION", Kind::Elem, Any(element::f16)},
      {"KEY_CACHE_GROUP_SIZE", Kind::U64, Any(uint64_t{0})},
      {"VALUE_CACHE_GROUP_SIZE", Kind::U64, Any(uint64_t{0})},
      {"CPU_DENORMALS_OPTIMIZATION", Kind::Bool, Any(false)},
      {"CPU_SPARSE_WEIGHTS_DECOMPRESSION_RATE", Kind::F32, Any(1.0f)},
  };
  t.insert(t.end(), more.begin(), more.end());
  return t;
}

SpecTable GpuSpecs() {
  SpecTable t = CommonSpecs(DeviceKind::GPU);
  SpecTable more = {
      {"DYNAMIC_QUANTIZATION_GROUP_SIZE", Kind::U64, Any(uint64_t{0})},
      {"KV_CACHE_PRECISION", Kind::Elem, Any(element::f16)},
      {"KEY_CACHE_PRECISION", Kind::Elem, Any(element::f16)},
      {"VALUE_CACHE_PRECISION", Kind::Elem, Any(element::f16)},
      {"KEY_CACHE_GROUP_SIZE", Kind::U64, Any(uint64_t{0})},
      {"VALUE_CACHE_GROUP_SIZE", Kind::U64, Any(uint64_t{0})},
      {"ACTIVATIONS_SCALE_FACTOR", Kind::F32, Any(-1.0f)},
      {"GPU_ENABLE_LOOP_UNROLLING", Kind::Bool, Any(true)},
      {"GPU_DISABLE_WINOGRAD_CONVOLUTION", Kind::Bool, Any(false)},
      {"GPU_QUEUE_THROTTLE", Kind::Prio, Any(hint::Priority::MEDIUM)},
      {"GPU_QUEUE_PRIORITY", Kind::Prio, Any(hint::Priority::MEDIUM)},
      {"GPU_HOST_TASK_PRIORITY", Kind::Prio, Any(hint::Priority::MEDIUM)},
      {"AVAILABLE_DEVICE_MEM_SIZE", Kind::I64, Any(int64_t{-1})},
      {"GPU_ENABLE_SDPA_OPTIMIZATION", Kind::Bool, Any(true)},
      {"GPU_ENABLE_LORA_OPERATION", Kind::Bool, Any(true)},
      {"GPU_ENABLE_KERNELS_REUSE", Kind::Bool, Any(false)},
      {"GPU_ENABLE_LARGE_ALLOCATIONS", Kind::Bool, Any(false)},
      {"GPU_DYNAMIC_QUANTIZATION_GROUP_SIZE_MAX", Kind::U64, Any(uint64_t{0})},
  };
  t.insert(t.end(), more.begin(), more.end());
  return t;
}

SpecTable NpuSpecs() {
  SpecTable t = CommonSpecs(DeviceKind::NPU);
  SpecTable more = {
      {"LOG_LEVEL", Kind::Log, Any(log::Level::NO)},
      {"WORKLOAD_TYPE", Kind::Workload, Any(WorkloadType::DEFAULT)},
      {"NPU_PLATFORM", Kind::Str, Any(std::string("AUTO_DETECT"))},
      {"NPU_STEPPING", Kind::I64, Any(int64_t{-1})},
      {"NPU_COMPILATION_MODE", Kind::Str, Any(std::string())},
      {"NPU_DPU_GROUPS", Kind::I64, Any(int64_t{-1})},
      {"NPU_DMA_ENGINES", Kind::I64, Any(int64_t{-1})},
      {"NPU_DYNAMIC_SHAPE_TO_STATIC", Kind::Choice, Any(std::string("NO")), {"YES", "NO"}},
      {"NPU_PROFILING_TYPE", Kind::Choice, Any(std::string("MODEL")), {"MODEL", "INFER"}},
      {"NPU_BATCH_MODE", Kind::Choice, Any(std::string("AUTO")), {"AUTO", "COMPILER", "PLUGIN"}},
      {"NPU_CREATE_EXECUTOR", Kind::I64, Any(int64_t{1})},
      {"NPU_BACKEND_COMPILATION_PARAMS", Kind::Str, Any(std::string())},
      {"NPU_DISABLE_VERSION_CHECK", Kind::Bool, Any(false)},
      {"NPU_SEPARATE_WEIGHTS_VERSION", Kind::U32, Any(uint32_t{1})},
      {"NPU_BENCHMARK_INIT", Kind::Bool, Any(false)},
      {"WS_COMPILE_CALL_NUMBER", Kind::U32, Any(uint32_t{0})},
      {"NPU_COMPILER_TYPE", Kind::Compiler, Any(intel_npu::CompilerType::PREFER_PLUGIN)},
      {"NPU_COMPILATION_MODE_PARAMS", Kind::Str, Any(std::string())},
      {"NPU_COMPILER_DYNAMIC_QUANTIZATION", Kind::Bool, Any(false)},
      {"NPU_QDQ_OPTIMIZATION", Kind::Bool, Any(false)},
      {"NPU_QDQ_OPTIMIZATION_AGGRESSIVE", Kind::Bool, Any(false)},
      {"NPU_TURBO", Kind::Bool, Any(false)},
      {"NPU_TILES", Kind::I64, Any(int64_t{-1})},
      {"NPU_MAX_TILES", Kind::I64, Any(int64_t{-1})},
      {"NPU_BYPASS_UMD_CACHING", Kind::Bool, Any(false)},
      {"NPU_DEFER_WEIGHTS_LOAD", Kind::Bool, Any(false)},
      {"NPU_RUN_INFERENCES_SEQUENTIALLY", Kind::Bool, Any(false)},
      {"NPU_DISABLE_IDLE_MEMORY_PRUNING", Kind::Bool, Any(false)},
      {"NPU_USE_NPUW", Kind::Bool, Any(false)},
  };
  t.insert(t.end(), more.begin(), more.end());
  t.front().def = Any(hint::PerformanceMode::LATENCY);
  return t;
}

// The NPUW options, read when NPU_USE_NPUW is true.
const SpecTable& NpuwSpecs() {
  static const SpecTable t = [] {
    SpecTable s;
    for (const char* key :
         {"NPUW_FOLD", "NPUW_FUSE_UNFOLDED", "NPUW_CWAI", "NPUW_DQ", "NPUW_SLICE_OUT",
          "NPUW_SPATIAL", "NPUW_ATTN_NO_COPY", "NPUW_ATTN_HFA_FUSED", "NPUW_DCOFF_SCALE",
          "NPUW_FUNCALL_FOR_ALL", "NPUW_PARALLEL_COMPILE", "NPUW_ENSURE_COMPATIBILITY",
          "NPUW_FUNCALL_ASYNC", "NPUW_UNFOLD_IREQS", "NPUW_ACC_CHECK", "NPUW_GQA", "NPUW_UNQDQ",
          "NPUW_LLM"})
      s.push_back({key, Kind::Bool, Any(false)});
    for (const char* key : {"NPUW_DQ_FULL", "NPUW_MM_GATED", "NPUW_HOST_GATHER", "NPUW_SPATIAL_DYN",
                            "NPUW_F16IC", "NPUW_ATTN_DYN", "NPUW_FALLBACK_EXEC"})
      s.push_back({key, Kind::Bool, Any(true)});
    for (const char* key :
         {"NPUW_SUBMODEL_DEVICE", "NPUW_WEIGHTS_BANK", "NPUW_WEIGHTS_BANK_ALLOC", "NPUW_CACHE_DIR",
          "NPUW_ONLINE_AVOID", "NPUW_ONLINE_ISOLATE", "NPUW_ONLINE_NO_FOLD",
          "NPUW_ONLINE_KEEP_BLOCKS_TAGGED", "NPUW_ONLINE_DUMP_PLAN", "NPUW_PLAN", "NPUW_FOLD_ONLY",
          "NPUW_DCOFF_TYPE", "NPUW_ACC_DEVICE", "NPUW_LLM_PREFILL_HINT", "NPUW_LLM_GENERATE_HINT",
          "NPUW_LLM_PREFILL_MOE_HINT", "NPUW_LLM_GENERATE_MOE_HINT"})
      s.push_back({key, Kind::Str, Any(std::string())});
    s.push_back({"NPUW_DEVICES", Kind::Str, Any(std::string("NPU,CPU"))});
    s.push_back({"NPUW_ONLINE_PIPELINE", Kind::Str, Any(std::string("REG"))});
    s.push_back({"NPUW_PMM", Kind::Str, Any(std::string("2"))});
    s.push_back({"NPUW_ATTN", Kind::Str, Any(std::string("STATIC"))});
    s.push_back({"NPUW_LLM_PREFILL_ATTENTION_HINT", Kind::Str, Any(std::string("PYRAMID"))});
    s.push_back({"NPUW_LLM_GENERATE_ATTENTION_HINT", Kind::Str, Any(std::string("STATIC"))});
    s.push_back({"NPUW_ONLINE_MIN_SIZE", Kind::U64, Any(uint64_t{10})});
    s.push_back({"NPUW_ONLINE_KEEP_BLOCKS", Kind::U64, Any(uint64_t{5})});
    s.push_back({"NPUW_ONLINE_KEEP_BLOCK_SIZE", Kind::U64, Any(uint64_t{10})});
    s.push_back({"NPUW_SPATIAL_NWAY", Kind::U64, Any(uint64_t{128})});
    s.push_back({"NPUW_MOE_TOKEN_CHUNK_SIZE", Kind::U64, Any(uint64_t{0})});
    s.push_back({"NPUW_MOE_POOL_SIZE", Kind::U64, Any(uint64_t{8})});
    s.push_back({"NPUW_LLM_MAX_PROMPT_LEN", Kind::U64, Any(uint64_t{1024})});
    s.push_back({"NPUW_LLM_MIN_RESPONSE_LEN", Kind::U64, Any(uint64_t{128})});
    s.push_back({"NPUW_LLM_PREFILL_CHUNK_SIZE", Kind::U64, Any(uint64_t{1024})});
    s.push_back({"NPUW_ACC_THRESH", Kind::F64, Any(0.01)});
    return s;
  }();
  return t;
}

// NPUW options that arrived with the 2026 releases: when OVREF_REPORTED_VERSION makes ovref report
// an older release, its NPU does not know them, as that release's NPU plug-in does not.
bool DeclaredByReportedRelease(const std::string& key) {
  if (key != "NPUW_MOE_TOKEN_CHUNK_SIZE" && key != "NPUW_FOLD_ONLY") return true;
  const char* build = get_openvino_version().buildNumber;
  int major = 0;
  size_t digits = 0;
  for (; build[digits] != '\0' && std::isdigit(static_cast<unsigned char>(build[digits])) &&
         digits < 6;
       ++digits) {
    major = major * 10 + (build[digits] - '0');
  }
  return digits == 0 || build[digits] != '.' || major >= 2026;
}

const SpecTable& SpecsFor(DeviceKind kind) {
  static const SpecTable cpu = CpuSpecs();
  static const SpecTable gpu = GpuSpecs();
  static const SpecTable npu = NpuSpecs();
  switch (kind) {
    case DeviceKind::CPU:
      return cpu;
    case DeviceKind::GPU:
      return gpu;
    default:
      return npu;
  }
}

const Spec* Find(const SpecTable& table, const std::string& key) {
  for (const auto& spec : table)
    if (key == spec.key) return &spec;
  return nullptr;
}

[[noreturn]] void ThrowUnknown(DeviceKind kind, const std::string& key) {
  switch (kind) {
    case DeviceKind::CPU:
      OPENVINO_THROW("NotFound: Unsupported property ", key, " by CPU plugin.");
    case DeviceKind::GPU:
      OPENVINO_THROW("Option not found: ", key);
    default:
      OPENVINO_THROW("[ NOT_FOUND ] Option '", key, "' is not supported for current configuration");
  }
}

[[noreturn]] void ThrowBadValue(DeviceKind kind, const Spec& spec, const Any& value) {
  const std::string text =
      TextOf(value).value_or(std::string("<") + value.type_info().name() + ">");
  switch (kind) {
    case DeviceKind::CPU:
      OPENVINO_THROW("Wrong value ", text, " for property key ", spec.key, ". Expected ",
                     Describe(spec.kind), ".");
    case DeviceKind::GPU:
      OPENVINO_THROW("Invalid value: ", text, " for property: ", spec.key,
                     "\nProperty description: ", Describe(spec.kind));
    default: {
      const char* word = NpuTypeWord(spec.kind);
      OPENVINO_THROW("Value '", text, "' is not a valid ", word ? word : spec.key, " option");
    }
  }
}

bool IsTrue(const AnyMap& config, const std::string& key) {
  auto it = config.find(key);
  return it != config.end() && it->second.is<bool>() && it->second.as<bool>();
}

std::string HostArchitecture() {
#if defined(__x86_64__)
  return "intel64";
#elif defined(__i386__)
  return "ia32";
#elif defined(__aarch64__)
  return "arm64";
#elif defined(__arm__)
  return "armhf";
#elif defined(__riscv)
  return "riscv";
#else
  return "unknown";
#endif
}

uint64_t HostMemoryBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page_size = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page_size <= 0) return 0;
  return static_cast<uint64_t>(pages) * static_cast<uint64_t>(page_size);
}

const std::vector<std::string>& NpuPlatforms() {
  static const std::vector<std::string> platforms = {"3720", "4000", "5010", "5020"};
  return platforms;
}

// "NPU4000", "VPU4000" and "4000" name the same platform.
std::string StandardizePlatform(const std::string& platform) {
  if (platform.rfind("NPU", 0) == 0 || platform.rfind("VPU", 0) == 0) return platform.substr(3);
  return platform;
}

int64_t MaxTiles(const std::string& platform) {
  if (platform == "3720") return 2;
  if (platform == "4000") return 6;
  if (platform == "5010") return 3;
  return 1;
}

[[noreturn]] void ThrowAbsent(const Device& device, const std::string& id) {
  OPENVINO_THROW("[", device.name, "] No ", device.name, " device", id.empty() ? "" : " with id ",
                 id, " is present (ovref: the device list is narrowed by OVREF_DEVICES)");
}

}  // namespace

void SplitDeviceName(const std::string& full, std::string& base, std::string& id) {
  const auto dot = full.find('.');
  base = full.substr(0, dot);
  id = dot == std::string::npos ? std::string() : full.substr(dot + 1);
}

std::vector<Device> MakeDevices() {
  std::vector<Device> devices = {{DeviceKind::CPU, "CPU", {}, {}},
                                 {DeviceKind::GPU, "GPU", {}, {}},
                                 {DeviceKind::NPU, "NPU", {}, {}}};
  const char* env = std::getenv("OVREF_DEVICES");
  if (env == nullptr) {
    devices[0].ids = {"0"};
    devices[1].ids = {"0"};
    devices[2].ids = {"4000"};
    return devices;
  }
  std::stringstream ss(env);
  std::string item;
  while (std::getline(ss, item, ',')) {
    item.erase(0, item.find_first_not_of(" \t"));
    item.erase(item.find_last_not_of(" \t") + 1);
    if (item.empty()) continue;
    std::string base, id;
    SplitDeviceName(item, base, id);
    auto it = std::find_if(devices.begin(), devices.end(),
                           [&](const Device& d) { return d.name == base; });
    OPENVINO_ASSERT(it != devices.end(), "OVREF_DEVICES names an unknown device '", item,
                    "'; known devices are CPU, GPU and NPU");
    if (it->kind == DeviceKind::NPU) {
      const std::string platform = id.empty() ? "4000" : StandardizePlatform(id);
      OPENVINO_ASSERT(
          std::find(NpuPlatforms().begin(), NpuPlatforms().end(), platform) != NpuPlatforms().end(),
          "OVREF_DEVICES names an unknown NPU platform '", id, "'");
      OPENVINO_ASSERT(it->ids.empty(), "OVREF_DEVICES lists more than one NPU");
      it->ids = {platform};
    } else if (it->kind == DeviceKind::CPU) {
      OPENVINO_ASSERT(id.empty() || id == "0", "OVREF_DEVICES: there is only one CPU, not '", item,
                      "'");
      it->ids = {"0"};
    } else {
      if (id.empty()) id = std::to_string(it->ids.size());
      OPENVINO_ASSERT(!id.empty() && std::all_of(id.begin(), id.end(), ::isdigit),
                      "OVREF_DEVICES: a GPU ID is a number, not '", item, "'");
      if (std::find(it->ids.begin(), it->ids.end(), id) == it->ids.end()) it->ids.push_back(id);
    }
  }
  return devices;
}

AnyMap ParseDeviceProperties(const Device& device, const AnyMap& properties) {
  const SpecTable& table = SpecsFor(device.kind);
  const bool npu = device.kind == DeviceKind::NPU;
  AnyMap parsed;
  // The NPU reads NPU_USE_NPUW first: it decides how the other keys are treated.
  bool use_npuw = npu && IsTrue(device.config, "NPU_USE_NPUW");
  if (npu) {
    auto it = properties.find("NPU_USE_NPUW");
    if (it != properties.end()) {
      const auto v = ParseValue(*Find(table, "NPU_USE_NPUW"), it->second, true);
      if (!v) ThrowBadValue(device.kind, *Find(table, "NPU_USE_NPUW"), it->second);
      use_npuw = v->as<bool>();
    }
  }
  for (const auto& [key, value] : properties) {
    if (npu && key != "NPU_USE_NPUW" && key.find("NPUW") != std::string::npos) {
      if (!use_npuw) continue;  // NPUW options mean nothing on the plain path
      const Spec* spec = Find(NpuwSpecs(), key);
      if (spec == nullptr || !DeclaredByReportedRelease(key)) ThrowUnknown(device.kind, key);
      const auto v = ParseValue(*spec, value, true);
      if (!v) ThrowBadValue(device.kind, *spec, value);
      parsed[key] = *v;
      continue;
    }
    const Spec* spec = Find(table, key);
    if (spec == nullptr) {
      // Through NPUW, keys no sub-device knows are dropped; NPU keys reach the NPU as they are.
      if (use_npuw && key.rfind("NPU", 0) != 0) continue;
      ThrowUnknown(device.kind, key);
    }
    const auto v = ParseValue(*spec, value, npu);
    if (!v) ThrowBadValue(device.kind, *spec, value);
    parsed[key] = *v;
  }
  return parsed;
}

Any GetDeviceProperty(const Device& device, const std::string& id, const std::string& name) {
  const bool present = !device.ids.empty();
  const std::string& device_id = id.empty() && present ? device.ids.front() : id;
  auto hardware = [&]() {
    if (!present) ThrowAbsent(device, id);
  };
  if (name == "AVAILABLE_DEVICES") return device.ids;
  if (name == "SUPPORTED_PROPERTIES") {
    std::vector<PropertyName> names = {
        {"SUPPORTED_PROPERTIES", PropertyMutability::RO},
        {"AVAILABLE_DEVICES", PropertyMutability::RO},
        {"FULL_DEVICE_NAME", PropertyMutability::RO},
        {"DEVICE_ARCHITECTURE", PropertyMutability::RO},
        {"DEVICE_TYPE", PropertyMutability::RO},
        {"OPTIMIZATION_CAPABILITIES", PropertyMutability::RO},
        {"OPTIMAL_NUMBER_OF_INFER_REQUESTS", PropertyMutability::RO},
    };
    if (device.kind == DeviceKind::GPU) {
      for (const char* k : {"GPU_UARCH_VERSION", "GPU_EXECUTION_UNITS_COUNT",
                            "GPU_DEVICE_TOTAL_MEM_SIZE", "GPU_DEVICE_MAX_ALLOC_MEM_SIZE"})
        names.emplace_back(k, PropertyMutability::RO);
    }
    if (device.kind == DeviceKind::NPU) {
      for (const char* k : {"NPU_DRIVER_VERSION", "NPU_COMPILER_VERSION",
                            "NPU_DEVICE_TOTAL_MEM_SIZE", "NPU_DEVICE_ALLOC_MEM_SIZE"})
        names.emplace_back(k, PropertyMutability::RO);
    }
    for (const auto& spec : SpecsFor(device.kind)) {
      if (std::string(spec.key) == "OVREF_WEIGHTS_BUFFER") continue;
      names.emplace_back(spec.key, PropertyMutability::RW);
    }
    return names;
  }
  if (name == "FULL_DEVICE_NAME") {
    hardware();
    switch (device.kind) {
      case DeviceKind::CPU:
        return std::string("ovref reference CPU (ovref's reference kernels on the host)");
      case DeviceKind::GPU:
        return std::string("ovref emulated GPU.") + device_id + " (iGPU)";
      default:
        return std::string("ovref emulated NPU (platform ") + device_id + ")";
    }
  }
  if (name == "DEVICE_ARCHITECTURE") {
    hardware();
    if (device.kind == DeviceKind::CPU) return HostArchitecture();
    if (device.kind == DeviceKind::GPU)
      return std::string("GPU: vendor=0x0 arch=ovref emulated GPU.") + device_id;
    return device_id;
  }
  if (name == "DEVICE_TYPE") {
    hardware();
    return device::Type::INTEGRATED;
  }
  if (name == "OPTIMIZATION_CAPABILITIES") {
    hardware();
    std::vector<std::string> caps = {"FP32", "FP16", "INT8", "EXPORT_IMPORT"};
    if (device.kind == DeviceKind::GPU) caps.insert(caps.begin() + 1, "BIN");
    return caps;
  }
  if (name == "OPTIMAL_NUMBER_OF_INFER_REQUESTS") return OptimalInferRequests(device, {});
  if (device.kind == DeviceKind::GPU) {
    if (name == "GPU_UARCH_VERSION") {
      hardware();
      return std::string("unknown");
    }
    if (name == "GPU_EXECUTION_UNITS_COUNT") {
      hardware();
      return int32_t{1};  // the emulation runs on one host thread
    }
    if (name == "GPU_DEVICE_TOTAL_MEM_SIZE" || name == "GPU_DEVICE_MAX_ALLOC_MEM_SIZE") {
      hardware();
      return HostMemoryBytes();  // an integrated GPU reports host memory
    }
  }
  if (device.kind == DeviceKind::NPU) {
    if (name == "NPU_DRIVER_VERSION") {
      hardware();
      return uint32_t{1};
    }
    if (name == "NPU_COMPILER_VERSION") return uint32_t{(1u << 16) | 0u};
    if (name == "NPU_DEVICE_TOTAL_MEM_SIZE") {
      hardware();
      return HostMemoryBytes();
    }
    if (name == "NPU_DEVICE_ALLOC_MEM_SIZE") {
      hardware();
      return uint64_t{0};
    }
    if (name == "NPU_MAX_TILES") {
      auto it = device.config.find(name);
      if (it != device.config.end()) return it->second;
      hardware();
      return MaxTiles(device_id);
    }
  }
  const Spec* spec = Find(SpecsFor(device.kind), name);
  if (spec == nullptr && device.kind == DeviceKind::NPU) spec = Find(NpuwSpecs(), name);
  if (spec == nullptr) ThrowUnknown(device.kind, name);
  auto it = device.config.find(name);
  if (it != device.config.end()) return it->second;
  if (name == "DEVICE_ID") return device_id;
  return spec->def;
}

bool WantsWeightless(const Device& device, const AnyMap& config) {
  auto explicit_flag = config.find("ENABLE_WEIGHTLESS");
  auto cache_mode = config.find("CACHE_MODE");
  if (device.kind == DeviceKind::NPU && IsTrue(config, "NPU_USE_NPUW")) {
    auto fold_only = config.find("NPUW_FOLD_ONLY");
    const bool possible =
        IsTrue(config, "NPUW_FOLD") || IsTrue(config, "NPUW_CWAI") ||
        (fold_only != config.end() && !fold_only->second.as<std::string>().empty());
    if (!possible) return false;
    if (explicit_flag != config.end()) return explicit_flag->second.as<bool>();
    return cache_mode == config.end() ||
           cache_mode->second.as<CacheMode>() != CacheMode::OPTIMIZE_SPEED;
  }
  if (explicit_flag != config.end()) return explicit_flag->second.as<bool>();
  return cache_mode != config.end() &&
         cache_mode->second.as<CacheMode>() == CacheMode::OPTIMIZE_SIZE;
}

std::string PropertyText(const Any& value) { return TextOf(value).value_or(std::string()); }

uint32_t OptimalInferRequests(const Device& device, const AnyMap& config) {
  const Any* hint = nullptr;
  if (auto it = config.find("PERFORMANCE_HINT"); it != config.end()) {
    hint = &it->second;
  } else if (auto dit = device.config.find("PERFORMANCE_HINT"); dit != device.config.end()) {
    hint = &dit->second;
  }
  if (hint == nullptr || hint->as<hint::PerformanceMode>() == hint::PerformanceMode::LATENCY)
    return 1;
  if (device.kind == DeviceKind::NPU)
    return !device.ids.empty() && device.ids.front() == "3720" ? 4 : 8;
  return 2;
}

void CheckCompile(const Device& device, const std::string& id, const AnyMap& config) {
  if (device.kind != DeviceKind::NPU) {
    if (device.ids.empty() ||
        (!id.empty() && std::find(device.ids.begin(), device.ids.end(), id) == device.ids.end()))
      ThrowAbsent(device, id);
    return;
  }
  std::string platform = "AUTO_DETECT";
  if (auto it = config.find("NPU_PLATFORM"); it != config.end())
    platform = it->second.as<std::string>();
  if (platform != "AUTO_DETECT") {
    platform = StandardizePlatform(platform);
    OPENVINO_ASSERT(
        std::find(NpuPlatforms().begin(), NpuPlatforms().end(), platform) != NpuPlatforms().end(),
        "[NPU] Unsupported platform '", config.at("NPU_PLATFORM").as<std::string>(),
        "'; the platforms are AUTO_DETECT, NPU3720, NPU4000, NPU5010 and NPU5020");
  } else {
    // Without a platform the compiler needs a device to ask; with one it compiles offline.
    if (device.ids.empty()) ThrowAbsent(device, id);
    platform = device.ids.front();
  }
  if (!id.empty() && !device.ids.empty() && id != device.ids.front()) ThrowAbsent(device, id);
  int64_t max_tiles = MaxTiles(platform);
  if (auto it = config.find("NPU_MAX_TILES"); it != config.end())
    max_tiles = it->second.as<int64_t>();
  if (auto it = config.find("NPU_TILES"); it != config.end()) {
    const int64_t tiles = it->second.as<int64_t>();
    OPENVINO_ASSERT(tiles <= max_tiles, "[NPU] NPU_TILES ", tiles,
                    " exceeds the maximum number of tiles ", max_tiles, " of platform ", platform);
  }
}

}  // namespace runtime
}  // namespace ov
