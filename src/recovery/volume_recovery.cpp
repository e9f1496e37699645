#include "recovery/volume_recovery.h"

#include <algorithm>
#include <cstdint>

#include "framework/stream.h"
#include "recovery/blocks.h"
#include "recovery/found_file_sink.h"

namespace kova {

int64_t MissingBytes(uint64_t sectors, uint32_t sectorBytes, int64_t held) {
  uint64_t claimed = 0;
  if (__builtin_mul_overflow(sectors, uint64_t{sectorBytes}, &claimed)) claimed = UINT64_MAX;
  const auto inside = static_cast<uint64_t>(std::max<int64_t>(held, 0));
  if (claimed <= inside) return 0;
  return static_cast<int64_t>(std::min<uint64_t>(claimed - inside, INT64_MAX));
}

void OfferVolumeFile(const TXDRVolumePlace& place, TXFoundFileNotification& notification,
                     IXDRFoundFileSink& sink) {
  TXDRFileItem& item = *notification.Aspect().Item;
  const int64_t end = place.Stream ? place.Stream->Size() : 0;
  if (!item.Blocks().Empty() && item.Blocks()[0].Start >= end) return;
  item.CutByEnd = std::any_of(item.Blocks().begin(), item.Blocks().end(),
                              [end](const TXBlock& block) { return block.End() > end; });
  if (place.Start != 0) {
    TXBlocks onMedium;
    for (const TXBlock& block : item.Blocks())
      onMedium.Append({block.Start + place.Start, block.Size});
    onMedium.RecalcSize();
    item.EditBlocks() = onMedium;
  }
  item.Volume = place.Number;
  sink.Offer(notification);
}

}  // namespace kova
