#ifndef ZORVEL_HOST_TFLITE_READER_H_
#define ZORVEL_HOST_TFLITE_READER_H_

// Reads a `.tflite` model file (a FlatBuffer with identifier "TFL3", schema version 3) into the
// stand-in host's in-memory model, so that real models can be partitioned and compiled.
//
//   absl::StatusOr<std::unique_ptr<HostModel>> model = ReadTfliteFile("person_detect.tflite");
//   if (!model.ok()) std::cerr << model.status().message() << "\n";
//
// What the model gets:
// - one host subgraph per file subgraph, with the file's tensor indices, inputs and outputs, and
//   ops in the file's execution order;
// - tensors with their names, element types mapped onto the host's codes, the concrete `shape`
//   (an empty shape is a scalar), and per-tensor or per-channel quantization;
// - constants (tensors whose buffer holds data and that are not variables) reading model buffer
//   ids equal to the file's buffer indices; the bytes are views into the file, never copied;
// - op codes as the file's builtin codes (custom ops get code 32), builtin options stored under
//   the host's per-op option entries, and composite ops (code 206) with their name, attribute
//   bytes, decomposition subgraph index and version.
//
// Every table, vector and string is checked with FlatBuffers' verifier before it is read, and
// every index is range-checked; a file that fails is refused with an error naming what is wrong,
// and nothing is read outside the file. Trailing optional inputs left out (-1) are dropped;
// one left out before a given input cannot be represented by the host and is refused, as are
// sparse tensors, quantization schemes other than affine, and external weight files.

#include <cstddef>
#include <memory>
#include <string>

#include "absl/status/statusor.h"
#include "zorvel/host/host_model.h"

namespace zorvel::host {

// Maps the file read-only and reads it. The mapping lives as long as any constant of the model.
absl::StatusOr<std::unique_ptr<HostModel>> ReadTfliteFile(const std::string& path);

// Reads a model held in memory. `data` must be 8-byte aligned and hold `size` bytes; constants
// point into it and keep it alive.
absl::StatusOr<std::unique_ptr<HostModel>> ReadTfliteBuffer(std::shared_ptr<const void> data,
                                                            size_t size);

}  // namespace zorvel::host

#endif  // ZORVEL_HOST_TFLITE_READER_H_
