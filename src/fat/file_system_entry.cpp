#include "fat/file_system_entry.h"

#include <algorithm>
#include <array>

#include "framework/oem_code_pages.h"
#include "framework/text_utils.h"
#include "ondisk/little_endian.h"
#include "storage/dos_date_time.h"

namespace kova {

namespace {

double DateAt(TXDirEntryBytes e, size_t dateAt, uint16_t time) {
  double value = 0;
  return DosDateTimeToDateTime(LeU16(e, dateAt), time, value) ? value : 0;
}

constexpr uint8_t kLowerBase = 0x08;
constexpr uint8_t kLowerExtension = 0x10;

// Capitals to small letters where the entry's case bits say the name was written in small
// letters (the short names of names that need no long name).
std::string Cased(std::string text, bool lower) {
  if (lower) {
    for (char& c : text)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string ShortName(TXDirEntryBytes e, uint16_t codePage) {
  std::array<uint8_t, 8> name{};
  std::copy_n(e.begin(), 8, name.begin());
  if (IsDeletedEntry(e)) {
    name[0] = '!';
  } else if (name[0] == 0x05) {
    name[0] = kDeletedMark;
  }
  std::string base(Trim(OemToUtf8(name, codePage)));
  std::string ext(Trim(OemToUtf8(e.subspan<8, 3>(), codePage)));
  return Cased(base, e[12] & kLowerBase) + "." + Cased(ext, e[12] & kLowerExtension);
}

}  // namespace

const TXFileSystemEntryList& TXFileSystemEntry::Children() const {
  static const TXFileSystemEntryList kNone;
  return kNone;
}

std::unique_ptr<TXFileSystemEntry> DecodeEntry(TXDirEntryBytes entry, bool isFat32,
                                               uint16_t codePage, const std::string& longName) {
  std::unique_ptr<TXFileSystemEntry> decoded;
  if (IsFolderEntry(entry)) {
    decoded = std::make_unique<TXFileSystemFolderEntry>();
    decoded->Set(efFolder);
  } else {
    decoded = std::make_unique<TXFileSystemEntry>();
  }
  if (IsDeletedEntry(entry)) decoded->Set(efDeleted);
  decoded->ShortName = ShortName(entry, codePage);
  decoded->Name = longName.empty() ? decoded->ShortName : longName;
  if (decoded->Has(efDeleted) && longName.empty()) decoded->Set(efFirstLetterLost);
  decoded->Size = EntrySize(entry);
  decoded->FirstCluster = FirstClusterOf(entry, isFat32);
  if (!IsLongNameEntry(entry)) {
    decoded->Created = DateAt(entry, 16, LeU16(entry, 14));
    decoded->Modified = DateAt(entry, 24, LeU16(entry, 22));
    decoded->Accessed = DateAt(entry, 18, 0);
  }
  return decoded;
}

std::string EntryExtension(const std::string& name) {
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot + 1 == name.size()) return {};
  return name.substr(dot);
}

}  // namespace kova
