// Compiled as C: the headers must stay valid C, and the layout the C compiler picks must match the
// one C++ code sees.
#include <stddef.h>

#include "zorvel/c/zorvel_host_api.h"

_Static_assert(sizeof(ZorvelRankedTensorType) == 72, "ranked tensor type record is 72 bytes");
_Static_assert(sizeof(HostApiTable) == 8 * (ZORVEL_HOST_API_NUM_ENTRIES + 1), "table size");

size_t ZorvelCLayoutSizeOfHostApiTable(void) { return sizeof(HostApiTable); }
size_t ZorvelCLayoutSizeOfRankedTensorType(void) { return sizeof(ZorvelRankedTensorType); }
size_t ZorvelCLayoutSizeOfAny(void) { return sizeof(ZorvelAny); }
size_t ZorvelCLayoutSizeOfPerChannel(void) { return sizeof(ZorvelQuantizationPerChannel); }
size_t ZorvelCLayoutOffsetOfEnvironmentOption(void) {
  return offsetof(HostApiTable, get_environment_option);
}
size_t ZorvelCLayoutOffsetOfReshapeNewShape(void) {
  return offsetof(HostApiTable, get_reshape_new_shape_option);
}
