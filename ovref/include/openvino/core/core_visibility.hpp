// Copyright (C) ovref authors. Bundled reference subset of the OpenVINO API.
#pragma once

#define OPENVINO_API __attribute__((visibility("default")))
#define OPENVINO_API_C(...) OPENVINO_API __VA_ARGS__
