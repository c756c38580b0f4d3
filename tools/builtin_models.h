#ifndef TOOLS_BUILTIN_MODELS_H_
#define TOOLS_BUILTIN_MODELS_H_

#include <memory>

#include "zorvel/host/host_model.h"

namespace zorvel::tools {

// A small model with something of each kind the partitioner decides on: convolution and
// activations it takes, an op it leaves to the host, TOPK_V2 with a constant and with a computed
// K, and two composites of which it takes only RMS normalisation.
std::unique_ptr<host::HostModel> BuildSmallPartitionModel();

}  // namespace zorvel::tools

#endif  // TOOLS_BUILTIN_MODELS_H_
