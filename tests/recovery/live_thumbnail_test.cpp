#include <gtest/gtest.h>

#include <memory>

#include "content.h"
#include "framework/stream.h"
#include "imaging/jpeg_thumbnail.h"
#include "recovery/entry_files.h"
#include "recovery/file_item.h"
#include "recovery/picture_job.h"
#include "recovery/recovery_aspects.h"

// The thumbnail of a live photo that its directory entry proves comes from its EXIF thumbnail
// when that makes a thumbnail of the same size as the photo would: a few kilobytes read and
// decoded instead of the whole photo, with the same look.
namespace kova {
namespace {

// Measures the photo as a live file of a directory and makes its thumbnail; answers the bytes
// its picture job copied from the medium.
int64_t MeasureLive(const mkcard::Content& photo, TXDRFoundFileAspect& found) {
  TXMemoryStream medium;
  medium.WriteBuffer(photo.bytes.data(), static_cast<int64_t>(photo.bytes.size()));
  found.Item->Ext = ".jpg";
  found.Item->EditBlocks().Add(0, static_cast<int64_t>(photo.bytes.size()));
  MeasureLiveEntryFile(found, medium);
  EXPECT_NE(found.Picture, nullptr);
  if (!found.Picture) return 0;
  const int64_t copied = found.Picture->SourceSize();
  EXPECT_TRUE(found.Picture->MakeFor(*found.Item, false));
  return copied;
}

mkcard::Content Photo(int width, int height, bool exifThumbnail) {
  mkcard::PhotoOptions options;
  options.width = width;
  options.height = height;
  options.grain = 6;
  options.exif_thumbnail = exifThumbnail;
  mkcard::Content photo;
  EXPECT_TRUE(mkcard::MakePhoto(options, &photo).ok());
  return photo;
}

TEST(LiveThumbnail, APhotoWithAnExifThumbnailIsNotDecodedAndLooksTheSame) {
  const mkcard::Content photo = Photo(2400, 1800, true);
  TXDRFoundFileAspect live;
  EXPECT_LT(MeasureLive(photo, live), 64 << 10) << "only the head of the photo is read";
  EXPECT_EQ(live.Item->Dimensions, (TXSize{2400, 1800})) << "the photo's size, not the thumbnail's";
  EXPECT_TRUE(live.Item->Status.Contains(drThnValidated));

  // The photo itself, decoded as a found photo is: the same thumbnail size.
  TXMemoryStream whole;
  whole.WriteBuffer(photo.bytes.data(), static_cast<int64_t>(photo.bytes.size()));
  whole.SetPosition(0);
  TXSize size;
  TXImageObject decoded;
  ASSERT_TRUE(DecodeJpegThumbnail(whole, KeptThumbnailBox(), size, decoded));
  EXPECT_EQ(live.Item->Thumbnail.Width(), decoded.Width());
  EXPECT_EQ(live.Item->Thumbnail.Height(), decoded.Height());
}

TEST(LiveThumbnail, WithoutAFittingExifThumbnailThePhotoIsDecoded) {
  // No EXIF block: the photo is the only source.
  TXDRFoundFileAspect plain;
  const int64_t whole = MeasureLive(Photo(1600, 1200, false), plain);
  EXPECT_EQ(whole, plain.Item->Size());
  EXPECT_EQ(plain.Item->Dimensions, (TXSize{1600, 1200}));
  EXPECT_TRUE(plain.Item->Status.Contains(drThnValidated));

  // A box larger than the 160-pixel EXIF thumbnail: it would make a smaller thumbnail.
  SetThumbnailDensity(3);
  TXDRFoundFileAspect dense;
  const int64_t copied = MeasureLive(Photo(2400, 1800, true), dense);
  SetThumbnailDensity(1);
  EXPECT_EQ(copied, dense.Item->Size());
  EXPECT_EQ(dense.Item->Thumbnail.Width(), 216);
}

}  // namespace
}  // namespace kova
