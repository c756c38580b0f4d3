#include "tools/compile_session.h"

#include <pthread.h>
#include <time.h>

#include <chrono>
#include <map>
#include <set>
#include <utility>

#include "absl/status/status.h"
#include "absl/strings/ascii.h"
#include "absl/strings/match.h"
#include "absl/strings/numbers.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_join.h"
#include "logging/zorvel_log_severity.h"
#include "tools/builtin_models.h"
#include "tools/stderr_capture.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/tflite_reader.h"

namespace zorvel::tools {
namespace {

// Weight bytes of the distinct buffers `subgraph` reads, added to `seen` model-wide.
uint64_t DistinctWeightBytes(const host::HostSubgraph& subgraph,
                             std::set<const host::HostBuffer*>& seen) {
  std::set<const host::HostBuffer*> own;
  uint64_t bytes = 0;
  for (host::TensorId t = 0; t < subgraph.num_tensors(); ++t) {
    const host::HostBuffer* buffer = subgraph.tensor(t).weights.buffer.get();
    if (buffer == nullptr || !own.insert(buffer).second) continue;
    bytes += buffer->size();
    seen.insert(buffer);
  }
  return bytes;
}

// The message of a plug-in log line, without "SEVERITY: [file:line] ".
std::string LogMessage(const std::string& line) {
  const size_t bracket = line.find("] ");
  return bracket == std::string::npos ? line : line.substr(bracket + 2);
}

// The logger names DEBUG "<Unknown severity>".
bool IsDebugLogLine(const std::string& line) {
  return absl::StartsWith(line, "<Unknown severity>: ") || absl::StartsWith(line, "DEBUG: ");
}

bool IsQuietLogLine(const std::string& line) {
  return absl::StartsWith(line, "INFO: ") || IsDebugLogLine(line) ||
         absl::StartsWith(line, "VERBOSE: ");
}

}  // namespace

absl::StatusOr<std::unique_ptr<host::HostModel>> LoadModel(const std::string& name) {
  if (name.empty()) return BuildBuiltinModel(kExampleModelName);
  if (std::unique_ptr<host::HostModel> builtin = BuildBuiltinModel(name)) return builtin;
  if (absl::EndsWith(name, ".tflite") || name.find('/') != std::string::npos) {
    absl::StatusOr<std::unique_ptr<host::HostModel>> read = host::ReadTfliteFile(name);
    if (!read.ok()) {
      return absl::Status(read.status().code(), absl::StrCat(name, ": ", read.status().message()));
    }
    return read;
  }
  return absl::InvalidArgumentError(absl::StrCat("unknown model '", name,
                                                 "': give a .tflite file or one of the built-in "
                                                 "models (",
                                                 absl::StrJoin(BuiltinModelNames(), ", "), ")"));
}

absl::StatusOr<std::string> VendorPayload(const std::vector<std::string>& settings) {
  std::string payload;
  for (const std::string& setting : settings) {
    const size_t equals = setting.find('=');
    if (equals == std::string::npos || equals == 0) {
      return absl::InvalidArgumentError(
          absl::StrCat("--option wants key=value, not '", setting, "'"));
    }
    const std::string key(absl::StripAsciiWhitespace(setting.substr(0, equals)));
    const std::string value(absl::StripAsciiWhitespace(setting.substr(equals + 1)));
    for (char c : key) {
      if (!absl::ascii_isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.' && c != '-') {
        return absl::InvalidArgumentError(absl::StrCat("--option key '", key,
                                                       "' may hold only letters, digits, '_', "
                                                       "'.' and '-'"));
      }
    }
    if (value.find('\n') != std::string::npos) {
      return absl::InvalidArgumentError(absl::StrCat("--option ", key, ": value spans lines"));
    }
    int64_t number = 0;
    const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    if (quoted || value == "true" || value == "false" || absl::SimpleAtoi(value, &number)) {
      absl::StrAppend(&payload, key, " = ", value, "\n");
      continue;
    }
    std::string escaped;
    for (char c : value) {
      if (c == '"' || c == '\\') escaped.push_back('\\');
      escaped.push_back(c);
    }
    absl::StrAppend(&payload, key, " = \"", escaped, "\"\n");
  }
  return payload;
}

absl::StatusOr<CompileRun> RunCompile(const PluginLibrary& plugin, const CompileRequest& request,
                                      const ProgressFn& progress) {
  absl::StatusOr<std::unique_ptr<host::HostModel>> model = LoadModel(request.model);
  if (!model.ok()) return model.status();
  return RunCompileOn(plugin, std::move(model).value(), request, progress);
}

absl::StatusOr<CompileRun> RunCompileOn(const PluginLibrary& plugin,
                                        std::unique_ptr<host::HostModel> model,
                                        const CompileRequest& request, const ProgressFn& progress) {
  absl::StatusOr<std::string> payload = VendorPayload(request.options);
  if (!payload.ok()) return payload.status();

  CompileRun run;
  run.source = std::move(model);
  const PluginApiTable& table = plugin.table();
  host::HostApi api;
  host::HostOptions options;
  host::HostEnvironment environment;
  if (request.debug || request.rewrite_report) environment.SetLogLevel(kZorvelLogSeverityDebug);
  options.SetOpaque("intel_openvino", *payload);
  ZorvelCompilerPlugin handle = nullptr;
  if (table.create_plugin(api.table(), &handle, api.Handle(environment), api.Handle(options)) !=
          kZorvelStatusOk ||
      handle == nullptr) {
    return absl::InternalError("the plug-in could not be created");
  }
  struct PluginCloser {
    const PluginApiTable& table;
    ZorvelCompilerPlugin handle;
    ~PluginCloser() { table.destroy_plugin(handle); }
  } closer{table, handle};
  const char* soc = request.soc_model.empty() ? nullptr : request.soc_model.c_str();

  // The plug-in logs to standard error; keep its warnings and errors, and its INFO lines only
  // when asked, and turn its per-partition line into progress.
  uint64_t num_partitions = 0;
  auto filter = [&](const StderrTap& tap, const std::string& line) {
    const std::string message = LogMessage(line);
    if (absl::StartsWith(message, "Compiling partition ")) {
      uint64_t index = 0;
      const std::string rest = message.substr(20);
      const size_t space = rest.find(' ');
      if (absl::SimpleAtoi(rest.substr(0, space), &index)) {
        const size_t device = rest.find("for device ");
        if (progress) {
          tap.WriteToTerminal(absl::StrCat(
              "zorvel-ov: [", index + 1, "/", num_partitions, "] compiling Partition_", index,
              device == std::string::npos ? std::string()
                                          : absl::StrCat(" on ", rest.substr(device + 11)),
              "\n"));
        }
      }
    }
    // VERBOSE lines, written only at the DEBUG level, trace every op and attribute the front end
    // reads: kept back even then, so the DEBUG lines of the passes stay readable.
    if (absl::StartsWith(line, "VERBOSE: ")) return;
    // DEBUG lines gathered only for the rewrite report stay back unless --debug asked for them.
    if (IsDebugLogLine(line) && !request.debug) return;
    if (request.verbose || !IsQuietLogLine(line)) tap.WriteToTerminal(line + "\n");
  };

  host::ModelSelection selection(*run.source);
  for (size_t s = 0; s < run.source->num_subgraphs(); ++s) {
    ZorvelStatus status;
    run.partition_log.emplace_back();
    {
      StderrTap tap([&](const StderrTap& tap, const std::string& line) {
        run.partition_log.back().push_back(line);
        filter(tap, line);
      });
      status = table.partition(handle, soc, api.Handle(run.source->subgraph(s)),
                               api.Handle(selection[s]));
      tap.Finish();
    }
    if (status != kZorvelStatusOk) {
      return absl::InternalError(
          absl::StrCat("the plug-in's partition of subgraph ", s, " failed with status ", status));
    }
  }
  run.partitioned = host::FormPartitions(selection);
  num_partitions = run.partitioned.partitions.size();
  std::set<const host::HostBuffer*> all_buffers;
  for (size_t i = 0; i < num_partitions; ++i) {
    const host::Partition& p = run.partitioned.partitions[i];
    run.partition_weight_bytes.push_back(
        DistinctWeightBytes(run.partitioned.model->subgraph(i), all_buffers));
    if (progress) {
      progress(absl::StrCat("Partition_", i, ": subgraph ", p.source_subgraph, ", ",
                            p.source_ops.size(), " ops, ", p.source_inputs.size(), " inputs, ",
                            p.source_outputs.size(), " outputs, ", run.partition_weight_bytes[i],
                            " weight bytes"));
    }
  }
  for (const host::HostBuffer* buffer : all_buffers) run.distinct_weight_bytes += buffer->size();

  ZorvelCompiledResult result = nullptr;
  ZorvelStatus status;
  {
    clockid_t caller_clock;
    if (pthread_getcpuclockid(pthread_self(), &caller_clock) != 0) {
      caller_clock = CLOCK_THREAD_CPUTIME_ID;
    }
    auto cpu_now = [caller_clock] {
      timespec t{};
      clock_gettime(caller_clock, &t);
      return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
    };
    const auto start = std::chrono::steady_clock::now();
    const double cpu_start = cpu_now();
    auto seconds = [&start] {
      return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    StderrTap tap([&](const StderrTap& tap, const std::string& line) {
      // The front end's VERBOSE trace is of no use here and can be long.
      if (!absl::StartsWith(line, "VERBOSE: ")) {
        run.compile_log.push_back({seconds(), cpu_now() - cpu_start, line});
      }
      filter(tap, line);
    });
    status = table.compile(handle, soc, api.Handle(*run.partitioned.model), &result);
    run.compile_seconds = seconds();
    run.compile_cpu_seconds = cpu_now() - cpu_start;
    tap.Finish();
  }
  if (status != kZorvelStatusOk) {
    return absl::InternalError(absl::StrCat("the plug-in's compile failed with status ", status));
  }
  struct ResultCloser {
    const PluginApiTable& table;
    ZorvelCompiledResult result;
    ~ResultCloser() { table.destroy_compiled_result(result); }
  } result_closer{table, result};

  uint64_t num_modules = 0;
  uint64_t num_calls = 0;
  if (table.get_compiled_result_num_byte_code_modules(result, &num_modules) != kZorvelStatusOk ||
      table.get_compiled_result_num_calls(result, &num_calls) != kZorvelStatusOk) {
    return absl::InternalError("the compiled result did not report its modules and calls");
  }
  for (uint64_t m = 0; m < num_modules; ++m) {
    const void* data = nullptr;
    uint64_t size = 0;
    if (table.get_compiled_result_byte_code(result, m, &data, &size) != kZorvelStatusOk ||
        (data == nullptr && size != 0)) {
      return absl::InternalError(absl::StrCat("module ", m, " could not be read"));
    }
    run.module_sizes.push_back(size);
    run.output.modules.emplace_back(
        request.copy_modules ? std::string(static_cast<const char*>(data), size) : std::string());
  }
  if (request.rewrite_report) {
    std::vector<std::string> lines;
    lines.reserve(run.compile_log.size());
    for (const CompileRun::LogLine& line : run.compile_log) lines.push_back(line.text);
    run.rewrites = BuildRewriteReport(lines, request.options, num_partitions);
  }
  for (uint64_t c = 0; c < num_calls; ++c) {
    const void* name = nullptr;
    uint64_t length = 0;
    uint64_t module = 0;
    if (table.get_compiled_result_call_info(result, c, &name, &length, &module) !=
            kZorvelStatusOk ||
        module >= num_modules) {
      return absl::InternalError(absl::StrCat("call ", c, " could not be read"));
    }
    run.output.calls.push_back(
        {std::string(static_cast<const char*>(name), length), static_cast<uint32_t>(module)});
  }
  return run;
}

}  // namespace zorvel::tools
