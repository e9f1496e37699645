#include "recovery/volume_recovery.h"

#include "recovery/blocks.h"
#include "recovery/found_file_sink.h"

namespace kova {

void OfferVolumeFile(const TXDRVolumePlace& place, TXFoundFileNotification& notification,
                     IXDRFoundFileSink& sink) {
  TXDRFileItem& item = *notification.Aspect().Item;
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
