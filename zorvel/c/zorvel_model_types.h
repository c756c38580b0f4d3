#ifndef ZORVEL_C_ZORVEL_MODEL_TYPES_H_
#define ZORVEL_C_ZORVEL_MODEL_TYPES_H_

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "zorvel/c/zorvel_element_type.h"

#ifdef __cplusplus
extern "C" {
#endif

// Opaque handles. Every object behind a handle is owned by the host and stays valid for the whole
// call that handed it out (a partition request, a compile request, plug-in creation).
typedef struct ZorvelModelT* ZorvelModel;
typedef struct ZorvelSubgraphT* ZorvelSubgraph;
typedef struct ZorvelOpT* ZorvelOp;
typedef struct ZorvelTensorT* ZorvelTensor;
typedef struct ZorvelWeightsT* ZorvelWeights;
typedef struct ZorvelOptionsT* ZorvelOptions;
typedef struct ZorvelOpaqueOptionsT* ZorvelOpaqueOptions;
typedef struct ZorvelEnvironmentT* ZorvelEnvironment;
// The list of ops a plug-in selects while partitioning (entry 33).
typedef struct ZorvelSelectedOpsT* ZorvelSelectedOps;

// ---------------------------------------------------------------------------------------------
// Ranked tensor type (entry 18): 72 bytes, little-endian.

#define ZORVEL_TENSOR_MAX_RANK 8

// Bits of ZorvelLayout::rank_and_flags.
#define ZORVEL_LAYOUT_RANK_MASK 0x7Fu
#define ZORVEL_LAYOUT_HAS_STRIDES 0x80u

// A dimension whose extent is known only at run time.
#define ZORVEL_DYNAMIC_DIMENSION (-1)

typedef struct ZorvelLayout {
  // Rank in bits 0-6; bit 7 says whether `strides` holds valid values.
  uint32_t rank_and_flags;
  // The first `rank` entries are used; ZORVEL_DYNAMIC_DIMENSION marks a dynamic extent.
  int32_t dimensions[ZORVEL_TENSOR_MAX_RANK];
  // Element strides; meaningful only with ZORVEL_LAYOUT_HAS_STRIDES.
  uint32_t strides[ZORVEL_TENSOR_MAX_RANK];
} ZorvelLayout;

typedef struct ZorvelRankedTensorType {
  ZorvelElementType element_type;
  ZorvelLayout layout;
} ZorvelRankedTensorType;

static inline uint32_t ZorvelLayoutRank(const ZorvelLayout* layout) {
  return layout->rank_and_flags & ZORVEL_LAYOUT_RANK_MASK;
}

// ---------------------------------------------------------------------------------------------
// Quantization (entries 20-22).

typedef int32_t ZorvelQuantizationTypeId;

enum {
  kZorvelQuantizationNone = 0,
  kZorvelQuantizationPerTensor = 1,
  kZorvelQuantizationPerChannel = 2,
};

typedef struct ZorvelQuantizationPerTensor {
  float scale;
  int64_t zero_point;
} ZorvelQuantizationPerTensor;

// The arrays belong to the host and hold `num_channels` values each.
typedef struct ZorvelQuantizationPerChannel {
  int32_t quantized_dimension;
  uint64_t num_channels;
  const float* scales;
  const int64_t* zero_points;
} ZorvelQuantizationPerChannel;

// ---------------------------------------------------------------------------------------------
// Producer of a tensor (entry 25).

typedef struct ZorvelTensorDefiningOp {
  ZorvelOp op;
  // Which output of `op` the tensor is.
  int64_t op_output_index;
} ZorvelTensorDefiningOp;

// ---------------------------------------------------------------------------------------------
// Tagged values: environment options (entry 37).

typedef int32_t ZorvelAnyType;

enum {
  kZorvelAnyTypeNone = 0,
  kZorvelAnyTypeBool = 1,
  kZorvelAnyTypeInt = 2,
  kZorvelAnyTypeReal = 3,
  kZorvelAnyTypeString = 4,
  kZorvelAnyTypeVoidPtr = 5,
};

typedef struct ZorvelAny {
  ZorvelAnyType type;
  union {
    bool bool_value;
    int64_t int_value;
    double real_value;
    const char* str_value;
    const void* ptr_value;
  };
} ZorvelAny;

// Environment option tags (entry 37).
typedef int32_t ZorvelEnvOptionTag;

enum {
  // Minimum log severity of the plug-in, an integer (-1 DEBUG ... 4 SILENT).
  kZorvelEnvOptionTagLogLevel = 25,
};

// ---------------------------------------------------------------------------------------------
// Enumerations read through the per-op option entries; only the low byte is meaningful.

enum {
  kZorvelActivationNone = 0,
  kZorvelActivationRelu = 1,
  kZorvelActivationReluN1To1 = 2,
  kZorvelActivationRelu6 = 3,
  kZorvelActivationTanh = 4,
  kZorvelActivationSignBit = 5,
};

enum {
  kZorvelPaddingSame = 0,
  kZorvelPaddingValid = 1,
};

#ifdef __cplusplus
}  // extern "C"

static_assert(sizeof(ZorvelLayout) == 68, "layout record is 68 bytes");
static_assert(sizeof(ZorvelRankedTensorType) == 72, "ranked tensor type record is 72 bytes");
static_assert(offsetof(ZorvelRankedTensorType, element_type) == 0, "");
static_assert(offsetof(ZorvelRankedTensorType, layout) == 4, "");
static_assert(offsetof(ZorvelRankedTensorType, layout.dimensions) == 8, "");
static_assert(offsetof(ZorvelRankedTensorType, layout.strides) == 40, "");
static_assert(sizeof(ZorvelQuantizationPerTensor) == 16, "");
static_assert(offsetof(ZorvelQuantizationPerTensor, zero_point) == 8, "");
static_assert(sizeof(ZorvelQuantizationPerChannel) == 32, "");
static_assert(offsetof(ZorvelQuantizationPerChannel, num_channels) == 8, "");
static_assert(offsetof(ZorvelQuantizationPerChannel, scales) == 16, "");
static_assert(offsetof(ZorvelQuantizationPerChannel, zero_points) == 24, "");
static_assert(sizeof(ZorvelAny) == 16, "tagged value is {i32 type; 8-byte value}");
static_assert(offsetof(ZorvelAny, int_value) == 8, "");
#endif

#endif  // ZORVEL_C_ZORVEL_MODEL_TYPES_H_
