#include "ui/images_frm.h"

#include <QApplication>
#include <QHeaderView>
#include <QSignalBlocker>

#include "flow/dr_data_gear.h"
#include "flow/dr_engine.h"
#include "framework/aspects.h"
#include "imaging/skin_interface.h"
#include "persistence/lg_keys.h"
#include "recovery/file_types.h"
#include "recovery/recovery_aspects.h"
#include "ui/lg_text.h"
#include "ui/page_widgets.h"
#include "ui/qt_pictures.h"
#include "ui/results_intake.h"
#include "ui/results_model.h"
#include "ui/results_preview.h"
#include "ui/results_texts.h"
#include "ui/results_views.h"
#include "ui/run_figures_label.h"
#include "ui/screen_dpi.h"

namespace kova {

namespace {

constexpr uint32_t kSortEntries[] = {lg::kSortNone,  lg::kSortName, lg::kSortImageSize,
                                     lg::kSortSize,  lg::kSortType, lg::kSortCreated,
                                     lg::kSortOrigin};
constexpr uint32_t kCheckTexts[] = {lg::kCheckImageFiles, lg::kCheckVideoFiles,
                                    lg::kCheckAudioFiles};
constexpr uint32_t kUncheckTexts[] = {lg::kUncheckImageFiles, lg::kUncheckVideoFiles,
                                      lg::kUncheckAudioFiles};
constexpr int kColumnWidths[kResultsColumnCount] = {200, 100, 80, 60, 120, 150};
// By TXDRFileOrigin.
constexpr const char* kOriginBadges[] = {"live", "deleted", "lost", "search"};

// The preview panel's width on a wide group box.
constexpr int kWidePreviewPanel = 624;

TXColor ToColor(const QColor& colour) {
  return MakeColor(static_cast<uint8_t>(colour.red()), static_cast<uint8_t>(colour.green()),
                   static_cast<uint8_t>(colour.blue()));
}

}  // namespace

TXDRImagesFrm::TXDRImagesFrm(IXDRSkin& skin, QWidget* parent, TXCustomEngine* engine)
    : TXCustomDRFrame(parent, engine),
      skin_(skin),
      ownIcons_(GroupExtensions(fgImages), GroupExtensions(fgVideo), GroupExtensions(fgAudio)),
      icons_(&ownIcons_),
      model_(new TXDRResultsModel(images_, this)),
      intake_(new TXDRResultsIntake(*model_, images_, this)),
      groupBox_(MakeGroupBox(this)) {
  setObjectName(QStringLiteral("DRImagesFrm"));
  BuildToolBar();
  BuildViews();
  BuildImagePanel();
  figures_ = new TXRunFiguresLabel(TXRunFiguresKind::rfScan, groupBox_);
  UseNormalFont(*figures_);
  intake_->SetIcons(icons_);
  RebuildImageLists();
  UpdateCaption();
  Observable().AddObserver<TXDialogInitDataAspect>(this, &TXDRImagesFrm::InitData);
  Observable().AddObserver<TXDRAddFileAspect>(this, &TXDRImagesFrm::AddFile);
  Observable().AddObserver<TXDRRefreshSelectedFilesAspect>(this,
                                                           &TXDRImagesFrm::RefreshSelectedFiles);
}

TXDRImagesFrm::~TXDRImagesFrm() {
  Observable().RemoveObserversOf(this);
  intake_->Clear();
  // The views and the preview go before the image lists and the preview picture they show.
  delete groupBox_;
}

QToolButton* TXDRImagesFrm::MakeSplitButton(QMenu*& menu) {
  auto* button = new QToolButton(groupBox_);
  UseNormalFont(*button);
  button->setPopupMode(QToolButton::MenuButtonPopup);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  menu = new QMenu(button);
  UseNormalFont(*menu);
  button->setMenu(menu);
  return button;
}

void TXDRImagesFrm::BuildToolBar() {
  sortLabel_ = new QLabel(groupBox_);
  UseNormalFont(*sortLabel_);
  sortCombo_ = new QComboBox(groupBox_);
  UseNormalFont(*sortCombo_);
  for (size_t i = 0; i < std::size(kSortEntries); ++i)
    sortCombo_->addItem(QString());
  connect(sortCombo_, &QComboBox::activated, this, &TXDRImagesFrm::ChooseSortEntry);

  checkAllBtn_ = MakeSplitButton(checkMenu_);
  uncheckAllBtn_ = MakeSplitButton(uncheckMenu_);
  connect(checkAllBtn_, &QToolButton::clicked, this, [this] { CheckAll(true); });
  connect(uncheckAllBtn_, &QToolButton::clicked, this, [this] { CheckAll(false); });
  for (int g = 0; g < kResultsGroupCount; ++g) {
    checkActions_[static_cast<size_t>(g)] = checkMenu_->addAction(QString());
    uncheckActions_[static_cast<size_t>(g)] = uncheckMenu_->addAction(QString());
    connect(checkActions_[static_cast<size_t>(g)], &QAction::triggered, this,
            [this, g] { CheckGroup(g, true); });
    connect(uncheckActions_[static_cast<size_t>(g)], &QAction::triggered, this,
            [this, g] { CheckGroup(g, false); });
  }

  showThnBtn_ = new QRadioButton(groupBox_);
  showDetailsBtn_ = new QRadioButton(groupBox_);
  UseNormalFont(*showThnBtn_);
  UseNormalFont(*showDetailsBtn_);
  showThnBtn_->setChecked(true);
  connect(showThnBtn_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) ShowThumbnails(true);
  });
  connect(showDetailsBtn_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) ShowThumbnails(false);
  });

  zoomSlider_ = new QSlider(Qt::Horizontal, groupBox_);
  zoomSlider_->setRange(TXDRIconView::kSmallestPicture, TXDRIconView::kLargestPicture);
  zoomSlider_->setSingleStep(TXDRIconView::kZoomStep);
  zoomSlider_->setPageStep(2 * TXDRIconView::kZoomStep);
  zoomSlider_->setValue(TXDRIconView::kSmallestPicture);
}

void TXDRImagesFrm::BuildViews() {
  views_ = new QStackedWidget(groupBox_);
  iconView_ = new TXDRIconView(views_);
  detailView_ = new TXDRDetailView(views_);
  UseNormalFont(*iconView_);
  UseNormalFont(*detailView_);
  views_->addWidget(iconView_);
  views_->addWidget(detailView_);
  detailView_->setModel(model_);
  iconView_->setModel(model_);
  // One selection for both views, so that switching keeps the chosen file.
  QItemSelectionModel* unused = iconView_->selectionModel();
  iconView_->setSelectionModel(detailView_->selectionModel());
  delete unused;
  for (int c = 0; c < kResultsColumnCount; ++c)
    detailView_->header()->resizeSection(c, ScaledX(kColumnWidths[c]));
  connect(detailView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { SelectionChanged(); });
  connect(iconView_, &QAbstractItemView::clicked, this, &TXDRImagesFrm::Clicked);
  connect(zoomSlider_, &QSlider::valueChanged, iconView_, &TXDRIconView::SetPictureSize);
  connect(iconView_, &TXDRIconView::PictureSizeChanged, this, &TXDRImagesFrm::PictureSizeChanged);
  connect(detailView_, &QAbstractItemView::clicked, this, &TXDRImagesFrm::Clicked);
  connect(detailView_->header(), &QHeaderView::sectionClicked, this, &TXDRImagesFrm::ClickColumn);
}

void TXDRImagesFrm::BuildImagePanel() {
  imagePanel_ = new QWidget(groupBox_);
  imageLabel_ = new QLabel(imagePanel_);
  UseNormalFont(*imageLabel_);
  imageLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  previewImage_ = new TXImage(imagePanel_);
  previewImage_->SetPosition(TXImagePosition::ipBestFit);
  previewImage_->SetResample(false);
  previewImage_->SetBgColor(palette().color(QPalette::Button));
  previewTitle_ = new QLabel(imagePanel_);
  previewTitle_->setAlignment(Qt::AlignCenter);
  previewTitle_->setWordWrap(true);
  imagePanel_->hide();
}

void TXDRImagesFrm::SetTypeIcons(const TXDRTypeIcons* icons) {
  icons_ = icons ? icons : &ownIcons_;
  intake_->SetIcons(icons_);
  RebuildImageLists();
}

TXColor TXDRImagesFrm::ListColour() const {
  return ToColor(iconView_->palette().color(QPalette::Base));
}

void TXDRImagesFrm::RebuildImageLists() {
  const TXColor list = ListColour();
  const int32_t scale = PixelScale();
  // The view gear's icons serve when they were drawn for this screen's pixel scale.
  const bool own = icons_ == &ownIcons_ || icons_->Scale() != scale;
  if (own) ownIcons_.Build(skin_, list, scale);
  const TXDRTypeIcons& drawn = own ? ownIcons_ : *icons_;
  images_.SetTypeIcons(drawn.Small(), drawn.Large(), list, scale);
  images_.SetMarks(SkinPixmaps(skin_, skin::kOriginImages, kOriginBadges),
                   SkinPixmap(skin_, skin::kWarningImages, "warning16"));
  intake_->SetColours(list, ToColor(palette().color(QPalette::Dark)));
  model_->RefreshHeader();
}

const TXDRResultsSort& TXDRImagesFrm::Sort() const {
  return model_->Sort();
}

void TXDRImagesFrm::Shown() {
  figures_->Watch(RunWorker());
  if (IXDRIni* settings = Settings()) iconView_->SetPictureSize(settings->ThumbnailSize());
}

IXDRIni* TXDRImagesFrm::Settings() const {
  auto* engine = dynamic_cast<TXDREngine*>(Engine());
  return engine ? engine->DataGear().Settings : nullptr;
}

void TXDRImagesFrm::PictureSizeChanged(int size) {
  images_.SetCellSize(size);
  {
    const QSignalBlocker quiet(zoomSlider_);
    zoomSlider_->setValue(size);
  }
  if (IXDRIni* settings = Settings()) settings->SetThumbnailSize(size);
}

void TXDRImagesFrm::InitData(AXNotification& notification) {
  if (!notification.AspectAs<TXDialogInitDataAspect>()) return;
  figures_->Watch(RunWorker());
  intake_->Clear();
  model_->Clear();
  ClearPreview();
  countInCaption_ = false;
  UpdateCaption();
  RebuildImageLists();
}

void TXDRImagesFrm::InitPageData(AXNotification& notification) {
  auto* preview = notification.AspectAs<TXDRDialogInitPageDataPreviewAspect>();
  if (!preview) return;
  previewEnabled_ = preview->Value;
  imagePanel_->setVisible(previewEnabled_);
  // The run's figures belong to the scan; the results page proper has the preview instead.
  figures_->setVisible(!previewEnabled_);
  ClearPreview();
  LayOut();
  if (previewEnabled_) {
    countInCaption_ = true;
    UpdateCaption();
  }
}

void TXDRImagesFrm::AddFile(AXNotification& notification) {
  auto* added = notification.AspectAs<TXDRAddFileAspect>();
  if (!added) return;
  intake_->Add(added->Item);
  if (!figures_->isHidden()) figures_->RefreshSoon();
}

void TXDRImagesFrm::RefreshSelectedFiles(AXNotification& notification) {
  if (notification.AspectAs<TXDRRefreshSelectedFilesAspect>()) model_->RefreshChecks();
}

void TXDRImagesFrm::ShowWaitingFiles() {
  intake_->ProcessAll();
}

void TXDRImagesFrm::UpdateCaption() {
  QString caption = LgText(lg::kFoundFiles);
  if (countInCaption_)
    caption += QStringLiteral(": %1").arg(model_->ItemCount() + intake_->WaitingCount());
  groupBox_->setTitle(caption);
}

void TXDRImagesFrm::CheckAll(bool checked) {
  intake_->SetChecked(checked);
  model_->SetChecked(checked);
}

void TXDRImagesFrm::CheckGroup(int group, bool checked) {
  if (group < 0 || group >= kResultsGroupCount) return;
  intake_->SetGroupChecked(group, checked);
  model_->SetGroupChecked(group, checked);
}

void TXDRImagesFrm::ShowThumbnails(bool thumbnails) {
  {
    const QSignalBlocker blockThumbnails(showThnBtn_);
    const QSignalBlocker blockDetails(showDetailsBtn_);
    showThnBtn_->setChecked(thumbnails);
    showDetailsBtn_->setChecked(!thumbnails);
  }
  QAbstractItemView* view = thumbnails ? static_cast<QAbstractItemView*>(iconView_) : detailView_;
  views_->setCurrentWidget(view);
  zoomSlider_->setEnabled(thumbnails);
  if (view->currentIndex().isValid()) view->scrollTo(view->currentIndex());
}

void TXDRImagesFrm::ChooseSortEntry(int entry) {
  TXDRResultsSort sort = model_->Sort();
  sort.ChooseEntry(entry);
  model_->SetSort(sort);
  sortCombo_->setCurrentIndex(sort.Entry());
}

void TXDRImagesFrm::ClickColumn(int column) {
  TXDRResultsSort sort = model_->Sort();
  sort.ClickColumn(column);
  model_->SetSort(sort);
  sortCombo_->setCurrentIndex(sort.Entry());
}

void TXDRImagesFrm::SelectItem(const TXDRFileItem* item) {
  QItemSelectionModel* selection = detailView_->selectionModel();
  const QModelIndex index = model_->IndexOf(item);
  if (!index.isValid()) {
    selection->clear();
    return;
  }
  selection->setCurrentIndex(index,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TXDRImagesFrm::Clicked(const QModelIndex& index) {
  if (model_->IsGroupHeader(index)) model_->ToggleGroup(index.data(rrGroup).toInt());
}

void TXDRImagesFrm::SelectionChanged() {
  if (!previewEnabled_) return;
  // The thumbnail view selects a row's first cell only, the detail view every cell of it.
  const QModelIndexList cells = detailView_->selectionModel()->selectedIndexes();
  const TXDRFileItem* item = cells.isEmpty() ? nullptr : model_->ItemAt(cells.front());
  if (item) {
    Preview(*item);
  } else {
    ClearPreview();
  }
}

void TXDRImagesFrm::ClearPreview() {
  imageLabel_->clear();
  previewImage_->SetPicture(nullptr);
  previewPicture_.Clear();
}

void TXDRImagesFrm::Preview(const TXDRFileItem& item) {
  ClearPreview();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const QString label =
      MakeQuickPreview(item, previewSource_ ? previewSource_() : nullptr, previewPicture_);
  QApplication::restoreOverrideCursor();
  imageLabel_->setText(label);
  if (!previewPicture_.IsEmpty()) previewImage_->SetPicture(&previewPicture_);
}

int TXDRImagesFrm::PreviewPanelWidth() const {
  // Half of the group box at most, so that the list keeps room for several columns.
  return std::min(groupBox_->width() / 2, ScaledX(kWidePreviewPanel));
}

void TXDRImagesFrm::Resized() {
  groupBox_->setGeometry(contentsRect());
  LayOut();
}

void TXDRImagesFrm::LayOut() {
  const int gap = ScaledX(6);
  const int rowTop = ScaledY(20);
  const int rowHeight = ScaledY(23);
  int x = ScaledX(8);
  const auto place = [&](QWidget* widget, int width) {
    widget->setGeometry(x, rowTop, width, rowHeight);
    x += width + gap;
  };
  place(sortLabel_, sortLabel_->sizeHint().width());
  place(sortCombo_, ScaledX(100));
  x += gap;
  place(checkAllBtn_, std::max(ScaledX(90), checkAllBtn_->sizeHint().width()));
  place(uncheckAllBtn_, std::max(ScaledX(90), uncheckAllBtn_->sizeHint().width()));
  x += gap;
  place(showThnBtn_, showThnBtn_->sizeHint().width());
  place(showDetailsBtn_, showDetailsBtn_->sizeHint().width());

  // The list and the preview panel fill the group box below the controls, inside its frame; a
  // line below them holds the scan's figures and, at its right end, the thumbnails' size.
  const int top = rowTop + rowHeight + ScaledY(6);
  const int lineHeight = ScaledY(22);
  const QRect files(2, top, std::max(groupBox_->width() - 4, 0),
                    std::max(groupBox_->height() - top - 2 - lineHeight, 0));
  const int zoomWidth = ScaledX(120);
  const int lineTop = files.bottom() + ScaledY(4);
  zoomSlider_->setGeometry(files.right() - ScaledX(6) - zoomWidth, lineTop, zoomWidth,
                           lineHeight - ScaledY(4));
  figures_->setGeometry(ScaledX(8), lineTop, std::max(zoomSlider_->x() - ScaledX(16), 0),
                        lineHeight - ScaledY(4));
  const int panel = previewEnabled_ ? std::min(PreviewPanelWidth(), files.width()) : 0;
  views_->setGeometry(files.left(), files.top(), files.width() - panel, files.height());
  imagePanel_->setGeometry(files.left() + files.width() - panel, files.top(), panel,
                           files.height());
  const int pad = ScaledX(4);
  const int labelHeight = ScaledY(20);
  const int inner = std::max(panel - 2 * pad, 0);
  imageLabel_->setGeometry(pad, 0, inner, labelHeight);
  previewImage_->setGeometry(pad, labelHeight, inner,
                             std::max(files.height() - 2 * labelHeight - pad, 0));
  previewTitle_->setGeometry(pad, files.height() - labelHeight - pad, inner, labelHeight);
}

void TXDRImagesFrm::ApplyLanguage() {
  sortLabel_->setText(LgText(lg::kSortBy));
  for (int i = 0; i < static_cast<int>(std::size(kSortEntries)); ++i)
    sortCombo_->setItemText(i, LgText(kSortEntries[i]));
  sortCombo_->setCurrentIndex(model_->Sort().Entry());
  checkAllBtn_->setText(LgText(lg::kCheckAll));
  uncheckAllBtn_->setText(LgText(lg::kUncheckAll));
  for (size_t g = 0; g < checkActions_.size(); ++g) {
    checkActions_[g]->setText(LgText(kCheckTexts[g]));
    uncheckActions_[g]->setText(LgText(kUncheckTexts[g]));
  }
  showThnBtn_->setText(LgText(lg::kShowThumbnails));
  showDetailsBtn_->setText(LgText(lg::kShowDetails));
  zoomSlider_->setToolTip(LgText(lg::kThumbnailZoom));
  previewTitle_->setText(PreviewTitleText());
  model_->RefreshHeader();
  UpdateCaption();
  LayOut();
}

}  // namespace kova
