#include "recovery/formats/tiff_walk.h"

#include <algorithm>
#include <optional>

#include "framework/error_data.h"
#include "framework/text_utils.h"

namespace kova {

namespace {

// Sub-directories nest at most this deep below a directory of the chain; cameras use one level.
constexpr int32_t kMaxDepth = 4;
// The most directory entries and array elements one file may take; far above any real file.
constexpr int64_t kReadBudget = int64_t{1} << 22;
// The most characters of a make or model name looked at.
constexpr int64_t kMaxNameLength = 256;
constexpr uint64_t kNoStrips = 0xFFFFFFFF;

enum TXTiffTag : uint16_t {
  tgSensorWidth = 2,
  tgSensorHeight = 3,
  tgPanasonicPreview = 46,
  tgNewSubfileType = 254,
  tgPhotometric = 262,
  tgMake = 271,
  tgModel = 272,
  tgStripOffsets = 273,
  tgStripByteCounts = 279,
  tgPanasonicRawOffset = 280,
  tgTileOffsets = 324,
  tgTileByteCounts = 325,
  tgSubIFDs = 330,
  tgJpegOffset = 513,
  tgJpegLength = 514,
  tgExifIFD = 34665,
  tgGpsIFD = 34853,
  tgDateTimeOriginal = 36867,
  tgInteropIFD = 40965,
  tgDNGVersion = 50706,
};

constexpr uint16_t kAsciiType = 2;
// White or black is zero, RGB, palette, CMYK, YCbCr; raw sensor data uses other values.
constexpr uint64_t kPictureColours[] = {0, 1, 2, 3, 5, 6};

int32_t TypeSize(uint16_t type) {
  static constexpr int32_t kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
  return type < std::size(kSizes) ? kSizes[type] : 0;
}

// Width of one element of an array entry: bytes and shorts as they are, everything else read as
// 32-bit values.
int32_t ElementWidth(int32_t typeSize) {
  return typeSize == 1 || typeSize == 2 ? typeSize : 4;
}

}  // namespace

struct TXTiffWalk::TXEntry {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  uint32_t Count = 0;
  uint8_t Field[4] = {};
  uint32_t FieldValue = 0;  // the value field as an offset
  int32_t Size = 0;
  bool Inline = true;  // the data lies in the value field
};

struct TXTiffWalk::TXDirectory {
  int64_t End = 0;
  std::optional<TXEntry> StripOffsets;
  std::optional<TXEntry> StripCounts;
  std::optional<TXEntry> TileOffsets;
  std::optional<TXEntry> TileCounts;
  std::optional<TXEntry> SubIFDs;
  std::optional<int64_t> SingleOffset;  // a strip offset held in the value field, or the raw offset
  std::optional<int64_t> SingleCount;   // a byte count held in the value field, or the JPEG length
  int64_t SensorWidth = 0;
  int64_t SensorHeight = 0;
  bool HasJpeg = false;
  std::optional<int64_t> JpegLength;
  uint64_t SubfileType = 0;
  std::optional<uint64_t> Photometric;
  enum { pfNone, pfStrip, pfJpeg } PreviewFrom = pfNone;  // where the preview candidate came from
};

TXTiffWalk::TXTiffWalk(TXFormatReader& reader, int64_t start, bool panasonic)
    : reader_(reader), start_(start), panasonic_(panasonic), budget_(kReadBudget) {}

bool TXTiffWalk::WalkChain(TXTiffFacts& facts) {
  facts_ = &facts;
  static constexpr uint8_t kLittle[] = {'I', 'I'};
  static constexpr uint8_t kBig[] = {'M', 'M'};
  if (reader_.Matches(start_, kBig)) {
    facts.BigEndian = true;
  } else if (!reader_.Matches(start_, kLittle)) {
    return false;
  }
  uint32_t offset = U32(start_ + 4);
  firstDirectory_ = offset;
  while (offset != 0 && !visited_.contains(offset)) {
    uint32_t next = 0;
    facts.MaxEnd = std::max(facts.MaxEnd, ReadDirectory(offset, 0, true, &next));
    offset = next;
  }
  return true;
}

void TXTiffWalk::WalkSideDirectories() {
  for (uint32_t offset : {facts_->ExifIFD, facts_->GpsIFD, facts_->InteropIFD}) {
    if (offset != 0)
      facts_->MaxEnd = std::max(facts_->MaxEnd, ReadDirectory(offset, 0, false, nullptr));
  }
}

// Reads the directory at the offset and answers the largest end of the data it describes,
// including its sub-directories. A directory already read answers 0.
int64_t TXTiffWalk::ReadDirectory(uint32_t offset, int32_t depth, bool keepPointers,
                                  uint32_t* next) {
  if (!visited_.insert(offset).second) return 0;
  int64_t at = start_ + offset;
  uint16_t count = U16(at);
  Spend(count);
  std::vector<uint8_t> table(size_t{12} * count + 4);
  Read(at + 2, table.data(), static_cast<int64_t>(table.size()));
  TXDirectory directory;
  bool bigEndian = facts_->BigEndian;
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* raw = table.data() + size_t{12} * i;
    TXEntry entry;
    entry.Tag = DecodeU16(raw, bigEndian);
    entry.Type = DecodeU16(raw + 2, bigEndian);
    entry.Count = DecodeU32(raw + 4, bigEndian);
    std::copy(raw + 8, raw + 12, entry.Field);
    entry.FieldValue = DecodeU32(raw + 8, bigEndian);
    entry.Size = TypeSize(entry.Type);
    entry.Inline = int64_t{entry.Size} * entry.Count <= 4;
    Act(entry, directory, keepPointers);
  }
  SettlePictureLengths(directory);
  if (offset == firstDirectory_ && depth == 0) facts_->PlainPicture = IsPlainPicture(directory);
  if (next) *next = DecodeU32(table.data() + size_t{12} * count, bigEndian);
  int64_t end = std::max(directory.End, DataEnd(directory));
  return std::max(end, SubDirectoriesEnd(directory, depth, keepPointers));
}

void TXTiffWalk::Act(const TXEntry& entry, TXDirectory& directory, bool keepPointers) {
  TXTiffFacts& facts = *facts_;
  switch (entry.Tag) {
    case tgNewSubfileType:
      directory.SubfileType = Element(entry, 0);
      return;
    case tgPhotometric:
      directory.Photometric = Element(entry, 0);
      return;
    case tgMake:
      facts.Make = ReadText(entry, directory);
      return;
    case tgModel:
      facts.Model = ReadText(entry, directory);
      return;
    case tgDateTimeOriginal:
      facts.TakenText = ReadText(entry, directory);
      return;
    case tgStripOffsets: {
      uint64_t first = Element(entry, 0);
      if (first == kNoStrips) return;
      facts.HasStrips = true;
      directory.StripOffsets = entry;
      if (entry.Inline) directory.SingleOffset = static_cast<int64_t>(first);
      if (facts.Preview.Offset == 0) {
        facts.Preview = {static_cast<int64_t>(first), 0};
        directory.PreviewFrom = TXDirectory::pfStrip;
      }
      return;
    }
    case tgStripByteCounts:
      directory.StripCounts = entry;
      if (entry.Inline) {
        int64_t bytes = static_cast<int64_t>(Element(entry, 0));
        directory.SingleCount = bytes;
        if (bytes != 0) facts.SingleStripBytes = bytes;
      }
      return;
    case tgTileOffsets:
      directory.TileOffsets = entry;
      return;
    case tgTileByteCounts:
      directory.TileCounts = entry;
      return;
    case tgSubIFDs:
      if (ContainsText(facts.Model, "DSLR-A100")) {
        facts.A100SubIFD = static_cast<int64_t>(Element(entry, 0));
      } else {
        directory.SubIFDs = entry;
      }
      return;
    case tgJpegOffset:
      facts.Jpeg = {static_cast<int64_t>(Element(entry, 0)), 0};
      directory.HasJpeg = true;
      if (facts.Preview.Offset == 0) {
        facts.Preview = facts.Jpeg;
        directory.PreviewFrom = TXDirectory::pfJpeg;
      }
      return;
    case tgJpegLength:
      directory.SingleCount = static_cast<int64_t>(Element(entry, 0));
      directory.JpegLength = directory.SingleCount;
      return;
    case tgExifIFD:
      if (keepPointers) facts.ExifIFD = static_cast<uint32_t>(Element(entry, 0));
      return;
    case tgGpsIFD:
      if (keepPointers) facts.GpsIFD = static_cast<uint32_t>(Element(entry, 0));
      return;
    case tgInteropIFD:
      if (keepPointers) facts.InteropIFD = static_cast<uint32_t>(Element(entry, 0));
      return;
    case tgDNGVersion:
      facts.HasDNGVersion = true;
      return;
    default:
      break;
  }
  if (panasonic_) {
    switch (entry.Tag) {
      case tgSensorWidth:
        directory.SensorWidth = static_cast<int64_t>(Element(entry, 0));
        return;
      case tgSensorHeight:
        directory.SensorHeight = static_cast<int64_t>(Element(entry, 0));
        return;
      case tgPanasonicPreview:
        // The entry's data is the embedded JPEG itself: the preview starts where the data does.
        if (facts.Preview.Offset == 0 && !entry.Inline) {
          facts.Preview = {entry.FieldValue, entry.Count};
        }
        return;
      case tgPanasonicRawOffset:
        facts.HasStrips = true;
        directory.SingleOffset = static_cast<int64_t>(Element(entry, 0));
        return;
      default:
        break;
    }
  }
  if (!entry.Inline) {
    int64_t bytes = int64_t{entry.Size} * entry.Count + (entry.Type == kAsciiType ? 1 : 0);
    directory.End = std::max(directory.End, int64_t{entry.FieldValue} + bytes);
  }
}

// The lengths of the pictures that the directory named, where it gives them, so that a thumbnail
// needs the file's bytes only up to its picture.
void TXTiffWalk::SettlePictureLengths(const TXDirectory& directory) {
  TXTiffFacts& facts = *facts_;
  if (directory.HasJpeg) facts.Jpeg.Length = directory.JpegLength.value_or(0);
  if (directory.PreviewFrom == TXDirectory::pfJpeg) facts.Preview.Length = facts.Jpeg.Length;
  if (directory.PreviewFrom == TXDirectory::pfStrip && directory.StripCounts &&
      directory.StripCounts->Inline) {
    facts.Preview.Length = static_cast<int64_t>(Element(*directory.StripCounts, 0));
  }
}

bool TXTiffWalk::IsPlainPicture(const TXDirectory& directory) {
  return directory.SubfileType == 0 && !directory.SubIFDs && directory.Photometric &&
         std::ranges::find(kPictureColours, *directory.Photometric) != std::end(kPictureColours);
}

// A text (a make or model name, a date), upper case, up to its first zero. Only the first
// characters are read, but the whole name must lie inside the source.
std::string TXTiffWalk::ReadText(const TXEntry& entry, TXDirectory& directory) {
  std::string name;
  if (entry.Count <= 4) {
    name.assign(reinterpret_cast<const char*>(entry.Field), entry.Count);
  } else {
    int64_t at = start_ + entry.FieldValue;
    if (!reader_.Inside(at, entry.Count)) RaiseThreadError(kErrEndOfStream);
    name.resize(static_cast<size_t>(std::min<int64_t>(entry.Count, kMaxNameLength)));
    Read(at, name.data(), static_cast<int64_t>(name.size()));
    directory.End = std::max(directory.End, int64_t{entry.FieldValue} + entry.Count);
  }
  name.resize(std::min(name.size(), name.find('\0')));
  return UpperCase(name);
}

int64_t TXTiffWalk::DataEnd(const TXDirectory& directory) {
  int64_t end = 0;
  const TXEntry* stripCounts = directory.StripCounts ? &*directory.StripCounts : nullptr;
  if (directory.StripOffsets && !directory.StripOffsets->Inline) {
    end = ArrayEnd(&*directory.StripOffsets, stripCounts);
  } else if (directory.SingleOffset.value_or(0) != 0) {
    int64_t bytes = directory.SingleCount.value_or(0);
    if (panasonic_ && !directory.StripCounts && !directory.SingleCount) {
      bytes = directory.SensorWidth * directory.SensorHeight * 2;
    }
    end = *directory.SingleOffset + bytes;
  }
  if (directory.TileOffsets) {
    const TXEntry* tileCounts = directory.TileCounts ? &*directory.TileCounts : nullptr;
    end = std::max(end, ArrayEnd(&*directory.TileOffsets, tileCounts));
  }
  return end;
}

// The largest end of the blocks that an offsets entry and its byte counts describe; a missing
// count counts as 0 and a zero offset as no block.
int64_t TXTiffWalk::ArrayEnd(const TXEntry* offsets, const TXEntry* counts) {
  Spend(offsets->Count);
  int64_t end = 0;
  for (uint32_t k = 0; k < offsets->Count; ++k) {
    int64_t offset = static_cast<int64_t>(Element(*offsets, k));
    if (offset == 0) continue;
    int64_t bytes = counts && k < counts->Count ? static_cast<int64_t>(Element(*counts, k)) : 0;
    end = std::max(end, offset + bytes);
  }
  return end;
}

int64_t TXTiffWalk::SubDirectoriesEnd(const TXDirectory& directory, int32_t depth,
                                      bool keepPointers) {
  if (!directory.SubIFDs || depth >= kMaxDepth) return 0;
  Spend(directory.SubIFDs->Count);
  int64_t end = 0;
  for (uint32_t k = 0; k < directory.SubIFDs->Count; ++k) {
    auto offset = static_cast<uint32_t>(Element(*directory.SubIFDs, k));
    if (offset != 0) end = std::max(end, ReadDirectory(offset, depth + 1, keepPointers, nullptr));
  }
  return end;
}

// Element `index` of an entry's data, from the value field or from the data it points to.
uint64_t TXTiffWalk::Element(const TXEntry& entry, uint32_t index) {
  int32_t width = ElementWidth(entry.Size);
  uint8_t bytes[4] = {};
  if (entry.Inline) {
    int64_t from = int64_t{index} * width;
    if (from + width > 4) return 0;
    std::copy(entry.Field + from, entry.Field + from + width, bytes);
  } else {
    Read(start_ + entry.FieldValue + int64_t{index} * width, bytes, width);
  }
  bool bigEndian = facts_->BigEndian;
  if (width == 1) return bytes[0];
  if (width == 2) return DecodeU16(bytes, bigEndian);
  return DecodeU32(bytes, bigEndian);
}

// Every read checks for a stopped run and fails the walk with code 39 beyond the source.
void TXTiffWalk::Read(int64_t pos, void* buffer, int64_t count) {
  reader_.CheckStop();
  if (!reader_.ReadAt(pos, buffer, count)) RaiseThreadError(kErrEndOfStream);
}

uint16_t TXTiffWalk::U16(int64_t pos) {
  uint8_t bytes[2];
  Read(pos, bytes, 2);
  return DecodeU16(bytes, facts_->BigEndian);
}

uint32_t TXTiffWalk::U32(int64_t pos) {
  uint8_t bytes[4];
  Read(pos, bytes, 4);
  return DecodeU32(bytes, facts_->BigEndian);
}

void TXTiffWalk::Spend(int64_t reads) {
  budget_ -= reads;
  if (budget_ < 0) throw EXMeasureAbort{};
}

}  // namespace kova
