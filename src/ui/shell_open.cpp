#include "ui/shell_open.h"

#include <QDesktopServices>
#include <QUrl>

#include "output/dr_dialogs.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"

namespace kova {

bool ShellOpenUrl(const QString& address) {
  const QString text = UnquotedPath(address.trimmed());
  if (text.isEmpty()) return false;
  QUrl url(text, QUrl::TolerantMode);
  if (url.scheme().isEmpty()) url = QUrl::fromUserInput(text);
  return url.isValid() && QDesktopServices::openUrl(url);
}

bool OpenUrlOrExplain(const QString& address) {
  if (ShellOpenUrl(address)) return true;
  const std::string shown = UnquotedPath(address.trimmed()).toStdString();
  Dialogs().ShowMessage(
      {Lg().Format(lg::kNoBrowser, {shown}), TXMessageIcon::Warning, TXMessageButtons::Ok, {}});
  return false;
}

bool ShellOpenPath(const QString& path) {
  const QString local = UnquotedPath(path.trimmed());
  if (local.isEmpty()) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(local));
}

QString UnquotedPath(const QString& path) {
  if (path.size() >= 2 && path.startsWith('"') && path.endsWith('"'))
    return path.mid(1, path.size() - 2);
  if (path.startsWith('"')) return path.mid(1);
  return path;
}

}  // namespace kova
