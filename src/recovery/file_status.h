#pragma once

#include <cstdint>

namespace kova {

// Where a found file came from and how its checks went. Member n is bit n of the set's byte.
enum TXDRFileStatusValue : uint8_t {
  drValidated = 0,
  drThnValidated = 1,  // a thumbnail was made
  drThnError = 2,      // making the thumbnail failed
  drEntry = 3,         // from a live FAT directory entry
  drDeletedEntry = 4,  // from a deleted FAT directory entry
  drScanValid = 5,     // found by the deep scan
  drScanError = 6,
  drLostFolder = 7,  // from a folder that no directory leads to any more
};

// A set of status values in one byte. Three pairs exclude each other: including one member of a
// pair removes the other (thumbnail made or failed, live or deleted entry, scan valid or failed).
class TXDRFileStatusSet {
 public:
  constexpr TXDRFileStatusSet() = default;
  constexpr explicit TXDRFileStatusSet(uint8_t bits) : bits_(bits) {}

  constexpr bool Contains(TXDRFileStatusValue value) const { return bits_ & Bit(value); }
  constexpr void Include(TXDRFileStatusValue value) {
    bits_ = static_cast<uint8_t>((bits_ & ~Bit(PartnerOf(value))) | Bit(value));
  }
  constexpr void Exclude(TXDRFileStatusValue value) {
    bits_ = static_cast<uint8_t>(bits_ & ~Bit(value));
  }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr uint8_t Bits() const { return bits_; }

  friend constexpr bool operator==(TXDRFileStatusSet, TXDRFileStatusSet) = default;

 private:
  static constexpr uint8_t Bit(TXDRFileStatusValue value) {
    return static_cast<uint8_t>(1u << value);
  }
  // The member that excludes the value; drValidated has none and answers itself.
  static constexpr TXDRFileStatusValue PartnerOf(TXDRFileStatusValue value) {
    switch (value) {
      case drThnValidated:
        return drThnError;
      case drThnError:
        return drThnValidated;
      case drEntry:
        return drDeletedEntry;
      case drDeletedEntry:
        return drEntry;
      case drScanValid:
        return drScanError;
      case drScanError:
        return drScanValid;
      default:
        return value;
    }
  }

  uint8_t bits_ = 0;
};

}  // namespace kova
