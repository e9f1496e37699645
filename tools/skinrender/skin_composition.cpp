#include "skin_composition.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

namespace kova::skinrender {

QImage ComposeHeader(const QImage& tile, const QImage& top, int width) {
  QImage header(width, top.height(), QImage::Format_ARGB32_Premultiplied);
  header.fill(Qt::transparent);
  QPainter painter(&header);
  const int topLeft = width - top.width();
  painter.drawImage(topLeft, 0, top);
  if (tile.width() <= 0) return header;
  for (int x = topLeft - tile.width(); x + tile.width() > 0; x -= tile.width())
    painter.drawImage(x, 0, tile);
  return header;
}

void DrawHeaderCaption(QImage& header, const QString& caption) {
  QFont font(QStringLiteral("Verdana"));
  font.setPixelSize(21);
  font.setBold(true);
  QPainter painter(&header);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.setFont(font);
  const int baseline = 16 + QFontMetrics(font).ascent();
  painter.setPen(Qt::black);
  painter.drawText(13, baseline + 1, caption);
  painter.setPen(Qt::white);
  painter.drawText(12, baseline, caption);
}

void DrawHeaderProgress(QImage& header, double fraction) {
  const QRect trough(220, 21, header.width() - 228, 17);
  QPainter painter(&header);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QColor(0x8a, 0x8a, 0x8a));
  painter.setBrush(QColor(0xf4, 0xf4, 0xf4));
  painter.drawRoundedRect(QRectF(trough).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
  QRectF chunk = QRectF(trough).adjusted(1.5, 1.5, -1.5, -1.5);
  chunk.setWidth(chunk.width() * fraction);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0xee, 0x7a, 0x1e));
  painter.drawRect(chunk);
}

QImage ComposeListIcon(const QImage& group, const QImage& badge, const QColor& listColour,
                       bool large) {
  const QSize cell = large ? QSize(72, 72) : QSize(22, 16);
  QImage icon(cell, QImage::Format_ARGB32_Premultiplied);
  icon.fill(listColour);
  QPainter painter(&icon);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  for (const QImage& picture : {group, badge}) {
    if (picture.isNull()) continue;
    if (large)
      painter.drawImage(QRect(QPoint(0, 0), picture.size().scaled(cell, Qt::KeepAspectRatio)),
                        picture);
    else
      painter.drawImage(0, 0, picture);
  }
  return icon;
}

}  // namespace kova::skinrender
