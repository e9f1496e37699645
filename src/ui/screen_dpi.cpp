#include "ui/screen_dpi.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <cstdlib>

namespace kova {

namespace {

int overrideDpi = 0;

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

TXScreenDpiOverride::TXScreenDpiOverride(int dpi) : previous_(overrideDpi) {
  overrideDpi = dpi;
}

TXScreenDpiOverride::~TXScreenDpiOverride() {
  overrideDpi = previous_;
}

}  // namespace kova
