#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "framework/observable.h"
#include "imaging/bitmap32.h"
#include "imaging/image_items.h"
#include "ui/subscriptions.h"

namespace kova {

// How a picture control places its picture. Painting tells apart only ipDefault (unscaled at the
// top left), ipBestFit (shrunk to fit, centred) and ipCenter (scaled to cover, centred); every
// other value stretches the picture over the control.
enum class TXImagePosition : uint8_t {
  ipDefault,
  ipCustom,
  ipBestFit,
  ipStretch,
  ipFitWidth,
  ipFitHeight,
  ipCenter,
  ipTile,
  ipColorOnly,
  ipDownScaledBestFit,
  ipDownScaledCenter,
};

// A one-pixel bevel: lowered has its left and top edges in shadow, raised its right and bottom,
// space all four.
enum class TXBevelCut : uint8_t { bvNone, bvLowered, bvRaised, bvSpace };

// Whatever can be handed a picture without its class being known.
class IXPictureReceiver {
 public:
  virtual void SetPicture(TXImageObject* picture) = 0;

 protected:
  ~IXPictureReceiver() = default;
};

// The picture control of every page: it paints an image object with the drawing helpers of the
// picture layer, optionally resampled with the default Lanczos kernel, inside optional bevels,
// at the screen's density (a picture drawn for it shows sharp, any other is scaled).
// It refers to its picture without owning it: the picture must outlive the control or be
// replaced first.
class TXImage : public QWidget, public IXPictureReceiver {
  Q_OBJECT

 public:
  explicit TXImage(QWidget* parent = nullptr);
  ~TXImage() override;

  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize);
  TXImagePosition Position() const { return position_; }
  void SetPosition(TXImagePosition position);
  bool Resample() const { return resample_; }
  void SetResample(bool resample);
  TXBevelCut BevelStyle() const { return bevelStyle_; }
  void SetBevelStyle(TXBevelCut style);
  TXBevelCut ImageBevelStyle() const { return imageBevelStyle_; }
  void SetImageBevelStyle(TXBevelCut style);
  // The colour behind fitted pictures; the button colour at creation.
  QColor BgColor() const { return bgColor_; }
  void SetBgColor(const QColor& colour);
  // The wanted picture size when a size must be chosen; 0 at creation.
  int32_t IconSize() const { return iconSize_; }
  void SetIconSize(int32_t size);
  // How many of the picture's pixels make one pixel of the control: 2 for a picture drawn for a
  // screen with two device pixels per layout pixel. 1 at creation.
  int32_t PictureScale() const { return pictureScale_; }
  void SetPictureScale(int32_t scale);

  TXImageObject* Picture() const { return picture_; }
  // Shows the picture (none clears), sizes the control when AutoSize is on and repaints.
  void SetPicture(TXImageObject* picture) override;
  void SetPictureItem(TXImageItem* item);
  // Chooses from a collection of one picture in several sizes, largest first: the first one, or
  // with an IconSize the smallest one that is still at least that large. An empty collection
  // clears the picture.
  void PickPicture(const TXImageCollection& pictures);

  // Shows the picture of every TXImageObjectChangedAspect dispatched on the observable while
  // attached. Any other aspect class is ignored.
  void Attach(TXObservable& observable, const TXAspectClass& aspectClass);
  void Detach(TXObservable& observable, const TXAspectClass& aspectClass);

  // Whether Qt paints the parent's background below the control before it paints: not for a
  // picture other than an icon or a PNG, which covers what it is drawn on.
  bool ErasesBackground() const { return !testAttribute(Qt::WA_OpaquePaintEvent); }

  // The control's pixels as it paints them: as many as the screen has device pixels for it.
  QImage Render();

 signals:
  void Clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;
  // Stores the picture to show; the contained control copies it.
  virtual void StorePicture(TXImageObject* picture) { picture_ = picture; }
  void SetStoredPicture(TXImageObject* picture) { picture_ = picture; }

 private:
  void PictureChanged(AXNotification& notification);
  void Changed();
  void AdjustToPicture();
  void Paint(TXBitmap32& bitmap, double ratio) const;
  void PaintBevel(TXCanvas& canvas, const TXRect& rect) const;
  void PaintPicture(TXCanvas& canvas, const TXRect& rect, double ratio) const;
  // The picture's size in the control's pixels.
  QSize PictureSize() const;
  TXColor ShadowColour() const;
  TXColor HighlightColour() const;

  bool autoSize_ = false;
  TXImagePosition position_ = TXImagePosition::ipStretch;
  bool resample_ = false;
  TXBevelCut bevelStyle_ = TXBevelCut::bvNone;
  TXBevelCut imageBevelStyle_ = TXBevelCut::bvNone;
  QColor bgColor_;
  int32_t iconSize_ = 0;
  int32_t pictureScale_ = 1;
  TXImageObject* picture_ = nullptr;
  TXSubscriptions attachments_;
  QImage painted_;
  bool pressed_ = false;
};

// A picture control that holds its own copy of the picture, freed with it.
class TXContainedImage : public TXImage {
  Q_OBJECT

 public:
  explicit TXContainedImage(QWidget* parent = nullptr);

 protected:
  // Copies the picture into the control's own; none empties it.
  void StorePicture(TXImageObject* picture) override;

 private:
  TXImageObject own_;
};

}  // namespace kova
