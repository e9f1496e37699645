#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "framework/error_data.h"
#include "storage/bad_sector_map.h"
#include "storage/byte_window.h"
#include "storage/stream_wrapper.h"

namespace kova {

// The window size every source is read with.
inline constexpr int32_t kMediumWindowSize = 262144;
// The window size a drive is read with while it is read from start to end: a card reader
// delivers far more in large requests. A failed window is trimmed to its bad sectors, so the size
// also bounds the sector-by-sector reads that trimming takes.
inline constexpr int32_t kDriveScanWindowSize = 1 << 20;

// A read-only stream that keeps one aligned window of its source in memory, so that many small
// reads become one large sequential read per window. The window starts at a multiple of the
// window size; a failed window read leaves the window valid and full of zeros.
class TXCustomBufStream : public TXStreamWrapper, public IXByteWindow {
 public:
  // Called after every window read with the window's start offset.
  using TXFillEvent = std::function<void(TXCustomBufStream& stream, int64_t windowStart)>;

  // Without an inner stream the stream is empty until a subclass gives it a size.
  TXCustomBufStream(TXStream* inner, int32_t bufferSize, bool owns);

  int64_t Read(void* buffer, int64_t count) override;
  // Refused: records code 45 and answers 0.
  int64_t Write(const void* buffer, int64_t count) override;
  // The seek rule of every stream (SeekWithin): from the end at Size + offset, the offset 0 or
  // negative; positions are clamped to [0, Size].
  int64_t Seek(int64_t offset, TXSeekOrigin origin) override;
  int64_t GetSize() override { return size_; }
  // Changes the logical length only; the source is never changed.
  void SetSize(int64_t size) override;

  std::span<const uint8_t> WindowAt(int64_t position) override;

  // Reallocates the window (at least one byte) and empties it.
  void SetBufferSize(int32_t size);
  // Tells the stream that the source is about to be read from start to end (true), or that this
  // is over (false). Only a hint for reading faster; what is read stays the same.
  virtual void AdviseSequential(bool /*sequential*/) {}
  int32_t BufferSize() const { return bufferSize_; }
  int32_t Valid() const { return valid_; }
  int64_t WindowStart() const { return windowStart_; }

  // When set (the default), a failed window read records code 44 and throws; otherwise only the
  // thread's error policy decides. A vanished device (code 11) always throws.
  bool RaiseOnError = true;
  TXFillEvent OnFill;

  // What is known of the medium's unreadable areas: the drive's own map as it is read, or the
  // map an image file was given; none when nothing is known.
  const std::shared_ptr<TXBadSectorMap>& BadSectors() const { return badSectors_; }
  void SetBadSectors(std::shared_ptr<TXBadSectorMap> map) { badSectors_ = std::move(map); }

 protected:
  // Reads the window that holds the current position.
  virtual void FillWindow();

  int64_t CurrentPosition() const { return position_; }
  // Starts a fill: the aligned start of the window holding the current position.
  int64_t BeginFill();
  uint8_t* WindowData() { return buffer_.get(); }
  // Ends a fill that delivered `count` bytes: the rest of the window becomes zeros and counts as
  // read, so that no stale byte of an earlier window can ever be seen; then OnFill.
  void EndFill(int64_t count);
  // Ends a fill that failed: the whole window reads as zeros and the failure is recorded with
  // `code`. A vanished device (code 11) always raises; other codes raise with RaiseOnError and
  // are otherwise left to the thread's error policy.
  void FailFill(int32_t code, int32_t osError, const std::string& text);
  // Ends a fill that delivered `count` bytes with holes of zeros where the medium could not be
  // read, which the stream's map names: the bytes read stay, and the failure is recorded and
  // raised as by FailFill for a read that takes in a hole (and for WindowAt of the window).
  // Without a map the whole fill counts as failed.
  void HoledFill(int64_t count, int32_t code, int32_t osError, const std::string& text);

 private:
  void RaiseHole();
  bool TouchesHole(int64_t position, int64_t count) const;
  bool InWindow(int64_t position) const {
    return position >= windowStart_ && position < windowStart_ + valid_;
  }

  // Page-aligned: the kernel copies a page-cache page into an aligned window markedly faster.
  struct TXWindowFree {
    void operator()(uint8_t* window) const;
  };
  std::unique_ptr<uint8_t[], TXWindowFree> buffer_;
  int32_t bufferSize_ = 0;
  int32_t valid_ = 0;
  int64_t windowStart_ = 0;
  int64_t position_ = 0;
  int64_t size_ = 0;
  std::shared_ptr<TXBadSectorMap> badSectors_;
  bool holed_ = false;  // the window has holes; hole_ is their failure
  TXErrorData hole_;
};

// The buffered stream over an image file, opened read-only. Opening fails with code 31 (no such
// file), 33 (access denied) or 4 (any other reason, a folder included), recorded only when the
// thread holds no error code yet, and raised.
class TXBufFileStream : public TXCustomBufStream {
 public:
  TXBufFileStream(const std::string& fileName, int32_t bufferSize = kMediumWindowSize);

  const std::string& FileName() const { return fileName_; }

 protected:
  // One positioned read of the file per window.
  void FillWindow() override;
  void AdviseSequential(bool sequential) override;

 private:
  static TXStream* OpenSource(const std::string& fileName);

  std::string fileName_;
};

}  // namespace kova
