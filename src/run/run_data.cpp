#include "run/run_data.h"

#include <algorithm>

#include "framework/text_utils.h"

namespace kova {

TXDRData::TXDRData() : Files(&ownFiles_) {}

void TXDRData::Reset() {
  IO = nullptr;
  FileIO.Close();
  DiskIO.Close();
  Volumes.Reset();
}

void TXDRData::SetExtFilter(TXExtensionList extensions) {
  for (std::string& ext : extensions)
    ext = LowerCase(ext);
  std::ranges::sort(extensions);
  extensions.erase(std::unique(extensions.begin(), extensions.end()), extensions.end());
  ExtFilter = std::move(extensions);
}

}  // namespace kova
