#include "ui/qt_dialogs_icons.h"

#include <cstdlib>

#include "ui/qt_pictures.h"

namespace kova {

namespace {

// The picture of the set whose width is nearest to the size.
QImage NearestInSet(TXImageCollection& pictures, int size) {
  QImage best;
  for (int32_t i = 0; i < pictures.Count(); ++i) {
    const QImage image = ToQImage(pictures.At(i)->Data());
    if (image.isNull()) continue;
    if (best.isNull() || std::abs(image.width() - size) < std::abs(best.width() - size))
      best = image;
  }
  return best;
}

QImage PictureOf(IXDRSkin& skin, TXMessageIcon icon, int size) {
  if (icon == TXMessageIcon::Error || icon == TXMessageIcon::Question) {
    const char* name = icon == TXMessageIcon::Error ? "error" : "question";
    const TXImageObject* picture = skin.Picture(skin::kMessageImages, name);
    return picture ? ToQImage(*picture) : QImage();
  }
  const char* box = icon == TXMessageIcon::Warning ? skin::kWarningImages : skin::kInfoImages;
  TXImageCollection* pictures = skin.Images(box);
  return pictures ? NearestInSet(*pictures, size) : QImage();
}

}  // namespace

QPixmap MessageIconPixmap(IXDRSkin* skin, TXMessageIcon icon, int size) {
  if (!skin) return {};
  const QImage image = PictureOf(*skin, icon, size);
  if (image.isNull()) return {};
  if (image.width() == size) return QPixmap::fromImage(image);
  return QPixmap::fromImage(
      image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

}  // namespace kova
