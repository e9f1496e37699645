#include "ui/picture_control.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include "imaging/filter_kernels.h"
#include "imaging/icon_image.h"
#include "imaging/image_aspects.h"
#include "imaging/image_drawing.h"
#include "ui/qt_pictures.h"

namespace kova {

namespace {

TXColor ToColor(const QColor& colour) {
  return MakeColor(static_cast<uint8_t>(colour.red()), static_cast<uint8_t>(colour.green()),
                   static_cast<uint8_t>(colour.blue()));
}

bool CoversWhatItIsDrawnOn(const TXImageObject* picture) {
  return picture && !picture->IsEmpty() && picture->DataClass() != "TIcon" &&
         picture->DataClass() != "TPngImage";
}

// The size of the icon entry that best matches size x size.
std::optional<TXSize> IconEntrySize(const TXImageObject& picture, int32_t size) {
  std::unique_ptr<TXGraphic> graphic;
  try {
    graphic = picture.Decode();
  } catch (const std::exception&) {
    return std::nullopt;
  }
  auto* icon = dynamic_cast<TXIcon*>(graphic.get());
  if (!icon) return std::nullopt;
  const int32_t index = ChooseIconEntry(icon->Entries(), {size, size});
  if (index < 0) return std::nullopt;
  const TXIconEntry& entry = icon->Entries()[static_cast<size_t>(index)];
  return TXSize{entry.Width, entry.Height};
}

}  // namespace

TXImage::TXImage(QWidget* parent) : QWidget(parent), bgColor_(palette().color(QPalette::Button)) {}

TXImage::~TXImage() = default;

void TXImage::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  AdjustToPicture();
}

void TXImage::SetPosition(TXImagePosition position) {
  position_ = position;
  Changed();
}

void TXImage::SetResample(bool resample) {
  resample_ = resample;
  Changed();
}

void TXImage::SetBevelStyle(TXBevelCut style) {
  bevelStyle_ = style;
  AdjustToPicture();
  Changed();
}

void TXImage::SetImageBevelStyle(TXBevelCut style) {
  imageBevelStyle_ = style;
  AdjustToPicture();
  Changed();
}

void TXImage::SetBgColor(const QColor& colour) {
  bgColor_ = colour;
  Changed();
}

void TXImage::SetIconSize(int32_t size) {
  if (size == iconSize_) return;
  iconSize_ = size;
  AdjustToPicture();
}

void TXImage::SetPictureScale(int32_t scale) {
  pictureScale_ = std::max(scale, 1);
  AdjustToPicture();
  Changed();
}

QSize TXImage::PictureSize() const {
  if (!picture_) return {};
  return QSize(picture_->Width() / pictureScale_, picture_->Height() / pictureScale_);
}

void TXImage::SetPicture(TXImageObject* picture) {
  StorePicture(picture);
  setAttribute(Qt::WA_OpaquePaintEvent, CoversWhatItIsDrawnOn(picture_));
  AdjustToPicture();
  Changed();
}

void TXImage::SetPictureItem(TXImageItem* item) {
  SetPicture(item ? &item->Data() : nullptr);
}

void TXImage::PickPicture(const TXImageCollection& pictures) {
  if (pictures.Count() == 0) return SetPicture(nullptr);
  TXImageObject* candidate = &pictures.At(0)->Data();
  if (iconSize_ > 0) {
    for (int32_t i = 1; i < pictures.Count(); ++i) {
      TXImageObject& item = pictures.At(i)->Data();
      const int32_t candidateWidth = candidate->Width() / pictureScale_;
      if (iconSize_ < candidateWidth && item.Width() / pictureScale_ >= iconSize_)
        candidate = &item;
    }
  }
  SetPicture(candidate);
}

void TXImage::Attach(TXObservable& observable, const TXAspectClass& aspectClass) {
  if (&aspectClass != &AspectClassOf<TXImageObjectChangedAspect>()) return;
  attachments_.Add(observable, aspectClass, TXHandler(this, &TXImage::PictureChanged));
}

void TXImage::Detach(TXObservable& observable, const TXAspectClass& aspectClass) {
  if (&aspectClass != &AspectClassOf<TXImageObjectChangedAspect>()) return;
  attachments_.Remove(observable, aspectClass);
}

void TXImage::PictureChanged(AXNotification& notification) {
  if (auto* changed = notification.AspectAs<TXImageObjectChangedAspect>())
    SetPicture(changed->Data);
}

void TXImage::Changed() {
  painted_ = QImage();
  update();
}

void TXImage::AdjustToPicture() {
  if (!autoSize_ || !picture_ || picture_->IsEmpty()) return;
  const int32_t extra = (bevelStyle_ != TXBevelCut::bvNone ? 2 : 0) +
                        (imageBevelStyle_ != TXBevelCut::bvNone ? 2 : 0);
  if (iconSize_ > 0 && picture_->DataClass() == "TIcon") {
    if (std::optional<TXSize> entry = IconEntrySize(*picture_, iconSize_)) {
      picture_->SetWidth(entry->Width);
      picture_->SetHeight(entry->Height);
    }
  }
  resize(PictureSize() + QSize(extra, extra));
}

TXColor TXImage::ShadowColour() const {
  return ToColor(palette().color(QPalette::Dark));
}

TXColor TXImage::HighlightColour() const {
  return ToColor(palette().color(QPalette::Light));
}

void TXImage::PaintBevel(TXCanvas& canvas, const TXRect& rect) const {
  const TXColor shadow = ShadowColour(), highlight = HighlightColour();
  switch (bevelStyle_) {
    case TXBevelCut::bvNone:
      break;
    case TXBevelCut::bvLowered:
      canvas.FrameRect(rect, shadow, highlight);
      break;
    case TXBevelCut::bvRaised:
      canvas.FrameRect(rect, highlight, shadow);
      break;
    case TXBevelCut::bvSpace:
      canvas.FrameRect(rect, shadow, shadow);
      break;
  }
}

void TXImage::PaintPicture(TXCanvas& canvas, const TXRect& rect, double ratio) const {
  const TXFilterKernel* kernel = resample_ ? &DefaultLanczosKernel() : nullptr;
  switch (position_) {
    case TXImagePosition::ipDefault: {
      // Unscaled means at the picture's size in the control's pixels, which the screen may show
      // with more pixels than the picture has.
      const QSize size = PictureSize() * ratio;
      if (size.width() == picture_->Width() && size.height() == picture_->Height()) {
        DrawImageObject(canvas, rect.Left, rect.Top, picture_);
      } else {
        StretchImageObject(canvas,
                           TXRect::FromSize(rect.Left, rect.Top, size.width(), size.height()),
                           picture_, &DefaultLanczosKernel());
      }
      break;
    }
    case TXImagePosition::ipBestFit: {
      const TXColor shadow = ShadowColour(), highlight = HighlightColour();
      switch (imageBevelStyle_) {
        case TXBevelCut::bvNone:
          FitImageObject(canvas, rect, picture_, kernel);
          break;
        case TXBevelCut::bvLowered:
          FramedThumbnail(canvas, rect, picture_, kernel, shadow, highlight);
          break;
        case TXBevelCut::bvRaised:
          FramedThumbnail(canvas, rect, picture_, kernel, highlight, shadow);
          break;
        case TXBevelCut::bvSpace:
          FramedThumbnail(canvas, rect, picture_, kernel, shadow, shadow);
          break;
      }
      break;
    }
    case TXImagePosition::ipCenter:
      FillImageObject(canvas, rect, picture_, kernel);
      break;
    default:
      StretchImageObject(canvas, rect, picture_, kernel);
      break;
  }
}

void TXImage::Paint(TXBitmap32& bitmap, double ratio) const {
  TXCanvas& canvas = bitmap.Canvas();
  TXCanvasLock hold(canvas);
  canvas.SetBrushColor(ToColor(bgColor_));
  const TXRect client = TXRect::FromSize(0, 0, bitmap.Width(), bitmap.Height());
  // Without erasing, nothing of what was there before may show through.
  if (!ErasesBackground()) canvas.FillRect(client);
  PaintBevel(canvas, client);
  if (!picture_) return;
  PaintPicture(canvas, bevelStyle_ != TXBevelCut::bvNone ? client.Inflated(-1, -1) : client, ratio);
}

QImage TXImage::Render() {
  if (painted_.isNull() && width() > 0 && height() > 0) {
    const double ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    TXBitmap32 bitmap(pixels.width(), pixels.height());
    Paint(bitmap, ratio);
    painted_ = ToQImage(bitmap);
    painted_.setDevicePixelRatio(ratio);
  }
  return painted_;
}

void TXImage::paintEvent(QPaintEvent*) {
  const QImage image = Render();
  if (image.isNull()) return;
  QPainter painter(this);
  painter.drawImage(0, 0, image);
}

void TXImage::resizeEvent(QResizeEvent* event) {
  painted_ = QImage();
  QWidget::resizeEvent(event);
}

void TXImage::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  QWidget::mousePressEvent(event);
}

void TXImage::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  if (click) emit Clicked();
  QWidget::mouseReleaseEvent(event);
}

void TXImage::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange) Changed();
  QWidget::changeEvent(event);
}

TXContainedImage::TXContainedImage(QWidget* parent) : TXImage(parent) {}

void TXContainedImage::StorePicture(TXImageObject* picture) {
  if (picture) {
    own_.Assign(*picture);
  } else {
    own_.Clear();
  }
  SetStoredPicture(picture ? &own_ : nullptr);
}

}  // namespace kova
