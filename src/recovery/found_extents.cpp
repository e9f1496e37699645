#include "recovery/found_extents.h"

#include <algorithm>

#include "framework/text_utils.h"

namespace kova {

void TXDRFoundExtents::Add(const TXBlocks& blocks, std::string_view ext) {
  files_.try_emplace(blocks, LowerCase(ext));
}

const std::string* TXDRFoundExtents::ExtOn(const TXBlocks& blocks) const {
  auto found = files_.find(blocks);
  return found == files_.end() ? nullptr : &found->second;
}

void TXDRFoundExtents::AddEntryFile(const TXBlocks& blocks, bool bound) {
  if (blocks.Empty()) return;
  const int64_t fileStart = blocks[0].Start;
  for (const TXBlock& block : blocks) {
    if (block.Size > 0) spans_.push_back({block.Start, block.End(), fileStart, bound});
  }
  sorted_ = false;
}

void TXDRFoundExtents::SortSpans() const {
  if (sorted_) return;
  std::ranges::sort(spans_, {}, &TXEntrySpan::Start);
  reach_.resize(spans_.size());
  int64_t reach = 0;
  for (size_t i = 0; i < spans_.size(); ++i)
    reach_[i] = reach = std::max(reach, spans_[i].End);
  sorted_ = true;
}

bool TXDRFoundExtents::PartOfEntryFile(int64_t start) const {
  SortSpans();
  auto after = std::ranges::upper_bound(spans_, start, {}, &TXEntrySpan::Start);
  // Walk back over the spans that begin at or before the offset while one may still reach it.
  for (auto i = static_cast<size_t>(after - spans_.begin()); i > 0 && reach_[i - 1] > start; --i) {
    const TXEntrySpan& span = spans_[i - 1];
    if (span.End > start && (span.Bound || span.FileStart == start)) return true;
  }
  return false;
}

void TXDRFoundExtents::Clear() {
  files_.clear();
  spans_.clear();
  reach_.clear();
  sorted_ = true;
}

}  // namespace kova
