#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "framework/stream.h"
#include "imaging/geometry.h"
#include "recovery/file_collection.h"
#include "support/test_paths.h"

namespace kova {
class TXDRImagesFrm;
}

// Found files for the results page, as a run leaves them: items of a run's collection whose
// extents lie on one medium, a file in a temporary folder that stands for the card.
namespace kova::test {

class FoundFiles {
 public:
  FoundFiles();
  ~FoundFiles();

  TXDRFileCollection& Collection() { return files_; }
  // The medium, open for reading (what the engine's open source stream is to the page).
  TXStream& Medium() { return *medium_; }

  // A file of `size` noise bytes at the medium's end.
  TXDRFileItem& Add(const std::string& name, const std::string& ext, int64_t size,
                    TXSize dimensions = {}, double created = 0);
  // A real file copied onto the medium and thumbnailed by its scan format, as the scan does.
  // Without a name it gets the scan's numbered name.
  TXDRFileItem& AddReal(const std::filesystem::path& file, std::string name = {});

  // A photograph drawn by Qt and written as a JPEG file, then added as AddReal does.
  TXDRFileItem& AddPhoto(const std::string& name, int width, int height);

  // Hands every file not announced yet to the page as the scan does (TXDRAddFileAspect).
  void Announce(TXDRImagesFrm& page);

 private:
  // Appends the bytes at the next 512-byte boundary; answers their extents.
  TXBlocks Append(const std::vector<uint8_t>& bytes);

  TempDir dir_;
  std::unique_ptr<TXFileStream> medium_;
  TXDRFileCollection files_;
  int32_t announced_ = 0;
};

}  // namespace kova::test
