#include "persistence/localized_objects.h"

#include "framework/aspects.h"
#include "framework/text_utils.h"

namespace kova {

const TXClassInfo& TXLocalizedPersistent::StaticClassInfo() {
  static const TXClassInfo& info = TXClassBuilder<TXLocalizedPersistent>(
                                       "TXLocalizedPersistent", TXPersistent::StaticClassInfo())
                                       .Build();
  return info;
}

bool TXLocalizedPersistent::Assign(const TXPersistent& source) {
  if (!TXPersistent::Assign(source)) return false;
  lgID_ = static_cast<const TXLocalizedPersistent&>(source).lgID_;
  return true;
}

const TXClassInfo& TXNamedPersistent::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXNamedPersistent>("TXNamedPersistent",
                                        TXLocalizedPersistent::StaticClassInfo())
          .Build();
  return info;
}

bool TXNamedPersistent::Assign(const TXPersistent& source) {
  if (!TXLocalizedPersistent::Assign(source)) return false;
  name_ = static_cast<const TXNamedPersistent&>(source).name_;
  return true;
}

const TXClassInfo& TXLocalizedCollectionItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXLocalizedCollectionItem>("TXLocalizedCollectionItem",
                                                TXCollectionItem::StaticClassInfo())
          .Build();
  return info;
}

bool TXLocalizedCollectionItem::Assign(const TXPersistent& source) {
  if (!TXCollectionItem::Assign(source)) return false;
  lgID_ = static_cast<const TXLocalizedCollectionItem&>(source).lgID_;
  return true;
}

const TXClassInfo& TXLocalizedCollection::StaticClassInfo() {
  static const TXClassInfo& info = TXClassBuilder<TXLocalizedCollection>(
                                       "TXLocalizedCollection", TXCollection::StaticClassInfo())
                                       .Build();
  return info;
}

TXLocalizedCollection::TXLocalizedCollection()
    : TXLocalizedCollection(TXLocalizedCollectionItem::StaticClassInfo()) {}

TXLocalizedCollection::TXLocalizedCollection(const TXClassInfo& itemClass)
    : TXCollection(itemClass, TXLocalizedCollectionItem::StaticClassInfo()) {}

void TXLocaleIDStringList::SetStrings(std::vector<std::string> strings) {
  strings_ = std::move(strings);
  Changed();
}

void TXLocaleIDStringList::Add(const std::string& text) {
  strings_.push_back(text);
  Changed();
}

void TXLocaleIDStringList::Clear() {
  strings_.clear();
  Changed();
}

void TXLocaleIDStringList::SetDefaultLgID(uint32_t lgID) {
  defaultLgID_ = lgID;
  Changed();
}

uint32_t TXLocaleIDStringList::LgIDAt(int32_t index) const {
  std::optional<int64_t> value = ParseInteger(strings_.at(static_cast<size_t>(index)));
  if (!value || *value < 0 || *value > UINT32_MAX) return defaultLgID_;
  return static_cast<uint32_t>(*value);
}

int32_t TXLocaleIDStringList::IndexOfLgID(uint32_t lgID) const {
  for (int32_t i = 0; i < Count(); ++i) {
    if (LgIDAt(i) == lgID) return i;
  }
  return -1;
}

void TXLocaleIDStringList::Changed() {
  DispatchAspect<TXChangedAspect>(*this);
}

}  // namespace kova
