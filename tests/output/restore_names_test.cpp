#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "fat/card_fixture.h"
#include "output/output_harness.h"
#include "output/restore_files.h"
#include "support/test_files.h"
#include "support/test_paths.h"

// The names restored files are saved under, from a real card: they need no quoting in a shell
// and hold no character a listing would garble.
namespace kova {
namespace {

namespace fs = std::filesystem;
using test::FixtureCard;
using test::ReadFileBytes;

mkcard::EntryOptions LongName(const std::string& name) {
  mkcard::EntryOptions options;
  options.long_name = name;
  return options;
}

// Puts a UTF-16 unit in place of character `index` (0 to 12) of the long-name entry just
// before the short entry at `entryOffset`: a name some other writer left on the card.
void PutLongNameUnit(const fs::path& image, int64_t entryOffset, int index, uint16_t unit) {
  static constexpr int kCharOffsets[] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  std::vector<uint8_t> bytes = ReadFileBytes(image);
  const size_t at = static_cast<size_t>(entryOffset - 32 + kCharOffsets[index]);
  bytes[at] = static_cast<uint8_t>(unit & 0xFF);
  bytes[at + 1] = static_cast<uint8_t>(unit >> 8);
  test::WriteFileBytes(image, bytes);
}

TEST(RestoreNames, LostFirstLettersAndUnfitCharactersAreSavedAsUnderscores) {
  FixtureCard card(test::Fat32Options(40 << 20, 1));
  auto& builder = card.Builder();
  ASSERT_TRUE(card.Formatted().ok());
  ASSERT_TRUE(builder.MakeFolder("DCIM").ok());
  ASSERT_TRUE(builder.WriteFile("DCIM/IMG_0003.JPG", test::Photo(640, 480, 1)).ok());
  ASSERT_TRUE(builder.WriteFile("DCIM/XMG_0003.JPG", test::Photo(640, 480, 2)).ok());
  ASSERT_TRUE(
      builder
          .WriteFile("DCIM/BESTSH~1.JPG", test::Photo(320, 240, 3), {}, LongName("!Best shot.jpg"))
          .ok());
  ASSERT_TRUE(builder
                  .WriteFile("DCIM/BEACH-~1.JPG", test::Photo(320, 240, 4), {},
                             LongName("Beach-at-dusk.jpg"))
                  .ok());
  for (const char* deleted : {"DCIM/IMG_0003.JPG", "DCIM/XMG_0003.JPG", "DCIM/BESTSH~1.JPG"})
    ASSERT_TRUE(builder.Delete(deleted).ok());
  ASSERT_TRUE(card.Save().ok());
  // A writer that checks nothing left a separator and a tab in the live file's long name.
  const int64_t beach = card.Record("DCIM/BEACH-~1.JPG").entry_offset;
  PutLongNameUnit(card.Image(), beach, 5, '/');
  PutLongNameUnit(card.Image(), beach, 8, '\t');

  test::OutputHarness run;
  ASSERT_TRUE(run.ScanImage(card.Image().string()));
  ASSERT_TRUE(run.RestoreImage((card.Dir() / "out").string() + "/"));
  ASSERT_EQ(run.endCode, kErrNone);

  // The found name (what the wizard shows) and the file it was saved as.
  std::map<std::string, std::vector<std::string>> savedAs;
  for (const auto& file : run.restored)
    savedAs[file.Name].push_back(fs::path(file.FileName).filename().string());
  EXPECT_EQ(savedAs["!MG_0003.JPG"], (std::vector<std::string>{"_MG_0003.JPG", "_MG_00031.JPG"}))
      << "the collision rule numbers the second";
  EXPECT_EQ(savedAs["!Best shot.jpg"], std::vector<std::string>{"!Best shot.jpg"})
      << "a long name tells the first letter, which is kept";
  EXPECT_EQ(savedAs["Beach/at\tdusk.jpg"], std::vector<std::string>{"Beach_at_dusk.jpg"});

  const std::vector<uint8_t> image = ReadFileBytes(card.Image());
  auto contentOf = [&](std::string_view path) {
    std::vector<uint8_t> bytes;
    for (const mkcard::Extent& e : card.Record(path).extents)
      bytes.insert(bytes.end(), image.begin() + static_cast<ptrdiff_t>(e.offset),
                   image.begin() + static_cast<ptrdiff_t>(e.offset + e.size));
    return bytes;
  };
  const std::vector<uint8_t> first = ReadFileBytes(card.Dir() / "out" / "_MG_0003.JPG");
  const std::vector<uint8_t> second = ReadFileBytes(card.Dir() / "out" / "_MG_00031.JPG");
  EXPECT_TRUE(
      (first == contentOf("DCIM/IMG_0003.JPG") && second == contentOf("DCIM/XMG_0003.JPG")) ||
      (first == contentOf("DCIM/XMG_0003.JPG") && second == contentOf("DCIM/IMG_0003.JPG")));
  EXPECT_EQ(ReadFileBytes(card.Dir() / "out" / "!Best shot.jpg"), contentOf("DCIM/BESTSH~1.JPG"));
  EXPECT_EQ(ReadFileBytes(card.Dir() / "out" / "Beach_at_dusk.jpg"),
            contentOf("DCIM/BEACH-~1.JPG"));
}

TEST(SafeFileName, ControlCharactersBecomeUnderscoresAndLongNamesAreCutBetweenCharacters) {
  EXPECT_EQ(SafeFileName("a\tb\nc\x1B[1m\x7F.jpg"), "a_b_c_[1m_.jpg");
  EXPECT_EQ(SafeFileName("Gr\xC3\xB6\xC3\x9F"
                         "e caf\xC3\xA9.jpg"),
            "Gr\xC3\xB6\xC3\x9F"
            "e caf\xC3\xA9.jpg");
  std::string umlauts;
  for (int i = 0; i < 200; ++i)
    umlauts += "\xC3\xB6";  // two bytes each
  const std::string cut = SafeFileName("xy" + umlauts + ".jpg");
  ASSERT_TRUE(cut.ends_with(".jpg"));
  const std::string stem = cut.substr(0, cut.size() - 4);
  EXPECT_EQ(stem.size() % 2, 0u) << "no character is split";
  EXPECT_EQ(stem, "xy" + umlauts.substr(0, stem.size() - 2));
}

// A file saved under a temporary name takes its final name by the collision rule, never
// replacing a file there, and makes the folders of its place.
TEST(MoveToUniqueName, TakesTheFirstFreeNumberedNameAndReplacesNothing) {
  test::TempDir dir;
  const auto made = [&](const std::string& name, uint8_t byte) {
    test::WriteFileBytes(dir / name, {byte});
    return (dir / name).string();
  };
  made("a.jpg", 1);
  made("a1.jpg", 2);
  std::string moved;
  ASSERT_TRUE(MoveToUniqueName(made("t1", 3), (dir / "a.jpg").string(), moved));
  EXPECT_EQ(moved, (dir / "a2.jpg").string());
  EXPECT_EQ(ReadFileBytes(dir / "a.jpg"), std::vector<uint8_t>{1});
  EXPECT_EQ(ReadFileBytes(dir / "a1.jpg"), std::vector<uint8_t>{2});
  EXPECT_EQ(ReadFileBytes(dir / "a2.jpg"), std::vector<uint8_t>{3});
  EXPECT_FALSE(fs::exists(dir / "t1"));

  ASSERT_TRUE(MoveToUniqueName(made("t2", 4), (dir / "DCIM/100/b.jpg").string(), moved));
  EXPECT_EQ(ReadFileBytes(dir / "DCIM/100/b.jpg"), std::vector<uint8_t>{4});

  EXPECT_FALSE(MoveToUniqueName((dir / "gone").string(), (dir / "c.jpg").string(), moved));
  EXPECT_TRUE(moved.empty());
  EXPECT_FALSE(fs::exists(dir / "c.jpg"));
}

}  // namespace
}  // namespace kova
