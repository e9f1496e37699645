#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include "ui/composer.h"
#include "ui/custom_frame.h"
#include "ui/drive_combo_box.h"
#include "ui/help_dialog.h"
#include "ui/picture_control.h"

namespace kova {

class IXDRSkin;

// The page where the user picks the drive that holds the card and, when the drive does not
// report its size, the size to assume. Every change probes the drive (opening it for reading
// only for a moment) and sends the choice as TXDiskAspect: the drive's path, the size (0: as the
// drive reports) and whether it could not be opened. A drive that cannot be opened for lack of
// permission gets a message on the page saying how to get read access.
class TXDRDiskFrm : public TXCustomDRFrame {
  Q_OBJECT

 public:
  explicit TXDRDiskFrm(IXDRSkin& skin, QWidget* parent = nullptr, TXCustomEngine* engine = nullptr,
                       TXPlatformPaths paths = SystemPaths());

  void SubmitPageData(AXNotification& notification) override;
  void ApplyLanguage() override;
  void AfterConstruction() override;

  // The size the choice carries, in bytes (0 while the size group is hidden).
  int64_t ChosenSize() const;
  bool NotReady() const { return notReady_; }
  bool NoPermission() const { return noPermission_; }
  // Probes the selected drive, then sends the choice.
  void DriveChanged();
  // Lists the drives again and selects the second entry when there is more than one.
  void RefreshDrives();
  void SendDiskChoice();

  QGroupBox& SelectDriveGroupBox() const { return *driveGroupBox_; }
  TXDriveComboBox& DriveBox() const { return *driveBox_; }
  QPushButton& RefreshDrivesBtn() const { return *refreshBtn_; }
  QLabel& CardHelpLabel() const { return *cardHelpLabel_; }
  QLabel& PermissionLabel() const { return *permissionLabel_; }
  QWidget& PermissionPanel() const { return *permissionPanel_; }
  QGroupBox& SizeGroupBox() const { return *sizeGroupBox_; }
  QRadioButton& FixedSizeBtn() const { return *fixedSizeBtn_; }
  QRadioButton& CustomSizeBtn() const { return *customSizeBtn_; }
  QComboBox& SizeBox() const { return *sizeBox_; }
  QLineEdit& SizeEdit() const { return *sizeEdit_; }
  QComboBox& MBGBComboBox() const { return *unitBox_; }
  TXHelpDialog& HelpDlg() { return helpDlg_; }

 protected:
  void Initialize() override;
  void Shown() override;
  void Resized() override;

 private:
  void BuildDriveGroup();
  void BuildSizeGroup();
  void BuildPermissionPanel();
  void ProbeDrive();
  void SizeKindChanged();

  IXDRSkin& skin_;
  QGroupBox* driveGroupBox_;
  QLabel* label1_;
  TXImage* warningImage_;
  TXDriveComboBox* driveBox_;
  QPushButton* refreshBtn_;
  QLabel* cardHelpLabel_;
  QWidget* permissionPanel_;
  TXImage* permissionImage_;
  QLabel* permissionLabel_;
  QGroupBox* sizeGroupBox_;
  QLabel* label2_;
  TXImage* infoImage_;
  QRadioButton* fixedSizeBtn_;
  QRadioButton* customSizeBtn_;
  QComboBox* sizeBox_;
  QLineEdit* sizeEdit_;
  QComboBox* unitBox_;
  QWidget* composablePanel_;
  std::unique_ptr<TXComposer> composer_;
  TXHelpDialog helpDlg_;
  bool loading_ = true;
  bool notReady_ = true;
  bool noPermission_ = false;
};

}  // namespace kova
