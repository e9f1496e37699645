#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The byte layout of the stream container: a 107-byte file header, then a chain of 16-byte link
// records, each followed by one object (a group or a record), ending with an end record. All
// integers are little-endian; offsets are relative to where the container begins.
namespace kova {

inline constexpr int64_t kRFileHeaderSize = 107;
inline constexpr int64_t kRLinkSize = 16;
inline constexpr int64_t kRGroupHeaderSize = 93;
inline constexpr int64_t kRRecordHeaderSize = 36;
inline constexpr int64_t kREntrySize = 16;
inline constexpr size_t kRNameCapacity = 50;
inline constexpr int32_t kRFormatVersion = 1;

// CRC-32 as zlib computes it; `crc` continues an earlier value.
uint32_t RCrc32(std::span<const uint8_t> bytes, uint32_t crc = 0);

// The five tags of one family: the two family characters in the low half, the kind in the high.
struct TXRTags {
  uint32_t File = 0;
  uint32_t Link = 0;
  uint32_t Group = 0;
  uint32_t Header = 0;
  uint32_t End = 0;

  static TXRTags OfFamily(std::string_view family);
};

struct TXRFileHeader {
  uint32_t Tag = 0;
  uint32_t Crc = 0;
  int32_t Version = kRFormatVersion;
  int32_t DataKind = 0;
  int32_t AppID = 0;
  int32_t AppVer = 0;
  int32_t Reserved1 = 0;
  int32_t Reserved2 = 0;
  std::string Title;

  // The 107 bytes, with the CRC over bytes 8 to 82 computed.
  std::array<uint8_t, kRFileHeaderSize> Encode() const;
  static TXRFileHeader Decode(std::span<const uint8_t, kRFileHeaderSize> bytes);
  // CRC of bytes 8 to 82 of an encoded header.
  static uint32_t ComputeCrc(std::span<const uint8_t, kRFileHeaderSize> bytes);
};

// A link (tag, CRC of the offset, offset of the next link or end record) or an end record (tag
// and 12 zero bytes).
std::array<uint8_t, kRLinkSize> EncodeLink(uint32_t tag, int64_t next);
std::array<uint8_t, kRLinkSize> EncodeEnd(uint32_t tag);

struct TXREntry {
  uint32_t Crc = 0;  // of the uncompressed data
  int32_t Kind = 0;  // negative: stored compressed
  int64_t Size = 0;  // bytes stored
};

struct TXRHeaderObject {
  int64_t Position = 0;  // of the record header
  uint32_t Crc = 0;
  uint32_t TableCrc = 0;
  int32_t GroupID = 0;
  int32_t Kind = 0;
  uint8_t Deleted = 0;
  std::vector<TXREntry> Entries;

  int64_t TableSize() const { return kREntrySize * static_cast<int64_t>(Entries.size()); }
  // Offset of the entry's data, and the byte count of header, table and all entry data.
  int64_t EntryOffset(size_t index) const;
  int64_t TotalSize() const;

  std::vector<uint8_t> EncodeTable() const;
  // The 36 header bytes for this table, with both CRCs computed.
  std::array<uint8_t, kRRecordHeaderSize> EncodeHeader(uint32_t tag) const;
  // Reads the fields of the 36 header bytes (the entry table is read separately).
  static TXRHeaderObject DecodeHeader(std::span<const uint8_t, kRRecordHeaderSize> bytes,
                                      uint16_t& entryCount);
  void DecodeTable(std::span<const uint8_t> table);
};

struct TXRGroupObject {
  int64_t Position = -1;  // of the group object; -1 while only records of it were read
  uint32_t Crc = 0;
  uint32_t DataCrc = 0;
  int32_t ID = 0;
  std::string Name;
  uint8_t Deleted = 0;
  int64_t DataSize = 0;  // compressed
  std::vector<TXRHeaderObject> Records;

  bool IsComplete() const { return Position >= 0; }
  std::array<uint8_t, kRGroupHeaderSize> EncodeHeader(uint32_t tag) const;
  static TXRGroupObject DecodeHeader(std::span<const uint8_t, kRGroupHeaderSize> bytes);
};

// Little-endian access to byte buffers.
uint32_t ReadLE32(const uint8_t* bytes);
uint64_t ReadLE64(const uint8_t* bytes);
void WriteLE32(uint8_t* bytes, uint32_t value);
void WriteLE64(uint8_t* bytes, uint64_t value);

}  // namespace kova
