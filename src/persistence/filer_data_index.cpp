#include "persistence/filer_data_index.h"

namespace kova {

const TXClassInfo& TXFilerablePersistent::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXFilerablePersistent>("TXFilerablePersistent",
                                            TXNamedPersistent::StaticClassInfo())
          .Build();
  return info;
}

bool TXFilerablePersistent::Assign(const TXPersistent& source) {
  if (!TXNamedPersistent::Assign(source)) return false;
  const auto& other = static_cast<const TXFilerablePersistent&>(source);
  idx_ = other.idx_;
  xFilter_ = other.xFilter_;
  return true;
}

void TXFilerablePersistent::Clear() {
  TXNamedPersistent::Clear();
  idx_ = -1;
  xFilter_.clear();
}

const TXClassInfo& TXFilerableItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXFilerableItem>("TXFilerableItem",
                                      TXLocalizedCollectionItem::StaticClassInfo())
          .Build();
  return info;
}

bool TXFilerableItem::Assign(const TXPersistent& source) {
  if (!TXLocalizedCollectionItem::Assign(source)) return false;
  const auto& other = static_cast<const TXFilerableItem&>(source);
  idx_ = other.idx_;
  xFilter_ = other.xFilter_;
  return true;
}

void TXFilerableItem::Clear() {
  TXLocalizedCollectionItem::Clear();
  idx_ = -1;
  xFilter_.clear();
}

const TXClassInfo& TXDataIndexItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXDataIndexItem>("TXDataIndexItem", TXFilerableItem::StaticClassInfo())
          .Property("Name", &TXDataIndexItem::Name, &TXDataIndexItem::SetName)
          .Property("LgID", &TXDataIndexItem::LgID, &TXDataIndexItem::SetLgID)
          .Default(0)
          .Property("Idx", &TXDataIndexItem::Idx, &TXDataIndexItem::SetIdx)
          .Property("XFilter", &TXDataIndexItem::XFilter, &TXDataIndexItem::SetXFilter)
          .Build();
  return info;
}

const TXClassInfo& TXDataIndexCollection::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXDataIndexCollection>("TXDataIndexCollection",
                                            TXLocalizedCollection::StaticClassInfo())
          .Build();
  return info;
}

TXDataIndexItem* TXDataIndexCollection::AddData(const std::string& name, const std::string& filter,
                                                TXDataReference data) {
  TXDataIndexItem* item = Add();
  item->SetDisplayName(name);
  item->SetXFilter(filter);
  item->Bind(data);
  item->SetLgID(lgID_);
  item->SetIdx(item->Index() + base_);
  return item;
}

TXDataIndexItem* TXDataIndexCollection::Find(std::string_view name) const {
  return static_cast<TXDataIndexItem*>(FindByName(name));
}

const TXClassInfo& TXDataIndex::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXDataIndex>("TXDataIndex", TXFilerablePersistent::StaticClassInfo())
          .Property("LgID", &TXDataIndex::LgID, &TXDataIndex::SetLgID)
          .Default(0)
          .Object("DataIndex", &TXDataIndex::Items)
          .Build();
  return info;
}

void TXDataIndex::SetLgID(uint32_t lgID) {
  TXFilerablePersistent::SetLgID(lgID);
  items_.SetLgID(lgID);
}

void TXDataIndex::Clear() {
  TXFilerablePersistent::Clear();
  items_.Clear();
  items_.SetLgID(0);
}

}  // namespace kova
