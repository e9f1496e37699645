#include "ui/application_look.h"

#include <QApplication>
#include <QStyleFactory>

#include "imaging/jpeg_thumbnail.h"
#include "imaging/skin_interface.h"
#include "ui/qt_pictures.h"
#include "ui/screen_dpi.h"

namespace kova {

namespace {

constexpr QRgb kInk900 = 0x1B2430;
constexpr QRgb kInk400 = 0x6B7C8F;
constexpr QRgb kInk100 = 0xD5DBE3;
constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kPaper = 0xFBF8F3;
constexpr QRgb kWindow = 0xF3EFE9;
constexpr QRgb kButton = 0xECE6DD;
constexpr QRgb kSand = 0xE4DACB;
constexpr QRgb kFrame = 0xC9C0B3;
constexpr QRgb kStone = 0xB9AF9F;
constexpr QRgb kOrange500 = 0xEE7A1E;
constexpr QRgb kOrange700 = 0xC2560C;
constexpr QRgb kOrange800 = 0xA94B0A;

}  // namespace

QPalette KovaPalette() {
  QPalette palette;
  auto set = [&](QPalette::ColorRole role, QRgb colour) { palette.setColor(role, QColor(colour)); };
  set(QPalette::Window, kWindow);
  set(QPalette::WindowText, kInk900);
  set(QPalette::Base, kWhite);
  set(QPalette::AlternateBase, kPaper);
  set(QPalette::ToolTipBase, kPaper);
  set(QPalette::ToolTipText, kInk900);
  set(QPalette::PlaceholderText, kInk400);
  set(QPalette::Text, kInk900);
  set(QPalette::Button, kButton);
  set(QPalette::ButtonText, kInk900);
  set(QPalette::BrightText, kWhite);
  set(QPalette::Light, kWhite);
  set(QPalette::Midlight, kPaper);
  set(QPalette::Mid, kFrame);
  set(QPalette::Dark, kStone);
  set(QPalette::Shadow, kInk400);
  set(QPalette::Highlight, kOrange500);
  set(QPalette::HighlightedText, kWhite);
  set(QPalette::Link, kOrange700);
  set(QPalette::LinkVisited, kOrange800);
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    palette.setColor(QPalette::Disabled, role, QColor(kStone));
  palette.setColor(QPalette::Disabled, QPalette::Base, QColor(kWindow));
  palette.setColor(QPalette::Disabled, QPalette::Button, QColor(kSand));
  palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(kInk100));
  return palette;
}

QFont KovaFont() {
  QFont font(QStringLiteral("DejaVu Sans Condensed"));
  font.setPointSizeF(8.25);
  return font;
}

QColor KovaFrameColour() {
  return QColor(kFrame);
}

void ApplyApplicationLook(QApplication& application, IXDRSkin& skin) {
  application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  application.setPalette(KovaPalette());
  application.setFont(KovaFont());
  if (TXImageCollection* icons = skin.Images(skin::kDesktopIcons))
    application.setWindowIcon(ToQIcon(*icons));
  SetThumbnailDensity(PixelScale());
}

}  // namespace kova
