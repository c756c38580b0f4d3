#ifndef FUZZ_FUZZ_UTIL_H_
#define FUZZ_FUZZ_UTIL_H_

// Helpers shared by the fuzz targets.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "zorvel/host/host_model.h"

namespace zorvel::fuzz {

// A copy of the input in 8-byte aligned memory, as the .tflite reader requires.
std::shared_ptr<const void> AlignedCopy(const uint8_t* data, size_t size);

// Reads every subgraph, op and tensor of `model` through the host table the plug-in uses (names,
// types, quantization, weight bytes); returns a checksum so the reads are not optimised away.
uint64_t WalkModel(host::HostModel& model);

// Whether a model is small enough to compile inside a fuzzing run: few ops, small tensors.
bool SmallEnoughToCompile(const host::HostModel& model);

}  // namespace zorvel::fuzz

#endif  // FUZZ_FUZZ_UTIL_H_
