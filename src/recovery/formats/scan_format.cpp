#include "recovery/formats/scan_format.h"

#include <algorithm>
#include <exception>

#include "framework/error_data.h"
#include "framework/worker.h"
#include "imaging/jpeg_thumbnail.h"
#include "recovery/block_stream.h"
#include "recovery/formats/format_reader.h"
#include "recovery/formats/scan_format_registry.h"

namespace kova {

namespace {

// The most bytes of a file copied into memory to make its picture. Real photographs take a small
// part of it; a measured end far beyond it comes from damaged data, whose copy must not exhaust
// the memory.
constexpr int64_t kMaxPictureSource = int64_t{256} << 20;

// The first `count` bytes of the extents.
TXBlocks HeadOf(const TXBlocks& blocks, int64_t count) {
  TXBlocks head;
  for (const TXBlock& block : blocks) {
    if (count <= 0) break;
    int64_t taken = std::min(block.Size, count);
    if (taken > 0) head.Append({block.Start, taken});
    count -= taken;
  }
  head.RecalcSize();
  return head;
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

int64_t TXDRScanFormat::PictureSourceSize(const TXBlocks& blocks) const {
  return std::clamp<int64_t>(ThumbnailSourceSize(blocks.TotalSize()), 0, kMaxPictureSource);
}

bool TXDRScanFormat::CopyPictureSource(const TXBlocks& blocks, TXStream& stream,
                                       TXMemoryStream& copy) {
  try {
    const int64_t needed = PictureSourceSize(blocks);
    if (needed > 0) {
      copy.Bytes().reserve(static_cast<size_t>(needed));
      if (!(needed < blocks.TotalSize() ? HeadOf(blocks, needed) : blocks).CopyTo(stream, copy))
        return false;
      copy.SetPosition(0);
    }
    return true;
  } catch (const std::exception& error) {
    RecordException(error);
    return false;
  }
}

bool TXDRScanFormat::DecodePicture(TXSize box, TXSize& size, TXMemoryStream& copy,
                                   TXImageObject& image) {
  try {
    return DecodeThumbnail(box, size, copy, image);
  } catch (const std::exception& error) {
    RecordException(error);
    image.Clear();
    size = {};
    return false;
  }
}

}  // namespace kova
