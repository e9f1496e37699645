#pragma once

#include <string>

#include "imaging/image_object.h"
#include "persistence/localized_objects.h"
#include "persistence/stream_item.h"

// Named pictures in collections: the skin's image boxes, the per-extension icons and the groups
// of pictures in several sizes.
namespace kova {

// A collection item holding one picture, published as "Data".
class TXImageItem : public TXCustomStreamItem {
  KOVA_PERSISTENT(TXImageItem)

 public:
  TXImageItem() : TXCustomStreamItem(std::make_unique<TXImageObject>()) {}

  TXImageObject& Data() { return static_cast<TXImageObject&>(Object()); }
  const TXImageObject& Data() const { return static_cast<const TXImageObject&>(Object()); }
};

// An image item with a thumbnail of its picture, published as "Thn".
class TXThnImageItem : public TXImageItem {
  KOVA_PERSISTENT(TXThnImageItem)

 public:
  TXImageObject& Thn() { return thn_; }
  const TXImageObject& Thn() const { return thn_; }

  void SetStoreData(bool storeData) override;
  // Also copies the thumbnail of another thumbnail item.
  bool Assign(const TXPersistent& source) override;
  void Clear() override;

 private:
  TXImageObject thn_;
};

// A collection of image items. An item class given at creation is used when it derives from
// TXImageItem, else TXImageItem.
class TXImageCollection : public TXLocalizedCollection {
  KOVA_PERSISTENT(TXImageCollection)

 public:
  TXImageCollection();
  explicit TXImageCollection(const TXClassInfo& itemClass);

  TXImageItem* Add() { return static_cast<TXImageItem*>(TXCollection::Add()); }
  TXImageItem* At(int32_t index) const { return static_cast<TXImageItem*>(Item(index)); }
  TXImageItem* operator[](int32_t index) const { return At(index); }
  // The first item with the display name, ignoring case; nullptr when none has it.
  TXImageItem* Find(std::string_view name) const {
    return static_cast<TXImageItem*>(FindByName(name));
  }

  // Appends an item with the name and loads its picture from the source (see
  // TXImageObject::LoadFrom); when that fails the item is removed again and nullptr answered.
  TXImageItem* AddPicture(const std::string& name, const TXObject& source);

  // Orders the items by display name, ignoring case.
  void SortByName();
  // A sorted collection sorts itself again after items are appended from another collection.
  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  // Appends copies of the other collection's items.
  void AppendFrom(const TXImageCollection& other);

 private:
  bool sorted_ = false;
};

// An image item that also holds a collection of pictures, published as "Images".
class TXImageGroupItem : public TXImageItem {
  KOVA_PERSISTENT(TXImageGroupItem)

 public:
  TXImageCollection& Images() { return images_; }
  const TXImageCollection& Images() const { return images_; }

  // Also copies the pictures of another group item.
  bool Assign(const TXPersistent& source) override;
  void Clear() override;

 private:
  TXImageCollection images_;
};

class TXImageGroupCollection : public TXLocalizedCollection {
  KOVA_PERSISTENT(TXImageGroupCollection)

 public:
  TXImageGroupCollection();

  TXImageGroupItem* Add() { return static_cast<TXImageGroupItem*>(TXCollection::Add()); }
  TXImageGroupItem* At(int32_t index) const { return static_cast<TXImageGroupItem*>(Item(index)); }
  TXImageGroupItem* Find(std::string_view name) const {
    return static_cast<TXImageGroupItem*>(FindByName(name));
  }
};

// Groups of pictures, published as "Groups".
class TXImageGroupObject : public TXLocalizedPersistent {
  KOVA_PERSISTENT(TXImageGroupObject)

 public:
  TXImageGroupCollection& Groups() { return groups_; }
  const TXImageGroupCollection& Groups() const { return groups_; }
  void Clear() override;

 private:
  TXImageGroupCollection groups_;
};

}  // namespace kova
