#pragma once

#include <QSize>
#include <memory>

#include "ui/kova_main_window.h"

namespace kova {

class TXCustomEngine;
class IXDRSkin;

// Builds the main window for the recovery engine: the window's observable is contained in the
// engine (so what the window dispatches travels with the engine's messages), its header gets the
// skin's artwork and its command bar the content composed under "Main". The dialog owns the
// window.
class TXKovaDialog {
 public:
  TXKovaDialog(TXCustomEngine& engine, IXDRSkin& skin);
  ~TXKovaDialog();
  TXKovaDialog(const TXKovaDialog&) = delete;
  TXKovaDialog& operator=(const TXKovaDialog&) = delete;

  TXKovaFrm& Window() const { return *window_; }
  TXCustomEngine& Engine() const { return engine_; }

  void Show();
  void Close();

 private:
  TXCustomEngine& engine_;
  std::unique_ptr<TXKovaFrm> window_;
};

}  // namespace kova
