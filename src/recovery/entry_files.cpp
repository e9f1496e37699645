#include "recovery/entry_files.h"

#include <algorithm>
#include <memory>

#include "framework/worker_interfaces.h"
#include "imaging/jpeg_thumbnail.h"
#include "recovery/block_stream.h"
#include "recovery/blocks.h"
#include "recovery/file_item.h"
#include "recovery/formats/scan_format_registry.h"
#include "recovery/picture_job.h"
#include "recovery/recovery_aspects.h"
#include "recovery/search.h"

namespace kova {

namespace {

// The first bytes of a deleted file that tell wiped clusters from data.
constexpr int64_t kWipeProbe = 4096;

// Dimensions and thumbnail from the file's scan format, after the format has measured it.
void TakePicture(std::unique_ptr<TXDRScanFormat> format, TXDRFoundFileAspect& found,
                 TXStream& medium) {
  found.Item->Dimensions = format->Dimensions;
  found.Picture = std::make_unique<TXDRPictureJob>(std::move(format), found.Item->Blocks(), medium);
}

bool Wiped(const TXBlocks& blocks, TXStream& medium) {
  TXBlockStream view(medium, blocks);
  TXSearch search;
  search.SetSource(&view);
  int64_t probe = std::min(blocks.TotalSize(), kWipeProbe);
  return search.AllEqualAt(0x00, probe, 0) || search.AllEqualAt(0xFF, probe, 0);
}

}  // namespace

void MeasureLiveEntryFile(TXDRFoundFileAspect& found, TXStream& medium) {
  const TXDRScanFormatClass* formatClass = ClassOfExt(found.Item->Ext);
  if (!formatClass) return;
  std::unique_ptr<TXDRScanFormat> format = formatClass->Create();
  // Its entry proves the file: a picture it carries for the purpose serves as its thumbnail.
  format->PreferEmbeddedThumbnail(KeptThumbnailBox());
  format->ValidateItem(medium, found.Item->Blocks());
  TakePicture(std::move(format), found, medium);
}

bool MeasureDeletedEntryFile(TXDRFoundFileAspect& found, TXStream& medium, IXWorker& worker) {
  const TXDRFileItem& item = *found.Item;
  if (Wiped(item.Blocks(), medium)) return false;
  const TXDRScanFormatClass* formatClass = ClassOfExt(item.Ext);
  if (!formatClass) return true;
  std::unique_ptr<TXDRScanFormat> format = formatClass->Create();
  TXBlockStream view(medium, item.Blocks());
  TXSearch search;
  search.SetWorker(TXRef<IXWorker>(&worker));
  search.SetSource(&view);
  if (!format->Check(search, 0)) {
    if (!PlausibleEntryName(item.Name)) return false;
    found.Item->Status.Include(drScanError);
    found.Item->MarkThumbnail(false);
    return true;
  }
  TakePicture(std::move(format), found, medium);
  return true;
}

bool PlausibleEntryName(std::string_view name) {
  constexpr std::string_view kForbidden = "\"*/:<>?\\|";
  if (name.find_first_not_of(". ") == std::string_view::npos) return false;
  return std::ranges::none_of(name, [&](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F ||
           kForbidden.find(c) != std::string_view::npos;
  });
}

}  // namespace kova
