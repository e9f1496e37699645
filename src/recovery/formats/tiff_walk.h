#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "recovery/formats/format_reader.h"

namespace kova {

// Where an embedded picture lies: its offset, and its length when the directory gives it (else 0).
struct TXPicturePlace {
  int64_t Offset = 0;
  int64_t Length = 0;
};

// What a walk through the directories of a TIFF-structured file learns. Offsets are relative to
// the file's first byte (the byte-order mark).
struct TXTiffFacts {
  bool BigEndian = false;
  std::string Make;              // upper case
  std::string Model;             // upper case
  std::string TakenText;         // the EXIF DateTimeOriginal text ("2024:05:18 10:00:00")
  int64_t MaxEnd = 0;            // the largest end of any data the directories describe
  bool HasStrips = false;        // a strip-offsets entry (or the Panasonic raw offset) was seen
  int64_t SingleStripBytes = 0;  // the last non-zero strip byte count held in a value field
  TXPicturePlace Jpeg;           // the last JPEG-interchange-format picture read
  TXPicturePlace Preview;        // the first picture candidate met
  int64_t A100SubIFD = 0;        // the sub-directory offset of a Sony DSLR-A100
  bool HasDNGVersion = false;
  // The first directory is a whole picture in grey, RGB, palette, CMYK or YCbCr colours and names
  // no sub-directories, as programs write a TIFF; a raw file's first directory is a reduced
  // picture, a preview without colour information, or raw sensor data.
  bool PlainPicture = false;
  uint32_t ExifIFD = 0;
  uint32_t GpsIFD = 0;
  uint32_t InteropIFD = 0;
};

// Walks the directory chain of a TIFF-structured file, then its EXIF, GPS and interoperability
// directories, collecting the facts above. Reads that run beyond the source fail the walk with
// code 39 (raised). Every directory offset is read at most once and sub-directories nest at most
// a few levels, so looping or self-referencing structures end; a structure that would take more
// reads than any real file aborts the walk (EXMeasureAbort), as does a stopped run.
class TXTiffWalk {
 public:
  // `panasonic` turns on the tags of Panasonic raw files (sensor size, preview and raw offsets).
  TXTiffWalk(TXFormatReader& reader, int64_t start, bool panasonic);

  // Reads the byte order and walks the directory chain with the sub-directories of its
  // directories. False when the file does not start with "II" or "MM".
  bool WalkChain(TXTiffFacts& facts);
  // Then reads the EXIF, GPS and interoperability directories that the chain named (the
  // pointers met in them are not followed).
  void WalkSideDirectories();

 private:
  struct TXEntry;
  struct TXDirectory;

  int64_t ReadDirectory(uint32_t offset, int32_t depth, bool keepPointers, uint32_t* next);
  void Act(const TXEntry& entry, TXDirectory& directory, bool keepPointers);
  void SettlePictureLengths(const TXDirectory& directory);
  static bool IsPlainPicture(const TXDirectory& directory);
  std::string ReadText(const TXEntry& entry, TXDirectory& directory);
  int64_t DataEnd(const TXDirectory& directory);
  int64_t ArrayEnd(const TXEntry* offsets, const TXEntry* counts);
  int64_t SubDirectoriesEnd(const TXDirectory& directory, int32_t depth, bool keepPointers);

  uint64_t Element(const TXEntry& entry, uint32_t index);
  void Read(int64_t pos, void* buffer, int64_t count);
  uint16_t U16(int64_t pos);
  uint32_t U32(int64_t pos);
  void Spend(int64_t reads);

  TXFormatReader& reader_;
  int64_t start_;
  bool panasonic_;
  TXTiffFacts* facts_ = nullptr;
  std::unordered_set<uint32_t> visited_;
  uint32_t firstDirectory_ = 0;
  int64_t budget_;
};

}  // namespace kova
