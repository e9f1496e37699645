#pragma once

#include <QFrame>
#include <QLabel>
#include <functional>
#include <optional>
#include <vector>

#include "online/toc_items.h"

class QCheckBox;

namespace kova {

enum TXTocLinkAlign { talImage, talText };

// A label that reports a click (the picture of an item).
class TXClickLabel : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> OnClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// The panel of one news item: its picture at the top left, its body beside it and its actions
// (links or check boxes) below the body. White, scaled with the screen.
class TXITocPanel : public QFrame {
 public:
  // Runs an action of the item: the action, whether a control (not the picture) was clicked,
  // and a check box's new state.
  using TXRunAction = std::function<void(TXITocPanel& panel, TXTocActionItem& action,
                                         bool fromControl, std::optional<bool> checked)>;

  TXITocPanel(TXTocItem& item, TXTocLinkAlign align, TXRunAction run, QWidget* parent = nullptr);

  TXTocItem& Item() const { return item_; }
  bool HasPicture() const { return picture_ != nullptr; }
  bool HasBody() const { return body_ != nullptr; }
  // The action controls in order: check boxes and link labels.
  const std::vector<QWidget*>& ActionControls() const { return controls_; }

 private:
  int Scaled(int length) const;
  void BuildPicture();
  void BuildBody();
  void BuildActions();
  void Arrange(TXTocLinkAlign align);

  TXTocItem& item_;
  TXRunAction run_;
  TXClickLabel* picture_ = nullptr;
  QLabel* body_ = nullptr;
  std::vector<QWidget*> controls_;
};

}  // namespace kova
