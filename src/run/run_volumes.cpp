#include "run/run_volumes.h"

#include <algorithm>
#include <exception>

#include "exfat/exfat_recovery.h"
#include "fat/fat_disk.h"
#include "framework/error_data.h"
#include "recovery/blocks.h"
#include "storage/disk_io.h"

namespace kova {

namespace {

constexpr uint32_t kDefaultUnit = 512;

using TXRecoveryFactory = std::unique_ptr<TXDRVolumeRecovery> (*)();

// The file systems a volume is tried for, in this order.
constexpr TXRecoveryFactory kRecoveries[] = {
    [] { return std::unique_ptr<TXDRVolumeRecovery>(std::make_unique<TXDRFATDisk>()); },
    [] { return std::unique_ptr<TXDRVolumeRecovery>(std::make_unique<TXDRExfatRecovery>()); },
};

std::unique_ptr<TXDRVolumeRecovery> Recognise(const TXDRVolumePlace& place) {
  for (TXRecoveryFactory make : kRecoveries) {
    std::unique_ptr<TXDRVolumeRecovery> recovery = make();
    try {
      if (recovery->Open(place)) return recovery;
    } catch (const EXError& error) {
      if (error.Code() == kErrNotReady) throw;
    } catch (const std::exception&) {
    }
  }
  return nullptr;
}

}  // namespace

void TXDRRunVolumes::Reset() {
  volumes_.clear();
  system_ = TXVolumeSystem();
}

void TXDRRunVolumes::Open(TXCustomDiskIO& input, uint16_t codePage) {
  Reset();
  TXStream& medium = *input.Stream();
  system_ = ReadVolumeSystem(medium, input.DiskInfo.SectorSize);
  const bool whole = system_.Scheme == TXPartitionScheme::psNone;
  for (const TXVolumeExtent& extent : system_.Volumes(medium.Size())) {
    TXDRRunVolume& volume = volumes_.emplace_back();
    volume.Extent = extent;
    volume.Stream = std::make_unique<TXSubStream>(&medium, extent.Start, extent.Size, false);
    volume.Place.Number = extent.Number;
    volume.Place.Start = extent.Start;
    volume.Place.Stream = volume.Stream.get();
    volume.Place.ReportedFileSystem = whole ? input.DiskInfo.FileSystem : std::string();
    volume.Place.CodePage = codePage;
    volume.Recovery = Recognise(volume.Place);
  }
}

int32_t TXDRRunVolumes::RecognisedCount() const {
  int32_t count = 0;
  for (const TXDRRunVolume& volume : volumes_)
    count += volume.Recovery ? 1 : 0;
  return count;
}

int32_t TXDRRunVolumes::VolumeAt(int64_t position) const {
  for (const TXDRRunVolume& volume : volumes_) {
    const TXVolumeExtent& extent = volume.Extent;
    if (position >= extent.Start && position < extent.Start + extent.Size) return extent.Number;
  }
  return 0;
}

void TXDRRunVolumes::AddUsedExtents(TXBlocks& used) const {
  for (const TXDRRunVolume& volume : volumes_) {
    if (volume.Recovery) volume.Recovery->AddUsedExtents(used);
  }
}

int64_t TXDRRunVolumes::MissingBytes() const {
  int64_t missing = 0;
  for (const TXDRRunVolume& volume : volumes_) {
    const int64_t named = volume.Recovery ? volume.Recovery->Facts().Missing : 0;
    missing += std::max(named, volume.Extent.Missing);
  }
  return missing;
}

void LearnUnitSizes(TXCustomDiskIO& input, const TXDRRunVolumes& volumes) {
  TXDRFileSystemFacts facts;
  for (const TXDRRunVolume& volume : volumes.Volumes()) {
    if (volume.Recovery) {
      facts = volume.Recovery->Facts();
      break;
    }
  }
  if (input.DiskInfo.SectorSize == 0)
    input.DiskInfo.SectorSize = facts.SectorSize ? facts.SectorSize : kDefaultUnit;
  if (input.DiskInfo.ClusterSize == 0)
    input.DiskInfo.ClusterSize = facts.ClusterSize ? facts.ClusterSize : kDefaultUnit;
}

}  // namespace kova
