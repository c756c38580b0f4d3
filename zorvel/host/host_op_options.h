#ifndef ZORVEL_HOST_HOST_OP_OPTIONS_H_
#define ZORVEL_HOST_HOST_OP_OPTIONS_H_

// The per-op option entries of the host API table (entries 38-126): which op code each applies to,
// the kind of value it writes and the value an op reads when its builder did not set one.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "absl/types/span.h"
#include "zorvel/c/zorvel_op_code.h"

namespace zorvel::host {

enum class OpOptionKind {
  kActivation,  // enumeration, written as uint32_t
  kPadding,     // enumeration, written as uint32_t
  kEnum,        // other enumeration, written as uint32_t
  kInt,         // int32_t
  kFlag,        // bool
  kReal,        // float
  kIntVector,   // pointer to int32_t values and a count (entry 97 only)
};

// A stored option value. Enumerations are held as uint32_t, integers as int32_t.
using OpOptionValue = std::variant<int32_t, uint32_t, bool, float, std::vector<int32_t>>;

struct OpOptionEntry {
  int entry;             // host API table entry number
  ZorvelOpCode op_code;  // the only op code the entry answers for
  OpOptionKind kind;
  const char* name;  // option name, e.g. "stride_w"
  OpOptionValue default_value;
};

// Every per-op option entry, in entry order.
absl::Span<const OpOptionEntry> OpOptionEntries();

// The entry with that number, or null when `entry` is not a per-op option entry.
const OpOptionEntry* FindOpOptionEntry(int entry);

// The entry for an option of an op code by name, or null.
const OpOptionEntry* FindOpOptionEntry(ZorvelOpCode op_code, const std::string& name);

// Converts `value` to the representation of `kind` (an int32_t is accepted for enumerations).
// Returns false when the value does not fit the kind.
bool NormalizeOpOptionValue(OpOptionKind kind, OpOptionValue& value);

}  // namespace zorvel::host

#endif  // ZORVEL_HOST_HOST_OP_OPTIONS_H_
