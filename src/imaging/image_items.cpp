#include "imaging/image_items.h"

#include "framework/text_utils.h"

namespace kova {

const TXClassInfo& TXImageItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXImageItem>("TXImageItem", TXCustomStreamItem::StaticClassInfo())
          .Object("Data", &TXImageItem::Data)
          .Build();
  return info;
}

const TXClassInfo& TXThnImageItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXThnImageItem>("TXThnImageItem", TXImageItem::StaticClassInfo())
          .Object("Thn", &TXThnImageItem::Thn)
          .Build();
  return info;
}

void TXThnImageItem::SetStoreData(bool storeData) {
  TXImageItem::SetStoreData(storeData);
  thn_.SetStoreData(storeData);
}

bool TXThnImageItem::Assign(const TXPersistent& source) {
  if (!TXImageItem::Assign(source)) return false;
  if (auto* other = dynamic_cast<const TXThnImageItem*>(&source)) thn_.Assign(other->thn_);
  return true;
}

void TXThnImageItem::Clear() {
  TXImageItem::Clear();
  thn_.Clear();
}

const TXClassInfo& TXImageCollection::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXImageCollection>("TXImageCollection",
                                        TXLocalizedCollection::StaticClassInfo())
          .Build();
  return info;
}

TXImageCollection::TXImageCollection() : TXImageCollection(TXImageItem::StaticClassInfo()) {}

TXImageCollection::TXImageCollection(const TXClassInfo& itemClass)
    : TXLocalizedCollection(itemClass.InheritsFrom(TXImageItem::StaticClassInfo())
                                ? itemClass
                                : TXImageItem::StaticClassInfo()) {}

TXImageItem* TXImageCollection::AddPicture(const std::string& name, const TXObject& source) {
  TXImageItem* item = Add();
  item->SetDisplayName(name);
  if (item->Data().LoadFrom(source)) return item;
  Delete(item->Index());
  return nullptr;
}

void TXImageCollection::SortByName() {
  Sort([](const TXCollectionItem& a, const TXCollectionItem& b) {
    return CompareText(a.DisplayName(), b.DisplayName()) < 0;
  });
}

void TXImageCollection::SetSorted(bool sorted) {
  sorted_ = sorted;
  if (sorted_) SortByName();
}

void TXImageCollection::AppendFrom(const TXImageCollection& other) {
  if (&other == this) return;
  for (int32_t i = 0; i < other.Count(); ++i) {
    TXImageItem* copy = Add();
    copy->SetDisplayName(other.At(i)->DisplayName());
    copy->Assign(*other.At(i));
  }
  if (sorted_) SortByName();
}

const TXClassInfo& TXImageGroupItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXImageGroupItem>("TXImageGroupItem", TXImageItem::StaticClassInfo())
          .Object("Images", &TXImageGroupItem::Images)
          .Build();
  return info;
}

bool TXImageGroupItem::Assign(const TXPersistent& source) {
  if (!TXImageItem::Assign(source)) return false;
  if (auto* other = dynamic_cast<const TXImageGroupItem*>(&source)) images_.Assign(other->images_);
  return true;
}

void TXImageGroupItem::Clear() {
  TXImageItem::Clear();
  images_.Clear();
}

const TXClassInfo& TXImageGroupCollection::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXImageGroupCollection>("TXImageGroupCollection",
                                             TXLocalizedCollection::StaticClassInfo())
          .Build();
  return info;
}

TXImageGroupCollection::TXImageGroupCollection()
    : TXLocalizedCollection(TXImageGroupItem::StaticClassInfo()) {}

const TXClassInfo& TXImageGroupObject::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXImageGroupObject>("TXImageGroupObject",
                                         TXLocalizedPersistent::StaticClassInfo())
          .Object("Groups", &TXImageGroupObject::Groups)
          .Build();
  return info;
}

void TXImageGroupObject::Clear() {
  TXLocalizedPersistent::Clear();
  groups_.Clear();
}

}  // namespace kova
