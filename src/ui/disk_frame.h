#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include "storage/device_access.h"
#include "ui/composer.h"
#include "ui/custom_frame.h"
#include "ui/drive_combo_box.h"
#include "ui/help_dialog.h"
#include "ui/picture_control.h"

namespace kova {

class IXDRSkin;

// The page where the user picks the drive that holds the card and, when the drive does not
// report its size, the size to assume. Every change probes the drive (opening it for reading
// only for a moment, never asking the user for a password) and sends the choice as TXDiskAspect:
// the drive's path, the size (0: as the drive reports) and whether it could not be opened. A
// drive that cannot be opened gets a note on the page saying why and what to do: no card, gone,
// locked (going on unlocks it, the system asks for a password), refused by the system's policy,
// no password dialog possible in this session, no disk service.
class TXDRDiskFrm : public TXCustomDRFrame {
  Q_OBJECT

 public:
  explicit TXDRDiskFrm(IXDRSkin& skin, QWidget* parent = nullptr, TXCustomEngine* engine = nullptr,
                       TXPlatformPaths paths = SystemPaths());

  // Page data while the page shows (an unlock was refused): the drive is looked at again and
  // the choice sent.
  void InitPageData(AXNotification& notification) override;
  void SubmitPageData(AXNotification& notification) override;
  void ApplyLanguage() override;
  void AfterConstruction() override;

  // The size the choice carries, in bytes (0 while the size group is hidden).
  int64_t ChosenSize() const;
  bool NotReady() const { return notReady_; }
  TXDriveAccess Access() const { return access_; }
  // Probes the selected drive, then sends the choice.
  void DriveChanged();
  // Lists the drives again (forgetting the drives unlocked so far: the card may have changed) and
  // selects the card, if there is one.
  void RefreshDrives();
  void SendDiskChoice();

  QGroupBox& SelectDriveGroupBox() const { return *driveGroupBox_; }
  TXDriveComboBox& DriveBox() const { return *driveBox_; }
  QPushButton& RefreshDrivesBtn() const { return *refreshBtn_; }
  QLabel& CardHelpLabel() const { return *cardHelpLabel_; }
  QLabel& AccessLabel() const { return *accessLabel_; }
  QWidget& AccessPanel() const { return *accessPanel_; }
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
  void BuildAccessPanel();
  void ProbeDrive();
  void SizeKindChanged();

  IXDRSkin& skin_;
  QGroupBox* driveGroupBox_;
  QLabel* label1_;
  TXImage* warningImage_;
  TXDriveComboBox* driveBox_;
  QPushButton* refreshBtn_;
  QLabel* cardHelpLabel_;
  QWidget* accessPanel_;
  TXImage* accessImage_;
  QLabel* accessLabel_;
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
  TXDriveAccess access_ = TXDriveAccess::daNoDrive;
  TXDriveProbe probe_;
};

}  // namespace kova
