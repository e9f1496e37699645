#include "recovery/file_collection.h"

namespace kova {

bool TXDRFileCollection::AnyChecked() const {
  for (int32_t i = 0; i < Count(); ++i) {
    if (At(i)->Checked) return true;
  }
  return false;
}

bool TXDRFileCollection::AnyCheckedWithExt(std::span<const std::string> exts) const {
  for (int32_t i = 0; i < Count(); ++i) {
    if (At(i)->Checked && At(i)->HasExt(exts)) return true;
  }
  return false;
}

void TXDRFileCollection::SetCheckedByExt(std::span<const std::string> exts, bool value) {
  for (int32_t i = 0; i < Count(); ++i) {
    TXDRFileItem& item = *At(i);
    if (item.Checked != value && item.HasExt(exts)) item.Checked = value;
  }
}

int64_t TXDRFileCollection::CheckedSize() const {
  int64_t total = 0;
  for (int32_t i = 0; i < Count(); ++i) {
    if (At(i)->Checked) total += At(i)->Size();
  }
  return total;
}

}  // namespace kova
