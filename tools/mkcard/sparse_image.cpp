#include "sparse_image.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace kova::mkcard {

namespace {

bool AllZero(const Bytes& chunk) {
  return std::all_of(chunk.begin(), chunk.end(), [](uint8_t b) { return b == 0; });
}

std::string SystemError(const std::string& what, const std::filesystem::path& path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

bool WriteAll(int fd, const uint8_t* data, uint64_t count, uint64_t offset) {
  while (count > 0) {
    ssize_t done = ::pwrite(fd, data, count, static_cast<off_t>(offset));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    data += done;
    count -= static_cast<uint64_t>(done);
    offset += static_cast<uint64_t>(done);
  }
  return true;
}

std::filesystem::path TemporaryPathFor(const std::filesystem::path& path) {
  return path.string() + ".part-" + std::to_string(::getpid());
}

// Runs `fill` on a fresh temporary file beside `path` and renames it over `path` on success.
template <typename Fill>
Status WriteThroughTemporary(const std::filesystem::path& path, Fill fill) {
  const std::filesystem::path temporary = TemporaryPathFor(path);
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return Status::Failure(SystemError("cannot create", temporary));
  std::string failure = fill(fd) ? "" : SystemError("cannot write", temporary);
  if (::close(fd) != 0 && failure.empty()) failure = SystemError("cannot write", temporary);
  if (failure.empty() && ::rename(temporary.c_str(), path.c_str()) != 0) {
    failure = SystemError("cannot replace", path);
  }
  if (!failure.empty()) {
    ::unlink(temporary.c_str());
    return Status::Failure(failure);
  }
  return {};
}

}  // namespace

void SparseImage::Resize(uint64_t size) {
  size_ = size;
  const uint64_t first_gone = (size + kChunkBytes - 1) / kChunkBytes;
  chunks_.erase(chunks_.lower_bound(first_gone), chunks_.end());
  if (size % kChunkBytes != 0) {
    auto last = chunks_.find(size / kChunkBytes);
    if (last != chunks_.end()) {
      std::fill(last->second.begin() + size % kChunkBytes, last->second.end(), 0);
    }
  }
}

uint8_t* SparseImage::ChunkFor(uint64_t chunk_index) {
  Bytes& chunk = chunks_[chunk_index];
  if (chunk.empty()) chunk.assign(kChunkBytes, 0);
  return chunk.data();
}

void SparseImage::Write(uint64_t offset, const uint8_t* data, uint64_t count) {
  while (count > 0) {
    const uint64_t inside = offset % kChunkBytes;
    const uint64_t part = std::min(count, kChunkBytes - inside);
    std::memcpy(ChunkFor(offset / kChunkBytes) + inside, data, part);
    offset += part;
    data += part;
    count -= part;
  }
}

void SparseImage::Fill(uint64_t offset, uint64_t count, uint8_t value) {
  while (count > 0) {
    const uint64_t inside = offset % kChunkBytes;
    const uint64_t part = std::min(count, kChunkBytes - inside);
    std::memset(ChunkFor(offset / kChunkBytes) + inside, value, part);
    offset += part;
    count -= part;
  }
}

Bytes SparseImage::Read(uint64_t offset, uint64_t count) const {
  Bytes out(count, 0);
  uint64_t done = 0;
  while (done < count && offset + done < size_) {
    const uint64_t at = offset + done;
    const uint64_t inside = at % kChunkBytes;
    const uint64_t part = std::min({count - done, kChunkBytes - inside, size_ - at});
    auto chunk = chunks_.find(at / kChunkBytes);
    if (chunk != chunks_.end()) std::memcpy(out.data() + done, chunk->second.data() + inside, part);
    done += part;
  }
  return out;
}

Status SparseImage::SaveTo(const std::filesystem::path& path) const {
  return WriteThroughTemporary(path, [this](int fd) {
    if (::ftruncate(fd, static_cast<off_t>(size_)) != 0) return false;
    for (const auto& [index, chunk] : chunks_) {
      if (AllZero(chunk)) continue;
      const uint64_t offset = index * kChunkBytes;
      const uint64_t count = std::min<uint64_t>(kChunkBytes, size_ - offset);
      if (!WriteAll(fd, chunk.data(), count, offset)) return false;
    }
    return true;
  });
}

Status SaveFileAtomically(const std::filesystem::path& path, const std::string& data) {
  return WriteThroughTemporary(path, [&data](int fd) {
    return WriteAll(fd, reinterpret_cast<const uint8_t*>(data.data()), data.size(), 0);
  });
}

}  // namespace kova::mkcard
