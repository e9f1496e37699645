#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "framework/text_utils.h"
#include "imaging/image_items.h"
#include "online/hit_item.h"
#include "online/string_collection.h"

// The news: items with a picture, a caption, a rich-text body and a row of actions, grouped under
// captions and shown newest first.
namespace kova {

// One action of a news item, shown as a link or a check box.
class TXTocActionItem : public TXHitItem {
  KOVA_PERSISTENT(TXTocActionItem)

 public:
  static constexpr int32_t kCheckBox = 1;

  // 1: a check box; any other value: a link.
  int32_t ControlType = 0;
  // Executing it writes a line into one of the collection's logs (Default picks the first).
  bool Log = false;
  bool Default = false;

  // The control's text, the argument copied into Args before the action runs, the tool tip and
  // further data, each per language.
  TXStringCollection& Captions() { return captions_; }
  const TXStringCollection& Captions() const { return captions_; }
  TXStringCollection& Arguments() { return arguments_; }
  const TXStringCollection& Arguments() const { return arguments_; }
  TXStringCollection& Hints() { return hints_; }
  const TXStringCollection& Hints() const { return hints_; }
  TXStringCollection& ActionData() { return actionData_; }
  const TXStringCollection& ActionData() const { return actionData_; }

  // The check box's state; true for a new action.
  bool Checked = true;

  bool Assign(const TXPersistent& source) override;

 private:
  TXStringCollection captions_;
  TXStringCollection arguments_;
  TXStringCollection hints_;
  TXStringCollection actionData_;
};

class TXTocActionCollection : public TXLocalizedCollectionOf<TXTocActionItem> {
  KOVA_PERSISTENT(TXTocActionCollection)

 public:
  bool Checked(int32_t index) const { return At(index)->Checked; }
  void SetChecked(int32_t index, bool checked) { At(index)->Checked = checked; }
  // The first action with the name, ignoring case; nullptr for none.
  TXTocActionItem* FindAction(std::string_view name) const;
};

// One news item. Its display name identifies it: "update" marks an update notice, and hidden
// items are remembered by name. Data (inherited) holds its picture.
class TXTocItem : public TXImageItem {
  KOVA_PERSISTENT(TXTocItem)

 public:
  static constexpr const char* kUpdateName = "update";
  static constexpr const char* kGroupMarker = "group";

  std::string Name() const { return DisplayName(); }

  // Days since 1899-12-30; 0 for an undated item.
  double TocDate = 0;
  // The item's group; "group" marks an item that defines a group.
  std::string GroupName;
  std::string Action;
  // The action run when the picture is clicked; empty for none.
  std::string ImageAction;
  // Tagged data; update notices carry "version", "fversion" and "tversion".
  std::string TocData;

  TXStringCollection& Caption() { return caption_; }
  const TXStringCollection& Caption() const { return caption_; }
  // The body as rich text (RTF), per language.
  TXStringCollection& Rtf() { return rtf_; }
  const TXStringCollection& Rtf() const { return rtf_; }
  TXTocActionCollection& Actions() { return actions_; }
  const TXTocActionCollection& Actions() const { return actions_; }

  bool Assign(const TXPersistent& source) override;
  void Clear() override;

 private:
  TXStringCollection caption_;
  TXStringCollection rtf_;
  TXTocActionCollection actions_;
};

struct TXLessText {
  bool operator()(const std::string& a, const std::string& b) const {
    return CompareText(a, b) < 0;
  }
};

// The news items. Besides the items it remembers the names of hidden items (ignoring case) and
// keeps two logs of executed actions.
class TXTocCollection : public TXLocalizedCollection {
  KOVA_PERSISTENT(TXTocCollection)

 public:
  TXTocCollection();

  TXTocItem* Add() { return static_cast<TXTocItem*>(TXCollection::Add()); }
  TXTocItem* At(int32_t index) const { return static_cast<TXTocItem*>(Item(index)); }

  // Newest first; undated items before dated ones.
  void SortByDate();

  const std::set<std::string, TXLessText>& HiddenNames() const { return hiddenNames_; }
  void Hide(const std::string& name) { hiddenNames_.insert(name); }
  bool IsHidden(const std::string& name) const { return hiddenNames_.contains(name); }

  bool LogEnabled = false;
  std::vector<std::string> DefaultLog;
  std::vector<std::string> OtherLog;
  void ClearLogs();
  // Writes "item=action" into the log the action chooses, when logging is on and the action
  // asks to be logged.
  void LogAction(const TXTocItem& item, const TXTocActionItem& action);

 private:
  std::set<std::string, TXLessText> hiddenNames_;
};

// The order of news dates: negative when a comes first. Undated (0) entries come before dated
// ones, later dates before earlier ones.
int CompareTocDates(double a, double b);

}  // namespace kova
