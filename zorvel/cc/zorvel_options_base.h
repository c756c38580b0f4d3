#ifndef ZORVEL_CC_ZORVEL_OPTIONS_BASE_H_
#define ZORVEL_CC_ZORVEL_OPTIONS_BASE_H_

// Vendor options as the plug-in keeps them, and the view of the host's options object through
// which their payloads are found.

#include <string>

#include "absl/strings/str_cat.h"
#include "zorvel/c/zorvel_common.h"
#include "zorvel/c/zorvel_host_api.h"
#include "zorvel/c/zorvel_model_types.h"
#include "zorvel/cc/internal/zorvel_detail.h"
#include "zorvel/cc/zorvel_expected.h"

namespace zorvel {

// Parsed vendor options of one kind, owned by the plug-in object.
class ConcreteOptionsBase {
 public:
  using PayloadRelease = void (*)(void* payload);

  virtual ~ConcreteOptionsBase() = default;

  // Writes the options back as a vendor entry: `*identifier` names the entry (a static text),
  // `*payload` is a new allocation the caller frees with `*release`. On failure nothing is handed
  // out.
  virtual ZorvelStatus Serialize(const char** identifier, void** payload,
                                 PayloadRelease* release) const = 0;
};

// Non-owning view of a host options object, read and written through host entries 34, 35 and 36
// (the compiler only ever reads). A null table or entry is status 6, a failing host status passes
// through; both come with the standard error context.
class HostOptionsWrapper {
 public:
  HostOptionsWrapper(const HostApiTable* host_api, ZorvelOptions options)
      : host_api_(host_api), options_(options) {}

  ZorvelOptions options() const { return options_; }

  // The payload of the vendor entry named `identifier` (entry 34, then 35). A null handle or
  // payload is status 1.
  Expected<void*> FindOpaqueOptionsData(const char* identifier) const {
    ZORVEL_ASSIGN_OR_RETURN(const ZorvelOpaqueOptions opaque, GetOpaqueOptions());
    void* payload = nullptr;
    ZORVEL_RETURN_IF_ERROR(ZORVEL_HOST_CALL(kZorvelStatusErrorMissingHostEntry, host_api_,
                                            find_opaque_options_data, opaque, identifier,
                                            &payload));
    if (payload == nullptr) {
      return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument,
                          absl::StrCat("Null payload for vendor options ", identifier));
    }
    return payload;
  }

  // Writes `vendor_options` into the host's options object (entry 34, then 36), which takes over
  // the payload. When the host refuses it, the payload is freed here.
  Expected<void> AppendOpaqueOptions(const ConcreteOptionsBase& vendor_options) const {
    ZORVEL_ASSIGN_OR_RETURN(const ZorvelOpaqueOptions opaque, GetOpaqueOptions());
    const char* identifier = nullptr;
    void* payload = nullptr;
    ConcreteOptionsBase::PayloadRelease release = nullptr;
    const ZorvelStatus serialized = vendor_options.Serialize(&identifier, &payload, &release);
    if (serialized != kZorvelStatusOk) return ZORVEL_ERROR(serialized, "");
    Expected<void> appended =
        ZORVEL_HOST_CALL(kZorvelStatusErrorMissingHostEntry, host_api_, append_opaque_options,
                         opaque, identifier, payload, release);
    if (!appended) release(payload);
    return appended;
  }

 private:
  Expected<ZorvelOpaqueOptions> GetOpaqueOptions() const {
    if (options_ == nullptr) return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument, "Null options");
    ZorvelOpaqueOptions opaque = nullptr;
    ZORVEL_RETURN_IF_ERROR(ZORVEL_HOST_CALL(kZorvelStatusErrorMissingHostEntry, host_api_,
                                            get_opaque_options, options_, &opaque));
    if (opaque == nullptr) {
      return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument, "Null opaque options");
    }
    return opaque;
  }

  const HostApiTable* host_api_;
  ZorvelOptions options_;
};

}  // namespace zorvel

#endif  // ZORVEL_CC_ZORVEL_OPTIONS_BASE_H_
