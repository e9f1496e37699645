#include "cli/cli_source.h"

#include <sys/stat.h>

#include <cerrno>

#include "cli/cli_texts.h"
#include "persistence/lg_keys.h"
#include "storage/platform_device.h"

namespace kova::cli {

namespace {

constexpr int64_t kSmallestCard = 512;

std::string Reason(const TXErrorData& error) {
  if (error.OSError != 0) return OsErrorText(error.OSError);
  if (!error.Text.empty()) return error.Text;
  return std::to_string(error.Code);
}

}  // namespace

TXCliSource ExamineSource(const std::string& path) {
  TXCliSource source;
  source.Path = path;
  struct stat facts {};
  if (::stat(path.c_str(), &facts) != 0) {
    source.Error = errno;
    source.Kind = TXCliSourceKind::skMissing;
  } else if (S_ISBLK(facts.st_mode)) {
    source.Kind = TXCliSourceKind::skDrive;
  } else if (S_ISDIR(facts.st_mode)) {
    source.Kind = TXCliSourceKind::skFolder;
  } else if (!S_ISREG(facts.st_mode)) {
    source.Kind = TXCliSourceKind::skOther;
  } else {
    source.Kind =
        facts.st_size < kSmallestCard ? TXCliSourceKind::skTooSmall : TXCliSourceKind::skImageFile;
  }
  return source;
}

std::string SourceProblem(const TXCliSource& source) {
  switch (source.Kind) {
    case TXCliSourceKind::skMissing:
      if (source.Error == EACCES) return Say(lg::kCliNoReadPermission, {source.Path});
      return Say(lg::kCliSourceMissing, {source.Path});
    case TXCliSourceKind::skFolder:
      return Say(lg::kCliFolderNotSource, {source.Path});
    case TXCliSourceKind::skTooSmall:
    case TXCliSourceKind::skOther:
      return Say(lg::kCliNotACardImage, {source.Path});
    default:
      return {};
  }
}

std::string ReadFailure(const TXCliSource& source, const TXErrorData& error) {
  switch (error.Code) {
    case kErrAccessDenied:
    case kErrFileAccessDenied:
      return Say(lg::kCliNoReadPermission, {source.Path});
    case kErrFileNotFound:
      return Say(lg::kCliSourceMissing, {source.Path});
    case kErrNotReady:
      return Say(lg::kCliSourceGone, {source.Path});
    default:
      return Say(lg::kCliCannotOpen, {source.Path, Reason(error)});
  }
}

}  // namespace kova::cli
