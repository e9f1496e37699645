#include "imaging/movie_input.h"

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include <cstdio>
#include <exception>

#include "imaging/decode_stop.h"
#include "imaging/graphic.h"

namespace kova {

namespace {

constexpr int kBufferSize = 64 * 1024;

}  // namespace

TXMovieInput::TXMovieInput(TXStream& stream) : stream_(stream) {
  auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
  if (buffer)
    context_ = avio_alloc_context(buffer, kBufferSize, 0, this, ReadPacket, nullptr, SeekTo);
  if (!context_) {
    av_free(buffer);
    throw EXInvalidGraphic("movie: out of memory");
  }
}

TXMovieInput::~TXMovieInput() {
  // The library may have replaced the buffer given.
  av_freep(&context_->buffer);
  avio_context_free(&context_);
}

bool TXMovieInput::Interrupted() const {
  return read_ >= kReadBudget || DecodeStopRequested();
}

int TXMovieInput::InterruptCallback(void* input) {
  return static_cast<const TXMovieInput*>(input)->Interrupted() ? 1 : 0;
}

int TXMovieInput::ReadPacket(void* input, uint8_t* buffer, int size) {
  auto& self = *static_cast<TXMovieInput*>(input);
  if (self.Interrupted()) return AVERROR_EXIT;
  try {
    const int64_t count = self.stream_.Read(buffer, size);
    if (count <= 0) return AVERROR_EOF;
    self.read_ += count;
    return static_cast<int>(count);
  } catch (const std::exception&) {
    return AVERROR(EIO);
  }
}

int64_t TXMovieInput::SeekTo(void* input, int64_t offset, int whence) {
  auto& self = *static_cast<TXMovieInput*>(input);
  try {
    switch (whence & ~AVSEEK_FORCE) {
      case AVSEEK_SIZE:
        return self.stream_.Size();
      case SEEK_SET:
        return self.stream_.Seek(offset, TXSeekOrigin::soBeginning);
      case SEEK_CUR:
        return self.stream_.Seek(offset, TXSeekOrigin::soCurrent);
      case SEEK_END:
        return self.stream_.Seek(offset, TXSeekOrigin::soEnd);
      default:
        return AVERROR(EINVAL);
    }
  } catch (const std::exception&) {
    return AVERROR(EIO);
  }
}

}  // namespace kova
