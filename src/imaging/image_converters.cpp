#include "imaging/image_converters.h"

#include "framework/stream.h"
#include "imaging/image_drawing.h"
#include "imaging/jpeg_image.h"

namespace kova {

void TXImageObjectToPictureConverter::Fill(TXPicture& picture) const {
  if (image_.IsEmpty() || image_.DataClass().empty()) return;
  picture.ForceClass(image_.DataClass());
  if (!picture.Graphic()) return;
  try {
    TXMemoryStream bytes(image_.Bytes());
    picture.Graphic()->LoadFromStream(bytes);
    // A JPEG reads only its header when loaded; damage further on shows when it is decoded.
    if (auto* jpeg = dynamic_cast<const TXJPEGImage*>(picture.Graphic())) jpeg->Bitmap();
  } catch (const std::exception&) {
    // A picture that does not decode shows nothing; the object keeps its bytes.
    picture.Clear();
  }
}

void TXImageList::SetCellSize(int32_t width, int32_t height) {
  cellWidth_ = width;
  cellHeight_ = height;
}

int32_t TXImageList::Add(std::unique_ptr<TXBitmap32> cell) {
  cells_.push_back(std::move(cell));
  return Count() - 1;
}

void TXImageCollectionToImageListConverter::Fill(TXImageList& list) const {
  list.Clear();
  list.SetCellSize(cellWidth_, cellHeight_);
  const TXRect cell = TXRect::FromSize(0, 0, cellWidth_, cellHeight_);
  for (int32_t i = 0; i < images_.Count(); ++i) {
    auto bitmap = std::make_unique<TXBitmap32>(cellWidth_, cellHeight_);
    bitmap->Canvas().FillRect(cell, background_);
    StretchImageObject(bitmap->Canvas(), cell, &images_.At(i)->Data(), nullptr);
    list.Add(std::move(bitmap));
  }
}

}  // namespace kova
