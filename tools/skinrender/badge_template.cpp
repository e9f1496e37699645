#include "badge_template.h"

namespace kova::skinrender {

const QList<QByteArray>& BadgePlaceholders() {
  static const QList<QByteArray> placeholders{kExtensionPlaceholder, "{FILL}", "{SHADE}"};
  return placeholders;
}

QByteArray FillBadgeTemplate(const QByteArray& svg, const QString& extension,
                             const BadgeColours& colours) {
  QString label = extension.toUpper();
  if (label.startsWith(QLatin1Char('.'))) label.remove(0, 1);
  QByteArray filled = svg;
  filled.replace(kExtensionPlaceholder, label.toUtf8());
  filled.replace("{FILL}", colours.fill.toUtf8());
  filled.replace("{SHADE}", colours.shade.toUtf8());
  return filled;
}

}  // namespace kova::skinrender
