#include "persistence/zlib_stream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <random>

#include "framework/aspects.h"
#include "framework/error_data.h"
#include "framework/worker_progress.h"
#include "support/test_paths.h"

namespace kova {
namespace {

// Text-like bytes that compress well, with some noise so that blocks differ.
std::vector<uint8_t> SampleBytes(size_t size) {
  std::mt19937 random(7);
  const std::string words = "memory card photo recovery thumbnail cluster extent ";
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) {
    bytes[i] = random() % 16 == 0 ? static_cast<uint8_t>(random()) : words[i % words.size()];
  }
  return bytes;
}

// zlib's own one-shot inflate, as an independent check of what we write.
std::vector<uint8_t> ZlibUncompress(const std::vector<uint8_t>& compressed, size_t size) {
  std::vector<uint8_t> out(size);
  uLongf length = size;
  EXPECT_EQ(uncompress(out.data(), &length, compressed.data(), compressed.size()), Z_OK);
  out.resize(length);
  return out;
}

// A real worker progress whose announced overall positions (0 to 1000) are recorded.
class RecordedProgress {
 public:
  RecordedProgress() {
    progress.AddObserver(AspectClassOf<TXProgressChangedAspect>(),
                         TXHandler(this, "record", [this](AXNotification& n) {
                           if (auto* a = n.AspectAs<TXProgressChangedAspect>()) {
                             positions.push_back(a->Position);
                           }
                         }));
  }
  TXWorkerProgress progress{TXRefMode::rmNone};
  std::vector<int32_t> positions;
};

class FailingStream : public TXStream {
 public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t, TXSeekOrigin) override { return 0; }
};

TEST(ZlibStreamTest, EveryLevelWritesOneZlibStreamThatZlibInflates) {
  std::vector<uint8_t> original = SampleBytes(300000);
  std::vector<size_t> sizes;
  for (auto level : {TXZCompressionLevel::zcNone, TXZCompressionLevel::zcFastest,
                     TXZCompressionLevel::zcDefault, TXZCompressionLevel::zcMax}) {
    std::vector<uint8_t> compressed = ZCompress(original, level);
    ASSERT_GE(compressed.size(), 2u);
    EXPECT_EQ(compressed[0] & 0x0F, 8) << "deflate method";
    EXPECT_EQ(compressed[0] >> 4, 7) << "window bits 15";
    EXPECT_EQ(ZlibUncompress(compressed, original.size()), original);
    sizes.push_back(compressed.size());
  }
  EXPECT_GT(sizes[0], original.size()) << "level none stores the bytes";
  EXPECT_LT(sizes[1], sizes[0]);
  EXPECT_LE(sizes[3], sizes[2]);
}

TEST(ZlibStreamTest, RoundTripsARealFileInOddSizedWritesAndReads) {
  KOVA_SAMPLE_OR_SKIP(path, "canon_ixus_exif_thumb.jpg");
  std::ifstream file(path, std::ios::binary);
  std::vector<uint8_t> original{std::istreambuf_iterator<char>(file), {}};
  TXMemoryStream packed;
  {
    TXZCompressionStream compressor(packed, TXZCompressionLevel::zcMax);
    for (size_t at = 0; at < original.size(); at += 777) {
      compressor.WriteBuffer(original.data() + at, std::min<int64_t>(777, original.size() - at));
    }
    EXPECT_EQ(compressor.TotalIn(), static_cast<int64_t>(original.size()));
  }
  packed.SetPosition(0);
  TXZDecompressionStream inflater(packed);
  std::vector<uint8_t> back;
  std::vector<uint8_t> block(1000);
  while (int64_t got = inflater.Read(block.data(), 1000))
    back.insert(back.end(), block.begin(), block.begin() + got);
  EXPECT_TRUE(inflater.AtEnd());
  EXPECT_EQ(back, original);
}

TEST(ZlibStreamTest, ProgressReportsRisingPercentagesOfTheExpectedTotal) {
  std::vector<uint8_t> original = SampleBytes(2000000);
  RecordedProgress packing;
  TXMemoryStream packed;
  {
    TXZCompressionStream compressor(packed, TXZCompressionLevel::zcNone, &packing.progress,
                                    static_cast<int64_t>(original.size()));
    compressor.WriteBuffer(original.data(), static_cast<int64_t>(original.size()));
  }
  ASSERT_GT(packing.positions.size(), 5u);
  EXPECT_TRUE(std::is_sorted(packing.positions.begin(), packing.positions.end()));
  EXPECT_EQ(packing.positions.back(), 1000);

  RecordedProgress unpacking;
  packed.SetPosition(0);
  TXZDecompressionStream inflater(packed, &unpacking.progress);
  std::vector<uint8_t> back(original.size());
  inflater.ReadBuffer(back.data(), static_cast<int64_t>(back.size()));
  ASSERT_GT(unpacking.positions.size(), 5u);
  EXPECT_TRUE(std::is_sorted(unpacking.positions.begin(), unpacking.positions.end()));
  EXPECT_EQ(unpacking.positions.back(), 1000) << "the whole source is the expected total";
}

TEST(ZlibStreamTest, DamagedOrTruncatedDataKeepsWhatInflatedBeforeAndSaysWhy) {
  std::vector<uint8_t> original = SampleBytes(500000);
  std::vector<uint8_t> compressed = ZCompress(original);

  std::vector<uint8_t> truncated(compressed.begin(), compressed.begin() + compressed.size() / 2);
  std::vector<uint8_t> out;
  ClearThreadError();
  EXPECT_FALSE(ZDecompress(truncated, out));
  EXPECT_EQ(ThreadError().Code, kErrCheck);
  EXPECT_NE(ThreadError().Text.find("ends before"), std::string::npos) << ThreadError().Text;
  ASSERT_GT(out.size(), original.size() / 4);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), original.begin()));

  std::vector<uint8_t> damaged = compressed;
  for (size_t i = compressed.size() / 3; i < compressed.size() / 3 + 64; ++i)
    damaged[i] ^= 0x5A;
  ClearThreadError();
  EXPECT_FALSE(ZDecompress(damaged, out));
  EXPECT_EQ(ThreadError().Code, kErrCheck);
  EXPECT_LT(out.size(), original.size());

  EXPECT_FALSE(ZDecompress(std::vector<uint8_t>{1, 2, 3, 4}, out));
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(ZDecompress(compressed, out));
  EXPECT_EQ(out, original);
}

TEST(ZlibStreamTest, MisuseAndFailingDestinationsRaiseCodedErrors) {
  TXMemoryStream packed;
  TXZCompressionStream compressor(packed);
  char byte = 'x';
  EXPECT_THROW(compressor.Read(&byte, 1), EXError);
  compressor.WriteBuffer(&byte, 1);
  compressor.Finish();
  try {
    compressor.WriteBuffer(&byte, 1);
    FAIL() << "write after finish";
  } catch (const EXError& error) {
    EXPECT_EQ(error.Code(), kErrWrite);
  }

  packed.SetPosition(0);
  TXZDecompressionStream inflater(packed);
  EXPECT_EQ(inflater.Seek(1, TXSeekOrigin::soBeginning), 1);
  EXPECT_TRUE(inflater.AtEnd());
  try {
    inflater.Seek(0, TXSeekOrigin::soBeginning);
    FAIL() << "moving backwards";
  } catch (const EXError& error) {
    EXPECT_EQ(error.Code(), kErrSeek);
  }

  FailingStream broken;
  std::vector<uint8_t> bytes = SampleBytes(200000);
  TXZCompressionStream toBroken(broken, TXZCompressionLevel::zcNone);
  EXPECT_THROW(
      {
        toBroken.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        toBroken.Finish();
      },
      EXError);
}

}  // namespace
}  // namespace kova
