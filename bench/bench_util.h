#ifndef BENCH_BENCH_UTIL_H_
#define BENCH_BENCH_UTIL_H_

// Shared pieces of the benchmark programs: synthetic models, the memcpy baseline, the figures each
// program prints after its benchmarks, and the split of a compile call into phases by the plug-in's
// log lines.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tools/compile_session.h"
#include "zorvel/host/host_model.h"

namespace zorvel::bench {

// Two subgraphs, prefill [1,16,1024] and decode [1,1,1024], through the same chain of 1024x1024
// f32 fully-connected layers (4 MiB of weights each): `weight_bytes` rounded down to whole layers,
// read by both, so the plug-in forms two NPU partitions that share every weight buffer.
std::unique_ptr<host::HostModel> BuildSharedWeightModel(uint64_t weight_bytes);

// CPU seconds one memcpy of `bytes` takes into memory already touched (the best of a few runs).
double MemcpySeconds(uint64_t bytes);

// Time of a compile call split by the plug-in's per-partition log lines: up to "Model loaded"
// (front-end load), from there to "Compiling partition" (conversion, passes, configuration), from
// there to "Model export done" (compile_model and export_model), and what is left (result
// assembly and anything before the first partition).
struct CompilePhases {
  double load = 0;
  double convert_and_passes = 0;
  double compile_and_export = 0;
  double rest = 0;
};
// Uses the CPU times of the calling thread.
CompilePhases SplitCompileLog(const tools::CompileRun& run);

// CPU seconds this thread has used.
double ThreadCpuSeconds();

// One line per figure, printed after the benchmarks: "name: value (target ...)".
class Figures {
 public:
  static Figures& Get();
  void Set(const std::string& name, const std::string& line) { lines_[name] = line; }
  void Print() const;

 private:
  std::map<std::string, std::string> lines_;
};

// Peak resident set size of this process so far, in bytes.
uint64_t PeakRssBytes();

}  // namespace zorvel::bench

#endif  // BENCH_BENCH_UTIL_H_
