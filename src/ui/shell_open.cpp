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

namespace {

bool Explain(uint32_t text, const QString& target) {
  const std::string shown = UnquotedPath(target.trimmed()).toStdString();
  Dialogs().ShowMessage(
      {Lg().Format(text, {shown}), TXMessageIcon::Warning, TXMessageButtons::Ok, {}});
  return false;
}

}  // namespace

bool OpenUrlOrExplain(const QString& address) {
  return ShellOpenUrl(address) || Explain(lg::kNoBrowser, address);
}

bool ShellOpenPath(const QString& path) {
  const QString local = UnquotedPath(path.trimmed());
  if (local.isEmpty()) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(local));
}

bool OpenPathOrExplain(const QString& path) {
  return ShellOpenPath(path) || Explain(lg::kNoFileManager, path);
}

QString UnquotedPath(const QString& path) {
  if (path.size() >= 2 && path.startsWith('"') && path.endsWith('"'))
    return path.mid(1, path.size() - 2);
  if (path.startsWith('"')) return path.mid(1);
  return path;
}

}  // namespace kova
