#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "card_builder.h"
#include "cli/cli_json.h"
#include "cli/cli_runner.h"
#include "exfat_volume_writer.h"
#include "fat/card_fixture.h"
#include "json_value.h"
#include "support/card_status.h"
#include "support/fat_images.h"
#include "support/test_files.h"

// kova-cli on images shorter than their volumes, as an imaging run that stopped leaves them:
// what lies inside is read by the file system, a file cut by the end is saved up to the end and
// reported damaged, and info and the summaries say how much of the volume is missing.
namespace kova {
namespace {

namespace fs = std::filesystem;
using mkcard::JsonValue;
using test::CliResult;
using test::RunCli;
using test::cli_json::Number;
using test::cli_json::Parse;
using test::cli_json::Text;

constexpr int kPhotos = 6;
// The copy stops inside this photo (counted from 0): those before it are whole, those after it
// lie wholly past the end.
constexpr int kCutPhoto = 3;

std::string PhotoName(int i) {
  return "P" + std::to_string(i + 1) + ".JPG";
}

std::vector<std::vector<uint8_t>> Photos() {
  std::vector<std::vector<uint8_t>> photos;
  for (int i = 0; i < kPhotos; ++i)
    photos.push_back(test::Photo(640, 480, 70 + static_cast<uint64_t>(i)).bytes);
  return photos;
}

// Where each photo's bytes lie in the image: on a freshly written card each is in one piece.
std::vector<int64_t> PlacesOf(const fs::path& image,
                              const std::vector<std::vector<uint8_t>>& photos) {
  const std::vector<uint8_t> bytes = test::ReadFileBytes(image);
  std::vector<int64_t> places;
  for (const std::vector<uint8_t>& photo : photos) {
    auto at = std::search(bytes.begin(), bytes.end(), photo.begin(), photo.end());
    places.push_back(at == bytes.end() ? -1 : at - bytes.begin());
  }
  return places;
}

// Cuts the image in the middle of the photo kCutPhoto, on a sector boundary; answers the cut.
int64_t CutInsideThePhoto(const fs::path& image, const std::vector<int64_t>& places,
                          const std::vector<std::vector<uint8_t>>& photos) {
  const int64_t middle = places[kCutPhoto] + static_cast<int64_t>(photos[kCutPhoto].size()) / 2;
  const int64_t cut = middle / 512 * 512;
  fs::resize_file(image, static_cast<uintmax_t>(cut));
  return cut;
}

struct Saved {
  std::string result;
  fs::path file;
};

// What recover saved, by name.
std::map<std::string, Saved> Recover(const fs::path& image, const fs::path& out, int64_t& missing) {
  CliResult run = RunCli({"recover", image.string(), "--out", out.string(), "--json"});
  EXPECT_NE(run.Status, 1) << run.Err;
  std::map<std::string, Saved> saved;
  for (const std::string& line : run.OutLines()) {
    const JsonValue record = Parse(line);
    if (record.Member("summary")) {
      missing = Number(record, "missing_bytes");
      continue;
    }
    saved[Text(record, "name")] = {Text(record, "result"), Text(record, "file")};
  }
  return saved;
}

// The photos before the cut come back whole, the cut one up to the end and reported damaged,
// the ones past the end not at all; the summary and info tell what is missing.
void ExpectCutCard(const fs::path& image, const std::vector<std::vector<uint8_t>>& photos,
                   const std::vector<int64_t>& places, int64_t cut, int64_t volumeBytes,
                   const fs::path& out) {
  int64_t missing = -1;
  const std::map<std::string, Saved> saved = Recover(image, out, missing);
  EXPECT_EQ(missing, volumeBytes - cut);
  for (int i = 0; i < kPhotos; ++i) {
    SCOPED_TRACE(PhotoName(i));
    auto found = saved.find(PhotoName(i));
    if (i > kCutPhoto) {
      EXPECT_EQ(found, saved.end()) << "it lies wholly past the end";
      continue;
    }
    ASSERT_NE(found, saved.end());
    std::vector<uint8_t> expected = photos[static_cast<size_t>(i)];
    if (i == kCutPhoto) expected.resize(static_cast<size_t>(cut - places[static_cast<size_t>(i)]));
    EXPECT_EQ(found->second.result, i == kCutPhoto ? "damaged" : "saved");
    EXPECT_EQ(test::ReadFileBytes(found->second.file), expected);
  }
}

// What info says of a card without a table whose volume has `missing` bytes past the end.
void ExpectMissingInInfo(const fs::path& image, int64_t missing) {
  CliResult info = RunCli({"info", image.string(), "--json"});
  ASSERT_EQ(info.Status, 0) << info.Err;
  EXPECT_EQ(Number(Parse(info.Out), "missing_bytes"), missing) << info.Out;
  CliResult text = RunCli({"info", image.string()});
  EXPECT_NE(text.Out.find(std::to_string(missing) + " bytes) of the volume lie past the end"),
            std::string::npos)
      << text.Out;
}

TEST(CliCutImage, AFatImageThatStoppedEarlyGivesWhatLiesInsideIt) {
  KOVA_FAT_TOOLS_OR_SKIP();
  struct Case {
    int bits;
    int64_t kib;
    int sectorsPerCluster;
  };
  const std::vector<std::vector<uint8_t>> photos = Photos();
  for (const Case& c : {Case{12, 8192, 4}, Case{16, 32768, 4}, Case{32, 65536, 1}}) {
    SCOPED_TRACE("FAT" + std::to_string(c.bits));
    test::TempDir dir;
    const fs::path image = dir / "card.img";
    test::FatImageOptions options;
    options.FatBits = c.bits;
    options.SizeKiB = c.kib;
    options.SectorsPerCluster = c.sectorsPerCluster;
    ASSERT_TRUE(test::MakeFatImage(image, options));
    for (int i = 0; i < kPhotos; ++i) {
      const fs::path photo = dir / PhotoName(i);
      test::WriteFileBytes(photo, photos[static_cast<size_t>(i)]);
      ASSERT_TRUE(test::CopyToVolume(image, 0, photo, "::/DCIM/" + PhotoName(i)));
    }
    const std::vector<int64_t> places = PlacesOf(image, photos);
    ASSERT_TRUE(std::is_sorted(places.begin(), places.end()) && places[0] > 0);
    const int64_t cut = CutInsideThePhoto(image, places, photos);
    ExpectCutCard(image, photos, places, cut, c.kib * 1024, dir / "out");
    ExpectMissingInInfo(image, c.kib * 1024 - cut);
  }
}

TEST(CliCutImage, AnExfatImageThatStoppedEarlyGivesWhatLiesInsideIt) {
  const std::vector<std::vector<uint8_t>> photos = Photos();
  test::TempDir dir;
  const fs::path image = dir / "card.img";
  mkcard::CardBuilder card;
  mkcard::ExfatOptions options;
  options.card_bytes = 16 << 20;
  mkcard::ExfatVolumeWriter* volume = nullptr;
  KOVA_CARD_OK(mkcard::FormatExfat(&card, options, &volume));
  for (int i = 0; i < kPhotos; ++i) {
    mkcard::Content photo;
    photo.bytes = photos[static_cast<size_t>(i)];
    KOVA_CARD_OK(volume->WriteExfatFile(PhotoName(i), photo, {}, {}));
  }
  KOVA_CARD_OK(card.Save(image));
  const std::vector<int64_t> places = PlacesOf(image, photos);
  ASSERT_TRUE(std::is_sorted(places.begin(), places.end()) && places[0] > 0);
  const int64_t cut = CutInsideThePhoto(image, places, photos);
  ExpectCutCard(image, photos, places, cut, 16 << 20, dir / "out");
  ExpectMissingInInfo(image, (16 << 20) - cut);
}

// A partitioned card copied only into its second partition: the partition is read as far as
// the image goes, and info says which part of it is missing.
TEST(CliCutImage, APartitionCutByTheEndOfTheImageIsReadAsFarAsItGoes) {
  KOVA_PARTITION_TOOLS_OR_SKIP();
  test::TempDir dir;
  const fs::path image = dir / "card.img";
  ASSERT_TRUE(test::MakePartitionedImage(image, 48 << 20,
                                         "label: dos\n"
                                         "start=2048, size=16384, type=6\n"
                                         "start=18432, size=79872, type=6\n"));
  test::FatImageOptions options;
  options.OffsetSectors = 18432;
  options.SizeKiB = 79872 / 2;
  options.SectorsPerCluster = 4;
  ASSERT_TRUE(test::FormatFatVolume(image, options));
  const std::vector<std::vector<uint8_t>> photos = Photos();
  for (int i = 0; i < kPhotos; ++i) {
    const fs::path photo = dir / PhotoName(i);
    test::WriteFileBytes(photo, photos[static_cast<size_t>(i)]);
    ASSERT_TRUE(test::CopyToVolume(image, 18432 * 512, photo, "::/" + PhotoName(i)));
  }
  const std::vector<int64_t> places = PlacesOf(image, photos);
  const int64_t cut = CutInsideThePhoto(image, places, photos);

  CliResult info = RunCli({"info", image.string(), "--json"});
  ASSERT_EQ(info.Status, 0) << info.Err;
  const JsonValue facts = Parse(info.Out);
  const JsonValue* partitions = facts.Member("partitions");
  ASSERT_TRUE(partitions && partitions->items.size() == 2u) << info.Out;
  const JsonValue& second = partitions->items[1];
  EXPECT_EQ(Number(second, "start"), 18432 * 512);
  EXPECT_EQ(Number(second, "size"), cut - 18432 * 512);
  EXPECT_EQ(Number(second, "missing_bytes"), (18432 + 79872) * 512 - cut);
  EXPECT_EQ(Text(second, "file_system"), "FAT16");
  EXPECT_NE(info.Out.find("\"problem\":\"cut\",\"partition\":2"), std::string::npos) << info.Out;

  CliResult text = RunCli({"info", image.string()});
  EXPECT_NE(text.Out.find("partition 2 reaches past the end of the medium"), std::string::npos)
      << text.Out;
  ExpectCutCard(image, photos, places, cut, (18432 + 79872) * 512, dir / "out");
}

}  // namespace
}  // namespace kova
