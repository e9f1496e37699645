// Fuzzed directory entries through the name decoding of a directory walk: VFAT long-name entries
// (live and deleted, any order, any checksum), short names in every OEM code page, and the name a
// restore saves each file under. Names must be sound UTF-8 without NUL, a long name at most 255
// UTF-16 units, and a saved name a single harmless file name.
#include <climits>
#include <string>
#include <string_view>

#include "fat/file_system_entry.h"
#include "fat/long_name.h"
#include "framework/oem_code_pages.h"
#include "fuzz_support.h"
#include "ondisk/fat_dir_entry.h"
#include "output/restore_files.h"
#include "recovery/file_item.h"

namespace kova {
namespace {

constexpr size_t kLongestNameBytes = 255 * 3;  // 255 units, at most 3 UTF-8 bytes each

void CheckName(std::string_view name, const char* what) {
  if (!fuzz::IsValidUtf8(name)) fuzz::Fail(std::string(what) + " is not UTF-8");
  if (name.find('\0') != std::string_view::npos) fuzz::Fail(std::string(what) + " holds NUL");
}

// The name a restore saves the entry's file under, as the FAT recovery names found files.
void CheckSavedName(const TXFileSystemEntry& entry) {
  TXDRFileItem item;
  item.Name = entry.Name;
  item.FirstLetterLost = entry.Has(efFirstLetterLost);
  if (item.FirstLetterLost && !entry.Name.starts_with("!"))
    fuzz::Fail("a lost first letter is not shown as \"!\" in '" + entry.Name + "'");
  const std::string saved = SafeFileName(SavedName(item));
  CheckName(saved, "a saved name");
  if (saved.empty() || saved.size() > NAME_MAX || saved == "." || saved == "..")
    fuzz::Fail("'" + saved + "' is no file name");
  for (char c : saved) {
    if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      fuzz::Fail("the saved name '" + saved + "' holds a separator or a control character");
  }
  if (item.FirstLetterLost && saved.front() != '_')
    fuzz::Fail("the saved name '" + saved + "' does not start with \"_\"");
}

}  // namespace
}  // namespace kova

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kova;
  if (size < 1) return 0;
  const std::vector<uint16_t> pages = KnownCodePages();
  const uint16_t codePage = pages[data[0] % pages.size()];
  const bool isFat32 = data[0] & 0x80;
  TXLongNameCollector collector;
  for (size_t at = 1; at + kDirEntrySize <= size; at += kDirEntrySize) {
    const TXDirEntryBytes entry(data + at, kDirEntrySize);
    if (IsLongNameEntry(entry)) {
      collector.Add(entry);
      continue;
    }
    if (!IsFileEntry(entry) && !IsFolderEntry(entry)) {
      collector.Clear();
      continue;
    }
    const std::string longName = collector.NameFor(entry);
    CheckName(longName, "a long name");
    if (longName.size() > kLongestNameBytes) fuzz::Fail("a long name of more than 255 units");
    const std::unique_ptr<TXFileSystemEntry> decoded =
        DecodeEntry(entry, isFat32, codePage, longName);
    CheckName(decoded->ShortName, "a short name");
    if (decoded->Name.empty()) fuzz::Fail("an entry without a name");
    CheckSavedName(*decoded);
  }
  return 0;
}
