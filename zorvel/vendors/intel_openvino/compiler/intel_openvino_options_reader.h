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
// Options that are simply not there (no options object, no "intel_openvino" entry, status 3 from
// the host) and a payload that does not parse yield status 1 "Null Intel OpenVINO options": the
// plug-in then runs with its defaults. When the host cannot say what the options are (a null
// table or entry, any other failing status, a null handle or payload from a successful call) the
// error says why, with the host's status (6 for a missing entry); the compile that follows refuses
// rather than compile with defaults the user did not ask for (see IsAbsentOptions). Nothing is
// logged, no pending error is left behind and nothing throws.
Expected<std::shared_ptr<const intel_openvino::IntelOpenVinoOptions>> ReadIntelOpenVinoOptions(
    const HostApiTable* host_api, ZorvelOptions options);

// True for the error of options that are absent (defaults apply), false for options the host
// could not deliver.
bool IsAbsentOptions(const Error& error);

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_INTEL_OPENVINO_OPTIONS_READER_H_
