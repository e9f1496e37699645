#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <thread>

#include "cli/cli_runner.h"
#include "fat/card_fixture.h"
#include "storage/disk_info.h"

namespace kova {
namespace {

using test::CliProcess;
using test::CliResult;
using test::FixtureCard;
using test::RunCli;

// A JSON member of one output line: the text of a string, or the raw text of any other value.
std::string Member(const std::string& line, const std::string& name) {
  std::smatch match;
  if (std::regex_search(line, match, std::regex("\"" + name + "\":\"([^\"]*)\""))) return match[1];
  if (std::regex_search(
          line, match,
          std::regex("\"" + name +
                     "\":(\\[\\[[^\\]]*\\](,\\[[^\\]]*\\])*\\]|\\[[^\\]]*\\]|[^,}]*)")))
    return match[1];
  return {};
}

std::string ExtentsJson(const mkcard::ManifestRecord& record) {
  std::string json = "[";
  for (const mkcard::Extent& e : record.extents) {
    if (json.size() > 1) json += ",";
    json += "[" + std::to_string(e.offset) + "," + std::to_string(e.size) + "]";
  }
  return json + "]";
}

// A small card with a live photo, a deleted one, a lost folder, a video and text.
class CliScanTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    card_ = new FixtureCard(test::Fat32Options());
    mkcard::CardBuilder& b = card_->Builder();
    ASSERT_TRUE(b.MakeFolder("DCIM").ok());
    ASSERT_TRUE(b.WriteFile("DCIM/IMG_0001.JPG", test::Photo(800, 600, 1, true)).ok());
    ASSERT_TRUE(b.WriteFile("DCIM/IMG_0002.JPG", test::Photo(640, 480, 2)).ok());
    ASSERT_TRUE(b.WriteFile("DCIM/NOTES.TXT", mkcard::MakeText("not a picture")).ok());
    ASSERT_TRUE(b.MakeFolder("DCIM/OLD").ok());
    ASSERT_TRUE(b.WriteFile("DCIM/OLD/IMG_0100.JPG", test::Photo(320, 240, 3)).ok());
    mkcard::VideoOptions video;
    mkcard::Content avi;
    ASSERT_TRUE(mkcard::MakeAviVideo(video, &avi).ok());
    ASSERT_TRUE(b.WriteFile("DCIM/MVI_0003.AVI", avi).ok());
    ASSERT_TRUE(b.Delete("DCIM/IMG_0002.JPG").ok());
    ASSERT_TRUE(b.Delete("DCIM/OLD").ok());
    ASSERT_TRUE(card_->Save().ok());
  }
  static void TearDownTestSuite() { delete card_; }
  static std::string Image() { return card_->Image().string(); }

  static FixtureCard* card_;
};
FixtureCard* CliScanTest::card_ = nullptr;

TEST_F(CliScanTest, TextLinesTellNameTypeSizeDimensionsAndOrigin) {
  CliResult result = RunCli({"scan", Image()});
  ASSERT_EQ(result.Status, 0) << result.Err;
  // Not on a terminal: no progress and no hints on the error output.
  EXPECT_EQ(result.Err, "");
  const std::string& out = result.Out;
  EXPECT_TRUE(
      std::regex_search(out, std::regex("IMG_0001\\.JPG +jpg +[0-9.]+ KB +800x600  live entry")));
  EXPECT_TRUE(std::regex_search(
      out, std::regex("!MG_0002\\.JPG +jpg +[0-9.]+ KB +640x480  deleted entry")));
  EXPECT_TRUE(
      std::regex_search(out, std::regex("IMG_0100\\.JPG +jpg +[0-9.]+ KB +320x240  lost folder")));
  EXPECT_TRUE(std::regex_search(out, std::regex("MVI_0003\\.AVI +avi .* live entry")));
  EXPECT_EQ(out.find("NOTES.TXT"), std::string::npos);
  EXPECT_TRUE(std::regex_search(out, std::regex("Found [0-9]+ files \\([0-9.]+ [KM]B\\)\\.\n$")));
}

TEST_F(CliScanTest, JsonLinesCarryTheFactsAndASummary) {
  CliResult result = RunCli({"scan", Image(), "--json"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  std::vector<std::string> lines = result.OutLines();
  ASSERT_GE(lines.size(), 5u);
  int live = 0;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    const std::string& line = lines[i];
    ASSERT_EQ(line.front(), '{');
    for (const char* name :
         {"name", "ext", "size", "status", "width", "height", "extents", "thumbnail"})
      EXPECT_FALSE(Member(line, name).empty()) << name << " in " << line;
    if (Member(line, "name") == "IMG_0001.JPG") {
      ++live;
      const mkcard::ManifestRecord& record = card_->Record("DCIM/IMG_0001.JPG");
      EXPECT_EQ(Member(line, "ext"), ".jpg");
      EXPECT_EQ(Member(line, "size"), std::to_string(record.size));
      EXPECT_EQ(Member(line, "extents"), ExtentsJson(record));
      EXPECT_EQ(Member(line, "status"), "[\"drThnValidated\",\"drEntry\"]");
      EXPECT_EQ(Member(line, "origin"), "live");
      EXPECT_EQ(Member(line, "width"), "800");
      EXPECT_EQ(Member(line, "thumbnail"), "true");
    }
  }
  EXPECT_EQ(live, 1);
  const std::string& summary = lines.back();
  EXPECT_EQ(Member(summary, "summary"), "true");
  EXPECT_EQ(Member(summary, "files"), std::to_string(lines.size() - 1));
  EXPECT_EQ(Member(summary, "code"), "0");
  EXPECT_EQ(Member(summary, "cancelled"), "false");
}

TEST_F(CliScanTest, TypesRestrictTheFilesListed) {
  CliResult result = RunCli({"scan", Image(), "--types", "avi", "--json"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  std::vector<std::string> lines = result.OutLines();
  ASSERT_EQ(lines.size(), 2u) << result.Out;
  EXPECT_EQ(Member(lines[0], "name"), "MVI_0003.AVI");
}

// The files listed, without the summary (which tells the time taken).
std::vector<std::string> FilesListed(const CliResult& result) {
  std::vector<std::string> lines = result.OutLines();
  if (!lines.empty()) lines.pop_back();
  return lines;
}

TEST_F(CliScanTest, TheThreadCountChangesNothingInTheListing) {
  CliResult alone = RunCli({"scan", Image(), "--json", "--threads", "1"});
  ASSERT_EQ(alone.Status, 0) << alone.Err;
  EXPECT_EQ(FilesListed(alone).size(), 4u) << alone.Out;
  for (const char* threads : {"2", "7"}) {
    CliResult many = RunCli({"scan", Image(), "--json", "--threads", threads});
    ASSERT_EQ(many.Status, 0) << many.Err;
    EXPECT_EQ(FilesListed(many), FilesListed(alone)) << threads;
  }
}

TEST_F(CliScanTest, OptionsMayStandBeforeTheCommandAndTypesTakeCommonSpellings) {
  CliResult after = RunCli({"scan", Image(), "--types", "jpg", "--json"});
  ASSERT_EQ(after.Status, 0) << after.Err;
  CliResult before = RunCli({"--json", "--types", "JPEG", "scan", Image()});
  ASSERT_EQ(before.Status, 0) << before.Err;
  EXPECT_EQ(FilesListed(before), FilesListed(after));
  EXPECT_GE(FilesListed(before).size(), 3u);
  EXPECT_EQ(RunCli({"--types=tiff,jpe", "scan", Image()}).Status, 0);
}

TEST_F(CliScanTest, TheSourceIsNeverChanged) {
  const auto before = std::filesystem::last_write_time(card_->Image());
  std::ifstream in(card_->Image(), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(RunCli({"scan", Image()}).Status, 0);
  std::ifstream again(card_->Image(), std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), bytes);
  EXPECT_EQ(std::filesystem::last_write_time(card_->Image()), before);
}

TEST_F(CliScanTest, ProgressBarIsDrawnOnATerminal) {
  if (test::RunProgram({"script", "-qec", "true", "/dev/null"}).Status != 0)
    GTEST_SKIP() << "script(1) cannot give the program a terminal here";
  const std::string command = test::CliProgram().string() + " scan '" + Image() + "'";
  CliResult result = test::RunProgram({"script", "-qec", command, "/dev/null"});
  ASSERT_EQ(result.Status, 0) << result.Out;
  EXPECT_NE(result.Out.find("Press Ctrl+C to stop."), std::string::npos);
  EXPECT_TRUE(std::regex_search(
      result.Out, std::regex("\\[#+-*\\]  [0-9]+%  00:0[0-9]  [0-9.]+ (bytes|KB|MB) of "
                             "[0-9.]+ MB \u00B7 Files found: [0-9]+")))
      << result.Out;
  EXPECT_NE(result.Out.find("IMG_0001.JPG"), std::string::npos);
}

TEST(CliScan, CtrlCStopsTheRunAndReportsWhatWasFound) {
  // Forty large photos: their thumbnails take a good while, so the run is still going when the
  // first file has been announced.
  FixtureCard card(test::Fat32Options(300 << 20, 8));
  KOVA_CARD_OK(card.Formatted());
  mkcard::Content photo = test::Photo(4000, 3000, 9);
  for (int i = 0; i < 40; ++i)
    KOVA_CARD_OK(card.Builder().WriteFile("P" + std::to_string(1000 + i) + ".JPG", photo));
  KOVA_CARD_OK(card.Save());
  CliProcess process({"scan", card.Image().string(), "--json"});
  std::string first = process.ReadLine();
  ASSERT_EQ(Member(first, "name"), "P1000.JPG") << first;
  process.Signal(SIGINT);
  CliResult result = process.Finish(first + "\n");
  EXPECT_EQ(result.Status, 130) << result.Err;
  std::vector<std::string> lines = result.OutLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_LT(lines.size(), 41u);
  EXPECT_EQ(Member(lines.back(), "cancelled"), "true");
  EXPECT_EQ(Member(lines.back(), "code"), "1");
  EXPECT_EQ(Member(lines.back(), "files"), std::to_string(lines.size() - 1));
}

TEST(CliScan, RealSampleImagesScan) {
  KOVA_SAMPLE_OR_SKIP(fat16, "fat16_mkfs_superfloppy.img");
  // Text files only: nothing of the catalogue, a clean run all the same.
  CliResult text = RunCli({"scan", fat16.string()});
  EXPECT_EQ(text.Status, 0) << text.Err;
  EXPECT_NE(text.Out.find("Found 0 files"), std::string::npos);
  CliResult fat12 =
      RunCli({"scan", (test::SamplesDir() / "fat12_mkfs_superfloppy.img").string(), "--json"});
  EXPECT_EQ(fat12.Status, 0) << fat12.Err;
  EXPECT_EQ(Member(fat12.OutLines().back(), "files"), "0");
}

}  // namespace
}  // namespace kova
