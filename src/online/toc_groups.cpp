#include "online/toc_groups.h"

namespace kova {

const TXClassInfo& TXTocGroupItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXTocGroupItem>("TXTocGroupItem", TXFilerableItem::StaticClassInfo())
          .Property("Name", &TXTocGroupItem::Name, &TXTocGroupItem::SetName)
          .DateTime("GroupDate", &TXTocGroupItem::GroupDate)
          .Object("Caption", &TXTocGroupItem::Caption)
          .Build();
  return info;
}

bool TXTocGroupItem::Assign(const TXPersistent& source) {
  auto* item = dynamic_cast<const TXTocItem*>(&source);
  if (!item) return TXFilerableItem::Assign(source);
  SetName(item->Name());
  GroupDate = item->TocDate;
  return caption_.Assign(item->Caption());
}

const TXClassInfo& TXTocGroupCollection::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXTocGroupCollection>("TXTocGroupCollection",
                                           TXLocalizedCollection::StaticClassInfo())
          .Build();
  return info;
}

void TXTocGroupCollection::SortByDate() {
  Sort([](const TXCollectionItem& a, const TXCollectionItem& b) {
    return CompareTocDates(static_cast<const TXTocGroupItem&>(a).GroupDate,
                           static_cast<const TXTocGroupItem&>(b).GroupDate) < 0;
  });
}

TXTocGroupItem* TXTocGroupCollection::FindGroup(std::string_view name) const {
  return static_cast<TXTocGroupItem*>(FindByName(name));
}

}  // namespace kova
