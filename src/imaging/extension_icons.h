#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/bitmap32.h"
#include "imaging/image_items.h"

namespace kova {

class IXDRSkin;

// The file-type icons of the results list, small (22 x 16, beside names and on the sort column's
// header) and large (72 x 72, in place of a missing thumbnail). Both collections follow the type
// keys: three empty entries, then the image, video and audio extensions in catalogue order. In
// the small collection the first two icons are the skin's sort arrows ("ascend", "descend"); in
// the large one they are empty cells. Icon 2 is the generic picture; every extension's icon is
// its group's picture with the extension's badge drawn over it. Everything is drawn on the list's
// colour.
class TXDRTypeIcons {
 public:
  static constexpr TXSize kSmallSize{22, 16};
  static constexpr TXSize kLargeSize{72, 72};
  static constexpr int32_t kAscendIcon = 0;
  static constexpr int32_t kDescendIcon = 1;
  static constexpr int32_t kGenericIcon = 2;
  static constexpr int32_t kFirstTypeIcon = 3;

  // The catalogue's extensions per group (lower case, with the dot).
  TXDRTypeIcons(std::span<const std::string> images, std::span<const std::string> video,
                std::span<const std::string> audio);

  const std::vector<std::string>& TypeKeys() const { return keys_; }
  // The icon of an extension, ignoring case; the generic icon for an extension that is empty or
  // outside the catalogue.
  int32_t IconIndexOf(std::string_view ext) const;

  // Draws both collections anew from the skin's boxes, with `scale` pixels for each pixel of the
  // sizes above (the skin's pictures at that scale). A picture the skin lacks leaves its cells
  // with what was drawn before it; a failure leaves the icons drawn so far.
  void Build(IXDRSkin& skin, TXColor listColour, int32_t scale = 1);
  void BuildSmall(IXDRSkin& skin, TXColor listColour, int32_t scale = 1);
  void BuildLarge(IXDRSkin& skin, TXColor listColour, int32_t scale = 1);
  // The scale the icons were last built at.
  int32_t Scale() const { return scale_; }

  const TXImageCollection& Small() const { return small_; }
  const TXImageCollection& Large() const { return large_; }

 private:
  // The group of the type key at the index: 0 images, 1 video, 2 audio.
  int32_t GroupOfKey(size_t index) const;

  std::vector<std::string> keys_;
  size_t videoStart_;
  size_t audioStart_;
  TXImageCollection small_;
  TXImageCollection large_;
  int32_t scale_ = 1;
};

}  // namespace kova
