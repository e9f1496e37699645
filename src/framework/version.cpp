#include "framework/version.h"

#include <sys/stat.h>

#include <array>
#include <limits>
#include <optional>

#include "framework/text_utils.h"
#include "kova_version.h"

namespace kova {

namespace {

uint32_t FieldValue(const std::string& field) {
  for (char c : field) {
    if (c < '0' || c > '9') return 0;
  }
  std::optional<int64_t> value = ParseInteger(field);
  if (!value || *value > std::numeric_limits<uint32_t>::max()) return 0;
  return static_cast<uint32_t>(*value);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {};
  struct stat second {};
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace

TXVersionRecord ParseVersion(std::string_view text) {
  std::array<uint32_t, 4> numbers{};
  const std::vector<std::string> fields = SplitString(text, '.');
  for (size_t i = 0; i < numbers.size() && i < fields.size(); ++i)
    numbers[i] = FieldValue(fields[i]);
  return {numbers[0], numbers[1], numbers[2], numbers[3]};
}

std::string VersionText(const TXVersionRecord& version) {
  return std::to_string(version.Major) + "." + std::to_string(version.Minor) + "." +
         std::to_string(version.Release) + "." + std::to_string(version.Build);
}

TXVersionRecord ProgramVersion() {
  return {build::kVersionMajor, build::kVersionMinor, build::kVersionRelease, build::kVersionBuild};
}

bool TXVelVersion::ReadFileVersion(const std::string& fileName, TXVersionRecord& version) const {
  version = {};
  if (fileName.empty() || !SameFile(fileName, "/proc/self/exe")) return false;
  version = ProgramVersion();
  return true;
}

std::string TXVelVersion::VersionText(const std::string& fileName) const {
  TXVersionRecord version;
  ReadFileVersion(fileName, version);
  return kova::VersionText(version);
}

}  // namespace kova
