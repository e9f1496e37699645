#include "ui/qt_pictures.h"

#include <QBuffer>
#include <QPixmap>

#include "framework/stream.h"
#include "imaging/image_drawing.h"
#include "imaging/skin_interface.h"
#include "ui/screen_dpi.h"

namespace kova {

QImage ToQImage(const TXBitmap32& bitmap) {
  if (bitmap.IsEmpty()) return {};
  const QImage wrapped(reinterpret_cast<const uchar*>(bitmap.Pixels().data()), bitmap.Width(),
                       bitmap.Height(), bitmap.Width() * 4, QImage::Format_ARGB32);
  return wrapped.copy();
}

QImage ToQImage(const TXImageObject& picture) {
  if (picture.IsEmpty() || picture.Width() <= 0 || picture.Height() <= 0) return {};
  TXBitmap32 bitmap(picture.Width(), picture.Height());
  TXCanvasLock hold(bitmap.Canvas());
  DrawImageObject(bitmap.Canvas(), 0, 0, &picture);
  return ToQImage(bitmap);
}

QIcon ToQIcon(const TXImageCollection& pictures) {
  QIcon icon;
  for (int32_t i = 0; i < pictures.Count(); ++i) {
    const QImage image = ToQImage(pictures.At(i)->Data());
    if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

QPixmap SkinPixmap(IXDRSkin& skin, std::string_view box, std::string_view name) {
  const int scale = PixelScale();
  const TXImageObject* picture = skin.AtScale(scale).Picture(box, name);
  if (!picture) return {};
  QPixmap pixmap = QPixmap::fromImage(ToQImage(*picture));
  pixmap.setDevicePixelRatio(scale);
  return pixmap;
}

std::vector<QPixmap> SkinPixmaps(IXDRSkin& skin, std::string_view box,
                                 std::span<const char* const> names) {
  std::vector<QPixmap> pixmaps;
  pixmaps.reserve(names.size());
  for (const char* name : names)
    pixmaps.push_back(SkinPixmap(skin, box, name));
  return pixmaps;
}

bool LoadPngPicture(const QImage& image, TXImageObject& picture) {
  picture.Clear();
  if (image.isNull()) return false;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG")) return false;
  TXMemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  return picture.LoadFromStream("TPngImage", stream);
}

}  // namespace kova
