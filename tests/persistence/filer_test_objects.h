#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/collection.h"
#include "persistence/filer_data_index.h"

// Persistent objects with a property of every kind, for the filer tests.
namespace kova::test {

enum class Rating : uint8_t { Unrated, Good, Best };

class Shot : public TXFilerableItem {
  KOVA_PERSISTENT(Shot)
 public:
  std::string Name() const { return DisplayName(); }
  void SetName(const std::string& name) { SetDisplayName(name); }

  int32_t width = 0;
  Rating rating = Rating::Unrated;
  int64_t tags = 0;
  double taken = 0;
  std::string caption;
  std::vector<std::string> keywords;
};

class Lens : public TXPersistent {
  KOVA_PERSISTENT(Lens)
 public:
  std::string model;
  uint32_t focal = 0;
};

class Album : public TXFilerablePersistent {
  KOVA_PERSISTENT(Album)
 public:
  Album() : shots(Shot::StaticClassInfo()) {}

  TXTypedCollection<Shot>& Shots() { return shots; }
  Lens& GetLens() { return lens; }
  void DefineBinaryProperties(std::vector<TXBinaryProperty>& properties) override;

  int32_t count = 0;
  bool enabled = false;
  double price = 0;
  std::string title;
  std::vector<std::string> notes;
  Lens lens;
  TXTypedCollection<Shot> shots;
  std::vector<uint8_t> blob;
  // Makes writing the binary property fail.
  bool failWrite = false;
};

}  // namespace kova::test
