#include "support/exfat_images.h"

#include <cstdlib>
#include <sstream>

#include "support/fat_images.h"

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
