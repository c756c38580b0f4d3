#pragma once

#include "openvino/frontend/exception.hpp"

#ifdef OPENVINO_STATIC_LIBRARY
#define TENSORFLOW_LITE_FRONTEND_API
#define TENSORFLOW_LITE_FRONTEND_C_API
#else
#define TENSORFLOW_LITE_FRONTEND_API __attribute__((visibility("default")))
#define TENSORFLOW_LITE_FRONTEND_C_API TENSORFLOW_LITE_FRONTEND_API
#endif

// Spelling used by older headers of this front end.
#define TENSORFLOW_LITE_API TENSORFLOW_LITE_FRONTEND_API
#define TENSORFLOW_LITE_C_API TENSORFLOW_LITE_FRONTEND_C_API
