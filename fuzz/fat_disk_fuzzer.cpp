// A fuzzed card image through the FAT recovery: boot sector and table, the directory walk, the
// live and deleted files, and the search for lost folders.
#include "framework/error_data.h"
#include "framework/oem_code_pages.h"
#include "framework/worker.h"
#include "fuzz_support.h"
#include "recovery/blocks.h"
#include "recovery/recovery_aspects.h"
#include "run/run_volumes.h"
#include "storage/disk_io.h"

namespace kova {
namespace {

// Every offered extent must be a real piece of the medium's address range. Extents past the end
// of a cut image are allowed: the boot sector tells the volume's size, not the image's.
void CheckOffered(AXNotification& n) {
  auto* a = n.AspectAs<TXDRFoundFileAspect>();
  if (!a) return;
  for (const TXBlock& b : a->Item->Blocks()) {
    if (b.Start < 0 || b.Size <= 0 || b.End() < b.Start)
      fuzz::Fail("file '" + a->Item->Name + "' offered with the extent [" +
                 std::to_string(b.Start) + "," + std::to_string(b.Size) + "]");
  }
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
  TXDRRunVolumes volumes;
  volumes.Open(io, kDefaultCodePage);
  for (TXDRRunVolume& volume : volumes.Volumes()) {
    if (!volume.Recovery) continue;
    volume.Recovery->RecoverFromDirectories(*worker);
    volume.Recovery->RecoverLostFolders(*worker);
  }
  worker->RemoveObserversOf(&key);
  ClearThreadError();
  return 0;
}
