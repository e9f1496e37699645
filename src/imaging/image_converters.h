#pragma once

#include <memory>
#include <vector>

#include "imaging/bitmap32.h"
#include "imaging/graphic_classes.h"
#include "imaging/image_items.h"

namespace kova {

// Fills a picture with the decoded picture of an image object. An empty object, or one without a
// class, leaves the picture as it is; data that does not decode leaves it without a picture.
class TXImageObjectToPictureConverter {
 public:
  explicit TXImageObjectToPictureConverter(const TXImageObject& image) : image_(image) {}
  void Fill(TXPicture& picture) const;

 private:
  const TXImageObject& image_;
};

// Pictures of one cell size, in order; what list views show as icons.
class TXImageList {
 public:
  int32_t CellWidth() const { return cellWidth_; }
  int32_t CellHeight() const { return cellHeight_; }
  void SetCellSize(int32_t width, int32_t height);
  int32_t Count() const { return static_cast<int32_t>(cells_.size()); }
  const TXBitmap32& At(int32_t index) const { return *cells_.at(static_cast<size_t>(index)); }
  // Appends a picture (of the cell size) and answers its index.
  int32_t Add(std::unique_ptr<TXBitmap32> cell);
  void Clear() { cells_.clear(); }

 private:
  int32_t cellWidth_ = 0;
  int32_t cellHeight_ = 0;
  std::vector<std::unique_ptr<TXBitmap32>> cells_;
};

// Fills an image list from an image collection: the list is cleared and takes the cell size,
// then item n becomes cell n, its picture stretched plainly over the background colour.
class TXImageCollectionToImageListConverter {
 public:
  TXImageCollectionToImageListConverter(const TXImageCollection& images, TXColor background,
                                        int32_t cellHeight, int32_t cellWidth)
      : images_(images), background_(background), cellHeight_(cellHeight), cellWidth_(cellWidth) {}
  void Fill(TXImageList& list) const;

 private:
  const TXImageCollection& images_;
  TXColor background_;
  int32_t cellHeight_;
  int32_t cellWidth_;
};

}  // namespace kova
