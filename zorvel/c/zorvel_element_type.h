#ifndef ZORVEL_C_ZORVEL_ELEMENT_TYPE_H_
#define ZORVEL_C_ZORVEL_ELEMENT_TYPE_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Element type of a host tensor, as reported in the ranked tensor type record (entry 18) or for an
// unranked tensor (entry 19). Codes are stable: they are stored in models and compared by value.
typedef int32_t ZorvelElementType;

enum {
  kZorvelElementTypeNone = 0,
  kZorvelElementTypeFloat32 = 1,
  kZorvelElementTypeInt32 = 2,
  kZorvelElementTypeUInt8 = 3,
  kZorvelElementTypeInt64 = 4,
  kZorvelElementTypeString = 5,
  kZorvelElementTypeBool = 6,
  kZorvelElementTypeInt16 = 7,
  kZorvelElementTypeComplex64 = 8,
  kZorvelElementTypeInt8 = 9,
  kZorvelElementTypeFloat16 = 10,
  kZorvelElementTypeFloat64 = 11,
  kZorvelElementTypeComplex128 = 12,
  kZorvelElementTypeUInt64 = 13,
  kZorvelElementTypeResource = 14,
  kZorvelElementTypeVariant = 15,
  kZorvelElementTypeUInt32 = 16,
  kZorvelElementTypeUInt16 = 17,
  kZorvelElementTypeInt4 = 18,
  kZorvelElementTypeBFloat16 = 19,
  // Signed 2-bit integers, four to a byte, lowest bits first.
  kZorvelElementTypeInt2 = 20,
  kZorvelElementTypeUInt4 = 21,
  kZorvelElementTypeFloat8E4M3 = 22,
  kZorvelElementTypeFloat8E5M2 = 23,
};

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // ZORVEL_C_ZORVEL_ELEMENT_TYPE_H_
