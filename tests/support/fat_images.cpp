#include "support/fat_images.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <vector>

namespace kova::test {

namespace {

std::string Quoted(const std::filesystem::path& path) {
  return "'" + path.string() + "'";
}

bool Run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

std::string ToolOutput(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return {};
  std::string text;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe.get()))
    text += buffer;
  return text;
}

namespace {

const char* kMtools = "MTOOLS_SKIP_CHECK=1 ";

std::string VolumeAt(const std::filesystem::path& image, int64_t offset) {
  return offset == 0 ? Quoted(image) : Quoted(image.string() + "@@" + std::to_string(offset));
}

// The folders above `target` ("::/A/B/name" gives "::/A" and "::/A/B").
std::vector<std::string> FoldersOf(const std::string& target) {
  std::vector<std::string> folders;
  for (size_t at = target.find('/', 3); at != std::string::npos; at = target.find('/', at + 1))
    folders.push_back(target.substr(0, at));
  return folders;
}

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

bool FormatFatVolume(const std::filesystem::path& image, const FatImageOptions& options) {
  char serial[16];
  std::snprintf(serial, sizeof serial, "%08X", options.Serial);
  return Run("mkfs.fat --offset " + std::to_string(options.OffsetSectors) + " -F " +
             std::to_string(options.FatBits) + " -n '" + options.Label + "' -i " + serial + " -s " +
             std::to_string(options.SectorsPerCluster) + " " + Quoted(image) + " " +
             std::to_string(options.SizeKiB));
}

bool CopyToVolume(const std::filesystem::path& image, int64_t offset,
                  const std::filesystem::path& file, const std::string& target) {
  std::string volume = VolumeAt(image, offset);
  for (const std::string& folder : FoldersOf(target))
    Run(std::string(kMtools) + "mmd -D s -i " + volume + " '" + folder + "'");
  return Run(std::string(kMtools) + "mcopy -D o -i " + volume + " " + Quoted(file) + " '" + target +
             "'");
}

bool DeleteFromVolume(const std::filesystem::path& image, int64_t offset,
                      const std::string& target) {
  return Run(std::string(kMtools) + "mdel -i " + VolumeAt(image, offset) + " '" + target + "'");
}

bool HavePartitionTool() {
  return Run("(command -v sfdisk || test -x /usr/sbin/sfdisk || test -x /sbin/sfdisk)");
}

bool MakePartitionedImage(const std::filesystem::path& image, int64_t bytes,
                          const std::string& script) {
  std::filesystem::remove(image);
  { std::ofstream(image, std::ios::binary); }
  std::filesystem::resize_file(image, static_cast<uintmax_t>(bytes));
  std::filesystem::path input = image.string() + ".sfdisk";
  std::ofstream(input) << script;
  bool made = Run("PATH=\"$PATH:/usr/sbin:/sbin\" sfdisk --no-reread --no-tell-kernel " +
                  Quoted(image) + " < " + Quoted(input));
  std::filesystem::remove(input);
  return made;
}

bool AddFileToImage(const std::filesystem::path& image, const std::filesystem::path& file) {
  return Run(std::string(kMtools) + "mcopy -i " + Quoted(image) + " " + Quoted(file) + " ::/");
}

int64_t FreeBytesByMtools(const std::filesystem::path& image, int64_t offset) {
  std::string text =
      ToolOutput(std::string(kMtools) + "mdir -i " + VolumeAt(image, offset) + " ::/");
  size_t at = text.find("bytes free");
  if (at == std::string::npos) return -1;
  size_t lineStart = text.rfind('\n', at);
  std::string digits;
  for (size_t i = lineStart == std::string::npos ? 0 : lineStart; i < at; ++i) {
    if (text[i] >= '0' && text[i] <= '9') digits += text[i];
  }
  return digits.empty() ? -1 : std::stoll(digits);
}

int64_t FreeClustersByFsck(const std::filesystem::path& image) {
  const std::string text =
      ToolOutput("PATH=\"$PATH:/usr/sbin:/sbin\" fsck.fat -n " + Quoted(image) + " 2>/dev/null");
  const size_t at = text.rfind(" clusters");
  const size_t slash = text.rfind('/', at);
  const size_t comma = text.rfind(", ", slash);
  if (at == std::string::npos || slash == std::string::npos || comma == std::string::npos)
    return -1;
  const int64_t used = std::stoll(text.substr(comma + 2, slash - comma - 2));
  const int64_t total = std::stoll(text.substr(slash + 1, at - slash - 1));
  return total - used;
}

}  // namespace kova::test
