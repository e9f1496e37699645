#pragma once

#include <cstdint>

#include "app/custom_ini.h"
#include "flow/dr_ini.h"
#include "framework/oem_code_pages.h"
#include "recovery/file_types.h"

namespace kova {

// The settings of a recovery program: the results view's stored state (its thumbnails' size
// among them) and the file types the advanced mode looks for (by default every type).
class TXCustomDRIni : public TXAIni, public IXDRIni {
  KOVA_PERSISTENT(TXCustomDRIni)

 public:
  using TXAIni::TXAIni;

  TXDRFileTypes& FileTypes() override { return fileTypes_; }
  const TXDRFileTypes& FileTypes() const { return fileTypes_; }

  bool ShowThumbnails() const { return showThumbnails_; }
  void SetShowThumbnails(bool value) { showThumbnails_ = value; }
  int32_t Sort() const { return sort_; }
  void SetSort(int32_t value) { sort_ = value; }
  int32_t SortColumn() const { return sortColumn_; }
  void SetSortColumn(int32_t value) { sortColumn_ = value; }
  uint16_t CodePage() const override { return codePage_; }
  // A code page that is not known leaves the setting as it was.
  void SetCodePage(uint16_t value);
  // The side of the results page's thumbnails in pixels: 72 (the default) to 256; a size out of
  // that range is brought into it.
  int32_t ThumbnailSize() const override { return thumbnailSize_; }
  void SetThumbnailSize(int32_t pixels) override;
  static constexpr int32_t kDefaultThumbnailSize = 72;
  static constexpr int32_t kLargestThumbnailSize = 256;

  void SetDefaults() override;

 private:
  bool showThumbnails_ = true;
  int32_t sort_ = 0;
  int32_t sortColumn_ = 0;
  uint16_t codePage_ = kDefaultCodePage;
  int32_t thumbnailSize_ = kDefaultThumbnailSize;
  TXDRFileTypes fileTypes_;
};

// Velmora Kova's settings, kept under "Software\Velmora\Kova7\". Its file-type defaults are the
// common photo, raw, video and audio types.
class TXKovaIni : public TXCustomDRIni {
  KOVA_PERSISTENT(TXKovaIni)

 public:
  static constexpr char kRegKey[] = "Software\\Velmora\\Kova7\\";

  TXKovaIni() : TXCustomDRIni(kRegKey) { SetDefaults(); }

  // Where the user left the wizard's window: its normal geometry on the desktop (a width of 0
  // means never placed) and whether it was maximised.
  int32_t WindowLeft() const { return windowLeft_; }
  void SetWindowLeft(int32_t value) { windowLeft_ = value; }
  int32_t WindowTop() const { return windowTop_; }
  void SetWindowTop(int32_t value) { windowTop_ = value; }
  int32_t WindowWidth() const { return windowWidth_; }
  void SetWindowWidth(int32_t value) { windowWidth_ = value; }
  int32_t WindowHeight() const { return windowHeight_; }
  void SetWindowHeight(int32_t value) { windowHeight_ = value; }
  bool WindowMaximized() const { return windowMaximized_; }
  void SetWindowMaximized(bool value) { windowMaximized_ = value; }

  void SetDefaults() override;

 private:
  int32_t windowLeft_ = 0;
  int32_t windowTop_ = 0;
  int32_t windowWidth_ = 0;
  int32_t windowHeight_ = 0;
  bool windowMaximized_ = false;
};

}  // namespace kova
