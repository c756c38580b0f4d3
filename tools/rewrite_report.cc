#include "tools/rewrite_report.h"

#include <map>
#include <set>
#include <utility>

#include "absl/strings/ascii.h"
#include "absl/strings/match.h"
#include "absl/strings/numbers.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_join.h"
#include "absl/strings/string_view.h"
#include "absl/strings/strip.h"

namespace zorvel::tools {
namespace {

struct RewriteSwitch {
  const char* pass;
  std::vector<const char*> keys;  // any of them "true" switches the pass on
};

// In the order the NPU pipeline runs them.
const std::vector<RewriteSwitch>& RewriteSwitches() {
  static const std::vector<RewriteSwitch> switches = {
      {"FuseSplitAttentionToSDPA", {"fuse_split_attention_to_sdpa", "enable_hfa"}},
      {"UnfoldGqaSequenceFold", {"unfold_gqa_sequence_fold", "enable_hfa"}},
      {"DecomposeSDPAForHFA", {"enable_hfa"}},
      {"EliminateMatMulFakeQuantize", {"optimize_fq_after_matmul"}},
      {"MoEGatherRewrite", {"enable_moe_gather"}},
      {"SplitSharedConstants", {"split_shared_constants"}},
  };
  return switches;
}

// The pass a log tag belongs to, or null. The MoE rewrites log as "MoEGather", "MoEChunk" and
// "MoE" (discovery); all of it is the one MoEGatherRewrite pass.
const char* PassOfTag(absl::string_view tag) {
  for (const RewriteSwitch& s : RewriteSwitches()) {
    if (tag == s.pass) return s.pass;
  }
  if (absl::StartsWith(tag, "MoE")) return "MoEGatherRewrite";
  return nullptr;
}

enum class Severity { kDebug, kVerbose, kInfo, kWarning, kError, kOther };

struct Line {
  Severity severity = Severity::kOther;
  std::string message;  // without "SEVERITY: [file:line] "
};

Line ParseLine(absl::string_view text) {
  Line line;
  const size_t colon = text.find(": ");
  if (colon == absl::string_view::npos) {
    line.message = std::string(text);
    return line;
  }
  const absl::string_view name = text.substr(0, colon);
  if (name == "<Unknown severity>") line.severity = Severity::kDebug;  // the logger's DEBUG name
  if (name == "VERBOSE") line.severity = Severity::kVerbose;
  if (name == "INFO") line.severity = Severity::kInfo;
  if (name == "WARNING") line.severity = Severity::kWarning;
  if (name == "ERROR") line.severity = Severity::kError;
  absl::string_view rest = text.substr(colon + 2);
  if (absl::StartsWith(rest, "[")) {
    const size_t close = rest.find("] ");
    if (close != absl::string_view::npos) rest = rest.substr(close + 2);
  }
  line.message = std::string(rest);
  return line;
}

// The text between the first pair of single quotes, or empty.
std::string FirstQuoted(absl::string_view text) {
  const size_t open = text.find('\'');
  if (open == absl::string_view::npos) return {};
  const size_t close = text.find('\'', open + 1);
  if (close == absl::string_view::npos) return {};
  return std::string(text.substr(open + 1, close - open - 1));
}

// What one pass logged in one run over one partition.
struct PassLog {
  bool seen = false;
  int64_t summary_count = -1;  // from the INFO summary, when there is one
  std::string summary;
  std::vector<std::string> applied_to;
  std::vector<RewriteOutcome::Decline> declined;
  std::set<std::pair<std::string, std::string>> seen_declines;

  void Decline(std::string node, std::string reason) {
    if (!seen_declines.emplace(node, reason).second) return;
    declined.push_back({std::move(node), std::move(reason)});
  }
};

// Reads one message of a pass into `log`. `rest` is what follows the tag.
void ReadPassMessage(Severity severity, absl::string_view rest, PassLog& log) {
  log.seen = true;
  // A node-level message: "[node]: reject: reason", "[node]: abort: reason", "[node]: OK, ...".
  // The MoE rewrites write a word before the bracket ("rewrite[node]: ...").
  const size_t open = rest.find('[');
  const size_t close = rest.find("]: ");
  const bool node_form =
      open != absl::string_view::npos && close != absl::string_view::npos && open < close &&
      rest.substr(0, open).find(' ') == absl::string_view::npos && !absl::StartsWith(rest, ": ");
  if (node_form) {
    std::string node(rest.substr(open + 1, close - open - 1));
    absl::string_view after = rest.substr(close + 3);
    if (absl::ConsumePrefix(&after, "reject: ") || absl::ConsumePrefix(&after, "abort: ")) {
      log.Decline(std::move(node), std::string(after));
    } else if (absl::StartsWith(after, "OK")) {
      log.applied_to.push_back(std::move(node));
    }
    return;
  }
  absl::string_view text = rest;
  absl::ConsumePrefix(&text, ": ");
  absl::ConsumePrefix(&text, " ");
  if (absl::ConsumePrefix(&text, "reject: ") || absl::ConsumePrefix(&text, "abort: ")) {
    log.Decline("", std::string(text));
    return;
  }
  // MoE discovery names a layer whose experts it could not read: "layer TopK='n' ...: reason".
  if (absl::StartsWith(text, "layer TopK='")) {
    const std::string node = FirstQuoted(text);
    const size_t reason = text.find(": ", text.find('\'', 12) + 1);
    if (reason != absl::string_view::npos) log.Decline(node, std::string(text.substr(reason + 2)));
    return;
  }
  if (severity == Severity::kWarning && absl::StrContains(text, "leaving every layer dense")) {
    log.Decline("", std::string(text));
    return;
  }
  if (severity == Severity::kDebug) {
    // A rewrite names what it rewrote: "fused ... 'name' (...)", "rewrote 'name' ...".
    const std::string node = FirstQuoted(text);
    if (!node.empty()) log.applied_to.push_back(node);
    return;
  }
  if (severity == Severity::kInfo) {
    // The summary of a model pass: "<verb> N ..." ("rewrote 1 of 2 SDPA op(s) ...", "split 0
    // shared constant(s) ..."); discovery counts candidates, not rewrites.
    const size_t space = text.find(' ');
    if (space == absl::string_view::npos || text.substr(0, space) == "discovered") return;
    absl::string_view number = text.substr(space + 1);
    number = number.substr(0, number.find(' '));
    int64_t count = 0;
    if (absl::SimpleAtoi(number, &count)) {
      log.summary_count = count;
      log.summary = std::string(text);
    }
  }
}

// Routes a message to the pass it belongs to, if any.
void ReadMessage(const Line& line, std::map<std::string, PassLog>& passes) {
  absl::string_view message = line.message;
  absl::string_view tag;
  absl::string_view rest;
  if (absl::StartsWith(message, "[")) {
    const size_t close = message.find(']');
    if (close == absl::string_view::npos) return;
    tag = message.substr(1, close - 1);
    rest = absl::StripLeadingAsciiWhitespace(message.substr(close + 1));
  } else {
    size_t end = 0;
    while (end < message.size() &&
           (absl::ascii_isalnum(static_cast<unsigned char>(message[end])) || message[end] == '_')) {
      ++end;
    }
    tag = message.substr(0, end);
    rest = message.substr(end);
  }
  const char* pass = PassOfTag(tag);
  if (pass == nullptr) return;
  ReadPassMessage(line.severity, rest, passes[pass]);
}

bool ParseSetting(const std::string& setting, std::string* key, std::string* value) {
  const size_t equals = setting.find('=');
  if (equals == std::string::npos) return false;
  *key = std::string(absl::StripAsciiWhitespace(setting.substr(0, equals)));
  std::string v(absl::StripAsciiWhitespace(setting.substr(equals + 1)));
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
  *value = std::move(v);
  return true;
}

}  // namespace

std::vector<RewriteOutcome> SwitchedOnRewrites(const std::vector<std::string>& settings,
                                               size_t partition) {
  std::map<std::string, std::string> values;  // custom-configuration key -> text
  std::map<std::string, std::string> graph_values;
  const std::string graph_prefix = absl::StrCat("graph.", partition, ".configs_map.");
  for (const std::string& setting : settings) {
    std::string key;
    std::string value;
    if (!ParseSetting(setting, &key, &value)) continue;
    absl::string_view k = key;
    if (absl::ConsumePrefix(&k, "configs_map.")) {
      values[std::string(k)] = value;
    } else if (absl::ConsumePrefix(&k, graph_prefix)) {
      graph_values[std::string(k)] = value;
    }
  }
  for (const auto& [key, value] : graph_values) values[key] = value;
  std::vector<RewriteOutcome> on;
  for (const RewriteSwitch& s : RewriteSwitches()) {
    std::vector<std::string> by;
    for (const char* key : s.keys) {
      const auto it = values.find(key);
      if (it != values.end() && it->second == "true") by.emplace_back(key);
    }
    if (by.empty()) continue;
    RewriteOutcome outcome;
    outcome.pass = s.pass;
    outcome.switched_on_by = absl::StrJoin(by, " and ");
    outcome.applied = absl::string_view(s.pass) == "EliminateMatMulFakeQuantize" ? -1 : 0;
    on.push_back(std::move(outcome));
  }
  return on;
}

RewriteReport BuildRewriteReport(const std::vector<std::string>& log_lines,
                                 const std::vector<std::string>& settings, size_t num_partitions) {
  RewriteReport report;
  report.partitions.resize(num_partitions);
  std::vector<std::map<std::string, PassLog>> logs(num_partitions);
  for (size_t i = 0; i < num_partitions; ++i) {
    report.partitions[i].call_name = absl::StrCat("Partition_", i);
  }
  // Every partition is translated and optimised once, in index order: on the NPU with weight
  // sharing all of them before the pool is built, otherwise each just before it is compiled. So
  // the lines after the k-th "Model loaded", up to the next translation, the pool or a compile, are
  // partition k's own passes.
  size_t loaded = 0;
  bool collecting = false;
  for (const std::string& text : log_lines) {
    const Line line = ParseLine(text);
    if (line.message == "Model loaded") {
      collecting = loaded < num_partitions;
      ++loaded;
      continue;
    }
    if (line.message == "Using default configuration (LATENCY mode)") {
      report.options_ignored = true;
      continue;
    }
    absl::string_view rest = line.message;
    if (absl::StartsWith(rest, "Weight sharing (") &&
        absl::EndsWith(rest, "): building shared pool")) {
      collecting = false;
      continue;
    }
    if (absl::ConsumePrefix(&rest, "Compiling partition ")) {
      collecting = false;
      const size_t space = rest.find(' ');
      size_t index = 0;
      if (!absl::SimpleAtoi(rest.substr(0, space), &index) || index >= num_partitions) continue;
      const size_t device = rest.find("for device ");
      if (device != absl::string_view::npos) {
        report.partitions[index].device = std::string(rest.substr(device + 11));
      }
      continue;
    }
    if (collecting) ReadMessage(line, logs[loaded - 1]);
  }

  for (size_t i = 0; i < num_partitions; ++i) {
    PartitionRewrites& partition = report.partitions[i];
    std::vector<RewriteOutcome> on =
        report.options_ignored ? std::vector<RewriteOutcome>{} : SwitchedOnRewrites(settings, i);
    report.any_switched_on |= !on.empty();
    if (partition.device != "NPU") continue;
    // A pass that logged without being switched on here still ran: it is reported too.
    for (const RewriteSwitch& s : RewriteSwitches()) {
      const auto it = logs[i].find(s.pass);
      bool listed = false;
      for (const RewriteOutcome& o : on) listed |= o.pass == s.pass;
      if (listed || it == logs[i].end() || !it->second.seen) continue;
      RewriteOutcome outcome;
      outcome.pass = s.pass;
      on.push_back(std::move(outcome));
    }
    for (RewriteOutcome& outcome : on) {
      const auto it = logs[i].find(outcome.pass);
      if (it == logs[i].end()) continue;
      PassLog& log = it->second;
      outcome.applied_to = log.applied_to;
      outcome.applied =
          log.summary_count >= 0 ? log.summary_count : static_cast<int64_t>(log.applied_to.size());
      outcome.declined = log.declined;
      outcome.summary = log.summary;
    }
    // Keep the pipeline's order for the ones that were not asked for as well.
    std::vector<RewriteOutcome> ordered;
    for (const RewriteSwitch& s : RewriteSwitches()) {
      for (RewriteOutcome& o : on) {
        if (o.pass == s.pass) ordered.push_back(std::move(o));
      }
    }
    partition.rewrites = std::move(ordered);
    report.any_switched_on |= !partition.rewrites.empty();
  }
  return report;
}

std::string FormatRewriteReport(const RewriteReport& report) {
  if (report.options_ignored) {
    return "rewrites:       none (the plug-in did not take the options and used its defaults)\n";
  }
  if (!report.any_switched_on) return {};
  std::string text = "rewrites:\n";
  for (const PartitionRewrites& partition : report.partitions) {
    if (partition.device != "NPU") {
      absl::StrAppend(&text, "  ", partition.call_name, " (",
                      partition.device.empty() ? "?" : partition.device,
                      "): none, the NPU rewrites run on NPU partitions only\n");
      continue;
    }
    if (partition.rewrites.empty()) {
      absl::StrAppend(&text, "  ", partition.call_name, " (NPU): none switched on\n");
      continue;
    }
    absl::StrAppend(&text, "  ", partition.call_name, " (NPU)\n");
    for (const RewriteOutcome& r : partition.rewrites) {
      std::string first;
      if (r.applied < 0) {
        first = "on (it logs nothing to count by)";
      } else if (r.applied > 0 || r.declined.empty()) {
        first = absl::StrCat("applied ", r.applied);
        // Candidates left without a reject line: the summary says what became of them.
        if (r.declined.empty() && !r.summary.empty() &&
            !absl::StrContains(r.summary, absl::StrCat(" ", r.applied, " of ", r.applied, " ")) &&
            absl::StrContains(r.summary, " of ") && !absl::StrContains(r.summary, " of 0 ")) {
          absl::StrAppend(&first, " (", r.summary, ")");
        }
      }
      size_t next = 0;
      if (first.empty()) {
        const RewriteOutcome::Decline& d = r.declined[next++];
        first = absl::StrCat("declined: ", d.node.empty() ? "" : "[" + d.node + "] ", d.reason);
      }
      absl::StrAppend(&text, absl::StrFormat("    %-28s %s\n", r.pass, first));
      for (; next < r.declined.size(); ++next) {
        const RewriteOutcome::Decline& d = r.declined[next];
        absl::StrAppend(&text,
                        absl::StrFormat("    %-28s declined: %s%s\n", "",
                                        d.node.empty() ? "" : "[" + d.node + "] ", d.reason));
      }
    }
  }
  return text;
}

}  // namespace zorvel::tools
