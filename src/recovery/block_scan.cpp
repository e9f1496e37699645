#include "recovery/block_scan.h"

#include <algorithm>
#include <limits>

#include "framework/core_app.h"
#include "framework/notification.h"
#include "recovery/block_stream.h"
#include "recovery/formats/scan_format_registry.h"
#include "recovery/found_extents.h"
#include "recovery/found_file_queue.h"
#include "recovery/picture_job.h"
#include "recovery/recovery_aspects.h"

namespace kova {

namespace {

constexpr int64_t kScanStep = 512;

}  // namespace

TXDRBlockScan::TXDRBlockScan(TXSearch& search, TXStream& medium, const TXBlocks& extents,
                             const TXDRFoundExtents& taken, TXDRFoundFileQueue& queue)
    : search_(search), medium_(medium), extents_(extents), taken_(taken), queue_(queue) {}

bool TXDRBlockScan::Stopped() const {
  return CoreApp().IsTerminating() || (search_.Worker() && search_.Worker()->IsTerminated());
}

void TXDRBlockScan::Run() {
  TXBlocks whole;
  whole.Add(0, extents_.TotalSize());
  Run(whole);
}

void TXDRBlockScan::Run(const TXBlocks& starts) {
  if (extents_.Empty() || starts.Empty()) return;
  starts_ = BuildPatterns(AllKinds());
  if (starts_.Patterns.empty()) return;
  patternReach_ = 0;
  for (const TXGridPattern& pattern : starts_.Patterns)
    patternReach_ = std::max(patternReach_, pattern.Length());
  TXBlockStream view(medium_, extents_);
  TXStream* previous = search_.Source();
  search_.SetSource(&view);
  struct SourceBack {
    TXSearch& search;
    TXStream* previous;
    ~SourceBack() { search.SetSource(previous); }
  } sourceBack{search_, previous};
  queue_.ReleaseAll();
  int64_t pos = 0;
  size_t block = 0;
  while (pos != -1 && !Stopped()) {
    int32_t matched = -1;
    int64_t r = FindStart(starts, block, pos, matched);
    if (Stopped()) return;
    if (r == -1) {
      queue_.ReleaseAll();
      pos = -1;
    } else {
      pos = Measure(r, starts_.Kinds[static_cast<size_t>(matched)]);
    }
    // A JPEG refused meanwhile sends the search back.
    if (int64_t resume = queue_.TakeResume(); resume >= 0) {
      pos = resume;
      block = 0;
    }
  }
}

int64_t TXDRBlockScan::FindStart(const TXBlocks& starts, size_t& block, int64_t pos,
                                 int32_t& matched) {
  for (; block < static_cast<size_t>(starts.Count()); ++block) {
    const TXBlock& area = starts[static_cast<int32_t>(block)];
    if (area.End() <= pos) continue;
    // The patterns at the area's last positions reach past it.
    const int64_t r = search_.FindFirstOf(starts_.Patterns, matched, std::max(pos, area.Start),
                                          area.Last() + patternReach_, 0, kScanStep);
    if (Stopped()) return -1;
    if (r != -1 && r <= area.Last()) return r;
  }
  return -1;
}

bool TXDRBlockScan::IsRepeat(const TXDRFileItem& item) const {
  const std::string* ext = taken_.ExtOn(item.Blocks());
  return ext && item.Ext == *ext;
}

int64_t TXDRBlockScan::Measure(int64_t r, uint8_t kind) {
  const int64_t nextStep = r + kScanStep;
  if (taken_.PartOfEntryFile(extents_.MapPosition(r))) return nextStep;
  std::unique_ptr<TXDRScanFormat> format = CreateFormat(kind);
  const int64_t measured = format->FindEnd(search_, r);
  // The kind is known once measured (a TIFF may turn out to be a raw file).
  const int64_t e = std::min(measured, r + MostFileBytes(format->Kind) - 1);
  if (e <= r || Stopped()) return nextStep;
  auto notification = MakeNotification<TXDRFoundFileAspect>();
  TXDRFileItem& item = *notification->Aspect().Item;
  item.Dimensions = format->Dimensions;
  item.Modified = format->Taken;
  item.MarkScanValid();
  item.Ext = std::string(format->GetExtension());
  item.EditBlocks().SetRange(extents_, extents_.MapPosition(r), extents_.MapPosition(e));
  const bool jpeg = kind == skJPG;
  const int64_t goOn = jpeg || !format->MayHoldPictures() ? e + 1 : nextStep;
  if (IsRepeat(item)) return goOn;
  notification->Aspect().Picture =
      std::make_unique<TXDRPictureJob>(std::move(format), item.Blocks(), medium_);
  queue_.Offer(*notification, jpeg ? TXDRPictureRule{true, nextStep} : TXDRPictureRule{});
  return goOn;
}

void ScanBlocks(TXSearch& search, TXStream& medium, const TXBlocks& extents,
                const TXDRFoundExtents& taken, TXDRFoundFileQueue& queue) {
  TXDRBlockScan(search, medium, extents, taken, queue).Run();
}

void ScanBlocks(TXSearch& search, TXStream& medium, const TXBlocks& extents, const TXBlocks& starts,
                const TXDRFoundExtents& taken, TXDRFoundFileQueue& queue) {
  TXDRBlockScan(search, medium, extents, taken, queue).Run(starts);
}

}  // namespace kova
