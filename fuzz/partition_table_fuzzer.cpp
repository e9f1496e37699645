// A fuzzed medium through the partition-table reader: MBR primary entries, the chain of logical
// partitions in an extended one, the GPT and its backup. Whatever the sectors say, every
// partition taken must lie on the medium, off the table and apart from the others.
#include <string>

#include "fuzz_support.h"
#include "sparse_medium.h"
#include "storage/volume_system.h"

namespace kova {
namespace {

std::string Describe(const TXPartitionEntry& entry) {
  return "partition " + std::to_string(entry.Number) + " [" + std::to_string(entry.Start) + "," +
         std::to_string(entry.Size) + "]";
}

bool Overlap(const TXPartitionEntry& a, const TXPartitionEntry& b) {
  return a.Start < b.End() && b.Start < a.End();
}

// A logical partition lies inside an extended one; the extended ones hold nothing else.
bool InsideAnExtended(const TXVolumeSystem& system, const TXPartitionEntry& logical) {
  for (const TXPartitionEntry& entry : system.Partitions) {
    if (IsExtendedType(entry.MbrType) && entry.Start <= logical.Start &&
        logical.End() <= entry.End())
      return true;
  }
  return false;
}

void CheckPartitions(const TXVolumeSystem& system, int64_t size) {
  for (size_t i = 0; i < system.Partitions.size(); ++i) {
    const TXPartitionEntry& entry = system.Partitions[i];
    if (entry.Size <= 0 || entry.Start < system.SectorSize || entry.End() > size)
      fuzz::Fail(Describe(entry) + " is not on a medium of " + std::to_string(size) + " bytes");
    const bool logical = system.Scheme == TXPartitionScheme::psMbr && entry.Number > 4;
    if (logical && !InsideAnExtended(system, entry))
      fuzz::Fail(Describe(entry) + " is logical but outside every extended partition");
    for (size_t j = 0; j < i; ++j) {
      const TXPartitionEntry& other = system.Partitions[j];
      if (other.Number == entry.Number) fuzz::Fail(Describe(entry) + " is numbered twice");
      const bool container = IsExtendedType(other.MbrType) || IsExtendedType(entry.MbrType);
      if (!container && Overlap(entry, other))
        fuzz::Fail(Describe(entry) + " overlaps " + Describe(other));
    }
  }
}

void CheckVolumes(const TXVolumeSystem& system, int64_t size) {
  const std::vector<TXVolumeExtent> volumes = system.Volumes(size);
  if (system.Scheme == TXPartitionScheme::psNone) {
    if (volumes.size() != 1 || volumes[0].Start != 0 || volumes[0].Size != size)
      fuzz::Fail("a medium without a table is not one volume over the whole medium");
    return;
  }
  for (const TXVolumeExtent& volume : volumes) {
    if (volume.Start < 0 || volume.Size <= 0 || volume.Start + volume.Size > size)
      fuzz::Fail("volume " + std::to_string(volume.Number) + " is not on the medium");
  }
}

bool SameSystem(const TXVolumeSystem& a, const TXVolumeSystem& b) {
  if (a.Scheme != b.Scheme || a.Partitions.size() != b.Partitions.size() ||
      a.Problems.size() != b.Problems.size())
    return false;
  for (size_t i = 0; i < a.Partitions.size(); ++i) {
    if (a.Partitions[i].Start != b.Partitions[i].Start ||
        a.Partitions[i].Size != b.Partitions[i].Size)
      return false;
  }
  return true;
}

}  // namespace
}  // namespace kova

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kova;
  const fuzz::SparseMedium medium = fuzz::DecodeSparseMedium({data, size});
  fuzz::TXSparseMediumStream stream(medium);
  const TXVolumeSystem system = ReadVolumeSystem(stream, medium.ReportedSectorSize);
  CheckPartitions(system, medium.Size);
  CheckVolumes(system, medium.Size);
  if (!SameSystem(system, ReadVolumeSystem(stream, medium.ReportedSectorSize)))
    fuzz::Fail("reading the same table twice gave two answers");
  return 0;
}
