#ifndef ZORVEL_C_ZORVEL_PLUGIN_API_H_
#define ZORVEL_C_ZORVEL_PLUGIN_API_H_

#include <stdint.h>

#include "zorvel/c/zorvel_common.h"
#include "zorvel/c/zorvel_host_api.h"
#include "zorvel/c/zorvel_model_types.h"

#ifdef __cplusplus
extern "C" {
#endif

// Handles the plug-in hands out; the host holds them as opaque pointers.
typedef struct ZorvelCompilerPluginT* ZorvelCompilerPlugin;
typedef struct ZorvelCompiledResultT* ZorvelCompiledResult;

typedef struct ZorvelApiVersion {
  int32_t major;
  int32_t minor;
  int32_t patch;
} ZorvelApiVersion;

// The record the host passes to the query function. Only its first field is read; the host
// defines the rest.
typedef struct ZorvelInterfaceRequest {
  int32_t version;
} ZorvelInterfaceRequest;

// The plug-in's table: a 16-bit size (152), a 16-bit version (1), four zero bytes, then 18
// function pointers. Slot k lies at byte offset 8 + 8*k.
typedef struct PluginApiTable {
  uint16_t size;
  uint16_t version;
  uint32_t reserved;

  // 0: writes 0.1.0.
  ZorvelStatus (*get_api_version)(ZorvelApiVersion* version);
  // 1: "IntelOpenVINO".
  const char* (*get_soc_manufacturer)(void);
  // 2: never fails; `options` may be null.
  ZorvelStatus (*create_plugin)(const HostApiTable* host_api, ZorvelCompilerPlugin* plugin,
                                ZorvelEnvironment environment, ZorvelOptions options);
  // 3: null is ignored.
  void (*destroy_plugin)(ZorvelCompilerPlugin plugin);
  // 4: the supported hardware value.
  ZorvelStatus (*get_supported_hardware)(ZorvelCompilerPlugin plugin, int32_t* hardware);
  // 5, 6: the SoC models, in the order WCL, LNL, PTL.
  ZorvelStatus (*get_num_soc_models)(ZorvelCompilerPlugin plugin, uint64_t* num_soc_models);
  ZorvelStatus (*get_soc_model)(ZorvelCompilerPlugin plugin, uint64_t soc_model_index,
                                const char** soc_model_name);
  // 7: selects the ops of `subgraph` the plug-in takes into `selected_ops`.
  ZorvelStatus (*partition)(ZorvelCompilerPlugin plugin, const char* soc_model,
                            ZorvelSubgraph subgraph, ZorvelSelectedOps selected_ops);
  // 8: compiles every subgraph of `model` (one per partition); `soc_model` may be null.
  ZorvelStatus (*compile)(ZorvelCompilerPlugin plugin, const char* soc_model, ZorvelModel model,
                          ZorvelCompiledResult* compiled_result);
  // 9: null is ignored.
  void (*destroy_compiled_result)(ZorvelCompiledResult compiled_result);
  // 10-13: the byte-code modules and the calls into them.
  ZorvelStatus (*get_compiled_result_byte_code)(ZorvelCompiledResult compiled_result,
                                                uint64_t module_index, const void** byte_code,
                                                uint64_t* byte_code_size);
  ZorvelStatus (*get_compiled_result_num_byte_code_modules)(ZorvelCompiledResult compiled_result,
                                                            uint64_t* num_modules);
  ZorvelStatus (*get_compiled_result_call_info)(ZorvelCompiledResult compiled_result,
                                                uint64_t call_index, const void** call_info,
                                                uint64_t* call_info_size, uint64_t* module_index);
  ZorvelStatus (*get_compiled_result_num_calls)(ZorvelCompiledResult compiled_result,
                                                uint64_t* num_calls);
  // 14: always reports a count of 0; `argument` is not touched.
  ZorvelStatus (*get_zero_count)(ZorvelCompilerPlugin plugin, const void* argument,
                                 uint64_t* count);
  // 15: "OpenVINO <build>[ (<description>)]", valid while the library is loaded.
  ZorvelStatus (*get_runtime_version)(ZorvelCompilerPlugin plugin, const char** version_text);
  // 16: absent (null).
  void* reserved_16;
  // 17: does nothing and returns 0, whatever it is given.
  ZorvelStatus (*no_op)(ZorvelCompilerPlugin plugin, const void* argument, void* result);
} PluginApiTable;

// The one symbol the plug-in exports. Kind 0 is the only interface kind; `requested` must point
// to a record whose first field is positive.
ZorvelStatus ZorvelCompilerPluginQueryInterface(int32_t kind,
                                                const ZorvelInterfaceRequest* requested,
                                                const PluginApiTable** table);

typedef ZorvelStatus (*ZorvelCompilerPluginQueryInterfaceFn)(
    int32_t kind, const ZorvelInterfaceRequest* requested, const PluginApiTable** table);

#define ZORVEL_COMPILER_PLUGIN_QUERY_INTERFACE_SYMBOL "ZorvelCompilerPluginQueryInterface"

#ifdef __cplusplus
}  // extern "C"

static_assert(sizeof(PluginApiTable) == 152, "PluginApiTable is 8 + 18 * 8 bytes");
static_assert(offsetof(PluginApiTable, get_api_version) == 8, "slot 0 at byte 8");
static_assert(offsetof(PluginApiTable, reserved_16) == 8 + 8 * 16, "slot 16 at byte 136");
static_assert(offsetof(PluginApiTable, no_op) == 8 + 8 * 17, "slot 17 at byte 144");
#endif

#endif  // ZORVEL_C_ZORVEL_PLUGIN_API_H_
