#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace kova {

// A one-line caption drawn with a shadow: the shadow colour offset by the shadow distance, then
// the text colour. Text that does not fit ends with an ellipsis.
class TXShadowLabel : public QWidget {
 public:
  explicit TXShadowLabel(QWidget* parent = nullptr);

  QString Text() const { return text_; }
  void SetText(const QString& text);
  void SetColours(QColor text, QColor shadow);
  void SetShadowDistance(int distance);
  // The width the whole text takes.
  int TextWidth() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  QColor textColour_ = Qt::white;
  QColor shadowColour_ = Qt::black;
  int distance_ = 1;
};

}  // namespace kova
