#pragma once

#include <QProgressBar>
#include <QWidget>
#include <vector>

#include "imaging/bitmap32.h"
#include "imaging/image_object.h"
#include "ui/picture_control.h"
#include "ui/shadow_label.h"

namespace kova {

// Where the header artwork goes on a panel of the width: the top picture's left edge (when there
// is one) and the left edges of the tiles, drawn from the right leftwards until they pass the
// left edge. Widths of 0 stand for a missing picture.
struct TXHeaderLayout {
  int TopLeft = 0;
  std::vector<int> TileLefts;
};
TXHeaderLayout HeaderLayout(int panelWidth, int topWidth, int tileWidth);

// Composes the header artwork into the bitmap (of the panel's size): the top picture stretched
// into its place at the right, the tiles leftwards of it; with only the top picture the rest is
// the panel colour. Pictures are drawn with the default Lanczos kernel.
void ComposeHeader(TXBitmap32& bitmap, const TXImageObject* tile, int tileWidth,
                   const TXImageObject* top, int topWidth, TXColor panelColour);

// The page header at the top of the main window: the artwork (composed again on every resize),
// the page caption in bold white with a black shadow, and a progress bar from 0 to 1000 that is
// hidden until a page with progress shows it.
class TXWizTopPanel : public QWidget {
 public:
  explicit TXWizTopPanel(QWidget* parent = nullptr);

  QString PageCaption() const { return subLabel_->Text(); }
  void SetPageCaption(const QString& caption);
  bool ShowProgress() const { return showProgress_; }
  void SetShowProgress(bool show);
  int Progress() const { return subProgress_->value(); }
  void SetProgress(int position);

  // The skin's "tile" and "top" pictures (not owned; either may be none).
  // The pictures may be drawn with `scale` pixels per layout pixel; the artwork then is too.
  void SetPictures(TXImageObject* tile, TXImageObject* top, int32_t scale = 1);

  TXImage& SubImage() const { return *subImage_; }
  TXShadowLabel& SubLabel() const { return *subLabel_; }
  QProgressBar& SubProgress() const { return *subProgress_; }
  // The composed artwork the panel shows.
  const TXImageObject& Artwork() const { return artwork_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Compose();
  void LayOut();
  void FitCaptionFont(int room);

  TXImage* subImage_;
  TXShadowLabel* subLabel_;
  QProgressBar* subProgress_;
  TXImageObject* tile_ = nullptr;
  TXImageObject* top_ = nullptr;
  int32_t scale_ = 1;
  TXImageObject artwork_;
  bool showProgress_ = false;
};

}  // namespace kova
