#pragma once

#include <string>

#include "online/string_collection.h"
#include "online/toc_items.h"
#include "persistence/filer_data_index.h"

namespace kova {

// A caption under which news items show. An item whose GroupName is "group" defines one.
class TXTocGroupItem : public TXFilerableItem {
  KOVA_PERSISTENT(TXTocGroupItem)

 public:
  std::string Name() const { return DisplayName(); }
  void SetName(const std::string& name) { SetDisplayName(name); }
  // Days since 1899-12-30; 0 for an undated group.
  double GroupDate = 0;
  TXStringCollection& Caption() { return caption_; }
  const TXStringCollection& Caption() const { return caption_; }

  // Assigning a news item takes its name, its date and its caption.
  bool Assign(const TXPersistent& source) override;

 private:
  TXStringCollection caption_;
};

class TXTocGroupCollection : public TXLocalizedCollectionOf<TXTocGroupItem> {
  KOVA_PERSISTENT(TXTocGroupCollection)

 public:
  // Newest first; undated groups before dated ones.
  void SortByDate();
  // The first group with the name, ignoring case; nullptr for none.
  TXTocGroupItem* FindGroup(std::string_view name) const;
};

}  // namespace kova
