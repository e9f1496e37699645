#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "recovery/volume_recovery.h"
#include "storage/sub_stream.h"
#include "storage/volume_system.h"

namespace kova {

class TXBlocks;
class TXCustomDiskIO;

// One volume of the run's medium, read through a window of the medium, and the recovery of its
// file system when one was recognised.
struct TXDRRunVolume {
  TXVolumeExtent Extent;
  std::unique_ptr<TXSubStream> Stream;
  std::unique_ptr<TXDRVolumeRecovery> Recovery;  // none when no file system was recognised
  TXDRVolumePlace Place;
};

// The volumes of the medium a run reads: its partition table, and for each volume the first
// file-system recovery (FAT, then the others) that opens it. A medium without a table is one
// volume from sector 0.
class TXDRRunVolumes {
 public:
  // Reads the table of the input's medium and opens every volume. FAT short names are decoded
  // with `codePage`. A volume whose file system cannot be read is kept without a recovery, so
  // that its space is searched like the space outside every volume.
  void Open(TXCustomDiskIO& input, uint16_t codePage);
  void Reset();

  const TXVolumeSystem& System() const { return system_; }
  std::vector<TXDRRunVolume>& Volumes() { return volumes_; }
  const std::vector<TXDRRunVolume>& Volumes() const { return volumes_; }
  // The volumes with a recognised file system.
  int32_t RecognisedCount() const;
  // The number of the volume that holds the byte of the medium, 0 outside every volume.
  int32_t VolumeAt(int64_t position) const;
  // The extents of the live files of every recognised volume, on the medium.
  void AddUsedExtents(TXBlocks& used) const;
  // The bytes of the volumes that lie past the end of the medium (a cut image): for each, what
  // its file system or else its partition entry names beyond the end.
  int64_t MissingBytes() const;

 private:
  TXVolumeSystem system_;
  std::vector<TXDRRunVolume> volumes_;
};

// The sector and cluster size an input without them takes: those of the first recognised file
// system, else 512 bytes each.
void LearnUnitSizes(TXCustomDiskIO& input, const TXDRRunVolumes& volumes);

}  // namespace kova
