#pragma once

// libjpeg's header uses size_t and FILE without declaring them, so they come first.
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on
