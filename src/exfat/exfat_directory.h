#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "exfat/exfat_entry_set.h"

namespace kova {

class TXExfatVolume;

// A set a directory lists, with the volume offset of its File entry.
struct TXExfatListedSet {
  TXExfatFileEntry Entry;
  int64_t Offset = 0;
};

// What one directory holds: its file and folder sets in on-disk order, and the other entries in
// use that open no set (the root's label, bitmap and up-case entries, a volume GUID).
struct TXExfatListing {
  std::vector<TXExfatListedSet> Sets;
  std::vector<TXExfatRawEntry> Others;
};

// Reads the directory held by `clusters`, entry by entry, up to its end-of-directory entry or
// its last cluster. A set that decodes is listed and passed over whole; an entry that opens no
// sound set is passed over alone, so that one damaged set cannot hide the ones after it.
// Unreadable entries read as zeros, which end the directory. `stopped` is asked before every
// cluster; a stop ends the listing where it is.
TXExfatListing ListExfatDirectory(TXExfatVolume& volume, const std::vector<uint32_t>& clusters,
                                  const std::function<bool()>& stopped);

}  // namespace kova
