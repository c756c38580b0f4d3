// Text forms of the property enums, as the toolkit prints and parses them.
#include "openvino/runtime/properties.hpp"

#include <algorithm>
#include <cctype>

#include "openvino/runtime/intel_npu/properties.hpp"

namespace ov {
namespace {

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

std::string Word(std::istream& is) {
  std::string s;
  is >> s;
  return s;
}

}  // namespace

namespace hint {

std::ostream& operator<<(std::ostream& os, const Priority& priority) {
  switch (priority) {
    case Priority::LOW:
      return os << "LOW";
    case Priority::MEDIUM:
      return os << "MEDIUM";
    case Priority::HIGH:
      return os << "HIGH";
  }
  OPENVINO_THROW("Unsupported model priority value");
}

std::istream& operator>>(std::istream& is, Priority& priority) {
  const std::string s = Word(is);
  if (s == "LOW") {
    priority = Priority::LOW;
  } else if (s == "MEDIUM" || s == "DEFAULT") {
    priority = Priority::MEDIUM;
  } else if (s == "HIGH") {
    priority = Priority::HIGH;
  } else {
    OPENVINO_THROW("Unsupported model priority: ", s);
  }
  return is;
}

std::ostream& operator<<(std::ostream& os, const PerformanceMode& mode) {
  switch (mode) {
    case PerformanceMode::LATENCY:
      return os << "LATENCY";
    case PerformanceMode::THROUGHPUT:
      return os << "THROUGHPUT";
    case PerformanceMode::CUMULATIVE_THROUGHPUT:
      return os << "CUMULATIVE_THROUGHPUT";
  }
  OPENVINO_THROW("Unsupported performance mode hint");
}

std::istream& operator>>(std::istream& is, PerformanceMode& mode) {
  const std::string s = Word(is);
  if (s == "LATENCY") {
    mode = PerformanceMode::LATENCY;
  } else if (s == "THROUGHPUT") {
    mode = PerformanceMode::THROUGHPUT;
  } else if (s == "CUMULATIVE_THROUGHPUT") {
    mode = PerformanceMode::CUMULATIVE_THROUGHPUT;
  } else {
    OPENVINO_THROW("Unsupported performance mode: ", s);
  }
  return is;
}

std::ostream& operator<<(std::ostream& os, const SchedulingCoreType& type) {
  switch (type) {
    case SchedulingCoreType::ANY_CORE:
      return os << "ANY_CORE";
    case SchedulingCoreType::PCORE_ONLY:
      return os << "PCORE_ONLY";
    case SchedulingCoreType::ECORE_ONLY:
      return os << "ECORE_ONLY";
  }
  OPENVINO_THROW("Unsupported core type");
}

std::istream& operator>>(std::istream& is, SchedulingCoreType& type) {
  const std::string s = Word(is);
  if (s == "ANY_CORE") {
    type = SchedulingCoreType::ANY_CORE;
  } else if (s == "PCORE_ONLY") {
    type = SchedulingCoreType::PCORE_ONLY;
  } else if (s == "ECORE_ONLY") {
    type = SchedulingCoreType::ECORE_ONLY;
  } else {
    OPENVINO_THROW("Unsupported core type: ", s);
  }
  return is;
}

std::ostream& operator<<(std::ostream& os, const ModelDistributionPolicy& policy) {
  switch (policy) {
    case ModelDistributionPolicy::TENSOR_PARALLEL:
      return os << "TENSOR_PARALLEL";
    case ModelDistributionPolicy::PIPELINE_PARALLEL:
      return os << "PIPELINE_PARALLEL";
  }
  OPENVINO_THROW("Unsupported model distribution policy");
}

std::istream& operator>>(std::istream& is, ModelDistributionPolicy& policy) {
  const std::string s = Word(is);
  if (s == "TENSOR_PARALLEL") {
    policy = ModelDistributionPolicy::TENSOR_PARALLEL;
  } else if (s == "PIPELINE_PARALLEL") {
    policy = ModelDistributionPolicy::PIPELINE_PARALLEL;
  } else {
    OPENVINO_THROW("Unsupported model distribution policy: ", s);
  }
  return is;
}

std::ostream& operator<<(std::ostream& os, const ExecutionMode& mode) {
  switch (mode) {
    case ExecutionMode::PERFORMANCE:
      return os << "PERFORMANCE";
    case ExecutionMode::ACCURACY:
      return os << "ACCURACY";
  }
  OPENVINO_THROW("Unsupported execution mode hint");
}

std::istream& operator>>(std::istream& is, ExecutionMode& mode) {
  const std::string s = Word(is);
  if (s == "PERFORMANCE") {
    mode = ExecutionMode::PERFORMANCE;
  } else if (s == "ACCURACY") {
    mode = ExecutionMode::ACCURACY;
  } else {
    OPENVINO_THROW("Unsupported execution mode: ", s);
  }
  return is;
}

}  // namespace hint

namespace log {

std::ostream& operator<<(std::ostream& os, const Level& level) {
  switch (level) {
    case Level::NO:
      return os << "LOG_NONE";
    case Level::ERR:
      return os << "LOG_ERROR";
    case Level::WARNING:
      return os << "LOG_WARNING";
    case Level::INFO:
      return os << "LOG_INFO";
    case Level::DEBUG:
      return os << "LOG_DEBUG";
    case Level::TRACE:
      return os << "LOG_TRACE";
  }
  OPENVINO_THROW("Unsupported log level");
}

std::istream& operator>>(std::istream& is, Level& level) {
  const std::string s = Word(is);
  if (s == "LOG_NONE") {
    level = Level::NO;
  } else if (s == "LOG_ERROR") {
    level = Level::ERR;
  } else if (s == "LOG_WARNING") {
    level = Level::WARNING;
  } else if (s == "LOG_INFO") {
    level = Level::INFO;
  } else if (s == "LOG_DEBUG") {
    level = Level::DEBUG;
  } else if (s == "LOG_TRACE") {
    level = Level::TRACE;
  } else {
    OPENVINO_THROW("Unsupported log level: ", s);
  }
  return is;
}

}  // namespace log

std::ostream& operator<<(std::ostream& os, const CacheMode& mode) {
  switch (mode) {
    case CacheMode::OPTIMIZE_SIZE:
      return os << "optimize_size";
    case CacheMode::OPTIMIZE_SPEED:
      return os << "optimize_speed";
  }
  OPENVINO_THROW("Unsupported cache mode");
}

std::istream& operator>>(std::istream& is, CacheMode& mode) {
  const std::string s = Word(is);
  if (s == "OPTIMIZE_SIZE" || s == "optimize_size") {
    mode = CacheMode::OPTIMIZE_SIZE;
  } else if (s == "OPTIMIZE_SPEED" || s == "optimize_speed") {
    mode = CacheMode::OPTIMIZE_SPEED;
  } else {
    OPENVINO_THROW("Unsupported cache mode: ", s);
  }
  return is;
}

std::ostream& operator<<(std::ostream& os, const WorkloadType& type) {
  switch (type) {
    case WorkloadType::DEFAULT:
      return os << "DEFAULT";
    case WorkloadType::EFFICIENT:
      return os << "EFFICIENT";
  }
  OPENVINO_THROW("Unsupported workload type");
}

std::istream& operator>>(std::istream& is, WorkloadType& type) {
  const std::string s = Word(is);
  const std::string u = Upper(s);
  if (u == "DEFAULT") {
    type = WorkloadType::DEFAULT;
  } else if (u == "EFFICIENT") {
    type = WorkloadType::EFFICIENT;
  } else {
    OPENVINO_THROW("Unsupported workload type: ", s);
  }
  return is;
}

namespace streams {

std::ostream& operator<<(std::ostream& os, const Num& num) {
  if (num.num == AUTO.num) return os << "AUTO";
  if (num.num == NUMA.num) return os << "NUMA";
  return os << num.num;
}

std::istream& operator>>(std::istream& is, Num& num) {
  const std::string s = Word(is);
  if (s == "AUTO") {
    num = AUTO;
  } else if (s == "NUMA") {
    num = NUMA;
  } else {
    size_t used = 0;
    int value = 0;
    try {
      value = std::stoi(s, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used == 0 || used != s.size() || value < -2)
      OPENVINO_THROW("Could not read number of streams from str: ", s);
    num = Num{value};
  }
  return is;
}

}  // namespace streams

namespace device {

std::ostream& operator<<(std::ostream& os, const Type& type) {
  switch (type) {
    case Type::INTEGRATED:
      return os << "integrated";
    case Type::DISCRETE:
      return os << "discrete";
  }
  OPENVINO_THROW("Unsupported device type");
}

std::istream& operator>>(std::istream& is, Type& type) {
  const std::string s = Word(is);
  if (s == "integrated") {
    type = Type::INTEGRATED;
  } else if (s == "discrete") {
    type = Type::DISCRETE;
  } else {
    OPENVINO_THROW("Unsupported device type: ", s);
  }
  return is;
}

}  // namespace device

namespace intel_npu {

std::ostream& operator<<(std::ostream& os, const CompilerType& type) {
  switch (type) {
    case CompilerType::PLUGIN:
      return os << "PLUGIN";
    case CompilerType::DRIVER:
      return os << "DRIVER";
    case CompilerType::PREFER_PLUGIN:
      return os << "PREFER_PLUGIN";
  }
  OPENVINO_THROW("Unsupported compiler type");
}

std::istream& operator>>(std::istream& is, CompilerType& type) {
  const std::string s = Word(is);
  if (s == "PLUGIN") {
    type = CompilerType::PLUGIN;
  } else if (s == "DRIVER") {
    type = CompilerType::DRIVER;
  } else if (s == "PREFER_PLUGIN") {
    type = CompilerType::PREFER_PLUGIN;
  } else {
    OPENVINO_THROW("Unsupported compiler type: ", s);
  }
  return is;
}

}  // namespace intel_npu

}  // namespace ov
