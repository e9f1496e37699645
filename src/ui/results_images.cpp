#include "ui/results_images.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include "imaging/extension_icons.h"
#include "imaging/graphic_classes.h"
#include "imaging/image_converters.h"
#include "imaging/image_drawing.h"
#include "ui/qt_pictures.h"

namespace kova {

namespace {

// The pixels of the cells kept assembled, 32 bits each: some 2300 cells at the design's size,
// several screens full of the largest window at any pixel scale.
constexpr qsizetype kShownBytes = qsizetype{48} << 20;
constexpr int kThumbnailQuality = 90;

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

QByteArray Compressed(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.convertToFormat(QImage::Format_RGB32).save(&buffer, "JPG", kThumbnailQuality);
  return bytes;
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
  const int32_t size = kCellSize * scale_;
  TXBitmap32 cell;
  cell.Canvas().SetBrushColor(background);
  MakeFrameBitmap(cell, size, size, nullptr, frame, frame, &thumbnail);
  // The picture's place as the framing drew it: fitted into the cell less 2 pixels, centred.
  const TXRect inner = TXRect::FromSize(2, 2, size - 4, size - 4);
  const TXRect place = CenteredRect(
      inner, FitSize(thumbnail.Width(), thumbnail.Height(), inner.Width(), inner.Height()));
  const QRect area(place.Left, place.Top, place.Width(), place.Height());
  QByteArray bytes = Compressed(ToQImage(cell).copy(area));
  if (bytes.isEmpty()) return -1;
  thumbnails_.push_back(
      {std::move(bytes), area, QColor::fromRgb(background), QColor::fromRgb(frame)});
  return LargeCount() - 1;
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
    bytes += thumbnail.Picture.size();
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
  QImage cell(kCellSize * scale_, kCellSize * scale_, QImage::Format_RGB32);
  cell.fill(thumbnail.Background);
  QImage picture;
  picture.loadFromData(thumbnail.Picture, "JPG");
  QPainter painter(&cell);
  painter.setPen(thumbnail.Frame);
  painter.drawRect(thumbnail.Place.adjusted(-1, -1, 0, 0));
  painter.drawImage(thumbnail.Place.topLeft(), picture);
  painter.end();
  QPixmap pixmap = QPixmap::fromImage(cell);
  pixmap.setDevicePixelRatio(scale_);
  return pixmap;
}

}  // namespace kova
