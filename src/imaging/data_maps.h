#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "framework/persistent.h"
#include "imaging/geometry.h"

// Two-dimensional arrays of pixels or weights: height rows of width elements, row-major.
namespace kova {

#pragma pack(push, 1)
struct TXRGBColor {
  uint8_t Blue, Green, Red;
};
struct TXRGBAColor {
  uint8_t Blue, Green, Red, Alpha;
};
#pragma pack(pop)

// One tap of a weight map: a source position and its weight.
struct TXPixWeight {
  int32_t Index = 0;
  float Weight = 0;
};

template <class T>
class TXDataMap : public TXPersistent {
 public:
  static const TXClassInfo& StaticClassInfo();
  const TXClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TXSize Size() const { return size_; }
  int32_t Width() const { return size_.Width; }
  int32_t Height() const { return size_.Height; }
  bool IsEmpty() const { return size_.Width == 0 && size_.Height == 0; }
  // Reallocates only when the size changes; the elements are then value-initialised.
  virtual void SetSize(TXSize size) {
    if (size == size_) return;
    size_ = {std::max(size.Width, 0), std::max(size.Height, 0)};
    data_.assign(static_cast<size_t>(size_.Width) * size_.Height, T{});
  }

  T& At(int32_t x, int32_t y) { return data_[static_cast<size_t>(y) * size_.Width + x]; }
  const T& At(int32_t x, int32_t y) const {
    return data_[static_cast<size_t>(y) * size_.Width + x];
  }
  T* Row(int32_t y) { return data_.data() + static_cast<size_t>(y) * size_.Width; }
  const T* Row(int32_t y) const { return data_.data() + static_cast<size_t>(y) * size_.Width; }

  void Clear() override {
    data_.clear();
    size_ = {};
  }
  bool Assign(const TXPersistent& source) override {
    auto* other = dynamic_cast<const TXDataMap<T>*>(&source);
    if (!other) return false;
    size_ = other->size_;
    data_ = other->data_;
    return true;
  }

 protected:
  TXSize size_;
  std::vector<T> data_;
};

using TXByteMap = TXDataMap<uint8_t>;
using TXRGBMap = TXDataMap<TXRGBColor>;
using TXRGBAMap = TXDataMap<TXRGBAColor>;

template <>
const TXClassInfo& TXByteMap::StaticClassInfo();
template <>
const TXClassInfo& TXRGBMap::StaticClassInfo();
template <>
const TXClassInfo& TXRGBAMap::StaticClassInfo();
template <>
const TXClassInfo& TXDataMap<TXPixWeight>::StaticClassInfo();

// The weights that make each destination position of one axis: width is the destination
// length, height the room for taps; column x lists Count(x) taps in rows 0 to Count(x) - 1.
class TXPixWeightMap : public TXDataMap<TXPixWeight> {
  KOVA_PERSISTENT(TXPixWeightMap)

 public:
  // Also resets every column's count to 0.
  void SetSize(TXSize size) override;
  int32_t Count(int32_t x) const { return counts_[static_cast<size_t>(x)]; }
  // Appends a tap to column x, making room for one more row when the column is full.
  void AddTap(int32_t x, TXPixWeight tap);

  void Clear() override;
  bool Assign(const TXPersistent& source) override;

 private:
  std::vector<int32_t> counts_;
};

}  // namespace kova
