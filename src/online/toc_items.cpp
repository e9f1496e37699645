#include "online/toc_items.h"

namespace kova {

const TXClassInfo& TXTocActionItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXTocActionItem>("TXTocActionItem", TXHitItem::StaticClassInfo())
          .Property("ControlType", &TXTocActionItem::ControlType)
          .Default(0)
          .Property("Log", &TXTocActionItem::Log)
          .Default(0)
          .Property("Default", &TXTocActionItem::Default)
          .Default(0)
          .Object("Caption", &TXTocActionItem::Captions)
          .Object("Argument", &TXTocActionItem::Arguments)
          .Object("Hint", &TXTocActionItem::Hints)
          .Object("ActionData", &TXTocActionItem::ActionData)
          .Build();
  return info;
}

bool TXTocActionItem::Assign(const TXPersistent& source) {
  if (!TXHitItem::Assign(source)) return false;
  Checked = static_cast<const TXTocActionItem&>(source).Checked;
  return true;
}

const TXClassInfo& TXTocActionCollection::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXTocActionCollection>("TXTocActionCollection",
                                            TXLocalizedCollection::StaticClassInfo())
          .Build();
  return info;
}

TXTocActionItem* TXTocActionCollection::FindAction(std::string_view name) const {
  return static_cast<TXTocActionItem*>(FindByName(name));
}

const TXClassInfo& TXTocItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXTocItem>("TXTocItem", TXImageItem::StaticClassInfo())
          .DateTime("TocDate", &TXTocItem::TocDate)
          .Property("GroupName", &TXTocItem::GroupName)
          .Property("Action", &TXTocItem::Action)
          .Property("ImageAction", &TXTocItem::ImageAction)
          .Property("TocData", &TXTocItem::TocData)
          .Object("Caption", &TXTocItem::Caption)
          .Object("Rtf", &TXTocItem::Rtf)
          .Object("Actions", &TXTocItem::Actions)
          .Build();
  return info;
}

bool TXTocItem::Assign(const TXPersistent& source) {
  auto* item = dynamic_cast<const TXTocItem*>(&source);
  if (!item) return TXImageItem::Assign(source);
  if (item == this) return true;
  SetLgID(item->LgID());
  return TXPersistent::Assign(source);
}

void TXTocItem::Clear() {
  TXImageItem::Clear();
  TocDate = 0;
  GroupName.clear();
  Action.clear();
  ImageAction.clear();
  TocData.clear();
  caption_.Clear();
  rtf_.Clear();
  actions_.Clear();
}

int CompareTocDates(double a, double b) {
  if (a == 0 && b == 0) return 0;
  if (a == 0) return -1;
  if (b == 0) return 1;
  if (a == b) return 0;
  return a > b ? -1 : 1;
}

const TXClassInfo& TXTocCollection::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXTocCollection>("TXTocCollection", TXLocalizedCollection::StaticClassInfo())
          .Build();
  return info;
}

TXTocCollection::TXTocCollection() : TXLocalizedCollection(TXTocItem::StaticClassInfo()) {}

void TXTocCollection::SortByDate() {
  Sort([](const TXCollectionItem& a, const TXCollectionItem& b) {
    return CompareTocDates(static_cast<const TXTocItem&>(a).TocDate,
                           static_cast<const TXTocItem&>(b).TocDate) < 0;
  });
}

void TXTocCollection::ClearLogs() {
  DefaultLog.clear();
  OtherLog.clear();
}

void TXTocCollection::LogAction(const TXTocItem& item, const TXTocActionItem& action) {
  if (!LogEnabled || !action.Log) return;
  (action.Default ? DefaultLog : OtherLog).push_back(item.Name() + "=" + action.Name());
}

}  // namespace kova
