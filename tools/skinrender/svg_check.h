#pragma once

#include <QByteArray>
#include <QStringList>

#include "skin_manifest.h"

namespace kova::skinrender {

// Checks an SVG source against what the skin module can draw faithfully with QtSvg: only static
// SVG Tiny elements, presentation attributes instead of CSS, no clipping, masks, filters or
// embedded rasters, references only inside the file, a declared size of the listed shape (and
// exactly the listed size up to 48 px, where pictures are drawn on the pixel grid), fonts of the
// DejaVu Sans family that this machine has, and the badge placeholders exactly in templates.
// Appends one line per fault to `problems`.
void CheckSvgSource(const QByteArray& svg, const SkinPicture& picture, QStringList& problems);

}  // namespace kova::skinrender
