#include "page_mock.h"

#include <QFont>

namespace kova::skinrender {

namespace {

constexpr QSize kClientSize(624, 448);
constexpr int kCommandBarHeight = 32;

QFont UiFont(bool bold) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(11);
  font.setBold(bold);
  return font;
}

}  // namespace

PageMock::PageMock(const QImage& header, const WindowColours& colours)
    : colours_(colours),
      headerHeight_(header.height()),
      image_(kClientSize, QImage::Format_ARGB32_Premultiplied) {
  image_.fill(colours_.window);
  QPainter painter(&image_);
  painter.drawImage(0, 0, header);
}

void PageMock::GroupBox(const QRect& page, const QString& title) {
  const QRect rect = ToWindow(page);
  QPainter painter(&image_);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(colours_.frame);
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(QRectF(rect).adjusted(0.5, 6.5, -0.5, -0.5), 3, 3);
  painter.setFont(UiFont(true));
  const QRect label(rect.left() + 8, rect.top(), painter.fontMetrics().horizontalAdvance(title) + 8,
                    14);
  painter.fillRect(label, colours_.window);
  painter.setPen(colours_.text);
  painter.drawText(label, Qt::AlignCenter, title);
}

void PageMock::Picture(QPoint page, const QImage& image) {
  QPainter painter(&image_);
  painter.drawImage(page + QPoint(0, headerHeight_), image);
}

void PageMock::Text(const QRect& page, const QString& text, const QColor& colour, bool bold) {
  QPainter painter(&image_);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.setFont(UiFont(bold));
  painter.setPen(colour);
  painter.drawText(ToWindow(page), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text);
}

void PageMock::Button(const QRect& page, const QString& caption) {
  WindowButton(ToWindow(page), caption);
}

void PageMock::WindowButton(const QRect& rect, const QString& caption) {
  QPainter painter(&image_);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(colours_.frame);
  painter.setBrush(colours_.button);
  painter.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
  painter.setFont(UiFont(false));
  painter.setPen(colours_.text);
  painter.drawText(rect, Qt::AlignCenter, caption);
}

void PageMock::CommandBar(const QStringList& left, const QStringList& right,
                          const QList<QImage>& sharePictures) {
  const int top = kClientSize.height() - kCommandBarHeight;
  {
    QPainter painter(&image_);
    painter.setPen(colours_.frame);
    painter.drawLine(0, top, kClientSize.width(), top);
    for (int i = 0; i < sharePictures.size(); ++i)
      painter.drawImage(89 + 4 + i * 32, top + 5, sharePictures[i]);
  }
  for (int i = 0; i < left.size(); ++i)
    WindowButton(QRect(8 + i * 83, top + 5, 75, 23), left[i]);
  const int firstRight = kClientSize.width() - 8 - static_cast<int>(right.size()) * 83 + 8;
  for (int i = 0; i < right.size(); ++i)
    WindowButton(QRect(firstRight + i * 83, top + 5, 75, 23), right[i]);
}

}  // namespace kova::skinrender
