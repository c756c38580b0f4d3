// zorvel-ov: plays host for a real run of the Intel OpenVINO compiler plug-in.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "absl/strings/ascii.h"
#include "absl/strings/numbers.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_join.h"
#include "nlohmann/json.hpp"
#include "tools/builtin_models.h"
#include "tools/compile_output.h"
#include "tools/compile_session.h"
#include "tools/model_runner.h"
#include "tools/module_info.h"
#include "tools/partition_graph.h"
#include "tools/plugin_loader.h"
#include "tools/rewrite_report.h"
#include "tools/stderr_capture.h"
#include "tools/verify.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_partition.h"
#include "zorvel/vendors/intel_openvino/compiler/partition_blob.h"

namespace zorvel::tools {
namespace {

constexpr const char kUsage[] =
    "usage: zorvel-ov [--plugin PATH] [-v] [--debug] COMMAND ...\n"
    "\n"
    "commands:\n"
    "  info                   load the plug-in and print what its table reports\n"
    "  partition [MODEL] [--soc NAME] [--option key=value]... [--dot FILE] [--svg FILE]\n"
    "                         ask the plug-in which ops of a model (the built-in \"small\" one\n"
    "                         when none is given) it takes, and why it leaves the others\n"
    "  compile [MODEL] [--soc WCL|LNL|PTL] [--option key=value]... [-o OUT] [--dot FILE]\n"
    "          [--svg FILE]\n"
    "                         partition and compile a model (the bundled example when none is\n"
    "                         given), write the call names and modules to OUT (default\n"
    "                         compiled.zvlout) and print a summary\n"
    "  inspect OUT            print the calls and modules of a compile output, or one module\n"
    "                         (partition blob or GlobalGraph container) saved on its own\n"
    "  verify [MODEL] [--soc NAME] [--option key=value]... [--tolerance T]\n"
    "                         compile, import and run every partition, compare it with its host\n"
    "                         subgraph evaluated directly; fails over the tolerance (default\n"
    "                         1e-4, relative to the largest value when that is above 1)\n"
    "  run [MODEL] [--input k=FILE.csv]... [--output-dir DIR] [--soc NAME] [--option k=v]...\n"
    "                         compile, then run the whole model: the partitions on their\n"
    "                         devices, the ops left to the host on ovref's CPU; input k is read\n"
    "                         from FILE.csv (comma-separated, row-major; quantized inputs in\n"
    "                         their integer type), output k is written to DIR/output<k>.csv\n"
    "                         (default DIR: .; quantized outputs in their integer type)\n"
    "\n"
    "MODEL is a .tflite file or a built-in model: example, small, gqa-26+7, moe-swiglu-1,\n"
    "moe-scaled-8.\n"
    "--option sets a key of the plug-in's \"intel_openvino\" options, e.g.\n"
    "  --option graph.-1.graph_backend=0  --option configs_map.enable_hfa=true\n"
    "--plugin PATH   the plug-in library (default: the one built beside this tool)\n"
    "--dot FILE      (partition, compile) write the partitioned model as a Graphviz graph: ops\n"
    "                by type, tensors with their shapes, one cluster per partition coloured by\n"
    "                device, ops left to the host in grey with the reason as tooltip\n"
    "--svg FILE      the same rendered as SVG with Graphviz's dot\n"
    "--json          write one JSON document with what the text form shows to standard output\n"
    "                (progress and errors stay on standard error; info, partition, compile,\n"
    "                inspect, verify, run)\n"
    "-v              pass the plug-in's INFO log lines through (warnings and errors always are)\n"
    "--debug         have the plug-in log at DEBUG too: what each NPU pass rewrote or declined\n"
    "                (its VERBOSE trace of every op the front end reads is kept back)\n";

using Json = nlohmann::ordered_json;

// With --json the commands fill one document, written to standard output at the end, and print
// no text; progress and errors still go to standard error.
bool g_json = false;
Json g_doc = Json::object();

// The text form, printed only without --json.
void Out(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Out(const char* format, ...) {
  if (g_json) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stdout, format, args);
  va_end(args);
}

// An error of the work: on standard error, and in the document as "error".
void ReportError(const std::string& message) {
  std::fprintf(stderr, "zorvel-ov: %s\n", message.c_str());
  if (!g_doc.contains("error")) g_doc["error"] = message;
}

Json RewritesJson(const RewriteReport& report) {
  Json partitions = Json::array();
  for (const PartitionRewrites& p : report.partitions) {
    Json rewrites = Json::array();
    for (const RewriteOutcome& r : p.rewrites) {
      Json declined = Json::array();
      for (const RewriteOutcome::Decline& d : r.declined) {
        declined.push_back({{"node", d.node}, {"reason", d.reason}});
      }
      rewrites.push_back({{"pass", r.pass},
                          {"switched_on_by", r.switched_on_by},
                          {"applied", r.applied < 0 ? Json(nullptr) : Json(r.applied)},
                          {"applied_to", r.applied_to},
                          {"declined", std::move(declined)},
                          {"summary", r.summary}});
    }
    partitions.push_back(
        {{"name", p.call_name}, {"device", p.device}, {"rewrites", std::move(rewrites)}});
  }
  return {{"options_ignored", report.options_ignored},
          {"any_switched_on", report.any_switched_on},
          {"partitions", std::move(partitions)}};
}

struct Arguments {
  std::string plugin_path = DefaultPluginPath();
  std::string soc_model;
  bool has_soc_model = false;
  std::vector<std::string> options;
  std::string out_path = "compiled.zvlout";
  double tolerance = 1e-4;
  bool verbose = false;
  bool debug = false;
  std::vector<std::string> inputs;  // "k=FILE.csv"
  std::string output_dir = ".";
  std::string dot_path;                 // --dot
  std::string svg_path;                 // --svg
  std::vector<std::string> positional;  // the command and its operands
};

// Writes the --dot and --svg pictures that were asked for.
int WritePictures(const Arguments& args, const PartitionPicture& picture) {
  if (args.dot_path.empty() && args.svg_path.empty()) return 0;
  const std::string dot = PartitionDot(picture);
  if (!args.dot_path.empty()) {
    if (absl::Status written = WriteFile(args.dot_path, dot); !written.ok()) {
      ReportError(std::string(written.message()));
      return 1;
    }
    g_doc["dot"] = args.dot_path;
  }
  if (!args.svg_path.empty()) {
    if (absl::Status rendered = RenderSvg(dot, args.svg_path); !rendered.ok()) {
      ReportError(std::string(rendered.message()));
      return 1;
    }
    g_doc["svg"] = args.svg_path;
  }
  return 0;
}

// The device the options send partition `index` to, as the plug-in reads graph_backend: the
// partition's own, else graph -1's, else the NPU.
std::string DeviceFromOptions(const std::vector<std::string>& settings, size_t index) {
  std::optional<int64_t> own;
  std::optional<int64_t> fallback;
  const std::string own_key = absl::StrCat("graph.", index, ".graph_backend");
  for (const std::string& setting : settings) {
    const size_t eq = setting.find('=');
    if (eq == std::string::npos) continue;
    const std::string key(absl::StripAsciiWhitespace(setting.substr(0, eq)));
    int64_t value = 0;
    if (!absl::SimpleAtoi(absl::StripAsciiWhitespace(setting.substr(eq + 1)), &value)) continue;
    if (key == own_key) own = value;
    if (key == "graph.-1.graph_backend") fallback = value;
  }
  switch (own.value_or(fallback.value_or(2))) {
    case 0:
      return "CPU";
    case 1:
      return "GPU";
    case 2:
    case 3:
      return "NPU";
    default:
      return "";
  }
}

int Partition(const PluginLibrary& plugin, const Arguments& arguments) {
  const std::vector<std::string>& args = arguments.positional;
  const char* soc_model = arguments.has_soc_model ? arguments.soc_model.c_str() : nullptr;
  if (args.size() > 2) {
    std::fprintf(stderr, "zorvel-ov: partition takes at most one model\n%s", kUsage);
    return 2;
  }
  std::unique_ptr<host::HostModel> model;
  if (args.size() == 2) {
    auto read = LoadModel(args[1]);
    if (!read.ok()) {
      ReportError(std::string(read.status().message()));
      return 1;
    }
    model = std::move(read).value();
  } else {
    model = BuildSmallPartitionModel();
  }
  const PluginApiTable& table = plugin.table();
  host::HostApi api;
  ZorvelCompilerPlugin handle = nullptr;
  if (table.create_plugin(api.table(), &handle, nullptr, nullptr) != kZorvelStatusOk) {
    ReportError("the plug-in could not be created");
    return 1;
  }
  host::ModelSelection selection(*model);
  int exit_code = 0;
  g_doc["model"] = args.size() == 2 ? args[1] : std::string("small");
  g_doc["soc_model"] = soc_model != nullptr ? Json(soc_model) : Json(nullptr);
  Json subgraphs = Json::array();
  std::vector<std::string> logs;
  for (size_t s = 0; s < model->num_subgraphs(); ++s) {
    StderrCapture capture;
    const ZorvelStatus status = table.partition(handle, soc_model, api.Handle(model->subgraph(s)),
                                                api.Handle(selection[s]));
    const std::string log = capture.Finish();
    logs.push_back(log);
    std::fputs(log.c_str(), stderr);
    Out("subgraph %zu: partition status %d\n", s, status);
    if (status != kZorvelStatusOk) exit_code = 1;
    const std::vector<std::string> reasons = ReasonsPerRefusedOp(log);
    size_t next_reason = 0;
    const host::HostSubgraph& sg = model->subgraph(s);
    Json ops = Json::array();
    for (host::OpId op = 0; op < sg.num_ops(); ++op) {
      const host::HostOp& host_op = sg.op(op);
      const std::string first_output =
          host_op.outputs.empty() ? std::string("-") : host_op.outputs[0]->name;
      const int32_t partition = selection[s].PartitionOf(op);
      if (partition >= 0) {
        Out("  op %-3u code %-4d %-16s selected, partition %d\n", op, host_op.op_code,
            first_output.c_str(), partition);
        ops.push_back({{"index", op},
                       {"op_code", host_op.op_code},
                       {"output", first_output},
                       {"selected", true},
                       {"partition", partition}});
      } else {
        const char* why =
            next_reason < reasons.size() ? reasons[next_reason++].c_str() : "not selected";
        Out("  op %-3u code %-4d %-16s left to the host: %s\n", op, host_op.op_code,
            first_output.c_str(), why);
        ops.push_back({{"index", op},
                       {"op_code", host_op.op_code},
                       {"output", first_output},
                       {"selected", false},
                       {"reason", why}});
      }
    }
    subgraphs.push_back({{"index", s}, {"partition_status", status}, {"ops", std::move(ops)}});
  }
  g_doc["subgraphs"] = std::move(subgraphs);
  const host::PartitionedModel partitioned = host::FormPartitions(selection);
  Out("partitions: %zu\n", partitioned.partitions.size());
  Json partitions = Json::array();
  for (size_t i = 0; i < partitioned.partitions.size(); ++i) {
    const host::Partition& p = partitioned.partitions[i];
    partitions.push_back({{"name", absl::StrCat("Partition_", i)},
                          {"subgraph", p.source_subgraph},
                          {"ops", p.source_ops.size()},
                          {"inputs", p.source_inputs.size()},
                          {"outputs", p.source_outputs.size()}});
    Out("  Partition_%zu: subgraph %zu, %zu ops, %zu inputs, %zu outputs\n", i, p.source_subgraph,
        p.source_ops.size(), p.source_inputs.size(), p.source_outputs.size());
  }
  g_doc["partitions"] = std::move(partitions);
  table.destroy_plugin(handle);
  PartitionPicture picture;
  picture.model = model.get();
  picture.partitions = &partitioned.partitions;
  for (size_t i = 0; i < partitioned.partitions.size(); ++i) {
    picture.devices.push_back(DeviceFromOptions(arguments.options, i));
  }
  picture.host_reasons = HostReasons(*model, partitioned.partitions, logs);
  if (WritePictures(arguments, picture) != 0) return 1;
  return exit_code;
}

int Info(const PluginLibrary& plugin) {
  const PluginApiTable& table = plugin.table();
  ZorvelApiVersion version{};
  if (table.get_api_version(&version) != kZorvelStatusOk) {
    ReportError("the plug-in did not report its API version");
    return 1;
  }
  ZorvelCompilerPlugin handle = nullptr;
  if (table.create_plugin(nullptr, &handle, nullptr, nullptr) != kZorvelStatusOk ||
      handle == nullptr) {
    ReportError("the plug-in could not be created");
    return 1;
  }
  int32_t hardware = 0;
  uint64_t num_soc_models = 0;
  const char* runtime = nullptr;
  const bool ok = table.get_supported_hardware(handle, &hardware) == kZorvelStatusOk &&
                  table.get_num_soc_models(handle, &num_soc_models) == kZorvelStatusOk &&
                  table.get_runtime_version(handle, &runtime) == kZorvelStatusOk;
  std::vector<std::string> soc_models;
  for (uint64_t i = 0; ok && i < num_soc_models; ++i) {
    const char* name = nullptr;
    if (table.get_soc_model(handle, i, &name) == kZorvelStatusOk && name != nullptr) {
      soc_models.emplace_back(name);
    }
  }
  table.destroy_plugin(handle);
  if (!ok) {
    ReportError("the plug-in did not answer its information entries");
    return 1;
  }

  g_doc["plugin"] = plugin.path();
  g_doc["api_version"] = absl::StrFormat("%d.%d.%d", version.major, version.minor, version.patch);
  g_doc["manufacturer"] = table.get_soc_manufacturer();
  g_doc["hardware"] = hardware;
  g_doc["soc_models"] = soc_models;
  g_doc["runtime"] = runtime != nullptr ? runtime : "";
  Out("plug-in:       %s\n", plugin.path().c_str());
  Out("API version:   %d.%d.%d\n", version.major, version.minor, version.patch);
  Out("manufacturer:  %s\n", table.get_soc_manufacturer());
  Out("hardware:      %d\n", hardware);
  Out("SoC models:   ");
  for (const std::string& name : soc_models) Out(" %s", name.c_str());
  Out("\n");
  Out("runtime:       %s\n", runtime);
  return 0;
}

std::string Bytes(uint64_t n) {
  if (n < 10 * 1024) return absl::StrCat(n, " bytes");
  if (n < 10 * 1024 * 1024) return absl::StrFormat("%.1f KiB", n / 1024.0);
  return absl::StrFormat("%.1f MiB", n / (1024.0 * 1024.0));
}

void Progress(const std::string& line) { std::fprintf(stderr, "zorvel-ov: %s\n", line.c_str()); }

CompileRequest RequestFor(const Arguments& args) {
  CompileRequest request;
  request.model = args.positional.size() > 1 ? args.positional[1] : std::string();
  request.soc_model = args.soc_model;
  request.options = args.options;
  request.verbose = args.verbose;
  request.debug = args.debug;
  request.rewrite_report = true;
  return request;
}

// The compile every command that needs one starts with: at most one model operand, then partition
// and compile with progress. On failure the message is printed and `exit_code` is set (2 for a
// usage error, 1 otherwise).
std::optional<CompileRun> CompileFor(const char* command, const PluginLibrary& plugin,
                                     const Arguments& args, int* exit_code) {
  if (args.positional.size() > 2) {
    std::fprintf(stderr, "zorvel-ov: %s takes at most one model\n%s", command, kUsage);
    *exit_code = 2;
    return std::nullopt;
  }
  absl::StatusOr<CompileRun> run = RunCompile(plugin, RequestFor(args), Progress);
  if (!run.ok()) {
    ReportError(std::string(run.status().message()));
    *exit_code = 1;
    return std::nullopt;
  }
  return *std::move(run);
}

int Compile(const PluginLibrary& plugin, const Arguments& args) {
  const CompileRequest request = RequestFor(args);
  int exit_code = 0;
  std::optional<CompileRun> run = CompileFor("compile", plugin, args, &exit_code);
  if (!run.has_value()) return exit_code;
  const std::string bytes = SerializeCompileOutput(run->output);
  if (absl::Status written = WriteFile(args.out_path, bytes); !written.ok()) {
    ReportError(std::string(written.message()));
    return 1;
  }

  const host::HostModel& source = *run->source;
  size_t num_ops = 0;
  for (size_t s = 0; s < source.num_subgraphs(); ++s) num_ops += source.subgraph(s).num_ops();
  uint64_t model_weights = 0;
  for (const auto& [id, buffer] : source.buffers()) model_weights += buffer->size();
  Out("model:          %s (%zu subgraphs, %zu ops, %s of weights in %zu buffers)\n",
      request.model.empty() ? kExampleModelName : request.model.c_str(), source.num_subgraphs(),
      num_ops, Bytes(model_weights).c_str(), source.buffers().size());
  Out("SoC model:      %s\n", args.has_soc_model ? args.soc_model.c_str() : "(none)");
  Out("partitions:     %zu\n", run->output.calls.size());
  g_doc["model"] = {{"name", request.model.empty() ? kExampleModelName : request.model},
                    {"subgraphs", source.num_subgraphs()},
                    {"ops", num_ops},
                    {"weight_bytes", model_weights},
                    {"buffers", source.buffers().size()}};
  g_doc["soc_model"] = args.has_soc_model ? Json(args.soc_model) : Json(nullptr);
  Json partitions = Json::array();
  uint64_t per_partition_weights = 0;
  for (size_t c = 0; c < run->output.calls.size(); ++c) {
    const CompiledCall& call = run->output.calls[c];
    const std::string& module = run->output.modules[call.module_index];
    absl::StatusOr<PartitionBlobView> blob = FindPartitionBlob(module, call.name);
    const host::Partition* partition =
        c < run->partitioned.partitions.size() ? &run->partitioned.partitions[c] : nullptr;
    const uint64_t weights =
        c < run->partition_weight_bytes.size() ? run->partition_weight_bytes[c] : 0;
    per_partition_weights += weights;
    Out("  %-13s subgraph %zu  %-3s  %4zu ops  blob %-12s weights %s\n", call.name.c_str(),
        partition != nullptr ? partition->source_subgraph : 0,
        blob.ok() ? DeviceCodeName(blob->device_code) : "?",
        partition != nullptr ? partition->source_ops.size() : 0,
        blob.ok() ? Bytes(blob->exported.size() + openvino::BlobHeader::kSize).c_str() : "?",
        Bytes(weights).c_str());
    partitions.push_back(
        {{"name", call.name},
         {"subgraph", partition != nullptr ? Json(partition->source_subgraph) : Json(nullptr)},
         {"device", blob.ok() ? Json(DeviceCodeName(blob->device_code)) : Json(nullptr)},
         {"ops", partition != nullptr ? partition->source_ops.size() : 0},
         {"inputs", partition != nullptr ? partition->source_inputs.size() : 0},
         {"outputs", partition != nullptr ? partition->source_outputs.size() : 0},
         {"module", call.module_index},
         {"blob_bytes",
          blob.ok() ? Json(blob->exported.size() + openvino::BlobHeader::kSize) : Json(nullptr)},
         {"weight_bytes", weights}});
  }
  g_doc["partitions"] = std::move(partitions);
  {
    PartitionPicture picture;
    picture.model = run->source.get();
    picture.partitions = &run->partitioned.partitions;
    for (size_t c = 0; c < run->partitioned.partitions.size(); ++c) {
      absl::StatusOr<PartitionBlobView> blob =
          c < run->output.calls.size()
              ? FindPartitionBlob(run->output.modules[run->output.calls[c].module_index],
                                  run->output.calls[c].name)
              : absl::StatusOr<PartitionBlobView>(absl::NotFoundError("no call"));
      picture.devices.push_back(blob.ok() ? DeviceCodeName(blob->device_code) : "");
    }
    std::vector<std::string> logs;
    for (const std::vector<std::string>& lines : run->partition_log) {
      logs.push_back(absl::StrJoin(lines, "\n"));
    }
    picture.host_reasons = HostReasons(*run->source, run->partitioned.partitions, logs);
    if (WritePictures(args, picture) != 0) return 1;
  }
  uint64_t module_bytes = 0;
  for (const std::string& module : run->output.modules) module_bytes += module.size();
  Out("modules:        %zu, %s in all\n", run->output.modules.size(), Bytes(module_bytes).c_str());
  uint64_t pooled = 0;
  bool has_container = false;
  for (const std::string& module : run->output.modules) {
    if (KindOf(module) != ModuleKind::kGlobalGraph) continue;
    has_container = true;
    absl::StatusOr<uint64_t> pool = PoolBytes(module);
    if (pool.ok()) pooled += *pool;
  }
  if (has_container) {
    Out("weights pooled: %s in one shared pool\n", Bytes(pooled).c_str());
    const int64_t saved =
        static_cast<int64_t>(per_partition_weights) - static_cast<int64_t>(pooled);
    Out("weights saved:  %s%s against %s of per-partition weights\n", saved < 0 ? "-" : "",
        Bytes(static_cast<uint64_t>(saved < 0 ? -saved : saved)).c_str(),
        Bytes(per_partition_weights).c_str());
  } else {
    Out("weights pooled: none (no GlobalGraph container: each module carries its own)\n");
    Out("weights saved:  0 bytes against %s of per-partition weights (%s distinct)\n",
        Bytes(per_partition_weights).c_str(), Bytes(run->distinct_weight_bytes).c_str());
  }
  Json module_sizes = Json::array();
  for (const std::string& module : run->output.modules) module_sizes.push_back(module.size());
  g_doc["modules"] = {{"count", run->output.modules.size()},
                      {"bytes", module_bytes},
                      {"sizes", std::move(module_sizes)}};
  g_doc["pool"] = {{"container", has_container},
                   {"pooled_bytes", pooled},
                   {"saved_bytes", has_container ? static_cast<int64_t>(per_partition_weights) -
                                                       static_cast<int64_t>(pooled)
                                                 : 0},
                   {"per_partition_weight_bytes", per_partition_weights},
                   {"distinct_weight_bytes", run->distinct_weight_bytes}};
  g_doc["rewrites"] = RewritesJson(run->rewrites);
  g_doc["output"] = {{"path", args.out_path}, {"bytes", bytes.size()}};
  Out("%s", FormatRewriteReport(run->rewrites).c_str());
  Out("wrote %s (%s)\n", args.out_path.c_str(), Bytes(bytes.size()).c_str());
  return 0;
}

int Inspect(const Arguments& args) {
  if (args.positional.size() != 2) {
    std::fprintf(stderr, "zorvel-ov: inspect takes one file\n%s", kUsage);
    return 2;
  }
  const std::string& path = args.positional[1];
  g_doc["file"] = path;
  absl::StatusOr<std::string> bytes = ReadFile(path);
  if (!bytes.ok()) {
    ReportError(std::string(bytes.status().message()));
    return 1;
  }
  // A bare module (a partition blob or a container saved on its own) is inspected as it is.
  if (KindOf(*bytes) != ModuleKind::kUnknown) {
    absl::StatusOr<std::string> text = DescribeModule(*bytes);
    if (!text.ok()) {
      ReportError(absl::StrCat(path, ": ", text.status().message()));
      return 1;
    }
    Out("%s: one module\n%s", path.c_str(), text->c_str());
    if (g_json) {
      absl::StatusOr<Json> module = DescribeModuleJson(*bytes);
      g_doc["kind"] = "module";
      g_doc["calls"] = Json::array();
      g_doc["modules"] = Json::array({module.ok() ? *module : Json::object()});
    }
    return 0;
  }
  absl::StatusOr<CompileOutput> output = ParseCompileOutput(*bytes);
  if (!output.ok()) {
    ReportError(absl::StrCat(path, ": ", output.status().message()));
    return 1;
  }
  Out("%s: compile output version %u, %zu call%s, %zu module%s\n", path.c_str(),
      kCompileOutputVersion, output->calls.size(), output->calls.size() == 1 ? "" : "s",
      output->modules.size(), output->modules.size() == 1 ? "" : "s");
  g_doc["kind"] = "compile_output";
  g_doc["version"] = kCompileOutputVersion;
  Json calls = Json::array();
  for (const CompiledCall& call : output->calls) {
    Out("  call %-13s module %u\n", call.name.c_str(), call.module_index);
    calls.push_back({{"name", call.name}, {"module", call.module_index}});
  }
  g_doc["calls"] = std::move(calls);
  int exit_code = 0;
  Json modules = Json::array();
  for (size_t m = 0; m < output->modules.size(); ++m) {
    if (g_json) {
      absl::StatusOr<Json> module = DescribeModuleJson(output->modules[m]);
      if (!module.ok()) {
        modules.push_back({{"error", std::string(module.status().message())}});
        exit_code = 1;
      } else {
        modules.push_back(*std::move(module));
      }
      continue;
    }
    Out("module %zu:\n", m);
    absl::StatusOr<std::string> text = DescribeModule(output->modules[m]);
    if (!text.ok()) {
      Out("  unreadable: %s\n", std::string(text.status().message()).c_str());
      exit_code = 1;
      continue;
    }
    Out("%s", text->c_str());
  }
  g_doc["modules"] = std::move(modules);
  return exit_code;
}

int Verify(const PluginLibrary& plugin, const Arguments& args) {
  const CompileRequest request = RequestFor(args);
  int exit_code = 0;
  std::optional<CompileRun> run = CompileFor("verify", plugin, args, &exit_code);
  if (!run.has_value()) return exit_code;
  const std::vector<PartitionCheck> checks = VerifyPartitions(*run);
  Out("%s", FormatRewriteReport(run->rewrites).c_str());
  Out("verify: %s, %zu partitions, tolerance %g (relative to the largest value, at least 1)\n",
      request.model.empty() ? kExampleModelName : request.model.c_str(), checks.size(),
      args.tolerance);
  bool passed = !checks.empty();
  g_doc["model"] = request.model.empty() ? kExampleModelName : request.model;
  g_doc["soc_model"] = args.has_soc_model ? Json(args.soc_model) : Json(nullptr);
  g_doc["tolerance"] = args.tolerance;
  g_doc["rewrites"] = RewritesJson(run->rewrites);
  Json partitions = Json::array();
  for (const PartitionCheck& check : checks) {
    Json outputs = Json::array();
    for (const PartitionCheck::Output& o : check.outputs) {
      outputs.push_back({{"name", o.name},
                         {"max_abs_error", o.max_abs_error},
                         {"max_abs_reference", o.max_abs_reference}});
    }
    const double check_limit = args.tolerance * std::max(1.0, check.max_abs_reference);
    partitions.push_back(
        {{"name", check.call_name},
         {"device", check.device},
         {"outputs", std::move(outputs)},
         {"max_abs_error", check.max_abs_error},
         {"max_abs_reference", check.max_abs_reference},
         {"limit", check_limit},
         {"ok", check.failure.empty() && check.max_abs_error <= check_limit},
         {"failure", check.failure.empty() ? Json(nullptr) : Json(check.failure)}});
    if (!check.failure.empty()) {
      Out("  %-13s %-3s  FAILED: %s\n", check.call_name.c_str(), check.device.c_str(),
          check.failure.c_str());
      passed = false;
      continue;
    }
    const double limit = args.tolerance * std::max(1.0, check.max_abs_reference);
    const bool ok = check.max_abs_error <= limit;
    passed &= ok;
    Out("  %-13s %-3s  %zu outputs  largest error %.3g (largest value %.3g)  %s\n",
        check.call_name.c_str(), check.device.c_str(), check.num_outputs, check.max_abs_error,
        check.max_abs_reference, ok ? "ok" : "OVER TOLERANCE");
  }
  if (checks.empty()) Out("  nothing was compiled\n");
  Out("verify: %s\n", passed ? "passed" : "FAILED");
  g_doc["partitions"] = std::move(partitions);
  g_doc["passed"] = passed;
  if (!passed) g_doc["error"] = "verify failed: a partition failed or is over the tolerance";
  return passed ? 0 : 1;
}

int RunModel(const PluginLibrary& plugin, const Arguments& args) {
  std::map<size_t, std::string> files;
  for (const std::string& input : args.inputs) {
    const size_t eq = input.find('=');
    size_t k = 0;
    if (eq == std::string::npos || !absl::SimpleAtoi(input.substr(0, eq), &k) ||
        eq + 1 == input.size() || !files.emplace(k, input.substr(eq + 1)).second) {
      std::fprintf(stderr, "zorvel-ov: --input wants k=FILE.csv, once per input, not '%s'\n",
                   input.c_str());
      return 2;
    }
  }
  int exit_code = 0;
  std::optional<CompileRun> run = CompileFor("run", plugin, args, &exit_code);
  if (!run.has_value()) return exit_code;
  const host::HostSubgraph& main = run->source->subgraph(0);
  std::vector<std::vector<double>> inputs(main.inputs().size());
  for (const auto& [k, path] : files) {
    if (k >= inputs.size()) {
      std::fprintf(stderr, "zorvel-ov: the model has %zu inputs, there is no input %zu\n",
                   inputs.size(), k);
      return 2;
    }
    absl::StatusOr<std::vector<double>> values = ReadCsvValues(path);
    if (!values.ok()) {
      ReportError(std::string(values.status().message()));
      return 1;
    }
    inputs[k] = *std::move(values);
  }
  for (size_t k = 0; k < inputs.size(); ++k) {
    if (files.count(k) == 0) {
      std::fprintf(stderr, "zorvel-ov: input %zu ('%s') needs --input %zu=FILE.csv\n", k,
                   main.inputs()[k]->name.c_str(), k);
      return 2;
    }
  }
  absl::StatusOr<std::vector<ov::Tensor>> outputs = RunCompiledModel(*run, inputs);
  if (!outputs.ok()) {
    ReportError(std::string(outputs.status().message()));
    return 1;
  }
  g_doc["model"] = args.positional.size() > 1 ? args.positional[1] : kExampleModelName;
  g_doc["outputs"] = Json::array();
  for (size_t k = 0; k < outputs->size(); ++k) {
    const host::HostTensor& tensor = *main.outputs()[k];
    const std::vector<double> values = OutputValues((*outputs)[k], tensor);
    const bool integral = !(*outputs)[k].get_element_type().is_real() ||
                          tensor.quantization.kind != kZorvelQuantizationNone;
    const std::string path = args.output_dir + "/output" + std::to_string(k) + ".csv";
    if (absl::Status written = WriteFile(path, FormatCsvValues(values, integral)); !written.ok()) {
      ReportError(std::string(written.message()));
      return 1;
    }
    Out("output %zu (%s): %zu values -> %s\n", k, tensor.name.c_str(), values.size(), path.c_str());
    g_doc["outputs"].push_back(
        {{"index", k}, {"name", tensor.name}, {"values", values.size()}, {"path", path}});
  }
  return 0;
}

int RunCommand(const Arguments& args);

int Main(int argc, char** argv) {
  Arguments args;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool takes_value = arg == "--plugin" || arg == "--soc" || arg == "--option" ||
                             arg == "-o" || arg == "--tolerance" || arg == "--input" ||
                             arg == "--output-dir" || arg == "--dot" || arg == "--svg";
    if (takes_value && i + 1 >= argc) {
      std::fprintf(stderr, "zorvel-ov: %s needs a value\n%s", argv[i], kUsage);
      return 2;
    }
    if (arg == "--plugin") {
      args.plugin_path = argv[++i];
    } else if (arg == "--soc") {
      args.soc_model = argv[++i];
      args.has_soc_model = true;
    } else if (arg == "--option") {
      args.options.emplace_back(argv[++i]);
    } else if (arg == "--input") {
      args.inputs.emplace_back(argv[++i]);
    } else if (arg == "--output-dir") {
      args.output_dir = argv[++i];
    } else if (arg == "--dot") {
      args.dot_path = argv[++i];
    } else if (arg == "--svg") {
      args.svg_path = argv[++i];
    } else if (arg == "-o") {
      args.out_path = argv[++i];
    } else if (arg == "--tolerance") {
      if (!absl::SimpleAtod(argv[++i], &args.tolerance) || !(args.tolerance >= 0)) {
        std::fprintf(stderr, "zorvel-ov: --tolerance wants a non-negative number\n");
        return 2;
      }
    } else if (arg == "-v" || arg == "--verbose") {
      args.verbose = true;
    } else if (arg == "--debug") {
      args.debug = true;
    } else if (arg == "--json") {
      g_json = true;
    } else if (arg == "--help" || arg == "-h") {
      std::printf("%s", kUsage);
      return 0;
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "zorvel-ov: unknown flag '%s'\n%s", argv[i], kUsage);
      return 2;
    } else {
      args.positional.push_back(arg);
    }
  }
  if (args.positional.empty()) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }
  const std::string& command = args.positional[0];
  if (command != "info" && command != "partition" && command != "compile" && command != "inspect" &&
      command != "verify" && command != "run") {
    std::fprintf(stderr, "zorvel-ov: unknown command '%s'\n%s", command.c_str(), kUsage);
    return 2;
  }
  if ((!args.dot_path.empty() || !args.svg_path.empty()) && command != "partition" &&
      command != "compile") {
    std::fprintf(stderr, "zorvel-ov: --dot and --svg go with partition and compile\n%s", kUsage);
    return 2;
  }
  g_doc["command"] = command;
  const int status = RunCommand(args);
  if (g_json) {
    g_doc["exit_status"] = status;
    if (status != 0 && !g_doc.contains("error")) g_doc["error"] = "see standard error";
    std::printf("%s\n", g_doc.dump(2, ' ', false, Json::error_handler_t::replace).c_str());
  }
  return status;
}

int RunCommand(const Arguments& args) {
  const std::string& command = args.positional[0];
  // Inspecting needs no plug-in: the file is all there is.
  if (command == "inspect") return Inspect(args);
  PluginLibrary plugin;
  std::string error;
  if (!plugin.Load(args.plugin_path, &error)) {
    ReportError(error);
    return 1;
  }
  if (command == "partition") {
    return Partition(plugin, args);
  }
  if (command == "compile") return Compile(plugin, args);
  if (command == "verify") return Verify(plugin, args);
  if (command == "run") return RunModel(plugin, args);
  return Info(plugin);
}

}  // namespace
}  // namespace zorvel::tools

int main(int argc, char** argv) { return zorvel::tools::Main(argc, argv); }
