#pragma once

#include <cstdint>

#include "recovery/blocks.h"
#include "recovery/formats/scan_format_registry.h"
#include "recovery/search.h"

namespace kova {

class TXDRFileItem;
class TXDRFoundExtents;
class TXDRFoundFileQueue;
class TXDRScanFormat;

// The signature search over extents of the medium, which it reads as one contiguous stream, so
// that a file interrupted by occupied space is followed across it. At every 512-byte step of that
// stream where a format's start pattern lies, the format measures the candidate; a complete file
// becomes a found file offered through the queue (TXDRFoundFileAspect), with the medium extents
// from its first to its last byte; a measured end beyond the largest size of the format's kind
// (MostFileBytes) is cut there. Repeats of files the run has already taken (same extents and
// extension) are not offered, nor is a find whose first byte is part of a file that a directory
// entry describes (TXDRFoundExtents::PartOfEntryFile): that file's start measured to another
// end, or a preview or frame inside it. A JPEG is offered only when its thumbnail can be made, and
// the search goes on after its last byte, as after a file that cannot hold pictures
// (MayHoldPictures); after any other format it goes on one step after its start, so that the
// previews inside raw files and videos are found as well. A JPEG cut short cannot swallow the
// pictures after it: its format finds no end where its data meets another picture's.
//
// The finds may start anywhere in the stream, or only at the stream positions `starts` holds
// (ordered, apart): the search of the used area reads those, and measures each find through the
// whole stream, whatever lies after its start.
//
// Thumbnails are decoded by the queue's threads while the search goes on. The search therefore
// goes on after a JPEG as if its thumbnail could be made; when the queue refuses the JPEG because
// it could not, everything found after it is discarded and the search goes back to the step after
// its start, so that what is found is what a search waiting for every thumbnail finds.
class TXDRBlockScan {
 public:
  // The search's source is borrowed for the scan and given back afterwards. Every file offered
  // before is released first: repeats are judged by what the run has taken.
  TXDRBlockScan(TXSearch& search, TXStream& medium, const TXBlocks& extents,
                const TXDRFoundExtents& taken, TXDRFoundFileQueue& queue);

  void Run();
  void Run(const TXBlocks& starts);

 private:
  // The first grid position with a start pattern at or after `pos` inside the start block
  // `block` or the ones after it, or -1; `block` then names the block that holds it.
  int64_t FindStart(const TXBlocks& starts, size_t& block, int64_t pos, int32_t& matched);
  // Measures the candidate for the kind at stream position r and answers where the search goes
  // on.
  int64_t Measure(int64_t r, uint8_t kind);
  bool IsRepeat(const TXDRFileItem& item) const;
  bool Stopped() const;

  TXSearch& search_;
  TXStream& medium_;
  const TXBlocks& extents_;
  const TXDRFoundExtents& taken_;
  TXDRFoundFileQueue& queue_;
  TXDRStartPatterns starts_;
  int64_t patternReach_ = 0;  // the bytes of the longest start pattern
};

// Runs a block scan, with finds starting anywhere or only at the stream positions of `starts`.
void ScanBlocks(TXSearch& search, TXStream& medium, const TXBlocks& extents,
                const TXDRFoundExtents& taken, TXDRFoundFileQueue& queue);
void ScanBlocks(TXSearch& search, TXStream& medium, const TXBlocks& extents, const TXBlocks& starts,
                const TXDRFoundExtents& taken, TXDRFoundFileQueue& queue);

}  // namespace kova
