// The compile call on synthetic models with 16, 64 and 256 MiB of weights in two NPU partitions
// that share them, with weight sharing asked for: the time the plug-in spends outside
// compile_model and export_model against memcpy of the same bytes, split into phases by the
// plug-in's log lines.
//
//   zorvel_compile_bench [benchmark flags]     the timings and their figures
//   zorvel_compile_bench --peak-rss MIB        one compile in this process, then its peak RSS
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "absl/strings/str_format.h"
#include "bench/bench_util.h"
#include "tools/compile_session.h"
#include "tools/plugin_loader.h"
#include "zorvel/vendors/intel_openvino/compiler/global_graph.h"

namespace zorvel::bench {
namespace {

const tools::PluginLibrary& Plugin() {
  static tools::PluginLibrary* plugin = [] {
    auto* p = new tools::PluginLibrary;
    std::string error;
    if (!p->Load(tools::DefaultPluginPath(), &error)) {
      std::fprintf(stderr, "zorvel_compile_bench: %s\n", error.c_str());
      std::exit(1);
    }
    return p;
  }();
  return *plugin;
}

tools::CompileRequest SharedNpuRequest() {
  tools::CompileRequest request;
  request.soc_model = "LNL";
  request.options = {"enable_weight_sharing=true", "graph.-1.graph_backend=2"};
  request.copy_modules = false;
  return request;
}

void BM_CompileCall(benchmark::State& state) {
  const uint64_t weight_bytes = static_cast<uint64_t>(state.range(0)) << 20;
  const double memcpy_seconds = MemcpySeconds(weight_bytes);
  const double new_memory_seconds = MemcpyIntoNewMemorySeconds(weight_bytes);
  CompilePhases sum;
  double total = 0;
  int64_t runs = 0;
  for (auto _ : state) {
    auto model = BuildSharedWeightModel(weight_bytes);
    absl::StatusOr<tools::CompileRun> run =
        tools::RunCompileOn(Plugin(), std::move(model), SharedNpuRequest(), nullptr);
    if (!run.ok()) {
      state.SkipWithError(std::string(run.status().message()).c_str());
      return;
    }
    const CompilePhases phases = SplitCompileLog(*run);
    const double own = run->compile_cpu_seconds - phases.compile_and_export;
    state.SetIterationTime(own);
    sum.harvest_and_pool += phases.harvest_and_pool;
    sum.load += phases.load;
    sum.convert_and_passes += phases.convert_and_passes;
    sum.aliasing += phases.aliasing;
    sum.compile_and_export += phases.compile_and_export;
    sum.result += phases.result;
    total += run->compile_cpu_seconds;
    ++runs;
  }
  const double own = (total - sum.compile_and_export) / runs;

  // The container against what it must hold: each distinct weight byte once and every partition's
  // weightless blob.
  {
    tools::CompileRequest request = SharedNpuRequest();
    request.copy_modules = true;
    absl::StatusOr<tools::CompileRun> run =
        tools::RunCompileOn(Plugin(), BuildSharedWeightModel(weight_bytes), request, nullptr);
    if (run.ok() && run->output.modules.size() == 1) {
      Expected<openvino::GlobalGraphView> view = openvino::ReadGlobalGraph(run->output.modules[0]);
      if (view.HasValue()) {
        uint64_t blobs = 0;
        for (const openvino::GlobalGraphSubgraph& record : view->subgraphs) {
          blobs += record.blob.size();
        }
        const double ratio = static_cast<double>(run->output.modules[0].size()) /
                             static_cast<double>(run->distinct_weight_bytes + blobs);
        Figures::Get().Set(
            absl::StrFormat("container size, %3d MiB shared weights", state.range(0)),
            absl::StrFormat("%.4fx the distinct weight bytes plus the blobs (target <= 1.05x): "
                            "%llu bytes against %llu + %llu",
                            ratio, static_cast<unsigned long long>(run->output.modules[0].size()),
                            static_cast<unsigned long long>(run->distinct_weight_bytes),
                            static_cast<unsigned long long>(blobs)));
      }
    }
  }
  state.counters["own_s"] = own;
  state.counters["memcpy_s"] = memcpy_seconds;
  state.counters["own_vs_memcpy"] = own / memcpy_seconds;
  Figures::Get().Set(
      absl::StrFormat("compile call, %3d MiB shared weights", state.range(0)),
      absl::StrFormat("%.2fx memcpy (target <= 4x): %.1f ms of the plug-in's own against %.1f ms "
                      "memcpy (CPU time); %.2fx a memcpy into new memory (%.1f ms); per call: "
                      "harvest+pool %.1f ms, front-end load %.1f ms, convert+passes %.1f ms, "
                      "aliasing %.1f ms, container %.1f ms; compile_model+export_model %.1f ms "
                      "(not counted)",
                      own / memcpy_seconds, own * 1e3, memcpy_seconds * 1e3,
                      own / new_memory_seconds, new_memory_seconds * 1e3,
                      sum.harvest_and_pool / runs * 1e3, sum.load / runs * 1e3,
                      sum.convert_and_passes / runs * 1e3, sum.aliasing / runs * 1e3,
                      sum.result / runs * 1e3, sum.compile_and_export / runs * 1e3));
}
BENCHMARK(BM_CompileCall)
    ->Arg(16)
    ->Arg(64)
    ->Arg(256)
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

// The container writer alone: a pool of 4 MiB buffers and two small partition records.
void BM_GlobalGraphWrite(benchmark::State& state) {
  const uint64_t bytes = static_cast<uint64_t>(state.range(0)) << 20;
  const std::vector<char> pool(bytes, 7);
  std::vector<openvino::GlobalGraphBuffer> buffers;
  constexpr uint64_t kBuffer = 4 << 20;
  for (uint64_t at = 0; at < bytes; at += kBuffer) {
    buffers.push_back({static_cast<int32_t>(at / kBuffer), 0,
                       std::string_view(pool.data() + at, std::min(kBuffer, bytes - at))});
  }
  const std::string blob(4096, 1);
  std::map<std::string, openvino::GlobalGraphSubgraph> records;
  for (const char* name : {"Partition_0", "Partition_1"}) {
    records[name] = {name, 2, 0, {}, blob};
  }
  const double memcpy_seconds = MemcpySeconds(bytes);
  const double new_memory_seconds = MemcpyIntoNewMemorySeconds(bytes);
  double total = 0;
  int64_t runs = 0;
  for (auto _ : state) {
    const double start = ThreadCpuSeconds();
    std::string container = openvino::WriteGlobalGraph(buffers, records);
    total += ThreadCpuSeconds() - start;
    benchmark::DoNotOptimize(container.data());
    ++runs;
  }
  const double write = total / runs;
  state.counters["throughput_vs_memcpy"] = memcpy_seconds / write;
  Figures::Get().Set(
      absl::StrFormat("GlobalGraph write, %3d MiB pool", state.range(0)),
      absl::StrFormat("%.2fx memcpy throughput (target >= 0.5x): %.1f ms against %.1f ms (CPU "
                      "time); %.2fx a memcpy into new memory (%.1f ms)",
                      memcpy_seconds / write, write * 1e3, memcpy_seconds * 1e3,
                      new_memory_seconds / write, new_memory_seconds * 1e3));
}
BENCHMARK(BM_GlobalGraphWrite)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);

// One compile of `mib` MiB in this process; prints the peak RSS against the weight bytes.
int PeakRss(uint64_t mib) {
  const uint64_t weight_bytes = mib << 20;
  auto model = BuildSharedWeightModel(weight_bytes);
  const uint64_t before = PeakRssBytes();
  absl::StatusOr<tools::CompileRun> run =
      tools::RunCompileOn(Plugin(), std::move(model), SharedNpuRequest(), nullptr);
  if (!run.ok()) {
    std::fprintf(stderr, "zorvel_compile_bench: %s\n", std::string(run.status().message()).c_str());
    return 1;
  }
  const uint64_t peak = PeakRssBytes();
  uint64_t module_bytes = 0;
  for (uint64_t size : run->module_sizes) module_bytes += size;
  const double limit = 3.5 * weight_bytes + 64.0 * (1 << 20);
  std::printf(
      "  peak RSS, %llu MiB compile: %.2fx the weight bytes (%.0f MiB; target <= 3.5x + 64 MiB = "
      "%.0f MiB, %s); %.0f MiB before the call (host model), %zu modules of %.0f MiB\n",
      static_cast<unsigned long long>(mib), static_cast<double>(peak) / weight_bytes,
      peak / 1048576.0, limit / 1048576.0, peak <= limit ? "met" : "missed", before / 1048576.0,
      run->module_sizes.size(), module_bytes / 1048576.0);
  return 0;
}

}  // namespace
}  // namespace zorvel::bench

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--peak-rss") == 0) {
    return zorvel::bench::PeakRss(std::strtoull(argv[2], nullptr, 10));
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  zorvel::bench::Figures::Get().Print();
  return 0;
}
