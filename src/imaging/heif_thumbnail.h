#pragma once

#include "framework/stream.h"
#include "imaging/geometry.h"
#include "imaging/image_object.h"

namespace kova {

// Decodes the HEIF picture (the HEIC files of phones and cameras) that the stream holds from its
// position for the box, fitted as JPEG thumbnails are: the primary picture's thumbnail when it is
// at least as large as the fitted picture and decodes, else the primary picture itself. The
// rotation and mirroring that the file prescribes are applied. `pictureSize` gets the size of the
// primary picture. Everything runs on the calling thread, which gives up between the steps when
// its decode-stop scope asks. On failure answers false with the reason recorded as the thread's
// last error (code unchanged) and the image object empty.
bool DecodeHeifThumbnail(TXStream& stream, TXSize box, TXSize& pictureSize, TXImageObject& image);

}  // namespace kova
