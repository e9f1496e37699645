#pragma once

#include <cstdint>
#include <string>

#include "framework/aspect.h"

namespace kova {

// The drive the user chose on the disk page: its path, the size the user gave (0: as the drive
// reports), whether it could not be opened, and whether going on may still read it (it is
// readable, or the disk service may unlock it then).
class TXDiskAspect : public TXCustomAspect {
 public:
  TXDiskAspect() = default;
  TXDiskAspect(std::string drive, int64_t size, uint8_t notReady, bool usable)
      : Drive(std::move(drive)), Size(size), NotReady(notReady), Usable(usable) {}

  // Copies the fields when source is a disk aspect; always answers true.
  bool Assign(const TXCustomAspect& source) {
    if (auto* disk = dynamic_cast<const TXDiskAspect*>(&source)) {
      Drive = disk->Drive;
      Size = disk->Size;
      NotReady = disk->NotReady;
      Usable = disk->Usable;
    }
    return true;
  }

  std::string Drive;
  int64_t Size = 0;
  uint8_t NotReady = 1;
  bool Usable = false;
};

}  // namespace kova
