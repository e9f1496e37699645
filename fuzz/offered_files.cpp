#include "offered_files.h"

#include "framework/worker_interfaces.h"
#include "fuzz_support.h"
#include "recovery/blocks.h"
#include "recovery/recovery_aspects.h"

namespace kova::fuzz {

void CheckExtents(const TXBlocks& blocks, const std::string& what) {
  for (const TXBlock& b : blocks) {
    if (b.Start < 0 || b.Size <= 0 || b.End() < b.Start)
      Fail(what + " with the extent [" + std::to_string(b.Start) + "," + std::to_string(b.Size) +
           "]");
  }
}

TXOfferedFileCheck::TXOfferedFileCheck(IXWorker& worker, int32_t volume)
    : worker_(worker), volume_(volume) {
  worker.AddObserver(AspectClassOf<TXDRFoundFileAspect>(),
                     TXHandler(this, "offered", [this](AXNotification& n) {
                       auto* a = n.AspectAs<TXDRFoundFileAspect>();
                       if (!a) return;
                       const std::string file = "file '" + a->Item->Name + "'";
                       CheckExtents(a->Item->Blocks(), file + " offered");
                       if (volume_ != 0 && a->Item->Volume != volume_)
                         Fail(file + " offered outside volume " + std::to_string(volume_));
                     }));
}

TXOfferedFileCheck::~TXOfferedFileCheck() {
  worker_.RemoveObserversOf(this);
}

}  // namespace kova::fuzz
