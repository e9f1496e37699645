#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QString>

namespace kova::skinrender {

// A review page: titled rows of captioned pictures, each row on its own background, wrapped to
// the sheet's width.
class ReviewSheet {
 public:
  explicit ReviewSheet(int width) : width_(width) {}

  void BeginRow(const QString& title, const QColor& background);
  void Add(const QImage& image, const QString& caption = {});
  QImage Compose() const;

 private:
  struct Item {
    QImage image;
    QString caption;
  };
  struct Row {
    QString title;
    QColor background;
    QList<Item> items;
  };
  struct Placed {
    const Item* item;
    QRect cell;
  };
  struct PlacedRow {
    const Row* row;
    int top;
    int height;
    QList<Placed> items;
  };

  QList<PlacedRow> Layout(int& height) const;
  QSize CellSize(const Item& item) const;

  int width_;
  QList<Row> rows_;
};

// The picture enlarged `factor` times without smoothing, to judge single pixels.
QImage Zoomed(const QImage& image, int factor);

}  // namespace kova::skinrender
