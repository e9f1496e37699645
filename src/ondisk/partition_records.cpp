#include "ondisk/partition_records.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

#include "framework/unicode_text.h"
#include "ondisk/little_endian.h"

namespace kova {

namespace {

constexpr size_t kMbrEntries = 446;
constexpr uint32_t kGptHeaderSize = 92;

std::string GuidText(std::span<const uint8_t> g) {
  char text[40];
  std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", LeU32(g, 0),
                LeU16(g, 4), LeU16(g, 6), g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
  return text;
}

}  // namespace

TXMbrSector::TXMbrSector(std::span<const uint8_t> sector) {
  if (sector.size() < 512) return;
  signature_ = sector[510] == 0x55 && sector[511] == 0xAA;
  for (int i = 0; i < kEntries; ++i) {
    std::span<const uint8_t> e = sector.subspan(kMbrEntries + 16 * i, 16);
    entries_[i] = {e[0], e[4], LeU32(e, 8), LeU32(e, 12)};
  }
}

bool TXMbrSector::IsProtective() const {
  return signature_ && std::any_of(std::begin(entries_), std::end(entries_),
                                   [](const Entry& e) { return e.Type == 0xEE; });
}

bool TXMbrSector::IsSound() const {
  if (!signature_) return false;
  bool used = false;
  for (const Entry& e : entries_) {
    if (e.Status != 0x00 && e.Status != 0x80) return false;
    used = used || !e.Empty();
  }
  return used;
}

bool IsExtendedType(uint8_t mbrType) {
  return mbrType == 0x05 || mbrType == 0x0F || mbrType == 0x85;
}

uint32_t GptCrc32(std::span<const uint8_t> bytes) {
  return static_cast<uint32_t>(::crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

bool DecodeGptHeader(std::span<const uint8_t> sector, uint64_t lba, TXGptHeader& header) {
  if (sector.size() < kGptHeaderSize ||
      std::string_view(reinterpret_cast<const char*>(sector.data()), 8) != "EFI PART")
    return false;
  const uint32_t size = LeU32(sector, 12);
  if (size < kGptHeaderSize || size > sector.size() || LeU64(sector, 24) != lba) return false;
  std::vector<uint8_t> zeroed(sector.begin(), sector.begin() + size);
  std::fill_n(zeroed.begin() + 16, 4, 0);
  if (GptCrc32(zeroed) != LeU32(sector, 16)) return false;
  header.FirstUsable = LeU64(sector, 40);
  header.LastUsable = LeU64(sector, 48);
  header.EntriesLba = LeU64(sector, 72);
  header.EntryCount = LeU32(sector, 80);
  header.EntrySize = LeU32(sector, 84);
  header.EntriesCrc = LeU32(sector, 88);
  return header.EntrySize >= 128 && header.EntrySize % 8 == 0 && header.EntrySize <= 4096 &&
         header.EntryCount <= kMaxGptEntries && header.FirstUsable <= header.LastUsable;
}

TXGptEntryRecord DecodeGptEntry(std::span<const uint8_t> entry) {
  TXGptEntryRecord record;
  record.Unused = std::all_of(entry.begin(), entry.begin() + 16, [](uint8_t c) { return c == 0; });
  if (record.Unused) return record;
  record.Type = GuidText(entry.subspan(0, 16));
  record.Name = Utf16LeToUtf8(entry.subspan(56, 72));
  record.FirstLba = LeU64(entry, 32);
  record.LastLba = LeU64(entry, 40);
  return record;
}

}  // namespace kova
