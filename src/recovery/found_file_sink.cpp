#include "recovery/found_file_sink.h"

#include <utility>

#include "framework/worker_interfaces.h"
#include "recovery/picture_job.h"

namespace kova {

void TXDRImmediateSink::Offer(TXFoundFileNotification& notification, TXDRPictureRule /*rule*/) {
  TXDRFoundFileAspect& found = notification.Aspect();
  if (found.Picture) std::exchange(found.Picture, nullptr)->MakeFor(*found.Item, false);
  worker_.Dispatch(notification);
}

}  // namespace kova
