#include "zorvel/vendors/intel_openvino/compiler/intel_openvino_options_reader.h"

#include <exception>
#include <string>
#include <utility>

#include "absl/strings/str_cat.h"
#include "zorvel/c/options/zorvel_intel_openvino_options.h"

namespace zorvel::openvino {
namespace {

using intel_openvino::IntelOpenVinoOptions;

constexpr char kAbsentOptions[] = "Null Intel OpenVINO options";

// The error of options that are not there. The reason is dropped so that it cannot attach itself
// to an unrelated later error of the same status.
Error Absent() {
  StatusIsFailure(kZorvelStatusOk);
  return MakeError(kZorvelStatusErrorInvalidArgument, kAbsentOptions);
}

Error Unreadable(ZorvelStatus status, const std::string& reason) {
  StatusIsFailure(kZorvelStatusOk);
  return MakeError(
      status, absl::StrCat("The Intel OpenVINO options could not be read from the host: ", reason));
}

}  // namespace

Expected<std::shared_ptr<const IntelOpenVinoOptions>> ReadIntelOpenVinoOptions(
    const HostApiTable* host_api, ZorvelOptions options) {
  if (options == nullptr) return Absent();
  if (host_api == nullptr) {
    return Unreadable(kZorvelStatusErrorMissingHostEntry, "there is no host API table");
  }
  // The two entries are called here rather than through HostOptionsWrapper so that the reason
  // names the entry that failed.
  if (host_api->get_opaque_options == nullptr) {
    return Unreadable(kZorvelStatusErrorMissingHostEntry,
                      "host API entry 34 (get_opaque_options) is missing");
  }
  if (host_api->find_opaque_options_data == nullptr) {
    return Unreadable(kZorvelStatusErrorMissingHostEntry,
                      "host API entry 35 (find_opaque_options_data) is missing");
  }
  try {
    ZorvelOpaqueOptions opaque = nullptr;
    const ZorvelStatus opaque_status = host_api->get_opaque_options(options, &opaque);
    // Status 3 is the host's "not there": the user asked for nothing.
    if (opaque_status == kZorvelStatusErrorNotFound) return Absent();
    if (opaque_status != kZorvelStatusOk) {
      return Unreadable(opaque_status, absl::StrCat("host API entry 34 (get_opaque_options) "
                                                    "failed with status ",
                                                    opaque_status));
    }
    if (opaque == nullptr) {
      return Unreadable(kZorvelStatusErrorInvalidArgument,
                        "host API entry 34 (get_opaque_options) gave a null handle");
    }
    void* payload = nullptr;
    const ZorvelStatus find_status = host_api->find_opaque_options_data(
        opaque, intel_openvino::kIntelOpenVinoOptionsIdentifier, &payload);
    if (find_status == kZorvelStatusErrorNotFound) return Absent();
    if (find_status != kZorvelStatusOk) {
      return Unreadable(find_status, absl::StrCat("host API entry 35 (find_opaque_options_data) "
                                                  "failed with status ",
                                                  find_status));
    }
    if (payload == nullptr) {
      return Unreadable(kZorvelStatusErrorInvalidArgument,
                        "host API entry 35 (find_opaque_options_data) gave a null payload");
    }
    Expected<std::unique_ptr<IntelOpenVinoOptions>> created =
        IntelOpenVinoOptions::Create(static_cast<const char*>(payload));
    if (created) return std::shared_ptr<const IntelOpenVinoOptions>(std::move(created).Value());
    return Absent();
  } catch (const std::exception& e) {
    return Unreadable(kZorvelStatusErrorInvalidArgument, e.what());
  }
}

bool IsAbsentOptions(const Error& error) {
  return error.Status() == kZorvelStatusErrorInvalidArgument && error.Message() == kAbsentOptions;
}

}  // namespace zorvel::openvino
