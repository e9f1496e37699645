#pragma once

#include <QListView>
#include <QStyledItemDelegate>
#include <QTreeView>

namespace kova {

// Draws a group's header row across the rectangle: an arrow that tells whether the group is
// open, its name in bold and a line to the right edge.
void PaintGroupHeader(QPainter& painter, const QRect& rect, const QPalette& palette,
                      const QFont& font, const QString& text, bool collapsed);

// The cells of the thumbnail view: a check box, the 72 x 72 thumbnail or type icon with the badge
// of where the file came from at its top right and, when the file may be damaged, the damage mark
// at its bottom right, and the file name below it in up to two lines (shortened in the middle when
// longer still). Group headers span the view's width.
class TXDRIconDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  // Where the check box of a cell lies.
  static QRect CheckRect(const QStyleOptionViewItem& option);
  static QRect IconRect(const QRect& cell);
  // The lines a name is shown in under a picture of the width: one, or two when it is longer.
  static QStringList NameLines(const QString& name, const QFontMetrics& metrics, int width);

 protected:
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

 private:
  void PaintFile(QPainter& painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const;
};

// The thumbnail view: cells flowing left to right and wrapping, group headers on rows of their
// own.
class TXDRIconView : public QListView {
  Q_OBJECT

 public:
  explicit TXDRIconView(QWidget* parent = nullptr);
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
