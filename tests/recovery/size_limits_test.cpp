#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "framework/worker.h"
#include "recovery/block_scan.h"
#include "recovery/formats/scan_format_registry.h"
#include "recovery/found_extents.h"
#include "recovery/found_file_queue.h"
#include "support/offered_files.h"
#include "support/tiff_image.h"

namespace kova {
namespace {

// A medium of `size` bytes, zeros but for its first bytes.
class TXHeadedMedium : public TXStream {
 public:
  TXHeadedMedium(std::vector<uint8_t> head, int64_t size) : head_(std::move(head)), size_(size) {}
  int64_t Read(void* buffer, int64_t count) override {
    count = std::clamp<int64_t>(size_ - position_, 0, count);
    std::memset(buffer, 0, static_cast<size_t>(count));
    const auto headSize = static_cast<int64_t>(head_.size());
    if (position_ < headSize)
      std::memcpy(buffer, head_.data() + position_,
                  static_cast<size_t>(std::min(count, headSize - position_)));
    position_ += count;
    return count;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TXSeekOrigin origin) override {
    return position_ = SeekWithin(offset, origin, position_, size_);
  }

 private:
  std::vector<uint8_t> head_;
  int64_t size_;
  int64_t position_ = 0;
};

TEST(SizeLimits, AHeaderNamingGigabytesIsCutAtTheLargestFileOfItsKind) {
  // A Nikon raw whose strip would lie 3 GiB in, on a medium larger than any raw file.
  test::TXTiffImage raw(false, 512, 8);
  raw.Directory(8, {{271, test::ttAscii, 6, 200},
                    {273, test::ttLong, 1, 0xC0000000u},
                    {279, test::ttLong, 1, 0x10000000u}});
  raw.Text(200, "NIKON");
  const int64_t most = MostFileBytes(skNEF);
  TXHeadedMedium medium(raw.Data(), most + (64 << 20));
  TXRef<TXWorker> worker = MakeRef<TXWorker>();
  test::OfferedFiles offered(*worker);
  TXSearch search;
  search.SetWorker(worker);
  TXBlocks area;
  area.Add(0, medium.Size());
  TXDRFoundExtents taken;
  {
    TXDRFoundFileQueue queue(*worker, 1, {});
    ScanBlocks(search, medium, area, taken, queue);
  }
  ASSERT_EQ(offered.Count(), 1u);
  EXPECT_EQ(offered[0].Ext, ".nef");
  TXBlocks cut;
  cut.Add(0, most);
  EXPECT_EQ(offered[0].Blocks(), cut);
  EXPECT_LT(most, int64_t{1} << 30);
}

}  // namespace
}  // namespace kova
