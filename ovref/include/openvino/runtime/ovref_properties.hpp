#pragma once

#ifdef OVREF_STRICT
#error "openvino/runtime/ovref_properties.hpp is an ovref extension: the toolkit has no such header"
#endif

#include "openvino/runtime/properties.hpp"
#include "openvino/runtime/tensor.hpp"

// Extensions that exist only in ovref, not in the toolkit. Code that must also build against the
// real toolkit does not use them.
namespace ov {
namespace ovref {

// Import of a weightless blob: the shared weights as one u8 tensor in memory; each constant left
// out of the blob is viewed at its recorded offset (no copy). Consulted after WEIGHTS_PATH and
// MODEL_PTR.
static constexpr Property<ov::Tensor> weights_buffer{"OVREF_WEIGHTS_BUFFER"};

}  // namespace ovref
}  // namespace ov
