#pragma once

#include <cstdint>
#include <span>

#include "recovery/blocks.h"
#include "storage/byte_window.h"
#include "storage/stream_wrapper.h"

namespace kova {

// A place in an extent list: the position in the concatenated extents (StreamPos), the medium
// offset it stands for (MediumPos) and the index of the extent holding it (BlockIndex).
class TXBlocksCursor {
 public:
  explicit TXBlocksCursor(const TXBlocks& list);

  const TXBlocks& List() const { return *list_; }
  int64_t StreamPos() const { return streamPos_; }
  int64_t MediumPos() const { return mediumPos_; }
  int32_t BlockIndex() const { return blockIndex_; }

  bool AtEnd() const { return streamPos_ < 0 || streamPos_ >= list_->TotalSize(); }
  // Moves to a stream position; moves inside the current extent and forward cost no search
  // from the start of the list.
  void MoveTo(int64_t position);
  // One byte forward, into the next extent when the current one is passed. False at the end, and
  // when the last byte of the last extent was passed (the cursor then stands one past it).
  bool Next();
  // Bytes from MediumPos to the end of the current extent (0 at the end).
  int64_t RemainingInBlock() const;

 private:
  int64_t SizeAt(int32_t index) const;

  const TXBlocks* list_;
  int64_t streamPos_ = 0;
  int64_t mediumPos_ = -1;
  int32_t blockIndex_ = 0;
  int64_t blockStreamStart_ = 0;  // stream position of the current extent's first byte
};

// Presents an extent list of an inner stream (the medium) as one contiguous read-only stream.
// The list is borrowed and must outlive the stream. The inner stream is placed before every read,
// so others may use it between two reads.
class TXCustomBlockStream : public TXStreamWrapper, public IXByteWindow {
 public:
  TXCustomBlockStream(TXStream* inner, const TXBlocks& blocks, bool owns);

  int64_t Read(void* buffer, int64_t count) override;
  // Refused: records code 45 and answers 0.
  int64_t Write(const void* buffer, int64_t count) override;
  // The seek rule of every stream (SeekWithin): from the end at size + offset, the offset 0 or
  // negative; positions are clamped to [0, size].
  int64_t Seek(int64_t offset, TXSeekOrigin origin) override;
  int64_t GetSize() override { return blocks_.TotalSize(); }
  void SetSize(int64_t) override {}

  std::span<const uint8_t> WindowAt(int64_t position) override;

  const TXBlocks& Blocks() const { return blocks_; }
  const TXBlocksCursor& Cursor() const { return cursor_; }

 private:
  const TXBlocks& blocks_;
  TXBlocksCursor cursor_;
  IXByteWindow* innerWindow_;
  uint8_t single_ = 0;
};

// The block stream the system uses: it borrows the inner stream.
class TXBlockStream : public TXCustomBlockStream {
 public:
  TXBlockStream(TXStream& inner, const TXBlocks& blocks)
      : TXCustomBlockStream(&inner, blocks, false) {}
};

}  // namespace kova
