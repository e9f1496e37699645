#pragma once

#include <cstdint>

#include "framework/stream.h"

struct AVIOContext;

namespace kova {

// A movie's bytes as libavformat reads them: an I/O context over the stream, whose positions are
// the movie's. It reads at most a budget of bytes in all, so that a demuxer that a hostile file
// leads in circles comes to an end, and stops reading when the thread's decode-stop scope asks.
class TXMovieInput {
 public:
  explicit TXMovieInput(TXStream& stream);
  ~TXMovieInput();
  TXMovieInput(const TXMovieInput&) = delete;
  TXMovieInput& operator=(const TXMovieInput&) = delete;

  // The most bytes read from one movie.
  static constexpr int64_t kReadBudget = int64_t{256} << 20;

  AVIOContext* Context() const { return context_; }
  // True once the reading must end: the budget is spent or the decode-stop scope asks.
  bool Interrupted() const;
  // The interrupt callback of a format context, with the input as its opaque pointer.
  static int InterruptCallback(void* input);

 private:
  static int ReadPacket(void* input, uint8_t* buffer, int size);
  static int64_t SeekTo(void* input, int64_t offset, int whence);

  TXStream& stream_;
  int64_t read_ = 0;
  AVIOContext* context_ = nullptr;
};

}  // namespace kova
