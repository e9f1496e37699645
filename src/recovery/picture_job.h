#pragma once

#include <cstdint>
#include <memory>

#include "framework/error_data.h"
#include "framework/stream.h"
#include "imaging/geometry.h"
#include "recovery/blocks.h"

namespace kova {

class TXDRFileItem;
class TXDRScanFormat;
class TXImageObject;

// The thumbnail of a found file, made in three steps so that the costly one can run on another
// thread: Prepare copies the bytes the picture needs from the medium (on the thread that reads
// the medium), Decode turns them into the picture (on any thread), ApplyTo marks the file (on the
// finding thread again). Together they do what the format's MakeThumbnail does.
class TXDRPictureJob {
 public:
  // The format that measured the file, and the file's extents in `medium`, which must still be
  // readable when Prepare is called.
  TXDRPictureJob(std::unique_ptr<TXDRScanFormat> format, const TXBlocks& blocks, TXStream& medium);
  ~TXDRPictureJob();
  TXDRPictureJob(const TXDRPictureJob&) = delete;
  TXDRPictureJob& operator=(const TXDRPictureJob&) = delete;

  // The bytes Prepare copies.
  int64_t SourceSize() const;
  // Copies them; a failed copy fails the picture, its reason left in the thread's error record.
  void Prepare();
  // True after Prepare when Decode has work to do.
  bool NeedsDecoding() const;
  // Decodes the copy into the image (the file's thumbnail) and frees the copy. What went wrong is
  // kept for ApplyTo; the calling thread's error record is left as it was.
  void Decode(TXImageObject& image);
  // Passes what went wrong on to the calling thread's error record; then, unless the picture is
  // required and was not made (false), marks the file's thumbnail as made or failed and gives the
  // file the picture's size when it has none.
  bool ApplyTo(TXDRFileItem& item, bool required) const;
  // All three steps on the calling thread.
  bool MakeFor(TXDRFileItem& item, bool required);

 private:
  std::unique_ptr<TXDRScanFormat> format_;
  TXBlocks blocks_;
  TXStream* medium_;
  TXMemoryStream copy_;
  bool copied_ = false;
  bool made_ = false;
  TXSize size_;
  TXErrorData failure_;
};

}  // namespace kova
