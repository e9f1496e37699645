#include "output/image_file_commands.h"

#include <exception>
#include <filesystem>

#include "output/dr_dialogs.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "storage/platform_files.h"

namespace kova {

namespace {

constexpr const char* kImagePattern = "*.bin";

std::string WithImageExtension(const std::string& fileName) {
  return std::filesystem::path(fileName).has_extension() ? fileName : fileName + ".bin";
}

}  // namespace

std::string ImageFileFilter() {
  return Lg().Word(lg::kImageFileFilter) + " (" + kImagePattern + ")|" + kImagePattern;
}

void TXDRSaveImageFileCommand::Execute() {
  Done = false;
  try {
    const std::string chosen = Dialogs().SaveImageFile(FileName, ImageFileFilter());
    if (chosen.empty()) return;
    FileName = WithImageExtension(chosen);
    Done = true;
  } catch (const std::exception&) {
    FileName.clear();
  }
}

void TXDROpenImageFileCommand::Execute() {
  Done = false;
  try {
    if (!FileExists(FileName)) FileName.clear();
    const std::string chosen = Dialogs().OpenImageFile(FileName, ImageFileFilter());
    if (chosen.empty() || !FileExists(chosen)) return;
    FileName = chosen;
    Done = true;
  } catch (const std::exception&) {
    FileName.clear();
  }
}

}  // namespace kova
