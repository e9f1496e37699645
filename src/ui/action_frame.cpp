#include "ui/action_frame.h"

#include "imaging/skin_interface.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "recovery/recovery_aspects.h"
#include "ui/lg_text.h"
#include "ui/page_widgets.h"
#include "ui/screen_dpi.h"

namespace kova {

namespace {}  // namespace

TXDRActionFrm::TXDRActionFrm(IXDRSkin& skin, QWidget* parent, TXCustomEngine* engine)
    : TXCustomDRFrame(parent, engine), skin_(skin), groupBox_(MakeGroupBox(this)) {
  setObjectName(QStringLiteral("DRActionFrm"));
  for (size_t i = 0; i < buttons_.size(); ++i) {
    buttons_[i] = new QRadioButton(groupBox_);
    UseNormalFont(*buttons_[i]);
    explanations_[i] = MakeWrappedLabel(groupBox_);
    infoImages_[i] = MakeIconImage(groupBox_, ScaledX(32));
    connect(buttons_[i], &QRadioButton::clicked, this, [this] { SendSelectedAction(); });
  }
  createNote_ = MakeWrappedLabel(groupBox_);
  createNote_->setForegroundRole(QPalette::PlaceholderText);
  buttons_[0]->setChecked(true);
}

uint8_t TXDRActionFrm::SelectedAction() const {
  if (buttons_[1]->isChecked()) return saCreateImageFile;
  if (buttons_[2]->isChecked()) return saParseImageFile;
  return saRestoreFromCard;
}

void TXDRActionFrm::SendSelectedAction() {
  auto notification = MakeNotification<TXDRSelectedActionAspect>(SelectedAction());
  SendAction(*notification);
}

void TXDRActionFrm::SubmitPageData(AXNotification&) {
  SendSelectedAction();
}

void TXDRActionFrm::Shown() {
  QFont bold = explanations_[0]->font();
  bold.setBold(true);
  explanations_[0]->setFont(bold);
  for (TXImage* info : infoImages_) {
    info->SetIconSize(ScaledX(32));
    PickSkinPicture(*info, skin_, skin::kInfoImages);
  }
  Resized();
}

void TXDRActionFrm::Resized() {
  groupBox_->setGeometry(contentsRect());
  const int inner = groupBox_->width();
  const int textLeft = ScaledX(64), textWidth = inner - textLeft - ScaledX(16);
  int top = ScaledY(26);
  for (size_t i = 0; i < buttons_.size(); ++i) {
    QRadioButton& button = *buttons_[i];
    button.setGeometry(ScaledX(14), top, inner - ScaledX(28), button.sizeHint().height());
    top += button.height() + ScaledY(2);
    if (i == 1) {
      createNote_->setGeometry(ScaledX(34), top, textWidth, createNote_->heightForWidth(textWidth));
      top += createNote_->height() + ScaledY(2);
    }
    infoImages_[i]->move(ScaledX(24), top + ScaledY(2));
    QLabel& text = *explanations_[i];
    const int height = std::max(text.heightForWidth(textWidth), ScaledY(34));
    text.setGeometry(textLeft, top, textWidth, height);
    top += height + ScaledY(12);
  }
}

void TXDRActionFrm::ApplyLanguage() {
  groupBox_->setTitle(LgText(lg::kSelectAction));
  buttons_[0]->setText(LgText(lg::kRecoverCardAction));
  buttons_[1]->setText(LgText(lg::kCreateImageAction));
  buttons_[2]->setText(LgText(lg::kParseImageAction));
  SetLabelText(*explanations_[0], LgText(lg::kRecoverCardHint));
  SetLabelText(*explanations_[1], LgText(lg::kCreateImageHint));
  SetLabelText(*explanations_[2], LgText(lg::kParseImageHint));
  SetLabelText(*createNote_, LgText(lg::kCreateImageNote));
  Resized();
}

}  // namespace kova
