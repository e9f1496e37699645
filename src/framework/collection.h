#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/persistent.h"

namespace kova {

class TXCollection;

// An item of an owned collection: it knows its collection, its position, its creation number and
// a display name (the name filers write for it).
class TXCollectionItem : public TXPersistent {
  KOVA_PERSISTENT(TXCollectionItem)

 public:
  TXCollectionItem() = default;

  TXCollection* Collection() const { return collection_; }
  int32_t Index() const { return index_; }
  void SetIndex(int32_t index);
  // Creation number within the collection, counting from 0: the order in which items were added.
  int32_t ID() const { return id_; }

  virtual std::string DisplayName() const { return displayName_; }
  virtual void SetDisplayName(const std::string& name) { displayName_ = name; }

 private:
  friend class TXCollection;
  TXCollection* collection_ = nullptr;
  int32_t index_ = -1;
  int32_t id_ = 0;
  std::string displayName_;
};

// A collection that owns its items. Its items are of the item class given at creation, or of the
// base item class when the given class does not derive from it.
class TXCollection : public TXPersistent {
  KOVA_PERSISTENT(TXCollection)

 public:
  TXCollection();
  explicit TXCollection(const TXClassInfo& itemClass,
                        const TXClassInfo& baseItemClass = TXCollectionItem::StaticClassInfo());
  ~TXCollection() override;

  const TXClassInfo& ItemClass() const { return *itemClass_; }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  TXCollectionItem* Item(int32_t index) const {
    return items_.at(static_cast<size_t>(index)).get();
  }

  // Appends a new default item and answers it.
  TXCollectionItem* Add();
  // Appends an item made by the caller (of the item class or derived from it).
  TXCollectionItem* Append(std::unique_ptr<TXCollectionItem> item);
  void Delete(int32_t index);
  void Clear() override;
  void Move(int32_t from, int32_t to);
  int32_t IndexOf(const TXCollectionItem* item) const {
    return item && item->collection_ == this ? item->index_ : -1;
  }
  // Reorders the items by a strict weak ordering.
  void Sort(const std::function<bool(const TXCollectionItem&, const TXCollectionItem&)>& less);
  // The first item whose display name equals the name, ignoring case.
  TXCollectionItem* FindByName(std::string_view name) const;

  // Copies the items of another collection: clear, then one new item per source item, assigned.
  bool Assign(const TXPersistent& source) override;

 private:
  void Renumber(size_t from);

  const TXClassInfo* itemClass_;
  std::vector<std::unique_ptr<TXCollectionItem>> items_;
  int32_t nextId_ = 0;
};

// A collection of items of class TItem, with typed access.
template <class TItem>
class TXTypedCollection : public TXCollection {
 public:
  TXTypedCollection() : TXCollection(TItem::StaticClassInfo(), TItem::StaticClassInfo()) {}
  explicit TXTypedCollection(const TXClassInfo& itemClass)
      : TXCollection(itemClass, TItem::StaticClassInfo()) {}

  TItem* Add() { return static_cast<TItem*>(TXCollection::Add()); }
  TItem* At(int32_t index) const { return static_cast<TItem*>(TXCollection::Item(index)); }
  TItem* operator[](int32_t index) const { return At(index); }
};

}  // namespace kova
