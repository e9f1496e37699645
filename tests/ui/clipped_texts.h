#pragma once

#include <QStringList>

class QWidget;

namespace kova::test {

// Every visible text of the widget and its children that needs more room than it has: labels
// (wrapped ones by their height), buttons, radio buttons and check boxes, group box titles and the
// header's caption. Combo boxes are left out: they show a long entry shortened and whole in their
// list. One line per text: its class, object name and text, and the
// room it needs and has. Empty when everything fits.
QStringList ClippedTexts(QWidget& root);

}  // namespace kova::test
