#include "ui/welcome_frame.h"

#include "imaging/skin_interface.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "ui/lg_text.h"
#include "ui/page_widgets.h"
#include "ui/screen_dpi.h"

namespace kova {

TXDRWelcomeFrm::TXDRWelcomeFrm(IXDRSkin& skin, QWidget* parent, TXCustomEngine* engine)
    : TXCustomDRFrame(parent, engine),
      skin_(skin),
      aboutGroupBox_(MakeGroupBox(this)),
      aboutImage_(MakeIconImage(aboutGroupBox_, ScaledX(32))),
      aboutLabel_(MakeWrappedLabel(aboutGroupBox_)),
      startImage_(MakeIconImage(this, 0)) {
  setObjectName(QStringLiteral("DRWelcomeFrm"));
  aboutImage_->move(ScaledX(16), ScaledY(30));
  startImage_->resize(ScaledX(400), ScaledY(200));
}

void TXDRWelcomeFrm::Initialize() {
  ShowSkinPicture(*startImage_, skin_, skin::kImages, "start");
  ShowSkinPicture(*aboutImage_, skin_, skin::kImages, "smiley");
}

void TXDRWelcomeFrm::Resized() {
  const QMargins padding = contentsMargins();
  const int width = this->width() - padding.left() - padding.right();
  aboutGroupBox_->setGeometry(padding.left(), padding.top(), width, ScaledY(88));
  const int labelLeft = ScaledX(64), labelTop = ScaledY(26);
  aboutLabel_->setGeometry(labelLeft, labelTop, width - labelLeft - ScaledX(12),
                           aboutGroupBox_->height() - labelTop - ScaledY(4));
  // The artwork keeps its place below the box and stays centred when the page grows.
  startImage_->move((this->width() - startImage_->width()) / 2, ScaledY(127));
}

void TXDRWelcomeFrm::ApplyLanguage() {
  aboutGroupBox_->setTitle(LgText(lg::kAboutTheProgram));
  SetLabelText(*aboutLabel_, LgText(lg::kAboutText));
}

}  // namespace kova
