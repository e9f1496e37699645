#include "ui/page_widgets.h"

#include "imaging/skin_interface.h"
#include "ui/screen_dpi.h"

namespace kova {

QGroupBox* MakeGroupBox(QWidget* parent) {
  auto* box = new QGroupBox(parent);
  QFont bold = box->font();
  bold.setBold(true);
  box->setFont(bold);
  return box;
}

void UseNormalFont(QWidget& widget) {
  QFont normal = widget.font();
  normal.setBold(false);
  widget.setFont(normal);
}

QLabel* MakeWrappedLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  UseNormalFont(*label);
  return label;
}

TXImage* MakeIconImage(QWidget* parent, int size) {
  auto* image = new TXImage(parent);
  image->SetPosition(TXImagePosition::ipStretch);
  image->SetResample(true);
  image->resize(size, size);
  return image;
}

void ShowSkinPicture(TXImage& image, IXDRSkin& skin, std::string_view box, std::string_view name) {
  const int scale = PixelScale();
  image.SetPictureScale(scale);
  image.SetPicture(skin.AtScale(scale).Picture(box, name));
}

void PickSkinPicture(TXImage& image, IXDRSkin& skin, std::string_view box) {
  const int scale = PixelScale();
  image.SetPictureScale(scale);
  if (TXImageCollection* pictures = skin.AtScale(scale).Images(box)) image.PickPicture(*pictures);
}

void SetLabelText(QLabel& label, const QString& text) {
  if (label.text() != text) label.setText(text);
}

}  // namespace kova
