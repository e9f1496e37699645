#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "imaging/skin_interface.h"
#include "output/cluster_error_dialog.h"
#include "ui/custom_dialog.h"

namespace kova {

struct TXClusterErrorOptions {
  IXDRSkin* Skin = nullptr;  // for the error icon
};

// The question asked when a unit of the card cannot be read while it is copied: the error icon,
// which unit failed and how large a unit is, the four answers (ignore all errors, skip this
// unit, skip a typed number of units, finish reading) and OK. The answer is the checked choice
// however the form is closed; the count takes digits only and counts as 1 when empty or 0.
class TXDRClusterErrorFrm : public TXCustomForm,
                            public IXReceiveOptions<TXClusterErrorOptions>,
                            public IXReceiveData<TXDRClusterErrorDialog>,
                            public IXGiveData<TXDRClusterErrorDialog> {
  Q_OBJECT

 public:
  explicit TXDRClusterErrorFrm(QWidget* parent = nullptr);

  void ReceiveOptions(const TXClusterErrorOptions& options) override;
  // Fills the labels and the count, and checks the choice the data holds (ignore-all for
  // anything but the other three).
  void ReceiveData(const TXDRClusterErrorDialog& data) override;
  void GiveData(TXDRClusterErrorDialog& data) override;
  void ApplyLanguage() override;

  // The choice the checked button stands for.
  uint8_t CheckedChoice() const;

  QLabel& ErrorIcon() const { return *errorIcon_; }
  QLabel& UnitLabel() const { return *unitLabel_; }
  QLabel& UnitSizeLabel() const { return *unitSizeLabel_; }
  QGroupBox& QuestionBox() const { return *questionBox_; }
  QRadioButton& IgnoreAllBtn() const { return *ignoreAllBtn_; }
  QRadioButton& SkipThisBtn() const { return *skipThisBtn_; }
  QRadioButton& SkipSeveralBtn() const { return *skipSeveralBtn_; }
  QLineEdit& SkipEdit() const { return *skipEdit_; }
  QLabel& SkipSuffix() const { return *skipSuffix_; }
  QRadioButton& FinishBtn() const { return *finishBtn_; }
  QPushButton& OkBtn() const { return *okBtn_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildLayout();
  QRadioButton* ButtonFor(uint8_t choice) const;

  TXDRClusterErrorDialog data_;
  QLabel* errorIcon_;
  QLabel* unitLabel_;
  QLabel* unitSizeLabel_;
  QGroupBox* questionBox_;
  QRadioButton* ignoreAllBtn_;
  QRadioButton* skipThisBtn_;
  QRadioButton* skipSeveralBtn_;
  QLineEdit* skipEdit_;
  QLabel* skipSuffix_;
  QRadioButton* finishBtn_;
  QPushButton* okBtn_;
};

class TXDRClusterErrorQtDialog
    : public TXDialog<TXDRClusterErrorFrm, TXClusterErrorOptions, TXDRClusterErrorDialog> {
 public:
  using TXDialog::TXDialog;
};

}  // namespace kova
