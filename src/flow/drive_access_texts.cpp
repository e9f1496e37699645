#include "flow/drive_access_texts.h"

#include "persistence/lg.h"
#include "persistence/lg_keys.h"

namespace kova {

namespace {

std::string PermissionText(const TXDriveProbe& probe) {
  switch (probe.Refusal) {
    case TXAccessRefusal::arDismissed:
      return Lg().Word(lg::kDriveUnlockDismissed);
    case TXAccessRefusal::arNotAuthorized:
      return Lg().Format(lg::kDriveRefused, {probe.Reason});
    case TXAccessRefusal::arNoAgent:
      return Lg().Word(lg::kDriveNoAgent);
    default:
      return Lg().Word(lg::kDriveNoPermission);
  }
}

}  // namespace

std::string DriveAccessText(const TXDriveProbe& probe) {
  switch (probe.Access) {
    case TXDriveAccess::daReadable:
      return {};
    case TXDriveAccess::daLocked:
      return Lg().Word(lg::kDriveLocked);
    case TXDriveAccess::daNoPermission:
      return PermissionText(probe);
    case TXDriveAccess::daNoMedium:
      return Lg().Word(lg::kDriveNoCard);
    case TXDriveAccess::daGone:
      return Lg().Word(lg::kDriveGone);
    case TXDriveAccess::daNoDrive:
      return Lg().Word(lg::kDriveNoneChosen);
    default:
      return Lg().Format(lg::kDriveFailed,
                         {probe.Reason.empty() ? OsErrorText(probe.Error) : probe.Reason});
  }
}

}  // namespace kova
