#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "framework/stream.h"
#include "persistence/localized_objects.h"

// The objects a filer keeps its bookkeeping in: a filerable object knows the entry number it was
// stored under, and a data index binds named data (byte streams, strings, further objects) to the
// entry numbers of one record.
namespace kova {

// A named, localized object with the entry number it is stored under (-1 for none) and a filter.
class TXFilerablePersistent : public TXNamedPersistent {
  KOVA_PERSISTENT(TXFilerablePersistent)

 public:
  int32_t Idx() const { return idx_; }
  void SetIdx(int32_t idx) { idx_ = idx; }
  const std::string& XFilter() const { return xFilter_; }
  void SetXFilter(const std::string& filter) { xFilter_ = filter; }

  bool Assign(const TXPersistent& source) override;
  void Clear() override;

 private:
  int32_t idx_ = -1;
  std::string xFilter_;
};

// A localized collection item with an entry number (-1 for none) and a filter.
class TXFilerableItem : public TXLocalizedCollectionItem {
  KOVA_PERSISTENT(TXFilerableItem)

 public:
  int32_t Idx() const { return idx_; }
  void SetIdx(int32_t idx) { idx_ = idx; }
  const std::string& XFilter() const { return xFilter_; }
  void SetXFilter(const std::string& filter) { xFilter_ = filter; }

  bool Assign(const TXPersistent& source) override;
  void Clear() override;

 private:
  int32_t idx_ = -1;
  std::string xFilter_;
};

// What a data index item stands for (not owned): a byte stream, a text or a persistent object.
using TXDataReference = std::variant<std::monostate, TXStream*, std::string*, TXPersistent*>;

// One named datum of a record: published Name (its display name), LgID, Idx (its entry number)
// and XFilter.
class TXDataIndexItem : public TXFilerableItem {
  KOVA_PERSISTENT(TXDataIndexItem)

 public:
  const TXDataReference& Data() const { return data_; }
  void Bind(TXDataReference data) { data_ = data; }
  bool IsBound() const { return !std::holds_alternative<std::monostate>(data_); }
  // A byte stream of the item's own for data that has nowhere else to go.
  TXMemoryStream& Scratch() { return scratch_; }

  // The published name is the display name.
  std::string Name() const { return DisplayName(); }
  void SetName(const std::string& name) { SetDisplayName(name); }

 private:
  TXDataReference data_;
  TXMemoryStream scratch_;
};

// The data items of one record. Entry numbers start at the base: a data item added as the n-th
// gets entry base + n.
class TXDataIndexCollection : public TXLocalizedCollectionOf<TXDataIndexItem> {
  KOVA_PERSISTENT(TXDataIndexCollection)

 public:
  int32_t Base() const { return base_; }
  void SetBase(int32_t base) { base_ = base; }
  uint32_t LgID() const { return lgID_; }
  void SetLgID(uint32_t lgID) { lgID_ = lgID; }

  TXDataIndexItem* AddData(const std::string& name, const std::string& filter,
                           TXDataReference data);
  // By name, ignoring case.
  TXDataIndexItem* Find(std::string_view name) const;

 private:
  int32_t base_ = 0;
  uint32_t lgID_ = 0;
};

// The stored form of a record's data items: published LgID and DataIndex.
class TXDataIndex : public TXFilerablePersistent {
  KOVA_PERSISTENT(TXDataIndex)

 public:
  TXDataIndexCollection& Items() { return items_; }
  const TXDataIndexCollection& Items() const { return items_; }
  // Sets the identifier of the index and of its collection.
  void SetLgID(uint32_t lgID) override;

  // Empties the items and resets the identifier.
  void Clear() override;

 private:
  TXDataIndexCollection items_;
};

}  // namespace kova
