#include "fat_images.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace kova::test {

namespace {

std::string Quoted(const std::filesystem::path& path) {
  return "'" + path.string() + "'";
}

bool Run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Output(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return {};
  std::string text;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe.get()))
    text += buffer;
  return text;
}

const char* kMtools = "MTOOLS_SKIP_CHECK=1 ";

}  // namespace

bool HaveFatTools() {
  return Run("command -v mkfs.fat && command -v mcopy && command -v mdir");
}

bool MakeFatImage(const std::filesystem::path& image, const FatImageOptions& options) {
  char serial[16];
  std::snprintf(serial, sizeof serial, "%08X", options.Serial);
  std::filesystem::remove(image);
  return Run("mkfs.fat -C " + Quoted(image) + " " + std::to_string(options.SizeKiB) + " -F " +
             std::to_string(options.FatBits) + " -n '" + options.Label + "' -i " + serial + " -s " +
             std::to_string(options.SectorsPerCluster));
}

bool AddFileToImage(const std::filesystem::path& image, const std::filesystem::path& file) {
  return Run(std::string(kMtools) + "mcopy -i " + Quoted(image) + " " + Quoted(file) + " ::/");
}

int64_t FreeBytesByMtools(const std::filesystem::path& image) {
  std::string text = Output(std::string(kMtools) + "mdir -i " + Quoted(image) + " ::/");
  size_t at = text.find("bytes free");
  if (at == std::string::npos) return -1;
  size_t lineStart = text.rfind('\n', at);
  std::string digits;
  for (size_t i = lineStart == std::string::npos ? 0 : lineStart; i < at; ++i) {
    if (text[i] >= '0' && text[i] <= '9') digits += text[i];
  }
  return digits.empty() ? -1 : std::stoll(digits);
}

}  // namespace kova::test
