// A fuzzed card image through the exFAT recovery: both boot regions, the root folder's bitmap
// and label, the walk of live and deleted folders, and the live and deleted files.
#include "exfat/exfat_recovery.h"
#include "framework/error_data.h"
#include "framework/worker.h"
#include "fuzz_support.h"
#include "offered_files.h"
#include "recovery/blocks.h"
#include "recovery/found_file_sink.h"
#include "storage/disk_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kova;
  TXFileDiskIO io;
  if (!io.Open(fuzz::WriteImage(data, size).string())) return 0;
  TXRef<IXWorker> worker = MakeRef<TXWorker>();
  TXDRImmediateSink sink(*worker);
  fuzz::TXOfferedFileCheck check(*worker, 1);
  TXDRVolumePlace place;
  place.Stream = io.Stream();
  TXDRExfatRecovery recovery;
  if (recovery.Open(place)) {
    recovery.RecoverFromDirectories(*worker, sink);
    recovery.RecoverLostFolders(*worker, sink);
    TXBlocks used;
    recovery.AddUsedExtents(used);
    fuzz::CheckExtents(used, "used space");
    const TXDRFileSystemFacts facts = recovery.Facts();
    if (facts.FreeClusters < 0 || facts.FreeClusters > facts.TotalClusters)
      fuzz::Fail("free clusters " + std::to_string(facts.FreeClusters) + " of " +
                 std::to_string(facts.TotalClusters));
  }
  ClearThreadError();
  return 0;
}
