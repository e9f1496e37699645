#include "online/toc_panels.h"

#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <QVBoxLayout>
#include <algorithm>

#include "online/download_action.h"
#include "online/net_engine.h"
#include "online/online_shell.h"
#include "persistence/lg.h"

namespace kova {

namespace {

constexpr const char* kHideAction = "hide";

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

bool IsDownload(const TXTocActionItem& action) {
  return action.Hit == components::xhtDownload || action.Hit == components::xhtCgiDownload;
}

}  // namespace

TXITocGroupPanel::TXITocGroupPanel(const QString& caption, QWidget* parent) : QFrame(parent) {
  setObjectName("TocGroupPanel");
  layout_ = new QVBoxLayout(this);
  layout_->setContentsMargins(0, 0, 0, 0);
  if (!caption.isEmpty()) {
    caption_ = new QLabel(caption, this);
    caption_->setObjectName("GroupCaption");
    QFont font = caption_->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    caption_->setFont(font);
    layout_->addWidget(caption_);
  }
}

void TXITocGroupPanel::AddPanel(TXITocPanel* panel) {
  layout_->addWidget(panel);
  panels_.push_back(panel);
}

void TXITocGroupPanel::RemovePanel(TXITocPanel* panel) {
  std::erase(panels_, panel);
  layout_->removeWidget(panel);
  delete panel;
}

QString TXITocGroupPanel::Caption() const {
  return caption_ ? caption_->text() : QString();
}

TXITocPanels::TXITocPanels(QWidget* parent) : QScrollArea(parent) {
  setObjectName("TocBox");
  setWidgetResizable(true);
  setFrameShape(QFrame::StyledPanel);
  Clear();
}

void TXITocPanels::Clear() {
  groups_.clear();
  content_ = new QWidget;
  contentLayout_ = new QVBoxLayout(content_);
  contentLayout_->addStretch(1);
  setWidget(content_);
}

int TXITocPanels::PanelCount() const {
  int count = 0;
  for (const TXITocGroupPanel* group : groups_)
    count += static_cast<int>(group->Panels().size());
  return count;
}

TXITocPanel* TXITocPanels::FindPanel(std::string_view itemName) const {
  for (const TXITocGroupPanel* group : groups_) {
    for (TXITocPanel* panel : group->Panels()) {
      if (panel->Item().Name() == itemName) return panel;
    }
  }
  return nullptr;
}

void TXITocPanels::Build(TXTocCollection& items, TXTocGroupCollection& groups, bool showGroups) {
  setUpdatesEnabled(false);
  Clear();
  items_ = &items;
  if (groups.Count() == 0) TakeGroupsFromItems(items, groups);
  items.SortByDate();
  if (!showGroups) {
    TXITocGroupPanel* single = AddGroupPanel({});
    for (int32_t i = 0; i < items.Count(); ++i)
      single->AddPanel(MakePanel(*items.At(i)));
    DropEmptyGroups();
  } else {
    if (groups.Count() == 0) GroupsFromItemNames(items, groups);
    for (int32_t g = 0; g < groups.Count(); ++g)
      AddGroupPanel(Q(groups.At(g)->Caption().Text()));
    for (int32_t i = 0; i < items.Count(); ++i) {
      TXTocItem& item = *items.At(i);
      if (items.IsHidden(item.Name())) continue;
      TXTocGroupItem* group = groups.FindGroup(item.GroupName);
      if (group) groups_[static_cast<size_t>(group->Index())]->AddPanel(MakePanel(item));
    }
    DropEmptyGroups();
  }
  setUpdatesEnabled(true);
}

void TXITocPanels::TakeGroupsFromItems(TXTocCollection& items, TXTocGroupCollection& groups) {
  for (int32_t i = 0; i < items.Count();) {
    if (items.At(i)->GroupName == TXTocItem::kGroupMarker) {
      groups.Add()->Assign(*items.At(i));
      items.Delete(i);
    } else {
      ++i;
    }
  }
  groups.SortByDate();
}

void TXITocPanels::GroupsFromItemNames(const TXTocCollection& items, TXTocGroupCollection& groups) {
  for (int32_t i = 0; i < items.Count(); ++i) {
    const std::string& name = items.At(i)->GroupName;
    if (groups.FindGroup(name)) continue;
    TXTocGroupItem* group = groups.Add();
    group->SetName(name);
    group->Caption().SetText(Lg().LanguageID(), name);
  }
}

TXITocGroupPanel* TXITocPanels::AddGroupPanel(const QString& caption) {
  auto* group = new TXITocGroupPanel(caption, content_);
  contentLayout_->insertWidget(contentLayout_->count() - 1, group);
  groups_.push_back(group);
  return group;
}

TXITocPanel* TXITocPanels::MakePanel(TXTocItem& item) {
  return new TXITocPanel(
      item, LinkAlign,
      [this](TXITocPanel& panel, TXTocActionItem& action, bool fromControl,
             std::optional<bool> checked) { RunAction(panel, action, fromControl, checked); });
}

void TXITocPanels::DropEmptyGroups() {
  for (size_t i = groups_.size(); i-- > 0;) {
    if (!groups_[i]->Panels().empty()) continue;
    delete groups_[i];
    groups_.erase(groups_.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

void TXITocPanels::RunAction(TXITocPanel& panel, TXTocActionItem& action, bool fromControl,
                             std::optional<bool> checked) {
  TXTocItem& item = panel.Item();
  if (checked) action.Checked = *checked;
  action.Args = action.Arguments().Text();
  bool handled = action.Execute();
  if (handled && items_) items_->LogAction(item, action);
  if (!handled) handled = StartDownload(item, action);
  if (!handled && OnTocAction) OnTocAction(item, action);
  if (fromControl && action.Name() == kHideAction) {
    if (items_) items_->Hide(item.Name());
    RemovePanelLater(&panel);
    if (OnTocHide) OnTocHide(item);
  }
}

bool TXITocPanels::StartDownload(TXTocItem& /*item*/, TXTocActionItem& /*action*/) {
  return false;
}

void TXITocPanels::RemovePanelLater(TXITocPanel* panel) {
  // The click that asked for it is still running inside the panel.
  QPointer<TXITocPanel> target(panel);
  QMetaObject::invokeMethod(
      this,
      [this, target] {
        if (!target) return;
        for (TXITocGroupPanel* group : groups_) {
          if (std::find(group->Panels().begin(), group->Panels().end(), target.data()) ==
              group->Panels().end()) {
            continue;
          }
          group->RemovePanel(target.data());
          break;
        }
        DropEmptyGroups();
      },
      Qt::QueuedConnection);
}

bool TXINetTocPanels::StartDownload(TXTocItem& item, TXTocActionItem& action) {
  if (!Engine || action.ControlType != 0 || !IsDownload(action)) return false;
  TXDownloadRequest request = MakeDownloadRequest(item, action, *Engine);
  if (action.Hit == components::xhtDownload) {
    Engine->Download(std::move(request));
    return true;
  }
  try {
    Engine->DownloadOrThrow(std::move(request));
  } catch (const std::exception& error) {
    OnlineShell().ShowMessage(this, error.what(), TXMessageIcon::Warning);
  }
  return true;
}

}  // namespace kova
