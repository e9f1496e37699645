#include "ui/kova_dialog.h"

#include "framework/engine.h"

namespace kova {

TXKovaDialog::TXKovaDialog(TXCustomEngine& engine, IXDRSkin& skin)
    : engine_(engine), window_(std::make_unique<TXKovaFrm>()) {
  window_->Observable().SetContainer(&engine);
  window_->ApplySkin(skin);
}

TXKovaDialog::~TXKovaDialog() {
  window_->Observable().SetContainer(nullptr);
}

void TXKovaDialog::Show() {
  window_->show();
}

void TXKovaDialog::Close() {
  window_->CloseWindow();
}

}  // namespace kova
