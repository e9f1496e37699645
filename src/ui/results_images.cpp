#include "ui/results_images.h"

#include <QImage>
#include <QPainter>

#include "imaging/extension_icons.h"
#include "imaging/filter_kernels.h"
#include "imaging/graphic_classes.h"
#include "imaging/image_converters.h"
#include "imaging/image_drawing.h"
#include "imaging/jpeg_thumbnail.h"
#include "ui/qt_pictures.h"

namespace kova {

namespace {

// The pixels of the cells kept assembled, 32 bits each: some 2300 cells at the design's size,
// several screens full of the largest window at any pixel scale.
constexpr qsizetype kShownBytes = qsizetype{48} << 20;

std::vector<QPixmap> ToPixmaps(const TXImageCollection& icons, TXColor background, TXSize cell,
                               int32_t scale) {
  TXImageList list;
  TXImageCollectionToImageListConverter(icons, background, cell.Height * scale, cell.Width * scale)
      .Fill(list);
  std::vector<QPixmap> pixmaps;
  pixmaps.reserve(static_cast<size_t>(list.Count()));
  for (int32_t i = 0; i < list.Count(); ++i) {
    pixmaps.push_back(QPixmap::fromImage(ToQImage(list.At(i))));
    pixmaps.back().setDevicePixelRatio(scale);
  }
  return pixmaps;
}

bool Decodes(const TXImageObject& picture) {
  TXPicture decoded;
  TXImageObjectToPictureConverter(picture).Fill(decoded);
  return decoded.Graphic() && !decoded.Graphic()->IsEmpty();
}

}  // namespace

TXDRResultsImages::TXDRResultsImages() : shown_(kShownBytes) {}

void TXDRResultsImages::SetTypeIcons(const TXImageCollection& small, const TXImageCollection& large,
                                     TXColor background, int32_t scale) {
  scale_ = std::max(scale, 1);
  small_ = ToPixmaps(small, background, TXDRTypeIcons::kSmallSize, scale_);
  largeIcons_ = ToPixmaps(large, background, TXDRTypeIcons::kLargeSize, scale_);
  thumbnails_.clear();
  shown_.clear();
}

int32_t TXDRResultsImages::AddThumbnail(const TXImageObject& thumbnail, TXColor background,
                                        TXColor frame) {
  if (thumbnail.IsEmpty() || !Decodes(thumbnail)) return -1;
  TXImageObject compact;
  compact.Assign(thumbnail);
  CompactThumbnail(compact);
  thumbnails_.push_back({compact.Bytes(),
                         compact.DataClass(),
                         {compact.Width(), compact.Height()},
                         background,
                         frame});
  return LargeCount() - 1;
}

void TXDRResultsImages::SetCellSize(int32_t size) {
  if (size == cellSize_) return;
  cellSize_ = size;
  shown_.clear();
}

void TXDRResultsImages::SetMarks(std::vector<QPixmap> origins, QPixmap damage) {
  origins_ = std::move(origins);
  damage_ = std::move(damage);
  for (size_t i = 0; i < damagedCells_.size(); ++i)
    damagedCells_[i] = WithDamageMark(OriginBadge(static_cast<TXDRFileOrigin>(i)));
}

QPixmap TXDRResultsImages::OriginBadge(TXDRFileOrigin origin) const {
  const auto index = static_cast<size_t>(origin);
  return index < origins_.size() ? origins_[index] : QPixmap();
}

QPixmap TXDRResultsImages::OriginCell(TXDRFileOrigin origin, bool damaged) const {
  return damaged ? damagedCells_[static_cast<size_t>(origin)] : OriginBadge(origin);
}

QPixmap TXDRResultsImages::WithDamageMark(const QPixmap& badge) const {
  if (damage_.isNull()) return badge;
  const qreal ratio = damage_.devicePixelRatio();
  const QSize mark = damage_.deviceIndependentSize().toSize();
  const int gap = 2;
  QPixmap cell(QSize(2 * mark.width() + gap, mark.height()) * ratio);
  cell.setDevicePixelRatio(ratio);
  cell.fill(Qt::transparent);
  QPainter painter(&cell);
  if (!badge.isNull()) painter.drawPixmap(QRect(QPoint(0, 0), mark), badge);
  painter.drawPixmap(QRect(QPoint(mark.width() + gap, 0), mark), damage_);
  return cell;
}

int64_t TXDRResultsImages::ThumbnailBytes() const {
  int64_t bytes = 0;
  for (const Thumbnail& thumbnail : thumbnails_)
    bytes += static_cast<int64_t>(thumbnail.Bytes.size());
  return bytes;
}

QPixmap TXDRResultsImages::Small(int32_t index) const {
  if (index < 0 || index >= SmallCount()) return {};
  return small_[static_cast<size_t>(index)];
}

QPixmap TXDRResultsImages::Large(int32_t index) const {
  if (index < 0 || index >= LargeCount()) return {};
  const auto iconCount = static_cast<int32_t>(largeIcons_.size());
  if (index < iconCount) return largeIcons_[static_cast<size_t>(index)];
  if (QPixmap* shown = shown_.object(index)) return *shown;
  const QPixmap pixmap = Assembled(thumbnails_[static_cast<size_t>(index - iconCount)]);
  shown_.insert(index, new QPixmap(pixmap), qsizetype{pixmap.width()} * pixmap.height() * 4);
  return pixmap;
}

QPixmap TXDRResultsImages::Assembled(const Thumbnail& thumbnail) const {
  TXImageObject picture;
  picture.SetBytes(thumbnail.Bytes);
  picture.SetDataClass(thumbnail.DataClass);
  picture.SetWidth(thumbnail.Size.Width);
  picture.SetHeight(thumbnail.Size.Height);
  const int32_t size = cellSize_ * scale_;
  TXBitmap32 cell;
  cell.Canvas().SetBrushColor(thumbnail.Background);
  // At the design's size the picture is drawn as the scan made it; a zoomed cell resamples it
  // to fill the frame.
  if (cellSize_ == kCellSize) {
    MakeFrameBitmap(cell, size, size, nullptr, thumbnail.Frame, thumbnail.Frame, &picture);
  } else {
    MakeFrameBitmap(cell, size, size, &DefaultLanczosKernel(), thumbnail.Frame, thumbnail.Frame,
                    &picture, TXFrameFit::ffFill);
  }
  QPixmap pixmap = QPixmap::fromImage(ToQImage(cell));
  pixmap.setDevicePixelRatio(scale_);
  return pixmap;
}

}  // namespace kova
