// The NPU pass pipeline, every switch on, over the prefill partition of the example language model
// with 8, 16, 32 and 64 transformer layers; the figure is how the time grows with the depth.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "absl/strings/str_format.h"
#include "bench/bench_util.h"
#include "openvino/frontend/tensorflow_lite/frontend.hpp"
#include "tools/builtin_models.h"
#include "zorvel/compiler/cc/zorvel_model.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_partition.h"
#include "zorvel/vendors/intel_openvino/compiler/graph_iterator.h"
#include "zorvel/vendors/intel_openvino/compiler/npu_optimizer.h"

namespace zorvel::bench {
namespace {

// The prefill layers of an example model with `layers` layers, translated for the NPU: every op
// but the host's SQUEEZE forms partition 0 of subgraph 0.
std::shared_ptr<ov::Model> TranslatedPrefill(int layers) {
  std::unique_ptr<host::HostModel> model = tools::BuildExampleLanguageModel(layers);
  host::ModelSelection selection(*model);
  const host::HostSubgraph& prefill = model->subgraph(0);
  for (host::OpId op = 0; op < prefill.num_ops(); ++op) {
    if (prefill.op(op).op_code == kZorvelOpCodeSqueeze) break;
    selection[0].Add(prefill.op(op), 0);
  }
  host::PartitionedModel partitioned = host::FormPartitions(selection);
  host::HostApi api;
  const Model host_model(api.table(), api.Handle(*partitioned.model));
  Expected<Subgraph> subgraph = host_model.SubgraphAt(0);
  ov::frontend::tensorflow_lite::FrontEnd front_end;
  std::shared_ptr<ov::frontend::tensorflow_lite::GraphIterator> iterator =
      std::make_shared<openvino::GraphIteratorDelegate>(api.table(), &*subgraph, "NPU");
  return front_end.convert(front_end.load(ov::Any(iterator)));
}

std::map<int, double>& SecondsByLayers() {
  static auto* seconds = new std::map<int, double>;
  return *seconds;
}

std::map<int, size_t>& OpsByLayers() {
  static auto* ops = new std::map<int, size_t>;
  return *ops;
}

void BM_PassPipeline(benchmark::State& state) {
  const int layers = static_cast<int>(state.range(0));
  const std::shared_ptr<ov::Model> translated = TranslatedPrefill(layers);
  openvino::NpuPassOptions options;
  options.split_shared_constants = true;
  options.eliminate_fq_after_matmul = true;
  options.fuse_split_attention = true;
  options.moe_gather = true;
  options.unfold_gqa = true;
  options.decompose_sdpa_for_hfa = true;
  double total = 0;
  int64_t runs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::shared_ptr<ov::Model> model = translated->clone();
    state.ResumeTiming();
    // CPU time of this thread: the machines these run on are shared, and wall time there mostly
    // measures the neighbours.
    const double start = ThreadCpuSeconds();
    benchmark::DoNotOptimize(openvino::RunNpuPassPipeline(options, model));
    total += ThreadCpuSeconds() - start;
    ++runs;
  }
  const size_t ops = translated->get_ops().size();
  state.counters["ops"] = static_cast<double>(ops);
  SecondsByLayers()[layers] = total / runs;
  OpsByLayers()[layers] = ops;
  if (SecondsByLayers().count(32) && SecondsByLayers().count(64)) {
    const double ratio = SecondsByLayers()[64] / SecondsByLayers()[32];
    std::string detail;
    for (const auto& [n, s] : SecondsByLayers()) {
      detail +=
          absl::StrFormat("%s%d layers %.2f ms (%.2f us per op of %zu)", detail.empty() ? "" : ", ",
                          n, s * 1e3, s * 1e6 / OpsByLayers()[n], OpsByLayers()[n]);
    }
    Figures::Get().Set(
        "pass pipeline, 64 against 32 layers",
        absl::StrFormat("time(64)/time(32) = %.2f (target <= 2.3); CPU time per run: %s", ratio,
                        detail));
  }
}
BENCHMARK(BM_PassPipeline)->Arg(8)->Arg(16)->Arg(32)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zorvel::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  zorvel::bench::Figures::Get().Print();
  return 0;
}
