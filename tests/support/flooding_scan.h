#pragma once

#include <cstdint>

#include "framework/observable.h"
#include "imaging/bitmap32.h"
#include "imaging/jpeg_thumbnail.h"
#include "recovery/file_collection.h"
#include "recovery/recovery_aspects.h"

// What a scan that finds very many files sends the results page: files added to the collection
// and announced one TXDRAddFileAspect each, posted as fast as it can. Photos carry a 72 x 54
// thumbnail as the scan keeps them (compacted); every fiftieth file is a video without one. The
// results page's test and its benchmark flood it with these.
namespace kova::test {

inline void MakeScanThumbnail(TXImageObject& thumbnail, int32_t seed) {
  TXBitmap32 bitmap(72, 54);
  for (int32_t y = 0; y < 54; ++y) {
    for (int32_t x = 0; x < 72; ++x) {
      bitmap.SetPixel(x, y,
                      MakeColor(static_cast<uint8_t>(x * 3 + seed), static_cast<uint8_t>(y * 4),
                                static_cast<uint8_t>(seed * 7)));
    }
  }
  thumbnail.LoadFrom(bitmap);
  CompactThumbnail(thumbnail);
}

inline void FloodFoundFiles(TXDRFileCollection& files, TXObservable& announcer, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    TXDRFileItem& item = *files.Add();
    const bool video = i % 50 == 49;
    item.Ext = video ? ".mov" : ".jpg";
    item.Name = FoundFileName(static_cast<uint32_t>(i + 1), item.Ext);
    item.EditBlocks().Add(int64_t{i} * 65536, 65536);
    if (!video) {
      item.Dimensions = {4000, 3000};
      MakeScanThumbnail(item.Thumbnail, i % 97);
    }
    announcer.Post(MakeSharedNotification<TXDRAddFileAspect>(&item));
  }
}

}  // namespace kova::test
