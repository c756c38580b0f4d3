// The compile call on synthetic models with 16, 64 and 256 MiB of weights in two NPU partitions
// that share them, with weight sharing asked for: the time the plug-in spends outside
// compile_model and export_model against memcpy of the same bytes, split into phases by the
// plug-in's log lines.
//
//   zorvel_compile_bench [benchmark flags]     the timings and their figures
//   zorvel_compile_bench --peak-rss MIB        one compile in this process, then its peak RSS
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "absl/strings/str_format.h"
#include "bench/bench_util.h"
#include "tools/compile_session.h"
#include "tools/plugin_loader.h"

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
    sum.load += phases.load;
    sum.convert_and_passes += phases.convert_and_passes;
    sum.compile_and_export += phases.compile_and_export;
    sum.rest += phases.rest;
    total += run->compile_cpu_seconds;
    ++runs;
  }
  const double own = (total - sum.compile_and_export) / runs;
  state.counters["own_s"] = own;
  state.counters["memcpy_s"] = memcpy_seconds;
  state.counters["own_vs_memcpy"] = own / memcpy_seconds;
  Figures::Get().Set(
      absl::StrFormat("compile call, %3d MiB shared weights", state.range(0)),
      absl::StrFormat(
          "%.2fx memcpy (target <= 4x): %.1f ms of the plug-in's own against %.1f ms "
          "memcpy (CPU time); per call: load %.1f ms, convert+passes %.1f ms, rest %.1f ms; "
          "compile_model+export_model %.1f ms (not counted)",
          own / memcpy_seconds, own * 1e3, memcpy_seconds * 1e3, sum.load / runs * 1e3,
          sum.convert_and_passes / runs * 1e3, sum.rest / runs * 1e3,
          sum.compile_and_export / runs * 1e3));
}
BENCHMARK(BM_CompileCall)
    ->Arg(16)
    ->Arg(64)
    ->Arg(256)
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

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
