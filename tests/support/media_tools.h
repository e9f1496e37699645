#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Movies and pictures written by the system's own media tools (ffmpeg, libheif's heif-enc), for
// tests that need files exactly as those programs write them.
namespace kova::test {

// True when ffmpeg is installed.
bool HaveFfmpeg();

// The bytes of a one-second test movie that ffmpeg writes with the muxer ("mov" or "mp4"),
// with the movie box before the media when `faststart`; empty when ffmpeg fails.
std::vector<uint8_t> FfmpegMovie(const std::string& muxer, bool faststart, int seed = 0);

// The bytes of a camcorder-style stream of 192-byte transport packets (M2TS) of `seconds` that
// ffmpeg writes; empty when ffmpeg fails.
std::vector<uint8_t> FfmpegTransportStream(int seconds);

// The bytes of a movie of ffmpeg's test picture, `seconds` long at `size` and 10 frames a
// second (with a tone when `sound`), that ffmpeg writes with the output options (codec, muxer:
// "-c:v mjpeg -f avi"); empty when ffmpeg fails.
std::vector<uint8_t> FfmpegTestMovie(const std::string& outputOptions, int seconds = 1,
                                     const std::string& size = "160x120", bool sound = false);

// The first frame of ffmpeg's test picture at `size` as a JPEG file that ffmpeg writes; empty when
// ffmpeg fails.
std::vector<uint8_t> FfmpegTestFrame(const std::string& size = "160x120");

// The movie with every baseline JPEG frame header (SOF0) naming 65535 x 65535 pixels, as a
// hostile file would.
std::vector<uint8_t> WithHugeJpegFrames(std::vector<uint8_t> movie);

// True when libheif's heif-enc is installed.
bool HaveHeifEnc();

// The bytes of a HEIC picture that heif-enc writes from the picture file (with a thumbnail
// image when `thumbnail`); empty when heif-enc fails.
std::vector<uint8_t> HeifEncPicture(const std::filesystem::path& picture, bool thumbnail);

}  // namespace kova::test

#define KOVA_FFMPEG_OR_SKIP() \
  if (!::kova::test::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is needed to write test movies"

#define KOVA_HEIF_ENC_OR_SKIP() \
  if (!::kova::test::HaveHeifEnc()) GTEST_SKIP() << "heif-enc is needed to write HEIC pictures"
