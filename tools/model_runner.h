#ifndef TOOLS_MODEL_RUNNER_H_
#define TOOLS_MODEL_RUNNER_H_

// Runs a whole host model the way a runtime does once the plug-in has compiled its partitions:
// the ops of the main subgraph in execution order, each compiled partition as one step on its
// device, and every op the plug-in left to the host translated alone by the tensorflow_lite front
// end and run on ovref's CPU device.
//
//   ModelRunner runner(source, partitioned);
//   runner.SetCompiledPartition(i, compiled_model_of_partition_i);   // for every partition
//   absl::StatusOr<std::vector<ov::Tensor>> outputs = runner.Run(input_values);

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "absl/status/status.h"
#include "absl/status/statusor.h"
#include "openvino/runtime/compiled_model.hpp"
#include "openvino/runtime/tensor.hpp"
#include "tools/compile_session.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/host_partition.h"

namespace zorvel::tools {

class ModelRunner {
 public:
  // Both models must outlive the runner; `partitioned` is what the host partition step formed
  // from the plug-in's selection over `source`.
  ModelRunner(const host::HostModel& source, const host::PartitionedModel& partitioned);

  // The compiled model of partition `index` (subgraph `index` of the partitioned model), with
  // the inputs that are not the partition's own but fixed (pool buffers fed to the parameters
  // that replaced shared weights), by input name; the partition's own inputs are the others, in
  // input order.
  void SetCompiledPartition(size_t index, ov::CompiledModel compiled,
                            std::vector<std::pair<std::string, ov::Tensor>> fixed_inputs = {});

  // Runs subgraph 0. `inputs[k]` holds the values of its input k in row-major order; they are
  // converted to the element type the consuming step expects (integers as they are, so quantized
  // inputs are given in their quantized type). Fails with a message naming the tensor, the
  // partition or the op when something cannot be run; an op that neither the plug-in took nor
  // the front end can translate is refused by name before anything runs.
  absl::StatusOr<std::vector<ov::Tensor>> Run(const std::vector<std::vector<double>>& inputs);

 private:
  struct Step {
    std::vector<host::TensorId> inputs;   // source tensor ids
    std::vector<host::TensorId> outputs;  // source tensor ids
    ov::CompiledModel compiled;
    std::vector<std::pair<std::string, ov::Tensor>> fixed_inputs;
    std::vector<size_t> own_ports;  // compiled input port of each of `inputs`
    std::string what;               // "partition 1", "host op 3 (op code 27)"
  };

  absl::Status Prepare();
  absl::Status OwnPorts(Step& step);

  const host::HostModel& source_;
  const host::PartitionedModel& partitioned_;
  std::vector<ov::CompiledModel> compiled_partitions_;
  std::vector<std::vector<std::pair<std::string, ov::Tensor>>> fixed_inputs_;
  std::vector<bool> have_partition_;
  std::vector<Step> steps_;  // in execution order
  bool prepared_ = false;
};

// Imports every compiled call of `run` on its device (partition blobs directly, GlobalGraph
// containers with their pool as the weights) and runs the whole model on `inputs` as
// ModelRunner::Run does.
absl::StatusOr<std::vector<ov::Tensor>> RunCompiledModel(
    const CompileRun& run, const std::vector<std::vector<double>>& inputs);

// The values of output `tensor` as a runtime hands them out: a float result of a quantized host
// tensor is quantized to the tensor's integer type (round to nearest, ties away from zero, then
// clamp to the type's range); anything else is returned as it is.
std::vector<double> OutputValues(const ov::Tensor& value, const host::HostTensor& tensor);

// Element j of `t` as a double, for the element types models produce; false for other types.
bool ElementAsDouble(const ov::Tensor& t, size_t j, double* out);

// Comma-separated values, as the reference data are written; integers without a fraction.
absl::StatusOr<std::vector<double>> ReadCsvValues(const std::string& path);
std::string FormatCsvValues(const std::vector<double>& values, bool integral);

}  // namespace zorvel::tools

#endif  // TOOLS_MODEL_RUNNER_H_
