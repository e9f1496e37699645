#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/notification.h"
#include "recovery/recovery_aspects.h"

namespace kova {

class IXDRFoundFileSink;
class IXWorker;
class TXBlocks;
class TXStream;

// One volume of the medium as a file-system recovery sees it: a window of the medium that starts
// at the volume's first byte.
struct TXDRVolumePlace {
  int32_t Number = 1;          // the partition number; 1 on a medium without a partition table
  int64_t Start = 0;           // the volume's first byte on the medium
  TXStream* Stream = nullptr;  // the volume's bytes, position 0 at Start (not owned)
  // The file system the operating system or an image's trailer reports for the volume, empty
  // when nothing is reported; a recovery does not read a volume reported as another file system.
  std::string ReportedFileSystem;
  uint16_t CodePage = 437;  // the OEM code page of FAT short names
};

// What a file system tells about itself.
struct TXDRFileSystemFacts {
  std::string Name;  // "FAT12", "FAT16", "FAT32", "exFAT"
  std::string Label;
  uint32_t Serial = 0;
  uint32_t SectorSize = 0;
  uint32_t ClusterSize = 0;
  int64_t TotalClusters = 0;
  int64_t FreeClusters = 0;
  // The main boot sector (or boot region) was damaged and its backup was read instead.
  bool FromBackupBoot = false;
  // The bytes the boot sector gives the volume past the end of the medium (a cut image): what
  // lies there is not read, and files reaching there are offered cut (TXDRFileItem::CutByEnd).
  int64_t Missing = 0;
};

// The bytes of a volume of `sectors` sectors that lie past the end of the `held` bytes read.
int64_t MissingBytes(uint64_t sectors, uint32_t sectorBytes, int64_t held);

// The recovery of one kind of file system on one volume. The run makes one per volume and kind,
// keeps the first that opens, and then calls RecoverFromDirectories, RecoverLostFolders and
// AddUsedExtents in that order. Everything runs on the scan thread; files go into the sink the
// run passes in, through OfferVolumeFile so that they carry the volume and positions on the
// medium.
class TXDRVolumeRecovery {
 public:
  virtual ~TXDRVolumeRecovery() = default;

  // Reads the boot region and the tables through place.Stream. False when the volume holds no
  // readable file system of this kind; nothing else is called then. Read failures of the medium
  // may be thrown (EXError); the run treats them as "not this kind".
  virtual bool Open(const TXDRVolumePlace& place) = 0;
  virtual TXDRFileSystemFacts Facts() const = 0;
  // Offers the live and the deleted files the directories describe; 100 per cent of the current
  // progress section. Returns early when the run stops.
  virtual void RecoverFromDirectories(IXWorker& worker, IXDRFoundFileSink& sink) = 0;
  // Offers the files of folders that no live folder lists any more; 100 per cent of the current
  // section.
  virtual void RecoverLostFolders(IXWorker& worker, IXDRFoundFileSink& sink) = 0;
  // Adds the extents of the live files as positions on the medium, each file's last cluster
  // whole: the space the deep scan searches last.
  virtual void AddUsedExtents(TXBlocks& used) const = 0;
};

// Offers a file found on the volume to the sink: its extents, given as positions in the volume's
// stream, become positions on the medium, and it is marked with the volume's number. A file with
// extents past the end of the volume's stream (a cut image) is marked CutByEnd, and one that
// starts there is not offered: nothing of it can be read.
void OfferVolumeFile(const TXDRVolumePlace& place, TXFoundFileNotification& notification,
                     IXDRFoundFileSink& sink);

}  // namespace kova
