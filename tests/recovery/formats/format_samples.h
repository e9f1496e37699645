#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "framework/stream.h"
#include "recovery/blocks.h"
#include "recovery/formats/scan_format.h"
#include "recovery/search.h"

// Helpers of the scan-format tests: measuring bytes as a scan would, inside a larger medium.
namespace kova::test {

// A search over the stream with a fresh worker of its own.
class TXTestSearch {
 public:
  explicit TXTestSearch(TXStream& source);
  TXSearch& Search() { return search_; }
  // Ends the worker, as a cancelled run would.
  void Terminate();

 private:
  TXSearch search_;
};

// The end that a fresh format of the kind finds for the file starting at `start` of the bytes, and
// the format after the measurement.
struct TXMeasured {
  int64_t End = -1;
  std::unique_ptr<TXDRScanFormat> Format;
};
TXMeasured MeasureBytes(uint8_t kind, const std::vector<uint8_t>& bytes, int64_t start = 0);
// The same for the kind that the start pattern found at `start` selects, as the deep scan picks it.
TXMeasured MeasureAsScanned(const std::vector<uint8_t>& bytes, int64_t start = 0);

// Expects the file to be measured whole, as the kind with the extension, where the scan finds it,
// also inside noise.
void ExpectWholeFile(const std::vector<uint8_t>& bytes, uint8_t kind, std::string_view ext);

// Noise of `size` bytes with the file's bytes placed at `offset`.
std::vector<uint8_t> Embedded(const std::vector<uint8_t>& file, int64_t offset, int64_t size);

// The extents of `count` bytes from `start`, in one piece.
TXBlocks Extent(int64_t start, int64_t count);

// The bytes of a sample file (the caller has checked that the folder is there).
std::vector<uint8_t> SampleBytes(const std::filesystem::path& path);

}  // namespace kova::test
