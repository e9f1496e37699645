// A fuzzed card image through the FAT recovery: boot sector and table, the directory walk, the
// live and deleted files, and the search for lost folders.
#include "framework/error_data.h"
#include "framework/oem_code_pages.h"
#include "framework/worker.h"
#include "fuzz_support.h"
#include "offered_files.h"
#include "recovery/found_file_sink.h"
#include "run/run_volumes.h"
#include "storage/disk_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kova;
  TXFileDiskIO io;
  if (!io.Open(fuzz::WriteImage(data, size).string())) return 0;
  TXRef<IXWorker> worker = MakeRef<TXWorker>();
  TXDRImmediateSink sink(*worker);
  fuzz::TXOfferedFileCheck check(*worker);
  TXDRRunVolumes volumes;
  volumes.Open(io, kDefaultCodePage);
  for (TXDRRunVolume& volume : volumes.Volumes()) {
    if (!volume.Recovery) continue;
    volume.Recovery->RecoverFromDirectories(*worker, sink);
    volume.Recovery->RecoverLostFolders(*worker, sink);
  }
  ClearThreadError();
  return 0;
}
