#include "ui/results_views.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

#include "ui/application_look.h"
#include "ui/results_images.h"
#include "ui/results_model.h"
#include "ui/screen_dpi.h"

namespace kova {

namespace {

constexpr int kPadding = 4;
constexpr int kCheckColumn = 18;

int HeaderHeight(const QFont& font) {
  return QFontMetrics(font).height() + 2 * kPadding + 2;
}

QFont BoldFont(QFont font) {
  font.setBold(true);
  return font;
}

bool IsHeader(const QModelIndex& index) {
  return index.data(rrGroupHeader).toBool();
}

// Where a break after the character at i reads well: after a blank, "_", "-" or before a dot.
bool GoodBreak(const QString& text, qsizetype i) {
  const QChar c = text[i];
  return c == u' ' || c == u'_' || c == u'-' || (i + 1 < text.size() && text[i + 1] == u'.');
}

// The corner marks of a cell's picture: where the file came from at the top right, the damage
// mark at the bottom right.
void PaintMarks(QPainter& painter, const QRect& picture, const QModelIndex& index) {
  const int mark = 16;
  const QPixmap origin = index.data(rrOrigin).value<QPixmap>();
  if (!origin.isNull())
    painter.drawPixmap(QRect(picture.right() - mark + 3, picture.top() - 2, mark, mark), origin);
  const QPixmap damage = index.data(rrDamageMark).value<QPixmap>();
  if (!damage.isNull())
    painter.drawPixmap(QRect(picture.right() - mark + 3, picture.bottom() - mark + 2, mark, mark),
                       damage);
}

}  // namespace

void PaintGroupHeader(QPainter& painter, const QRect& rect, const QPalette& palette,
                      const QFont& font, const QString& text, bool collapsed) {
  painter.save();
  painter.fillRect(rect, palette.color(QPalette::Base));
  const int arrowSize = 8;
  const int middle = rect.center().y();
  const int left = rect.left() + kPadding;
  QPolygon arrow;
  if (collapsed) {
    arrow << QPoint(left + 2, middle - 4) << QPoint(left + 6, middle)
          << QPoint(left + 2, middle + 4);
  } else {
    arrow << QPoint(left, middle - 2) << QPoint(left + 8, middle - 2)
          << QPoint(left + 4, middle + 2);
  }
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(palette.color(QPalette::Link));
  painter.drawPolygon(arrow);
  painter.setRenderHint(QPainter::Antialiasing, false);
  const QFont bold = BoldFont(font);
  painter.setFont(bold);
  painter.setPen(palette.color(QPalette::Link));
  const QRect textRect(left + arrowSize + kPadding, rect.top(), rect.width(), rect.height());
  painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
  const int lineLeft = textRect.left() + QFontMetrics(bold).horizontalAdvance(text) + 2 * kPadding;
  if (lineLeft < rect.right() - kPadding) {
    painter.setPen(KovaFrameColour());
    painter.drawLine(lineLeft, middle + 1, rect.right() - kPadding, middle + 1);
  }
  painter.restore();
}

// Broken where it reads well when it can be, the second line shortened in the middle.
QStringList TXDRIconDelegate::NameLines(const QString& name, const QFontMetrics& metrics,
                                        int width) {
  if (metrics.horizontalAdvance(name) <= width) return {name};
  qsizetype fits = 1;
  while (fits < name.size() && metrics.horizontalAdvance(name.left(fits + 1)) <= width)
    ++fits;
  qsizetype cut = fits;
  for (qsizetype i = fits - 1; i >= fits / 2; --i) {
    if (GoodBreak(name, i)) {
      cut = i + 1;
      break;
    }
  }
  return {name.left(cut), metrics.elidedText(name.mid(cut), Qt::ElideMiddle, width)};
}

QRect TXDRIconDelegate::CheckRect(const QStyleOptionViewItem& option) {
  const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
  const int size = style->pixelMetric(QStyle::PM_IndicatorWidth, &option, option.widget);
  return QRect(option.rect.left() + (kCheckColumn - size) / 2, option.rect.top() + kPadding, size,
               size);
}

QRect TXDRIconDelegate::IconRect(const QRect& cell, int pictureSize) {
  return QRect(cell.left() + kCheckColumn, cell.top() + kPadding, pictureSize, pictureSize);
}

QSize TXDRIconDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  if (IsHeader(index)) {
    // A header fills its own row of the flowing cells.
    const auto* view = qobject_cast<const QListView*>(option.widget);
    const int width =
        view ? view->viewport()->width() - 2 * view->spacing() - 1 : option.rect.width();
    return QSize(qMax(width, 1), HeaderHeight(option.font));
  }
  const int cell = pictureSize_;
  return QSize(kCheckColumn + cell + 2 * kPadding,
               kPadding + cell + kPadding + 2 * option.fontMetrics.height() + kPadding);
}

void TXDRIconDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  if (IsHeader(index)) {
    PaintGroupHeader(*painter, option.rect, option.palette, option.font,
                     index.data(Qt::DisplayRole).toString(), index.data(rrCollapsed).toBool());
    return;
  }
  PaintFile(*painter, option, index);
}

void TXDRIconDelegate::PaintFile(QPainter& painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  QStyleOptionViewItem cell = option;
  initStyleOption(&cell, index);
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  cell.icon = QIcon();
  cell.text.clear();
  cell.features &= ~QStyleOptionViewItem::HasCheckIndicator;
  style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, &painter, widget);

  const QRect place = IconRect(option.rect, pictureSize_);
  const QPixmap picture = index.data(rrLargeIcon).value<QPixmap>();
  if (!picture.isNull()) {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(place, picture);
    painter.restore();
  }
  PaintMarks(painter, place, index);

  QStyleOptionViewItem check = cell;
  check.rect = CheckRect(option);
  check.state &= ~(QStyle::State_On | QStyle::State_Off | QStyle::State_NoChange);
  const auto state = index.data(Qt::CheckStateRole).value<Qt::CheckState>();
  check.state |= state == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
  style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &check, &painter, widget);

  const bool selected = option.state & QStyle::State_Selected;
  const int lineHeight = option.fontMetrics.height();
  QRect line(option.rect.left() + kPadding, option.rect.top() + 2 * kPadding + pictureSize_,
             option.rect.width() - 2 * kPadding, lineHeight);
  painter.save();
  painter.setFont(option.font);
  painter.setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  for (const QString& text :
       NameLines(index.data(Qt::DisplayRole).toString(), option.fontMetrics, line.width())) {
    painter.drawText(line, Qt::AlignHCenter | Qt::AlignTop, text);
    line.translate(0, lineHeight);
  }
  painter.restore();
}

bool TXDRIconDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                   const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (IsHeader(index) || !(index.flags() & Qt::ItemIsUserCheckable)) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton ||
          !CheckRect(option).contains(mouse->position().toPoint()))
        return false;
      if (event->type() != QEvent::MouseButtonRelease) return true;
      const bool checked = index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
      return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    }
    case QEvent::KeyPress:
      return QStyledItemDelegate::editorEvent(event, model, option, index);
    default:
      return false;
  }
}

TXDRIconView::TXDRIconView(QWidget* parent) : QListView(parent) {
  setViewMode(QListView::ListMode);
  setFlow(QListView::LeftToRight);
  setWrapping(true);
  setResizeMode(QListView::Adjust);
  setMovement(QListView::Static);
  setSpacing(2);
  setUniformItemSizes(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  delegate_ = new TXDRIconDelegate(this);
  setItemDelegate(delegate_);
  setMinimumWidth(ScaledX(200));
}

void TXDRIconView::SetPictureSize(int size) {
  size = std::clamp(size, kSmallestPicture, kLargestPicture);
  if (size == delegate_->PictureSize()) return;
  delegate_->SetPictureSize(size);
  // Every cell's size hint changed: the cells flow anew.
  scheduleDelayedItemsLayout();
  emit PictureSizeChanged(size);
}

void TXDRIconView::wheelEvent(QWheelEvent* event) {
  if (!(event->modifiers() & Qt::ControlModifier)) {
    QListView::wheelEvent(event);
    return;
  }
  // One notch of a wheel is 120; a touchpad sends smaller parts of it.
  wheelAngle_ += event->angleDelta().y();
  const int steps = wheelAngle_ / 120;
  wheelAngle_ %= 120;
  if (steps != 0) SetPictureSize(PictureSize() + steps * kZoomStep);
  event->accept();
}

QSize TXDRDetailDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
  const int iconHeight = view ? view->iconSize().height() : 16;
  size.setHeight(std::max(size.height(), iconHeight + 4));
  return size;
}

TXDRDetailView::TXDRDetailView(QWidget* parent) : QTreeView(parent) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setIconSize(QSize(22, 16));
  setItemDelegate(new TXDRDetailDelegate(this));
  header()->setSectionsClickable(true);
  header()->setSortIndicatorShown(false);
  header()->setStretchLastSection(false);
  setMinimumWidth(ScaledX(200));
}

void TXDRDetailView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  if (!IsHeader(index)) {
    QTreeView::drawRow(painter, option, index);
    return;
  }
  const QRect row(0, option.rect.top(), viewport()->width(), option.rect.height());
  PaintGroupHeader(*painter, row, option.palette, option.font,
                   index.data(Qt::DisplayRole).toString(), index.data(rrCollapsed).toBool());
}

}  // namespace kova
