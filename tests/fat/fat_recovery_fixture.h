#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fat/card_fixture.h"
#include "fat/fat_disk.h"
#include "framework/worker.h"
#include "recovery/blocks.h"
#include "recovery/found_file_sink.h"
#include "recovery/recovery_aspects.h"
#include "storage/disk_io.h"
#include "support/offered_files.h"

namespace kova::test {

// The input's whole medium as volume 1, as on a card without a partition table.
inline TXDRVolumePlace WholeMedium(TXCustomDiskIO& io) {
  TXDRVolumePlace place;
  place.Stream = io.Stream();
  place.ReportedFileSystem = io.DiskInfo.FileSystem;
  return place;
}

// The FAT recovery of a saved card image, run on the test's thread.
struct FatRecoveryRun {
  explicit FatRecoveryRun(const std::filesystem::path& image) {
    opened = io.Open(image.string());
    if (opened) loaded = disk.Open(WholeMedium(io));
  }
  void FromDirectories() {
    disk.RecoverFromDirectories(*worker, sink);
    disk.AddUsedExtents(used);
  }
  void LostFolders() { disk.RecoverLostFolders(*worker, sink); }

  TXFileDiskIO io;
  TXDRFATDisk disk;
  TXRef<IXWorker> worker = MakeRef<TXWorker>();
  TXDRImmediateSink sink{*worker};
  OfferedFiles offered{*worker};
  TXBlocks used;
  bool opened = false;
  bool loaded = false;
};

}  // namespace kova::test
