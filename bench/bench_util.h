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

// A deeper model with weights of the sizes a transformer has: `layers` layers (25 give 200
// tensors, about 250 MiB), each four 512x512 projections, a 512->1536 and a 1536->512 projection
// and two [512] vectors (a bias added, a scale multiplied), all f32, in a prefill [1,16,512] and a
// decode [1,1,512] subgraph that read the same buffers.
std::unique_ptr<host::HostModel> BuildLayeredModel(int layers);
// The weight bytes of BuildLayeredModel(layers).
uint64_t LayeredModelWeightBytes(int layers);

// CPU seconds one memcpy of `bytes` takes into memory already touched (the best of a few runs).
double MemcpySeconds(uint64_t bytes);

// CPU seconds one memcpy of `bytes` takes into memory just mapped, as any new buffer of that size
// is (the best of a few runs): the copy plus the kernel's page faults, which zero and map every
// page on first touch. Whatever produces a new copy of the weights pays at least this.
double MemcpyIntoNewMemorySeconds(uint64_t bytes);

// Time of a compile call split by the plug-in's log lines. Per translation: front-end load (to
// "Model loaded"), conversion and passes (to the harvest's "registered ..." line when the pool
// phase translates, to "Compiling partition" otherwise). Weight-shared calls then build the pool
// (up to its "Weight sharing: ..." lines; this includes dropping the kept models' copies of bank
// bytes); per partition, aliasing to the pool and the NPU properties (to "Compiling partition"),
// compile_model and export_model (to "Model export done"); what follows the last partition is
// writing the result (the container when shared).
struct CompilePhases {
  double harvest_and_pool = 0;
  double load = 0;
  double convert_and_passes = 0;
  double aliasing = 0;
  double compile_and_export = 0;
  double result = 0;
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
