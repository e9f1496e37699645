#include "recovery/split_item.h"

#include <algorithm>

namespace kova {

namespace {

uint64_t Mix(uint64_t hash, uint64_t value) {
  hash ^= value + 0x9E3779B97F4A7C15ull + (hash << 6) + (hash >> 2);
  hash ^= hash >> 31;
  hash *= 0xBF58476D1CE4E5B9ull;
  return hash ^ (hash >> 29);
}

uint64_t KeyOf(const TXBlocks& blocks) {
  uint64_t hash = static_cast<uint64_t>(blocks.Count());
  for (const TXBlock& block : blocks) {
    hash = Mix(hash, static_cast<uint64_t>(block.Start));
    hash = Mix(hash, static_cast<uint64_t>(block.Size));
  }
  return hash;
}

}  // namespace

const TXClassInfo& TXSplitItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXSplitItem>("TXSplitItem", TXCollectionItem::StaticClassInfo()).Build();
  return info;
}

TXSplitItem::~TXSplitItem() {
  if (indexedBy_) indexedBy_->ItemGone(*this);
}

TXBlocks& TXSplitItem::EditBlocks() {
  if (indexedBy_ && !changePending_) indexedBy_->ItemChanging(*this);
  return blocks_;
}

bool TXSplitItem::Assign(const TXPersistent& source) {
  auto* other = dynamic_cast<const TXSplitItem*>(&source);
  if (!other) return TXCollectionItem::Assign(source);
  if (other == this) return true;
  TXBlocks& blocks = EditBlocks();
  blocks.Clear();
  blocks.AppendRange(other->blocks_);
  blocks.RecalcSize();
  return true;
}

TXSplitCollection::~TXSplitCollection() {
  TXSplitCollection::Clear();
}

int32_t TXSplitCollection::IndexOfBlocks(const TXBlocks& blocks) const {
  Refresh();
  int32_t first = -1;
  auto [from, to] = index_.equal_range(KeyOf(blocks));
  for (auto it = from; it != to; ++it) {
    const TXSplitItem& item = *it->second;
    if (TXBlocksComparer::Compare(item.blocks_, blocks) != 0) continue;
    if (first < 0 || item.Index() < first) first = item.Index();
  }
  return first;
}

void TXSplitCollection::Clear() {
  for (int32_t i = 0; i < Count(); ++i)
    static_cast<TXSplitItem*>(Item(i))->indexedBy_ = nullptr;
  index_.clear();
  changed_.clear();
  indexedCount_ = 0;
  TXCollection::Clear();
}

void TXSplitCollection::ItemChanging(TXSplitItem& item) {
  item.changePending_ = true;
  changed_.push_back(&item);
}

void TXSplitCollection::ItemGone(TXSplitItem& item) {
  Erase(item);
  if (item.changePending_) std::erase(changed_, &item);
  --indexedCount_;
}

// Re-keys the items whose extents may have changed, then indexes the items added since the last
// lookup. New items are appended at the end, so the search for them starts there.
void TXSplitCollection::Refresh() const {
  for (TXSplitItem* item : changed_) {
    Erase(*item);
    item->changePending_ = false;
    Insert(*item);
  }
  changed_.clear();
  for (int32_t i = Count() - 1; i >= 0 && indexedCount_ < Count(); --i) {
    auto* item = static_cast<TXSplitItem*>(Item(i));
    if (item->indexedBy_ == this) continue;
    item->indexedBy_ = const_cast<TXSplitCollection*>(this);
    Insert(*item);
    ++indexedCount_;
  }
}

void TXSplitCollection::Insert(TXSplitItem& item) const {
  item.indexKey_ = KeyOf(item.blocks_);
  index_.emplace(item.indexKey_, &item);
}

void TXSplitCollection::Erase(TXSplitItem& item) const {
  auto [from, to] = index_.equal_range(item.indexKey_);
  for (auto it = from; it != to; ++it) {
    if (it->second == &item) {
      index_.erase(it);
      return;
    }
  }
}

}  // namespace kova
