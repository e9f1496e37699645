#include "support/test_files.h"

#include <sys/stat.h>

#include <ctime>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace kova::test {

std::vector<uint8_t> NoiseBytes(size_t count, uint32_t seed) {
  std::mt19937 generator(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& byte : bytes)
    byte = static_cast<uint8_t>(generator() >> 24);
  return bytes;
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string LocalModifiedTime(const std::filesystem::path& path) {
  struct stat facts {};
  if (::stat(path.c_str(), &facts) != 0) return "missing";
  std::tm local{};
  localtime_r(&facts.st_mtim.tv_sec, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

}  // namespace kova::test
