#include "ui/qt_dialogs_message_box.h"

#include <QCheckBox>
#include <QPushButton>

#include "framework/text_utils.h"
#include "kova_version.h"
#include "persistence/lg_keys.h"
#include "ui/lg_text.h"
#include "ui/qt_dialogs_icons.h"
#include "ui/screen_dpi.h"

namespace kova {

namespace {

constexpr int kIconSize = 32;
constexpr int kHighDpiIconSize = 48;

}  // namespace

TXMessageBoxForm::TXMessageBoxForm(const TXMessageRequest& request, IXDRSkin* skin, QWidget* parent)
    : QMessageBox(parent), harmless_(HarmlessButton(request.Buttons)) {
  setObjectName(QStringLiteral("MessageBoxForm"));
  setWindowTitle(QString::fromLatin1(build::kProductName));
  setText(QString::fromStdString(ReplaceAll(request.Text, "\r\n", "\n")));
  setTextFormat(Qt::PlainText);
  const int iconSize = IsHighDpi() ? kHighDpiIconSize : kIconSize;
  const QPixmap icon = MessageIconPixmap(skin, request.Icon, iconSize);
  if (!icon.isNull()) setIconPixmap(icon);
  switch (request.Buttons) {
    case TXMessageButtons::StopContinue:
      AddButton(TXMessageButton::Stop, lg::kStopCaption);
      AddButton(TXMessageButton::Continue, lg::kContinueCaption);
      break;
    case TXMessageButtons::BackExit:
      AddButton(TXMessageButton::Back, lg::kPreviousCaption);
      AddButton(TXMessageButton::Exit, lg::kExitCaption);
      break;
    default:
      AddButton(TXMessageButton::Ok, lg::kOK);
  }
  if (!request.CheckText.empty())
    setCheckBox(new QCheckBox(QString::fromStdString(request.CheckText), this));
  QAbstractButton* harmless = ButtonFor(harmless_);
  setEscapeButton(harmless);
  if (auto* push = qobject_cast<QPushButton*>(harmless)) setDefaultButton(push);
}

void TXMessageBoxForm::AddButton(TXMessageButton button, uint32_t textId) {
  QPushButton* added = addButton(LgText(textId), QMessageBox::ActionRole);
  added->setMinimumWidth(ScaledX(75));
  buttons_[added] = button;
}

QAbstractButton* TXMessageBoxForm::ButtonFor(TXMessageButton button) const {
  for (const auto& [widget, answer] : buttons_)
    if (answer == button) return widget;
  return nullptr;
}

TXMessageAnswer TXMessageBoxForm::Answer() const {
  TXMessageAnswer answer{harmless_, false};
  if (auto it = buttons_.find(clickedButton()); it != buttons_.end()) answer.Button = it->second;
  answer.Checked = checkBox() && checkBox()->isChecked();
  return answer;
}

TXMessageAnswer ShowMessageBox(const TXMessageRequest& request, IXDRSkin* skin, QWidget* parent) {
  TXMessageBoxForm box(request, skin, parent);
  box.exec();
  return box.Answer();
}

}  // namespace kova
