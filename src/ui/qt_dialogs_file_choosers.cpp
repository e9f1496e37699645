#include "ui/qt_dialogs_file_choosers.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QStringList>

#include "persistence/lg_keys.h"
#include "ui/lg_text.h"

namespace kova {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromStdString(text);
}

// "*.bin;*.img" as Qt writes several patterns: "*.bin *.img".
QString QtPatterns(const QString& patterns) {
  return patterns.split(u';', Qt::SkipEmptyParts).join(u' ').trimmed();
}

}  // namespace

QString QtFileFilter(const std::string& filter) {
  const QStringList parts = FromUtf8(filter).split(u'|');
  QStringList lines;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString title = parts[i].trimmed();
    const QString patterns = QtPatterns(parts[i + 1]);
    if (patterns.isEmpty()) continue;
    lines << (title.contains(u'(') ? title : title + QStringLiteral(" (") + patterns + u')');
  }
  return lines.join(QStringLiteral(";;"));
}

QString DefaultSuffix(const std::string& filter) {
  const QStringList parts = FromUtf8(filter).split(u'|');
  if (parts.size() < 2) return {};
  const QString first = QtPatterns(parts[1]).section(u' ', 0, 0);
  if (!first.startsWith(QStringLiteral("*.")) || first.indexOf(u'*', 1) >= 0) return {};
  return first.mid(2);
}

QString ExistingFolderFor(const std::string& path) {
  if (path.empty()) return QDir::homePath();
  QFileInfo info(FromUtf8(path));
  QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
  while (!QFileInfo(folder).isDir()) {
    const QString parent = QFileInfo(folder).absolutePath();
    if (parent == folder) return QDir::homePath();
    folder = parent;
  }
  return folder;
}

TXFileChooser::TXFileChooser(Purpose purpose, QWidget* parent)
    : QFileDialog(parent), purpose_(purpose) {
  setObjectName(QStringLiteral("FileChooser"));
  setOption(QFileDialog::DontUseNativeDialog);
  setLabelText(QFileDialog::Accept, LgText(lg::kOK));
  setLabelText(QFileDialog::Reject, LgText(lg::kCancelCaption));
  setSizeGripEnabled(true);
  switch (purpose) {
    case Purpose::Folder:
      setFileMode(QFileDialog::Directory);
      setOption(QFileDialog::ShowDirsOnly);
      break;
    case Purpose::SaveFile:
      setAcceptMode(QFileDialog::AcceptSave);
      setFileMode(QFileDialog::AnyFile);
      break;
    case Purpose::OpenFile:
      setAcceptMode(QFileDialog::AcceptOpen);
      setFileMode(QFileDialog::ExistingFile);
      break;
  }
}

std::string TXFileChooser::Choose() {
  if (exec() != QDialog::Accepted) return {};
  const QStringList chosen = selectedFiles();
  if (chosen.isEmpty() || chosen.first().isEmpty()) return {};
  QString path = QDir::cleanPath(chosen.first());
  if (purpose_ == Purpose::Folder && !path.endsWith(u'/')) path += u'/';
  if (purpose_ == Purpose::OpenFile && !QFileInfo(path).isFile()) return {};
  return path.toStdString();
}

TXFolderAnswer ChooseFolder(const TXFolderRequest& request, QWidget* parent) {
  TXFileChooser chooser(TXFileChooser::Purpose::Folder, parent);
  chooser.setWindowTitle(FromUtf8(request.Title));
  chooser.setDirectory(ExistingFolderFor(request.InitialFolder));
  QCheckBox* option = nullptr;
  if (auto* grid = qobject_cast<QGridLayout*>(chooser.layout());
      grid && !request.CheckText.empty()) {
    option = new QCheckBox(FromUtf8(request.CheckText), &chooser);
    option->setObjectName(QStringLiteral("FolderOption"));
    option->setChecked(request.Checked);
    grid->addWidget(option, grid->rowCount(), 0, 1, grid->columnCount());
  }
  std::string folder = chooser.Choose();
  return {std::move(folder), option ? option->isChecked() : request.Checked};
}

namespace {

std::string ChooseFile(TXFileChooser::Purpose purpose, const std::string& fileName,
                       const std::string& filter, QWidget* parent) {
  TXFileChooser chooser(purpose, parent);
  chooser.setNameFilter(QtFileFilter(filter));
  chooser.setDefaultSuffix(DefaultSuffix(filter));
  chooser.setDirectory(ExistingFolderFor(fileName));
  if (!fileName.empty() && !QFileInfo(FromUtf8(fileName)).isDir())
    chooser.selectFile(QFileInfo(FromUtf8(fileName)).fileName());
  return chooser.Choose();
}

}  // namespace

std::string ChooseSaveFile(const std::string& fileName, const std::string& filter,
                           QWidget* parent) {
  return ChooseFile(TXFileChooser::Purpose::SaveFile, fileName, filter, parent);
}

std::string ChooseOpenFile(const std::string& fileName, const std::string& filter,
                           QWidget* parent) {
  return ChooseFile(TXFileChooser::Purpose::OpenFile, fileName, filter, parent);
}

}  // namespace kova
