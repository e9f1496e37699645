#include "output/output_work_commands.h"

#include "output/disk_image_thread.h"
#include "output/restore_thread.h"

namespace kova {

namespace {

std::unique_ptr<TXCustomDRThread> IntoFolder(std::unique_ptr<TXCustomDRThread> thread,
                                             const std::string& folder, bool keepFolders) {
  auto& restore = static_cast<TXDRRestoreFilesThread&>(*thread);
  restore.RestoreFolder = folder;
  restore.KeepFolders = keepFolders;
  return thread;
}

}  // namespace

std::unique_ptr<TXCustomDRThread> TXDRDiskRestoreFilesWorkCommand::CreateThread() {
  return IntoFolder(MakeThread<TXDRRestoreFilesThread>(), RestoreFolder, KeepFolders);
}

std::unique_ptr<TXCustomDRThread> TXDRDiskImageRestoreFilesWorkCommand::CreateThread() {
  return IntoFolder(MakeThread<TXDRRestoreFilesThread>(), RestoreFolder, KeepFolders);
}

std::unique_ptr<TXCustomDRThread> TXDRCopyCardToImageWorkCommand::CreateThread() {
  std::unique_ptr<TXCustomDRThread> thread = MakeThread<TXDRDiskImageThread>();
  static_cast<TXDRDiskImageThread&>(*thread).ImagePath = ImagePath;
  return thread;
}

void TXDRCopyCardToImageWorkCommand::SetInput(TXCustomDRThread& thread) const {
  thread.ImageFileName.clear();
  thread.DrivePath = Path;
  thread.SizeOverride = Size;
  thread.HasInput = true;
}

}  // namespace kova
