#pragma once

#include <cstdint>
#include <string>

#include "framework/command.h"
#include "framework/error_data.h"

// The commands with which the wizard chooses and checks the folder that receives the recovered
// files, and the message for a source that went away. They run on the user-interface thread and
// ask through the process-wide dialogs (Dialogs()).
namespace kova {

// What texts call the drive of a folder: the mount point of its file system.
std::string DriveNameOf(const std::string& folder);

// Asks for the restore folder and whether the files keep the card's folders there. Folder is the
// chosen folder with a trailing '/', or empty when the user cancelled; KeepFolders goes into the
// dialog and comes back as the user left it.
class TXDRSelectRestoreFolderCommand : public TXCommand {
 public:
  void Execute() override;

  std::string InitialFolder;  // where the dialog starts; empty for the dialog's choice
  std::string Folder;
  bool KeepFolders = false;
};

// Accepts the folder when it exists (it is created with its parents), the user may write into it
// and its file system has room for RequiredSize bytes; otherwise says why in a warning and leaves
// Accepted false. A file system whose free space cannot be learned is given the benefit of the
// doubt.
class TXDRCheckRestoreFolderCommand : public TXCommand {
 public:
  TXDRCheckRestoreFolderCommand(std::string folder = {}, int64_t requiredSize = 0)
      : Folder(std::move(folder)), RequiredSize(requiredSize) {}

  void Execute() override;

  std::string Folder;
  int64_t RequiredSize;
  bool Accepted = false;

 protected:
  void Refuse(const std::string& text);
};

// The folder check, after refusing a folder on the source: on the disk of the drive being read
// (a partition counts as its disk), or on the disk that holds the image file being read. An
// empty Source refuses nothing.
class TXDRCheckDiskAndRestoreFolderCommand : public TXDRCheckRestoreFolderCommand {
 public:
  TXDRCheckDiskAndRestoreFolderCommand(std::string source = {}, std::string folder = {},
                                       int64_t requiredSize = 0)
      : TXDRCheckRestoreFolderCommand(std::move(folder), requiredSize), Source(std::move(source)) {}

  void Execute() override;

  std::string Source;
};

// Tells the user that the card cannot be read any more (error icon, OK); a run that failed for
// lack of permission (Code 10) says so instead.
class TXDRDiskDisconnectedCommand : public TXCommand {
 public:
  explicit TXDRDiskDisconnectedCommand(int32_t code = kErrNotReady) : Code(code) {}

  void Execute() override;

  int32_t Code;
};

}  // namespace kova
