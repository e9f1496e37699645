#include "video_frames.h"

#include <string>

namespace kova::mkcard {

Status EncodeVideoFrames(const VideoOptions& options, std::vector<Bytes>* frames) {
  if (options.frames < 1 || options.frames > 10000)
    return Status::Failure("a video needs 1 to 10000 frames");
  if (options.fps < 1 || options.fps > 240)
    return Status::Failure("frames per second must be 1 to 240");
  frames->clear();
  for (int f = 0; f < options.frames; ++f) {
    const double moment = options.frames > 1 ? static_cast<double>(f) / (options.frames - 1) : 0.0;
    Bytes frame;
    if (Status made = EncodeLandscapeJpeg(options.width, options.height, options.seed, moment,
                                          options.quality, true, {}, &frame);
        !made) {
      return made;
    }
    frames->push_back(std::move(frame));
  }
  return {};
}

}  // namespace kova::mkcard
