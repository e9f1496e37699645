#include "online/string_collection.h"

#include "persistence/lg.h"

namespace kova {

const TXClassInfo& TXStringItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXStringItem>("TXStringItem", TXLocalizedCollectionItem::StaticClassInfo())
          .Property("LgID", &TXStringItem::LgID, &TXStringItem::SetLgID)
          .Default(0)
          .Property("Text", &TXStringItem::Text, &TXStringItem::SetText)
          .Build();
  return info;
}

const TXClassInfo& TXStringCollection::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXStringCollection>("TXStringCollection",
                                         TXLocalizedCollection::StaticClassInfo())
          .Property("LgID", &TXStringCollection::LgID, &TXStringCollection::SetLgID)
          .Default(0)
          .Build();
  return info;
}

std::string TXStringCollection::Text() const {
  return TextFor(Lg().LanguageID());
}

const TXStringItem* TXStringCollection::Find(uint32_t lgID) const {
  for (int32_t i = 0; i < Count(); ++i) {
    if (At(i)->LgID() == lgID) return At(i);
  }
  return nullptr;
}

std::string TXStringCollection::TextFor(uint32_t lgID) const {
  for (uint32_t candidate : {lgID, lgID & 0xFFu, lgID_, 0u}) {
    if (const TXStringItem* item = Find(candidate)) return item->Text();
  }
  if (lgID_ != kDefaultLgID) {
    if (const TXStringItem* item = Find(kDefaultLgID)) return item->Text();
  }
  return {};
}

void TXStringCollection::SetText(uint32_t lgID, const std::string& text) {
  for (int32_t i = 0; i < Count(); ++i) {
    if (At(i)->LgID() == lgID) {
      At(i)->SetText(text);
      return;
    }
  }
  TXStringItem* item = Add();
  item->SetLgID(lgID);
  item->SetText(text);
}

bool TXStringCollection::Assign(const TXPersistent& source) {
  if (!TXLocalizedCollection::Assign(source)) return false;
  if (auto* strings = dynamic_cast<const TXStringCollection*>(&source)) lgID_ = strings->lgID_;
  return true;
}

}  // namespace kova
