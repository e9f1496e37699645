#pragma once

#include <cstdint>

#include "byte_order.h"
#include "exfat_layout.h"

namespace kova::mkcard {

// The twelve sectors of an exFAT boot region: the boot sector, eight extended boot sectors, the
// OEM parameters (one flash-parameters record), a reserved sector and the checksum sector. The
// volume holds it twice, at sectors 0 and 12.
Bytes ExfatBootRegion(const ExfatLayout& layout, const ExfatOptions& options,
                      uint8_t percent_in_use);

// The checksum of a boot region's first eleven sectors (the volume flags and the percentage in
// use left out), as the checksum sector repeats it.
uint32_t ExfatBootChecksum(const Bytes& region);

}  // namespace kova::mkcard
