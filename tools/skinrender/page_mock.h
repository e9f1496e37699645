#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>

namespace kova::skinrender {

// The wizard window's colours that the artwork is drawn against.
struct WindowColours {
  QColor window{0xf3, 0xef, 0xe9};
  QColor text{0x1b, 0x24, 0x30};
  QColor button{0xec, 0xe6, 0xdd};
  QColor frame{0xc9, 0xc0, 0xb3};
  QColor link{0xc2, 0x56, 0x0c};
  QColor list{Qt::white};
};

// A rough drawing of the 624 x 448 wizard window (header, page, command bar) to judge the
// artwork in place. Page coordinates start at the top left of the page area below the header.
class PageMock {
 public:
  PageMock(const QImage& header, const WindowColours& colours);

  void GroupBox(const QRect& page, const QString& title);
  void Picture(QPoint page, const QImage& image);
  void Text(const QRect& page, const QString& text, const QColor& colour, bool bold = false);
  void Button(const QRect& page, const QString& caption);
  void CommandBar(const QStringList& left, const QStringList& right,
                  const QList<QImage>& sharePictures);

  const QImage& Image() const { return image_; }

 private:
  QRect ToWindow(const QRect& page) const { return page.translated(0, headerHeight_); }
  void WindowButton(const QRect& rect, const QString& caption);

  WindowColours colours_;
  int headerHeight_;
  QImage image_;
};

}  // namespace kova::skinrender
