#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kova {

class TXStream;

// A byte extent of the medium: Size bytes from Start. Its last byte is Start + Size - 1.
struct TXBlock {
  int64_t Start = 0;
  int64_t Size = 0;

  int64_t End() const { return Start + Size; }
  int64_t Last() const { return Start + Size - 1; }
  friend bool operator==(const TXBlock&, const TXBlock&) = default;
};

// Orders extents by Start, then by Size.
struct TXBlockComparer {
  static int Compare(const TXBlock& a, const TXBlock& b);
  bool operator()(const TXBlock& a, const TXBlock& b) const { return Compare(a, b) < 0; }
};

class TXBlocks;

// Orders extent lists: by count first (the difference of the counts), then extent by extent.
struct TXBlocksComparer {
  static int64_t Compare(const TXBlocks& a, const TXBlocks& b);
};

// An ordered list of extents with the running total of their sizes. Every operation here keeps
// TotalSize up to date; after the raw list operations (Clear, Append) call RecalcSize.
class TXBlocks {
 public:
  TXBlocks() = default;

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  const TXBlock& operator[](int32_t index) const { return items_[static_cast<size_t>(index)]; }
  const TXBlock& Last() const { return items_.back(); }
  std::vector<TXBlock>::const_iterator begin() const { return items_.begin(); }
  std::vector<TXBlock>::const_iterator end() const { return items_.end(); }
  int64_t TotalSize() const { return totalSize_; }

  // Raw list operations: they leave TotalSize alone.
  void Clear() { items_.clear(); }
  void Append(const TXBlock& block) { items_.push_back(block); }
  void AppendRange(const TXBlocks& other);
  void Delete(int32_t index);

  // Appends an extent, joining it with the last one when it touches or overlaps it (only the last
  // extent is looked at, so callers append in increasing order). A size below 1 changes nothing.
  void Add(int64_t start, int64_t size);
  void RecalcSize();
  // Sorts the extents and joins the ones that overlap or touch.
  void Normalize();
  bool Equals(const TXBlocks& other) const;
  friend bool operator==(const TXBlocks& a, const TXBlocks& b) { return a.Equals(b); }

  // Becomes the gaps of the sorted list `used` within [0, limit). A gap that starts below limit is
  // kept whole.
  void SetComplement(const TXBlocks& used, int64_t limit);
  // Becomes the part of the extent chain `source` from medium offset first to medium offset last,
  // both inclusive, following the chain across its gaps. Empty when first lies in no extent.
  void SetRange(const TXBlocks& source, int64_t first, int64_t last);

  // The medium offset of the byte at `position` of the concatenated extents and the index of its
  // extent; -1 (index 0) for a negative position or an empty list; one past the last extent's last
  // byte (last index) for a position at or beyond TotalSize.
  int64_t MapPosition(int64_t position, int32_t& index) const;
  int64_t MapPosition(int64_t position) const;

  // Copies the bytes of every extent from source into dest at dest's position, in list order.
  // Clears the thread's error record first; a failure leaves it there and answers false.
  bool CopyTo(TXStream& source, TXStream& dest) const;
  // Creates (or replaces) the file and copies the extents into it; false on any failure, and a
  // partly written file stays in place.
  bool SaveToFile(TXStream& source, const std::string& fileName) const;

 private:
  std::vector<TXBlock> items_;
  int64_t totalSize_ = 0;
};

}  // namespace kova
