#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "run/work_command.h"

namespace kova {

// Restoring the checked files of a drive's scan: the thread opens the drive again (with the size
// the user chose) and writes the files into RestoreFolder, in the card's folders with KeepFolders.
class TXDRDiskRestoreFilesWorkCommand final : public TXDRDiskWorkCommand {
 public:
  TXDRDiskRestoreFilesWorkCommand(TXDRWorkerGear* gear, std::string drive, int64_t size,
                                  std::string restoreFolder)
      : TXDRDiskWorkCommand(gear, std::move(drive), size),
        RestoreFolder(std::move(restoreFolder)) {}

  std::string RestoreFolder;
  bool KeepFolders = false;

 protected:
  std::unique_ptr<TXCustomDRThread> CreateThread() override;
};

// Restoring the checked files of a parsed image file: the thread opens nothing and reads through
// the input the scan left open.
class TXDRDiskImageRestoreFilesWorkCommand final : public TXDRImageFileWorkCommand {
 public:
  TXDRDiskImageRestoreFilesWorkCommand(TXDRWorkerGear* gear, std::string restoreFolder)
      : TXDRImageFileWorkCommand(gear, {}), RestoreFolder(std::move(restoreFolder)) {}

  std::string RestoreFolder;
  bool KeepFolders = false;

 protected:
  std::unique_ptr<TXCustomDRThread> CreateThread() override;
};

// Copying the drive Path (with the size the user chose, 0 for the size it reports) into the new
// memory card image file ImagePath. The drive is always opened.
class TXDRCopyCardToImageWorkCommand final : public TXDRWorkCommand {
 public:
  TXDRCopyCardToImageWorkCommand(TXDRWorkerGear* gear, std::string drive, int64_t size,
                                 std::string imagePath)
      : TXDRWorkCommand(gear, std::move(drive), size), ImagePath(std::move(imagePath)) {}

  std::string ImagePath;

 protected:
  std::unique_ptr<TXCustomDRThread> CreateThread() override;
  void SetInput(TXCustomDRThread& thread) const override;
};

}  // namespace kova
