#include "support/exfat_images.h"

#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <sstream>

#include "support/fat_images.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova::test {

namespace {

// exfatprogs installs into the system folders, which a user's search path may leave out.
const std::string kPath = "PATH=\"$PATH:/usr/sbin:/sbin\" ";

std::string Quoted(const std::filesystem::path& path) {
  return "'" + path.string() + "'";
}

bool Run(const std::string& command) {
  return std::system((kPath + command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

bool HaveExfatTools() {
  return Run("command -v mkfs.exfat && command -v dump.exfat");
}

bool MakeExfatImage(const std::filesystem::path& image, int64_t bytes,
                    const std::string& clusterSize, const std::string& label) {
  std::filesystem::remove(image);
  return Run("truncate -s " + std::to_string(bytes) + " " + Quoted(image)) &&
         Run("mkfs.exfat -c " + clusterSize + " -L '" + label + "' " + Quoted(image));
}

bool QuickFormatExfatImage(const std::filesystem::path& image, const std::string& clusterSize,
                           const std::string& label) {
  return Run("mkfs.exfat -c " + clusterSize + " -L '" + label + "' " + Quoted(image));
}

bool CanMountExfat() {
  return geteuid() == 0 && std::filesystem::exists("/dev/fuse") &&
         Run("command -v losetup && command -v mount.exfat-fuse && command -v fusermount");
}

bool CopyIntoExfatImage(const std::filesystem::path& image,
                        const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files) {
  TempDir dir;
  const std::filesystem::path mount = dir / "volume";
  std::filesystem::create_directory(mount);
  std::string loop = ToolOutput(kPath + "losetup -f --show " + Quoted(image) + " 2>/dev/null");
  while (!loop.empty() && std::isspace(static_cast<unsigned char>(loop.back())))
    loop.pop_back();
  if (loop.empty()) return false;
  bool copied = Run("mount.exfat-fuse " + loop + " " + Quoted(mount));
  if (copied) {
    for (const auto& [path, bytes] : files) {
      std::error_code error;
      std::filesystem::create_directories((mount / path).parent_path(), error);
      WriteFileBytes(mount / path, bytes);
      copied = copied && !error && std::filesystem::file_size(mount / path, error) == bytes.size();
    }
    copied = Run("fusermount -u " + Quoted(mount)) && copied;
  }
  return Run("losetup -d " + loop) && copied;
}

std::string DumpedExfatFact(const std::filesystem::path& image, const std::string& name) {
  std::istringstream lines(ToolOutput(kPath + "dump.exfat " + Quoted(image) + " 2>/dev/null"));
  std::string line;
  while (std::getline(lines, line)) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos || line.substr(0, colon) != name) continue;
    const size_t value = line.find_first_not_of(" \t", colon + 1);
    return value == std::string::npos ? "" : line.substr(value);
  }
  return "";
}

}  // namespace kova::test
