#include "ui/shadow_label.h"

#include <QFontMetrics>
#include <QPainter>

namespace kova {

TXShadowLabel::TXShadowLabel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TXShadowLabel::SetText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  updateGeometry();
  update();
}

void TXShadowLabel::SetColours(QColor text, QColor shadow) {
  textColour_ = text;
  shadowColour_ = shadow;
  update();
}

void TXShadowLabel::SetShadowDistance(int distance) {
  distance_ = distance;
  update();
}

int TXShadowLabel::TextWidth() const {
  return QFontMetrics(font()).horizontalAdvance(text_) + distance_;
}

QSize TXShadowLabel::sizeHint() const {
  return {TextWidth(), QFontMetrics(font()).height() + distance_};
}

void TXShadowLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::TextAntialiasing);
  const QFontMetrics metrics(font());
  const QString shown = metrics.elidedText(text_, Qt::ElideRight, width() - distance_);
  const int baseline = metrics.ascent();
  painter.setPen(shadowColour_);
  painter.drawText(distance_, baseline + distance_, shown);
  painter.setPen(textColour_);
  painter.drawText(0, baseline, shown);
}

}  // namespace kova
