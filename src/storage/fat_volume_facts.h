#pragma once

#include <cstdint>

#include "storage/boot_sector.h"

namespace kova {

class IXBlockDevice;

// Reads the boot sector at offset 0 of the device; false when it is not a plausible FAT boot
// sector of a known type.
bool ReadFatBootSector(IXBlockDevice& device, TXBootSector& boot);

// "FAT" for FAT12 and FAT16, "FAT32", as the volume information names them.
std::string FatFileSystemName(const TXBootSector& boot);

// The number of free clusters: the FAT32 information sector's count when it is plausible,
// otherwise counted in the first allocation table (FAT12 included). -1 when the table cannot be
// read.
int64_t CountFreeClusters(IXBlockDevice& device, const TXBootSector& boot);

}  // namespace kova
