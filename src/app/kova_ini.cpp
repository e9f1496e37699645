#include "app/kova_ini.h"

#include <algorithm>

namespace kova {

const TXClassInfo& TXCustomDRIni::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXCustomDRIni>("TXCustomDRIni", TXAIni::StaticClassInfo())
          .Property("ShowThumbnails", &TXCustomDRIni::ShowThumbnails,
                    &TXCustomDRIni::SetShowThumbnails)
          .Property("Sort", &TXCustomDRIni::Sort, &TXCustomDRIni::SetSort)
          .Property("SortColumn", &TXCustomDRIni::SortColumn, &TXCustomDRIni::SetSortColumn)
          .Property("CodePage", &TXCustomDRIni::CodePage, &TXCustomDRIni::SetCodePage)
          .Property("ThumbnailSize", &TXCustomDRIni::ThumbnailSize,
                    &TXCustomDRIni::SetThumbnailSize)
          .Object("FileTypes", &TXCustomDRIni::FileTypes)
          .Build();
  return info;
}

void TXCustomDRIni::SetDefaults() {
  TXAIni::SetDefaults();
  showThumbnails_ = true;
  sort_ = 0;
  sortColumn_ = 0;
  codePage_ = kDefaultCodePage;
  thumbnailSize_ = kDefaultThumbnailSize;
  fileTypes_.SelectAll();
}

void TXCustomDRIni::SetThumbnailSize(int32_t pixels) {
  thumbnailSize_ = std::clamp(pixels, kDefaultThumbnailSize, kLargestThumbnailSize);
}

void TXCustomDRIni::SetCodePage(uint16_t value) {
  if (IsKnownCodePage(value)) codePage_ = value;
}

const TXClassInfo& TXKovaIni::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXKovaIni>("TXKovaIni", TXCustomDRIni::StaticClassInfo())
          .Property("WindowLeft", &TXKovaIni::WindowLeft, &TXKovaIni::SetWindowLeft)
          .Property("WindowTop", &TXKovaIni::WindowTop, &TXKovaIni::SetWindowTop)
          .Property("WindowWidth", &TXKovaIni::WindowWidth, &TXKovaIni::SetWindowWidth)
          .Property("WindowHeight", &TXKovaIni::WindowHeight, &TXKovaIni::SetWindowHeight)
          .Property("WindowMaximized", &TXKovaIni::WindowMaximized, &TXKovaIni::SetWindowMaximized)
          .Build();
  return info;
}

void TXKovaIni::SetDefaults() {
  TXCustomDRIni::SetDefaults();
  FileTypes().SetDefaults();
  windowLeft_ = windowTop_ = windowWidth_ = windowHeight_ = 0;
  windowMaximized_ = false;
}

}  // namespace kova
