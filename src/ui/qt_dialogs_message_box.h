#pragma once

#include <QMessageBox>
#include <map>

#include "imaging/skin_interface.h"
#include "output/dr_dialogs.h"

namespace kova {

// The wizard's message box for one request: the skin's icon, the text, the buttons with the
// captions of the current language in the order the request names them, and the confirmation
// check box when the request has one. Escape and the title bar's close button give the answer
// that changes nothing (HarmlessButton), which is also the default button.
class TXMessageBoxForm : public QMessageBox {
  Q_OBJECT

 public:
  TXMessageBoxForm(const TXMessageRequest& request, IXDRSkin* skin, QWidget* parent = nullptr);

  // The button the user pressed (the harmless one when the box was closed) and the check box.
  TXMessageAnswer Answer() const;
  QAbstractButton* ButtonFor(TXMessageButton button) const;

 private:
  void AddButton(TXMessageButton button, uint32_t textId);

  std::map<QAbstractButton*, TXMessageButton> buttons_;
  TXMessageButton harmless_;
};

// Shows the box modally and answers what the user chose.
TXMessageAnswer ShowMessageBox(const TXMessageRequest& request, IXDRSkin* skin,
                               QWidget* parent = nullptr);

}  // namespace kova
