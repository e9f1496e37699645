#pragma once

#include <QColor>
#include <QImage>
#include <QString>

namespace kova::skinrender {

// The header panel's artwork at `width`: "top" at the right edge, "tile" repeated leftwards
// from its left edge until the panel's left edge is covered.
QImage ComposeHeader(const QImage& tile, const QImage& top, int width);

// The page caption as the header draws it: white bold Verdana 21 px at (12, 16) over a black
// shadow one pixel down and right.
void DrawHeaderCaption(QImage& header, const QString& caption);

// A plain stand-in for the header's progress bar (x 220, y 21, 17 high, to 8 px from the right).
void DrawHeaderProgress(QImage& header, double fraction);

// A results-list icon cell: the group picture on the list colour with the extension badge over
// it; large cells fit both into 72 x 72, small cells draw both unscaled at (0, 0).
QImage ComposeListIcon(const QImage& group, const QImage& badge, const QColor& listColour,
                       bool large);

}  // namespace kova::skinrender
