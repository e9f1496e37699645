#include "ui/wiz_top_panel.h"

#include <QFontMetrics>
#include <QResizeEvent>

#include "imaging/filter_kernels.h"
#include "imaging/image_drawing.h"
#include "ui/screen_dpi.h"

namespace kova {

namespace {

constexpr int kHeaderHeight = 60;
constexpr int kCaptionLeft = 12;
constexpr int kCaptionTop = 16;
constexpr int kProgressLeft = 220;
constexpr int kProgressTop = 21;
constexpr int kProgressHeight = 17;
constexpr int kRightMargin = 8;
// Room kept between a long caption and the progress bar, and the narrowest bar worth showing.
constexpr int kCaptionGap = 16;
constexpr int kNarrowestProgress = 120;
constexpr int kWidestProgressWanted = 200;
constexpr int kCaptionPixels = 21;

}  // namespace

TXHeaderLayout HeaderLayout(int panelWidth, int topWidth, int tileWidth) {
  TXHeaderLayout layout;
  int right = panelWidth;
  if (topWidth > 0) {
    layout.TopLeft = panelWidth - topWidth;
    right = layout.TopLeft;
  }
  if (tileWidth > 0) {
    do {
      right -= tileWidth;
      layout.TileLefts.push_back(right);
    } while (right > 0);
  }
  return layout;
}

void ComposeHeader(TXBitmap32& bitmap, const TXImageObject* tile, int tileWidth,
                   const TXImageObject* top, int topWidth, TXColor panelColour) {
  TXCanvas& canvas = bitmap.Canvas();
  TXCanvasLock hold(canvas);
  const int height = bitmap.Height();
  if (!tile) canvas.FillRect(TXRect::FromSize(0, 0, bitmap.Width(), height), panelColour);
  const TXHeaderLayout layout =
      HeaderLayout(bitmap.Width(), top ? topWidth : 0, tile ? tileWidth : 0);
  const TXFilterKernel* kernel = &DefaultLanczosKernel();
  if (top)
    StretchImageObject(canvas, TXRect::FromSize(layout.TopLeft, 0, topWidth, height), top, kernel);
  for (int left : layout.TileLefts)
    StretchImageObject(canvas, TXRect::FromSize(left, 0, tileWidth, height), tile, kernel);
}

TXWizTopPanel::TXWizTopPanel(QWidget* parent)
    : QWidget(parent),
      subImage_(new TXImage(this)),
      subLabel_(new TXShadowLabel(this)),
      subProgress_(new QProgressBar(this)) {
  setFixedHeight(ScaledY(kHeaderHeight));
  subImage_->SetPosition(TXImagePosition::ipDefault);
  QFont font(QStringLiteral("Verdana"));
  font.setPixelSize(ScaledY(kCaptionPixels));
  font.setBold(true);
  subLabel_->setFont(font);
  subLabel_->SetColours(Qt::white, Qt::black);
  subProgress_->setRange(0, 1000);
  subProgress_->setTextVisible(false);
  subProgress_->hide();
}

void TXWizTopPanel::SetPageCaption(const QString& caption) {
  subLabel_->SetText(caption);
  LayOut();
}

void TXWizTopPanel::SetShowProgress(bool show) {
  showProgress_ = show;
  subProgress_->setVisible(show);
  LayOut();
}

void TXWizTopPanel::SetProgress(int position) {
  subProgress_->setValue(std::clamp(position, 0, 1000));
}

void TXWizTopPanel::SetPictures(TXImageObject* tile, TXImageObject* top, int32_t scale) {
  tile_ = tile;
  top_ = top;
  scale_ = std::max(scale, 1);
  subImage_->SetPictureScale(scale_);
  Compose();
}

void TXWizTopPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Compose();
  LayOut();
}

void TXWizTopPanel::Compose() {
  subImage_->setGeometry(rect());
  if ((!tile_ && !top_) || width() <= 0 || height() <= 0) {
    artwork_.Clear();
    subImage_->SetPicture(nullptr);
    return;
  }
  TXBitmap32 bitmap(width() * scale_, height() * scale_);
  const QColor panel = palette().color(QPalette::Window);
  const auto widthOf = [this](const TXImageObject* picture) {
    return picture ? ScaledY(picture->Width() / scale_) * scale_ : 0;
  };
  ComposeHeader(bitmap, tile_, widthOf(tile_), top_, widthOf(top_),
                MakeColor(static_cast<uint8_t>(panel.red()), static_cast<uint8_t>(panel.green()),
                          static_cast<uint8_t>(panel.blue())));
  artwork_.LoadFrom(bitmap);
  subImage_->SetPicture(&artwork_);
}

void TXWizTopPanel::LayOut() {
  const int left = ScaledX(kCaptionLeft);
  const int right = width() - ScaledX(kRightMargin);
  int captionRight = right;
  FitCaptionFont(right - left);
  if (showProgress_) {
    // The bar starts after the caption, so that a long caption is never drawn over.
    const int wanted =
        std::max(ScaledX(kProgressLeft), left + subLabel_->TextWidth() + ScaledX(kCaptionGap));
    const int barLeft = std::min(wanted, right - ScaledX(kNarrowestProgress));
    subProgress_->setGeometry(barLeft, ScaledY(kProgressTop), std::max(right - barLeft, 0),
                              ScaledY(kProgressHeight));
    captionRight = barLeft - ScaledX(kCaptionGap);
  }
  // A smaller caption stays centred on the line of a full-size one.
  QFont full = subLabel_->font();
  full.setPixelSize(ScaledY(kCaptionPixels));
  const int height = subLabel_->sizeHint().height();
  const int top = ScaledY(kCaptionTop) + (QFontMetrics(full).height() + 1 - height) / 2;
  subLabel_->setGeometry(left, top, std::max(captionRight - left, 0), height);
}

void TXWizTopPanel::FitCaptionFont(int room) {
  // Beside a progress bar a long caption gets smaller (down to two thirds) before it is cut.
  if (showProgress_) room -= ScaledX(kCaptionGap) + ScaledX(kWidestProgressWanted);
  QFont font = subLabel_->font();
  int size = ScaledY(kCaptionPixels);
  for (font.setPixelSize(size); size > ScaledY(kCaptionPixels) * 2 / 3; font.setPixelSize(--size)) {
    if (QFontMetrics(font).horizontalAdvance(subLabel_->Text()) <= room) break;
  }
  subLabel_->setFont(font);
}

}  // namespace kova
