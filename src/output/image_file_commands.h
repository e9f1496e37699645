#pragma once

#include <string>

#include "framework/command.h"

// The file dialogs of the image-file actions: the new memory card image file to create and the
// existing one to parse. They run on the user-interface thread and ask through Dialogs().
namespace kova {

// The filter of both dialogs: "Memory card image files (*.bin)|*.bin".
std::string ImageFileFilter();

// Asks for the image file to create; the dialog asks before an existing file is replaced. A name
// given without an extension gets ".bin". Done tells whether the user confirmed; FileName is the
// name proposed before and the name chosen afterwards.
class TXDRSaveImageFileCommand : public TXCommand {
 public:
  explicit TXDRSaveImageFileCommand(std::string fileName = {}) : FileName(std::move(fileName)) {}
  void Execute() override;

  std::string FileName;
  bool Done = false;
};

// Asks for an existing image file to parse. A proposed name that names no existing file is
// dropped before the dialog opens, and an answer that names none is not taken.
class TXDROpenImageFileCommand : public TXCommand {
 public:
  explicit TXDROpenImageFileCommand(std::string fileName = {}) : FileName(std::move(fileName)) {}
  void Execute() override;

  std::string FileName;
  bool Done = false;
};

}  // namespace kova
