#include "recovery/volume_recovery.h"

#include "framework/worker_interfaces.h"
#include "recovery/blocks.h"
#include "recovery/found_file_queue.h"

namespace kova {

void OfferVolumeFile(const TXDRVolumePlace& place, TXFoundFileNotification& notification,
                     IXWorker& worker) {
  TXDRFileItem& item = *notification.Aspect().Item;
  if (place.Start != 0) {
    TXBlocks onMedium;
    for (const TXBlock& block : item.Blocks())
      onMedium.Append({block.Start + place.Start, block.Size});
    onMedium.RecalcSize();
    item.EditBlocks() = onMedium;
  }
  item.Volume = place.Number;
  OfferFoundFile(notification, worker);
}

}  // namespace kova
