#include "support/media_tools.h"

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
