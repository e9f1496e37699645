#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "byte_order.h"

namespace kova::mkcard {

// Lays out a TIFF structure (header, IFDs with their out-of-line values, then data blobs) in
// either byte order; used for TIFF pictures and for the EXIF block of JPEG photos. Offsets
// between IFDs and to blobs are resolved when the structure is built.
class TiffBuilder {
 public:
  enum Type : uint16_t {
    kByte = 1,
    kAscii = 2,
    kShort = 3,
    kLong = 4,
    kRational = 5,
    kUndefined = 7
  };

  explicit TiffBuilder(bool big_endian) : big_endian_(big_endian) {}

  int AddIfd();
  int AddBlob(Bytes data);
  // IFD `from` names IFD `to` as its next IFD.
  void Chain(int from, int to) { ifds_.at(from).next = to; }

  void AddShorts(int ifd, uint16_t tag, const std::vector<uint32_t>& values);
  void AddLongs(int ifd, uint16_t tag, const std::vector<uint32_t>& values);
  void AddRational(int ifd, uint16_t tag, uint32_t numerator, uint32_t denominator);
  void AddAscii(int ifd, uint16_t tag, std::string_view text);
  void AddUndefined(int ifd, uint16_t tag, std::string_view bytes);
  // A LONG holding the offset of another IFD (EXIF sub-IFD pointer).
  void AddIfdPointer(int ifd, uint16_t tag, int target_ifd);
  // LONGs holding the offset of `blob` plus each of `relative` (strip offsets, thumbnail start).
  void AddBlobOffsets(int ifd, uint16_t tag, int blob, const std::vector<uint32_t>& relative);

  // The whole structure; offsets count from its first byte (the byte-order mark).
  Bytes Build() const;

 private:
  struct Entry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    Bytes value;  // in file byte order; patched for pointers
    int target_ifd = -1;
    int target_blob = -1;
    std::vector<uint32_t> relative;
  };
  struct Ifd {
    std::vector<Entry> entries;
    int next = -1;
  };

  static Entry Plain(uint16_t tag, uint16_t type, uint32_t count, Bytes value);
  void Put(uint8_t* at, uint64_t value, int width) const;
  void Add(int ifd, Entry entry);
  Bytes Encode(const std::vector<uint32_t>& values, int width) const;

  bool big_endian_;
  std::vector<Ifd> ifds_;
  std::vector<Bytes> blobs_;
};

}  // namespace kova::mkcard
