// Recipes and the mkcard program: a recipe builds the card it describes, a bad recipe names the
// offending line and leaves an existing image alone, and the manifest reads back as written.
#include "recipe.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "card_test_support.h"
#include "mkcard_cli.h"
#include "support/test_paths.h"

namespace kova::mkcard::test {
namespace {

using kova::test::TempDir;

void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path) << text;
}

Status RunText(const std::string& recipe, CardBuilder* card,
               const std::filesystem::path& base = {}) {
  return RunRecipe(recipe, {base, kova::test::SamplesDir()}, card);
}

TEST(Recipe, BuildsWhatItDescribes) {
  CardBuilder card;
  const Status done = RunText(R"(
# a small card
volume fat16 size=16M cluster=2K label="MY CARD" serial=1234-ABCD oem=KOVACAM
time 2023-01-02 03:04:06
folder DCIM long-name="Digital Camera"
file DCIM/A.JPG photo=320x240 seed=3 long-name="First shot.jpg" time=2023-01-02T05:06:08
file DCIM/B.DAT data=3K clusters=300-301
file DCIM/C.DAT data=4K fill=0xAB from=DCIM/B.DAT+1
file DCIM/Q.TXT text="a \"quoted\" word and a \\ backslash"
delete DCIM/A.JPG
raw cluster=1000 shift=100 tiff=20x10 byte-order=big name=orphan
wipe clusters=1500-1501 byte=0xFF
bad clusters=2000
truncate size=15M
)",
                              &card);
  ASSERT_TRUE(done.ok()) << done.message();
  const Manifest m = card.MakeManifest();
  EXPECT_EQ(m.volume.label, "MY CARD");
  EXPECT_EQ(m.volume.serial, 0x1234ABCDu);
  EXPECT_EQ(m.volume.image_bytes, 15u << 20);
  EXPECT_EQ(m.volume.bad_clusters, "2000");
  const ManifestRecord* folder = m.Find("DCIM");
  ASSERT_NE(folder, nullptr);
  EXPECT_EQ(folder->long_name, "Digital Camera");
  EXPECT_EQ(folder->time, "2023-01-02 03:04:06");
  const ManifestRecord* a = m.Find("DCIM/A.JPG");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->state, EntryState::kDeleted);
  EXPECT_EQ(a->long_name, "First shot.jpg");
  EXPECT_EQ(a->time, "2023-01-02 05:06:08");
  EXPECT_EQ(a->width, 320);
  EXPECT_EQ(m.Find("DCIM/B.DAT")->clusters, "300-301");
  EXPECT_EQ(m.Find("DCIM/Q.TXT")->size, std::string("a \"quoted\" word and a \\ backslash").size());
  EXPECT_EQ(m.Find("DCIM/C.DAT")->clusters, "302-303")
      << "from= the second cluster of B.DAT, which is taken";
  const ManifestRecord* orphan = m.Find("orphan");
  ASSERT_NE(orphan, nullptr);
  EXPECT_EQ(orphan->extents.front().offset, card.Layout().ClusterOffset(1000) + 100);
  EXPECT_EQ(orphan->content, "tif");
}

TEST(Recipe, ErrorsNameTheLineAndTheProblem) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"file A.TXT text=x", "line 1: the recipe must start with a 'volume' line"},
      {"volume fat16 size=16M\nvolume fat16 size=16M",
       "line 2: the recipe has a second 'volume' line"},
      {"volume fat16 size=16M\nfile A.TXT text=x colour=red",
       "line 2: unknown option 'colour' for 'file'"},
      {"volume fat16 size=16M\nfile A.TXT photo=big", "line 2: photo=big: expected WIDTHxHEIGHT"},
      {"volume fat16 size=16M\nfile A.TXT", "line 2: no content"},
      {"volume fat16 size=16M\nfile A.TXT text=x data=5", "line 2: give one content option"},
      {"volume fat16 size=16M\nfile A.TXT text=\"open", "line 2: a quote is not closed"},
      {"volume fat16 size=16M\nfile A.TXT text=x text=y", "line 2: option 'text' is given twice"},
      {"volume fat16 size=16M\nmake A", "line 2: unknown command 'make'"},
      {"volume fat16 size=16M\ntime 2024-13-01 00:00:00", "line 2: usage: time"},
      {"volume fat16 size=16M\nfile A.TXT text=x time=2024-01-01T00:00:01", "even seconds"},
      {"volume fat16 size=16M\n\n\nfile A.TXT copy=samples:nothing-here.jpg", "line 4: "},
      {"volume fat16 size=16M\nfile A.TXT text=x clusters=9-3",
       "line 2: clusters=9-3: '9-3' is not"},
      {"volume fat16 size=16M\nfile A.TXT text=x from=NOPE.TXT+2",
       "line 2: nothing named 'NOPE.TXT'"},
      {"volume fat16 size=16M\nfile A.TXT text=x\nraw offset=0 text=y",
       "line 3: raw bytes must lie inside the data area"},
      {"volume fat99 size=16M", "line 1: volume type must be fat12, fat16, fat32 or exfat"},
      {"volume fat32 size=16M", "line 1: FAT32 needs at least 65525 clusters"},
      {"# nothing but a comment", "the recipe has no 'volume' line"},
  };
  for (const auto& [recipe, expected] : cases) {
    CardBuilder card;
    const Status failed = RunText(recipe, &card);
    EXPECT_FALSE(failed.ok()) << recipe;
    EXPECT_NE(failed.message().find(expected), std::string::npos)
        << "recipe:\n"
        << recipe << "\nmessage: " << failed.message();
  }
}

TEST(Recipe, CopiesFilesRelativeToTheRecipe) {
  TempDir dir;
  WriteText(dir / "note.txt", "copied bytes");
  CardBuilder card;
  ASSERT_TRUE(
      RunText("volume fat12 size=1M\nfile NOTE.TXT copy=note.txt\n", &card, dir.Path()).ok());
  const Manifest manifest = card.MakeManifest();
  const ManifestRecord* note = manifest.Find("NOTE.TXT");
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->size, 12u);
  EXPECT_EQ(note->content, "txt");
}

TEST(ManifestFile, ReadsBackWhatWasWritten) {
  CardBuilder good;
  ASSERT_TRUE(RunText("volume fat32 size=34M cluster=512\nfolder D long-name=\"Dé ja\"\nfile "
                      "D/X.MOV mov=64x48 frames=2\n"
                      "folder L\nloop-folder L\nlink-folder L name=UP to=L\ndelete D\nraw "
                      "cluster=9000 data=100\n",
                      &good)
                  .ok());
  const Manifest written = good.MakeManifest();
  Manifest read;
  const Status parsed = ManifestFromJsonLines(ManifestToJsonLines(written), &read);
  ASSERT_TRUE(parsed.ok()) << parsed.message();
  EXPECT_EQ(ManifestToJsonLines(read), ManifestToJsonLines(written));
  ASSERT_EQ(read.records.size(), 5u);
  EXPECT_EQ(read.Find("D")->long_name, "Dé ja");
  EXPECT_EQ(read.Find("D/X.MOV")->state, EntryState::kLost);
  EXPECT_TRUE(read.Find("L")->looped);
  EXPECT_EQ(read.Find("L/UP")->link_to, "L");
  EXPECT_EQ(read.volume.type, FatType::kFat32);
}

TEST(ManifestFile, MalformedLinesAreRefusedWithTheirNumber) {
  Manifest m;
  EXPECT_NE(
      ManifestFromJsonLines("{\"record\":\"volume\"", &m).message().find("line 1: malformed JSON"),
      std::string::npos);
  EXPECT_NE(ManifestFromJsonLines("{\"record\":\"volume\",\"type\":\"FAT16\"}", &m)
                .message()
                .find("missing"),
            std::string::npos);
  EXPECT_NE(ManifestFromJsonLines("", &m).message().find("no volume record"), std::string::npos);
  EXPECT_FALSE(ReadManifestFile("/nonexistent.jsonl", &m).ok());
}

TEST(MkcardProgram, WritesImageAndManifestAndKeepsOldOutputOnFailure) {
  TempDir dir;
  WriteText(dir / "good.recipe",
            "volume fat16 size=16M\nfolder DCIM\nfile DCIM/A.JPG photo=64x48\n");
  WriteText(dir / "bad.recipe", "volume fat16 size=16M\nfile NOWHERE/A.JPG photo=64x48\n");
  std::ostringstream out, err;
  ASSERT_EQ(RunMkcard({(dir / "good.recipe").string(), (dir / "card.img").string()}, out, err), 0)
      << err.str();
  EXPECT_NE(out.str().find("FAT16"), std::string::npos);
  Manifest manifest;
  ASSERT_TRUE(ReadManifestFile(dir / "card.manifest.jsonl", &manifest).ok());
  ASSERT_NE(manifest.Find("DCIM/A.JPG"), nullptr);
  EXPECT_EQ(Crc32(ExtentBytes(dir / "card.img", *manifest.Find("DCIM/A.JPG"))),
            manifest.Find("DCIM/A.JPG")->crc32);

  const auto before = ReadFileBytes(dir / "card.img");
  std::ostringstream out2, err2;
  EXPECT_EQ(RunMkcard({(dir / "bad.recipe").string(), (dir / "card.img").string()}, out2, err2), 1);
  EXPECT_NE(err2.str().find("bad.recipe line 2: folder 'NOWHERE' does not exist"),
            std::string::npos)
      << err2.str();
  EXPECT_TRUE(ReadFileBytes(dir / "card.img") == before) << "a failed run leaves the old image";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 4)
      << "no temporary files left";

  std::ostringstream out3, err3;
  EXPECT_EQ(RunMkcard({"only-one-argument"}, out3, err3), 2);
  EXPECT_NE(err3.str().find("usage: mkcard"), std::string::npos);
  EXPECT_EQ(RunMkcard({(dir / "good.recipe").string(), (dir / "no-such-folder" / "x.img").string()},
                      out3, err3),
            1);
}

TEST(MkcardProgram, BuiltProgramRunsFromTheCommandLine) {
  const std::filesystem::path program = kova::test::BinaryDir() / "tools" / "mkcard" / "mkcard";
  if (!std::filesystem::exists(program))
    GTEST_SKIP() << "the mkcard program is not built in " << program;
  TempDir dir;
  WriteText(dir / "r.recipe", "volume fat12 size=1M\nfile A.TXT text=abc\n");
  const ToolRun run = RunCommand(Quote(program) + " " + Quote(dir / "r.recipe") + " " +
                                 Quote(dir / "r.img") + " --manifest " + Quote(dir / "m.jsonl"));
  EXPECT_EQ(run.exit_code, 0) << run.output;
  EXPECT_TRUE(std::filesystem::exists(dir / "m.jsonl"));
  EXPECT_EQ(std::filesystem::file_size(dir / "r.img"), 1u << 20);
}

// The demo card is built once for all its tests.
class DemoCardTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    card_ = new CardBuilder;
    built_ = RunRecipeFile(kova::test::SourceDir() / "resources" / "demo" / "demo-card.recipe", {},
                           card_);
    if (built_.ok()) built_ = card_->Save(Image());
    manifest_ = card_->MakeManifest();
  }
  static void TearDownTestSuite() {
    delete card_;
    delete dir_;
  }
  void SetUp() override { ASSERT_TRUE(built_.ok()) << built_.message(); }
  static std::filesystem::path Image() { return *dir_ / "demo.img"; }
  static int Count(EntryState state, const std::string& content) {
    return static_cast<int>(std::count_if(
        manifest_.records.begin(), manifest_.records.end(),
        [&](const ManifestRecord& r) { return r.state == state && r.content == content; }));
  }
  static inline TempDir* dir_ = nullptr;
  static inline CardBuilder* card_ = nullptr;
  static inline Status built_;
  static inline Manifest manifest_;
};

TEST_F(DemoCardTest, HoldsEveryKindOfFindOnASmallFat32Card) {
  EXPECT_EQ(manifest_.volume.type, FatType::kFat32);
  EXPECT_EQ(manifest_.volume.volume_offset, 0u)
      << "a plain volume, as the recovery reads image files";
  EXPECT_LE(manifest_.volume.image_bytes, 40u << 20);
  EXPECT_GE(Count(EntryState::kLive, "jpg"), 4);
  EXPECT_GE(Count(EntryState::kDeleted, "jpg"), 2);
  EXPECT_GE(Count(EntryState::kLost, "jpg"), 2);
  EXPECT_GE(Count(EntryState::kRaw, "jpg"), 1);
  EXPECT_EQ(Count(EntryState::kLive, "avi") + Count(EntryState::kDeleted, "avi"), 1);
  EXPECT_EQ(Count(EntryState::kLive, "mov"), 1);
  const bool partly_reused =
      std::any_of(manifest_.records.begin(), manifest_.records.end(), [](const ManifestRecord& r) {
        return r.state == EntryState::kDeleted && r.content == "jpg" && !r.intact;
      });
  EXPECT_TRUE(partly_reused) << "one deleted photo lost some clusters to a later one";
  for (const ManifestRecord& r : manifest_.records) {
    if (r.content == "jpg") {
      EXPECT_GE(r.width, 1600) << r.path << " looks like a photo in a results list";
    }
    if (r.path.rfind("DCIM/100KOVA/", 0) == 0 && r.state == EntryState::kLive) {
      EXPECT_EQ(Crc32(ExtentBytes(Image(), r)), r.crc32) << r.path;
    }
  }
  if (HaveTool("fsck.fat")) {
    const ToolRun fsck = RunCommand("fsck.fat -n " + Quote(Image()));
    EXPECT_EQ(fsck.exit_code, 0) << fsck.output;
  }
}

TEST_F(DemoCardTest, BuildTimeCardMatchesTheRecipe) {
  const std::filesystem::path built = kova::test::BinaryDir() / "demo" / "demo-card.img";
  if (!std::filesystem::exists(built)) GTEST_SKIP() << "the demo card was not built in " << built;
  EXPECT_TRUE(ReadFileBytes(built) == ReadFileBytes(Image()))
      << "mkcard at build time gives the same bytes";
}

}  // namespace
}  // namespace kova::mkcard::test
