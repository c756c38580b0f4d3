#pragma once

// Both 8-bit float types are declared together.
#include "openvino/core/type/float8_e4m3.hpp"
