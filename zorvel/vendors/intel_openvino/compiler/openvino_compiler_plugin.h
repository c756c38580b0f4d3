#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_COMPILER_PLUGIN_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_COMPILER_PLUGIN_H_

#include <memory>
#include <string>
#include <vector>

#include "zorvel/c/zorvel_host_api.h"
#include "zorvel/c/zorvel_plugin_api.h"
#include "zorvel/cc/options/zorvel_intel_openvino_options.h"
#include "zorvel/cc/zorvel_expected.h"
#include "zorvel/cc/zorvel_options_base.h"

namespace zorvel::openvino {

// The constant table handed to the host by the query function.
const PluginApiTable& GetPluginApiTable();

}  // namespace zorvel::openvino

// The plug-in object. Immutable after creation; the host owns the table and every handle.
struct ZorvelCompilerPluginT {
  const HostApiTable* host_api;
  zorvel::Expected<zorvel::HostOptionsWrapper> options;
  zorvel::Expected<std::shared_ptr<const zorvel::intel_openvino::IntelOpenVinoOptions>>
      intel_openvino_options;
};

// What compile hands to the host: byte-code modules and one call name per partition, sized to the
// number of partitions before compilation starts so that they correspond by index.
struct ZorvelCompiledResultT {
  std::vector<std::string> byte_code;
  std::vector<std::string> call_names;
};

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_OPENVINO_COMPILER_PLUGIN_H_
