#pragma once

#include <QByteArray>
#include <QString>

#include "skin_manifest.h"

namespace kova::skinrender {

// Fills an extension badge template: "{EXT}" becomes the extension in upper case without its
// leading dot, "{FILL}" and "{SHADE}" the group's two colours. Extensions are plain letters and
// digits, so nothing needs escaping.
QByteArray FillBadgeTemplate(const QByteArray& svg, const QString& extension,
                             const BadgeColours& colours);

// The placeholders a badge template must carry, and that no other picture may carry.
const QList<QByteArray>& BadgePlaceholders();

}  // namespace kova::skinrender
