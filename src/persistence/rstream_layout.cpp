#include "persistence/rstream_layout.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace kova {

namespace {

constexpr size_t kFileCrcStart = 8;
constexpr size_t kFileCrcLength = 75;
constexpr size_t kFileTitle = 32;
constexpr size_t kGroupCrcStart = 8;
constexpr size_t kGroupName = 16;
constexpr size_t kGroupDeleted = 68;
constexpr size_t kGroupDataSize = 85;
constexpr size_t kHeaderCrcStart = 8;
constexpr size_t kHeaderDeleted = 21;
constexpr size_t kHeaderCount = 26;

uint32_t MakeTag(std::string_view family, char a, char b) {
  return static_cast<uint8_t>(family[0]) |
         static_cast<uint32_t>(static_cast<uint8_t>(family[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(a)) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b)) << 24;
}

// A length byte and up to 50 characters, zero-padded to 51 bytes.
void WriteShortString(uint8_t* bytes, std::string_view text) {
  size_t length = std::min(text.size(), kRNameCapacity);
  bytes[0] = static_cast<uint8_t>(length);
  std::memcpy(bytes + 1, text.data(), length);
}

std::string ReadShortString(const uint8_t* bytes) {
  size_t length = std::min<size_t>(bytes[0], kRNameCapacity);
  return std::string(reinterpret_cast<const char*>(bytes + 1), length);
}

}  // namespace

uint32_t RCrc32(std::span<const uint8_t> bytes, uint32_t crc) {
  constexpr size_t kChunk = 1u << 30;
  while (!bytes.empty()) {
    size_t n = std::min(bytes.size(), kChunk);
    crc = static_cast<uint32_t>(::crc32(crc, bytes.data(), static_cast<uInt>(n)));
    bytes = bytes.subspan(n);
  }
  return crc;
}

TXRTags TXRTags::OfFamily(std::string_view family) {
  return {MakeTag(family, 'F', 'Q'), MakeTag(family, 'N', 'Q'), MakeTag(family, 'G', 'Q'),
          MakeTag(family, 'H', 'Q'), MakeTag(family, 'E', 'Q')};
}

std::array<uint8_t, kRFileHeaderSize> TXRFileHeader::Encode() const {
  std::array<uint8_t, kRFileHeaderSize> bytes{};
  WriteLE32(&bytes[0], Tag);
  WriteLE32(&bytes[8], static_cast<uint32_t>(Version));
  WriteLE32(&bytes[12], static_cast<uint32_t>(DataKind));
  WriteLE32(&bytes[16], static_cast<uint32_t>(AppID));
  WriteLE32(&bytes[20], static_cast<uint32_t>(AppVer));
  WriteLE32(&bytes[24], static_cast<uint32_t>(Reserved1));
  WriteLE32(&bytes[28], static_cast<uint32_t>(Reserved2));
  WriteShortString(&bytes[kFileTitle], Title);
  WriteLE32(&bytes[4], ComputeCrc(bytes));
  return bytes;
}

TXRFileHeader TXRFileHeader::Decode(std::span<const uint8_t, kRFileHeaderSize> bytes) {
  TXRFileHeader header;
  header.Tag = ReadLE32(&bytes[0]);
  header.Crc = ReadLE32(&bytes[4]);
  header.Version = static_cast<int32_t>(ReadLE32(&bytes[8]));
  header.DataKind = static_cast<int32_t>(ReadLE32(&bytes[12]));
  header.AppID = static_cast<int32_t>(ReadLE32(&bytes[16]));
  header.AppVer = static_cast<int32_t>(ReadLE32(&bytes[20]));
  header.Reserved1 = static_cast<int32_t>(ReadLE32(&bytes[24]));
  header.Reserved2 = static_cast<int32_t>(ReadLE32(&bytes[28]));
  header.Title = ReadShortString(&bytes[kFileTitle]);
  return header;
}

uint32_t TXRFileHeader::ComputeCrc(std::span<const uint8_t, kRFileHeaderSize> bytes) {
  return RCrc32(bytes.subspan(kFileCrcStart, kFileCrcLength));
}

std::array<uint8_t, kRLinkSize> EncodeLink(uint32_t tag, int64_t next) {
  std::array<uint8_t, kRLinkSize> bytes{};
  WriteLE32(&bytes[0], tag);
  WriteLE64(&bytes[8], static_cast<uint64_t>(next));
  WriteLE32(&bytes[4], RCrc32(std::span(bytes).subspan(8, 8)));
  return bytes;
}

std::array<uint8_t, kRLinkSize> EncodeEnd(uint32_t tag) {
  std::array<uint8_t, kRLinkSize> bytes{};
  WriteLE32(&bytes[0], tag);
  return bytes;
}

int64_t TXRHeaderObject::EntryOffset(size_t index) const {
  int64_t offset = Position + kRRecordHeaderSize + TableSize();
  for (size_t i = 0; i < index && i < Entries.size(); ++i)
    offset += Entries[i].Size;
  return offset;
}

int64_t TXRHeaderObject::TotalSize() const {
  return EntryOffset(Entries.size()) - Position;
}

std::vector<uint8_t> TXRHeaderObject::EncodeTable() const {
  std::vector<uint8_t> table(static_cast<size_t>(TableSize()));
  for (size_t i = 0; i < Entries.size(); ++i) {
    uint8_t* slot = &table[i * kREntrySize];
    WriteLE32(slot, Entries[i].Crc);
    WriteLE32(slot + 4, static_cast<uint32_t>(Entries[i].Kind));
    WriteLE64(slot + 8, static_cast<uint64_t>(Entries[i].Size));
  }
  return table;
}

std::array<uint8_t, kRRecordHeaderSize> TXRHeaderObject::EncodeHeader(uint32_t tag) const {
  std::array<uint8_t, kRRecordHeaderSize> bytes{};
  WriteLE32(&bytes[0], tag);
  WriteLE32(&bytes[8], RCrc32(EncodeTable()));
  WriteLE32(&bytes[12], static_cast<uint32_t>(GroupID));
  WriteLE32(&bytes[16], static_cast<uint32_t>(Kind));
  bytes[kHeaderDeleted] = Deleted;
  bytes[kHeaderCount] = static_cast<uint8_t>(Entries.size());
  bytes[kHeaderCount + 1] = static_cast<uint8_t>(Entries.size() >> 8);
  WriteLE32(&bytes[4], RCrc32(std::span(bytes).subspan(kHeaderCrcStart)));
  return bytes;
}

TXRHeaderObject TXRHeaderObject::DecodeHeader(std::span<const uint8_t, kRRecordHeaderSize> bytes,
                                              uint16_t& entryCount) {
  TXRHeaderObject header;
  header.Crc = ReadLE32(&bytes[4]);
  header.TableCrc = ReadLE32(&bytes[8]);
  header.GroupID = static_cast<int32_t>(ReadLE32(&bytes[12]));
  header.Kind = static_cast<int32_t>(ReadLE32(&bytes[16]));
  header.Deleted = bytes[kHeaderDeleted];
  entryCount = static_cast<uint16_t>(bytes[kHeaderCount] | bytes[kHeaderCount + 1] << 8);
  return header;
}

void TXRHeaderObject::DecodeTable(std::span<const uint8_t> table) {
  Entries.resize(table.size() / kREntrySize);
  for (size_t i = 0; i < Entries.size(); ++i) {
    const uint8_t* slot = &table[i * kREntrySize];
    Entries[i].Crc = ReadLE32(slot);
    Entries[i].Kind = static_cast<int32_t>(ReadLE32(slot + 4));
    Entries[i].Size = static_cast<int64_t>(ReadLE64(slot + 8));
  }
}

std::array<uint8_t, kRGroupHeaderSize> TXRGroupObject::EncodeHeader(uint32_t tag) const {
  std::array<uint8_t, kRGroupHeaderSize> bytes{};
  WriteLE32(&bytes[0], tag);
  WriteLE32(&bytes[8], DataCrc);
  WriteLE32(&bytes[12], static_cast<uint32_t>(ID));
  WriteShortString(&bytes[kGroupName], Name);
  bytes[kGroupDeleted] = Deleted;
  WriteLE64(&bytes[kGroupDataSize], static_cast<uint64_t>(DataSize));
  WriteLE32(&bytes[4], RCrc32(std::span(bytes).subspan(kGroupCrcStart)));
  return bytes;
}

TXRGroupObject TXRGroupObject::DecodeHeader(std::span<const uint8_t, kRGroupHeaderSize> bytes) {
  TXRGroupObject group;
  group.Crc = ReadLE32(&bytes[4]);
  group.DataCrc = ReadLE32(&bytes[8]);
  group.ID = static_cast<int32_t>(ReadLE32(&bytes[12]));
  group.Name = ReadShortString(&bytes[kGroupName]);
  group.Deleted = bytes[kGroupDeleted];
  group.DataSize = static_cast<int64_t>(ReadLE64(&bytes[kGroupDataSize]));
  return group;
}

uint32_t ReadLE32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

uint64_t ReadLE64(const uint8_t* bytes) {
  return static_cast<uint64_t>(ReadLE32(bytes)) | static_cast<uint64_t>(ReadLE32(bytes + 4)) << 32;
}

void WriteLE32(uint8_t* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

void WriteLE64(uint8_t* bytes, uint64_t value) {
  WriteLE32(bytes, static_cast<uint32_t>(value));
  WriteLE32(bytes + 4, static_cast<uint32_t>(value >> 32));
}

}  // namespace kova
