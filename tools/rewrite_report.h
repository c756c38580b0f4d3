#ifndef TOOLS_REWRITE_REPORT_H_
#define TOOLS_REWRITE_REPORT_H_

// What the NPU rewrites did to each partition of a compile, read from the plug-in's own log: the
// passes name each node they rewrite or decline ("Pass[node]: reject: reason" at DEBUG, the MoE
// rewrites "[Tag] rewrite[node]: abort: reason") and sum up each model pass at INFO. The log is
// gathered at DEBUG for this even when the user did not ask to see it.

#include <cstdint>
#include <string>
#include <vector>

namespace zorvel::tools {

// One rewrite the options switch on, and what it did in one partition.
struct RewriteOutcome {
  std::string pass;  // "FuseSplitAttentionToSDPA", "MoEGatherRewrite", ...
  // The custom-configuration keys that switch it on, as "a or b".
  std::string switched_on_by;
  // Nodes it rewrote; -1 for a pass that logs nothing to count by.
  int64_t applied = 0;
  std::vector<std::string> applied_to;  // friendly names, where the log names them
  struct Decline {
    std::string node;  // empty when the pass declined for the whole model
    std::string reason;
  };
  std::vector<Decline> declined;
  // The pass's INFO summary for the partition ("decomposed 0 of 1 SDPA op(s) (...)"), if any.
  std::string summary;
};

struct PartitionRewrites {
  std::string call_name;                 // "Partition_<i>"
  std::string device;                    // as the plug-in compiled it: "NPU", "GPU", "CPU"
  std::vector<RewriteOutcome> rewrites;  // empty when none is switched on or the device is no NPU
};

struct RewriteReport {
  // True when at least one rewrite is switched on for some partition.
  bool any_switched_on = false;
  // Set when the plug-in did not take the options at all (it then compiles with its defaults).
  bool options_ignored = false;
  std::vector<PartitionRewrites> partitions;
};

// The rewrites `settings` (the `--option key=value` list) switch on for partition `partition`,
// in the order the pipeline runs them, as the plug-in reads them: a global "configs_map.<key>",
// overridden by "graph.<partition>.configs_map.<key>", on only for the text "true".
std::vector<RewriteOutcome> SwitchedOnRewrites(const std::vector<std::string>& settings,
                                               size_t partition);

// The report of a compile of `num_partitions` partitions with `settings`, from the plug-in's log
// lines during the compile call (each as written, "SEVERITY: [file:line] message").
RewriteReport BuildRewriteReport(const std::vector<std::string>& log_lines,
                                 const std::vector<std::string>& settings, size_t num_partitions);

// The text form: one block per partition, one line per rewrite ("applied N", "declined: [node]
// reason"); empty when no rewrite is switched on.
std::string FormatRewriteReport(const RewriteReport& report);

}  // namespace zorvel::tools

#endif  // TOOLS_REWRITE_REPORT_H_
