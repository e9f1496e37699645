#include "ui/screen_dpi.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kova {

namespace {

int overrideDpi = 0;
int overrideScale = 0;
constexpr int kLargestPixelScale = 4;

int ScreenDpi(bool horizontal) {
  if (overrideDpi > 0) return overrideDpi;
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return 96;
  const double dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
  return dpi > 0 ? static_cast<int>(std::lround(dpi)) : 96;
}

}  // namespace

int ScreenDpiX() {
  return ScreenDpi(true);
}

int ScreenDpiY() {
  return ScreenDpi(false);
}

bool IsHighDpi() {
  return ScreenDpiY() > 96;
}

int MulDiv96(int value, int dpi) {
  const long long product = static_cast<long long>(value) * dpi;
  const long long rounded = (std::llabs(product) + 48) / 96;
  return static_cast<int>(product < 0 ? -rounded : rounded);
}

int ScaledX(int value) {
  return MulDiv96(value, ScreenDpiX());
}

int ScaledY(int value) {
  return MulDiv96(value, ScreenDpiY());
}

int PixelScale() {
  if (overrideScale > 0) return overrideScale;
  QScreen* screen = QGuiApplication::primaryScreen();
  const double ratio = screen ? screen->devicePixelRatio() : 1.0;
  return std::clamp(static_cast<int>(std::ceil(ratio - 0.01)), 1, kLargestPixelScale);
}

TXPixelScaleOverride::TXPixelScaleOverride(int scale) : previous_(overrideScale) {
  overrideScale = scale;
}

TXPixelScaleOverride::~TXPixelScaleOverride() {
  overrideScale = previous_;
}

TXScreenDpiOverride::TXScreenDpiOverride(int dpi) : previous_(overrideDpi) {
  overrideDpi = dpi;
}

TXScreenDpiOverride::~TXScreenDpiOverride() {
  overrideDpi = previous_;
}

}  // namespace kova
