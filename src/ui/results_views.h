#pragma once

#include <QListView>
#include <QStyledItemDelegate>
#include <QTreeView>

#include "ui/results_images.h"

namespace kova {

// Draws a group's header row across the rectangle: an arrow that tells whether the group is
// open, its name in bold and a line to the right edge.
void PaintGroupHeader(QPainter& painter, const QRect& rect, const QPalette& palette,
                      const QFont& font, const QString& text, bool collapsed);

// The cells of the thumbnail view: a check box, the thumbnail or type icon (72 x 72, or as large
// as the view is zoomed) with the badge of where the file came from at its top right and, when
// the file may be damaged, the damage mark at its bottom right, and the file name below it in up
// to two lines (shortened in the middle when longer still). Group headers span the view's width.
class TXDRIconDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // The side of the pictures, in pixels.
  int PictureSize() const { return pictureSize_; }
  void SetPictureSize(int size) { pictureSize_ = size; }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  // Where the check box of a cell lies.
  static QRect CheckRect(const QStyleOptionViewItem& option);
  static QRect IconRect(const QRect& cell, int pictureSize = TXDRResultsImages::kCellSize);
  // The lines a name is shown in under a picture of the width: one, or two when it is longer.
  static QStringList NameLines(const QString& name, const QFontMetrics& metrics, int width);

 protected:
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

 private:
  void PaintFile(QPainter& painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const;

  int pictureSize_ = TXDRResultsImages::kCellSize;
};

// The thumbnail view: cells flowing left to right and wrapping, group headers on rows of their
// own. It zooms (Ctrl and the mouse wheel, or SetPictureSize) between the design's 72 pixels and
// 256, the cells flowing anew.
class TXDRIconView : public QListView {
  Q_OBJECT

 public:
  static constexpr int kSmallestPicture = TXDRResultsImages::kCellSize;
  static constexpr int kLargestPicture = 256;
  static constexpr int kZoomStep = 16;

  explicit TXDRIconView(QWidget* parent = nullptr);

  int PictureSize() const { return delegate_->PictureSize(); }
  // Zooms to the size, kept within the smallest and the largest; tells PictureSizeChanged when
  // it changes.
  void SetPictureSize(int size);

 signals:
  void PictureSizeChanged(int size);

 protected:
  void wheelEvent(QWheelEvent* event) override;

 private:
  TXDRIconDelegate* delegate_;
  int wheelAngle_ = 0;  // a wheel's turn not yet a whole step (fine-grained touchpads)
};

// The rows of the detail view: tall enough for the type icons, group headers included (the view
// takes every row's height from its first, which is a header).
class TXDRDetailDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The detail view: the six columns, group headers drawn across all of them.
class TXDRDetailView : public QTreeView {
  Q_OBJECT

 public:
  explicit TXDRDetailView(QWidget* parent = nullptr);

 protected:
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

}  // namespace kova
