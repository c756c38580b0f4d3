#pragma once

#include <cstddef>
#include <memory>

#include "openvino/core/runtime_attribute.hpp"
#include "openvino/frontend/tensorflow_lite/decoder.hpp"
#include "openvino/frontend/tensorflow_lite/visibility.hpp"

namespace ov::frontend::tensorflow_lite {

// A flat walk over one graph. Nodes come in this order: one DecoderBaseTensor per model input
// in input order, one per model output in output order, then the DecoderBaseOperations in
// topological order. Constants have no node of their own; they arrive as operation inputs with
// tensor data.
class TENSORFLOW_LITE_FRONTEND_API GraphIterator : ::ov::RuntimeAttribute {
 public:
  using Ptr = std::shared_ptr<GraphIterator>;

  // Number of nodes.
  virtual size_t size() const = 0;

  // Back to the first node.
  virtual void reset() = 0;

  virtual void next() = 0;

  // True past the last node.
  virtual bool is_end() const = 0;

  // Decoder of the current node.
  virtual std::shared_ptr<DecoderBase> get_decoder() const = 0;

  // Number of graphs get_subgraph() addresses; index 0 is the main graph.
  virtual size_t get_subgraph_size() const = 0;

  // Iterator over subgraph idx, built on request.
  virtual std::shared_ptr<GraphIterator> get_subgraph(size_t idx) const = 0;

  virtual ~GraphIterator();
};

}  // namespace ov::frontend::tensorflow_lite
