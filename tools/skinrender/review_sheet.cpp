#include "review_sheet.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace kova::skinrender {

namespace {

constexpr int kMargin = 16;
constexpr int kGap = 14;
constexpr int kTitleHeight = 26;
constexpr int kCaptionHeight = 16;

QFont SheetFont(int pixelSize, bool bold) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

bool IsDark(const QColor& colour) {
  return colour.lightness() < 110;
}

}  // namespace

void ReviewSheet::BeginRow(const QString& title, const QColor& background) {
  rows_.append({title, background, {}});
}

void ReviewSheet::Add(const QImage& image, const QString& caption) {
  if (rows_.isEmpty()) BeginRow({}, Qt::white);
  rows_.last().items.append({image, caption});
}

QSize ReviewSheet::CellSize(const Item& item) const {
  const QFontMetrics metrics(SheetFont(11, false));
  const int captionWidth = item.caption.isEmpty() ? 0 : metrics.horizontalAdvance(item.caption);
  const int captionHeight = item.caption.isEmpty() ? 0 : kCaptionHeight;
  return {std::max(item.image.width(), captionWidth), item.image.height() + captionHeight};
}

QList<ReviewSheet::PlacedRow> ReviewSheet::Layout(int& height) const {
  QList<PlacedRow> placed;
  int y = kMargin;
  for (const Row& row : rows_) {
    PlacedRow current{&row, y, 0, {}};
    int x = kMargin * 2;
    int lineTop = y + kTitleHeight;
    int lineHeight = 0;
    for (const Item& item : row.items) {
      const QSize cell = CellSize(item);
      if (x > kMargin * 2 && x + cell.width() > width_ - kMargin * 2) {
        x = kMargin * 2;
        lineTop += lineHeight + kGap;
        lineHeight = 0;
      }
      current.items.append({&item, QRect(QPoint(x, lineTop), cell)});
      x += cell.width() + kGap;
      lineHeight = std::max(lineHeight, cell.height());
    }
    current.height = lineTop + lineHeight + kGap - y;
    placed.append(current);
    y += current.height + kMargin;
  }
  height = y;
  return placed;
}

QImage ReviewSheet::Compose() const {
  int height = 0;
  const QList<PlacedRow> placed = Layout(height);
  QImage sheet(width_, height, QImage::Format_ARGB32_Premultiplied);
  sheet.fill(QColor(0x80, 0x80, 0x80));
  QPainter painter(&sheet);
  painter.setRenderHint(QPainter::TextAntialiasing);
  for (const PlacedRow& row : placed) {
    const QColor ink = IsDark(row.row->background) ? QColor(Qt::white) : QColor(0x1b, 0x24, 0x30);
    painter.fillRect(QRect(kMargin, row.top, width_ - 2 * kMargin, row.height),
                     row.row->background);
    painter.setPen(ink);
    painter.setFont(SheetFont(13, true));
    painter.drawText(QRect(kMargin * 2, row.top + 4, width_, kTitleHeight), row.row->title);
    painter.setFont(SheetFont(11, false));
    for (const Placed& item : row.items) {
      painter.drawImage(item.cell.topLeft(), item.item->image);
      const QRect caption(item.cell.left(), item.cell.top() + item.item->image.height(),
                          item.cell.width(), kCaptionHeight);
      painter.drawText(caption, Qt::AlignHCenter | Qt::AlignBottom, item.item->caption);
    }
  }
  return sheet;
}

QImage Zoomed(const QImage& image, int factor) {
  return image.scaled(image.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

}  // namespace kova::skinrender
