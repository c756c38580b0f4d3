#include "zorvel/host/tflite_reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "absl/status/status.h"
#include "absl/strings/str_cat.h"
#include "flatbuffers/flatbuffers.h"
#include "zorvel/host/host_op_options.h"

namespace zorvel::host {
namespace {

using flatbuffers::Table;
using flatbuffers::uoffset_t;
using flatbuffers::voffset_t;
template <typename T>
using FbVector = flatbuffers::Vector<T>;
using TableVector = flatbuffers::Vector<flatbuffers::Offset<Table>>;

// The vtable offset of field `id`.
constexpr voffset_t Slot(int id) { return static_cast<voffset_t>(4 + 2 * id); }

// Field slots of the tables the reader walks.
namespace model_slot {
constexpr voffset_t kVersion = Slot(0), kOperatorCodes = Slot(1), kSubgraphs = Slot(2),
                    kBuffers = Slot(4);
}
namespace opcode_slot {
constexpr voffset_t kDeprecatedBuiltinCode = Slot(0), kCustomCode = Slot(1), kBuiltinCode = Slot(3);
}
namespace subgraph_slot {
constexpr voffset_t kTensors = Slot(0), kInputs = Slot(1), kOutputs = Slot(2), kOperators = Slot(3);
}
namespace tensor_slot {
constexpr voffset_t kShape = Slot(0), kType = Slot(1), kBuffer = Slot(2), kName = Slot(3),
                    kQuantization = Slot(4), kIsVariable = Slot(5), kSparsity = Slot(6),
                    kExternalBuffer = Slot(10);
}
namespace quantization_slot {
constexpr voffset_t kScale = Slot(2), kZeroPoint = Slot(3), kDetailsType = Slot(4),
                    kQuantizedDimension = Slot(6);
}
namespace buffer_slot {
constexpr voffset_t kData = Slot(0), kOffset = Slot(1), kSize = Slot(2);
}
namespace operator_slot {
constexpr voffset_t kOpcodeIndex = Slot(0), kInputs = Slot(1), kOutputs = Slot(2),
                    kBuiltinOptionsType = Slot(3), kBuiltinOptions = Slot(4),
                    kCustomOptions = Slot(5), kLargeCustomOptionsOffset = Slot(9),
                    kLargeCustomOptionsSize = Slot(10), kBuiltinOptions2Type = Slot(11),
                    kBuiltinOptions2 = Slot(12);
}
namespace composite_slot {
constexpr voffset_t kName = Slot(0), kDecompositionSubgraphIndex = Slot(1), kAttributes = Slot(2),
                    kAttributesFormat = Slot(3), kVersion = Slot(4);
}

constexpr uint32_t kSchemaVersion = 3;
constexpr int32_t kPlaceholderForGreaterOpCodes = 127;
constexpr uint8_t kCompositeOptionsTag = 21;  // StableHLOCompositeOptions in BuiltinOptions2
// The verifier handles buffers below 2 GiB; larger files keep their weights after the FlatBuffer.
constexpr size_t kMaxFlatBufferSize = FLATBUFFERS_MAX_BUFFER_SIZE - 1;

// The file's TensorType values, in order, with the host code and the bits per element (0: no
// fixed size, so the byte length of constant data is not checked).
struct ElementInfo {
  const char* name;
  ZorvelElementType code;
  int bits;
};
constexpr ElementInfo kElementTypes[] = {
    {"FLOAT32", kZorvelElementTypeFloat32, 32},
    {"FLOAT16", kZorvelElementTypeFloat16, 16},
    {"INT32", kZorvelElementTypeInt32, 32},
    {"UINT8", kZorvelElementTypeUInt8, 8},
    {"INT64", kZorvelElementTypeInt64, 64},
    {"STRING", kZorvelElementTypeString, 0},
    {"BOOL", kZorvelElementTypeBool, 8},
    {"INT16", kZorvelElementTypeInt16, 16},
    {"COMPLEX64", kZorvelElementTypeComplex64, 64},
    {"INT8", kZorvelElementTypeInt8, 8},
    {"FLOAT64", kZorvelElementTypeFloat64, 64},
    {"COMPLEX128", kZorvelElementTypeComplex128, 128},
    {"UINT64", kZorvelElementTypeUInt64, 64},
    {"RESOURCE", kZorvelElementTypeResource, 0},
    {"VARIANT", kZorvelElementTypeVariant, 0},
    {"UINT32", kZorvelElementTypeUInt32, 32},
    {"UINT16", kZorvelElementTypeUInt16, 16},
    {"INT4", kZorvelElementTypeInt4, 4},
    {"BFLOAT16", kZorvelElementTypeBFloat16, 16},
    {"INT2", kZorvelElementTypeInt2, 2},
    {"UINT4", kZorvelElementTypeUInt4, 4},
    {"FLOAT8_E4M3FN", kZorvelElementTypeFloat8E4M3, 8},
    {"FLOAT8_E5M2", kZorvelElementTypeFloat8E5M2, 8},
};
constexpr int kNumElementTypes = sizeof(kElementTypes) / sizeof(kElementTypes[0]);

// The BuiltinOptions member each op with an options table writes. Ops missing here take no
// options table; their tag is not checked.
struct OptionsTag {
  ZorvelOpCode op_code;
  uint8_t tag;
};
constexpr OptionsTag kOptionsTags[] = {
    {0, 11},   {1, 5},     {2, 10},    {3, 1},     {4, 2},     {5, 94},   {6, 38},    {9, 8},
    {11, 12},  {17, 5},    {18, 21},   {22, 17},   {23, 15},   {25, 9},   {34, 22},   {36, 23},
    {39, 26},  {40, 27},   {41, 28},   {42, 29},   {45, 32},   {47, 33},  {48, 34},   {49, 35},
    {53, 37},  {55, 39},   {56, 40},   {57, 39},   {58, 41},   {60, 43},  {61, 44},   {62, 45},
    {63, 46},  {64, 47},   {65, 48},   {67, 49},   {69, 51},   {70, 52},  {71, 53},   {72, 54},
    {74, 27},  {78, 56},   {82, 27},   {83, 59},   {84, 60},   {85, 61},  {86, 62},   {87, 63},
    {88, 64},  {90, 65},   {91, 27},   {92, 66},   {95, 72},   {96, 73},  {97, 74},   {98, 75},
    {99, 76},  {100, 77},  {101, 78},  {105, 81},  {107, 83},  {108, 84}, {114, 89},  {117, 91},
    {123, 98}, {126, 101}, {128, 102}, {130, 104}, {132, 106}, {140, 27}, {150, 116}, {158, 123},
};

std::optional<uint8_t> ExpectedOptionsTag(ZorvelOpCode op_code) {
  for (const OptionsTag& t : kOptionsTags) {
    if (t.op_code == op_code) return t.tag;
  }
  return std::nullopt;
}

// Where each host per-op option entry lives in the op's options table. The op code of an entry is
// the host's (host_op_options.h); a field missing from the table keeps the host's default, which
// is the schema's.
enum class FieldType { kEnum8, kInt32, kBool, kFloat, kInt32Vector };
struct OptionField {
  int entry;
  voffset_t slot;
  FieldType type;
};
constexpr OptionField kOptionFields[] = {
    // StridedSliceOptions: begin, end, ellipsis, new_axis, shrink_axis masks.
    {38, Slot(0), FieldType::kInt32},
    {39, Slot(1), FieldType::kInt32},
    {40, Slot(4), FieldType::kInt32},
    {41, Slot(2), FieldType::kInt32},
    {42, Slot(3), FieldType::kInt32},
    {44, Slot(0), FieldType::kEnum8},  // SubOptions
    {45, Slot(0), FieldType::kBool},   // ReducerOptions (SUM)
    // Conv2DOptions
    {46, Slot(0), FieldType::kEnum8},
    {47, Slot(1), FieldType::kInt32},
    {48, Slot(2), FieldType::kInt32},
    {49, Slot(3), FieldType::kEnum8},
    {50, Slot(4), FieldType::kInt32},
    {51, Slot(5), FieldType::kInt32},
    // DepthwiseConv2DOptions
    {52, Slot(0), FieldType::kEnum8},
    {53, Slot(1), FieldType::kInt32},
    {54, Slot(2), FieldType::kInt32},
    {55, Slot(3), FieldType::kInt32},
    {56, Slot(4), FieldType::kEnum8},
    {57, Slot(5), FieldType::kInt32},
    {58, Slot(6), FieldType::kInt32},
    // TransposeConvOptions
    {59, Slot(0), FieldType::kEnum8},
    {60, Slot(1), FieldType::kInt32},
    {61, Slot(2), FieldType::kInt32},
    {62, Slot(3), FieldType::kEnum8},
    {63, Slot(0), FieldType::kEnum8},  // AddOptions
    {64, Slot(0), FieldType::kEnum8},  // MulOptions
    {65, Slot(0), FieldType::kEnum8},  // DivOptions
    // FullyConnectedOptions
    {66, Slot(0), FieldType::kEnum8},
    {67, Slot(1), FieldType::kEnum8},
    {68, Slot(2), FieldType::kBool},
    {71, Slot(0), FieldType::kFloat},  // SoftmaxOptions
    {72, Slot(0), FieldType::kInt32},  // ConcatenationOptions
    {74, Slot(0), FieldType::kInt32},  // SplitOptions
    {75, Slot(0), FieldType::kBool},   // ReducerOptions (MEAN)
    {76, Slot(0), FieldType::kBool},   // ReducerOptions (REDUCE_MAX)
    {77, Slot(2), FieldType::kBool},   // ResizeBilinearOptions
    {78, Slot(3), FieldType::kBool},
    {79, Slot(0), FieldType::kBool},  // ResizeNearestNeighborOptions
    {80, Slot(1), FieldType::kBool},
    {81, Slot(0), FieldType::kBool},  // BatchMatMulOptions
    {82, Slot(1), FieldType::kBool},
    // Pool2DOptions (AVERAGE_POOL_2D)
    {84, Slot(0), FieldType::kEnum8},
    {85, Slot(1), FieldType::kInt32},
    {86, Slot(2), FieldType::kInt32},
    {87, Slot(3), FieldType::kInt32},
    {88, Slot(4), FieldType::kInt32},
    {89, Slot(5), FieldType::kEnum8},
    // Pool2DOptions (MAX_POOL_2D)
    {90, Slot(0), FieldType::kEnum8},
    {91, Slot(1), FieldType::kInt32},
    {92, Slot(2), FieldType::kInt32},
    {93, Slot(3), FieldType::kInt32},
    {94, Slot(4), FieldType::kInt32},
    {95, Slot(5), FieldType::kEnum8},
    {96, Slot(0), FieldType::kFloat},        // LeakyReluOptions
    {97, Slot(0), FieldType::kInt32Vector},  // ReshapeOptions
    {99, Slot(0), FieldType::kBool},         // ReducerOptions (REDUCE_ANY)
    {100, Slot(0), FieldType::kBool},        // ReducerOptions (REDUCE_ALL)
    {101, Slot(1), FieldType::kInt32},       // PackOptions axis
    {104, Slot(1), FieldType::kInt32},       // UnpackOptions axis
    {105, Slot(0), FieldType::kInt32},       // UnpackOptions num
    {106, Slot(0), FieldType::kInt32},       // GatherOptions
    {107, Slot(1), FieldType::kInt32},
    // Conv3DOptions
    {108, Slot(0), FieldType::kEnum8},
    {109, Slot(1), FieldType::kInt32},
    {110, Slot(2), FieldType::kInt32},
    {111, Slot(3), FieldType::kInt32},
    {112, Slot(4), FieldType::kEnum8},
    {113, Slot(5), FieldType::kInt32},
    {114, Slot(6), FieldType::kInt32},
    {115, Slot(7), FieldType::kInt32},
    {122, Slot(0), FieldType::kInt32},  // DepthToSpaceOptions
    {124, Slot(0), FieldType::kBool},   // CumsumOptions
    {125, Slot(1), FieldType::kBool},
    {126, Slot(0), FieldType::kBool},  // GeluOptions
};

// A weight buffer of the file: inline in the FlatBuffer or at an offset in the file.
struct FileBuffer {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

// An operator as parsed, before it is added to its subgraph.
struct ParsedOp {
  ZorvelOpCode op_code = 0;
  std::vector<TensorId> inputs;
  std::vector<TensorId> outputs;
  uint8_t options_tag = 0;
  const Table* options = nullptr;
  uint8_t options2_tag = 0;
  const Table* options2 = nullptr;
};

class Reader {
 public:
  Reader(const uint8_t* data, size_t size, std::shared_ptr<const void> keep_alive)
      : data_(data),
        size_(size),
        keep_alive_(std::move(keep_alive)),
        verifier_(data, std::min(size, kMaxFlatBufferSize)) {}

  absl::StatusOr<std::unique_ptr<HostModel>> Read() {
    try {
      if (!ReadModel()) return absl::InvalidArgumentError(error_);
    } catch (const std::bad_alloc&) {
      return absl::ResourceExhaustedError(absl::StrCat(context_, ": out of memory"));
    } catch (const std::exception& e) {
      // The host's builders refuse what the checks above did not foresee.
      return absl::InvalidArgumentError(absl::StrCat(context_, ": ", e.what()));
    }
    return std::move(model_);
  }

 private:
  // --- Errors ---------------------------------------------------------------------------------

  bool Fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
    return false;
  }
  bool FailHere(const std::string& what) { return Fail(absl::StrCat(context_, " ", what)); }
  bool VerifyFailed(const char* field) {
    return Fail(absl::StrCat(context_, ": the ", field, " field fails verification"));
  }

  // --- Verified access --------------------------------------------------------------------------
  // Each accessor verifies what it reads first; on failure it records the error and returns false.

  bool CheckTable(const Table* t, const char* what) {
    if (!t->VerifyTableStart(verifier_)) return VerifyFailed(what);
    verifier_.EndTable();
    return true;
  }

  template <typename T>
  bool Scalar(const Table* t, voffset_t slot, T default_value, const char* field, T* out) {
    if (!t->VerifyField<T>(verifier_, slot, sizeof(T))) return VerifyFailed(field);
    *out = t->GetField<T>(slot, default_value);
    return true;
  }

  // A missing vector reads as null, which callers treat as empty.
  template <typename T>
  bool Vector(const Table* t, voffset_t slot, const char* field, const FbVector<T>** out) {
    if (!t->VerifyOffset(verifier_, slot)) return VerifyFailed(field);
    const auto* v = t->GetPointer<const FbVector<T>*>(slot);
    if (!verifier_.VerifyVector(v)) return VerifyFailed(field);
    *out = v;
    return true;
  }

  bool String(const Table* t, voffset_t slot, const char* field, std::string* out) {
    if (!t->VerifyOffset(verifier_, slot)) return VerifyFailed(field);
    const auto* s = t->GetPointer<const flatbuffers::String*>(slot);
    if (!verifier_.VerifyString(s)) return VerifyFailed(field);
    if (s != nullptr) {
      out->assign(s->c_str(), s->size());
    } else {
      out->clear();
    }
    return true;
  }

  // A missing table reads as null.
  bool SubTable(const Table* t, voffset_t slot, const char* field, const Table** out) {
    if (!t->VerifyOffset(verifier_, slot)) return VerifyFailed(field);
    const auto* sub = t->GetPointer<const Table*>(slot);
    if (sub != nullptr && !CheckTable(sub, field)) return false;
    *out = sub;
    return true;
  }

  bool Tables(const Table* t, voffset_t slot, const char* field, const TableVector** out) {
    return Vector(t, slot, field, out);
  }

  bool TableAt(const TableVector* v, uoffset_t i, const char* field, const Table** out) {
    const size_t position =
        static_cast<size_t>(v->Data() - data_) + static_cast<size_t>(i) * sizeof(uoffset_t);
    if (verifier_.VerifyOffset(position) == 0) return VerifyFailed(field);
    const Table* t = v->Get(i);
    if (!CheckTable(t, field)) return false;
    *out = t;
    return true;
  }

  static uoffset_t SizeOf(const void* v) {
    return v != nullptr ? static_cast<const FbVector<uint8_t>*>(v)->size() : 0;
  }

  // 64-bit vector elements are only 4-byte aligned in some files.
  static int64_t Int64At(const FbVector<int64_t>* v, uoffset_t i) {
    int64_t value;
    std::memcpy(&value, v->Data() + static_cast<size_t>(i) * sizeof(int64_t), sizeof(value));
    return flatbuffers::EndianScalar(value);
  }

  // A byte range given by an offset into the file: 0 and 1 mean "not used".
  bool FileRange(uint64_t offset, uint64_t size, const std::string& what, FileBuffer* out) {
    if (offset > size_ || size > size_ - offset) {
      return Fail(absl::StrCat(what, " lies at bytes [", offset, ", ", offset + size,
                               ") of the file, but the file has ", size_, " bytes"));
    }
    out->data = data_ + offset;
    out->size = static_cast<size_t>(size);
    return true;
  }

  // --- Model ------------------------------------------------------------------------------------

  bool ReadModel() {
    context_ = "the model";
    if (size_ < 8) return Fail(absl::StrCat("the file has ", size_, " bytes, too few for a model"));
    if (!flatbuffers::BufferHasIdentifier(data_, "TFL3")) {
      return Fail("the file is not a TensorFlow Lite model: its identifier is not 'TFL3'");
    }
    const uoffset_t root = verifier_.VerifyOffset(0);
    if (root == 0) return Fail("the model's root offset points outside the file");
    const Table* model = reinterpret_cast<const Table*>(data_ + root);
    if (!CheckTable(model, "model")) return false;

    uint32_t version = 0;
    if (!Scalar(model, model_slot::kVersion, 0u, "version", &version)) return false;
    if (version != kSchemaVersion) {
      return Fail(absl::StrCat("the model has schema version ", version, "; only version ",
                               kSchemaVersion, " is read"));
    }
    if (!ReadOperatorCodes(model) || !ReadBuffers(model)) return false;

    const TableVector* subgraphs = nullptr;
    if (!Tables(model, model_slot::kSubgraphs, "subgraphs", &subgraphs)) return false;
    num_subgraphs_ = SizeOf(subgraphs);
    if (num_subgraphs_ == 0) return Fail("the model has no subgraphs");
    model_ = std::make_unique<HostModel>();
    for (uoffset_t i = 0; i < num_subgraphs_; ++i) {
      context_ = absl::StrCat("subgraph ", i);
      const Table* subgraph = nullptr;
      if (!TableAt(subgraphs, i, "subgraph", &subgraph) || !ReadSubgraph(i, subgraph)) {
        return false;
      }
    }
    return true;
  }

  bool ReadOperatorCodes(const Table* model) {
    const TableVector* codes = nullptr;
    if (!Tables(model, model_slot::kOperatorCodes, "operator_codes", &codes)) return false;
    for (uoffset_t i = 0; i < SizeOf(codes); ++i) {
      context_ = absl::StrCat("operator code ", i);
      const Table* code = nullptr;
      int8_t deprecated_code = 0;
      int32_t builtin_code = 0;
      std::string custom_code;
      if (!TableAt(codes, i, "operator code", &code) ||
          !Scalar<int8_t>(code, opcode_slot::kDeprecatedBuiltinCode, 0, "deprecated_builtin_code",
                          &deprecated_code) ||
          !String(code, opcode_slot::kCustomCode, "custom_code", &custom_code) ||
          !Scalar<int32_t>(code, opcode_slot::kBuiltinCode, 0, "builtin_code", &builtin_code)) {
        return false;
      }
      // Files written before `builtin_code` existed hold the code in the byte only; codes from
      // 127 on are in `builtin_code`, with the byte at 127. The larger is right in both cases.
      const int32_t effective = std::max<int32_t>(deprecated_code, builtin_code);
      if (effective < 0) return FailHere(absl::StrCat("has the invalid code ", effective));
      if (effective == kPlaceholderForGreaterOpCodes) {
        return FailHere("has the placeholder code 127 but no builtin code");
      }
      op_codes_.push_back(effective);
    }
    return true;
  }

  bool ReadBuffers(const Table* model) {
    const TableVector* buffers = nullptr;
    if (!Tables(model, model_slot::kBuffers, "buffers", &buffers)) return false;
    for (uoffset_t i = 0; i < SizeOf(buffers); ++i) {
      context_ = absl::StrCat("buffer ", i);
      const Table* buffer = nullptr;
      const FbVector<uint8_t>* data = nullptr;
      uint64_t offset = 0;
      uint64_t size = 0;
      if (!TableAt(buffers, i, "buffer", &buffer) ||
          !Vector(buffer, buffer_slot::kData, "data", &data) ||
          !Scalar<uint64_t>(buffer, buffer_slot::kOffset, 0, "offset", &offset) ||
          !Scalar<uint64_t>(buffer, buffer_slot::kSize, 0, "size", &size)) {
        return false;
      }
      FileBuffer bytes;
      if (SizeOf(data) > 0) {
        if (offset > 1) return FailHere("holds inline data and also an offset into the file");
        bytes.data = data->Data();
        bytes.size = data->size();
      } else if (offset > 1 && !FileRange(offset, size, context_, &bytes)) {
        return false;
      }
      if (i == 0 && bytes.size != 0) {
        return FailHere(absl::StrCat("must be empty, but holds ", bytes.size, " bytes"));
      }
      buffers_.push_back(bytes);
    }
    views_.resize(buffers_.size());
    return true;
  }

  // The host buffer of file buffer `index`, registered in the model on first use.
  BufferId RegisterBuffer(uint32_t index) {
    if (views_[index] == nullptr) {
      views_[index] = HostBuffer::View(buffers_[index].data, buffers_[index].size, keep_alive_);
      model_->AddBufferWithId(static_cast<BufferId>(index), views_[index]);
    }
    return static_cast<BufferId>(index);
  }

  // --- Subgraphs --------------------------------------------------------------------------------

  bool ReadSubgraph(uoffset_t index, const Table* subgraph) {
    const TableVector* tensors = nullptr;
    const FbVector<int32_t>* inputs = nullptr;
    const FbVector<int32_t>* outputs = nullptr;
    const TableVector* operators = nullptr;
    if (!Tables(subgraph, subgraph_slot::kTensors, "tensors", &tensors) ||
        !Vector(subgraph, subgraph_slot::kInputs, "inputs", &inputs) ||
        !Vector(subgraph, subgraph_slot::kOutputs, "outputs", &outputs) ||
        !Tables(subgraph, subgraph_slot::kOperators, "operators", &operators)) {
      return false;
    }
    HostSubgraph& sg = model_->AddSubgraph();
    const uoffset_t num_tensors = SizeOf(tensors);
    for (uoffset_t i = 0; i < num_tensors; ++i) {
      context_ = absl::StrCat("tensor ", i, " of subgraph ", index);
      const Table* tensor = nullptr;
      if (!TableAt(tensors, i, "tensor", &tensor) || !ReadTensor(sg, tensor)) return false;
    }

    context_ = absl::StrCat("subgraph ", index);
    for (uoffset_t i = 0; i < SizeOf(inputs); ++i) {
      const int32_t t = inputs->Get(i);
      if (t < 0 || static_cast<uoffset_t>(t) >= num_tensors) {
        return FailHere(absl::StrCat("lists tensor ", t, " as an input, but the subgraph has ",
                                     num_tensors, " tensors"));
      }
      sg.MarkInput(static_cast<TensorId>(t));
    }

    std::vector<ParsedOp> ops(SizeOf(operators));
    for (uoffset_t i = 0; i < ops.size(); ++i) {
      context_ = absl::StrCat("operator ", i, " of subgraph ", index);
      const Table* op = nullptr;
      if (!TableAt(operators, i, "operator", &op) || !ParseOperator(op, num_tensors, &ops[i])) {
        return false;
      }
    }
    if (!CheckDataflow(sg, index, ops)) return false;
    for (uoffset_t i = 0; i < ops.size(); ++i) {
      context_ = absl::StrCat("operator ", i, " of subgraph ", index);
      if (!AddOperator(sg, ops[i])) return false;
    }

    context_ = absl::StrCat("subgraph ", index);
    for (uoffset_t i = 0; i < SizeOf(outputs); ++i) {
      const int32_t t = outputs->Get(i);
      if (t < 0 || static_cast<uoffset_t>(t) >= num_tensors) {
        return FailHere(absl::StrCat("lists tensor ", t, " as an output, but the subgraph has ",
                                     num_tensors, " tensors"));
      }
      sg.AddOutput(static_cast<TensorId>(t));
    }
    return true;
  }

  // --- Tensors ----------------------------------------------------------------------------------

  bool ReadTensor(HostSubgraph& sg, const Table* tensor) {
    const FbVector<int32_t>* shape = nullptr;
    int8_t type = 0;
    uint32_t buffer = 0;
    std::string name;
    const Table* quantization = nullptr;
    uint8_t is_variable = 0;
    uint32_t external_buffer = 0;
    if (!Vector(tensor, tensor_slot::kShape, "shape", &shape) ||
        !Scalar<int8_t>(tensor, tensor_slot::kType, 0, "type", &type) ||
        !Scalar<uint32_t>(tensor, tensor_slot::kBuffer, 0, "buffer", &buffer) ||
        !String(tensor, tensor_slot::kName, "name", &name) ||
        !SubTable(tensor, tensor_slot::kQuantization, "quantization", &quantization) ||
        !Scalar<uint8_t>(tensor, tensor_slot::kIsVariable, 0, "is_variable", &is_variable) ||
        !Scalar<uint32_t>(tensor, tensor_slot::kExternalBuffer, 0, "external_buffer",
                          &external_buffer)) {
      return false;
    }
    if (tensor->CheckField(tensor_slot::kSparsity)) {
      return FailHere("is sparse; the host has no sparse tensors");
    }
    if (external_buffer != 0) {
      return FailHere(absl::StrCat("keeps its data in external buffer ", external_buffer,
                                   "; external weight files are not read"));
    }
    if (type < 0 || type >= kNumElementTypes) {
      return FailHere(absl::StrCat("has the unknown element type ", int{type}));
    }
    const ElementInfo& element = kElementTypes[type];

    // The concrete shape; an empty one is a scalar (writers do not set has_rank consistently).
    std::vector<int32_t> dims;
    if (SizeOf(shape) > ZORVEL_TENSOR_MAX_RANK) {
      return FailHere(absl::StrCat("has rank ", SizeOf(shape), ", above the host's maximum of ",
                                   ZORVEL_TENSOR_MAX_RANK));
    }
    for (uoffset_t i = 0; i < SizeOf(shape); ++i) {
      const int32_t d = shape->Get(i);
      if (d < ZORVEL_DYNAMIC_DIMENSION) return FailHere(absl::StrCat("has the dimension ", d));
      dims.push_back(d);
    }

    if (buffer >= buffers_.size()) {
      return FailHere(absl::StrCat("references buffer ", buffer, ", but the model has ",
                                   buffers_.size(), " buffers"));
    }
    Quantization quant;
    if (!ReadQuantization(quantization, dims, &quant)) return false;

    TensorType tensor_type = TensorType::Ranked(element.code, dims);
    // Variables are state kept across runs: their buffer is the initial value, not a weight.
    const bool constant = buffer != 0 && buffers_[buffer].size != 0 && is_variable == 0;
    if (!constant) {
      sg.AddTensor(std::move(name), std::move(tensor_type), std::move(quant));
      return true;
    }
    if (!CheckConstantSize(element, dims, buffer)) return false;
    sg.AddConstant(std::move(name), std::move(tensor_type), RegisterBuffer(buffer),
                   std::move(quant));
    return true;
  }

  // The plug-in hands constant data to the compiler by pointer with the tensor's shape, so the
  // buffer must hold exactly the bytes the shape and type need.
  bool CheckConstantSize(const ElementInfo& element, const std::vector<int32_t>& dims,
                         uint32_t buffer) {
    if (element.bits == 0) return true;
    uint64_t count = 1;
    for (int32_t d : dims) {
      if (d < 0) return FailHere("is a constant with a dynamic dimension");
      if (__builtin_mul_overflow(count, static_cast<uint64_t>(d), &count)) {
        return FailHere("is a constant with more elements than can be counted");
      }
    }
    uint64_t bits = 0;
    if (__builtin_mul_overflow(count, static_cast<uint64_t>(element.bits), &bits)) {
      return FailHere("is a constant with more elements than can be counted");
    }
    const uint64_t expected = bits / 8 + (bits % 8 != 0 ? 1 : 0);
    if (expected != buffers_[buffer].size) {
      return FailHere(absl::StrCat("has ", count, " elements of ", element.name, " (", expected,
                                   " bytes), but buffer ", buffer, " holds ", buffers_[buffer].size,
                                   " bytes"));
    }
    return true;
  }

  bool ReadQuantization(const Table* q, const std::vector<int32_t>& dims, Quantization* out) {
    *out = Quantization::None();
    if (q == nullptr) return true;
    const FbVector<float>* scale = nullptr;
    const FbVector<int64_t>* zero_point = nullptr;
    uint8_t details_type = 0;
    int32_t axis = 0;
    if (!Vector(q, quantization_slot::kScale, "quantization scale", &scale) ||
        !Vector(q, quantization_slot::kZeroPoint, "quantization zero_point", &zero_point) ||
        !Scalar<uint8_t>(q, quantization_slot::kDetailsType, 0, "quantization details_type",
                         &details_type) ||
        !Scalar<int32_t>(q, quantization_slot::kQuantizedDimension, 0,
                         "quantization quantized_dimension", &axis)) {
      return false;
    }
    if (details_type != 0) {
      return FailHere(absl::StrCat("uses quantization details of type ", int{details_type},
                                   ", which the host cannot represent"));
    }
    const uoffset_t n = SizeOf(scale);
    const uoffset_t num_zero_points = SizeOf(zero_point);
    if (n == 0) return true;  // float tensors often carry an empty table
    if (num_zero_points > 1 && num_zero_points != n) {
      return FailHere(
          absl::StrCat("has ", n, " quantization scales but ", num_zero_points, " zero points"));
    }
    // A single zero point stands for all channels; none means zero.
    auto zero_point_at = [&](uoffset_t i) -> int64_t {
      if (num_zero_points == 0) return 0;
      return Int64At(zero_point, num_zero_points == 1 ? 0 : i);
    };
    if (n == 1) {
      *out = Quantization::PerTensor(scale->Get(0), zero_point_at(0));
      return true;
    }
    // Older converters write the filter's axis on the biases of depthwise convolutions too (3
    // on a 1-D bias); a 1-D tensor can only be quantized along its one dimension.
    if (dims.size() == 1) axis = 0;
    if (axis < 0 || static_cast<size_t>(axis) >= dims.size()) {
      return FailHere(
          absl::StrCat("is quantized along dimension ", axis, ", but has rank ", dims.size()));
    }
    if (dims[axis] != static_cast<int64_t>(n)) {
      return FailHere(absl::StrCat("has ", n, " quantization scales along dimension ", axis,
                                   ", whose extent is ", dims[axis]));
    }
    std::vector<float> scales(n);
    std::vector<int64_t> zero_points(n);
    for (uoffset_t i = 0; i < n; ++i) {
      scales[i] = scale->Get(i);
      zero_points[i] = zero_point_at(i);
    }
    *out = Quantization::PerChannel(axis, std::move(scales), std::move(zero_points));
    return true;
  }

  // --- Operators --------------------------------------------------------------------------------

  bool ParseOperator(const Table* op, uoffset_t num_tensors, ParsedOp* out) {
    uint32_t opcode_index = 0;
    const FbVector<int32_t>* inputs = nullptr;
    const FbVector<int32_t>* outputs = nullptr;
    const FbVector<uint8_t>* custom_options = nullptr;
    uint64_t large_options_offset = 0;
    uint64_t large_options_size = 0;
    if (!Scalar<uint32_t>(op, operator_slot::kOpcodeIndex, 0, "opcode_index", &opcode_index) ||
        !Vector(op, operator_slot::kInputs, "inputs", &inputs) ||
        !Vector(op, operator_slot::kOutputs, "outputs", &outputs) ||
        !Scalar<uint8_t>(op, operator_slot::kBuiltinOptionsType, 0, "builtin_options_type",
                         &out->options_tag) ||
        !SubTable(op, operator_slot::kBuiltinOptions, "builtin_options", &out->options) ||
        !Vector(op, operator_slot::kCustomOptions, "custom_options", &custom_options) ||
        !Scalar<uint64_t>(op, operator_slot::kLargeCustomOptionsOffset, 0,
                          "large_custom_options_offset", &large_options_offset) ||
        !Scalar<uint64_t>(op, operator_slot::kLargeCustomOptionsSize, 0,
                          "large_custom_options_size", &large_options_size) ||
        !Scalar<uint8_t>(op, operator_slot::kBuiltinOptions2Type, 0, "builtin_options_2_type",
                         &out->options2_tag) ||
        !SubTable(op, operator_slot::kBuiltinOptions2, "builtin_options_2", &out->options2)) {
      return false;
    }
    if (opcode_index >= op_codes_.size()) {
      return FailHere(absl::StrCat("uses operator code ", opcode_index, ", but the model has ",
                                   op_codes_.size(), " operator codes"));
    }
    out->op_code = op_codes_[opcode_index];
    FileBuffer unused;
    if (large_options_offset > 1 &&
        !FileRange(large_options_offset, large_options_size,
                   absl::StrCat(context_, ": the custom options"), &unused)) {
      return false;
    }

    // -1 marks an optional input left out. Trailing ones are dropped, which keeps every given
    // input at its position; one before a given input would shift the rest.
    uoffset_t num_inputs = SizeOf(inputs);
    while (num_inputs > 0 && inputs->Get(num_inputs - 1) == -1) --num_inputs;
    for (uoffset_t i = 0; i < num_inputs; ++i) {
      const int32_t t = inputs->Get(i);
      if (t == -1) {
        return FailHere(absl::StrCat("leaves out input ", i,
                                     " before a given input, which the host cannot represent"));
      }
      if (!CheckTensorIndex(t, num_tensors)) return false;
      out->inputs.push_back(static_cast<TensorId>(t));
    }
    for (uoffset_t i = 0; i < SizeOf(outputs); ++i) {
      const int32_t t = outputs->Get(i);
      if (!CheckTensorIndex(t, num_tensors)) return false;
      out->outputs.push_back(static_cast<TensorId>(t));
    }
    return true;
  }

  bool CheckTensorIndex(int32_t t, uoffset_t num_tensors) {
    if (t >= 0 && static_cast<uoffset_t>(t) < num_tensors) return true;
    return FailHere(
        absl::StrCat("references tensor ", t, ", but the subgraph has ", num_tensors, " tensors"));
  }

  // Ops come in execution order: each tensor has at most one producer, which runs before every
  // reader, and no op writes a constant.
  bool CheckDataflow(const HostSubgraph& sg, uoffset_t index, const std::vector<ParsedOp>& ops) {
    std::vector<int64_t> producer(sg.num_tensors(), -1);
    for (size_t i = 0; i < ops.size(); ++i) {
      for (TensorId t : ops[i].outputs) {
        if (producer[t] >= 0) {
          return Fail(absl::StrCat("tensor ", t, " of subgraph ", index,
                                   " is written by operators ", producer[t], " and ", i));
        }
        if (sg.tensor(t).weights.buffer != nullptr) {
          return Fail(absl::StrCat("operator ", i, " of subgraph ", index, " writes tensor ", t,
                                   ", which is a constant"));
        }
        producer[t] = static_cast<int64_t>(i);
      }
    }
    for (size_t i = 0; i < ops.size(); ++i) {
      for (TensorId t : ops[i].inputs) {
        if (producer[t] >= static_cast<int64_t>(i)) {
          return Fail(
              absl::StrCat("operator ", i, " of subgraph ", index, " reads tensor ", t,
                           producer[t] == static_cast<int64_t>(i)
                               ? ", which it writes itself"
                               : absl::StrCat(" before operator ", producer[t], " writes it")));
        }
      }
    }
    return true;
  }

  bool AddOperator(HostSubgraph& sg, const ParsedOp& op) {
    if (op.op_code == kZorvelOpCodeStablehloComposite) return AddComposite(sg, op);
    HostOp& host_op = sg.AddOp(op.op_code, op.inputs, op.outputs);
    const std::optional<uint8_t> expected = ExpectedOptionsTag(op.op_code);
    if (!expected.has_value() || op.options_tag == 0) return true;  // defaults
    if (op.options_tag != *expected) {
      return FailHere(absl::StrCat("(op code ", op.op_code, ") carries options of union type ",
                                   int{op.options_tag}, ", but that op takes type ",
                                   int{*expected}));
    }
    if (op.options == nullptr) return true;
    for (const OptionField& field : kOptionFields) {
      const OpOptionEntry* entry = FindOpOptionEntry(field.entry);
      if (entry == nullptr || entry->op_code != op.op_code) continue;
      if (!ReadOptionField(*op.options, field, host_op)) return false;
    }
    return true;
  }

  // Stores the field when the table has it; a missing field keeps the entry's default.
  bool ReadOptionField(const Table& options, const OptionField& field, HostOp& op) {
    const Table* t = &options;
    if (field.type == FieldType::kInt32Vector) {
      const FbVector<int32_t>* v = nullptr;
      if (!Vector(t, field.slot, "options", &v)) return false;
      if (v != nullptr) op.SetOption(field.entry, std::vector<int32_t>(v->begin(), v->end()));
      return true;
    }
    if (!t->CheckField(field.slot)) return true;
    switch (field.type) {
      case FieldType::kEnum8: {
        int8_t value = 0;
        if (!Scalar<int8_t>(t, field.slot, 0, "options", &value)) return false;
        // Enumerations are passed on as stored; only their low byte means anything.
        op.SetOption(field.entry, static_cast<uint32_t>(static_cast<uint8_t>(value)));
        return true;
      }
      case FieldType::kInt32: {
        int32_t value = 0;
        if (!Scalar<int32_t>(t, field.slot, 0, "options", &value)) return false;
        op.SetOption(field.entry, value);
        return true;
      }
      case FieldType::kBool: {
        uint8_t value = 0;
        if (!Scalar<uint8_t>(t, field.slot, 0, "options", &value)) return false;
        op.SetOption(field.entry, value != 0);
        return true;
      }
      case FieldType::kFloat: {
        float value = 0;
        if (!Scalar<float>(t, field.slot, 0.0f, "options", &value)) return false;
        op.SetOption(field.entry, value);
        return true;
      }
      case FieldType::kInt32Vector:
        break;
    }
    return true;
  }

  bool AddComposite(HostSubgraph& sg, const ParsedOp& op) {
    std::string name;
    int32_t decomposition = 0;
    const FbVector<uint8_t>* attributes = nullptr;
    int8_t format = 0;
    int32_t version = 0;
    if (op.options2_tag != 0 && op.options2_tag != kCompositeOptionsTag) {
      return FailHere(absl::StrCat("is a composite but carries options of union type ",
                                   int{op.options2_tag}, " instead of ",
                                   int{kCompositeOptionsTag}));
    }
    if (op.options2_tag == kCompositeOptionsTag && op.options2 != nullptr) {
      const Table* t = op.options2;
      if (!String(t, composite_slot::kName, "composite name", &name) ||
          !Scalar<int32_t>(t, composite_slot::kDecompositionSubgraphIndex, 0,
                           "decomposition_subgraph_index", &decomposition) ||
          !Vector(t, composite_slot::kAttributes, "composite_attributes", &attributes) ||
          !Scalar<int8_t>(t, composite_slot::kAttributesFormat, 0, "composite_attributes_format",
                          &format) ||
          !Scalar<int32_t>(t, composite_slot::kVersion, 0, "composite version", &version)) {
        return false;
      }
    }
    if (format != 0) {
      return FailHere(absl::StrCat("has composite attributes in format ", int{format},
                                   "; only FlexBuffers (0) are known"));
    }
    if (decomposition < 0 || static_cast<uoffset_t>(decomposition) >= num_subgraphs_) {
      return FailHere(absl::StrCat("names subgraph ", decomposition,
                                   " as its decomposition, but the model has ", num_subgraphs_,
                                   " subgraphs"));
    }
    std::vector<uint8_t> bytes;
    if (attributes != nullptr) bytes.assign(attributes->begin(), attributes->end());
    sg.AddComposite(std::move(name), op.inputs, op.outputs, std::move(bytes), decomposition,
                    version);
    return true;
  }

  const uint8_t* data_;
  size_t size_;
  std::shared_ptr<const void> keep_alive_;
  flatbuffers::Verifier verifier_;
  std::string context_;
  std::string error_;
  std::vector<ZorvelOpCode> op_codes_;
  std::vector<FileBuffer> buffers_;
  std::vector<std::shared_ptr<const HostBuffer>> views_;
  uoffset_t num_subgraphs_ = 0;
  std::unique_ptr<HostModel> model_;
};

absl::Status FileError(const std::string& what, const std::string& path, int error_number) {
  return absl::Status(
      absl::ErrnoToStatusCode(error_number),
      absl::StrCat("cannot ", what, " '", path, "': ", std::strerror(error_number)));
}

}  // namespace

absl::StatusOr<std::unique_ptr<HostModel>> ReadTfliteBuffer(std::shared_ptr<const void> data,
                                                            size_t size) {
  if (data == nullptr) return absl::InvalidArgumentError("no model data");
  if (reinterpret_cast<uintptr_t>(data.get()) % 8 != 0) {
    return absl::InvalidArgumentError("the model data is not 8-byte aligned");
  }
  const auto* bytes = static_cast<const uint8_t*>(data.get());
  return Reader(bytes, size, std::move(data)).Read();
}

absl::StatusOr<std::unique_ptr<HostModel>> ReadTfliteFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FileError("open", path, errno);
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    const int error_number = errno;
    ::close(fd);
    return FileError("stat", path, error_number);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return absl::InvalidArgumentError(absl::StrCat("'", path, "' is not a regular file"));
  }
  const size_t size = static_cast<size_t>(st.st_size);
  if (size == 0) {
    ::close(fd);
    return absl::InvalidArgumentError(absl::StrCat("'", path, "' is empty"));
  }
  void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  const int error_number = errno;
  ::close(fd);  // the mapping stays valid without the descriptor
  if (mapped == MAP_FAILED) return FileError("map", path, error_number);
  std::shared_ptr<const void> mapping(
      mapped, [size](const void* p) { ::munmap(const_cast<void*>(p), size); });
  absl::StatusOr<std::unique_ptr<HostModel>> model = ReadTfliteBuffer(std::move(mapping), size);
  if (!model.ok()) {
    return absl::Status(model.status().code(), absl::StrCat(path, ": ", model.status().message()));
  }
  return model;
}

}  // namespace zorvel::host
