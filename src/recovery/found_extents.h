#pragma once

#include <map>
#include <string>
#include <string_view>

#include "recovery/blocks.h"

namespace kova {

// The extents of the files a run has taken, whether or not the user's choice of types keeps
// them, each with the lower-case extension of the first file taken on them. The search asks it to
// tell a file found again from a new one, so that a scan for some types finds what a scan for
// all types finds, and no more work.
class TXDRFoundExtents {
 public:
  // Keeps the extension of the first file on the extents.
  void Add(const TXBlocks& blocks, std::string_view ext);
  bool Holds(const TXBlocks& blocks) const { return files_.contains(blocks); }
  // The extension of the first file on exactly these extents, or nullptr.
  const std::string* ExtOn(const TXBlocks& blocks) const;
  void Clear() { files_.clear(); }

 private:
  struct TXOrder {
    bool operator()(const TXBlocks& a, const TXBlocks& b) const {
      return TXBlocksComparer::Compare(a, b) < 0;
    }
  };
  std::map<TXBlocks, std::string, TXOrder> files_;
};

}  // namespace kova
