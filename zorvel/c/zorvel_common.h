#ifndef ZORVEL_C_ZORVEL_COMMON_H_
#define ZORVEL_C_ZORVEL_COMMON_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Status shared with the host. Host statuses other than these pass through unchanged.
typedef int32_t ZorvelStatus;

enum {
  kZorvelStatusOk = 0,
  // A required pointer is null, an index is past the end of a list, or a check failed.
  kZorvelStatusErrorInvalidArgument = 1,
  // Composite-option reads report a missing host entry with this value.
  kZorvelStatusErrorNotFound = 3,
  kZorvelStatusErrorUnsupported = 5,
  // A host API table entry the plug-in needs is absent.
  kZorvelStatusErrorMissingHostEntry = 6,
  kZorvelStatusErrorCompilation = 504,
  kZorvelStatusErrorIndexOutOfRange = 1000,
};

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // ZORVEL_C_ZORVEL_COMMON_H_
