#include "bench/bench_util.h"

#include <sys/mman.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace zorvel::bench {

using host::HostModel;
using host::HostSubgraph;
using host::TensorId;
using host::TensorType;

std::unique_ptr<HostModel> BuildSharedWeightModel(uint64_t weight_bytes) {
  constexpr int32_t kWidth = 1024;
  constexpr uint64_t kLayerBytes = uint64_t{kWidth} * kWidth * sizeof(float);
  const uint64_t layers = std::max<uint64_t>(1, weight_bytes / kLayerBytes);
  auto model = std::make_unique<HostModel>();
  std::vector<host::BufferId> buffers;
  uint32_t state = 1;
  for (uint64_t l = 0; l < layers; ++l) {
    std::vector<uint8_t> bytes(kLayerBytes);
    float* values = reinterpret_cast<float*>(bytes.data());
    for (size_t i = 0; i < kLayerBytes / sizeof(float); ++i) {
      state = state * 1664525u + 1013904223u;
      values[i] = static_cast<float>(static_cast<int32_t>(state >> 16) - 32768) * 1e-6f;
    }
    buffers.push_back(model->AddBuffer(std::move(bytes)));
  }
  for (int32_t tokens : {16, 1}) {
    HostSubgraph& sg = model->AddSubgraph();
    const TensorType activation =
        TensorType::Ranked(kZorvelElementTypeFloat32, {1, tokens, kWidth});
    TensorId x = sg.AddInput("x", activation);
    for (uint64_t l = 0; l < layers; ++l) {
      const std::string name = "layer" + std::to_string(l);
      const TensorId w = sg.AddConstant(
          name + "/w", TensorType::Ranked(kZorvelElementTypeFloat32, {kWidth, kWidth}), buffers[l]);
      const TensorId y = sg.AddTensor(name + "/y", activation);
      sg.AddOp(kZorvelOpCodeFullyConnected, {x, w}, {y})
          .SetOption(66, 0u)
          .SetOption(67, 0u)
          .SetOption(68, true);
      x = y;
    }
    sg.AddOutput(x);
  }
  return model;
}

double MemcpySeconds(uint64_t bytes) {
  std::vector<uint8_t> from(bytes, 1);
  std::vector<uint8_t> to(bytes, 0);
  double best = 1e30;
  for (int i = 0; i < 3; ++i) {
    const double start = ThreadCpuSeconds();
    std::memcpy(to.data(), from.data(), bytes);
    const double s = ThreadCpuSeconds() - start;
    best = std::min(best, s);
    from[i] = to[bytes - 1 - i];  // keeps the copies from being elided
  }
  return best;
}

double MemcpyIntoNewMemorySeconds(uint64_t bytes) {
  std::vector<uint8_t> from(bytes, 1);
  double best = 1e30;
  for (int i = 0; i < 3; ++i) {
    const double start = ThreadCpuSeconds();
    void* to = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (to == MAP_FAILED) return 0;
    std::memcpy(to, from.data(), bytes);
    best = std::min(best, ThreadCpuSeconds() - start);
    from[i] = static_cast<const uint8_t*>(to)[bytes - 1 - i];
    munmap(to, bytes);
  }
  return best;
}

CompilePhases SplitCompileLog(const tools::CompileRun& run) {
  CompilePhases phases;
  double mark = 0;  // end of the previous phase
  enum { kBefore, kLoaded, kAliased, kCompiling } state = kBefore;
  bool any_partition = false;
  for (const tools::CompileRun::LogLine& entry : run.compile_log) {
    const double at = entry.cpu;
    const std::string& line = entry.text;
    const auto has = [&line](const char* text) { return line.find(text) != std::string::npos; };
    if (!any_partition && state == kBefore && has("] Weight sharing: ")) {
      phases.harvest_and_pool += at - mark;
      mark = at;
    } else if (state == kBefore && has("] Model loaded")) {
      phases.load += at - mark;
      mark = at;
      state = kLoaded;
    } else if (state == kLoaded && has(": aliased ")) {
      phases.convert_and_passes += at - mark;
      mark = at;
      state = kAliased;
    } else if ((state == kLoaded || state == kAliased) && has("] Compiling partition ")) {
      (state == kLoaded ? phases.convert_and_passes : phases.aliasing) += at - mark;
      mark = at;
      state = kCompiling;
    } else if (state == kCompiling && has("] Model export done")) {
      phases.compile_and_export += at - mark;
      mark = at;
      state = kBefore;
      any_partition = true;
    }
  }
  phases.result = std::max(0.0, run.compile_cpu_seconds - mark);
  return phases;
}

Figures& Figures::Get() {
  static Figures* figures = new Figures;
  return *figures;
}

void Figures::Print() const {
  std::printf("\nfigures:\n");
  for (const auto& [name, line] : lines_) std::printf("  %s: %s\n", name.c_str(), line.c_str());
}

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

uint64_t PeakRssBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<uint64_t>(usage.ru_maxrss) * 1024;
}

}  // namespace zorvel::bench
