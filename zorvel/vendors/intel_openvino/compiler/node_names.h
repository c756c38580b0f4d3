#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NODE_NAMES_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NODE_NAMES_H_

// Friendly names for the nodes that were created without one. OpenVINO names such a node after
// its type and a process-wide instance counter ("Multiply_1234"), and the exported blob stores
// that name, so the same model would compile to different bytes depending on what ran before in
// the process. Naming those nodes from the graph itself makes the bytes depend on the model only.

#include <cstdint>
#include <memory>

#include "openvino/core/model.hpp"

namespace zorvel::openvino {

// Gives every node of `model` whose friendly name is still the counter-made default (or a copy of
// one on a node of the same type, as a rewrite that moves a node leaves it) a name made
// of the name of the node producing its first input and its own type ("CONV_2D_id_3/Convert"),
// with "_<n>" appended to the second and later nodes that would share a name. A node without
// inputs is named by its type alone ("Constant", "Constant_1", ...). Nodes are visited in
// topological order, so a chain of unnamed nodes is named after the named node it starts at.
// Returns the number of nodes named.
uint64_t NameUnnamedNodes(const std::shared_ptr<ov::Model>& model);

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NODE_NAMES_H_
