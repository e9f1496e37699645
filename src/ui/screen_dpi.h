#pragma once

namespace kova {

// The screen density the pages are laid out for: sizes are given at 96 dots per inch and scaled
// by the primary screen's logical dots per inch (the density Qt sizes fonts by).
int ScreenDpiX();
int ScreenDpiY();
bool IsHighDpi();

// value * dpi / 96, rounded to the nearest integer (halves away from zero).
int MulDiv96(int value, int dpi);
int ScaledX(int value);
int ScaledY(int value);

// Device pixels per layout pixel of the primary screen, rounded up to a whole number (2 under
// QT_SCALE_FACTOR=2, 2 for 1.5 as well): pictures are drawn with that many pixels per layout
// pixel so that they stay sharp. 1 to 4.
int PixelScale();

// Draws pictures for another pixel scale while it lives (tests).
class TXPixelScaleOverride {
 public:
  explicit TXPixelScaleOverride(int scale);
  ~TXPixelScaleOverride();
  TXPixelScaleOverride(const TXPixelScaleOverride&) = delete;
  TXPixelScaleOverride& operator=(const TXPixelScaleOverride&) = delete;

 private:
  int previous_;
};

// Lays out and draws for another density while it lives (previews of other screens, tests).
class TXScreenDpiOverride {
 public:
  explicit TXScreenDpiOverride(int dpi);
  ~TXScreenDpiOverride();
  TXScreenDpiOverride(const TXScreenDpiOverride&) = delete;
  TXScreenDpiOverride& operator=(const TXScreenDpiOverride&) = delete;

 private:
  int previous_;
};

}  // namespace kova
