#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <limits>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "openvino/core/any.hpp"
#include "openvino/core/core_visibility.hpp"
#include "openvino/core/except.hpp"
#include "openvino/core/type/element_type.hpp"
#include "openvino/runtime/tensor.hpp"

namespace ov {

class Model;

enum class PropertyMutability { RO, RW, WO };

namespace util {

template <typename T, typename... Args>
using EnableIfAllStringAny = std::enable_if_t<
    std::conjunction_v<std::is_convertible<Args, std::pair<std::string, ov::Any>>...>, T>;

// Converts the argument of a property's call operator into the property's value type: text for
// a non-text type is parsed at once, so a bad value throws where the pair is built.
template <typename T>
struct PropertyValue {
  template <typename A>
  static Any make(A&& arg) {
    using D = std::decay_t<A>;
    constexpr bool is_text = std::is_convertible_v<D, std::string> && !std::is_same_v<D, T>;
    if constexpr (is_text && (std::is_arithmetic_v<T> || std::is_enum_v<T> ||
                              !std::is_constructible_v<T, D>)) {
      const std::string text = std::string(std::forward<A>(arg));
      if constexpr (std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool>) {
        if (!text.empty() && text.front() == '-')
          OPENVINO_THROW("Cannot assign negative value ", text, " to unsigned property");
      }
      return Any(text).as<T>();
    } else if constexpr (std::is_integral_v<T> && std::is_unsigned_v<T> &&
                         !std::is_same_v<T, bool> && std::is_integral_v<D> && std::is_signed_v<D>) {
      if (arg < 0) OPENVINO_THROW("Cannot assign negative value ", arg, " to unsigned property");
      if (static_cast<std::make_unsigned_t<D>>(arg) > std::numeric_limits<T>::max())
        OPENVINO_THROW("Value ", arg, " exceeds maximum for target unsigned type");
      return Any(static_cast<T>(arg));
    } else {
      return Any::make<T>(std::forward<A>(arg));
    }
  }
};

template <typename T, PropertyMutability mutability_ = PropertyMutability::RW>
class BaseProperty {
 public:
  using value_type = T;
  static constexpr PropertyMutability mutability = mutability_;

  constexpr BaseProperty(const char* name_) : _name{name_} {}
  const char* name() const { return _name; }
  bool operator==(const std::string& str) const { return _name == str; }
  friend bool operator==(const std::string& str, const BaseProperty<T, mutability_>& property) {
    return property == str;
  }

 private:
  const char* _name = nullptr;
};

template <typename T, PropertyMutability M>
inline std::ostream& operator<<(std::ostream& os, const BaseProperty<T, M>& property) {
  return os << property.name();
}

}  // namespace util

// A named, typed property. The call operator builds the key/value pair for a property map.
template <typename T, PropertyMutability mutability_ = PropertyMutability::RW>
class Property : public util::BaseProperty<T, mutability_> {
 public:
  using util::BaseProperty<T, mutability_>::BaseProperty;

  template <typename... Args>
  std::pair<std::string, Any> operator()(Args&&... args) const {
    if constexpr (sizeof...(Args) == 1) {
      return {this->name(), util::PropertyValue<T>::make(std::forward<Args>(args)...)};
    } else {
      return {this->name(), Any::make<T>(std::forward<Args>(args)...)};
    }
  }
};

// Read-only properties can be queried but not set: there is no call operator.
template <typename T>
class Property<T, PropertyMutability::RO> : public util::BaseProperty<T, PropertyMutability::RO> {
 public:
  using util::BaseProperty<T, PropertyMutability::RO>::BaseProperty;
};

struct PropertyName : public std::string {
  using std::string::string;
  PropertyName(const std::string& str, PropertyMutability mutability = PropertyMutability::RW)
      : std::string{str}, _mutability{mutability} {}
  template <typename T, PropertyMutability M>
  PropertyName(const Property<T, M>& property) : std::string{property.name()}, _mutability{M} {}
  PropertyName() = default;

  bool is_mutable() const { return _mutability != PropertyMutability::RO; }
  PropertyMutability get_mutability() const { return _mutability; }

 private:
  PropertyMutability _mutability = PropertyMutability::RW;
};

static constexpr Property<std::vector<PropertyName>, PropertyMutability::RO> supported_properties{
    "SUPPORTED_PROPERTIES"};
static constexpr Property<std::vector<std::string>, PropertyMutability::RO> available_devices{
    "AVAILABLE_DEVICES"};
static constexpr Property<std::string, PropertyMutability::RO> model_name{"NETWORK_NAME"};
static constexpr Property<uint32_t, PropertyMutability::RO> optimal_number_of_infer_requests{
    "OPTIMAL_NUMBER_OF_INFER_REQUESTS"};
static constexpr Property<std::vector<std::string>, PropertyMutability::RO> execution_devices{
    "EXECUTION_DEVICES"};
static constexpr Property<bool, PropertyMutability::RO> loaded_from_cache{"LOADED_FROM_CACHE"};
static constexpr Property<bool> enable_profiling{"PERF_COUNT"};
static constexpr Property<std::string> cache_dir{"CACHE_DIR"};
static constexpr Property<bool> enable_mmap{"ENABLE_MMAP"};
static constexpr Property<bool> force_tbb_terminate{"FORCE_TBB_TERMINATE"};
static constexpr Property<bool> enable_weightless{"ENABLE_WEIGHTLESS"};
static constexpr Property<std::string> weights_path{"WEIGHTS_PATH"};
static constexpr Property<int32_t> inference_num_threads{"INFERENCE_NUM_THREADS"};
static constexpr Property<int32_t> compilation_num_threads{"COMPILATION_NUM_THREADS"};
static constexpr Property<element::Type> key_cache_precision{"KEY_CACHE_PRECISION"};
static constexpr Property<element::Type> value_cache_precision{"VALUE_CACHE_PRECISION"};
static constexpr Property<uint64_t> key_cache_group_size{"KEY_CACHE_GROUP_SIZE"};
static constexpr Property<uint64_t> value_cache_group_size{"VALUE_CACHE_GROUP_SIZE"};
static constexpr Property<uint64_t> cache_blob_id{"CACHE_BLOB_ID"};

namespace hint {

static constexpr Property<element::Type> inference_precision{"INFERENCE_PRECISION_HINT"};

enum class Priority { LOW = 0, MEDIUM = 1, HIGH = 2, DEFAULT = MEDIUM };
OPENVINO_API std::ostream& operator<<(std::ostream& os, const Priority& priority);
OPENVINO_API std::istream& operator>>(std::istream& is, Priority& priority);
static constexpr Property<Priority> model_priority{"MODEL_PRIORITY"};

enum class PerformanceMode { LATENCY = 1, THROUGHPUT = 2, CUMULATIVE_THROUGHPUT = 3 };
OPENVINO_API std::ostream& operator<<(std::ostream& os, const PerformanceMode& mode);
OPENVINO_API std::istream& operator>>(std::istream& is, PerformanceMode& mode);
static constexpr Property<PerformanceMode> performance_mode{"PERFORMANCE_HINT"};

enum class SchedulingCoreType { ANY_CORE = 0, PCORE_ONLY = 1, ECORE_ONLY = 2 };
OPENVINO_API std::ostream& operator<<(std::ostream& os, const SchedulingCoreType& type);
OPENVINO_API std::istream& operator>>(std::istream& is, SchedulingCoreType& type);
static constexpr Property<SchedulingCoreType> scheduling_core_type{"SCHEDULING_CORE_TYPE"};

enum class ModelDistributionPolicy { TENSOR_PARALLEL = 0, PIPELINE_PARALLEL = 1 };
OPENVINO_API std::ostream& operator<<(std::ostream& os, const ModelDistributionPolicy& policy);
OPENVINO_API std::istream& operator>>(std::istream& is, ModelDistributionPolicy& policy);
static constexpr Property<std::set<ModelDistributionPolicy>> model_distribution_policy{
    "MODEL_DISTRIBUTION_POLICY"};

enum class ExecutionMode { PERFORMANCE = 1, ACCURACY = 2 };
OPENVINO_API std::ostream& operator<<(std::ostream& os, const ExecutionMode& mode);
OPENVINO_API std::istream& operator>>(std::istream& is, ExecutionMode& mode);
static constexpr Property<ExecutionMode> execution_mode{"EXECUTION_MODE_HINT"};

static constexpr Property<bool> enable_cpu_pinning{"ENABLE_CPU_PINNING"};
static constexpr Property<bool> enable_cpu_reservation{"ENABLE_CPU_RESERVATION"};
static constexpr Property<bool> enable_hyper_threading{"ENABLE_HYPER_THREADING"};
static constexpr Property<uint32_t> num_requests{"PERFORMANCE_HINT_NUM_REQUESTS"};
static constexpr Property<std::shared_ptr<const ov::Model>> model{"MODEL_PTR"};
static constexpr Property<bool> allow_auto_batching{"ALLOW_AUTO_BATCHING"};
static constexpr Property<uint64_t> dynamic_quantization_group_size{
    "DYNAMIC_QUANTIZATION_GROUP_SIZE"};
static constexpr Property<element::Type> kv_cache_precision{"KV_CACHE_PRECISION"};
static constexpr Property<float> activations_scale_factor{"ACTIVATIONS_SCALE_FACTOR"};
inline constexpr Property<ov::Tensor> compiled_blob{"COMPILED_BLOB"};

}  // namespace hint

namespace log {
enum class Level { NO = -1, ERR = 0, WARNING = 1, INFO = 2, DEBUG = 3, TRACE = 4 };
OPENVINO_API std::ostream& operator<<(std::ostream& os, const Level& level);
OPENVINO_API std::istream& operator>>(std::istream& is, Level& level);
static constexpr Property<Level> level{"LOG_LEVEL"};
}  // namespace log

enum class CacheMode { OPTIMIZE_SIZE = 0, OPTIMIZE_SPEED = 1 };
OPENVINO_API std::ostream& operator<<(std::ostream& os, const CacheMode& mode);
OPENVINO_API std::istream& operator>>(std::istream& is, CacheMode& mode);
static constexpr Property<CacheMode> cache_mode{"CACHE_MODE"};

enum class WorkloadType { DEFAULT = 0, EFFICIENT = 1 };
OPENVINO_API std::ostream& operator<<(std::ostream& os, const WorkloadType& type);
OPENVINO_API std::istream& operator>>(std::istream& is, WorkloadType& type);
static constexpr Property<WorkloadType> workload_type{"WORKLOAD_TYPE"};

struct EncryptionCallbacks {
  std::function<std::string(const std::string&)> encrypt;
  std::function<std::string(const std::string&)> decrypt;
};
static constexpr Property<EncryptionCallbacks, PropertyMutability::WO> cache_encryption_callbacks{
    "CACHE_ENCRYPTION_CALLBACKS"};

static constexpr Property<std::tuple<unsigned int, unsigned int>, PropertyMutability::RO>
    range_for_streams{"RANGE_FOR_STREAMS"};
static constexpr Property<unsigned int, PropertyMutability::RO> optimal_batch_size{
    "OPTIMAL_BATCH_SIZE"};
static constexpr Property<uint32_t, PropertyMutability::RO> max_batch_size{"MAX_BATCH_SIZE"};
static constexpr Property<uint32_t> auto_batch_timeout{"AUTO_BATCH_TIMEOUT"};

namespace streams {
// Number of streams; AUTO and NUMA are the special values.
struct Num {
  using Base = std::tuple<int32_t>;
  constexpr Num() : num{-1} {}
  constexpr Num(const int32_t num_) : num{num_} {}
  constexpr operator int32_t() const { return num; }
  int32_t num = 0;
};
static constexpr Property<Num, PropertyMutability::RW> num{"NUM_STREAMS"};
static constexpr Num AUTO{-1};
static constexpr Num NUMA{-2};
OPENVINO_API std::ostream& operator<<(std::ostream& os, const Num& num);
OPENVINO_API std::istream& operator>>(std::istream& is, Num& num);
}  // namespace streams
static constexpr Property<streams::Num, PropertyMutability::RW> num_streams{"NUM_STREAMS"};

namespace device {

static constexpr Property<std::string> id{"DEVICE_ID"};
static constexpr Property<std::string> priorities{"MULTI_DEVICE_PRIORITIES"};
static constexpr Property<std::string, PropertyMutability::RO> full_name{"FULL_DEVICE_NAME"};
static constexpr Property<std::string, PropertyMutability::RO> architecture{"DEVICE_ARCHITECTURE"};

enum class Type { INTEGRATED = 0, DISCRETE = 1 };
OPENVINO_API std::ostream& operator<<(std::ostream& os, const Type& type);
OPENVINO_API std::istream& operator>>(std::istream& is, Type& type);
static constexpr Property<Type, PropertyMutability::RO> type{"DEVICE_TYPE"};

static constexpr Property<std::vector<std::string>, PropertyMutability::RO> capabilities{
    "OPTIMIZATION_CAPABILITIES"};
static constexpr Property<float, PropertyMutability::RO> thermal{"DEVICE_THERMAL"};

namespace capability {
constexpr static const auto FP32 = "FP32";
constexpr static const auto BF16 = "BF16";
constexpr static const auto FP16 = "FP16";
constexpr static const auto INT8 = "INT8";
constexpr static const auto INT16 = "INT16";
constexpr static const auto BIN = "BIN";
constexpr static const auto WINOGRAD = "WINOGRAD";
constexpr static const auto EXPORT_IMPORT = "EXPORT_IMPORT";
}  // namespace capability

}  // namespace device

}  // namespace ov
