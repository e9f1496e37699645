#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "framework/stream.h"
#include "imaging/bitmap32.h"
#include "imaging/image_object.h"
#include "imaging/jpeg_decoder.h"

namespace kova {

// Thumbnail and preview boxes of found files.
inline constexpr TXSize kThumbnailBox{72, 72};
inline constexpr TXSize kPreviewBox{600, 600};

// The box thumbnails of found files are made for: kThumbnailBox times the density the program
// shows them at, so that a screen with two device pixels per layout pixel gets 144 x 144 (1 until
// a program sets it; any thread may read it).
TXSize ThumbnailBox();
void SetThumbnailDensity(int32_t density);

// The scale at which a picture of the size is decoded for the box: full size for a box of 200 or
// more in either direction; otherwise one eighth, unless that is below 200 in either direction.
TXJpegScale ThumbnailScale(TXSize box, TXSize picture);

// The size of the thumbnail DecodeJpegThumbnail makes of a JPEG picture of the size for the box.
TXSize ThumbnailSize(TXSize box, TXSize picture);

// Decodes the JPEG that begins at the stream's current position for a box: at the scale above,
// fitted into the box (aspect ratio kept, never enlarged), stored in the image object as a
// "TBitmap". `pictureSize` gets the size of the whole picture. The image object is cleared first.
// On failure answers false with the reason recorded as the thread's last error (code unchanged)
// and the image object empty.
bool DecodeJpegThumbnail(TXStream& stream, TXSize box, TXSize& pictureSize, TXImageObject& image);

// Decodes a picture into `picture` and answers its size to report; false when the file has no
// picture to show, which is no failure. Throws on failure.
using TXPictureDecode = std::function<bool(TXBitmap32& picture, TXSize& pictureSize)>;

// How every decoder of thumbnails runs: clears the image object and the size, lets `decode` make
// the picture and stores it fitted into the box (aspect ratio kept, never enlarged, each pixel the
// average of those it covers) as a "TBitmap", so that every kind of file gets thumbnails of one
// size and look. A decode with no picture succeeds with nothing drawn. On failure answers false
// with the reason recorded as the thread's last error (code unchanged) and the image object empty.
bool MakeFittedThumbnail(TXSize box, TXSize& pictureSize, TXImageObject& image,
                         const TXPictureDecode& decode);

// The JPEG quality thumbnails of found files are kept at: a 72-pixel thumbnail takes some 3 KB
// instead of the 20 KB of its pixels, and looks the same.
inline constexpr int kKeptThumbnailQuality = 92;

// Keeps an opaque "TBitmap" picture as a "TJPEGImage" of kKeptThumbnailQuality, decoded again
// when it is drawn: the form thumbnails of found files are held in, so that a scan of very many
// files holds a few kilobytes for each. Other pictures (transparent ones included) stay as they
// are; so does one that cannot be encoded, its reason recorded as the thread's last error.
void CompactThumbnail(TXImageObject& image);

// The bytes from the stream's position on; a memory stream lends its own without a copy, any
// other stream is read into the buffer.
std::span<const uint8_t> RemainingBytes(TXStream& stream, std::vector<uint8_t>& buffer);

}  // namespace kova
