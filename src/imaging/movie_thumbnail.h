#pragma once

#include <cstdint>

#include "framework/stream.h"
#include "imaging/geometry.h"
#include "imaging/image_object.h"

namespace kova {

// How much of a movie's beginning its thumbnail is made from at most: the headers and first
// frames of camera and phone movies lie well within it. A movie whose index comes after its media
// needs that index as well.
inline constexpr int64_t kMovieHeadBytes = int64_t{4} << 20;

// The containers of the movies that get thumbnails.
enum class TXMovieContainer : uint8_t { mcAVI, mcQuickTime, mcTransportStream };

// Decodes the first frame of the movie that the stream holds (the movie's bytes at the movie's
// positions; a stream that holds only parts of them ends wherever a part is missing) for the box,
// reduced and fitted as JPEG thumbnails are and turned as the movie asks to be shown.
// `pictureSize` gets the frame's size as shown. A movie without video, or whose video is coded in
// a way cameras and phones do not use, succeeds with nothing drawn. The decoding runs on the
// calling thread alone and is bounded: the bytes read, the packets read and the packets given to
// the decoder; it gives up when the thread's decode-stop scope asks. On failure answers false with
// the reason recorded as the thread's last error (code unchanged) and the image object empty.
bool DecodeMovieThumbnail(TXStream& stream, TXMovieContainer container, TXSize box,
                          TXSize& pictureSize, TXImageObject& image);

}  // namespace kova
