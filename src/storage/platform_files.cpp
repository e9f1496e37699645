#include "storage/platform_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>

#include "storage/platform_volume.h"

namespace kova {

namespace fs = std::filesystem;

namespace {

constexpr int64_t kMillisecondsPerDay = 86400000;

// The moment that a local date-time names on this machine; false when the C library cannot tell.
bool LocalMoment(double localDateTime, timespec& moment) {
  using namespace std::chrono;
  const auto milliseconds = static_cast<int64_t>(std::llround(localDateTime * kMillisecondsPerDay));
  const int64_t dayNumber = milliseconds >= 0 ? milliseconds / kMillisecondsPerDay
                                              : (milliseconds + 1) / kMillisecondsPerDay - 1;
  const int64_t inDay = milliseconds - dayNumber * kMillisecondsPerDay;
  const year_month_day date{sys_days(1899y / December / 30) + days(dayNumber)};
  std::tm parts{};
  parts.tm_year = static_cast<int>(date.year()) - 1900;
  parts.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
  parts.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
  parts.tm_hour = static_cast<int>(inDay / 3600000);
  parts.tm_min = static_cast<int>(inDay / 60000 % 60);
  parts.tm_sec = static_cast<int>(inDay / 1000 % 60);
  parts.tm_isdst = -1;  // as the machine's time zone had it on that day
  errno = 0;
  const std::time_t seconds = std::mktime(&parts);
  if (seconds == -1 && errno != 0) return false;
  moment.tv_sec = seconds;
  moment.tv_nsec = static_cast<long>(inDay % 1000 * 1000000);
  return true;
}

}  // namespace

bool CreateFolderWithParents(const std::string& path, int& error) {
  error = 0;
  if (path.empty()) {
    error = ENOENT;
    return false;
  }
  std::error_code failure;
  fs::create_directories(path, failure);
  if (fs::is_directory(path)) return true;
  error = failure ? failure.value() : ENOTDIR;
  return false;
}

bool SetModifiedTime(const std::string& path, double localDateTime, int& error) {
  error = 0;
  timespec times[2] = {{0, UTIME_OMIT}, {}};
  if (!LocalMoment(localDateTime, times[1])) {
    error = EOVERFLOW;
    return false;
  }
  if (::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0) return true;
  error = errno;
  return false;
}

bool FolderWritable(const std::string& folder) {
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return fs::exists(path, error) && !fs::is_directory(path, error);
}

bool FolderExists(const std::string& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

int64_t FreeSpaceOf(const std::string& folder) {
  std::error_code error;
  fs::path probe = fs::absolute(folder, error);
  while (!probe.empty() && !fs::exists(probe, error)) {
    if (probe == probe.parent_path()) return -1;
    probe = probe.parent_path();
  }
  TXSpaceFacts facts;
  int osError = 0;
  return QuerySpace(probe.string(), facts, osError) ? facts.FreeBytes : -1;
}

}  // namespace kova
