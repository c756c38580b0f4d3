#ifndef ZORVEL_HOST_HOST_PARTITION_H_
#define ZORVEL_HOST_HOST_PARTITION_H_

// The partition step of the runtime, between a plug-in's partition and compile requests:
//
//   ModelSelection selection(model);              // one selected-ops list per subgraph
//   for (size_t i = 0; i < model.num_subgraphs(); ++i) {
//     plugin_partition(..., api.Handle(model.subgraph(i)), api.Handle(selection[i]));
//   }
//   PartitionedModel partitioned = FormPartitions(selection);
//   plugin_compile(..., api.Handle(*partitioned.model), &result);
//
// A partition is a maximal run of consecutive selected ops (in execution order) with the same
// partition index; an op the plug-in did not select ends the run, so no partition can depend on
// itself through ops left to the host. Each partition becomes one subgraph of the compile model:
// its inputs are the tensors it reads from outside, its outputs the tensors it produces that are
// read outside it (by later ops or as subgraph outputs), and its constants keep their weights
// (same buffer ids, same bytes: the buffers are shared with the source model, not copied).

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "zorvel/c/zorvel_common.h"
#include "zorvel/host/host_model.h"

namespace zorvel::host {

// The ops a plug-in selected in one subgraph (entry 33), in the order it selected them.
class HostSelectedOps : public HandleTag {
 public:
  explicit HostSelectedOps(const HostSubgraph& subgraph);

  struct Selection {
    OpId op;
    int32_t partition_index;
  };

  // What entry 33 does: kZorvelStatusErrorInvalidArgument when the op is not from this subgraph,
  // is already selected, or the partition index is negative.
  ZorvelStatus Add(const HostOp& op, int32_t partition_index);

  const HostSubgraph& subgraph() const { return *subgraph_; }
  const std::vector<Selection>& selections() const { return selections_; }
  // The partition index the op was selected for, or -1.
  int32_t PartitionOf(OpId op) const;

  const HostFaults* faults = nullptr;

 private:
  const HostSubgraph* subgraph_;
  std::vector<Selection> selections_;
  std::vector<int32_t> partition_of_;  // by op id, -1 = not selected
};

// One selected-ops list for every subgraph of a model. The model must outlive it.
class ModelSelection {
 public:
  explicit ModelSelection(const HostModel& model);
  const HostModel& model() const { return *model_; }
  size_t size() const { return per_subgraph_.size(); }
  HostSelectedOps& operator[](size_t subgraph) { return per_subgraph_.at(subgraph); }
  const HostSelectedOps& operator[](size_t subgraph) const { return per_subgraph_.at(subgraph); }

 private:
  const HostModel* model_;
  std::deque<HostSelectedOps> per_subgraph_;
};

// Where a partition of the compile model came from.
struct Partition {
  size_t source_subgraph;
  int32_t partition_index;
  std::vector<OpId> source_ops;          // in execution order
  std::vector<TensorId> source_tensors;  // partition tensor id -> source tensor id
  std::vector<TensorId> source_inputs;   // the partition's inputs, in source numbering
  std::vector<TensorId> source_outputs;  // the partition's outputs, in source numbering
};

struct PartitionedModel {
  // Subgraph i is partition i. Shares its weight buffers with the source model.
  std::unique_ptr<HostModel> model;
  std::vector<Partition> partitions;
};

// Forms the partitions of every subgraph, subgraph by subgraph, and builds the compile model.
PartitionedModel FormPartitions(const ModelSelection& selection);

}  // namespace zorvel::host

#endif  // ZORVEL_HOST_HOST_PARTITION_H_
