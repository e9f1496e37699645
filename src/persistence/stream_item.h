#pragma once

#include <memory>

#include "persistence/localized_objects.h"
#include "persistence/stream_object.h"

// Collection items that own one data object.
namespace kova {

class TXCustomStreamItem : public TXLocalizedCollectionItem {
  KOVA_PERSISTENT(TXCustomStreamItem)

 public:
  TXCustomStreamItem() : TXCustomStreamItem(std::make_unique<TXStreamObject>()) {}

  TXStreamObject& Object() { return *object_; }
  const TXStreamObject& Object() const { return *object_; }
  bool IsEmpty() const { return object_->IsEmpty(); }

  // The switch is the object's: the item passes it on.
  virtual bool StoreData() const { return object_->StoreData(); }
  virtual void SetStoreData(bool storeData) { object_->SetStoreData(storeData); }

  // Copies the data object of another stream item, or a data object given directly.
  bool Assign(const TXPersistent& source) override;
  void Clear() override;

 protected:
  // Subclasses hand in the data object of their own class.
  explicit TXCustomStreamItem(std::unique_ptr<TXStreamObject> object)
      : object_(std::move(object)) {}

 private:
  std::unique_ptr<TXStreamObject> object_;
};

// A stream item that publishes its data object as "Data".
class TXStreamItem : public TXCustomStreamItem {
  KOVA_PERSISTENT(TXStreamItem)

 public:
  TXStreamObject& Data() { return Object(); }
};

// A collection of stream items of class TItem.
template <class TItem>
class TXStreamCollectionOf : public TXLocalizedCollectionOf<TItem> {
  static_assert(std::is_base_of_v<TXCustomStreamItem, TItem>,
                "stream collections hold stream items");

 public:
  TItem* Find(std::string_view name) const {
    return static_cast<TItem*>(TXCollection::FindByName(name));
  }
};

using TXStreamCollection = TXStreamCollectionOf<TXStreamItem>;

}  // namespace kova
