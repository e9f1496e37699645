#pragma once

#include <QString>
#include <QStringList>

#include "skin_manifest.h"

namespace kova::skinrender {

// The sizes the program's icon is installed at in the desktop's "hicolor" icon theme.
inline constexpr int kHicolorSizes[] = {16, 24, 32, 48, 64, 128, 256, 512};

// Writes the program's icon for the icon theme into `themeFolder` (a "hicolor" folder):
// "<N>x<N>/apps/<iconName>.png" at every hicolor size and "scalable/apps/<iconName>.svg". The
// pictures come from the skin's "DesktopIcons" box: a size the box lists is drawn from its own
// SVG (the small ones are drawn on their pixel grid), every other size and the scalable icon
// from the box's largest picture. Appends one line per fault to `problems`.
void WriteDesktopIcons(const QString& skinDir, const SkinManifest& manifest,
                       const QString& themeFolder, const QString& iconName, QStringList& problems);

}  // namespace kova::skinrender
