#include "output/folder_commands.h"

#include <exception>

#include "output/dr_dialogs.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "storage/platform_files.h"
#include "storage/platform_volume.h"

namespace kova {

namespace {

std::string WithTrailingSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string TwoLines(uint32_t first, const std::string& firstArgument, uint32_t second) {
  const std::string head =
      firstArgument.empty() ? Lg().Word(first) : Lg().Format(first, {firstArgument});
  return head + "\r\n" + Lg().Word(second);
}

}  // namespace

std::string DriveNameOf(const std::string& folder) {
  const std::optional<TXMountEntry> mount = MountHolding(folder);
  return mount ? mount->MountPoint : folder;
}

void TXDRSelectRestoreFolderCommand::Execute() {
  Folder.clear();
  try {
    const TXFolderAnswer answer =
        Dialogs().SelectFolder({Lg().Word(lg::kSelectRestoreFolder), InitialFolder,
                                Lg().Word(lg::kKeepCardFolders), KeepFolders});
    Folder = WithTrailingSlash(answer.Folder);
    KeepFolders = answer.Checked;
  } catch (const std::exception&) {
    Folder.clear();
  }
}

void TXDRCheckRestoreFolderCommand::Refuse(const std::string& text) {
  Accepted = false;
  Dialogs().ShowMessage({text, TXMessageIcon::Warning, TXMessageButtons::Ok, {}});
}

void TXDRCheckRestoreFolderCommand::Execute() {
  Accepted = false;
  int error = 0;
  if (Folder.empty() || !CreateFolderWithParents(Folder, error)) {
    Refuse(Lg().Format(lg::kCannotCreateFolder, {Folder}));
    return;
  }
  if (!FolderWritable(Folder)) {
    Refuse(Lg().Format(lg::kFolderNotWritable, {Folder}));
    return;
  }
  const int64_t free = FreeSpaceOf(Folder);
  if (free >= 0 && free < RequiredSize) {
    Refuse(TwoLines(lg::kNotEnoughSpace, DriveNameOf(Folder), lg::kChooseAnotherFolder));
    return;
  }
  Accepted = true;
}

void TXDRCheckDiskAndRestoreFolderCommand::Execute() {
  Accepted = false;
  if (!Source.empty() && !Folder.empty() && SameDrive(Source, Folder)) {
    Refuse(TwoLines(lg::kSameDriveAsSource, {}, lg::kChooseAnotherFolder));
    return;
  }
  TXDRCheckRestoreFolderCommand::Execute();
}

void TXDRDiskDisconnectedCommand::Execute() {
  const uint32_t text = Code == kErrAccessDenied ? lg::kRunAccessDenied : lg::kDiskDisconnected;
  Dialogs().ShowMessage({Lg().Word(text), TXMessageIcon::Error, TXMessageButtons::Ok, {}});
}

}  // namespace kova
