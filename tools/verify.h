#ifndef TOOLS_VERIFY_H_
#define TOOLS_VERIFY_H_

// `zorvel-ov verify`: every compiled partition imported on its device and run on deterministic
// inputs, against the host subgraph it came from, translated by the tensorflow_lite front end
// without the plug-in's NPU rewrites and evaluated directly.

#include <string>
#include <vector>

#include "tools/compile_session.h"

namespace zorvel::tools {

struct PartitionCheck {
  std::string call_name;
  std::string device;
  size_t num_outputs = 0;
  double max_abs_error = 0;  // over every output element
  double max_abs_reference = 0;
  // The same per output, in output order.
  struct Output {
    std::string name;  // the compiled output's tensor name, empty when it has none
    double max_abs_error = 0;
    double max_abs_reference = 0;
  };
  std::vector<Output> outputs;
  std::string failure;  // set when the partition could not be imported, run or compared
};

std::vector<PartitionCheck> VerifyPartitions(const CompileRun& run);

}  // namespace zorvel::tools

#endif  // TOOLS_VERIFY_H_
