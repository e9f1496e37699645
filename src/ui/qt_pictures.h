#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <span>
#include <string_view>
#include <vector>

#include "imaging/bitmap32.h"
#include "imaging/image_items.h"

// Where the picture layer meets Qt: bitmaps and image objects as QImages, collections as icons.
namespace kova {

class IXDRSkin;

// A copy of the bitmap's pixels (0xAARRGGBB, straight alpha).
QImage ToQImage(const TXBitmap32& bitmap);

// The image object's picture at its own size; a null image for an empty object or data that
// does not decode.
QImage ToQImage(const TXImageObject& picture);

// Every picture of the collection as one icon, each size a pixmap of the icon.
QIcon ToQIcon(const TXImageCollection& pictures);

// A picture of the skin's box as a pixmap drawn for the screen's pixel scale (PixelScale); a null
// pixmap when the skin lacks it.
QPixmap SkinPixmap(IXDRSkin& skin, std::string_view box, std::string_view name);
// The pictures of the box named, in that order.
std::vector<QPixmap> SkinPixmaps(IXDRSkin& skin, std::string_view box,
                                 std::span<const char* const> names);

// An image object holding the image as a PNG picture ("TPngImage"); false and an empty object
// when the image is null.
bool LoadPngPicture(const QImage& image, TXImageObject& picture);

}  // namespace kova
