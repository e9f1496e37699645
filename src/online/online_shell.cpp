#include "online/online_shell.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>
#include <atomic>

#include "ui/shell_open.h"

namespace kova {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// An address with a scheme (http:, mailto:) as opposed to a local path.
bool IsAddress(const std::string& target) {
  const QUrl url(Q(target));
  return url.isValid() && url.scheme().size() > 1 && !url.isLocalFile();
}

class TXQtOnlineShell final : public IXOnlineShell {
 public:
  void ShowMessage(QWidget* parent, const std::string& text, TXMessageIcon icon) override {
    QMessageBox box(
        icon == TXMessageIcon::Warning ? QMessageBox::Warning : QMessageBox::Information,
        QApplication::applicationDisplayName(), Q(text), QMessageBox::Ok, parent);
    box.setWindowIcon(QApplication::windowIcon());
    box.exec();
  }

  bool Open(const std::string& target, const std::string& workingFolder) override {
    if (IsAddress(target)) return OpenUrlOrExplain(Q(target));
    if (workingFolder.empty()) return OpenPathOrExplain(Q(target));
    // The default program of a file starts in its folder.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(Q(workingFolder));
    const bool opened = OpenPathOrExplain(Q(target));
    QDir::setCurrent(previous);
    return opened;
  }

  bool Run(const std::string& program, const std::string& parameters,
           const std::string& workingFolder) override {
    return QProcess::startDetached(Q(program), QProcess::splitCommand(Q(parameters)),
                                   Q(workingFolder));
  }

  std::optional<std::string> AskSaveFileName(QWidget* parent, const std::string& folder,
                                             const std::string& fileName) override {
    const QString start = QDir(Q(folder)).filePath(Q(fileName));
    const QString chosen = QFileDialog::getSaveFileName(parent, {}, start);
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdString();
  }
};

std::atomic<IXOnlineShell*> installedShell{nullptr};

}  // namespace

IXOnlineShell& OnlineShell() {
  if (IXOnlineShell* shell = installedShell.load()) return *shell;
  static TXQtOnlineShell qtShell;
  return qtShell;
}

void SetOnlineShell(IXOnlineShell* shell) {
  installedShell.store(shell);
}

}  // namespace kova
