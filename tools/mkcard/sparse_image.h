#pragma once

#include <cstdint>
#include <filesystem>
#include <map>

#include "byte_order.h"
#include "status.h"

namespace kova::mkcard {

// The bytes of a card image held in 64 KiB chunks that exist only where something was written;
// everything else reads as zero and stays a hole in the saved file.
class SparseImage {
 public:
  static constexpr uint64_t kChunkBytes = 65536;

  explicit SparseImage(uint64_t size = 0) : size_(size) {}

  uint64_t Size() const { return size_; }
  // Cuts the image to `size` bytes (dropping what lies beyond) or extends it with zeros.
  void Resize(uint64_t size);

  // Writes inside [0, Size()); the caller checks the bounds.
  void Write(uint64_t offset, const uint8_t* data, uint64_t count);
  void Write(uint64_t offset, const Bytes& data) { Write(offset, data.data(), data.size()); }
  void Fill(uint64_t offset, uint64_t count, uint8_t value);
  // Bytes past the end read as zero.
  Bytes Read(uint64_t offset, uint64_t count) const;

  // Writes the image as a sparse file through a temporary file beside it, so that a failure
  // leaves an existing file at `path` untouched.
  Status SaveTo(const std::filesystem::path& path) const;

 private:
  uint8_t* ChunkFor(uint64_t chunk_index);

  uint64_t size_ = 0;
  std::map<uint64_t, Bytes> chunks_;
};

// Writes `data` to `path` through a temporary file and a rename.
Status SaveFileAtomically(const std::filesystem::path& path, const std::string& data);

}  // namespace kova::mkcard
