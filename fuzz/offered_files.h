#pragma once

#include <cstdint>
#include <string>

namespace kova {
class IXWorker;
class TXBlocks;
}  // namespace kova

// What the fuzz targets of the file-system recoveries check of every file offered.
namespace kova::fuzz {

// Fails the run when an extent is not a real piece of the medium's address range. Extents past
// the end of a cut image are allowed: a boot sector tells the volume's size, not the image's.
void CheckExtents(const TXBlocks& blocks, const std::string& what);

// Checks the extents of every file offered on the worker while the object lives; with a volume
// number, also that every file carries it.
class TXOfferedFileCheck {
 public:
  explicit TXOfferedFileCheck(IXWorker& worker, int32_t volume = 0);
  ~TXOfferedFileCheck();
  TXOfferedFileCheck(const TXOfferedFileCheck&) = delete;
  TXOfferedFileCheck& operator=(const TXOfferedFileCheck&) = delete;

 private:
  IXWorker& worker_;
  int32_t volume_;
};

}  // namespace kova::fuzz
