#include "framework/collection.h"

#include <algorithm>
#include <stdexcept>

#include "framework/text_utils.h"

namespace kova {

const TXClassInfo& TXCollectionItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXCollectionItem>("TCollectionItem", TXPersistent::StaticClassInfo()).Build();
  return info;
}

void TXCollectionItem::SetIndex(int32_t index) {
  if (collection_) collection_->Move(index_, index);
}

const TXClassInfo& TXCollection::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXCollection>("TCollection", TXPersistent::StaticClassInfo()).Build();
  return info;
}

TXCollection::TXCollection() : TXCollection(TXCollectionItem::StaticClassInfo()) {}

TXCollection::TXCollection(const TXClassInfo& itemClass, const TXClassInfo& baseItemClass)
    : itemClass_(itemClass.InheritsFrom(baseItemClass) ? &itemClass : &baseItemClass) {}

TXCollection::~TXCollection() = default;

TXCollectionItem* TXCollection::Add() {
  std::unique_ptr<TXPersistent> object = itemClass_->CreateInstance();
  auto* item = dynamic_cast<TXCollectionItem*>(object.get());
  if (!item) throw std::logic_error("collection item class " + itemClass_->Name() + " is abstract");
  object.release();
  return Append(std::unique_ptr<TXCollectionItem>(item));
}

TXCollectionItem* TXCollection::Append(std::unique_ptr<TXCollectionItem> item) {
  item->collection_ = this;
  item->index_ = Count();
  item->id_ = nextId_++;
  items_.push_back(std::move(item));
  return items_.back().get();
}

void TXCollection::Delete(int32_t index) {
  items_.erase(items_.begin() + index);
  Renumber(static_cast<size_t>(index));
}

void TXCollection::Clear() {
  items_.clear();
  nextId_ = 0;
}

void TXCollection::Move(int32_t from, int32_t to) {
  if (from == to || from < 0 || from >= Count()) return;
  to = std::clamp(to, 0, Count() - 1);
  std::unique_ptr<TXCollectionItem> item = std::move(items_[static_cast<size_t>(from)]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(item));
  Renumber(static_cast<size_t>(std::min(from, to)));
}

void TXCollection::Sort(
    const std::function<bool(const TXCollectionItem&, const TXCollectionItem&)>& less) {
  std::stable_sort(items_.begin(), items_.end(),
                   [&](const auto& a, const auto& b) { return less(*a, *b); });
  Renumber(0);
}

TXCollectionItem* TXCollection::FindByName(std::string_view name) const {
  for (const auto& item : items_) {
    if (SameText(item->DisplayName(), name)) return item.get();
  }
  return nullptr;
}

bool TXCollection::Assign(const TXPersistent& source) {
  auto* other = dynamic_cast<const TXCollection*>(&source);
  if (!other) return false;
  if (other == this) return true;
  Clear();
  for (const auto& item : other->items_) {
    TXCollectionItem* copy = Add();
    copy->SetDisplayName(item->DisplayName());
    copy->Assign(*item);
  }
  return true;
}

void TXCollection::Renumber(size_t from) {
  for (size_t i = from; i < items_.size(); ++i)
    items_[i]->index_ = static_cast<int32_t>(i);
}

}  // namespace kova
