#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "framework/collection.h"
#include "recovery/blocks.h"

namespace kova {

class TXSplitCollection;

// A collection item that owns a list of extents on the medium: a file that may lie in several
// pieces. It is empty when it has no extents; its size is the extents' total.
class TXSplitItem : public TXCollectionItem {
  KOVA_PERSISTENT(TXSplitItem)

 public:
  TXSplitItem() = default;
  ~TXSplitItem() override;

  const TXBlocks& Blocks() const { return blocks_; }
  // The extents for changing them. The item's collection re-reads them at its next extent
  // lookup, so do not keep the reference across such lookups.
  TXBlocks& EditBlocks();

  bool IsEmpty() const { return blocks_.Empty(); }
  int64_t Size() const { return blocks_.TotalSize(); }

  // Copies the extents of another split item; other sources go to the base.
  bool Assign(const TXPersistent& source) override;

 private:
  friend class TXSplitCollection;
  TXBlocks blocks_;
  TXSplitCollection* indexedBy_ = nullptr;  // the collection whose extent index holds the item
  uint64_t indexKey_ = 0;
  bool changePending_ = false;
};

// A collection of split items that answers which item lies on given extents. The answer comes
// from an index keyed by the extent lists, kept up to date as items are added, changed, deleted
// and cleared, so that a lookup costs the same for twenty thousand items as for ten.
class TXSplitCollection : public TXCollection {
 public:
  explicit TXSplitCollection(const TXClassInfo& itemClass,
                             const TXClassInfo& baseItemClass = TXSplitItem::StaticClassInfo())
      : TXCollection(itemClass, baseItemClass) {}
  ~TXSplitCollection() override;

  // The index of the first item whose extents compare equal to `blocks` (same count, every
  // extent equal in start and size), or -1.
  int32_t IndexOfBlocks(const TXBlocks& blocks) const;

  void Clear() override;

 private:
  friend class TXSplitItem;
  using TXIndex = std::unordered_multimap<uint64_t, TXSplitItem*>;

  void ItemChanging(TXSplitItem& item);
  void ItemGone(TXSplitItem& item);
  void Refresh() const;
  void Insert(TXSplitItem& item) const;
  void Erase(TXSplitItem& item) const;

  mutable TXIndex index_;
  mutable std::vector<TXSplitItem*> changed_;
  mutable int32_t indexedCount_ = 0;
};

// A split collection of items of class TItem, with typed access.
template <class TItem>
class TXSplitCollectionOf : public TXSplitCollection {
 public:
  TXSplitCollectionOf() : TXSplitCollection(TItem::StaticClassInfo(), TItem::StaticClassInfo()) {}
  explicit TXSplitCollectionOf(const TXClassInfo& itemClass)
      : TXSplitCollection(itemClass, TItem::StaticClassInfo()) {}

  TItem* Add() { return static_cast<TItem*>(TXCollection::Add()); }
  TItem* At(int32_t index) const { return static_cast<TItem*>(TXCollection::Item(index)); }
  TItem* operator[](int32_t index) const { return At(index); }
};

}  // namespace kova
