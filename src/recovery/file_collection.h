#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "recovery/file_item.h"
#include "recovery/split_item.h"

namespace kova {

// The found files of one recovery run. It belongs to the recovery data gear and is shared with
// the recovery threads; while a scan runs only the scan thread adds to it.
class TXDRFileCollection : public TXSplitCollectionOf<TXDRFileItem> {
 public:
  using TXSplitCollectionOf<TXDRFileItem>::TXSplitCollectionOf;

  bool AnyChecked() const;
  // True when some checked item has one of the extensions.
  bool AnyCheckedWithExt(std::span<const std::string> exts) const;
  // Sets Checked of every item with one of the extensions whose Checked differs from the value.
  void SetCheckedByExt(std::span<const std::string> exts, bool value);
  // The total size of the checked items.
  int64_t CheckedSize() const;
};

}  // namespace kova
