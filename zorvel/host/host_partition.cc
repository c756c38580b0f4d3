#include "zorvel/host/host_partition.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace zorvel::host {

HostSelectedOps::HostSelectedOps(const HostSubgraph& subgraph)
    : HandleTag(HandleKind::kSelectedOps),
      subgraph_(&subgraph),
      partition_of_(subgraph.num_ops(), -1) {}

ZorvelStatus HostSelectedOps::Add(const HostOp& op, int32_t partition_index) {
  if (op.subgraph != subgraph_ || op.index >= partition_of_.size()) {
    return kZorvelStatusErrorInvalidArgument;
  }
  if (partition_index < 0 || partition_of_[op.index] >= 0) {
    return kZorvelStatusErrorInvalidArgument;
  }
  partition_of_[op.index] = partition_index;
  selections_.push_back(Selection{op.index, partition_index});
  return kZorvelStatusOk;
}

int32_t HostSelectedOps::PartitionOf(OpId op) const {
  return op < partition_of_.size() ? partition_of_[op] : -1;
}

ModelSelection::ModelSelection(const HostModel& model) : model_(&model) {
  for (size_t i = 0; i < model.num_subgraphs(); ++i) per_subgraph_.emplace_back(model.subgraph(i));
}

namespace {

// Copies the ops `run` of `source` into a new subgraph of `target`.
Partition BuildPartition(const HostSubgraph& source, const std::vector<OpId>& run,
                         int32_t partition_index, HostModel& target) {
  std::set<const HostOp*> in_run;
  for (OpId id : run) in_run.insert(&source.op(id));

  std::set<TensorId> produced;
  for (OpId id : run) {
    for (const HostTensor* t : source.op(id).outputs) produced.insert(t->index);
  }

  Partition partition;
  partition.source_subgraph = source.index();
  partition.partition_index = partition_index;
  partition.source_ops = run;

  // Inputs in order of first use; constants stay constants.
  std::set<TensorId> used;
  for (OpId id : run) {
    const HostOp& op = source.op(id);
    for (const HostTensor* t : op.inputs) {
      used.insert(t->index);
      if (produced.count(t->index) || t->weights.buffer != nullptr) continue;
      if (std::find(partition.source_inputs.begin(), partition.source_inputs.end(), t->index) ==
          partition.source_inputs.end()) {
        partition.source_inputs.push_back(t->index);
      }
    }
    for (const HostTensor* t : op.outputs) used.insert(t->index);
  }
  // Outputs in order of production: read by an op outside the run, or a subgraph output.
  for (OpId id : run) {
    for (const HostTensor* t : source.op(id).outputs) {
      bool read_outside = source.IsOutput(t->index);
      for (const HostOp* consumer : source.Consumers(t->index)) {
        if (!in_run.count(consumer)) read_outside = true;
      }
      if (read_outside) partition.source_outputs.push_back(t->index);
    }
  }

  HostSubgraph& sub = target.AddSubgraph();
  std::map<TensorId, TensorId> to_partition;
  for (TensorId source_id : used) {  // ascending: the source's relative order is kept
    const HostTensor& t = source.tensor(source_id);
    TensorId id;
    if (t.weights.buffer != nullptr && !produced.count(source_id)) {
      HostTensor& copy = sub.tensor(sub.AddTensor(t.name, t.type, t.quantization));
      copy.weights.buffer = t.weights.buffer;
      copy.weights.buffer_id = t.weights.buffer_id;
      if (t.weights.buffer_id >= 0) target.AddBufferWithId(t.weights.buffer_id, t.weights.buffer);
      id = copy.index;
    } else {
      id = sub.AddTensor(t.name, t.type, t.quantization);
    }
    to_partition[source_id] = id;
    partition.source_tensors.push_back(source_id);
  }
  for (TensorId source_id : partition.source_inputs) sub.MarkInput(to_partition[source_id]);
  for (OpId op_id : run) {
    const HostOp& op = source.op(op_id);
    std::vector<TensorId> inputs, outputs;
    for (const HostTensor* t : op.inputs) inputs.push_back(to_partition[t->index]);
    for (const HostTensor* t : op.outputs) outputs.push_back(to_partition[t->index]);
    HostOp& copy = sub.AddOp(op.op_code, inputs, outputs);
    copy.composite = op.composite;
    copy.options = op.options;
  }
  for (TensorId source_id : partition.source_outputs) sub.AddOutput(to_partition[source_id]);
  return partition;
}

}  // namespace

PartitionedModel FormPartitions(const ModelSelection& selection) {
  const HostModel& model = selection.model();
  PartitionedModel result;
  result.model = std::make_unique<HostModel>();
  for (size_t s = 0; s < model.num_subgraphs(); ++s) {
    const HostSubgraph& source = model.subgraph(s);
    const HostSelectedOps& selected = selection[s];
    std::vector<OpId> run;
    int32_t run_partition = -1;
    auto flush = [&] {
      if (!run.empty()) {
        result.partitions.push_back(BuildPartition(source, run, run_partition, *result.model));
      }
      run.clear();
    };
    for (OpId op = 0; op < source.num_ops(); ++op) {
      const int32_t partition = selected.PartitionOf(op);
      if (partition < 0 || partition != run_partition) flush();
      if (partition >= 0) {
        run.push_back(op);
        run_partition = partition;
      }
    }
    flush();
  }
  return result;
}

}  // namespace zorvel::host
