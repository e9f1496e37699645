#include "recovery/entry_files.h"

#include <algorithm>
#include <memory>

#include "framework/worker_interfaces.h"
#include "recovery/block_stream.h"
#include "recovery/blocks.h"
#include "recovery/file_item.h"
#include "recovery/formats/scan_format_registry.h"
#include "recovery/search.h"

namespace kova {

namespace {

// The first bytes of a deleted file that tell wiped clusters from data.
constexpr int64_t kWipeProbe = 4096;

// Dimensions and thumbnail from the file's scan format, after the format has measured it.
void TakePicture(TXDRScanFormat& format, TXDRFileItem& item, TXStream& medium) {
  item.Dimensions = format.Dimensions;
  TXSize size;
  item.MarkThumbnail(format.MakeThumbnail(size, item.Thumbnail, item.Blocks(), medium));
  if (item.Dimensions.Width == 0 || item.Dimensions.Height == 0) item.Dimensions = size;
}

bool Wiped(const TXBlocks& blocks, TXStream& medium) {
  TXBlockStream view(medium, blocks);
  TXSearch search;
  search.SetSource(&view);
  int64_t probe = std::min(blocks.TotalSize(), kWipeProbe);
  return search.AllEqualAt(0x00, probe, 0) || search.AllEqualAt(0xFF, probe, 0);
}

}  // namespace

void MeasureLiveEntryFile(TXDRFileItem& item, TXStream& medium) {
  const TXDRScanFormatClass* formatClass = ClassOfExt(item.Ext);
  if (!formatClass) return;
  std::unique_ptr<TXDRScanFormat> format = formatClass->Create();
  format->ValidateItem(medium, item.Blocks());
  TakePicture(*format, item, medium);
}

bool MeasureDeletedEntryFile(TXDRFileItem& item, TXStream& medium, IXWorker& worker) {
  if (Wiped(item.Blocks(), medium)) return false;
  const TXDRScanFormatClass* formatClass = ClassOfExt(item.Ext);
  if (!formatClass) return true;
  std::unique_ptr<TXDRScanFormat> format = formatClass->Create();
  TXBlockStream view(medium, item.Blocks());
  TXSearch search;
  search.SetWorker(TXRef<IXWorker>(&worker));
  search.SetSource(&view);
  if (!format->Check(search, 0)) return false;
  TakePicture(*format, item, medium);
  return true;
}

}  // namespace kova
