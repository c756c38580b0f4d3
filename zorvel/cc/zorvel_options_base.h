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
// (34, 35 and 36) copied at construction; the compiler only ever reads. A null table, handle or
// entry shows up as an error when the entry is needed.
class HostOptionsWrapper {
 public:
  HostOptionsWrapper(const HostApiTable* host_api, ZorvelOptions options)
      : options_(options),
        get_opaque_options_(host_api == nullptr ? nullptr : host_api->get_opaque_options),
        find_opaque_options_data_(host_api == nullptr ? nullptr
                                                      : host_api->find_opaque_options_data),
        append_opaque_options_(host_api == nullptr ? nullptr : host_api->append_opaque_options) {}

  ZorvelOptions options() const { return options_; }

  // The payload of the vendor entry named `identifier` (entry 34, then 35). Fails with 6 for a
  // missing entry, 1 for a null handle or a null payload, and the host's status otherwise.
  Expected<void*> FindOpaqueOptionsData(const char* identifier) const {
    if (options_ == nullptr) return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument, "Null options");
    if (get_opaque_options_ == nullptr) {
      return ZORVEL_ERROR(kZorvelStatusErrorMissingHostEntry,
                          "Missing host API entry get_opaque_options");
    }
    if (find_opaque_options_data_ == nullptr) {
      return ZORVEL_ERROR(kZorvelStatusErrorMissingHostEntry,
                          "Missing host API entry find_opaque_options_data");
    }
    ZorvelOpaqueOptions opaque = nullptr;
    const ZorvelStatus opaque_status = get_opaque_options_(options_, &opaque);
    if (opaque_status != kZorvelStatusOk) return ZORVEL_ERROR(opaque_status, "");
    if (opaque == nullptr) {
      return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument, "Null opaque options");
    }
    void* payload = nullptr;
    const ZorvelStatus find_status = find_opaque_options_data_(opaque, identifier, &payload);
    if (find_status != kZorvelStatusOk) return ZORVEL_ERROR(find_status, "");
    if (payload == nullptr) {
      return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument,
                          absl::StrCat("Null payload for vendor options ", identifier));
    }
    return payload;
  }

  // Writes `vendor_options` into the host's options object (entry 34, then 36), which takes over
  // the payload. On failure the payload is freed here.
  Expected<void> AppendOpaqueOptions(const ConcreteOptionsBase& vendor_options) const {
    if (options_ == nullptr) return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument, "Null options");
    if (get_opaque_options_ == nullptr) {
      return ZORVEL_ERROR(kZorvelStatusErrorMissingHostEntry,
                          "Missing host API entry get_opaque_options");
    }
    if (append_opaque_options_ == nullptr) {
      return ZORVEL_ERROR(kZorvelStatusErrorMissingHostEntry,
                          "Missing host API entry append_opaque_options");
    }
    ZorvelOpaqueOptions opaque = nullptr;
    const ZorvelStatus opaque_status = get_opaque_options_(options_, &opaque);
    if (opaque_status != kZorvelStatusOk) return ZORVEL_ERROR(opaque_status, "");
    if (opaque == nullptr) {
      return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument, "Null opaque options");
    }
    const char* identifier = nullptr;
    void* payload = nullptr;
    ConcreteOptionsBase::PayloadRelease release = nullptr;
    const ZorvelStatus serialize_status = vendor_options.Serialize(&identifier, &payload, &release);
    if (serialize_status != kZorvelStatusOk) return ZORVEL_ERROR(serialize_status, "");
    const ZorvelStatus append_status = append_opaque_options_(opaque, identifier, payload, release);
    if (append_status != kZorvelStatusOk) {
      release(payload);
      return ZORVEL_ERROR(append_status, "");
    }
    return {};
  }

 private:
  ZorvelOptions options_;
  decltype(HostApiTable::get_opaque_options) get_opaque_options_;
  decltype(HostApiTable::find_opaque_options_data) find_opaque_options_data_;
  decltype(HostApiTable::append_opaque_options) append_opaque_options_;
};

}  // namespace zorvel

#endif  // ZORVEL_CC_ZORVEL_OPTIONS_BASE_H_
