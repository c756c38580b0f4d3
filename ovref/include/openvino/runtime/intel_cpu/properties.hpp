#pragma once

#include "openvino/runtime/properties.hpp"

namespace ov {
namespace intel_cpu {

static constexpr Property<bool> denormals_optimization{"CPU_DENORMALS_OPTIMIZATION"};
static constexpr Property<float> sparse_weights_decompression_rate{
    "CPU_SPARSE_WEIGHTS_DECOMPRESSION_RATE"};

}  // namespace intel_cpu
}  // namespace ov
