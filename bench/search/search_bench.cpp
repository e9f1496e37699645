// Throughput of the deep scan's signature search (FindFirstOf with the start patterns, step 512,
// over a block stream on the buffered medium stream) beside a plain sequential read of the same
// file, page cache hot. Usage: bench_search DATA_FOLDER [SIZE_MIB]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "framework/worker.h"
#include "recovery/block_stream.h"
#include "recovery/formats/scan_format_registry.h"
#include "recovery/search.h"
#include "storage/buf_stream.h"

namespace {

// The deep scan's start patterns, all of them.
kova::TXGridPatternList StartPatterns() {
  return kova::BuildPatterns(kova::AllKinds()).Patterns;
}

constexpr int64_t kPlantedHeaders = 16;
// Both measurements alternate this many times; the best of each counts, as other work on a
// shared machine only ever slows a round down.
constexpr int kRounds = 5;

// Random bytes with a JPEG header planted every size/16 bytes (on the 512-byte grid), written
// once and kept for later runs.
std::filesystem::path MediumFile(const std::filesystem::path& folder, int64_t size) {
  auto path = folder / ("search-" + std::to_string(size >> 20) + "MiB.bin");
  std::error_code error;
  if (std::filesystem::file_size(path, error) == static_cast<uintmax_t>(size)) return path;
  std::printf("generating %s ...\n", path.c_str());
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) {
    std::perror("cannot write the data file");
    std::exit(1);
  }
  constexpr int64_t kChunk = 1 << 20;
  std::vector<uint64_t> chunk(kChunk / 8);
  uint64_t state = 0x9E3779B97F4A7C15ull;
  int64_t spacing = size / kPlantedHeaders;
  for (int64_t done = 0; done < size; done += kChunk) {
    for (uint64_t& word : chunk) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      word = state;
    }
    auto* bytes = reinterpret_cast<uint8_t*>(chunk.data());
    for (int64_t at = (done + spacing - 1) / spacing * spacing; at < done + kChunk; at += spacing) {
      const uint8_t header[] = {0xFF, 0xD8, 0xFF, 0xE1};
      std::copy(std::begin(header), std::end(header), bytes + (at - done));
    }
    std::fwrite(bytes, 1, kChunk, out);
  }
  std::fclose(out);
  return path;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Reads the whole file with read(2) in windows of the medium window's size.
double PlainRead(const std::filesystem::path& path, int64_t& total) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  constexpr std::align_val_t kPage{4096};
  std::unique_ptr<uint8_t[], void (*)(uint8_t*)> buffer(
      static_cast<uint8_t*>(::operator new[](kova::kMediumWindowSize, kPage)),
      [](uint8_t* window) { ::operator delete[](window, kPage); });
  auto start = std::chrono::steady_clock::now();
  total = 0;
  for (ssize_t n; (n = ::read(fd, buffer.get(), kova::kMediumWindowSize)) > 0;)
    total += n;
  double seconds = Seconds(start);
  ::close(fd);
  return seconds;
}

// The deep scan's loop: find a start, go on one grid step after it.
double Search(const std::filesystem::path& path, int64_t& hits) {
  auto start = std::chrono::steady_clock::now();
  kova::TXBufFileStream medium(path.string());
  kova::TXBlocks extents;
  extents.Add(0, medium.Size());
  kova::TXBlockStream stream(medium, extents);
  kova::TXSearch search;
  search.SetWorker(kova::MakeRef<kova::TXWorker>());
  search.SetSource(&stream);
  const kova::TXGridPatternList patterns = StartPatterns();
  hits = 0;
  int32_t index = -1;
  for (int64_t pos = 0; pos >= 0;) {
    int64_t found =
        search.FindFirstOf(patterns, index, pos, std::numeric_limits<int64_t>::max(), 0, 512);
    if (found < 0) break;
    ++hits;
    pos = found + 512;
  }
  return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_search DATA_FOLDER [SIZE_MIB]\n");
    return 2;
  }
  int64_t size = (argc > 2 ? std::stoll(argv[2]) : 1024) << 20;
  auto path = MediumFile(argv[1], size);
  int64_t bytes = 0;
  PlainRead(path, bytes);  // brings the file into the page cache
  double plainBest = 1e9;
  double searchBest = 1e9;
  int64_t hits = 0;
  for (int round = 0; round < kRounds; ++round) {
    plainBest = std::min(plainBest, PlainRead(path, bytes));
    searchBest = std::min(searchBest, Search(path, hits));
  }
  double mib = static_cast<double>(bytes) / (1 << 20);
  std::printf("file:        %s (%.0f MiB, %lld headers planted)\n", path.c_str(), mib,
              static_cast<long long>(kPlantedHeaders));
  std::printf("plain read:  %8.0f MiB/s (best of %d)\n", mib / plainBest, kRounds);
  std::printf("search:      %8.0f MiB/s (best of %d), %lld start patterns found\n",
              mib / searchBest, kRounds, static_cast<long long>(hits));
  std::printf("search: %.2f ratio (target 0.90)\n", plainBest / searchBest);
  return 0;
}
