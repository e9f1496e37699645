#include "framework/vel_app.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "framework/core_app.h"
#include "framework/error_data.h"
#include "framework/framework_objects.h"
#include "framework/text_utils.h"
#include "framework/version.h"

namespace kova {

namespace {

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  return length > 0 ? std::string(buffer, static_cast<size_t>(length)) : std::string();
}

// A folder of this user that nobody else may write to.
bool IsPrivateFolder(const std::string& folder) {
  struct stat info {};
  return lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
         (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// $XDG_RUNTIME_DIR, else a private folder of this user under /tmp; empty when neither is usable.
std::string LockFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime && IsPrivateFolder(runtime)) return runtime;
  const std::string fallback = "/tmp/kova-" + std::to_string(getuid());
  mkdir(fallback.c_str(), 0700);
  return IsPrivateFolder(fallback) ? fallback : std::string();
}

// The name as a file name: letters, digits, '-', '_' and '.' kept, anything else '_'.
std::string LockFileName(const std::string& name) {
  std::string file = name;
  std::replace_if(
      file.begin(), file.end(),
      [](char c) {
        return !(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.');
      },
      '_');
  if (file.front() == '.') file.front() = '_';
  return file + ".lock";
}

}  // namespace

TXVelApp::TXVelApp() : exeName_(ExecutablePath()) {
  exePath_ = exeName_.substr(0, exeName_.find_last_of('/') + 1);
}

TXVelApp::~TXVelApp() {
  for (int fd : instanceLocks_)
    close(fd);
}

std::string TXVelApp::ExpandMacros(const std::string& text) const {
  std::string result = ReplaceAll(text, "<exe>", exePath_);
  result = ReplaceAll(result, "<exen>", exeName_);
  return ReplaceAll(result, "<data>", dataFolder_);
}

bool TXVelApp::AcquireInstance(const std::string& name) {
  if (CoreApp().IsTerminating()) return false;
  if (name.empty()) {
    SetThreadError(kErrOsError, EINVAL, "an instance lock needs a name");
    return false;
  }
  const std::string folder = LockFolder();
  if (folder.empty()) {
    SetThreadError(kErrFileAccessDenied, EACCES, "no private folder for instance locks");
    return false;
  }
  const std::string path = folder + "/" + LockFileName(name);
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    SetThreadError(kErrOsError, errno, path);
    return false;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    close(fd);
    if (error != EWOULDBLOCK) SetThreadError(kErrOsError, error, path);
    return false;
  }
  instanceLocks_.push_back(fd);
  return true;
}

void TXVelApp::AddComponent(TXObject* component) {
  components_.push_back(component);
  Changed();
}

void TXVelApp::RemoveComponent(TXObject* component) {
  std::erase(components_, component);
  Changed();
}

std::string TXVelApp::GetVersion() const {
  return VersionText(ProgramVersion());
}

std::string ExpandTextMacros(const std::string& text) {
  return VelApp().ExpandMacros(text);
}

}  // namespace kova
