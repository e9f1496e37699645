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
