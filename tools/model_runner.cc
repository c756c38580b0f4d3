#include "tools/model_runner.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <utility>

#include "absl/strings/numbers.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_split.h"
#include "absl/strings/string_view.h"
#include "absl/strings/strip.h"
#include "openvino/core/except.hpp"
#include "openvino/frontend/tensorflow_lite/frontend.hpp"
#include "openvino/runtime/core.hpp"
#include "openvino/runtime/infer_request.hpp"
#include "tools/module_info.h"
#include "zorvel/compiler/cc/zorvel_model.h"
#include "zorvel/host/host_api.h"
#include "zorvel/vendors/intel_openvino/compiler/global_graph_loader.h"
#include "zorvel/vendors/intel_openvino/compiler/graph_iterator.h"

namespace zorvel::tools {
namespace {

template <typename T>
void Fill(ov::Tensor& t, const std::vector<double>& values) {
  T* data = t.data<T>();
  for (size_t j = 0; j < values.size(); ++j) data[j] = static_cast<T>(values[j]);
}

absl::Status FillTensor(ov::Tensor& t, const std::vector<double>& values) {
  if (values.size() != t.get_size()) {
    return absl::InvalidArgumentError(absl::StrCat("holds ", values.size(), " values, the input ",
                                                   t.get_shape().to_string(), " takes ",
                                                   t.get_size()));
  }
  const ov::element::Type type = t.get_element_type();
  if (type == ov::element::f32) {
    Fill<float>(t, values);
  } else if (type == ov::element::f64) {
    Fill<double>(t, values);
  } else if (type == ov::element::i64) {
    Fill<int64_t>(t, values);
  } else if (type == ov::element::i32) {
    Fill<int32_t>(t, values);
  } else if (type == ov::element::i16) {
    Fill<int16_t>(t, values);
  } else if (type == ov::element::u16) {
    Fill<uint16_t>(t, values);
  } else if (type == ov::element::i8) {
    Fill<int8_t>(t, values);
  } else if (type == ov::element::u8 || type == ov::element::boolean) {
    Fill<uint8_t>(t, values);
  } else {
    return absl::UnimplementedError(
        absl::StrCat("has the element type ", type.get_type_name(), ", which cannot be filled"));
  }
  return absl::OkStatus();
}

// The range of a host integer element type, or false for other types.
bool IntegerRange(ZorvelElementType type, double* lo, double* hi) {
  switch (type) {
    case kZorvelElementTypeInt8:
      *lo = -128, *hi = 127;
      return true;
    case kZorvelElementTypeUInt8:
      *lo = 0, *hi = 255;
      return true;
    case kZorvelElementTypeInt16:
      *lo = -32768, *hi = 32767;
      return true;
    case kZorvelElementTypeUInt16:
      *lo = 0, *hi = 65535;
      return true;
    case kZorvelElementTypeInt32:
      *lo = -2147483648.0, *hi = 2147483647.0;
      return true;
    default:
      return false;
  }
}

ov::Tensor Copy(const ov::Tensor& t) {
  ov::Tensor copy(t.get_element_type(), t.get_shape());
  if (t.get_byte_size() != 0) std::memcpy(copy.data(), t.data(), t.get_byte_size());
  return copy;
}

// The compiled input ports of a step's own inputs: every port not fed by a fixed input, in order;
// there must be one per input the step reads.
absl::Status OwnPortsOf(const ov::CompiledModel& compiled,
                        const std::vector<std::pair<std::string, ov::Tensor>>& fixed,
                        size_t expected, const std::string& what, std::vector<size_t>& ports) {
  ports.clear();
  const std::vector<ov::Output<const ov::Node>> inputs = compiled.inputs();
  for (size_t i = 0; i < inputs.size(); ++i) {
    bool is_fixed = false;
    for (const auto& entry : fixed) {
      is_fixed |= inputs[i].get_names().count(entry.first) != 0;
    }
    if (!is_fixed) ports.push_back(i);
  }
  if (ports.size() != expected) {
    return absl::FailedPreconditionError(
        absl::StrCat(what, " has ", ports.size(), " inputs to feed, its host subgraph ", expected));
  }
  return absl::OkStatus();
}

}  // namespace

bool ElementAsDouble(const ov::Tensor& t, size_t j, double* out) {
  const ov::element::Type type = t.get_element_type();
  if (type == ov::element::f32) {
    *out = t.data<const float>()[j];
  } else if (type == ov::element::f64) {
    *out = t.data<const double>()[j];
  } else if (type == ov::element::i64) {
    *out = static_cast<double>(t.data<const int64_t>()[j]);
  } else if (type == ov::element::i32) {
    *out = t.data<const int32_t>()[j];
  } else if (type == ov::element::i16) {
    *out = t.data<const int16_t>()[j];
  } else if (type == ov::element::u16) {
    *out = t.data<const uint16_t>()[j];
  } else if (type == ov::element::i8) {
    *out = t.data<const int8_t>()[j];
  } else if (type == ov::element::u8 || type == ov::element::boolean) {
    *out = t.data<const uint8_t>()[j];
  } else {
    return false;
  }
  return true;
}

absl::Status ModelRunner::OwnPorts(Step& step) {
  return OwnPortsOf(step.compiled, step.fixed_inputs, step.inputs.size(), step.what,
                    step.own_ports);
}

ModelRunner::ModelRunner(const host::HostModel& source, const host::PartitionedModel& partitioned)
    : source_(source),
      partitioned_(partitioned),
      compiled_partitions_(partitioned.partitions.size()),
      fixed_inputs_(partitioned.partitions.size()),
      have_partition_(partitioned.partitions.size(), false) {}

void ModelRunner::SetCompiledPartition(
    size_t index, ov::CompiledModel compiled,
    std::vector<std::pair<std::string, ov::Tensor>> fixed_inputs) {
  if (index >= compiled_partitions_.size()) return;
  compiled_partitions_[index] = std::move(compiled);
  fixed_inputs_[index] = std::move(fixed_inputs);
  have_partition_[index] = true;
  prepared_ = false;
}

absl::Status ModelRunner::Prepare() {
  if (source_.num_subgraphs() == 0) return absl::InvalidArgumentError("the model has no subgraph");
  const host::HostSubgraph& main = source_.subgraph(0);

  // Which op of the main subgraph each compiled partition starts at.
  std::vector<int64_t> partition_at(main.num_ops(), -1);
  std::vector<bool> covered(main.num_ops(), false);
  for (size_t p = 0; p < partitioned_.partitions.size(); ++p) {
    const host::Partition& partition = partitioned_.partitions[p];
    if (partition.source_subgraph != 0 || partition.source_ops.empty()) continue;
    if (!have_partition_[p]) {
      return absl::FailedPreconditionError(
          absl::StrCat("partition ", p, " has no compiled model to run"));
    }
    partition_at[partition.source_ops.front()] = static_cast<int64_t>(p);
    for (const host::OpId op : partition.source_ops) covered[op] = true;
  }

  // Every op left to the host becomes a one-op subgraph of its own, formed by the same partition
  // step, so that its constants and boundary tensors are those a partition would have.
  host::ModelSelection selection(source_);
  for (host::OpId op = 0; op < main.num_ops(); ++op) {
    if (covered[op]) continue;
    if (selection[0].Add(main.op(op), static_cast<int32_t>(op)) != kZorvelStatusOk) {
      return absl::InternalError(absl::StrCat("host op ", op, " could not be set apart"));
    }
  }
  host::PartitionedModel host_ops = host::FormPartitions(selection);
  std::map<host::OpId, size_t> host_op_piece;
  for (size_t i = 0; i < host_ops.partitions.size(); ++i) {
    host_op_piece[host_ops.partitions[i].source_ops.front()] = i;
  }

  host::HostApi api;
  ov::Core core;
  ov::frontend::tensorflow_lite::FrontEnd front_end;
  steps_.clear();
  for (host::OpId op = 0; op < main.num_ops(); ++op) {
    if (partition_at[op] >= 0) {
      const host::Partition& partition = partitioned_.partitions[partition_at[op]];
      Step step;
      step.inputs = partition.source_inputs;
      step.outputs = partition.source_outputs;
      step.compiled = compiled_partitions_[partition_at[op]];
      step.fixed_inputs = fixed_inputs_[partition_at[op]];
      step.what = absl::StrCat("partition ", partition_at[op]);
      if (absl::Status ports = OwnPorts(step); !ports.ok()) return ports;
      steps_.push_back(std::move(step));
      continue;
    }
    const auto piece = host_op_piece.find(op);
    if (piece == host_op_piece.end()) continue;  // inside a partition
    const host::Partition& partition = host_ops.partitions[piece->second];
    Step step;
    step.inputs = partition.source_inputs;
    step.outputs = partition.source_outputs;
    step.what = absl::StrCat("host op ", op, " (op code ", main.op(op).op_code, ")");
    try {
      const Model model(api.table(), api.Handle(*host_ops.model));
      Expected<Subgraph> subgraph = model.SubgraphAt(piece->second);
      if (!subgraph.HasValue()) {
        return absl::InternalError(absl::StrCat(step.what, " could not be read back"));
      }
      std::shared_ptr<ov::frontend::tensorflow_lite::GraphIterator> iterator =
          std::make_shared<openvino::GraphIteratorDelegate>(api.table(), &*subgraph, "CPU");
      const std::shared_ptr<ov::Model> ov_model =
          front_end.convert(front_end.load(ov::Any(iterator)));
      step.compiled = core.compile_model(ov_model, "CPU");
    } catch (const std::exception& e) {
      return absl::UnimplementedError(
          absl::StrCat(step.what, " was left to the host and cannot be run here: ", e.what()));
    }
    if (absl::Status ports = OwnPorts(step); !ports.ok()) return ports;
    steps_.push_back(std::move(step));
  }
  prepared_ = true;
  return absl::OkStatus();
}

absl::StatusOr<std::vector<ov::Tensor>> ModelRunner::Run(
    const std::vector<std::vector<double>>& inputs) {
  if (!prepared_) {
    if (absl::Status status = Prepare(); !status.ok()) return status;
  }
  const host::HostSubgraph& main = source_.subgraph(0);
  if (inputs.size() != main.inputs().size()) {
    return absl::InvalidArgumentError(absl::StrCat("the model takes ", main.inputs().size(),
                                                   " inputs, ", inputs.size(), " were given"));
  }
  std::map<host::TensorId, const std::vector<double>*> pending;  // model inputs not yet typed
  for (size_t k = 0; k < inputs.size(); ++k) pending[main.inputs()[k]->index] = &inputs[k];

  std::map<host::TensorId, ov::Tensor> values;
  try {
    for (Step& step : steps_) {
      ov::InferRequest request = step.compiled.create_infer_request();
      for (const auto& [name, tensor] : step.fixed_inputs) request.set_tensor(name, tensor);
      for (size_t i = 0; i < step.inputs.size(); ++i) {
        const host::TensorId id = step.inputs[i];
        auto value = values.find(id);
        if (value == values.end()) {
          const auto given = pending.find(id);
          if (given == pending.end()) {
            return absl::FailedPreconditionError(
                absl::StrCat(step.what, " reads tensor '", main.tensor(id).name,
                             "', which nothing before it computes"));
          }
          const ov::Output<const ov::Node>& port = step.compiled.inputs()[step.own_ports[i]];
          if (!port.get_partial_shape().is_static()) {
            return absl::UnimplementedError(
                absl::StrCat("input '", main.tensor(id).name, "' has the dynamic shape ",
                             port.get_partial_shape().to_string(), " in ", step.what));
          }
          ov::Tensor t(port.get_element_type(), port.get_shape());
          if (absl::Status filled = FillTensor(t, *given->second); !filled.ok()) {
            return absl::InvalidArgumentError(
                absl::StrCat("input '", main.tensor(id).name, "' ", filled.message()));
          }
          value = values.emplace(id, std::move(t)).first;
        }
        request.set_input_tensor(step.own_ports[i], value->second);
      }
      request.infer();
      for (size_t o = 0; o < step.outputs.size(); ++o) {
        values[step.outputs[o]] = Copy(request.get_output_tensor(o));
      }
    }
  } catch (const std::exception& e) {
    return absl::InternalError(absl::StrCat("running the model failed: ", e.what()));
  }

  std::vector<ov::Tensor> outputs;
  for (const host::HostTensor* output : main.outputs()) {
    const auto value = values.find(output->index);
    if (value == values.end()) {
      return absl::FailedPreconditionError(
          absl::StrCat("output '", output->name, "' was not computed"));
    }
    outputs.push_back(value->second);
  }
  return outputs;
}

absl::StatusOr<std::vector<ov::Tensor>> RunCompiledModel(
    const CompileRun& run, const std::vector<std::vector<double>>& inputs) {
  ModelRunner runner(*run.source, run.partitioned);
  ov::Core core;
  // Containers loaded once each; their pools back the imported partitions until the run ends.
  std::map<uint32_t, openvino::LoadedGlobalGraph> containers;
  try {
    for (const CompiledCall& call : run.output.calls) {
      uint64_t partition = 0;
      if (call.name.rfind("Partition_", 0) != 0 ||
          !absl::SimpleAtoi(call.name.substr(10), &partition) ||
          partition >= run.partitioned.partitions.size()) {
        return absl::FailedPreconditionError(
            absl::StrCat("call '", call.name, "' names no partition of the compiled model"));
      }
      if (call.module_index >= run.output.modules.size()) {
        return absl::FailedPreconditionError(
            absl::StrCat("call '", call.name, "' refers to a module that does not exist"));
      }
      const std::string& module = run.output.modules[call.module_index];
      if (KindOf(module) == ModuleKind::kGlobalGraph) {
        auto loaded = containers.find(call.module_index);
        if (loaded == containers.end()) {
          Expected<openvino::LoadedGlobalGraph> graph =
              openvino::LoadGlobalGraph(core, std::make_shared<const std::string>(module));
          if (!graph.HasValue()) {
            return absl::FailedPreconditionError(
                absl::StrCat("module ", call.module_index, ": ", graph.GetError().Message()));
          }
          loaded = containers.emplace(call.module_index, std::move(*graph)).first;
        }
        openvino::LoadedPartition* found = loaded->second.Find(call.name);
        if (found == nullptr) {
          return absl::FailedPreconditionError(
              absl::StrCat("the container holds no partition '", call.name, "'"));
        }
        runner.SetCompiledPartition(partition, found->compiled, found->pool_inputs);
        continue;
      }
      absl::StatusOr<PartitionBlobView> blob = FindPartitionBlob(module, call.name);
      if (!blob.ok()) return blob.status();
      std::istringstream stream{std::string(blob->exported)};
      runner.SetCompiledPartition(partition,
                                  core.import_model(stream, DeviceCodeName(blob->device_code)));
    }
  } catch (const std::exception& e) {
    return absl::InternalError(
        absl::StrCat("importing the compiled partitions failed: ", e.what()));
  }
  return runner.Run(inputs);
}

std::vector<double> OutputValues(const ov::Tensor& value, const host::HostTensor& tensor) {
  std::vector<double> out(value.get_size());
  for (size_t j = 0; j < out.size(); ++j) {
    if (!ElementAsDouble(value, j, &out[j])) out[j] = std::numeric_limits<double>::quiet_NaN();
  }
  double lo = 0;
  double hi = 0;
  const bool quantized_float = value.get_element_type().is_real() &&
                               tensor.quantization.kind == kZorvelQuantizationPerTensor &&
                               tensor.quantization.scale != 0 &&
                               IntegerRange(tensor.type.element_type, &lo, &hi);
  if (quantized_float) {
    const double scale = tensor.quantization.scale;
    const double zero_point = static_cast<double>(tensor.quantization.zero_point);
    for (double& v : out) {
      const double q = std::round(v / scale) + zero_point;  // std::round: ties away from zero
      v = std::min(hi, std::max(lo, q));
    }
  }
  return out;
}

absl::StatusOr<std::vector<double>> ReadCsvValues(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return absl::NotFoundError(absl::StrCat("cannot open ", path));
  std::stringstream text;
  text << file.rdbuf();
  std::vector<double> values;
  size_t field = 0;
  for (absl::string_view item : absl::StrSplit(text.str(), absl::ByAnyChar(",\n\r"))) {
    ++field;
    item = absl::StripAsciiWhitespace(item);
    if (item.empty()) continue;
    double v = 0;
    if (!absl::SimpleAtod(item, &v)) {
      return absl::InvalidArgumentError(
          absl::StrCat(path, ": field ", field, " ('", item, "') is not a number"));
    }
    values.push_back(v);
  }
  return values;
}

std::string FormatCsvValues(const std::vector<double>& values, bool integral) {
  std::string out;
  for (size_t j = 0; j < values.size(); ++j) {
    if (j != 0) out += ',';
    if (integral) {
      absl::StrAppend(&out, static_cast<int64_t>(values[j]));
    } else {
      absl::StrAppend(&out, absl::StrFormat("%.9g", values[j]));
    }
  }
  out += '\n';
  return out;
}

}  // namespace zorvel::tools
