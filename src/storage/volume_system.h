#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ondisk/partition_records.h"

namespace kova {

class TXStream;

enum class TXPartitionScheme : uint8_t { psNone, psMbr, psGpt };

// One partition of a medium's table. Positions are bytes from the start of the medium.
struct TXPartitionEntry {
  // MBR: 1 to 4 for the primary entries, 5 on for the logical partitions in chain order; GPT: the
  // entry's index + 1.
  int32_t Number = 0;
  int64_t Start = 0;
  int64_t Size = 0;
  uint8_t MbrType = 0;  // the MBR type byte; 0 for a GPT partition
  std::string GptType;  // the type GUID as text ("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7")
  std::string Name;     // the GPT partition name (UTF-8)
  // The bytes the entry names past the end of the medium (a cut image): Size holds only the part
  // inside it.
  int64_t Missing = 0;

  int64_t End() const { return Start + Size; }
};

// Why part of a table was not used. Entries are named by their partition number.
enum class TXTableProblemKind : uint8_t {
  tpPastEnd,      // the entry reaches past the end of the medium
  tpInsideTable,  // the entry starts on the table itself (sector 0, the GPT areas)
  tpOverlap,      // the entry overlaps a partition taken before it
  tpChainBroken,  // a link of the extended partition's chain leaves it, loops or is unreadable
  tpGptPrimary,   // the primary GPT is damaged; the backup was read
  tpGptDamaged,   // both GPT copies are damaged: the medium is read as having no table
  tpGptEntries,   // a GPT header's entry array does not match its checksum
  tpCut,          // the partition reaches past the end of the medium; the part inside is used
};

struct TXTableProblem {
  TXTableProblemKind Kind = TXTableProblemKind::tpPastEnd;
  int32_t Number = 0;   // the partition concerned, 0 for the table as a whole
  int64_t Missing = 0;  // tpCut: the bytes of the partition past the end of the medium
};

// A volume to recover: a partition, or the whole medium when it has no table.
struct TXVolumeExtent {
  int32_t Number = 1;
  int64_t Start = 0;
  int64_t Size = 0;
  int64_t Missing = 0;  // the bytes of its partition past the end of the medium
};

// The medium's partitions as its table describes them: an MBR (primary partitions, and logical
// ones in an extended partition), or a GPT (the backup copy when the primary one is damaged).
// Every entry is checked against the medium's size and the partitions taken before it; a bad
// entry is recorded as a problem and left out, never trusted. A partition that starts on the
// medium but reaches past its end (an image of the first part of a card) is taken as far as the
// medium goes, and the part missing is recorded (tpCut). A medium whose first sector is a
// volume's boot sector (a card formatted without a table) has no table.
struct TXVolumeSystem {
  TXPartitionScheme Scheme = TXPartitionScheme::psNone;
  uint32_t SectorSize = 512;                 // the unit of the table's sector numbers
  std::vector<TXPartitionEntry> Partitions;  // in table order (logical ones after the primary)
  std::vector<TXTableProblem> Problems;

  // The partitions that hold a file system (not the extended containers), or, without a table,
  // one volume 1 over the whole medium.
  std::vector<TXVolumeExtent> Volumes(int64_t mediumSize) const;
};

// Reads the table of the medium (its Size() is the medium's size). sectorSize is the medium's
// logical sector size when known (0 for an image file: 512, and 4096 where a GPT is found
// there). Unreadable sectors count as zeros; a medium gone (code 11) is thrown.
TXVolumeSystem ReadVolumeSystem(TXStream& medium, uint32_t sectorSize);

// "MBR", "GPT", or "" for none.
std::string PartitionSchemeName(TXPartitionScheme scheme);

}  // namespace kova
