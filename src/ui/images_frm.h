#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QToolButton>
#include <array>
#include <functional>

#include "imaging/extension_icons.h"
#include "imaging/image_object.h"
#include "ui/custom_frame.h"
#include "ui/picture_control.h"
#include "ui/results_images.h"
#include "ui/results_sorting.h"

namespace kova {

class IXDRIni;
class IXDRSkin;
class TXDRFileItem;
class TXDRIconView;
class TXDRDetailView;
class TXDRResultsIntake;
class TXDRResultsModel;
class TXRunFiguresLabel;
class TXStream;

// The results page: the files a run found, shown while the scan runs and afterwards, where the
// user checks what to restore. One checkable list in two views (thumbnails with captions, or
// details in five columns), grouped into image, video and audio files, sorted by five keys or in
// the order the files were found. The thumbnails zoom from 72 to 256 pixels (a slider, or Ctrl and
// the mouse wheel), the size kept in the settings. Check All and Uncheck All act on every file or,
// from their menus, on one group. On the results page proper (preview enabled) selecting a file
// shows a quick preview of at most 600 x 600 beside the list, made from the medium that the preview
// source answers.
//
// Notifications handled on the page's observable: TXDialogInitDataAspect (a run starts: rows
// cleared, image lists rebuilt), TXDRDialogInitPageDataPreviewAspect (preview on or off),
// TXDRAddFileAspect (a found file; shown within a fraction of a second), and
// TXDRRefreshSelectedFilesAspect (check boxes read again from the items).
class TXDRImagesFrm : public TXCustomDRFrame {
  Q_OBJECT

 public:
  // The open medium of the last run (the card or image-file stream), or nullptr.
  using TXPreviewSource = std::function<TXStream*()>;

  explicit TXDRImagesFrm(IXDRSkin& skin, QWidget* parent = nullptr,
                         TXCustomEngine* engine = nullptr);
  ~TXDRImagesFrm() override;

  // The view gear's file-type icons (not owned; they must outlive the page). Without them the
  // page draws its own from the skin.
  void SetTypeIcons(const TXDRTypeIcons* icons);
  void SetPreviewSource(TXPreviewSource source) { previewSource_ = std::move(source); }

  void InitPageData(AXNotification& notification) override;
  void ApplyLanguage() override;

  // What the controls do.
  void CheckAll(bool checked);
  // Checks or unchecks the files of a group: 0 images, 1 video, 2 audio.
  void CheckGroup(int group, bool checked);
  void ShowThumbnails(bool thumbnails);
  void ChooseSortEntry(int entry);
  void ClickColumn(int column);
  // Selects the file's row (none clears the selection).
  void SelectItem(const TXDRFileItem* item);
  // Shows every announced file now instead of a slice at a time.
  void ShowWaitingFiles();

  bool PreviewEnabled() const { return previewEnabled_; }
  const TXDRResultsSort& Sort() const;
  const TXDRTypeIcons& TypeIcons() const { return *icons_; }
  TXColor ListColour() const;

  QGroupBox& FoundGroupBox() const { return *groupBox_; }
  QComboBox& SortComboBox() const { return *sortCombo_; }
  QToolButton& CheckAllBtn() const { return *checkAllBtn_; }
  QToolButton& UncheckAllBtn() const { return *uncheckAllBtn_; }
  QMenu& CheckPopupMenu() const { return *checkMenu_; }
  QMenu& UncheckPopupMenu() const { return *uncheckMenu_; }
  QRadioButton& ShowThnBtn() const { return *showThnBtn_; }
  QRadioButton& ShowDetailsBtn() const { return *showDetailsBtn_; }
  // The thumbnails' size, remembered in the settings.
  QSlider& ZoomSlider() const { return *zoomSlider_; }
  TXDRIconView& IconView() const { return *iconView_; }
  TXDRDetailView& DetailView() const { return *detailView_; }
  QWidget& ImagePanel() const { return *imagePanel_; }
  QLabel& ImageLabel() const { return *imageLabel_; }
  TXImage& PreviewImage() const { return *previewImage_; }
  QLabel& PreviewTitle() const { return *previewTitle_; }
  // The scan's figures, below the list while the scan runs.
  TXRunFiguresLabel& Figures() const { return *figures_; }
  TXDRResultsModel& Model() const { return *model_; }
  TXDRResultsIntake& Intake() const { return *intake_; }
  const TXDRResultsImages& Images() const { return images_; }

 protected:
  void Shown() override;
  void Resized() override;

 private:
  void BuildToolBar();
  void BuildViews();
  void BuildImagePanel();
  QToolButton* MakeSplitButton(QMenu*& menu);
  void LayOut();
  int PreviewPanelWidth() const;
  void UpdateCaption();
  void RebuildImageLists();

  void InitData(AXNotification& notification);
  void AddFile(AXNotification& notification);
  void RefreshSelectedFiles(AXNotification& notification);
  void SelectionChanged();
  void ClearPreview();
  void Preview(const TXDRFileItem& item);
  void Clicked(const QModelIndex& index);
  void PictureSizeChanged(int size);
  // The settings of the engine the page belongs to, or nullptr.
  IXDRIni* Settings() const;

  IXDRSkin& skin_;
  TXDRTypeIcons ownIcons_;
  const TXDRTypeIcons* icons_;
  TXDRResultsImages images_;
  TXDRResultsModel* model_;
  TXDRResultsIntake* intake_;
  TXPreviewSource previewSource_;
  TXImageObject previewPicture_;
  bool previewEnabled_ = false;
  bool countInCaption_ = false;

  QGroupBox* groupBox_;
  QLabel* sortLabel_;
  QComboBox* sortCombo_;
  QMenu* checkMenu_ = nullptr;
  QMenu* uncheckMenu_ = nullptr;
  QToolButton* checkAllBtn_;
  QToolButton* uncheckAllBtn_;
  std::array<QAction*, 3> checkActions_{};
  std::array<QAction*, 3> uncheckActions_{};
  QRadioButton* showThnBtn_;
  QRadioButton* showDetailsBtn_;
  QSlider* zoomSlider_;
  QStackedWidget* views_;
  TXDRIconView* iconView_;
  TXDRDetailView* detailView_;
  QWidget* imagePanel_;
  QLabel* imageLabel_;
  TXImage* previewImage_;
  QLabel* previewTitle_;
  TXRunFiguresLabel* figures_;
};

}  // namespace kova
