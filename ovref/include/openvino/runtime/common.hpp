#pragma once

#include "openvino/core/core_visibility.hpp"

// The runtime lives in the same library as the core here.
#ifndef OPENVINO_RUNTIME_API
#define OPENVINO_RUNTIME_API OPENVINO_API
#endif
