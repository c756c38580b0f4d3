#include "zorvel/host/host_partition.h"

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

// Who reads each tensor of a subgraph, computed once for all its partitions.
struct TensorUses {
  explicit TensorUses(const HostSubgraph& sg)
      : consumers(sg.num_tensors()), is_output(sg.num_tensors(), false) {
    for (OpId op = 0; op < sg.num_ops(); ++op) {
      for (const HostTensor* t : sg.op(op).inputs) {
        std::vector<OpId>& readers = consumers[t->index];
        if (readers.empty() || readers.back() != op) readers.push_back(op);
      }
    }
    for (const HostTensor* t : sg.outputs()) is_output[t->index] = true;
  }
  std::vector<std::vector<OpId>> consumers;  // by tensor id, in execution order
  std::vector<bool> is_output;
};

// Copies the ops [first, last] of `source` into a new subgraph of `target`.
Partition BuildPartition(const HostSubgraph& source, const TensorUses& uses, OpId first, OpId last,
                         int32_t partition_index, HostModel& target) {
  Partition partition;
  partition.source_subgraph = source.index();
  partition.partition_index = partition_index;
  std::set<TensorId> produced;
  for (OpId id = first; id <= last; ++id) {
    partition.source_ops.push_back(id);
    for (const HostTensor* t : source.op(id).outputs) produced.insert(t->index);
  }

  // Inputs in order of first use; constants stay constants.
  std::set<TensorId> used;
  for (OpId id = first; id <= last; ++id) {
    const HostOp& op = source.op(id);
    for (const HostTensor* t : op.inputs) {
      const bool first_use = used.insert(t->index).second;
      if (first_use && !produced.count(t->index) && t->weights.buffer == nullptr) {
        partition.source_inputs.push_back(t->index);
      }
    }
    for (const HostTensor* t : op.outputs) used.insert(t->index);
  }
  // Outputs in order of production: read by an op after the run, or a subgraph output. Ops
  // before the run cannot read them: the ops are in execution order.
  for (OpId id = first; id <= last; ++id) {
    for (const HostTensor* t : source.op(id).outputs) {
      const std::vector<OpId>& readers = uses.consumers[t->index];
      if (uses.is_output[t->index] || (!readers.empty() && readers.back() > last)) {
        partition.source_outputs.push_back(t->index);
      }
    }
  }

  HostSubgraph& sub = target.AddSubgraph();
  std::map<TensorId, TensorId> to_partition;
  for (TensorId source_id : used) {  // ascending: the source's relative order is kept
    const HostTensor& t = source.tensor(source_id);
    const TensorId id = sub.AddTensor(t.name, t.type, t.quantization);
    if (t.weights.buffer != nullptr) {
      // Same buffer object, same id: the compile model shares the source's bytes.
      HostTensor& copy = sub.tensor(id);
      copy.weights.buffer = t.weights.buffer;
      copy.weights.buffer_id = t.weights.buffer_id;
      if (t.weights.buffer_id >= 0) target.AddBufferWithId(t.weights.buffer_id, t.weights.buffer);
    }
    to_partition[source_id] = id;
    partition.source_tensors.push_back(source_id);
  }
  for (TensorId source_id : partition.source_inputs) sub.MarkInput(to_partition[source_id]);
  for (OpId op_id = first; op_id <= last; ++op_id) {
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
  for (size_t s = 0; s < selection.size(); ++s) {
    const HostSubgraph& source = model.subgraph(s);
    const HostSelectedOps& selected = selection[s];
    const TensorUses uses(source);
    OpId op = 0;
    while (op < source.num_ops()) {
      const int32_t partition = selected.PartitionOf(op);
      if (partition < 0) {
        ++op;
        continue;
      }
      OpId last = op;
      while (last + 1 < source.num_ops() && selected.PartitionOf(last + 1) == partition) ++last;
      result.partitions.push_back(BuildPartition(source, uses, op, last, partition, *result.model));
      op = last + 1;
    }
  }
  return result;
}

}  // namespace zorvel::host
