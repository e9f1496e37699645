#include "cli/cli_source.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "cli/cli_texts.h"
#include "persistence/lg_keys.h"
#include "storage/device_access.h"

namespace kova::cli {

namespace {

constexpr int64_t kSmallestCard = 512;

std::string Reason(const TXErrorData& error) {
  if (error.OSError != 0) return OsErrorText(error.OSError);
  if (!error.Text.empty()) return error.Text;
  return std::to_string(error.Code);
}

// "rw-r-----": the permission bits as ls shows them.
std::string PermissionText(mode_t mode) {
  const char* const kLetters = "rwxrwxrwx";
  std::string text;
  for (int bit = 0; bit < 9; ++bit)
    text += (mode & (0400 >> bit)) ? kLetters[bit] : '-';
  return text;
}

std::string OwnerName(uid_t owner) {
  const passwd* entry = ::getpwuid(owner);
  return entry ? entry->pw_name : std::to_string(owner);
}

// A file the user may not read: what its own permissions say.
std::string FileAccessProblem(const std::string& path) {
  struct stat facts {};
  if (::stat(path.c_str(), &facts) != 0) return Say(lg::kCliPathNoPermission, {path, path});
  return Say(lg::kCliFileNoPermission,
             {path, PermissionText(facts.st_mode), OwnerName(facts.st_uid), path});
}

// A drive the user may not open: whether udisks2 was asked and what it answered.
std::string DriveAccessProblem(const std::string& path) {
  std::shared_ptr<IXDeviceAccessBroker> broker = DeviceAccessBroker();
  if (!broker) return Say(lg::kCliDriveNoUDisks, {path});
  const TXAccessGrant refusal = broker->LastRefusal(path);
  switch (refusal.Refusal) {
    case TXAccessRefusal::arNone:
    case TXAccessRefusal::arNoService:
      return Say(lg::kCliDriveNoService, {path});
    case TXAccessRefusal::arNoAgent:
    case TXAccessRefusal::arNeedsPassword:
      return Say(lg::kCliDriveNoAgent, {path});
    case TXAccessRefusal::arDismissed:
      return Say(lg::kCliDriveDismissed, {path});
    case TXAccessRefusal::arNotAuthorized:
      return Say(lg::kCliDriveRefused, {path, refusal.Reason});
    case TXAccessRefusal::arUnknownDevice:
      return Say(lg::kCliSourceGone, {path});
    default:
      return Say(lg::kCliCannotOpen, {path, refusal.Reason});
  }
}

// The error a run would record for a drive that the probe could not open.
TXErrorData ErrorOfProbe(const TXDriveProbe& probe) {
  TXErrorData error;
  switch (probe.Access) {
    case TXDriveAccess::daLocked:
    case TXDriveAccess::daNoPermission:
      error.Code = kErrAccessDenied;
      break;
    case TXDriveAccess::daNoMedium:
    case TXDriveAccess::daGone:
      error.Code = kErrNotReady;
      break;
    default:
      error.Code = kErrOsError;
      error.OSError = probe.Reason.empty() ? probe.Error : 0;
      error.Text = probe.Reason;
  }
  return error;
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
      if (source.Error == EACCES) return Say(lg::kCliPathNoPermission, {source.Path, source.Path});
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
      if (source.Kind != TXCliSourceKind::skDrive) return FileAccessProblem(source.Path);
      return DriveAccessProblem(source.Path);
    case kErrFileAccessDenied:
      return FileAccessProblem(source.Path);
    case kErrFileNotFound:
      return Say(lg::kCliSourceMissing, {source.Path});
    case kErrNotReady:
      return Say(lg::kCliSourceGone, {source.Path});
    default:
      return Say(lg::kCliCannotOpen, {source.Path, Reason(error)});
  }
}

std::string OpenFailure(const TXCliSource& source) {
  if (source.Kind == TXCliSourceKind::skDrive) {
    const TXDriveProbe probe = UnlockDrive(source.Path);
    return probe.Readable() ? std::string() : ReadFailure(source, ErrorOfProbe(probe));
  }
  const int descriptor = ::open(source.Path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor >= 0) {
    ::close(descriptor);
    return {};
  }
  TXErrorData error;
  error.Code = errno == EACCES || errno == EPERM ? kErrFileAccessDenied : kErrOsError;
  error.OSError = errno;
  return ReadFailure(source, error);
}

}  // namespace kova::cli
