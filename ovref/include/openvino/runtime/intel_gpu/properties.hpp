#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "openvino/runtime/properties.hpp"

namespace ov {
namespace intel_gpu {

static constexpr Property<uint64_t, PropertyMutability::RO> device_total_mem_size{
    "GPU_DEVICE_TOTAL_MEM_SIZE"};
static constexpr Property<uint64_t, PropertyMutability::RO> device_max_alloc_mem_size{
    "GPU_DEVICE_MAX_ALLOC_MEM_SIZE"};
static constexpr Property<std::string, PropertyMutability::RO> uarch_version{"GPU_UARCH_VERSION"};
static constexpr Property<int32_t, PropertyMutability::RO> execution_units_count{
    "GPU_EXECUTION_UNITS_COUNT"};
static constexpr Property<std::map<std::string, uint64_t>, PropertyMutability::RO>
    memory_statistics{"GPU_MEMORY_STATISTICS"};
static constexpr Property<bool> enable_loop_unrolling{"GPU_ENABLE_LOOP_UNROLLING"};
static constexpr Property<bool> disable_winograd_convolution{"GPU_DISABLE_WINOGRAD_CONVOLUTION"};

namespace hint {
using ThrottleLevel = ov::hint::Priority;
static constexpr Property<ThrottleLevel> queue_throttle{"GPU_QUEUE_THROTTLE"};
static constexpr Property<ov::hint::Priority> queue_priority{"GPU_QUEUE_PRIORITY"};
static constexpr Property<ov::hint::Priority> host_task_priority{"GPU_HOST_TASK_PRIORITY"};
static constexpr Property<int64_t> available_device_mem{"AVAILABLE_DEVICE_MEM_SIZE"};
static constexpr Property<bool> enable_sdpa_optimization{"GPU_ENABLE_SDPA_OPTIMIZATION"};
static constexpr Property<bool> enable_lora_operation{"GPU_ENABLE_LORA_OPERATION"};
static constexpr Property<bool> enable_kernels_reuse{"GPU_ENABLE_KERNELS_REUSE"};
static constexpr Property<bool> enable_large_allocations{"GPU_ENABLE_LARGE_ALLOCATIONS"};
static constexpr Property<uint64_t> dynamic_quantization_group_size_max{
    "GPU_DYNAMIC_QUANTIZATION_GROUP_SIZE_MAX"};
}  // namespace hint

namespace memory_type {
static constexpr auto surface = "GPU_SURFACE";
static constexpr auto buffer = "GPU_BUFFER";
}  // namespace memory_type

namespace capability {
constexpr static const auto HW_MATMUL = "GPU_HW_MATMUL";
constexpr static const auto USM_MEMORY = "GPU_USM_MEMORY";
}  // namespace capability

}  // namespace intel_gpu
}  // namespace ov
