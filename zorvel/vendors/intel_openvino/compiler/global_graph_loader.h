#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_GLOBAL_GRAPH_LOADER_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_GLOBAL_GRAPH_LOADER_H_

// The runtime side of a weight-shared compile: a GlobalGraph container imported partition by
// partition, each with the container's pool as its weights and nothing copied out of the pool.
//
//   ov::Core core;
//   Expected<LoadedGlobalGraph> loaded = LoadGlobalGraph(core, container_bytes);
//   ov::InferRequest request = loaded->Find("Partition_0")->CreateInferRequest();
//   request.set_tensor(input_name, input);  // the partition's own inputs
//   request.infer();

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "openvino/core/model.hpp"
#include "openvino/runtime/compiled_model.hpp"
#include "openvino/runtime/core.hpp"
#include "openvino/runtime/infer_request.hpp"
#include "openvino/runtime/tensor.hpp"
#include "zorvel/cc/zorvel_expected.h"

namespace zorvel::openvino {

// One partition of the container, imported on its device.
struct LoadedPartition {
  std::string name;
  std::string device;  // "CPU", "GPU" or "NPU", from the record's device code
  uint64_t kv_cache_extent = 0;
  ov::CompiledModel compiled;
  // Inputs that the pool feeds (GPU parameters that replaced shared weights), by input name; the
  // tensors view the pool.
  std::vector<std::pair<std::string, ov::Tensor>> pool_inputs;

  // An infer request with every pool-fed input already set; the caller sets the others.
  ov::InferRequest CreateInferRequest();

  // The compiled model's inputs that the caller has to feed, in input order.
  std::vector<ov::Output<const ov::Node>> CallerInputs() const;
};

// Every partition of a container, in the container's (name) order. Holds the container bytes,
// which the pool-fed input tensors view: keep this object while its partitions are run.
class LoadedGlobalGraph {
 public:
  const std::vector<LoadedPartition>& partitions() const { return partitions_; }
  std::vector<LoadedPartition>& partitions() { return partitions_; }
  LoadedPartition* Find(std::string_view name);

  std::string_view pool() const { return pool_; }
  size_t buffer_count() const { return buffer_count_; }

 private:
  friend Expected<LoadedGlobalGraph> LoadGlobalGraph(ov::Core& core,
                                                     std::shared_ptr<const std::string> container);
  std::shared_ptr<const std::string> container_;
  std::string_view pool_;
  size_t buffer_count_ = 0;
  std::vector<LoadedPartition> partitions_;
};

// Reads the container (every check of ReadGlobalGraph) and imports each partition blob on the
// device its record names. Weightless constants of a blob are resolved from the pool: the pool is
// handed to the import as the model whose constants carry each buffer's offset and size. Inputs
// bound to pool buffers get tensors over those buffers. A container that does not read, a blob
// that does not import, or a binding that does not fit its input ends with status 1 and a message
// naming the partition.
Expected<LoadedGlobalGraph> LoadGlobalGraph(ov::Core& core,
                                            std::shared_ptr<const std::string> container);
Expected<LoadedGlobalGraph> LoadGlobalGraph(ov::Core& core, std::string container);

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_GLOBAL_GRAPH_LOADER_H_
