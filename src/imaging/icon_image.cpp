#include "imaging/icon_image.h"

#include <cstdlib>
#include <cstring>
#include <span>
#include <string>

#include "framework/stream.h"
#include "imaging/dib_codec.h"
#include "imaging/png_image.h"

namespace kova {

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

uint16_t U16(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

uint32_t U32(const std::vector<uint8_t>& bytes, size_t at) {
  return uint32_t{U16(bytes, at)} | uint32_t{U16(bytes, at + 2)} << 16;
}

// In one dimension: at least as close to the wanted length, and when larger than wanted, not
// larger than the current choice.
bool FitsAsWell(int32_t candidate, int32_t current, int32_t wanted) {
  return std::abs(candidate - wanted) <= std::abs(current - wanted) &&
         (candidate <= wanted || current >= candidate);
}

std::vector<TXIconEntry> ReadDirectory(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 6 || U16(bytes, 0) != 0 || U16(bytes, 2) != 1) {
    throw EXInvalidGraphic("not an icon file");
  }
  size_t count = U16(bytes, 4);
  if (count == 0) throw EXInvalidGraphic("the icon file holds no pictures");
  if (6 + 16 * count > bytes.size()) throw EXInvalidGraphic("the icon directory is truncated");
  std::vector<TXIconEntry> entries;
  for (size_t i = 0; i < count; ++i) {
    size_t at = 6 + 16 * i;
    TXIconEntry entry;
    entry.Width = bytes[at] ? bytes[at] : 256;
    entry.Height = bytes[at + 1] ? bytes[at + 1] : 256;
    entry.ColorCountByte = bytes[at + 2];
    entry.BitCount = U16(bytes, at + 6);
    entry.Size = U32(bytes, at + 8);
    entry.Offset = U32(bytes, at + 12);
    if (entry.Offset > bytes.size() || entry.Size > bytes.size() - entry.Offset) {
      throw EXInvalidGraphic("icon picture " + std::to_string(i + 1) + " lies outside the file");
    }
    entries.push_back(entry);
  }
  return entries;
}

}  // namespace

int64_t TXIconEntry::ColorCount() const {
  if (ColorCountByte != 0) return ColorCountByte;
  return BitCount == 32 ? INT32_MAX : 65536;
}

int32_t ChooseIconEntry(const std::vector<TXIconEntry>& entries, TXSize wanted,
                        int64_t displayColors) {
  if (entries.empty()) return -1;
  if (wanted.Width == 0 && wanted.Height == 0) wanted = kStandardIconSize;
  int32_t chosen = 0;
  for (int32_t i = 1; i < static_cast<int32_t>(entries.size()); ++i) {
    const TXIconEntry& candidate = entries[static_cast<size_t>(i)];
    const TXIconEntry& current = entries[static_cast<size_t>(chosen)];
    if (candidate.ColorCount() <= displayColors && candidate.ColorCount() >= current.ColorCount() &&
        FitsAsWell(candidate.Width, current.Width, wanted.Width) &&
        FitsAsWell(candidate.Height, current.Height, wanted.Height)) {
      chosen = i;
    }
  }
  return chosen;
}

void TXIcon::DecodeEntry(int32_t index, TXBitmap32& bitmap) const {
  const TXIconEntry& entry = entries_.at(static_cast<size_t>(index));
  std::span<const uint8_t> data(bytes_.data() + entry.Offset, entry.Size);
  if (data.size() >= 8 && std::memcmp(data.data(), kPngSignature, 8) == 0) {
    TXMemoryStream stream(std::vector<uint8_t>(data.begin(), data.end()));
    TXPngImage png;
    png.LoadFromStream(stream);
    bitmap.Assign(png.Pixels());
  } else {
    DecodeIconDib(data, bitmap);
  }
  bitmap.SetAlphaFormat(TXAlphaFormat::afDefined);
}

void TXIcon::LoadFromStream(TXStream& stream) {
  TXIcon loaded;
  loaded.bytes_ = stream.ReadRemaining();
  loaded.entries_ = ReadDirectory(loaded.bytes_);
  TXBitmap32 standard;
  loaded.DecodeEntry(ChooseIconEntry(loaded.entries_, kStandardIconSize), standard);
  bytes_ = std::move(loaded.bytes_);
  entries_ = std::move(loaded.entries_);
  standard_ = standard.Size();
}

void TXIcon::SaveToStream(TXStream& stream) const {
  stream.WriteBuffer(bytes_.data(), static_cast<int64_t>(bytes_.size()));
}

void TXIcon::Draw(TXCanvas& canvas, const TXRect& rect) const {
  int32_t index = ChooseIconEntry(entries_, {rect.Width(), rect.Height()});
  if (index < 0) return;
  TXBitmap32 picture;
  DecodeEntry(index, picture);
  canvas.StretchPixels(rect, picture, true);
}

}  // namespace kova
