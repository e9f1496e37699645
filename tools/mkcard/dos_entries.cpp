#include "dos_entries.h"

#include <cstdio>
#include <cstring>

#include "byte_order.h"
#include "utf16_text.h"

namespace kova::mkcard {

namespace {

constexpr std::string_view kForbiddenInLongNames = "\"*/:<>?\\|";
constexpr size_t kCharsPerLongEntry = 13;
constexpr int kLongCharOffsets[kCharsPerLongEntry] = {1,  3,  5,  7,  9,  14, 16,
                                                      18, 20, 22, 24, 28, 30};

}  // namespace

std::optional<DosTime> ParseDosTime(std::string_view text) {
  int year, month, day, hour, minute, second;
  char separator;
  char tail;
  const std::string copy(text);
  if (std::sscanf(copy.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%c", &year, &month, &day, &separator,
                  &hour, &minute, &second, &tail) != 7) {
    return std::nullopt;
  }
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  if ((separator != ' ' && separator != 'T') || year < 1980 || year > 2107 || month < 1 ||
      month > 12 || day < 1 || day > kDays[month - 1] || (month == 2 && day == 29 && !leap) ||
      hour > 23 || minute > 59 || second > 59 || second % 2 != 0 || hour < 0 || minute < 0 ||
      second < 0) {
    return std::nullopt;
  }
  DosTime out;
  out.date = static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
  out.time = static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
  return out;
}

std::string FormatDosTime(DosTime time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", 1980 + (time.date >> 9),
                (time.date >> 5) & 15, time.date & 31, time.time >> 11, (time.time >> 5) & 63,
                (time.time & 31) * 2);
  return text;
}

DirEntry ShortEntry(const std::array<uint8_t, 11>& name, uint8_t attributes, uint32_t first_cluster,
                    uint32_t size, DosTime time) {
  DirEntry entry{};
  std::memcpy(entry.data(), name.data(), name.size());
  entry[11] = attributes;
  PutLE(&entry[14], time.time, 2);
  PutLE(&entry[16], time.date, 2);
  PutLE(&entry[18], time.date, 2);
  PutLE(&entry[20], first_cluster >> 16, 2);
  PutLE(&entry[22], time.time, 2);
  PutLE(&entry[24], time.date, 2);
  PutLE(&entry[26], first_cluster & 0xFFFF, 2);
  PutLE(&entry[28], size, 4);
  return entry;
}

DirEntry DotEntry(bool dot_dot, uint32_t cluster, DosTime time) {
  std::array<uint8_t, 11> name;
  PutField(name.data(), dot_dot ? ".." : ".", 11);
  return ShortEntry(name, kAttrFolder, cluster, 0, time);
}

DirEntry VolumeLabelEntry(std::string_view label, DosTime time) {
  std::array<uint8_t, 11> name;
  PutField(name.data(), label, 11);
  DirEntry entry = ShortEntry(name, kAttrVolumeLabel, 0, 0, time);
  std::memset(&entry[12], 0, 8);  // a label carries only its write time
  return entry;
}

uint8_t ShortNameChecksum(const std::array<uint8_t, 11>& name) {
  uint8_t sum = 0;
  for (uint8_t c : name)
    sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + c);
  return sum;
}

Status LongNameEntries(std::string_view utf8_name, const std::array<uint8_t, 11>& short_name,
                       std::vector<DirEntry>* entries) {
  std::u16string name;
  if (!Utf16FromUtf8(utf8_name, &name)) return Status::Failure("long name is not valid UTF-8");
  if (name.empty() || name.size() > 255)
    return Status::Failure("long name must have 1 to 255 characters");
  for (char16_t c : name) {
    if (c < 0x20 ||
        (c < 0x80 && kForbiddenInLongNames.find(static_cast<char>(c)) != std::string_view::npos)) {
      return Status::Failure("long name '" + std::string(utf8_name) +
                             "' holds a character FAT forbids");
    }
  }
  const size_t parts = (name.size() + kCharsPerLongEntry - 1) / kCharsPerLongEntry;
  const uint8_t checksum = ShortNameChecksum(short_name);
  entries->clear();
  for (size_t part = parts; part >= 1; --part) {
    DirEntry entry{};
    entry[0] = static_cast<uint8_t>(part | (part == parts ? 0x40 : 0));
    entry[11] = kAttrLongName;
    entry[13] = checksum;
    for (size_t k = 0; k < kCharsPerLongEntry; ++k) {
      const size_t index = (part - 1) * kCharsPerLongEntry + k;
      const uint16_t unit = index < name.size()    ? name[index]
                            : index == name.size() ? 0x0000
                                                   : 0xFFFF;
      PutLE(&entry[kLongCharOffsets[k]], unit, 2);
    }
    entries->push_back(entry);
  }
  return {};
}

}  // namespace kova::mkcard
