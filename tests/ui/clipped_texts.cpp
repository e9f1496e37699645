#include "clipped_texts.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QToolButton>

#include "ui/shadow_label.h"

namespace kova::test {

namespace {

QString PlainText(QString text) {
  return text.remove(u'&');
}

int TextWidth(const QWidget& widget, const QString& text) {
  return widget.fontMetrics().horizontalAdvance(PlainText(text));
}

QString Describe(const QWidget& widget, const QString& text, int needed, int has) {
  return QStringLiteral("%1 \"%2\" \"%3\": needs %4, has %5")
      .arg(QString::fromLatin1(widget.metaObject()->className()), widget.objectName(), text)
      .arg(needed)
      .arg(has);
}

// The width a check box or radio button needs: indicator, spacing, text.
int IndicatorButtonWidth(const QAbstractButton& button, QStyle::PixelMetric indicator,
                         QStyle::PixelMetric spacing) {
  const QStyle* style = button.style();
  return style->pixelMetric(indicator, nullptr, &button) +
         style->pixelMetric(spacing, nullptr, &button) + TextWidth(button, button.text());
}

void CheckLabel(const QLabel& label, QStringList& clipped) {
  if (label.text().isEmpty() || label.textFormat() == Qt::RichText) return;
  const QRect room = label.contentsRect();
  if (label.wordWrap()) {
    const int needed = label.heightForWidth(label.width());
    if (needed > label.height()) clipped << Describe(label, label.text(), needed, label.height());
    return;
  }
  const int needed = TextWidth(label, label.text()) + 2 * label.margin();
  if (needed > room.width()) clipped << Describe(label, label.text(), needed, room.width());
}

void CheckButton(const QAbstractButton& button, QStringList& clipped) {
  if (button.text().isEmpty()) return;
  int needed = 0;
  int has = button.width();
  if (auto* push = qobject_cast<const QPushButton*>(&button)) {
    QStyleOptionButton option;
    option.initFrom(push);
    option.text = push->text();
    has = push->style()->subElementRect(QStyle::SE_PushButtonContents, &option, push).width();
    needed = TextWidth(button, button.text());
  } else if (qobject_cast<const QRadioButton*>(&button)) {
    needed = IndicatorButtonWidth(button, QStyle::PM_ExclusiveIndicatorWidth,
                                  QStyle::PM_RadioButtonLabelSpacing);
  } else if (qobject_cast<const QCheckBox*>(&button)) {
    needed =
        IndicatorButtonWidth(button, QStyle::PM_IndicatorWidth, QStyle::PM_CheckBoxLabelSpacing);
  } else if (auto* tool = qobject_cast<const QToolButton*>(&button)) {
    if (tool->toolButtonStyle() == Qt::ToolButtonIconOnly) return;
    const int arrow =
        tool->popupMode() == QToolButton::MenuButtonPopup
            ? tool->style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, tool)
            : 0;
    needed = TextWidth(button, button.text()) + arrow;
  } else {
    return;
  }
  if (needed > has) clipped << Describe(button, button.text(), needed, has);
}

void CheckGroupBox(const QGroupBox& box, QStringList& clipped) {
  if (box.title().isEmpty()) return;
  QStyleOptionGroupBox option;
  option.initFrom(&box);
  option.text = box.title();
  option.subControls = QStyle::SC_GroupBoxLabel;
  const QRect title =
      box.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &box);
  const int needed = TextWidth(box, box.title());
  const int has = std::min(title.width(), box.width() - title.left());
  if (needed > has) clipped << Describe(box, box.title(), needed, has);
}

}  // namespace

QStringList ClippedTexts(QWidget& root) {
  QStringList clipped;
  for (QWidget* widget : root.findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(&root) || widget->width() <= 0) continue;
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      CheckLabel(*label, clipped);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      CheckButton(*button, clipped);
    } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
      CheckGroupBox(*box, clipped);
    } else if (auto* caption = dynamic_cast<TXShadowLabel*>(widget)) {
      if (caption->TextWidth() > caption->width())
        clipped << Describe(*caption, caption->Text(), caption->TextWidth(), caption->width());
    }
  }
  return clipped;
}

}  // namespace kova::test
