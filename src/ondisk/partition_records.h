#pragma once

#include <cstdint>
#include <span>
#include <string>

// The records of partition tables: the master boot record and the extended boot records of an
// MBR table, and a GPT's header and entries.
namespace kova {

// A sector read as a master (or extended) boot record: four entries from byte 446 and the
// signature 0x55 0xAA at 510.
class TXMbrSector {
 public:
  struct Entry {
    uint8_t Status = 0;
    uint8_t Type = 0;
    uint32_t FirstSector = 0;
    uint32_t Sectors = 0;

    bool Empty() const { return Type == 0 || Sectors == 0; }
  };

  static constexpr int kEntries = 4;

  explicit TXMbrSector(std::span<const uint8_t> sector);

  bool HasSignature() const { return signature_; }
  Entry At(int index) const { return entries_[index]; }
  // Holds the type 0xEE of a GPT's protective entry.
  bool IsProtective() const;
  // Signed, every status byte 0x00 or 0x80, and at least one entry used.
  bool IsSound() const;

 private:
  bool signature_ = false;
  Entry entries_[kEntries];
};

// An MBR type that holds partitions rather than a file system (0x05, 0x0F, 0x85).
bool IsExtendedType(uint8_t mbrType);

struct TXGptHeader {
  uint64_t FirstUsable = 0;
  uint64_t LastUsable = 0;
  uint64_t EntriesLba = 0;
  uint32_t EntryCount = 0;
  uint32_t EntrySize = 0;
  uint32_t EntriesCrc = 0;
};

// The most entries a GPT header may announce before it counts as damaged.
inline constexpr uint32_t kMaxGptEntries = 4096;

// The header in a sector read from `lba`, when its signature, size, checksum and own position
// agree and its entry array is of a usable shape. False otherwise.
bool DecodeGptHeader(std::span<const uint8_t> sector, uint64_t lba, TXGptHeader& header);

// The CRC-32 that GPT headers and entry arrays carry.
uint32_t GptCrc32(std::span<const uint8_t> bytes);

// One entry of a GPT's entry array (at least 128 bytes).
struct TXGptEntryRecord {
  bool Unused = true;  // the type GUID is all zeros
  std::string Type;    // the type GUID as text ("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7")
  std::string Name;    // UTF-8
  uint64_t FirstLba = 0;
  uint64_t LastLba = 0;
};

TXGptEntryRecord DecodeGptEntry(std::span<const uint8_t> entry);

}  // namespace kova
