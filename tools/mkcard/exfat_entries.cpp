#include "exfat_entries.h"

#include "byte_order.h"
#include "exfat_upcase.h"
#include "utf16_text.h"

namespace kova::mkcard {

namespace {

constexpr size_t kMaxNameUnits = 255;
constexpr std::u16string_view kForbidden = u"\"*/:<>?\\|";
constexpr uint8_t kAllocationPossible = 0x01;
constexpr uint8_t kNoFatChain = 0x02;

uint16_t RotatingSum16(uint16_t sum, uint8_t byte) {
  return static_cast<uint16_t>(((sum & 1) ? 0x8000 : 0) + (sum >> 1) + byte);
}

ExfatEntry FileEntry(const ExfatFileSet& set, uint8_t secondaries) {
  ExfatEntry e{};
  e[0] = kExfatFileType;
  e[1] = secondaries;
  PutLE(&e[4], set.attributes, 2);
  PutLE(&e[8], ExfatTimestampField(set.created), 4);
  PutLE(&e[12], ExfatTimestampField(set.modified), 4);
  PutLE(&e[16], ExfatTimestampField(set.accessed), 4);
  e[20] = set.created.centiseconds;
  e[21] = set.modified.centiseconds;
  e[22] = ExfatUtcOffsetField(set.created);
  e[23] = ExfatUtcOffsetField(set.modified);
  e[24] = ExfatUtcOffsetField(set.accessed);
  return e;
}

ExfatEntry StreamEntry(const ExfatFileSet& set) {
  ExfatEntry e{};
  e[0] = kExfatStreamType;
  e[1] = kAllocationPossible | (set.no_fat_chain ? kNoFatChain : 0);
  e[3] = static_cast<uint8_t>(set.name.size());
  PutLE(&e[4], ExfatNameHash(set.name), 2);
  PutLE(&e[8], set.valid_data_length, 8);
  PutLE(&e[20], set.first_cluster, 4);
  PutLE(&e[24], set.data_length, 8);
  return e;
}

ExfatEntry NameEntry(std::u16string_view part) {
  ExfatEntry e{};
  e[0] = kExfatNameType;
  for (size_t i = 0; i < part.size(); ++i)
    PutLE(&e[2 + 2 * i], part[i], 2);
  return e;
}

}  // namespace

Status ExfatNameOf(std::string_view utf8_name, std::u16string* name) {
  name->clear();
  const std::string quoted = "'" + std::string(utf8_name) + "'";
  if (!Utf16FromUtf8(utf8_name, name)) return Status::Failure(quoted + " is not valid UTF-8");
  if (name->empty() || name->size() > kMaxNameUnits)
    return Status::Failure("name " + quoted + " must have 1 to 255 UTF-16 units");
  if (*name == u"." || *name == u"..") return Status::Failure(quoted + " is not a usable name");
  for (char16_t c : *name) {
    if (c < 0x20 || kForbidden.find(c) != std::u16string_view::npos)
      return Status::Failure("name " + quoted + " holds a character exFAT does not allow");
  }
  return {};
}

std::vector<ExfatEntry> ExfatFileEntries(const ExfatFileSet& set) {
  const size_t name_entries = (set.name.size() + kExfatNameChars - 1) / kExfatNameChars;
  std::vector<ExfatEntry> entries;
  entries.push_back(FileEntry(set, static_cast<uint8_t>(1 + name_entries)));
  entries.push_back(StreamEntry(set));
  for (size_t at = 0; at < set.name.size(); at += kExfatNameChars)
    entries.push_back(NameEntry(std::u16string_view(set.name).substr(at, kExfatNameChars)));
  PutLE(&entries[0][2], ExfatSetChecksum(entries), 2);
  return entries;
}

uint16_t ExfatSetChecksum(const std::vector<ExfatEntry>& entries) {
  uint16_t sum = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    for (size_t b = 0; b < entries[i].size(); ++b) {
      if (i == 0 && (b == 2 || b == 3)) continue;
      sum = RotatingSum16(sum, entries[i][b]);
    }
  }
  return sum;
}

uint16_t ExfatNameHash(std::u16string_view name) {
  uint16_t hash = 0;
  for (char16_t c : name) {
    const char16_t upper = ExfatUpcase(c);
    hash = RotatingSum16(hash, static_cast<uint8_t>(upper & 0xFF));
    hash = RotatingSum16(hash, static_cast<uint8_t>(upper >> 8));
  }
  return hash;
}

ExfatEntry ExfatLabelEntry(std::u16string_view label) {
  ExfatEntry e{};
  e[0] = kExfatLabelType;
  e[1] = static_cast<uint8_t>(label.size());
  for (size_t i = 0; i < label.size(); ++i)
    PutLE(&e[2 + 2 * i], label[i], 2);
  return e;
}

ExfatEntry ExfatBitmapEntry(uint32_t first_cluster, uint64_t bytes) {
  ExfatEntry e{};
  e[0] = kExfatBitmapType;
  PutLE(&e[20], first_cluster, 4);
  PutLE(&e[24], bytes, 8);
  return e;
}

ExfatEntry ExfatUpcaseEntry(uint32_t first_cluster, uint64_t bytes, uint32_t table_checksum) {
  ExfatEntry e{};
  e[0] = kExfatUpcaseType;
  PutLE(&e[4], table_checksum, 4);
  PutLE(&e[20], first_cluster, 4);
  PutLE(&e[24], bytes, 8);
  return e;
}

}  // namespace kova::mkcard
