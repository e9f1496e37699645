#pragma once

#include <cstdint>

#include "recovery/blocks.h"
#include "recovery/file_collection.h"
#include "recovery/formats/scan_format_registry.h"
#include "recovery/search.h"

namespace kova {

class TXDRScanFormat;

// The signature search over extents of the medium, which it reads as one contiguous stream, so
// that a file interrupted by occupied space is followed across it. At every 512-byte step of that
// stream where a format's start pattern lies, the format measures the candidate; a complete file
// becomes a found file offered on the search's worker (TXDRFoundFileAspect), with the medium
// extents from its first to its last byte. Repeats of files already in the collection (same
// extents and extension) are not offered. A JPEG is offered only when its thumbnail could be made,
// and the search goes on after its last byte; after any other format it goes on one step after
// its start, so that the previews inside raw files and videos are found as well. A JPEG whose
// end marker lies beyond the header of another JPEG that follows its own picture data is taken
// as cut short (its end belongs to that other picture) and is not offered, so that it cannot
// swallow the pictures after it.
class TXDRBlockScan {
 public:
  // The search's source is borrowed for the scan and given back afterwards.
  TXDRBlockScan(TXSearch& search, TXStream& medium, const TXBlocks& extents,
                const TXDRFileCollection& files);

  void Run();

 private:
  // Measures the candidate of start pattern `pattern` at stream position r and answers where
  // the search goes on.
  int64_t Measure(int64_t r, int32_t pattern);
  bool IsRepeat(const TXDRFileItem& item) const;
  bool HoldsAnotherJpeg(TXDRScanFormat& format, int64_t r, int64_t e);
  bool Stopped() const;

  TXSearch& search_;
  TXStream& medium_;
  const TXBlocks& extents_;
  const TXDRFileCollection& files_;
  TXPatternList patterns_;
  TXDRPatternIndex index_{};
};

// Runs a block scan.
void ScanBlocks(TXSearch& search, TXStream& medium, const TXBlocks& extents,
                const TXDRFileCollection& files);

}  // namespace kova
