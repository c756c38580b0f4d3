#ifndef TOOLS_COMPILE_SESSION_H_
#define TOOLS_COMPILE_SESSION_H_

// What `zorvel-ov compile` and `verify` do as host: load a model, offer every subgraph to the
// plug-in for partitioning, form the partitions, compile them through the plug-in's table and
// keep what the compiled result holds.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "absl/status/statusor.h"
#include "tools/compile_output.h"
#include "tools/plugin_loader.h"
#include "tools/rewrite_report.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/host_partition.h"

namespace zorvel::tools {

// A model by name: a `.tflite` file (read with the host's reader) or one of BuiltinModelNames().
// An empty name is the bundled example.
absl::StatusOr<std::unique_ptr<host::HostModel>> LoadModel(const std::string& name);

// The "intel_openvino" payload for the `--option key=value` settings, one TOML line each. Values
// that are integers, true/false or already quoted are written as they are, others as quoted text.
absl::StatusOr<std::string> VendorPayload(const std::vector<std::string>& settings);

struct CompileRequest {
  std::string model;      // as for LoadModel
  std::string soc_model;  // empty: none is passed
  std::vector<std::string> options;
  bool verbose = false;  // pass the plug-in's INFO lines through
  // Set the plug-in's log level to DEBUG: its DEBUG lines pass, its VERBOSE trace does not.
  bool debug = false;
  // When false the modules are measured but not copied out of the compiled result (their bytes
  // stay empty in `output`), for measurements of the compile call's own memory.
  bool copy_modules = true;
  // Gather what each NPU rewrite did (CompileRun::rewrites). The plug-in then logs at DEBUG
  // during the call whether or not `debug` is set; the lines reach the terminal only as asked.
  bool rewrite_report = false;
};

struct CompileRun {
  std::unique_ptr<host::HostModel> source;
  host::PartitionedModel partitioned;
  CompileOutput output;
  std::vector<uint64_t> module_sizes;
  // Bytes of the distinct weight buffers each partition reads, and of those of all partitions.
  std::vector<uint64_t> partition_weight_bytes;
  uint64_t distinct_weight_bytes = 0;
  // The plug-in's log lines during the compile call as they arrived, and the length of the call:
  // what benchmarks split into phases. Times are seconds since the call began, in wall time and in
  // CPU time of the thread that made the call (sampled when the line was read, so a line is
  // charged the little work its thread did between writing and the reader waking).
  struct LogLine {
    double wall = 0;
    double cpu = 0;
    std::string text;
  };
  std::vector<LogLine> compile_log;
  double compile_seconds = 0;
  double compile_cpu_seconds = 0;
  // When asked for (CompileRequest::rewrite_report).
  RewriteReport rewrites;
  // The plug-in's log lines while it partitioned each subgraph (the reasons it leaves ops to the
  // host), one list per source subgraph.
  std::vector<std::vector<std::string>> partition_log;
};

// Progress lines for the user (no newline), written while the work runs.
using ProgressFn = std::function<void(const std::string&)>;

// Runs partition and compile. Errors name the step and the plug-in's status.
absl::StatusOr<CompileRun> RunCompile(const PluginLibrary& plugin, const CompileRequest& request,
                                      const ProgressFn& progress);
// The same for a model already built (`request.model` is not used).
absl::StatusOr<CompileRun> RunCompileOn(const PluginLibrary& plugin,
                                        std::unique_ptr<host::HostModel> model,
                                        const CompileRequest& request, const ProgressFn& progress);

}  // namespace zorvel::tools

#endif  // TOOLS_COMPILE_SESSION_H_
