#include "imaging/data_maps.h"

namespace kova {

template <>
const TXClassInfo& TXByteMap::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXByteMap>("TXByteMap", TXPersistent::StaticClassInfo()).Build();
  return info;
}

template <>
const TXClassInfo& TXRGBMap::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXRGBMap>("TXRGBMap", TXPersistent::StaticClassInfo()).Build();
  return info;
}

template <>
const TXClassInfo& TXRGBAMap::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXRGBAMap>("TXRGBAMap", TXPersistent::StaticClassInfo()).Build();
  return info;
}

template <>
const TXClassInfo& TXDataMap<TXPixWeight>::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXDataMap<TXPixWeight>>("TXPixWeightDataMap", TXPersistent::StaticClassInfo())
          .Build();
  return info;
}

const TXClassInfo& TXPixWeightMap::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXPixWeightMap>("TXPixWeightMap", TXDataMap<TXPixWeight>::StaticClassInfo())
          .Build();
  return info;
}

void TXPixWeightMap::SetSize(TXSize size) {
  TXDataMap<TXPixWeight>::SetSize(size);
  counts_.assign(static_cast<size_t>(Width()), 0);
}

void TXPixWeightMap::AddTap(int32_t x, TXPixWeight tap) {
  int32_t& count = counts_[static_cast<size_t>(x)];
  if (count == Height()) {
    // Rows are stored one after the other, so one more row keeps every tap where it was.
    data_.resize(data_.size() + static_cast<size_t>(Width()));
    ++size_.Height;
  }
  At(x, count++) = tap;
}

void TXPixWeightMap::Clear() {
  TXDataMap<TXPixWeight>::Clear();
  counts_.clear();
}

bool TXPixWeightMap::Assign(const TXPersistent& source) {
  auto* other = dynamic_cast<const TXPixWeightMap*>(&source);
  if (!other || !TXDataMap<TXPixWeight>::Assign(source)) return false;
  counts_ = other->counts_;
  return true;
}

}  // namespace kova
