#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "openvino/runtime/properties.hpp"

namespace ov {
namespace intel_npu {

static constexpr Property<uint64_t, PropertyMutability::RO> device_alloc_mem_size{
    "NPU_DEVICE_ALLOC_MEM_SIZE"};
static constexpr Property<uint64_t, PropertyMutability::RO> device_total_mem_size{
    "NPU_DEVICE_TOTAL_MEM_SIZE"};
static constexpr Property<uint32_t, PropertyMutability::RO> driver_version{"NPU_DRIVER_VERSION"};

enum class CompilerType { PLUGIN, DRIVER, PREFER_PLUGIN };
OPENVINO_API std::ostream& operator<<(std::ostream& os, const CompilerType& type);
OPENVINO_API std::istream& operator>>(std::istream& is, CompilerType& type);
static constexpr Property<CompilerType> compiler_type{"NPU_COMPILER_TYPE"};

// Major version in the upper 16 bits, minor in the lower 16.
static constexpr Property<uint32_t, PropertyMutability::RO> compiler_version{
    "NPU_COMPILER_VERSION"};
static constexpr Property<std::string> compilation_mode_params{"NPU_COMPILATION_MODE_PARAMS"};
static constexpr Property<bool> compiler_dynamic_quantization{"NPU_COMPILER_DYNAMIC_QUANTIZATION"};
static constexpr Property<bool> qdq_optimization{"NPU_QDQ_OPTIMIZATION"};
static constexpr Property<bool> qdq_optimization_aggressive{"NPU_QDQ_OPTIMIZATION_AGGRESSIVE"};
static constexpr Property<bool> turbo{"NPU_TURBO"};
static constexpr Property<int64_t> tiles{"NPU_TILES"};
static constexpr Property<int64_t> max_tiles{"NPU_MAX_TILES"};
static constexpr Property<bool> bypass_umd_caching{"NPU_BYPASS_UMD_CACHING"};
static constexpr Property<bool> defer_weights_load{"NPU_DEFER_WEIGHTS_LOAD"};
static constexpr Property<bool> run_inferences_sequentially{"NPU_RUN_INFERENCES_SEQUENTIALLY"};
static constexpr Property<bool> disable_idle_memory_prunning{"NPU_DISABLE_IDLE_MEMORY_PRUNING"};

}  // namespace intel_npu
}  // namespace ov
