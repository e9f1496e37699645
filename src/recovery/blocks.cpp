#include "recovery/blocks.h"

#include <algorithm>
#include <exception>

#include "framework/error_data.h"
#include "framework/stream.h"

namespace kova {

namespace {

// True when an extent starting at `start` touches or overlaps `block` from its left neighbour's
// point of view: start lies in [block.Start - 1, block.End()].
bool Touches(const TXBlock& block, int64_t start) {
  return start >= block.Start - 1 && start <= block.End();
}

TXBlock Union(const TXBlock& a, int64_t start, int64_t size) {
  int64_t first = std::min(a.Start, start);
  int64_t end = std::max(a.End(), start + size);
  return {first, end - first};
}

}  // namespace

int TXBlockComparer::Compare(const TXBlock& a, const TXBlock& b) {
  if (a.Start != b.Start) return a.Start < b.Start ? -1 : 1;
  if (a.Size != b.Size) return a.Size < b.Size ? -1 : 1;
  return 0;
}

int64_t TXBlocksComparer::Compare(const TXBlocks& a, const TXBlocks& b) {
  if (a.Count() != b.Count()) return static_cast<int64_t>(a.Count()) - b.Count();
  for (int32_t i = 0; i < a.Count(); ++i) {
    int result = TXBlockComparer::Compare(a[i], b[i]);
    if (result != 0) return result;
  }
  return 0;
}

void TXBlocks::AppendRange(const TXBlocks& other) {
  items_.insert(items_.end(), other.items_.begin(), other.items_.end());
}

void TXBlocks::Delete(int32_t index) {
  items_.erase(items_.begin() + index);
}

void TXBlocks::Add(int64_t start, int64_t size) {
  if (size <= 0) return;
  if (!items_.empty() && Touches(items_.back(), start)) {
    TXBlock& last = items_.back();
    int64_t before = last.Size;
    last = Union(last, start, size);
    totalSize_ += last.Size - before;
    return;
  }
  items_.push_back({start, size});
  totalSize_ += size;
}

void TXBlocks::RecalcSize() {
  totalSize_ = 0;
  for (const TXBlock& block : items_)
    totalSize_ += block.Size;
}

void TXBlocks::Normalize() {
  std::sort(items_.begin(), items_.end(), TXBlockComparer());
  std::vector<TXBlock> joined;
  joined.reserve(items_.size());
  for (const TXBlock& block : items_) {
    if (!joined.empty() && Touches(joined.back(), block.Start)) {
      joined.back() = Union(joined.back(), block.Start, block.Size);
    } else {
      joined.push_back(block);
    }
  }
  items_ = std::move(joined);
  RecalcSize();
}

bool TXBlocks::Equals(const TXBlocks& other) const {
  return items_ == other.items_;
}

void TXBlocks::SetComplement(const TXBlocks& used, int64_t limit) {
  Clear();
  totalSize_ = 0;
  if (used.Empty()) {
    Add(0, limit);
    return;
  }
  if (used[0].Start > 0) Add(0, std::min(used[0].Start, limit));
  int64_t covered = used[0].End();
  for (int32_t i = 1; i < used.Count() && covered < limit; ++i) {
    Add(covered, used[i].Start - covered);
    covered = used[i].End();
  }
  if (covered < limit) Add(covered, limit - covered);
  RecalcSize();
}

void TXBlocks::SetRange(const TXBlocks& source, int64_t first, int64_t last) {
  Clear();
  totalSize_ = 0;
  if (last < first) return;
  for (int32_t i = 0; i < source.Count(); ++i) {
    const TXBlock& block = source[i];
    if (first < block.Start || first > block.Last()) continue;
    if (block.Last() >= last) {
      Add(first, last - first + 1);
      break;
    }
    Add(first, block.Last() - first + 1);
    if (i + 1 >= source.Count()) break;
    first = source[i + 1].Start;
  }
  RecalcSize();
}

int64_t TXBlocks::MapPosition(int64_t position, int32_t& index) const {
  index = 0;
  if (position < 0 || items_.empty()) return -1;
  int64_t passed = 0;
  for (size_t i = 0; i < items_.size(); ++i) {
    const TXBlock& block = items_[i];
    if (block.Size > 0 && position < passed + block.Size) {
      index = static_cast<int32_t>(i);
      return block.Start + (position - passed);
    }
    passed += std::max<int64_t>(0, block.Size);
  }
  index = Count() - 1;
  return items_.back().End();
}

int64_t TXBlocks::MapPosition(int64_t position) const {
  int32_t index = 0;
  return MapPosition(position, index);
}

bool TXBlocks::CopyTo(TXStream& source, TXStream& dest) const {
  ClearThreadError();
  try {
    constexpr int64_t kChunk = 1 << 20;
    std::vector<uint8_t> chunk;
    for (const TXBlock& block : items_) {
      if (block.Size <= 0) continue;
      chunk.resize(static_cast<size_t>(std::min(block.Size, kChunk)));
      source.SetPosition(block.Start);
      for (int64_t done = 0; done < block.Size;) {
        int64_t n = std::min<int64_t>(block.Size - done, static_cast<int64_t>(chunk.size()));
        source.ReadBuffer(chunk.data(), n);
        dest.WriteBuffer(chunk.data(), n);
        done += n;
      }
    }
    return true;
  } catch (const std::exception& error) {
    RecordException(error);
    return false;
  }
}

bool TXBlocks::SaveToFile(TXStream& source, const std::string& fileName) const {
  try {
    TXFileStream file(fileName, TXFileMode::fmCreate);
    return CopyTo(source, file);
  } catch (const std::exception& error) {
    RecordException(error);
    return false;
  }
}

}  // namespace kova
