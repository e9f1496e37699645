#pragma once

#include <QCache>
#include <QPixmap>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/bitmap32.h"
#include "imaging/image_items.h"
#include "recovery/file_item.h"

namespace kova {

// The two image lists of the results list, and the marks drawn on its files. The small list holds
// the file-type icons; the large list holds the large file-type icons followed by one framed
// thumbnail per found file that has one. The marks are the origin badges and the damage mark. Of a
// thumbnail only its compact picture is kept (the JPEG the scan made, a few kilobytes instead of
// 20 for the cell's pixels); the cell is put together again when shown, at the size the view is
// zoomed to, its frame and ground drawn exactly, and the most recently shown cells are kept as
// pixmaps, up to a number of bytes rather than of cells, so that a larger pixel scale or zoom keeps
// no more memory.
class TXDRResultsImages {
 public:
  static constexpr int32_t kCellSize = 72;

  TXDRResultsImages();

  // Empties both lists and fills them anew from the icon collections, each picture stretched
  // into a cell of the list's size (22 x 16 and 72 x 72) on the colour. Every picture of the lists
  // gets `scale` device pixels per pixel of those sizes (the collections are drawn for it), and
  // so do the thumbnails added afterwards.
  void SetTypeIcons(const TXImageCollection& small, const TXImageCollection& large,
                    TXColor background, int32_t scale = 1);
  // Appends the thumbnail to the large list, to be drawn framed into a cell on the background,
  // with a one-pixel frame in the frame colour. Answers its index, or -1 when the thumbnail is
  // empty or does not decode.
  int32_t AddThumbnail(const TXImageObject& thumbnail, TXColor background, TXColor frame);
  // The side of the thumbnails' cells (kCellSize, the design's, until the view zooms); a change
  // forgets the cells assembled so far.
  int32_t CellSize() const { return cellSize_; }
  void SetCellSize(int32_t size);

  // The origin badges in TXDRFileOrigin's order, and the damage mark.
  void SetMarks(std::vector<QPixmap> origins, QPixmap damage);
  QPixmap OriginBadge(TXDRFileOrigin origin) const;
  QPixmap DamageMark() const { return damage_; }
  // The origin badge, followed by the damage mark when the file may be damaged.
  QPixmap OriginCell(TXDRFileOrigin origin, bool damaged) const;

  int32_t SmallCount() const { return static_cast<int32_t>(small_.size()); }
  int32_t LargeCount() const {
    return static_cast<int32_t>(largeIcons_.size() + thumbnails_.size());
  }
  // The bytes the kept thumbnails take.
  int64_t ThumbnailBytes() const;
  // The pictures of the lists; a null pixmap for an index outside the list.
  QPixmap Small(int32_t index) const;
  QPixmap Large(int32_t index) const;

 private:
  int32_t scale_ = 1;
  int32_t cellSize_ = kCellSize;
  std::vector<QPixmap> small_;
  std::vector<QPixmap> largeIcons_;
  std::vector<QPixmap> origins_;
  QPixmap damage_;
  // The origin badges with the damage mark beside, drawn once for every origin.
  std::array<QPixmap, static_cast<size_t>(TXDRFileOrigin::foSearch) + 1> damagedCells_;
  // The thumbnail's picture as its image object held it (compacted), and the cell's colours.
  struct Thumbnail {
    std::vector<uint8_t> Bytes;
    std::string DataClass;
    TXSize Size;
    TXColor Background;
    TXColor Frame;
  };
  QPixmap Assembled(const Thumbnail& thumbnail) const;
  // The badge followed by the damage mark (the badge alone without a mark).
  QPixmap WithDamageMark(const QPixmap& badge) const;

  std::vector<Thumbnail> thumbnails_;
  mutable QCache<int32_t, QPixmap> shown_;
};

}  // namespace kova
