#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/collection.h"
#include "framework/observable.h"
#include "framework/persistent.h"

// The bases of objects that belong to one language: every such object carries the identifier of
// its language (LgID, 0 when it belongs to none).
namespace kova {

// The language identifier of English, the language every other one falls back to.
inline constexpr uint32_t kDefaultLgID = 9;

class TXLocalizedPersistent : public TXPersistent {
  KOVA_PERSISTENT(TXLocalizedPersistent)

 public:
  uint32_t LgID() const { return lgID_; }
  virtual void SetLgID(uint32_t lgID) { lgID_ = lgID; }

  // Copies the published properties and the language identifier.
  bool Assign(const TXPersistent& source) override;
  void Clear() override { lgID_ = 0; }

 private:
  uint32_t lgID_ = 0;
};

// A localized object with a name. Subclasses publish "Name" (and "LgID") where their stored form
// wants them; Clear keeps the name, which identifies the object.
class TXNamedPersistent : public TXLocalizedPersistent {
  KOVA_PERSISTENT(TXNamedPersistent)

 public:
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }

  bool Assign(const TXPersistent& source) override;

 private:
  std::string name_;
};

class TXLocalizedCollectionItem : public TXCollectionItem {
  KOVA_PERSISTENT(TXLocalizedCollectionItem)

 public:
  uint32_t LgID() const { return lgID_; }
  void SetLgID(uint32_t lgID) { lgID_ = lgID; }

  bool Assign(const TXPersistent& source) override;
  void Clear() override { lgID_ = 0; }

 private:
  uint32_t lgID_ = 0;
};

// The base of the named, localizable item collections (image collections, stream collections,
// documents): its items are localized items.
class TXLocalizedCollection : public TXCollection {
  KOVA_PERSISTENT(TXLocalizedCollection)

 public:
  TXLocalizedCollection();
  explicit TXLocalizedCollection(const TXClassInfo& itemClass);
};

// A localized collection of items of class TItem, with typed access.
template <class TItem>
class TXLocalizedCollectionOf : public TXLocalizedCollection {
  static_assert(std::is_base_of_v<TXLocalizedCollectionItem, TItem>,
                "the items of a localized collection are localized items");

 public:
  TXLocalizedCollectionOf() : TXLocalizedCollection(TItem::StaticClassInfo()) {}

  TItem* Add() { return static_cast<TItem*>(TXCollection::Add()); }
  TItem* At(int32_t index) const { return static_cast<TItem*>(TXCollection::Item(index)); }
  TItem* operator[](int32_t index) const { return At(index); }
};

// A list of texts naming language identifiers in decimal, with a default identifier. Changing the
// list or its default dispatches TXChangedAspect on it.
class TXLocaleIDStringList : public TXObservable {
 public:
  const std::vector<std::string>& Strings() const { return strings_; }
  void SetStrings(std::vector<std::string> strings);
  void Add(const std::string& text);
  void Clear();
  int32_t Count() const { return static_cast<int32_t>(strings_.size()); }

  uint32_t DefaultLgID() const { return defaultLgID_; }
  void SetDefaultLgID(uint32_t lgID);

  // The entry as a language identifier: its decimal value, or the default identifier when it is
  // not a number.
  uint32_t LgIDAt(int32_t index) const;
  // Position of the first entry naming the identifier, or -1.
  int32_t IndexOfLgID(uint32_t lgID) const;

 private:
  void Changed();

  std::vector<std::string> strings_;
  uint32_t defaultLgID_ = kDefaultLgID;
};

}  // namespace kova
