#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "recovery/blocks.h"

namespace kova {

// The extents of the files a run has taken, whether or not the user's choice of types keeps
// them, each with the lower-case extension of the first file taken on them. The search asks it to
// tell a file found again from a new one, so that a scan for some types finds what a scan for
// all types finds, and no more work.
//
// It also keeps the bytes of the files that directory entries describe, so that the search can
// tell a piece of such a file (its start measured to another end, a preview or frame inside it)
// from a file of its own.
class TXDRFoundExtents {
 public:
  // Keeps the extension of the first file on the extents.
  void Add(const TXBlocks& blocks, std::string_view ext);
  bool Holds(const TXBlocks& blocks) const { return files_.contains(blocks); }
  // The extension of the first file on exactly these extents, or nullptr.
  const std::string* ExtOn(const TXBlocks& blocks) const;

  // Notes the bytes of a file that a directory entry describes. Every byte of a `bound` file
  // belongs to it (a live file's chain, or a deleted file that holds other pictures: a video, a
  // raw file); a file that is not bound owns only its first byte for sure, since the clusters a
  // deleted entry is taken to lie on may hold other files after it.
  void AddEntryFile(const TXBlocks& blocks, bool bound);
  // True when a file found by its content at medium offset `start` is part of a file that an
  // entry describes: the offset is the first byte of such a file, or lies inside a bound one.
  bool PartOfEntryFile(int64_t start) const;

  void Clear();

 private:
  struct TXOrder {
    bool operator()(const TXBlocks& a, const TXBlocks& b) const {
      return TXBlocksComparer::Compare(a, b) < 0;
    }
  };
  // One extent of an entry's file.
  struct TXEntrySpan {
    int64_t Start;
    int64_t End;        // one past the last byte
    int64_t FileStart;  // the file's first byte
    bool Bound;
  };
  void SortSpans() const;

  std::map<TXBlocks, std::string, TXOrder> files_;
  // Sorted by Start when sorted_; reach_[i] is the greatest End of spans_[0..i].
  mutable std::vector<TXEntrySpan> spans_;
  mutable std::vector<int64_t> reach_;
  mutable bool sorted_ = true;
};

}  // namespace kova
