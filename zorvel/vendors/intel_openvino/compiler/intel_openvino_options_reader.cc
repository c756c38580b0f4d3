#include "zorvel/vendors/intel_openvino/compiler/intel_openvino_options_reader.h"

#include <exception>
#include <utility>

#include "zorvel/c/options/zorvel_intel_openvino_options.h"
#include "zorvel/cc/zorvel_options_base.h"

namespace zorvel::openvino {

using intel_openvino::IntelOpenVinoOptions;

Expected<std::shared_ptr<const IntelOpenVinoOptions>> ReadIntelOpenVinoOptions(
    const HostApiTable* host_api, ZorvelOptions options) {
  try {
    const HostOptionsWrapper host_options(host_api, options);
    const Expected<void*> payload =
        host_options.FindOpaqueOptionsData(intel_openvino::kIntelOpenVinoOptionsIdentifier);
    if (payload) {
      Expected<std::unique_ptr<IntelOpenVinoOptions>> created =
          IntelOpenVinoOptions::Create(static_cast<const char*>(*payload));
      if (created) return std::shared_ptr<const IntelOpenVinoOptions>(std::move(created).Value());
    }
  } catch (const std::exception&) {
    // Out of memory while parsing: the plug-in runs with its defaults, as for any other failure.
  }
  // Absent or unusable options are an ordinary outcome of creation. The reason is dropped so that
  // it cannot attach itself to an unrelated later error of the same status.
  StatusIsFailure(kZorvelStatusOk);
  return MakeError(kZorvelStatusErrorInvalidArgument, "Null Intel OpenVINO options");
}

}  // namespace zorvel::openvino
