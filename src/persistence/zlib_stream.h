#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "framework/stream.h"

// zlib streams (RFC 1950, window bits 15) over another stream, with optional progress. Damaged
// compressed data is recorded as error 41 with zlib's message and thrown as EXError; a failing
// destination or source raises as the stream does.
namespace kova {

class IXProgress;

enum class TXZCompressionLevel : uint8_t {
  zcNone = 0,
  zcFastest = 1,
  zcDefault = 2,
  zcMax = 3,
};

// Compresses everything written to it into the destination. Finish (or destruction) writes the
// end of the zlib stream. Progress, when given, reports the share of the expected input total
// taken in so far, as a percentage of the current section.
class TXZCompressionStream : public TXStream {
 public:
  explicit TXZCompressionStream(TXStream& destination,
                                TXZCompressionLevel level = TXZCompressionLevel::zcDefault,
                                IXProgress* progress = nullptr, int64_t expectedTotal = 0);
  ~TXZCompressionStream() override;

  int64_t Write(const void* buffer, int64_t count) override;
  // A compressor cannot be read: raises error 44.
  int64_t Read(void* buffer, int64_t count) override;
  // Only answers the number of bytes taken in (Seek(0, soCurrent)); anything else raises 13.
  int64_t Seek(int64_t offset, TXSeekOrigin origin) override;
  int64_t GetSize() override { return TotalIn(); }

  // Writes the end of the zlib stream; later writes raise error 45. Called once by the destructor
  // when the owner did not, which then swallows errors.
  void Finish();
  int64_t TotalIn() const;
  int64_t TotalOut() const;

 private:
  void Deflate(int flush);
  void FlushOutput(size_t count);
  void ReportProgress();

  struct State;
  std::unique_ptr<State> state_;
  TXStream& destination_;
  IXProgress* progress_;
  int64_t expectedTotal_;
  bool finished_ = false;
};

// Inflates the zlib stream that begins at the source's current position. Reading past the end of
// the compressed data answers fewer bytes (0 at the end). Progress, when given, reports the share
// of the expected compressed total (by default the rest of the source) consumed so far.
class TXZDecompressionStream : public TXStream {
 public:
  explicit TXZDecompressionStream(TXStream& source, IXProgress* progress = nullptr,
                                  int64_t expectedTotal = -1);
  ~TXZDecompressionStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  // A decompressor cannot be written: raises error 45.
  int64_t Write(const void* buffer, int64_t count) override;
  // Answers the position in the inflated data; forward moves skip by inflating. Anything else
  // raises error 13.
  int64_t Seek(int64_t offset, TXSeekOrigin origin) override;
  // The inflated size is not known in advance: -1.
  int64_t GetSize() override { return -1; }

  bool AtEnd() const;
  int64_t TotalIn() const;
  int64_t TotalOut() const;

 private:
  bool Refill();
  void ReportProgress();

  struct State;
  std::unique_ptr<State> state_;
  TXStream& source_;
  IXProgress* progress_;
  int64_t expectedTotal_;
};

// One zlib stream of the bytes.
std::vector<uint8_t> ZCompress(std::span<const uint8_t> bytes,
                               TXZCompressionLevel level = TXZCompressionLevel::zcDefault);
// Inflates one zlib stream in blocks of `blockSize` bytes into `out` (replacing its contents).
// Answers false when the data is damaged or ends early; `out` then holds what was inflated before.
bool ZDecompress(std::span<const uint8_t> compressed, std::vector<uint8_t>& out,
                 size_t blockSize = 65536);

}  // namespace kova
