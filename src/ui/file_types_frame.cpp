#include "ui/file_types_frame.h"

#include <QHeaderView>

#include "framework/aspects.h"
#include "imaging/skin_interface.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "ui/lg_text.h"
#include "ui/page_widgets.h"
#include "ui/qt_pictures.h"
#include "ui/screen_dpi.h"

namespace kova {

namespace {

constexpr TXDRFileGroup kGroups[] = {fgImages, fgVideo, fgAudio};
constexpr const char* kGroupProperties[] = {"Images", "Video", "Audio"};
constexpr uint32_t kGroupTexts[] = {lg::kImageFileTypes, lg::kVideoFileTypes, lg::kAudioFileTypes};
constexpr int kExtensionRole = Qt::UserRole;

std::string PropertyOf(const std::string& extension) {
  return "_" + extension.substr(1);
}

}  // namespace

TXDRFileTypesFrm::TXDRFileTypesFrm(IXDRSkin& skin, QWidget* parent, TXCustomEngine* engine)
    : TXCustomDRFrame(parent, engine), skin_(skin), groupBox_(MakeGroupBox(this)) {
  setObjectName(QStringLiteral("DRFileTypesFrm"));
  for (size_t i = 0; i < checks_.size(); ++i) {
    checks_[i] = new QCheckBox(groupBox_);
    checks_[i]->setChecked(true);
    auto* view = new QTreeWidget(groupBox_);
    UseNormalFont(*view);
    view->setHeaderHidden(true);
    view->setRootIsDecorated(false);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setIconSize(QSize(ScaledX(22), ScaledY(16)));
    views_[i] = view;
    connect(checks_[i], &QCheckBox::toggled, view, &QWidget::setEnabled);
    FillList(kGroups[i]);
  }
}

void TXDRFileTypesFrm::FillList(TXDRFileGroup group) {
  QTreeWidget& view = TypesView(group);
  auto* common = new QTreeWidgetItem(&view);
  auto* other = new QTreeWidgetItem(&view);
  for (QTreeWidgetItem* header : {common, other}) {
    header->setFlags(Qt::ItemIsEnabled);
    QFont bold = view.font();
    bold.setBold(true);
    header->setFont(0, bold);
  }
  for (const std::string& extension : GroupExtensions(group)) {
    auto* item = new QTreeWidgetItem(IsCommonType(extension) ? common : other);
    item->setText(0, QString::fromStdString(extension));
    item->setData(0, kExtensionRole, QString::fromStdString(extension));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Checked);
    if (TXImageObject* badge = skin_.Picture(skin::kSmallExtImages, extension))
      item->setIcon(0, QIcon(QPixmap::fromImage(ToQImage(*badge))));
  }
  view.expandAll();
}

std::vector<QTreeWidgetItem*> TXDRFileTypesFrm::Items(TXDRFileGroup group) const {
  std::vector<QTreeWidgetItem*> items;
  QTreeWidget& view = TypesView(group);
  for (int h = 0; h < view.topLevelItemCount(); ++h) {
    QTreeWidgetItem* header = view.topLevelItem(h);
    for (int i = 0; i < header->childCount(); ++i)
      items.push_back(header->child(i));
  }
  return items;
}

void TXDRFileTypesFrm::InitPageData(AXNotification&) {
  if (types_) ReadFileTypes(*types_);
}

void TXDRFileTypesFrm::SubmitPageData(AXNotification& notification) {
  if (types_ && notification.AspectAs<TXDialogUpdatePageDataAspect>()) WriteFileTypes(*types_);
}

void TXDRFileTypesFrm::ReadFileTypes(const TXDRFileTypes& types) {
  for (size_t g = 0; g < checks_.size(); ++g) {
    for (QTreeWidgetItem* item : Items(kGroups[g])) {
      const std::string extension = item->data(0, kExtensionRole).toString().toStdString();
      const bool on = GetPropText(types, PropertyOf(extension)) == "True";
      item->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
    }
    checks_[g]->setChecked(GetPropText(types, kGroupProperties[g]) == "True");
  }
}

void TXDRFileTypesFrm::WriteFileTypes(TXDRFileTypes& types) const {
  types.Clear();
  for (size_t g = 0; g < checks_.size(); ++g) {
    for (QTreeWidgetItem* item : Items(kGroups[g])) {
      const std::string extension = item->data(0, kExtensionRole).toString().toStdString();
      SetPropText(types, PropertyOf(extension),
                  item->checkState(0) == Qt::Checked ? "True" : "False");
    }
  }
  for (size_t g = 0; g < checks_.size(); ++g)
    SetPropText(types, kGroupProperties[g], checks_[g]->isChecked() ? "True" : "False");
}

void TXDRFileTypesFrm::Resized() {
  groupBox_->setGeometry(contentsRect());
  const int margin = ScaledX(12), gap = ScaledX(8);
  const int columnWidth = (groupBox_->width() - 2 * margin - 2 * gap) / 3;
  const int listTop = ScaledY(50);
  for (size_t i = 0; i < checks_.size(); ++i) {
    const int left = margin + static_cast<int>(i) * (columnWidth + gap);
    checks_[i]->setGeometry(left, ScaledY(24), columnWidth, ScaledY(20));
    views_[i]->setGeometry(left, listTop, columnWidth, groupBox_->height() - listTop - margin);
  }
}

void TXDRFileTypesFrm::ApplyLanguage() {
  groupBox_->setTitle(LgText(lg::kSelectFileTypes));
  for (size_t i = 0; i < checks_.size(); ++i) {
    checks_[i]->setText(LgText(kGroupTexts[i]));
    views_[i]->topLevelItem(0)->setText(0, LgText(lg::kCommonFileTypes));
    views_[i]->topLevelItem(1)->setText(0, LgText(lg::kOtherFileTypes));
  }
}

}  // namespace kova
