#include "gpt_records.h"

#include <cctype>

#include "medium_bytes.h"
#include "seeded_random.h"

namespace kova::mkcard {

namespace {

constexpr uint32_t kHeaderBytes = 92;
constexpr size_t kNameUnits = 36;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Where the n-th byte of the text form goes on disk.
constexpr int kDiskOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};

}  // namespace

bool ParseGuid(std::string_view text, Guid* guid) {
  if (text.size() != 36) return false;
  Guid out{};
  int byte = 0;
  for (size_t i = 0; i < text.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i++] != '-') return false;
      continue;
    }
    const int high = HexDigit(text[i]);
    const int low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) return false;
    out[kDiskOrder[byte++]] = static_cast<uint8_t>(high * 16 + low);
    i += 2;
  }
  *guid = out;
  return true;
}

std::string FormatGuid(const Guid& guid) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (int n = 0; n < 16; ++n) {
    if (n == 4 || n == 6 || n == 8 || n == 10) out += '-';
    const uint8_t b = guid[kDiskOrder[n]];
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

bool GptPartitionType(std::string_view alias_or_guid, Guid* guid) {
  if (alias_or_guid == "basic-data") return ParseGuid("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7", guid);
  if (alias_or_guid == "efi") return ParseGuid("C12A7328-F81F-11D2-BA4B-00A0C93EC93B", guid);
  if (alias_or_guid == "linux") return ParseGuid("0FC63DAF-8483-4772-8E79-3D69D8477DE4", guid);
  return ParseGuid(alias_or_guid, guid);
}

Guid GuidFromSeed(uint64_t seed) {
  SeededRandom random(seed);
  Guid guid;
  for (size_t i = 0; i < guid.size(); i += 8)
    PutLE(guid.data() + i, random.Next(), 8);
  guid[7] = static_cast<uint8_t>((guid[7] & 0x0F) | 0x40);  // version 4
  guid[8] = static_cast<uint8_t>((guid[8] & 0x3F) | 0x80);  // RFC 4122 variant
  return guid;
}

Bytes GptEntryArray(const std::vector<GptEntry>& entries, uint32_t slots) {
  Bytes out(uint64_t{slots} * kGptEntryBytes, 0);
  for (size_t i = 0; i < entries.size() && i < slots; ++i) {
    const GptEntry& e = entries[i];
    uint8_t* at = out.data() + i * kGptEntryBytes;
    std::copy(e.type.begin(), e.type.end(), at);
    std::copy(e.unique.begin(), e.unique.end(), at + 16);
    PutLE(at + 32, e.first_sector, 8);
    PutLE(at + 40, e.last_sector, 8);
    PutLE(at + 48, e.attributes, 8);
    for (size_t k = 0; k < e.name.size() && k < kNameUnits; ++k)
      PutLE(at + 56 + 2 * k, e.name[k], 2);
  }
  return out;
}

Bytes GptHeader(const GptHeaderFields& f) {
  Bytes sector(512, 0);
  uint8_t* h = sector.data();
  PutField(h, "EFI PART", 8);
  PutLE(h + 8, 0x00010000, 4);  // revision 1.0
  PutLE(h + 12, kHeaderBytes, 4);
  PutLE(h + 24, f.own_sector, 8);
  PutLE(h + 32, f.other_header_sector, 8);
  PutLE(h + 40, f.first_usable_sector, 8);
  PutLE(h + 48, f.last_usable_sector, 8);
  std::copy(f.disk.begin(), f.disk.end(), h + 56);
  PutLE(h + 72, f.entries_sector, 8);
  PutLE(h + 80, f.entry_slots, 4);
  PutLE(h + 84, kGptEntryBytes, 4);
  PutLE(h + 88, f.entries_crc, 4);
  PutLE(h + 16, Crc32Of(h, kHeaderBytes), 4);
  return sector;
}

}  // namespace kova::mkcard
