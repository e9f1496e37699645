#include <algorithm>
#include <string_view>

#include "content.h"
#include "video_frames.h"

namespace kova::mkcard {

namespace {

constexpr uint32_t kHasIndex = 0x10;
constexpr uint32_t kKeyFrame = 0x10;

Bytes Chunk(std::string_view fourcc, const Bytes& payload) {
  Bytes out;
  AppendText(out, fourcc);
  AppendLE(out, payload.size(), 4);
  AppendBytes(out, payload);
  if (payload.size() % 2 != 0) out.push_back(0);
  return out;
}

Bytes List(std::string_view type, const Bytes& body) {
  Bytes payload;
  AppendText(payload, type);
  AppendBytes(payload, body);
  return Chunk("LIST", payload);
}

Bytes MainHeader(const VideoOptions& o, uint32_t largest_frame) {
  Bytes h;
  AppendLE(h, 1000000 / o.fps, 4);
  AppendLE(h, uint64_t{largest_frame} * o.fps, 4);
  AppendLE(h, 0, 4);
  AppendLE(h, kHasIndex, 4);
  AppendLE(h, o.frames, 4);
  AppendLE(h, 0, 4);
  AppendLE(h, 1, 4);  // streams
  AppendLE(h, largest_frame, 4);
  AppendLE(h, o.width, 4);
  AppendLE(h, o.height, 4);
  h.resize(h.size() + 16, 0);
  return Chunk("avih", h);
}

Bytes StreamList(const VideoOptions& o, uint32_t largest_frame) {
  Bytes strh;
  AppendText(strh, "vidsMJPG");
  AppendLE(strh, 0, 4);  // flags
  AppendLE(strh, 0, 4);  // priority, language
  AppendLE(strh, 0, 4);  // initial frames
  AppendLE(strh, 1, 4);  // scale
  AppendLE(strh, o.fps, 4);
  AppendLE(strh, 0, 4);  // start
  AppendLE(strh, o.frames, 4);
  AppendLE(strh, largest_frame, 4);
  AppendLE(strh, 0xFFFFFFFF, 4);  // quality: default
  AppendLE(strh, 0, 4);           // sample size: varies
  AppendLE(strh, 0, 4);
  AppendLE(strh, o.width, 2);
  AppendLE(strh, o.height, 2);
  Bytes strf;
  AppendLE(strf, 40, 4);
  AppendLE(strf, o.width, 4);
  AppendLE(strf, o.height, 4);
  AppendLE(strf, 1, 2);
  AppendLE(strf, 24, 2);
  AppendText(strf, "MJPG");
  AppendLE(strf, uint64_t(o.width) * o.height * 3, 4);
  strf.resize(strf.size() + 16, 0);
  Bytes body = Chunk("strh", strh);
  AppendBytes(body, Chunk("strf", strf));
  return List("strl", body);
}

}  // namespace

Status MakeAviVideo(const VideoOptions& options, Content* content) {
  std::vector<Bytes> frames;
  if (Status made = EncodeVideoFrames(options, &frames); !made) return made;
  uint32_t largest = 0;
  Bytes movi;
  Bytes index;
  for (const Bytes& frame : frames) {
    largest = std::max<uint32_t>(largest, static_cast<uint32_t>(frame.size()));
    AppendText(index, "00dc");
    AppendLE(index, kKeyFrame, 4);
    AppendLE(index, 4 + movi.size(), 4);  // from the "movi" type code
    AppendLE(index, frame.size(), 4);
    AppendBytes(movi, Chunk("00dc", frame));
  }
  Bytes header = MainHeader(options, largest);
  AppendBytes(header, StreamList(options, largest));
  Bytes body;
  AppendText(body, "AVI ");
  AppendBytes(body, List("hdrl", header));
  AppendBytes(body, List("movi", movi));
  AppendBytes(body, Chunk("idx1", index));
  *content = Content{Chunk("RIFF", body), "avi", options.width, options.height};
  return {};
}

}  // namespace kova::mkcard
