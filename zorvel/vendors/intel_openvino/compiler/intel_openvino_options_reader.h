#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_INTEL_OPENVINO_OPTIONS_READER_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_INTEL_OPENVINO_OPTIONS_READER_H_

#include <memory>

#include "zorvel/c/zorvel_host_api.h"
#include "zorvel/c/zorvel_model_types.h"
#include "zorvel/cc/options/zorvel_intel_openvino_options.h"
#include "zorvel/cc/zorvel_expected.h"

namespace zorvel::openvino {

// The vendor-options step of plug-in creation: finds the "intel_openvino" entry of the host's
// options object (host entries 34, then 35) and parses its payload.
//
// Every failure (a null table, handle or entry, a failing host status, no such entry, a malformed
// payload) yields the same error, status 1 "Null Intel OpenVINO options": the plug-in then runs
// with its defaults. Nothing is logged, no pending error is left behind and nothing throws.
Expected<std::shared_ptr<const intel_openvino::IntelOpenVinoOptions>> ReadIntelOpenVinoOptions(
    const HostApiTable* host_api, ZorvelOptions options);

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_INTEL_OPENVINO_OPTIONS_READER_H_
