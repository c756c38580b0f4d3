#include "bench/bench_util.h"

#include <sys/mman.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string_view>

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

namespace {

constexpr int32_t kLayeredWidth = 512;
constexpr int32_t kLayeredInner = 1536;

std::vector<uint8_t> PseudoRandomFloats(uint64_t count, uint32_t& state) {
  std::vector<uint8_t> bytes(count * sizeof(float));
  float* values = reinterpret_cast<float*>(bytes.data());
  for (uint64_t i = 0; i < count; ++i) {
    state = state * 1664525u + 1013904223u;
    values[i] = static_cast<float>(static_cast<int32_t>(state >> 16) - 32768) * 1e-6f;
  }
  return bytes;
}

}  // namespace

uint64_t LayeredModelWeightBytes(int layers) {
  const uint64_t w = kLayeredWidth;
  const uint64_t per_layer = 4 * w * w + 2 * w * kLayeredInner + 2 * w;
  return per_layer * sizeof(float) * static_cast<uint64_t>(layers);
}

std::unique_ptr<HostModel> BuildLayeredModel(int layers) {
  auto model = std::make_unique<HostModel>();
  struct Weight {
    std::string name;
    std::vector<int32_t> dims;
    host::BufferId buffer;
    bool bias;
  };
  std::vector<std::vector<Weight>> weights(layers);
  uint32_t state = 7;
  for (int l = 0; l < layers; ++l) {
    const std::string prefix = "layer" + std::to_string(l) + "/";
    const auto add = [&](const char* name, std::vector<int32_t> dims) {
      uint64_t count = 1;
      for (int32_t d : dims) count *= static_cast<uint64_t>(d);
      weights[l].push_back({prefix + name, dims, model->AddBuffer(PseudoRandomFloats(count, state)),
                            std::string_view(name) == "bias"});
    };
    for (const char* name : {"q", "k", "v", "o"}) add(name, {kLayeredWidth, kLayeredWidth});
    add("up", {kLayeredInner, kLayeredWidth});
    add("down", {kLayeredWidth, kLayeredInner});
    add("bias", {kLayeredWidth});
    add("scale", {kLayeredWidth});
  }
  for (int32_t tokens : {16, 1}) {
    HostSubgraph& sg = model->AddSubgraph();
    const auto activation = [tokens](int32_t width) {
      return TensorType::Ranked(kZorvelElementTypeFloat32, {1, tokens, width});
    };
    TensorId x = sg.AddInput("x", activation(kLayeredWidth));
    for (int l = 0; l < layers; ++l) {
      int step = 0;
      for (const Weight& weight : weights[l]) {
        const TensorId w = sg.AddConstant(
            weight.name, TensorType::Ranked(kZorvelElementTypeFloat32, weight.dims), weight.buffer);
        const std::string out = weight.name + "/y" + std::to_string(step++);
        if (weight.dims.size() == 2) {
          const TensorId y = sg.AddTensor(out, activation(weight.dims[0]));
          sg.AddOp(kZorvelOpCodeFullyConnected, {x, w}, {y})
              .SetOption(66, 0u)
              .SetOption(67, 0u)
              .SetOption(68, true);
          x = y;
        } else {
          x = sg.AddOp(weight.bias ? kZorvelOpCodeAdd : kZorvelOpCodeMul, {x, w}, out,
                       activation(kLayeredWidth));
        }
      }
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
    const auto charge = [&](double& phase) {
      phase += at - mark;
      mark = at;
    };
    if (state == kBefore && has("] Model loaded")) {
      charge(phases.load);
      state = kLoaded;
    } else if (state == kLoaded && has("] HarvestSharedConstants: registered ")) {
      charge(phases.convert_and_passes);  // the pool phase's translation, kept for the loop
      state = kBefore;
    } else if (!any_partition && state == kBefore && has("] Weight sharing: ")) {
      charge(phases.harvest_and_pool);
    } else if ((state == kBefore || state == kLoaded) && has(": aliased ")) {
      charge(state == kLoaded ? phases.convert_and_passes : phases.aliasing);
      state = kAliased;
    } else if ((state == kLoaded || state == kAliased) && has("] Compiling partition ")) {
      charge(state == kLoaded ? phases.convert_and_passes : phases.aliasing);
      state = kCompiling;
    } else if (state == kCompiling && has("] Model export done")) {
      charge(phases.compile_and_export);
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
