#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace kova::skinrender {

// Draws an SVG source into a transparent picture of `size`, the way the skin module does.
// Answers false with the reason in `error` when QtSvg cannot read the source or warns while
// reading or drawing it (a warning means that part of the picture is silently lost).
bool RenderSvg(const QByteArray& svg, QSize size, QImage& image, QString& error);

}  // namespace kova::skinrender
