#include "support/media_tools.h"

#include <algorithm>
#include <cstdlib>

#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova::test {

namespace {

bool Run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

bool HaveFfmpeg() {
  static const bool installed = Run("ffmpeg -version");
  return installed;
}

std::vector<uint8_t> FfmpegMovie(const std::string& muxer, bool faststart, int seed) {
  TempDir dir;
  const std::filesystem::path movie = dir / ("movie." + muxer);
  // The seed moves the test picture, so that movies of different seeds differ.
  const std::string command =
      "ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=duration=1:size=160x120:rate=10:n=" +
      std::to_string(seed % 10) +
      " -f lavfi -i sine=duration=1:frequency=" + std::to_string(440 + seed) +
      " -c:v mpeg4 -c:a aac -bitexact" + (faststart ? " -movflags +faststart" : "") + " -f " +
      muxer + " '" + movie.string() + "'";
  if (!Run(command)) return {};
  return ReadFileBytes(movie);
}

std::vector<uint8_t> FfmpegTransportStream(int seconds) {
  TempDir dir;
  const std::filesystem::path stream = dir / "stream.m2ts";
  const std::string command =
      "ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=duration=" + std::to_string(seconds) +
      ":size=160x120:rate=10 -c:v mpeg2video -bitexact -f mpegts -mpegts_m2ts_mode 1 '" +
      stream.string() + "'";
  if (!Run(command)) return {};
  return ReadFileBytes(stream);
}

std::vector<uint8_t> FfmpegTestMovie(const std::string& outputOptions, int seconds,
                                     const std::string& size, bool sound) {
  TempDir dir;
  const std::filesystem::path movie = dir / "movie";
  const std::string duration = "duration=" + std::to_string(seconds);
  const std::string command = "ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=" + duration +
                              ":size=" + size + ":rate=10" +
                              (sound ? " -f lavfi -i sine=" + duration : std::string()) +
                              " -bitexact " + outputOptions + " '" + movie.string() + "'";
  if (!Run(command)) return {};
  return ReadFileBytes(movie);
}

std::vector<uint8_t> FfmpegTestFrame(const std::string& size) {
  TempDir dir;
  const std::filesystem::path frame = dir / "frame.jpg";
  const std::string command = "ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=" + size +
                              ":rate=10 -frames:v 1 -q:v 1 -bitexact '" + frame.string() + "'";
  if (!Run(command)) return {};
  return ReadFileBytes(frame);
}

std::vector<uint8_t> WithHugeJpegFrames(std::vector<uint8_t> movie) {
  // Marker, length 17, 8 bits, then the height and the width.
  for (size_t at = 0; at + 9 <= movie.size(); ++at) {
    if (movie[at] == 0xFF && movie[at + 1] == 0xC0 && movie[at + 2] == 0x00 &&
        movie[at + 3] == 0x11 && movie[at + 4] == 0x08)
      std::fill_n(movie.begin() + static_cast<std::ptrdiff_t>(at) + 5, 4, 0xFF);
  }
  return movie;
}

bool HaveHeifEnc() {
  static const bool installed = Run("heif-enc --version");
  return installed;
}

std::vector<uint8_t> HeifEncPicture(const std::filesystem::path& picture, bool thumbnail) {
  TempDir dir;
  const std::filesystem::path heic = dir / "picture.heic";
  const std::string command = std::string("heif-enc -q 30 ") + (thumbnail ? "-t 96 " : "") +
                              "-o '" + heic.string() + "' '" + picture.string() + "'";
  if (!Run(command)) return {};
  return ReadFileBytes(heic);
}

}  // namespace kova::test
