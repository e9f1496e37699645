#pragma once

#include <vector>

#include "content.h"

namespace kova::mkcard {

// The JPEG frames of a short video: one landscape whose sun and water move from frame to frame.
Status EncodeVideoFrames(const VideoOptions& options, std::vector<Bytes>* frames);

}  // namespace kova::mkcard
