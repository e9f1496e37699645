#include "app/key_store_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

#include "app/key_store_text.h"
#include "framework/error_data.h"
#include "framework/text_utils.h"

namespace kova {

namespace {

constexpr char kStoreFolder[] = "velmora";
constexpr char kStoreFile[] = "kova7.conf";

// Closes the descriptor when the scope ends.
class TXFileDescriptor {
 public:
  explicit TXFileDescriptor(int fd) : fd_(fd) {}
  ~TXFileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  TXFileDescriptor(const TXFileDescriptor&) = delete;
  TXFileDescriptor& operator=(const TXFileDescriptor&) = delete;

  int Get() const { return fd_; }
  // Closes now and answers whether closing worked.
  bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

bool Fail(int32_t code, int osError, const std::string& text) {
  SetThreadError(code, osError, text);
  return false;
}

// The whole file, or nothing with the thread's error set (31 missing, 41 too large, 44 else).
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  TXFileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) {
    const int error = errno;
    Fail(error == ENOENT || error == ENOTDIR ? kErrFileNotFound : kErrRead, error, path.string());
    return std::nullopt;
  }
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    Fail(kErrRead, errno, path.string() + ": not a regular file");
    return std::nullopt;
  }
  if (info.st_size > TXKeyStoreFile::kMaxSize) {
    Fail(kErrCheck, 0, path.string() + ": too large for a settings file");
    return std::nullopt;
  }
  std::string text(static_cast<size_t>(info.st_size), '\0');
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::read(file.Get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      Fail(kErrRead, errno, path.string());
      return std::nullopt;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  text.resize(done);
  return text;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Creates the missing folders of the path, each private to the user.
bool MakeFolders(const std::filesystem::path& folder) {
  std::filesystem::path built;
  for (const auto& part : folder) {
    built /= part;
    if (::mkdir(built.c_str(), 0700) != 0 && errno != EEXIST)
      return Fail(kErrWrite, errno, built.string());
  }
  return true;
}

// Writes the bytes into a fresh temporary file beside the target and renames it over the target.
bool ReplaceFile(const std::filesystem::path& target, std::string_view bytes) {
  std::string pattern = target.string() + ".XXXXXX";
  TXFileDescriptor file(::mkostemp(pattern.data(), O_CLOEXEC));
  if (file.Get() < 0) return Fail(kErrWrite, errno, pattern);
  bool written =
      ::fchmod(file.Get(), 0600) == 0 && WriteAll(file.Get(), bytes) && ::fsync(file.Get()) == 0;
  const int error = errno;
  written = file.Close() && written;
  if (!written || ::rename(pattern.c_str(), target.c_str()) != 0) {
    const int renameError = written ? errno : error;
    ::unlink(pattern.c_str());
    return Fail(kErrWrite, renameError, target.string());
  }
  return true;
}

}  // namespace

std::filesystem::path UserKeyStorePath() {
  std::filesystem::path base;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && std::filesystem::path(config).is_absolute()) {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home && *home ? home : "/") / ".config";
  }
  return base / kStoreFolder / kStoreFile;
}

std::filesystem::path TXKeyStoreFile::DamagedPath() const {
  return path_.string() + ".damaged";
}

bool TXKeyStoreFile::Load(TXKeyStore& store) const {
  store.Clear();
  ClearThreadError();
  std::optional<std::string> text = ReadWholeFile(path_);
  if (!text) return false;
  TXKeyStoreTextProblems problems = KeyStoreFromText(store, *text);
  if (problems.Empty()) return true;
  return Fail(kErrCheck, 0, path_.string() + " is damaged: " + JoinLines(problems.Lines));
}

bool TXKeyStoreFile::KeepWhenDamaged() const {
  TXKeyStore current;
  if (Load(current) || ThreadError().Code != kErrCheck) return true;
  std::error_code error;
  std::filesystem::copy_file(path_, DamagedPath(),
                             std::filesystem::copy_options::overwrite_existing, error);
  if (error) return Fail(kErrWrite, error.value(), DamagedPath().string());
  return true;
}

bool TXKeyStoreFile::Save(const TXKeyStore& store) const {
  ClearThreadError();
  if (!MakeFolders(path_.parent_path()) || !KeepWhenDamaged()) return false;
  ClearThreadError();
  return ReplaceFile(path_, KeyStoreToText(store));
}

}  // namespace kova
