#include "format_samples.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "framework/error_data.h"
#include "framework/worker.h"
#include "recovery/formats/scan_format_registry.h"
#include "support/test_files.h"

namespace kova::test {

TXTestSearch::TXTestSearch(TXStream& source) {
  search_.SetWorker(MakeRef<TXWorker>());
  search_.SetSource(&source);
}

void TXTestSearch::Terminate() {
  search_.Worker()->Terminate(TXErrorData{});
}

TXMeasured MeasureBytes(uint8_t kind, const std::vector<uint8_t>& bytes, int64_t start) {
  TXMemoryStream stream(bytes);
  TXTestSearch search(stream);
  TXMeasured measured;
  measured.Format = CreateFormat(kind);
  measured.End = measured.Format->FindEnd(search.Search(), start);
  return measured;
}

TXMeasured MeasureAsScanned(const std::vector<uint8_t>& bytes, int64_t start) {
  const TXDRStartPatterns starts = BuildPatterns(AllKinds());
  TXMemoryStream stream(bytes);
  TXTestSearch search(stream);
  int32_t matched = -1;
  if (search.Search().FindFirstOf(starts.Patterns, matched, start, start + 16, 0, 1) != start) {
    ADD_FAILURE() << "no start pattern at " << start;
    return {};
  }
  return MeasureBytes(starts.Kinds[static_cast<size_t>(matched)], bytes, start);
}

void ExpectWholeFile(const std::vector<uint8_t>& bytes, uint8_t kind, std::string_view ext) {
  const auto last = static_cast<int64_t>(bytes.size()) - 1;
  TXMeasured measured = MeasureAsScanned(bytes);
  EXPECT_EQ(measured.End, last);
  ASSERT_NE(measured.Format, nullptr);
  EXPECT_EQ(measured.Format->Kind, kind);
  EXPECT_EQ(measured.Format->GetExtension(), ext);
  std::vector<uint8_t> medium = Embedded(bytes, 8192, bytes.size() + 16384);
  EXPECT_EQ(MeasureAsScanned(medium, 8192).End, 8192 + last) << "noise is no continuation";
}

std::vector<uint8_t> Embedded(const std::vector<uint8_t>& file, int64_t offset, int64_t size) {
  std::vector<uint8_t> medium = NoiseBytes(static_cast<size_t>(size), 99);
  std::ranges::copy(file, medium.begin() + offset);
  return medium;
}

TXBlocks Extent(int64_t start, int64_t count) {
  TXBlocks blocks;
  blocks.Add(start, count);
  return blocks;
}

std::vector<uint8_t> SampleBytes(const std::filesystem::path& path) {
  return ReadFileBytes(path);
}

}  // namespace kova::test
