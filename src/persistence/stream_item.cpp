#include "persistence/stream_item.h"

namespace kova {

const TXClassInfo& TXCustomStreamItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXCustomStreamItem>("TXCustomStreamItem",
                                         TXLocalizedCollectionItem::StaticClassInfo())
          .Build();
  return info;
}

bool TXCustomStreamItem::Assign(const TXPersistent& source) {
  if (auto* item = dynamic_cast<const TXCustomStreamItem*>(&source)) {
    if (item == this) return true;
    SetLgID(item->LgID());
    return object_->Assign(*item->object_);
  }
  return object_->Assign(source);
}

void TXCustomStreamItem::Clear() {
  TXLocalizedCollectionItem::Clear();
  object_->Clear();
}

const TXClassInfo& TXStreamItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXStreamItem>("TXStreamItem", TXCustomStreamItem::StaticClassInfo())
          .Object("Data", &TXStreamItem::Data)
          .Build();
  return info;
}

}  // namespace kova
