#include "recovery/found_extents.h"

#include "framework/text_utils.h"

namespace kova {

void TXDRFoundExtents::Add(const TXBlocks& blocks, std::string_view ext) {
  files_.try_emplace(blocks, LowerCase(ext));
}

const std::string* TXDRFoundExtents::ExtOn(const TXBlocks& blocks) const {
  auto found = files_.find(blocks);
  return found == files_.end() ? nullptr : &found->second;
}

}  // namespace kova
