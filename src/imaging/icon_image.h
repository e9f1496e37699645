#pragma once

#include <cstdint>
#include <vector>

#include "imaging/bitmap32.h"

namespace kova {

// One picture of an icon file, as its directory describes it.
struct TXIconEntry {
  int32_t Width = 0;  // a stored 0 means 256
  int32_t Height = 0;
  uint8_t ColorCountByte = 0;
  uint16_t BitCount = 0;
  uint32_t Size = 0;
  uint32_t Offset = 0;

  // The stored colour count, or for 0 the largest 32-bit signed integer at 32 bits per pixel and
  // 65536 at any other depth.
  int64_t ColorCount() const;
};

// The icon size of the desktop, used when no size is asked for.
inline constexpr TXSize kStandardIconSize{32, 32};
// Colours the display shows: a 32-bit display counts as the largest 32-bit signed integer.
inline constexpr int64_t kDisplayColors = INT32_MAX;

// The entry to draw for the wanted size: starting from the first entry, a later one replaces the
// current choice when its colour count does not exceed the display's, is at least the current
// one's, and in each dimension it is at least as close to the wanted size as the current choice
// and, when larger than wanted, not larger than the current choice. -1 for no entries.
int32_t ChooseIconEntry(const std::vector<TXIconEntry>& entries, TXSize wanted,
                        int64_t displayColors = kDisplayColors);

// An icon file, registered as "TIcon": a directory of pictures in PNG or bitmap form. Its size is
// that of the entry chosen for the standard icon size; drawing picks the entry that best matches
// the target rectangle and draws it stretched, blended by its transparency.
class TXIcon : public TXGraphic {
 public:
  std::string GraphicClassName() const override { return "TIcon"; }
  int32_t Width() const override { return standard_.Width; }
  int32_t Height() const override { return standard_.Height; }
  bool HasTransparency() const override { return true; }

  const std::vector<TXIconEntry>& Entries() const { return entries_; }
  // The picture of an entry, with a defined alpha channel.
  void DecodeEntry(int32_t index, TXBitmap32& bitmap) const;

  // Reads the directory and decodes the standard entry; the bytes are kept as they are.
  void LoadFromStream(TXStream& stream) override;
  void SaveToStream(TXStream& stream) const override;
  void Draw(TXCanvas& canvas, const TXRect& rect) const override;

 private:
  std::vector<uint8_t> bytes_;
  std::vector<TXIconEntry> entries_;
  TXSize standard_;
};

}  // namespace kova
