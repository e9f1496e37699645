#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "ui/custom_frame.h"
#include "ui/picture_control.h"

namespace kova {

class IXDRSkin;

// The last page: where the files were saved, as a link and an "Open Folder" button that show
// the folder in the file manager, how many were saved and, when some failed, how many, where and
// why; below it the finish picture (the language's "Finish" picture when it has one, else the
// skin's). A click on the picture opens the finish link when one is set.
class TXDRFinishFrm : public TXCustomDRFrame {
  Q_OBJECT

 public:
  explicit TXDRFinishFrm(IXDRSkin& skin, QWidget* parent = nullptr,
                         TXCustomEngine* engine = nullptr);

  // TXDialogInitFolderAspect: the folder to show.
  void InitPageData(AXNotification& notification) override;
  void ApplyLanguage() override;

  QString Folder() const { return folder_; }
  void SetFolder(const QString& folder);
  // Opens the folder with the desktop; false when nothing could show it.
  bool OpenFolder() const;
  // The address the finish picture opens; empty for none.
  void SetFinishLink(const QString& link);

  QGroupBox& FolderGroupBox() const { return *groupBox_; }
  TXImage& FinishImage() const { return *finishImage_; }
  QLabel& FolderLink() const { return *folderLink_; }
  QPushButton& OpenFolderBtn() const { return *openFolderBtn_; }
  QLabel& SummaryLabel() const { return *summaryLabel_; }
  QWidget& ComposablePanel() const { return *composablePanel_; }
  TXContainedImage& FinishPicture() const { return *finishPicture_; }

 protected:
  void Initialize() override;
  void Resized() override;

 private:
  void ShowFolderLink();
  // The restore's figures and outcome from the recovery engine.
  void ShowOutcome();
  void LoadFinishPicture();

  IXDRSkin& skin_;
  QGroupBox* groupBox_;
  TXImage* finishImage_;
  QLabel* folderLink_;
  QPushButton* openFolderBtn_;
  QLabel* summaryLabel_;
  QWidget* composablePanel_;
  TXContainedImage* finishPicture_;
  QString folder_;
  QString finishLink_;
};

}  // namespace kova
