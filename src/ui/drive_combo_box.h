#pragma once

#include <QComboBox>
#include <QIcon>

#include "storage/drive_list.h"

namespace kova {

// The drop-down list of drives on the disk page: every drive of the kinds shown, captioned as a
// file manager names it, with the desktop's icon for its kind (the program's own card picture
// for removable media when the icon theme has none). Built when made, and again on Refresh; the
// selection follows the drive list's rule (the system drive when fixed drives are shown, else
// the first). DriveChanged tells of every change of the selected drive.
class TXDriveComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit TXDriveComboBox(QWidget* parent = nullptr, TXPlatformPaths paths = SystemPaths());

  const TXDriveList& Drives() const { return list_; }
  // The selected drive's device path; empty when nothing is selected.
  QString SelectedRoot() const;
  void Refresh();
  void SetDriveTypes(TXDriveTypes types);
  void SetRemovableIcon(const QIcon& icon);

 signals:
  void DriveChanged();

 private:
  void Rebuild();
  QIcon IconOf(const TXDriveInfo& drive) const;

  TXDriveList list_;
  QIcon removableIcon_;
};

}  // namespace kova
