#pragma once

#include <QScrollArea>
#include <functional>
#include <optional>
#include <vector>

#include "online/toc_groups.h"
#include "online/toc_panel.h"

class QLabel;
class QVBoxLayout;

namespace kova {

class TXNetEngine;

using TXTocActionEvent = std::function<void(TXTocItem& item, TXTocActionItem& action)>;
using TXTocHideEvent = std::function<void(TXTocItem& item)>;

// The panels of one group: an optional caption above the item panels.
class TXITocGroupPanel : public QFrame {
 public:
  TXITocGroupPanel(const QString& caption, QWidget* parent);

  void AddPanel(TXITocPanel* panel);
  void RemovePanel(TXITocPanel* panel);
  const std::vector<TXITocPanel*>& Panels() const { return panels_; }
  // The caption; empty for the single group shown when groups are off.
  QString Caption() const;

 private:
  QLabel* caption_ = nullptr;
  QVBoxLayout* layout_;
  std::vector<TXITocPanel*> panels_;
};

// The news items as panels under their group captions, newest first, in a scrolled list. The
// panels refer to the items and groups they were built from, which must outlive them.
class TXITocPanels : public QScrollArea {
 public:
  explicit TXITocPanels(QWidget* parent = nullptr);

  TXTocLinkAlign LinkAlign = talText;
  // An action that was not handled, and an item hidden by its "hide" action.
  TXTocActionEvent OnTocAction;
  TXTocHideEvent OnTocHide;

  // Builds the panels. Without groups shown every item gets a panel in one unnamed group; with
  // groups the items defining groups (and, when there are none, the items' group names) make
  // the groups, hidden items get no panel, and groups left empty show nothing.
  void Build(TXTocCollection& items, TXTocGroupCollection& groups, bool showGroups);
  // Removes every panel.
  void Clear();

  const std::vector<TXITocGroupPanel*>& GroupPanels() const { return groups_; }
  int PanelCount() const;
  TXITocPanel* FindPanel(std::string_view itemName) const;

  // Runs an action as a click does (check box state first, then by its kind); a "hide" clicked
  // on a control hides the item and removes its panel afterwards.
  void RunAction(TXITocPanel& panel, TXTocActionItem& action, bool fromControl,
                 std::optional<bool> checked);

 protected:
  // Net panels start downloads; answers whether the action was one.
  virtual bool StartDownload(TXTocItem& item, TXTocActionItem& action);

 private:
  void TakeGroupsFromItems(TXTocCollection& items, TXTocGroupCollection& groups);
  void GroupsFromItemNames(const TXTocCollection& items, TXTocGroupCollection& groups);
  TXITocGroupPanel* AddGroupPanel(const QString& caption);
  TXITocPanel* MakePanel(TXTocItem& item);
  void RemovePanelLater(TXITocPanel* panel);
  void DropEmptyGroups();

  QWidget* content_ = nullptr;
  QVBoxLayout* contentLayout_ = nullptr;
  TXTocCollection* items_ = nullptr;
  std::vector<TXITocGroupPanel*> groups_;
};

// Panels whose download actions start downloads through the network engine.
class TXINetTocPanels : public TXITocPanels {
 public:
  using TXITocPanels::TXITocPanels;

  TXNetEngine* Engine = nullptr;

 protected:
  bool StartDownload(TXTocItem& item, TXTocActionItem& action) override;
};

}  // namespace kova
