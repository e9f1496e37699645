#pragma once

#include <QGroupBox>
#include <QPushButton>
#include <memory>

#include "imaging/skin_interface.h"
#include "ui/composer.h"
#include "ui/custom_dialog.h"
#include "ui/picture_control.h"

namespace kova {

// Gives the About box its program icon; the base gives none.
class TXCustomAboutProductOptions {
 public:
  virtual ~TXCustomAboutProductOptions() = default;
  virtual TXImageObject* ProgramIcon() const { return nullptr; }
};

// The program icon from the skin's application pictures: above 96 dots per inch the one named
// "Application48" (the first when there is none of that name), otherwise the first.
class TXAboutProductOptions : public TXCustomAboutProductOptions {
 public:
  void SetSkin(IXDRSkin* skin) { skin_ = skin; }
  TXImageObject* ProgramIcon() const override;

 private:
  IXDRSkin* skin_ = nullptr;
};

struct TXAboutDialogOptions {
  TXAboutProductOptions Product;
  bool ShowUpdates = false;
  // Lays out the product text in the About box's composer.
  TXComposeProcedure Compose;
};

// The product panel at the top of the About box: a group box with the program icon and the
// composed product text beside it.
class TXAboutProductFrm : public QWidget {
 public:
  explicit TXAboutProductFrm(QWidget* parent = nullptr);

  QGroupBox& GroupBox() const { return *groupBox_; }
  TXContainedImage& ProgramIcon() const { return *programIcon_; }
  TXComposer& ProductComposer() const { return *composer_; }

 private:
  QGroupBox* groupBox_;
  TXContainedImage* programIcon_;
  std::unique_ptr<TXComposer> composer_;
};

// The About box: the product panel, "Check for Updates" (action -210 on the application engine)
// and "Close".
class TXAboutFrm : public TXCustomForm, public IXReceiveOptions<TXAboutDialogOptions> {
  Q_OBJECT

 public:
  explicit TXAboutFrm(QWidget* parent = nullptr);

  void ReceiveOptions(const TXAboutDialogOptions& options) override;
  void ApplyLanguage() override;

  TXAboutProductFrm& ProductPanel() const { return *productPanel_; }
  QWidget& ActionPanel() const { return *actionPanel_; }
  QPushButton& UpdatesBtn() const { return *updatesBtn_; }
  QPushButton& CloseBtn() const { return *closeBtn_; }

 protected:
  void Initialize() override;

 private:
  void ProductComposed(int finalY);
  void FitHeight();

  TXAboutProductFrm* productPanel_ = nullptr;
  QWidget* actionPanel_;
  QPushButton* updatesBtn_;
  QPushButton* closeBtn_;
};

class TXAboutDialog : public TXDialog<TXAboutFrm, TXAboutDialogOptions, TXDialogData> {
 public:
  using TXDialog::TXDialog;
};

}  // namespace kova
