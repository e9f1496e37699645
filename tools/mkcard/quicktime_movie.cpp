#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "content.h"
#include "video_frames.h"

namespace kova::mkcard {

namespace {

constexpr uint32_t kTimeScale = 600;
constexpr uint32_t kFixedOne = 0x00010000;

Bytes Box(std::string_view type, const Bytes& payload) {
  Bytes out;
  AppendBE(out, 8 + payload.size(), 4);
  AppendText(out, type);
  AppendBytes(out, payload);
  return out;
}

Bytes Boxes(std::string_view type, std::initializer_list<Bytes> children) {
  Bytes payload;
  for (const Bytes& child : children)
    AppendBytes(payload, child);
  return Box(type, payload);
}

// Version and flags of a "full" box.
Bytes Full(uint32_t flags = 0) {
  Bytes out;
  AppendBE(out, flags, 4);
  return out;
}

void AppendMatrix(Bytes& out) {
  for (uint32_t value : {kFixedOne, 0u, 0u, 0u, kFixedOne, 0u, 0u, 0u, 0x40000000u})
    AppendBE(out, value, 4);
}

Bytes MovieHeader(uint32_t duration) {
  Bytes p = Full();
  AppendBE(p, 0, 8);  // creation and modification times
  AppendBE(p, kTimeScale, 4);
  AppendBE(p, duration, 4);
  AppendBE(p, kFixedOne, 4);  // rate
  AppendBE(p, 0x0100, 2);     // volume
  p.resize(p.size() + 10, 0);
  AppendMatrix(p);
  p.resize(p.size() + 24, 0);  // preview, poster, selection and current times
  AppendBE(p, 2, 4);           // next track
  return Box("mvhd", p);
}

Bytes TrackHeader(const MovieOptions& o, uint32_t duration) {
  Bytes p = Full(0x000003);  // enabled, in movie
  AppendBE(p, 0, 8);
  AppendBE(p, 1, 4);  // track
  AppendBE(p, 0, 4);
  AppendBE(p, duration, 4);
  p.resize(p.size() + 16, 0);  // reserved, layer, group, volume, reserved
  AppendMatrix(p);
  AppendBE(p, uint64_t(o.width) << 16, 4);
  AppendBE(p, uint64_t(o.height) << 16, 4);
  return Box("tkhd", p);
}

Bytes MediaHeader(uint32_t duration) {
  Bytes p = Full();
  AppendBE(p, 0, 8);
  AppendBE(p, kTimeScale, 4);
  AppendBE(p, duration, 4);
  AppendBE(p, 0x55C4, 2);  // language "und"
  AppendBE(p, 0, 2);
  return Box("mdhd", p);
}

Bytes Handler(bool quicktime) {
  Bytes p = Full();
  AppendText(p, quicktime ? "mhlr" : std::string_view("\0\0\0\0", 4));
  AppendText(p, "vide");
  p.resize(p.size() + 12, 0);
  if (quicktime) {
    p.push_back(12);
    AppendText(p, "VideoHandler");
  } else {
    AppendText(p, std::string_view("VideoHandler\0", 13));
  }
  return Box("hdlr", p);
}

Bytes SampleDescription(const MovieOptions& o) {
  Bytes entry;
  entry.resize(6, 0);
  AppendBE(entry, 1, 2);  // data reference
  AppendBE(entry, 0, 4);  // version, revision
  AppendText(entry, "kova");
  AppendBE(entry, 0, 4);    // temporal quality
  AppendBE(entry, 512, 4);  // spatial quality
  AppendBE(entry, o.width, 2);
  AppendBE(entry, o.height, 2);
  AppendBE(entry, 72u << 16, 4);
  AppendBE(entry, 72u << 16, 4);
  AppendBE(entry, 0, 4);
  AppendBE(entry, 1, 2);  // frames per sample
  Bytes name(32, 0);
  name[0] = 10;
  std::copy_n("Photo JPEG", 10, name.begin() + 1);
  AppendBytes(entry, name);
  AppendBE(entry, 24, 2);
  AppendBE(entry, 0xFFFF, 2);
  Bytes p = Full();
  AppendBE(p, 1, 4);
  AppendBytes(p, Box("jpeg", entry));
  return Box("stsd", p);
}

Bytes SampleTables(const MovieOptions& o, const std::vector<Bytes>& frames,
                   uint64_t first_frame_at) {
  const uint32_t frame_duration = kTimeScale / o.fps;
  Bytes stts = Full();
  AppendBE(stts, 1, 4);
  AppendBE(stts, frames.size(), 4);
  AppendBE(stts, frame_duration, 4);
  Bytes stsc = Full();
  AppendBE(stsc, 1, 4);
  AppendBE(stsc, 1, 4);  // first chunk
  AppendBE(stsc, frames.size(), 4);
  AppendBE(stsc, 1, 4);  // description
  Bytes stsz = Full();
  AppendBE(stsz, 0, 4);
  AppendBE(stsz, frames.size(), 4);
  for (const Bytes& frame : frames)
    AppendBE(stsz, frame.size(), 4);
  Bytes co64 = Full();  // one chunk holding every frame
  AppendBE(co64, 1, 4);
  AppendBE(co64, first_frame_at, 8);
  return Boxes("stbl", {SampleDescription(o), Box("stts", stts), Box("stsc", stsc),
                        Box("stsz", stsz), Box("co64", co64)});
}

Bytes MovieBox(const MovieOptions& o, const std::vector<Bytes>& frames, uint64_t first_frame_at,
               bool quicktime) {
  const uint32_t duration = static_cast<uint32_t>(frames.size()) * (kTimeScale / o.fps);
  Bytes vmhd = Full(1);
  AppendBE(vmhd, 0x40, 2);  // graphics mode: copy
  vmhd.resize(vmhd.size() + 6, 0);
  Bytes dref = Full();
  AppendBE(dref, 1, 4);
  AppendBytes(dref, Box("url ", Full(1)));
  const Bytes minf = Boxes("minf", {Box("vmhd", vmhd), Boxes("dinf", {Box("dref", dref)}),
                                    SampleTables(o, frames, first_frame_at)});
  const Bytes mdia = Boxes("mdia", {MediaHeader(duration), Handler(quicktime), minf});
  return Boxes("moov", {MovieHeader(duration), Boxes("trak", {TrackHeader(o, duration), mdia})});
}

Bytes MediaData(const std::vector<Bytes>& frames, bool large_size, size_t* header_bytes) {
  uint64_t total = 0;
  for (const Bytes& frame : frames)
    total += frame.size();
  Bytes out;
  *header_bytes = large_size ? 16 : 8;
  AppendBE(out, large_size ? 1 : 8 + total, 4);
  AppendText(out, "mdat");
  if (large_size) AppendBE(out, 16 + total, 8);
  for (const Bytes& frame : frames)
    AppendBytes(out, frame);
  return out;
}

Status CheckBrands(const MovieOptions& o) {
  if (o.major_brand.size() != 4) return Status::Failure("a brand has exactly four characters");
  for (const std::string& brand : o.compatible_brands) {
    if (brand.size() != 4)
      return Status::Failure("a brand has exactly four characters, not '" + brand + "'");
  }
  if (o.leading_skip != 0 && o.leading_skip < 8)
    return Status::Failure("a skip box has at least 8 bytes");
  if (kTimeScale % o.fps != 0) return Status::Failure("frames per second must divide 600");
  return {};
}

}  // namespace

Status MakeQuickTimeMovie(const MovieOptions& options, Content* content) {
  if (Status ok = CheckBrands(options); !ok) return ok;
  std::vector<Bytes> frames;
  if (Status made = EncodeVideoFrames(options, &frames); !made) return made;
  bool mp4 = options.major_brand.find("mp4") != std::string::npos;
  Bytes ftyp_payload;
  AppendText(ftyp_payload, options.major_brand);
  AppendBE(ftyp_payload, 0x200, 4);
  for (const std::string& brand : options.compatible_brands) {
    AppendText(ftyp_payload, brand);
    mp4 = mp4 || brand.find("mp4") != std::string::npos;
  }
  Bytes head;
  if (options.leading_skip != 0) AppendBytes(head, Box("skip", Bytes(options.leading_skip - 8, 0)));
  AppendBytes(head, Box("ftyp", ftyp_payload));
  size_t mdat_header = 0;
  const Bytes mdat = MediaData(frames, options.mdat_64bit, &mdat_header);
  // The chunk offset does not change the size of the movie box, so it can be sized first.
  const size_t moov_bytes = MovieBox(options, frames, 0, !mp4).size();
  const uint64_t mdat_at = head.size() + (options.moov_first ? moov_bytes : 0);
  const Bytes moov = MovieBox(options, frames, mdat_at + mdat_header, !mp4);
  Content out{head, mp4 ? "mp4" : "mov", options.width, options.height};
  AppendBytes(out.bytes, options.moov_first ? moov : mdat);
  AppendBytes(out.bytes, options.moov_first ? mdat : moov);
  *content = std::move(out);
  return {};
}

}  // namespace kova::mkcard
