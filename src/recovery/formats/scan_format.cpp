#include "recovery/formats/scan_format.h"

#include <algorithm>
#include <exception>

#include "framework/error_data.h"
#include "framework/worker.h"
#include "imaging/jpeg_thumbnail.h"
#include "recovery/block_stream.h"
#include "recovery/formats/format_reader.h"
#include "recovery/formats/scan_format_registry.h"
#include "recovery/pieced_stream.h"

namespace kova {

namespace {

// The most bytes of a file copied into memory to make its picture. Real photographs take a small
// part of it; a measured end far beyond it comes from damaged data, whose copy must not exhaust
// the memory.
constexpr int64_t kMaxPictureSource = int64_t{256} << 20;

// The `count` bytes of the extents from position `first` of their concatenation on.
TXBlocks SliceOf(const TXBlocks& blocks, int64_t first, int64_t count) {
  TXBlocks slice;
  for (const TXBlock& block : blocks) {
    if (count <= 0) break;
    const int64_t skipped = std::clamp<int64_t>(first, 0, block.Size);
    first -= skipped;
    const int64_t taken = std::min(block.Size - skipped, count);
    if (taken > 0) slice.Append({block.Start + skipped, taken});
    count -= std::max<int64_t>(taken, 0);
  }
  slice.RecalcSize();
  return slice;
}

bool IsHead(const TXBlocks& parts) {
  return parts.Count() == 1 && parts[0].Start == 0;
}

}  // namespace

bool TXDRScanFormat::DecodeThumbnail(TXSize /*box*/, TXSize& /*size*/, TXStream& /*stream*/,
                                     TXImageObject& /*image*/) {
  return true;
}

int64_t TXDRScanFormat::FindEnd(TXSearch& search, int64_t start) {
  try {
    return MeasureEnd(search, start);
  } catch (const EXMeasureAbort&) {
  } catch (const std::exception& error) {
    RecordException(error);
  }
  return -1;
}

bool TXDRScanFormat::Check(TXSearch& search, int64_t start) {
  try {
    return Recognise(search, start);
  } catch (const EXMeasureAbort&) {
  } catch (const std::exception& error) {
    RecordException(error);
  }
  return false;
}

std::string_view TXDRScanFormat::GetExtension() const {
  return ClassOfKind(Kind).Ext;
}

bool TXDRScanFormat::MayHoldPictures() const {
  return !(ClassOfKind(Kind).Flags & sfHoldsNoPictures);
}

bool TXDRScanFormat::ValidateItem(TXStream& stream, const TXBlocks& blocks) {
  try {
    TXBlockStream view(stream, blocks);
    TXSearch search;
    search.SetWorker(MakeRef<TXWorker>());
    search.SetSource(&view);
    return Check(search, 0);
  } catch (const std::exception& error) {
    RecordException(error);
    return false;
  }
}

bool TXDRScanFormat::MakeThumbnail(TXSize& size, TXImageObject& image, const TXBlocks& blocks,
                                   TXStream& stream) {
  return MakePicture(ThumbnailBox(), size, image, blocks, stream);
}

bool TXDRScanFormat::MakePreview(TXSize& size, TXImageObject& image, const TXBlocks& blocks,
                                 TXStream& stream) {
  return MakePicture(kPreviewBox, size, image, blocks, stream);
}

bool TXDRScanFormat::MakePicture(TXSize box, TXSize& size, TXImageObject& image,
                                 const TXBlocks& blocks, TXStream& stream) {
  size = {};
  image.Clear();
  if (!CanMakeThumbnail()) return true;
  TXMemoryStream copy;
  return CopyPictureSource(blocks, stream, copy) && DecodePicture(box, size, copy, image);
}

TXBlocks TXDRScanFormat::ThumbnailSourceParts(int64_t fileSize) const {
  TXBlocks parts;
  parts.Add(0, ThumbnailSourceSize(fileSize));
  parts.RecalcSize();
  return parts;
}

TXBlocks TXDRScanFormat::PartsToCopy(int64_t fileSize) const {
  TXBlocks whole;
  whole.Add(0, fileSize);
  whole.RecalcSize();
  TXBlocks parts;
  for (const TXBlock& part : ThumbnailSourceParts(fileSize))
    parts.AppendRange(SliceOf(whole, part.Start, part.Size));
  parts.RecalcSize();
  return SliceOf(parts, 0, kMaxPictureSource);
}

int64_t TXDRScanFormat::PictureSourceSize(const TXBlocks& blocks) const {
  return PartsToCopy(blocks.TotalSize()).TotalSize();
}

bool TXDRScanFormat::CopyPictureSource(const TXBlocks& blocks, TXStream& stream,
                                       TXMemoryStream& copy) {
  try {
    copiedFileSize_ = blocks.TotalSize();
    copiedParts_ = PartsToCopy(copiedFileSize_);
    copy.Bytes().reserve(static_cast<size_t>(copiedParts_.TotalSize()));
    for (const TXBlock& part : copiedParts_) {
      if (!SliceOf(blocks, part.Start, part.Size).CopyTo(stream, copy)) return false;
    }
    copy.SetPosition(0);
    return true;
  } catch (const std::exception& error) {
    RecordException(error);
    return false;
  }
}

bool TXDRScanFormat::DecodePicture(TXSize box, TXSize& size, TXMemoryStream& copy,
                                   TXImageObject& image) {
  try {
    if (copiedParts_.Empty() || IsHead(copiedParts_))
      return DecodeThumbnail(box, size, copy, image);
    TXPiecedStream file(copy, copiedParts_, copiedFileSize_);
    return DecodeThumbnail(box, size, file, image);
  } catch (const std::exception& error) {
    RecordException(error);
    image.Clear();
    size = {};
    return false;
  }
}

}  // namespace kova
