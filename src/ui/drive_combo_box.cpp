#include "ui/drive_combo_box.h"

#include <QAbstractItemView>
#include <QStyle>

#include "drives/drive_captions.h"

namespace kova {

TXDriveComboBox::TXDriveComboBox(QWidget* parent, TXPlatformPaths paths)
    : QComboBox(parent), list_(std::move(paths)) {
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  list_.OnChange = [this] {
    if (!signalsBlocked()) emit DriveChanged();
  };
  connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index != list_.SelectedIndex()) list_.Select(index);
  });
  Refresh();
}

QString TXDriveComboBox::SelectedRoot() const {
  return QString::fromStdString(list_.SelectedRoot());
}

void TXDriveComboBox::Refresh() {
  {
    const QSignalBlocker quiet(this);
    list_.Refresh();
    Rebuild();
  }
  emit DriveChanged();
}

void TXDriveComboBox::SetDriveTypes(TXDriveTypes types) {
  {
    const QSignalBlocker quiet(this);
    list_.SetDriveTypes(types);
    Rebuild();
  }
  emit DriveChanged();
}

void TXDriveComboBox::SetRemovableIcon(const QIcon& icon) {
  removableIcon_ = icon;
  const QSignalBlocker quiet(this);
  Rebuild();
}

void TXDriveComboBox::Rebuild() {
  clear();
  for (const TXDriveInfo& drive : list_.ShownDrives())
    addItem(IconOf(drive), QString::fromStdString(DriveCaption(drive, list_.AllDrives())));
  setCurrentIndex(list_.SelectedIndex());
  // The list opens as wide as its longest caption.
  view()->setMinimumWidth(view()->sizeHintForColumn(0) + iconSize().width());
}

QIcon TXDriveComboBox::IconOf(const TXDriveInfo& drive) const {
  struct Kind {
    const char* ThemeName;
    QStyle::StandardPixmap Fallback;
  };
  Kind kind{"drive-harddisk", QStyle::SP_DriveHDIcon};
  switch (drive.Type) {
    case TXDriveType::dtRemovable:
      kind = {"drive-removable-media", QStyle::SP_DriveFDIcon};
      break;
    case TXDriveType::dtCDROM:
      kind = {"media-optical", QStyle::SP_DriveCDIcon};
      break;
    case TXDriveType::dtRemote:
      kind = {"network-server", QStyle::SP_DriveNetIcon};
      break;
    default:
      break;
  }
  const QIcon themed = QIcon::fromTheme(QString::fromLatin1(kind.ThemeName));
  if (!themed.isNull()) return themed;
  if (drive.Type == TXDriveType::dtRemovable && !removableIcon_.isNull()) return removableIcon_;
  return style()->standardIcon(kind.Fallback);
}

}  // namespace kova
