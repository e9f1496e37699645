#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ondisk/fat_dir_entry.h"

namespace kova {

// The checksum of an 11-byte short name that its long-name entries carry.
uint8_t ShortNameChecksum(const uint8_t* name11);

// Gathers the long-name entries that stand before a short entry and tells the long name that
// belongs to it. Live entries must count down to 1 from the entry marked last (0x40) with the
// short name's checksum; deleted ones have lost their sequence number to the deletion mark, so
// they are taken in place order, nearest first, as long as their checksums agree. Every
// character is kept, the first included, and decoded from UTF-16.
class TXLongNameCollector {
 public:
  // Takes a long-name entry (live or deleted); anything that breaks a sequence starts anew.
  void Add(TXDirEntryBytes entry);
  // Forgets what was gathered (after any entry that is not a long-name entry).
  void Clear() { parts_.clear(); }
  // The long name of the short entry, "" when none belongs to it; what was gathered is
  // forgotten. A deleted short entry has lost its first byte, but the checksum of its long-name
  // entries still matches exactly one first byte, so they are checked all the same.
  std::string NameFor(TXDirEntryBytes shortEntry);

 private:
  struct Part {
    uint8_t Sequence;
    uint8_t Checksum;
    bool Deleted;
    char16_t Units[13];
  };

  bool LiveSequenceHolds(uint8_t checksum) const;
  // Keeps the deleted parts nearest the short entry that carry the checksum; false when none.
  bool KeepDeletedRun(uint8_t checksum);
  std::string Text() const;

  std::vector<Part> parts_;  // in place order: the last part of the name first
};

}  // namespace kova
