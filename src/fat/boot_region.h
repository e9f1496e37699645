#pragma once

#include "storage/boot_sector.h"

namespace kova {

class TXStream;

// The backup of a damaged FAT32 boot sector: at the sector the damaged one still names, else at
// sector 6, where formatters put it, for every usual sector size. False when no plausible FAT32
// boot sector of that sector size is there.
bool FindBackupBootSector(TXStream& volume, const TXBootSector& damaged, TXBootSector& backup);

}  // namespace kova
