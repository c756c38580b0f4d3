#ifndef ZORVEL_CC_ZORVEL_OPTIONS_BASE_H_
#define ZORVEL_CC_ZORVEL_OPTIONS_BASE_H_

// Vendor options as the plug-in keeps them, and the view of the host's options object through
// which their payloads are found.

#include <string>

#include "absl/strings/str_cat.h"
#include "zorvel/c/zorvel_common.h"
#include "zorvel/c/zorvel_host_api.h"
#include "zorvel/c/zorvel_model_types.h"
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

// Non-owning view of a host options object, with the host entries that reach its vendor entries
// (34, 35 and 36) copied at construction; the compiler only ever reads. A null table or entry is
// status 6 and a failing host status passes through, both with the standard error context.
class HostOptionsWrapper {
 public:
  HostOptionsWrapper(const HostApiTable* host_api, ZorvelOptions options)
      : options_(options),
        get_opaque_options_(host_api == nullptr ? nullptr : host_api->get_opaque_options),
        find_opaque_options_data_(host_api == nullptr ? nullptr
                                                      : host_api->find_opaque_options_data),
        append_opaque_options_(host_api == nullptr ? nullptr : host_api->append_opaque_options) {}

  ZorvelOptions options() const { return options_; }

  // The payload of the vendor entry named `identifier` (entry 34, then 35). A null handle or
  // payload is status 1.
  Expected<void*> FindOpaqueOptionsData(const char* identifier) const {
    ZORVEL_ASSIGN_OR_RETURN(const ZorvelOpaqueOptions opaque, GetOpaqueOptions());
    void* payload = nullptr;
    ZORVEL_RETURN_IF_ERROR(
        Call(find_opaque_options_data_, "find_opaque_options_data", opaque, identifier, &payload));
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
        Call(append_opaque_options_, "append_opaque_options", opaque, identifier, payload, release);
    if (!appended) release(payload);
    return appended;
  }

 private:
  template <typename Entry, typename... Args>
  static Expected<void> Call(Entry entry, const char* name, Args... args) {
    if (entry == nullptr) {
      return ZORVEL_ERROR(kZorvelStatusErrorMissingHostEntry,
                          absl::StrCat("Missing host API entry ", name));
    }
    const ZorvelStatus status = entry(args...);
    if (status != kZorvelStatusOk) return ZORVEL_ERROR(status, "");
    return {};
  }

  Expected<ZorvelOpaqueOptions> GetOpaqueOptions() const {
    if (options_ == nullptr) return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument, "Null options");
    ZorvelOpaqueOptions opaque = nullptr;
    ZORVEL_RETURN_IF_ERROR(Call(get_opaque_options_, "get_opaque_options", options_, &opaque));
    if (opaque == nullptr) {
      return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument, "Null opaque options");
    }
    return opaque;
  }

  ZorvelOptions options_;
  decltype(HostApiTable::get_opaque_options) get_opaque_options_;
  decltype(HostApiTable::find_opaque_options_data) find_opaque_options_data_;
  decltype(HostApiTable::append_opaque_options) append_opaque_options_;
};

}  // namespace zorvel

#endif  // ZORVEL_CC_ZORVEL_OPTIONS_BASE_H_
