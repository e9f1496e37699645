#include "persistence/zlib_stream.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "framework/error_data.h"
#include "framework/worker_interfaces.h"

namespace kova {

namespace {

constexpr size_t kBufferSize = 65536;
constexpr int kWindowBits = 15;

int ZLevel(TXZCompressionLevel level) {
  switch (level) {
    case TXZCompressionLevel::zcNone:
      return Z_NO_COMPRESSION;
    case TXZCompressionLevel::zcFastest:
      return Z_BEST_SPEED;
    case TXZCompressionLevel::zcMax:
      return Z_BEST_COMPRESSION;
    default:
      return Z_DEFAULT_COMPRESSION;
  }
}

std::string ZlibErrorText(const z_stream& z, int result) {
  if (result == Z_MEM_ERROR) return "out of memory while (de)compressing";
  std::string text = "compressed data is damaged";
  if (z.msg) text += std::string(": ") + z.msg;
  return text;
}

void ReportPercent(IXProgress* progress, int64_t position, int64_t total) {
  if (!progress || total <= 0) return;
  double percent =
      std::nearbyint(static_cast<double>(position) * 100.0 / static_cast<double>(total));
  progress->SetPercent(static_cast<uint8_t>(std::clamp(percent, 0.0, 100.0)));
}

}  // namespace

struct TXZCompressionStream::State {
  z_stream z{};
  std::vector<uint8_t> out = std::vector<uint8_t>(kBufferSize);
};

TXZCompressionStream::TXZCompressionStream(TXStream& destination, TXZCompressionLevel level,
                                           IXProgress* progress, int64_t expectedTotal)
    : state_(std::make_unique<State>()),
      destination_(destination),
      progress_(progress),
      expectedTotal_(expectedTotal) {
  if (deflateInit2(&state_->z, ZLevel(level), Z_DEFLATED, kWindowBits, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    RaiseThreadError(kErrWrite, 0, "the compressor could not be created");
  }
  state_->z.next_out = state_->out.data();
  state_->z.avail_out = static_cast<uInt>(state_->out.size());
}

TXZCompressionStream::~TXZCompressionStream() {
  try {
    Finish();
  } catch (const std::exception&) {
    // The destination failed while closing; the owner that wanted to know called Finish itself.
  }
  deflateEnd(&state_->z);
}

int64_t TXZCompressionStream::Write(const void* buffer, int64_t count) {
  if (finished_) RaiseThreadError(kErrWrite, 0, "write after the end of a compressed stream");
  auto* bytes = static_cast<const uint8_t*>(buffer);
  int64_t left = std::max<int64_t>(count, 0);
  while (left > 0) {
    uInt chunk = static_cast<uInt>(std::min<int64_t>(left, 1 << 30));
    state_->z.next_in = const_cast<Bytef*>(bytes);
    state_->z.avail_in = chunk;
    Deflate(Z_NO_FLUSH);
    bytes += chunk;
    left -= chunk;
  }
  return std::max<int64_t>(count, 0);
}

int64_t TXZCompressionStream::Read(void*, int64_t) {
  RaiseThreadError(kErrRead, 0, "a compression stream cannot be read");
}

int64_t TXZCompressionStream::Seek(int64_t offset, TXSeekOrigin origin) {
  if (offset == 0 && origin == TXSeekOrigin::soCurrent) return TotalIn();
  RaiseThreadError(kErrSeek, 0, "a compression stream cannot be positioned");
}

void TXZCompressionStream::Finish() {
  if (finished_) return;
  finished_ = true;
  state_->z.next_in = nullptr;
  state_->z.avail_in = 0;
  Deflate(Z_FINISH);
}

int64_t TXZCompressionStream::TotalIn() const {
  return static_cast<int64_t>(state_->z.total_in);
}
int64_t TXZCompressionStream::TotalOut() const {
  return static_cast<int64_t>(state_->z.total_out);
}

void TXZCompressionStream::Deflate(int flush) {
  z_stream& z = state_->z;
  for (;;) {
    int result = deflate(&z, flush);
    if (result == Z_STREAM_ERROR) RaiseThreadError(kErrWrite, 0, ZlibErrorText(z, result));
    bool outputFull = z.avail_out == 0;
    if (outputFull || result == Z_STREAM_END) FlushOutput(state_->out.size() - z.avail_out);
    if (result == Z_STREAM_END) return;
    if (flush == Z_NO_FLUSH && z.avail_in == 0 && !outputFull) return;
  }
}

void TXZCompressionStream::FlushOutput(size_t count) {
  destination_.WriteBuffer(state_->out.data(), static_cast<int64_t>(count));
  state_->z.next_out = state_->out.data();
  state_->z.avail_out = static_cast<uInt>(state_->out.size());
  ReportProgress();
}

void TXZCompressionStream::ReportProgress() {
  ReportPercent(progress_, TotalIn(), expectedTotal_);
}

struct TXZDecompressionStream::State {
  z_stream z{};
  std::vector<uint8_t> in = std::vector<uint8_t>(kBufferSize);
  bool ended = false;
  bool sourceDry = false;
  std::string failure;
};

TXZDecompressionStream::TXZDecompressionStream(TXStream& source, IXProgress* progress,
                                               int64_t expectedTotal)
    : state_(std::make_unique<State>()),
      source_(source),
      progress_(progress),
      expectedTotal_(expectedTotal) {
  if (expectedTotal_ < 0) expectedTotal_ = std::max<int64_t>(0, source.Size() - source.Position());
  if (inflateInit2(&state_->z, kWindowBits) != Z_OK) {
    RaiseThreadError(kErrRead, 0, "the decompressor could not be created");
  }
}

TXZDecompressionStream::~TXZDecompressionStream() {
  inflateEnd(&state_->z);
}

int64_t TXZDecompressionStream::Read(void* buffer, int64_t count) {
  z_stream& z = state_->z;
  int64_t done = 0;
  auto* target = static_cast<uint8_t*>(buffer);
  while (done < count && !state_->ended && state_->failure.empty()) {
    if (z.avail_in == 0 && !Refill()) {
      state_->failure = "compressed data ends before its end marker";
      break;
    }
    uInt chunk = static_cast<uInt>(std::min<int64_t>(count - done, 1 << 30));
    z.next_out = target + done;
    z.avail_out = chunk;
    int result = inflate(&z, Z_NO_FLUSH);
    done += chunk - z.avail_out;
    if (result == Z_STREAM_END) {
      state_->ended = true;
    } else if (result != Z_OK && result != Z_BUF_ERROR) {
      state_->failure = ZlibErrorText(z, result);
    }
  }
  // What was inflated before the damage is handed out first; the next read raises.
  if (done == 0 && !state_->failure.empty()) RaiseThreadError(kErrCheck, 0, state_->failure);
  return done;
}

int64_t TXZDecompressionStream::Write(const void*, int64_t) {
  RaiseThreadError(kErrWrite, 0, "a decompression stream cannot be written");
}

int64_t TXZDecompressionStream::Seek(int64_t offset, TXSeekOrigin origin) {
  int64_t target = origin == TXSeekOrigin::soBeginning ? offset : TotalOut() + offset;
  if (origin == TXSeekOrigin::soEnd || target < TotalOut()) {
    RaiseThreadError(kErrSeek, 0, "a decompression stream only moves forward");
  }
  std::vector<uint8_t> skip(kBufferSize);
  while (TotalOut() < target && !state_->ended) {
    Read(skip.data(), std::min<int64_t>(target - TotalOut(), static_cast<int64_t>(skip.size())));
  }
  return TotalOut();
}

bool TXZDecompressionStream::AtEnd() const {
  return state_->ended;
}
int64_t TXZDecompressionStream::TotalIn() const {
  return static_cast<int64_t>(state_->z.total_in);
}
int64_t TXZDecompressionStream::TotalOut() const {
  return static_cast<int64_t>(state_->z.total_out);
}

bool TXZDecompressionStream::Refill() {
  if (state_->sourceDry) return false;
  int64_t got = source_.Read(state_->in.data(), static_cast<int64_t>(state_->in.size()));
  if (got <= 0) {
    state_->sourceDry = true;
    return false;
  }
  state_->z.next_in = state_->in.data();
  state_->z.avail_in = static_cast<uInt>(got);
  ReportProgress();
  return true;
}

void TXZDecompressionStream::ReportProgress() {
  ReportPercent(progress_, TotalIn() + state_->z.avail_in, expectedTotal_);
}

std::vector<uint8_t> ZCompress(std::span<const uint8_t> bytes, TXZCompressionLevel level) {
  TXMemoryStream out;
  {
    TXZCompressionStream compressor(out, level);
    compressor.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    compressor.Finish();
  }
  return std::move(out.Bytes());
}

bool ZDecompress(std::span<const uint8_t> compressed, std::vector<uint8_t>& out, size_t blockSize) {
  out.clear();
  TXMemoryStream source(std::vector<uint8_t>(compressed.begin(), compressed.end()));
  try {
    TXZDecompressionStream inflater(source);
    blockSize = std::max<size_t>(blockSize, 1);
    while (!inflater.AtEnd()) {
      size_t old = out.size();
      out.resize(old + blockSize);
      int64_t got = 0;
      try {
        got = inflater.Read(out.data() + old, static_cast<int64_t>(blockSize));
      } catch (const EXError&) {
        out.resize(old);
        return false;
      }
      out.resize(old + static_cast<size_t>(got));
    }
    return true;
  } catch (const EXError&) {
    return false;
  }
}

}  // namespace kova
