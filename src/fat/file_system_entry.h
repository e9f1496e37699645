#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ondisk/fat_dir_entry.h"

namespace kova {

// Flags of a decoded directory entry.
enum TXEntryFlag : uint8_t {
  efProcessed = 1,  // the entry has been offered as a found file (or found unusable)
  efDeleted = 2,
  efFolder = 4,
  efFirstLetterLost = 8,  // deleted, without a long name: the name starts with "!"
};

class TXFileSystemEntry;
using TXFileSystemEntryList = std::vector<std::unique_ptr<TXFileSystemEntry>>;

// One short directory entry, decoded. Dates are date-times (days since 1899-12-30), 0 when none.
class TXFileSystemEntry {
 public:
  virtual ~TXFileSystemEntry() = default;

  bool Has(TXEntryFlag flag) const { return Flags & flag; }
  void Set(TXEntryFlag flag) { Flags |= flag; }
  // The entries inside a folder; a plain entry has none.
  virtual const TXFileSystemEntryList& Children() const;

  // The long name when one belongs to the entry, else the short name.
  std::string Name;
  // "NAME.EXT" in UTF-8; always with the dot; "!" first for a deleted entry.
  std::string ShortName;
  int64_t Size = 0;
  double Created = 0;
  double Modified = 0;
  double Accessed = 0;
  uint32_t FirstCluster = 0;
  uint8_t Flags = 0;
};

class TXFileSystemFolderEntry final : public TXFileSystemEntry {
 public:
  const TXFileSystemEntryList& Children() const override { return children_; }
  TXFileSystemEntryList& Children() { return children_; }

 private:
  TXFileSystemEntryList children_;
};

// The entry as a folder or file entry, named by its long name when one is given. Short names are
// decoded with the OEM code page, in small letters where the entry's case bits say so; a deleted
// entry gets "!" as its first character and a leading 0x05 stands for 0xE5. Dates that do not
// convert are 0.
std::unique_ptr<TXFileSystemEntry> DecodeEntry(TXDirEntryBytes entry, bool isFat32,
                                               uint16_t codePage, const std::string& longName);

// The extension of an entry name with its dot ("!MG_0001.JPG" gives ".JPG"), or "" when the
// name ends in the dot.
std::string EntryExtension(const std::string& name);

}  // namespace kova
