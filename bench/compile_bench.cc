// The compile call on synthetic models with 16, 64 and 256 MiB of weights in two NPU partitions
// that share them, and on a 25-layer model of 200 weights, with weight sharing asked for: the time
// the plug-in spends outside compile_model and export_model against memcpy of the same bytes,
// split into phases by the plug-in's log lines.
//
//   zorvel_compile_bench [benchmark flags]       the timings and their figures
//   zorvel_compile_bench --compile-call MODEL    one compile call in this process, its figure
//   zorvel_compile_bench --peak-rss MODEL        one compile in this process, then its peak RSS
// MODEL is a size in MiB of shared weights, or "layered".
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

// One compile call's figures over `runs` runs of a fresh model each: the plug-in's own time (the
// call's CPU time less compile_model and export_model) against a memcpy of the weights, split into
// phases by the plug-in's log lines.
struct CompileCallFigures {
  double own_seconds = 0;
  double memcpy_seconds = 0;
  double new_memory_seconds = 0;
  CompilePhases phases;  // per call
  std::string error;
};

template <typename BuildModel>
CompileCallFigures MeasureCompileCall(BuildModel build, uint64_t weight_bytes, int runs) {
  CompileCallFigures figures;
  figures.memcpy_seconds = MemcpySeconds(weight_bytes);
  figures.new_memory_seconds = MemcpyIntoNewMemorySeconds(weight_bytes);
  double total = 0;
  for (int i = 0; i < runs; ++i) {
    absl::StatusOr<tools::CompileRun> run =
        tools::RunCompileOn(Plugin(), build(), SharedNpuRequest(), nullptr);
    if (!run.ok()) {
      figures.error = std::string(run.status().message());
      return figures;
    }
    const CompilePhases phases = SplitCompileLog(*run);
    figures.phases.harvest_and_pool += phases.harvest_and_pool / runs;
    figures.phases.load += phases.load / runs;
    figures.phases.convert_and_passes += phases.convert_and_passes / runs;
    figures.phases.aliasing += phases.aliasing / runs;
    figures.phases.compile_and_export += phases.compile_and_export / runs;
    figures.phases.result += phases.result / runs;
    total += run->compile_cpu_seconds / runs;
  }
  figures.own_seconds = total - figures.phases.compile_and_export;
  return figures;
}

std::string CompileCallLine(const CompileCallFigures& f) {
  const CompilePhases& p = f.phases;
  return absl::StrFormat(
      "%.2fx a memcpy into new memory (target <= 3x): %.1f ms of the plug-in's own against "
      "%.1f ms (CPU time); %.2fx a memcpy into memory already touched (%.1f ms); per call: "
      "front-end load %.1f ms, convert+passes %.1f ms, harvest+pool %.1f ms, aliasing %.1f ms, "
      "container %.1f ms; compile_model+export_model %.1f ms (not counted)",
      f.own_seconds / f.new_memory_seconds, f.own_seconds * 1e3, f.new_memory_seconds * 1e3,
      f.own_seconds / f.memcpy_seconds, f.memcpy_seconds * 1e3, p.load * 1e3,
      p.convert_and_passes * 1e3, p.harvest_and_pool * 1e3, p.aliasing * 1e3, p.result * 1e3,
      p.compile_and_export * 1e3);
}

// The container against what it must hold: each distinct weight byte once and every partition's
// weightless blob.
template <typename BuildModel>
void ContainerFigure(const std::string& name, BuildModel build) {
  tools::CompileRequest request = SharedNpuRequest();
  request.copy_modules = true;
  absl::StatusOr<tools::CompileRun> run = tools::RunCompileOn(Plugin(), build(), request, nullptr);
  if (!run.ok() || run->output.modules.size() != 1) return;
  Expected<openvino::GlobalGraphView> view = openvino::ReadGlobalGraph(run->output.modules[0]);
  if (!view.HasValue()) return;
  uint64_t blobs = 0;
  for (const openvino::GlobalGraphSubgraph& record : view->subgraphs) blobs += record.blob.size();
  const double ratio = static_cast<double>(run->output.modules[0].size()) /
                       static_cast<double>(run->distinct_weight_bytes + blobs);
  Figures::Get().Set(
      "container size, " + name,
      absl::StrFormat("%.4fx the distinct weight bytes plus the blobs (target <= 1.05x): "
                      "%llu bytes against %llu + %llu",
                      ratio, static_cast<unsigned long long>(run->output.modules[0].size()),
                      static_cast<unsigned long long>(run->distinct_weight_bytes),
                      static_cast<unsigned long long>(blobs)));
}

void ReportCompileCall(benchmark::State& state, const std::string& name,
                       const CompileCallFigures& figures) {
  if (!figures.error.empty()) {
    state.SkipWithError(figures.error.c_str());
    return;
  }
  state.counters["own_s"] = figures.own_seconds;
  state.counters["own_vs_new_memory"] = figures.own_seconds / figures.new_memory_seconds;
  Figures::Get().Set("compile call, " + name, CompileCallLine(figures));
}

void BM_CompileCall(benchmark::State& state) {
  const uint64_t weight_bytes = static_cast<uint64_t>(state.range(0)) << 20;
  const auto build = [weight_bytes] { return BuildSharedWeightModel(weight_bytes); };
  CompileCallFigures figures;
  for (auto _ : state) {
    figures = MeasureCompileCall(build, weight_bytes, 2);
    state.SetIterationTime(figures.own_seconds);
  }
  const std::string name = absl::StrFormat("%4d MiB shared weights", state.range(0));
  ContainerFigure(name, build);
  ReportCompileCall(state, name, figures);
}
BENCHMARK(BM_CompileCall)
    ->Arg(16)
    ->Arg(64)
    ->Arg(256)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Per-constant costs: 200 weights of the sizes a transformer layer has, not a few large ones.
constexpr int kLayers = 25;

void BM_CompileCallLayered(benchmark::State& state) {
  const auto build = [] { return BuildLayeredModel(kLayers); };
  CompileCallFigures figures;
  for (auto _ : state) {
    figures = MeasureCompileCall(build, LayeredModelWeightBytes(kLayers), 2);
    state.SetIterationTime(figures.own_seconds);
  }
  const std::string name =
      absl::StrFormat("%d layers, %d weights, %.0f MiB", kLayers, kLayers * 8,
                      static_cast<double>(LayeredModelWeightBytes(kLayers)) / (1 << 20));
  ContainerFigure(name, build);
  ReportCompileCall(state, name, figures);
}
BENCHMARK(BM_CompileCallLayered)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

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

// The model a command line names: "layered" or a size in MiB of shared weights.
std::unique_ptr<host::HostModel> NamedModel(const std::string& name, uint64_t* weight_bytes,
                                            std::string* label) {
  if (name == "layered") {
    *weight_bytes = LayeredModelWeightBytes(kLayers);
    *label = absl::StrFormat("%d-layer (%d weights, %.0f MiB)", kLayers, kLayers * 8,
                             static_cast<double>(*weight_bytes) / (1 << 20));
    return BuildLayeredModel(kLayers);
  }
  const uint64_t mib = std::strtoull(name.c_str(), nullptr, 10);
  *weight_bytes = mib << 20;
  *label = absl::StrFormat("%llu MiB", static_cast<unsigned long long>(mib));
  return BuildSharedWeightModel(*weight_bytes);
}

// One compile of the named model in this process; prints the peak RSS against the weight bytes.
int PeakRss(const std::string& name) {
  uint64_t weight_bytes = 0;
  std::string label;
  auto model = NamedModel(name, &weight_bytes, &label);
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
  const double limit = 2.1 * weight_bytes + 64.0 * (1 << 20);
  std::printf(
      "  peak RSS, %s compile: %.2fx the weight bytes (%.0f MiB; target <= 2.1x + 64 MiB = "
      "%.0f MiB, %s); %.0f MiB before the call (host model), %zu modules of %.0f MiB\n",
      label.c_str(), static_cast<double>(peak) / weight_bytes, peak / 1048576.0, limit / 1048576.0,
      peak <= limit ? "met" : "missed", before / 1048576.0, run->module_sizes.size(),
      module_bytes / 1048576.0);
  return 0;
}

// The compile call of the named model, measured in this process alone (the sizes too large to
// run beside the others).
int CompileCall(const std::string& name) {
  uint64_t weight_bytes = 0;
  std::string label;
  NamedModel(name, &weight_bytes, &label).reset();
  const CompileCallFigures figures = MeasureCompileCall(
      [&name] {
        uint64_t bytes = 0;
        std::string unused;
        return NamedModel(name, &bytes, &unused);
      },
      weight_bytes, 1);
  if (!figures.error.empty()) {
    std::fprintf(stderr, "zorvel_compile_bench: %s\n", figures.error.c_str());
    return 1;
  }
  std::printf("  compile call, %s shared weights: %s\n", label.c_str(),
              CompileCallLine(figures).c_str());
  return 0;
}

}  // namespace
}  // namespace zorvel::bench

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--peak-rss") == 0) return zorvel::bench::PeakRss(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "--compile-call") == 0) {
    return zorvel::bench::CompileCall(argv[2]);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  zorvel::bench::Figures::Get().Print();
  return 0;
}
