#pragma once

#include <QColor>
#include <QImage>
#include <initializer_list>

#include "imaging/image_object.h"

// Pictures the user-interface tests draw with: real PNG, JPEG and icon files made by Qt's
// writers, in plain colours.
namespace kova::test {

QImage PlainImage(int width, int height, QColor colour);
// The image as a picture of the class ("TPngImage", "TJPEGImage").
void LoadPicture(TXImageObject& picture, const QImage& image, const char* dataClass = "TPngImage");
// An icon file with one PNG entry per size, each a plain square of the colour.
void LoadIconPicture(TXImageObject& picture, std::initializer_list<int> sizes, QColor colour);

}  // namespace kova::test
