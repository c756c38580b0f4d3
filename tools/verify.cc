#include "tools/verify.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <sstream>

#include "absl/strings/numbers.h"
#include "absl/strings/str_cat.h"
#include "openvino/frontend/tensorflow_lite/frontend.hpp"
#include "openvino/runtime/core.hpp"
#include "tools/model_runner.h"
#include "tools/module_info.h"
#include "zorvel/compiler/cc/zorvel_model.h"
#include "zorvel/host/host_api.h"
#include "zorvel/vendors/intel_openvino/compiler/global_graph_loader.h"
#include "zorvel/vendors/intel_openvino/compiler/graph_iterator.h"

namespace zorvel::tools {
namespace {

// Deterministic values that stay valid as indices for small tables.
void FillInput(ov::Tensor& t, size_t salt) {
  const ov::element::Type type = t.get_element_type();
  const size_t n = t.get_size();
  for (size_t j = 0; j < n; ++j) {
    const size_t k = j * 7 + salt * 3;
    if (type == ov::element::f32) {
      t.data<float>()[j] = static_cast<float>(static_cast<int>(k % 23) - 11) / 11.0f;
    } else if (type == ov::element::i32) {
      t.data<int32_t>()[j] = static_cast<int32_t>(k % 16);
    } else if (type == ov::element::i64) {
      t.data<int64_t>()[j] = static_cast<int64_t>(k % 16);
    } else if (type == ov::element::boolean || type == ov::element::u8) {
      t.data<uint8_t>()[j] = static_cast<uint8_t>(k % 2);
    } else if (type == ov::element::i8) {
      t.data<int8_t>()[j] = static_cast<int8_t>(k % 16);
    } else {
      std::memset(t.data(), 0, t.get_byte_size());
      return;
    }
  }
}

void CheckPartition(const CompileRun& run, const host::HostApi& api, size_t call_index,
                    ov::Core& core, std::map<uint32_t, openvino::LoadedGlobalGraph>& containers,
                    PartitionCheck& check) {
  const CompiledCall& call = run.output.calls[call_index];
  check.call_name = call.name;
  uint64_t partition = 0;
  if (call.name.rfind("Partition_", 0) != 0 ||
      !absl::SimpleAtoi(call.name.substr(10), &partition) ||
      partition >= run.partitioned.model->num_subgraphs()) {
    check.failure = "the call name names no partition of the compiled model";
    return;
  }
  const std::string& module = run.output.modules[call.module_index];
  absl::StatusOr<PartitionBlobView> blob = FindPartitionBlob(module, call.name);
  if (!blob.ok()) {
    check.failure = std::string(blob.status().message());
    return;
  }
  check.device = DeviceCodeName(blob->device_code);

  try {
    ov::CompiledModel compiled;
    ov::InferRequest request;
    std::vector<ov::Output<const ov::Node>> caller_inputs;
    if (KindOf(module) == ModuleKind::kGlobalGraph) {
      // The container's partitions run as the runtime runs them: imported with the pool as their
      // weights, pool-fed inputs already set.
      auto loaded = containers.find(call.module_index);
      if (loaded == containers.end()) {
        Expected<openvino::LoadedGlobalGraph> result = openvino::LoadGlobalGraph(core, module);
        if (!result.HasValue()) {
          check.failure = "the GlobalGraph container does not load: " + result.GetError().Message();
          return;
        }
        loaded = containers.emplace(call.module_index, std::move(result).Value()).first;
      }
      openvino::LoadedPartition* partition = loaded->second.Find(call.name);
      if (partition == nullptr) {
        check.failure = "the GlobalGraph container holds no partition of this name";
        return;
      }
      compiled = partition->compiled;
      request = partition->CreateInferRequest();
      caller_inputs = partition->CallerInputs();
    } else {
      std::istringstream stream(std::string(blob->exported));
      compiled = core.import_model(stream, check.device);
      request = compiled.create_infer_request();
      caller_inputs = compiled.inputs();
    }

    const Model host_model(api.table(),
                           const_cast<host::HostApi&>(api).Handle(*run.partitioned.model));
    Expected<Subgraph> subgraph = host_model.SubgraphAt(partition);
    if (!subgraph.HasValue()) {
      check.failure = "the host subgraph could not be read back";
      return;
    }
    ov::frontend::tensorflow_lite::FrontEnd front_end;
    std::shared_ptr<ov::frontend::tensorflow_lite::GraphIterator> iterator =
        std::make_shared<openvino::GraphIteratorDelegate>(api.table(), &*subgraph, check.device);
    const std::shared_ptr<ov::Model> direct = front_end.convert(front_end.load(ov::Any(iterator)));

    const auto& parameters = direct->get_parameters();
    if (caller_inputs.size() != parameters.size()) {
      check.failure = absl::StrCat("the compiled partition has ", caller_inputs.size(),
                                   " inputs, the host subgraph ", parameters.size());
      return;
    }
    ov::TensorVector inputs;
    for (size_t i = 0; i < parameters.size(); ++i) {
      const ov::PartialShape& shape = parameters[i]->get_partial_shape();
      if (!shape.is_static()) {
        check.failure = absl::StrCat("input ", i, " has the dynamic shape ", shape.to_string());
        return;
      }
      const ov::Output<const ov::Node>& port = caller_inputs[i];
      if (port.get_partial_shape() != shape ||
          port.get_element_type() != parameters[i]->get_element_type()) {
        check.failure = absl::StrCat("input ", i, " is ", port.get_partial_shape().to_string(),
                                     port.get_element_type() == parameters[i]->get_element_type()
                                         ? ""
                                         : " " + port.get_element_type().to_string(),
                                     " in the compiled partition and ", shape.to_string(),
                                     port.get_element_type() == parameters[i]->get_element_type()
                                         ? ""
                                         : " " + parameters[i]->get_element_type().to_string(),
                                     " in the host subgraph");
        return;
      }
      ov::Tensor t(parameters[i]->get_element_type(), shape.to_shape());
      FillInput(t, i);
      inputs.push_back(t);
      request.set_tensor(port, t);
    }
    ov::TensorVector expected;
    if (!direct->evaluate(expected, inputs)) {
      check.failure = "the host subgraph could not be evaluated directly";
      return;
    }
    request.infer();
    check.num_outputs = expected.size();
    if (compiled.outputs().size() != expected.size()) {
      check.failure = absl::StrCat("the compiled partition has ", compiled.outputs().size(),
                                   " outputs, the host subgraph ", expected.size());
      return;
    }
    for (size_t o = 0; o < expected.size(); ++o) {
      const ov::Tensor actual = request.get_output_tensor(o);
      PartitionCheck::Output& out = check.outputs.emplace_back();
      if (!compiled.outputs()[o].get_names().empty())
        out.name = compiled.outputs()[o].get_any_name();
      if (actual.get_shape() != expected[o].get_shape()) {
        check.failure = absl::StrCat("output ", o, " has shape ", actual.get_shape().to_string(),
                                     ", expected ", expected[o].get_shape().to_string());
        return;
      }
      for (size_t j = 0; j < actual.get_size(); ++j) {
        double a = 0;
        double e = 0;
        if (!ElementAsDouble(actual, j, &a) || !ElementAsDouble(expected[o], j, &e)) {
          check.failure =
              absl::StrCat("output ", o, " has element type ",
                           actual.get_element_type().to_string(), ", which cannot be compared");
          return;
        }
        const double error = std::isnan(a) != std::isnan(e) ? INFINITY
                             : std::isnan(a)                ? 0
                                                            : std::fabs(a - e);
        out.max_abs_error = std::max(out.max_abs_error, error);
        if (std::isfinite(e)) out.max_abs_reference = std::max(out.max_abs_reference, std::fabs(e));
      }
      check.max_abs_error = std::max(check.max_abs_error, out.max_abs_error);
      check.max_abs_reference = std::max(check.max_abs_reference, out.max_abs_reference);
    }
  } catch (const std::exception& e) {
    check.failure = e.what();
  }
}

}  // namespace

std::vector<PartitionCheck> VerifyPartitions(const CompileRun& run) {
  host::HostApi api;
  std::vector<PartitionCheck> checks(run.output.calls.size());
  try {
    ov::Core core;
    std::map<uint32_t, openvino::LoadedGlobalGraph> containers;
    for (size_t c = 0; c < run.output.calls.size(); ++c) {
      CheckPartition(run, api, c, core, containers, checks[c]);
    }
  } catch (const std::exception& e) {
    for (PartitionCheck& check : checks) {
      if (check.failure.empty()) check.failure = e.what();
    }
  }
  return checks;
}

}  // namespace zorvel::tools
