#pragma once

#include <cstdint>

#include "framework/stream.h"
#include "recovery/blocks.h"

namespace kova {

// A file of which only some parts were copied, read at the file's own positions: the copy holds
// the parts one after the other, `parts` says where each lies in the file (ascending, apart). The
// stream is as large as the file; a read stops at the end of the part it starts in and reads
// nothing where no part lies, as if the file ended there. Read-only; the copy and the list are
// borrowed and must outlive the stream.
class TXPiecedStream : public TXStream {
 public:
  TXPiecedStream(const TXMemoryStream& copy, const TXBlocks& parts, int64_t fileSize);

  int64_t Read(void* buffer, int64_t count) override;
  // Refused: records code 45 and answers 0.
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TXSeekOrigin origin) override;
  int64_t GetSize() override { return fileSize_; }

 private:
  int64_t Held() const { return static_cast<int64_t>(copy_.Bytes().size()); }

  const TXMemoryStream& copy_;
  const TXBlocks& parts_;
  int64_t fileSize_;
  int64_t position_ = 0;
};

}  // namespace kova
