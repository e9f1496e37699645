#include "ui/skin_manifest.h"

#include <QFile>
#include <QStringList>
#include <functional>

namespace kova {

namespace {

// Calls `line` with the fields of every line that is not empty or a comment; stops at the first
// line it refuses.
bool ReadTable(const QString& path, int fieldCount,
               const std::function<bool(const QStringList&)>& line, QString& error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    error = QStringLiteral("%1 cannot be read").arg(path);
    return false;
  }
  int number = 0;
  while (!file.atEnd()) {
    ++number;
    const QString text = QString::fromUtf8(file.readLine()).trimmed();
    if (text.isEmpty() || text.startsWith('#')) continue;
    const QStringList fields = text.split('\t');
    if (fields.size() != fieldCount || !line(fields)) {
      error = QStringLiteral("%1, line %2: malformed").arg(path).arg(number);
      return false;
    }
  }
  return true;
}

}  // namespace

const TXBadgeColours* TXSkinManifest::ColoursOf(const QString& group) const {
  for (const TXBadgeColours& colours : BadgeColours) {
    if (colours.Group == group) return &colours;
  }
  return nullptr;
}

bool ReadSkinManifest(const QString& folder, TXSkinManifest& manifest, QString& error) {
  manifest = TXSkinManifest{};
  auto picture = [&](const QStringList& f) {
    bool wideOk = false, highOk = false;
    const QSize size(f[3].toInt(&wideOk), f[4].toInt(&highOk));
    if (!wideOk || !highOk || size.isEmpty() || f[0].isEmpty() || f[1].isEmpty()) return false;
    manifest.Pictures.append({f[0], f[1], f[2], size});
    return true;
  };
  auto colours = [&](const QStringList& f) {
    manifest.BadgeColours.append({f[0], f[1], f[2]});
    return !f[0].isEmpty();
  };
  return ReadTable(folder + QLatin1String("/pictures.tsv"), 5, picture, error) &&
         ReadTable(folder + QLatin1String("/badge_colours.tsv"), 3, colours, error);
}

}  // namespace kova
