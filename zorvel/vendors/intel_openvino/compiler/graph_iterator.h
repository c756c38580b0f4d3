#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_GRAPH_ITERATOR_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_GRAPH_ITERATOR_H_

// One host subgraph presented to the tensorflow_lite front end as a flat walk of nodes:
// positions 0 .. inputs-1 are the graph inputs, then come the graph outputs, then the ops in
// execution order. Everything is read through the host table while the front end walks.
//
//   auto iterator = std::make_shared<GraphIteratorDelegate>(api, &subgraph, "NPU");
//   ov::Any
//   source(std::static_pointer_cast<ov::frontend::tensorflow_lite::GraphIterator>(iterator)); auto
//   input_model = front_end.load(source);

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "logging/zorvel_logging.h"
#include "openvino/frontend/tensorflow_lite/decoder.hpp"
#include "openvino/frontend/tensorflow_lite/graph_iterator.hpp"
#include "zorvel/c/zorvel_host_api.h"
#include "zorvel/compiler/cc/zorvel_model.h"

namespace zorvel::openvino {

class GraphIteratorDelegate : public ov::frontend::tensorflow_lite::GraphIterator {
 public:
  // `device` is the target device text ("CPU", "GPU" or "NPU"); it decides how signed 2-bit
  // weights are rewritten. The host objects must outlive the iterator and its decoders.
  GraphIteratorDelegate(const HostApiTable* host_api, const Subgraph* subgraph, std::string device);
  ~GraphIteratorDelegate() override;

  size_t size() const override;
  void reset() override { position_ = 0; }
  void next() override { ++position_; }
  bool is_end() const override { return position_ == size(); }

  // The decoder of the node at the current position. Constant data points into host memory, or
  // into this iterator's rewritten copies, which the next call frees: the front end consumes a
  // node's constants before it asks for the next node. A node whose tensors cannot be handed on
  // safely (an unknown quantization kind or element type, a negative extent, a size beyond 64
  // bits, a zero point outside its type, a per-channel record that does not fit, signed 2-bit
  // data that is not a constant, a constant shorter than its shape) throws ov::Exception naming
  // the node and the tensor; so does every node of a subgraph in which two tensors share a name
  // or one tensor has two producers. A failed host read throws HostReadError naming the entry,
  // the object and the node position.
  std::shared_ptr<ov::frontend::tensorflow_lite::DecoderBase> get_decoder() const override;

  size_t get_subgraph_size() const override { return 0; }
  std::shared_ptr<ov::frontend::tensorflow_lite::GraphIterator> get_subgraph(
      size_t idx) const override {
    ZORVEL_LOG_ERROR("get_subgraph not implemented");
    return nullptr;
  }

  // Fills `info` from the host's description of `tensor`; false for a quantization kind the
  // front end has no form for (the info is then partly filled). A host read that fails, the
  // ranked type included, throws HostReadError.
  bool DescribeTensor(const Tensor& tensor,
                      ov::frontend::tensorflow_lite::TensorMetaInfo& info) const;

 private:
  std::shared_ptr<ov::frontend::tensorflow_lite::DecoderBase> DecoderAtPosition() const;
  std::shared_ptr<ov::frontend::tensorflow_lite::DecoderBase> OperationDecoder(
      uint64_t op_index) const;
  // Signed 2-bit weights rewritten for the device; `info` then points at the copy.
  void ConvertToU2(const Tensor& tensor, ov::frontend::tensorflow_lite::TensorMetaInfo& info) const;
  void ConvertToI4(const Tensor& tensor, ov::frontend::tensorflow_lite::TensorMetaInfo& info) const;

  const HostApiTable* host_api_;
  uint64_t position_ = 0;
  Subgraph subgraph_;
  int64_t input_count_ = 0;
  int64_t output_count_ = 0;
  int64_t op_count_ = 0;
  std::string device_;
  // The rewritten 2-bit weights of the node decoded last.
  mutable std::vector<std::vector<uint8_t>> converted_buffers_;
  // Whether the subgraph's names and producers were checked (on the first get_decoder call).
  mutable bool subgraph_checked_ = false;
  // Input node k is subgraph input input_indices_[k]: the inputs that no op produces and that are
  // not constants, in list order.
  std::vector<uint64_t> input_indices_;
};

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_GRAPH_ITERATOR_H_
