#include "imaging/extension_icons.h"

#include <algorithm>
#include <exception>

#include "framework/text_utils.h"
#include "imaging/filter_kernels.h"
#include "imaging/graphic_classes.h"
#include "imaging/image_converters.h"
#include "imaging/image_drawing.h"
#include "imaging/skin_interface.h"

namespace kova {

namespace {

constexpr const char* kSmallGroupPictures[] = {"simage", "svideo", "saudio"};
constexpr const char* kLargeGroupPictures[] = {"image", "video", "audio"};
constexpr const char* kLeadingNames[] = {"ascend", "descend", "generic"};

// Draws the picture over what the rectangle holds, shrunk to fit and centred: a badge over its
// group's picture.
void Overlay(TXCanvas& canvas, const TXRect& rect, const TXImageObject* image,
             const TXFilterKernel* kernel) {
  if (!image) return;
  TXPicture picture;
  TXImageObjectToPictureConverter(*image).Fill(picture);
  if (!picture.Graphic()) return;
  TXSize fitted = FitSize(picture.Width(), picture.Height(), rect.Width(), rect.Height());
  DrawGraphic(canvas, CenteredRect(rect, fitted), picture.Graphic(), kernel);
}

// A cell of the size filled with the colour, drawn by `draw` and appended to the icons.
template <class Draw>
void AppendCell(TXImageCollection& icons, const std::string& name, TXSize size, TXColor colour,
                Draw draw) {
  TXBitmap32 cell(size.Width, size.Height);
  TXCanvas& canvas = cell.Canvas();
  {
    TXCanvasLock hold(canvas);
    canvas.SetBrushColor(colour);
    canvas.FillRect(TXRect::FromSize(0, 0, size.Width, size.Height));
    draw(canvas);
  }
  icons.AddPicture(name, cell);
}

}  // namespace

TXDRTypeIcons::TXDRTypeIcons(std::span<const std::string> images,
                             std::span<const std::string> video, std::span<const std::string> audio)
    : keys_(kFirstTypeIcon) {
  keys_.insert(keys_.end(), images.begin(), images.end());
  videoStart_ = keys_.size();
  keys_.insert(keys_.end(), video.begin(), video.end());
  audioStart_ = keys_.size();
  keys_.insert(keys_.end(), audio.begin(), audio.end());
}

int32_t TXDRTypeIcons::IconIndexOf(std::string_view ext) const {
  if (ext.empty()) return kGenericIcon;
  auto found = std::find_if(keys_.begin() + kFirstTypeIcon, keys_.end(),
                            [ext](const std::string& key) { return SameText(key, ext); });
  return found == keys_.end() ? kGenericIcon : static_cast<int32_t>(found - keys_.begin());
}

int32_t TXDRTypeIcons::GroupOfKey(size_t index) const {
  if (index >= audioStart_) return 2;
  return index >= videoStart_ ? 1 : 0;
}

void TXDRTypeIcons::Build(IXDRSkin& skin, TXColor listColour, int32_t scale) {
  BuildSmall(skin, listColour, scale);
  BuildLarge(skin, listColour, scale);
}

void TXDRTypeIcons::BuildSmall(IXDRSkin& base, TXColor listColour, int32_t scale) {
  small_.Clear();
  scale_ = std::max(scale, 1);
  IXDRSkin& skin = base.AtScale(scale_);
  const TXSize cell{kSmallSize.Width * scale_, kSmallSize.Height * scale_};
  try {
    for (size_t i = 0; i < keys_.size(); ++i) {
      const std::string name = i < kFirstTypeIcon ? kLeadingNames[i] : keys_[i];
      AppendCell(small_, name, cell, listColour, [&](TXCanvas& canvas) {
        if (i < kGenericIcon) {
          DrawImageObject(canvas, 0, 0, skin.Picture(skin::kSmallExtImages, kLeadingNames[i]));
          return;
        }
        DrawImageObject(canvas, 0, 0,
                        skin.Picture(skin::kImages, kSmallGroupPictures[GroupOfKey(i)]));
        if (i >= kFirstTypeIcon)
          DrawImageObject(canvas, 0, 0, skin.Picture(skin::kSmallExtImages, keys_[i]));
      });
    }
  } catch (const std::exception&) {
    // The icons drawn so far stay; the list shows the generic cell for the rest.
  }
}

void TXDRTypeIcons::BuildLarge(IXDRSkin& base, TXColor listColour, int32_t scale) {
  large_.Clear();
  scale_ = std::max(scale, 1);
  IXDRSkin& skin = base.AtScale(scale_);
  const TXFilterKernel* kernel = &DefaultLanczosKernel();
  const TXSize cell{kLargeSize.Width * scale_, kLargeSize.Height * scale_};
  const TXRect whole = TXRect::FromSize(0, 0, cell.Width, cell.Height);
  try {
    for (size_t i = 0; i < keys_.size(); ++i) {
      const std::string name = i < kFirstTypeIcon ? kLeadingNames[i] : keys_[i];
      AppendCell(large_, name, cell, listColour, [&](TXCanvas& canvas) {
        if (i < kGenericIcon) return;
        FitImageObject(canvas, whole,
                       skin.Picture(skin::kImages, kLargeGroupPictures[GroupOfKey(i)]), kernel);
        if (i >= kFirstTypeIcon)
          Overlay(canvas, whole, skin.Picture(skin::kLargeExtImages, keys_[i]), kernel);
      });
    }
  } catch (const std::exception&) {
    // As for the small icons.
  }
}

}  // namespace kova
