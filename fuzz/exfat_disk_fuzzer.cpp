// A fuzzed card image through the exFAT recovery: both boot regions, the root folder's bitmap
// and label, the walk of live and deleted folders, and the live and deleted files.
#include "exfat/exfat_recovery.h"
#include "framework/error_data.h"
#include "framework/worker.h"
#include "fuzz_support.h"
#include "recovery/blocks.h"
#include "storage/disk_io.h"

namespace kova {
namespace {

void CheckExtents(const TXBlocks& blocks, const std::string& what) {
  for (const TXBlock& b : blocks) {
    if (b.Start < 0 || b.Size <= 0 || b.End() < b.Start)
      fuzz::Fail(what + " with the extent [" + std::to_string(b.Start) + "," +
                 std::to_string(b.Size) + "]");
  }
}

// Every offered file is a real piece of the medium's address range and belongs to volume 1.
// Extents past the end of a cut image are allowed: the boot region tells the volume's size.
void CheckOffered(AXNotification& n) {
  auto* a = n.AspectAs<TXDRFoundFileAspect>();
  if (!a) return;
  CheckExtents(a->Item->Blocks(), "file '" + a->Item->Name + "' offered");
  if (a->Item->Volume != 1) fuzz::Fail("file '" + a->Item->Name + "' offered outside volume 1");
}

}  // namespace
}  // namespace kova

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kova;
  TXFileDiskIO io;
  if (!io.Open(fuzz::WriteImage(data, size).string())) return 0;
  TXRef<IXWorker> worker = MakeRef<TXWorker>();
  int key = 0;
  worker->AddObserver(AspectClassOf<TXDRFoundFileAspect>(),
                      TXHandler(&key, "offered", CheckOffered));
  TXDRVolumePlace place;
  place.Stream = io.Stream();
  TXDRExfatRecovery recovery;
  if (recovery.Open(place)) {
    recovery.RecoverFromDirectories(*worker);
    recovery.RecoverLostFolders(*worker);
    TXBlocks used;
    recovery.AddUsedExtents(used);
    CheckExtents(used, "used space");
    const TXDRFileSystemFacts facts = recovery.Facts();
    if (facts.FreeClusters < 0 || facts.FreeClusters > facts.TotalClusters)
      fuzz::Fail("free clusters " + std::to_string(facts.FreeClusters) + " of " +
                 std::to_string(facts.TotalClusters));
  }
  worker->RemoveObserversOf(&key);
  ClearThreadError();
  return 0;
}
