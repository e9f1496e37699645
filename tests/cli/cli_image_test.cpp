#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "cli/cli_runner.h"
#include "fat/card_fixture.h"
#include "support/test_files.h"

namespace kova {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::FixtureCard;
using test::ReadFileBytes;
using test::RunCli;

// Scan lines without the run's time, which differs from run to run.
std::vector<std::string> Found(const CliResult& scan) {
  std::vector<std::string> lines = scan.OutLines();
  if (!lines.empty()) lines.pop_back();
  return lines;
}

class CliImageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    card_ = new FixtureCard(test::Fat16Options(16 << 20, 8));
    mkcard::CardBuilder& b = card_->Builder();
    ASSERT_TRUE(b.MakeFolder("DCIM").ok());
    for (int i = 1; i <= 5; ++i)
      ASSERT_TRUE(
          b.WriteFile("DCIM/IMG_000" + std::to_string(i) + ".JPG", test::Photo(640, 480, i)).ok());
    ASSERT_TRUE(b.Delete("DCIM/IMG_0004.JPG").ok());
    ASSERT_TRUE(card_->Save().ok());
  }
  static void TearDownTestSuite() { delete card_; }
  static std::string Card() { return card_->Image().string(); }

  static FixtureCard* card_;
  test::TempDir out_;
};
FixtureCard* CliImageTest::card_ = nullptr;

TEST_F(CliImageTest, AnImageParsesLikeTheDriveItWasMadeFrom) {
  test::LoopDevice loop(card_->Image());
  const std::string drive = loop.Device().empty() ? Card() : loop.Device();
  const fs::path image = out_ / "card.bin";
  CliResult made = RunCli({"image", drive, image.string()});
  ASSERT_EQ(made.Status, 0) << made.Err;
  EXPECT_NE(made.Out.find("Creating the memory card image file " + image.string()),
            std::string::npos)
      << made.Out;
  EXPECT_NE(made.Out.find("The memory card image file was created successfully."),
            std::string::npos);
  const std::vector<uint8_t> card = ReadFileBytes(card_->Image());
  std::vector<uint8_t> copied = ReadFileBytes(image);
  ASSERT_GT(copied.size(), card.size());
  EXPECT_EQ(
      std::string(copied.begin() + static_cast<ptrdiff_t>(card.size()), copied.end()).substr(0, 5),
      "<xml>");
  copied.resize(card.size());
  EXPECT_EQ(copied, card);

  CliResult fromDrive = RunCli({"scan", drive, "--json"});
  CliResult fromImage = RunCli({"scan", image.string(), "--json"});
  ASSERT_EQ(fromImage.Status, 0) << fromImage.Err;
  EXPECT_EQ(Found(fromImage), Found(fromDrive));
  EXPECT_EQ(Found(fromImage).size(), 5u);
}

TEST_F(CliImageTest, AnExistingFileIsNotReplacedWithoutAskingAndANameGetsItsExtension) {
  test::WriteFileBytes(out_ / "old.bin", {1, 2, 3});
  CliResult refused = RunCli({"image", Card(), (out_ / "old.bin").string()});
  EXPECT_EQ(refused.Status, 3);
  EXPECT_NE(refused.Err.find("already exists"), std::string::npos) << refused.Err;
  EXPECT_EQ(ReadFileBytes(out_ / "old.bin"), (std::vector<uint8_t>{1, 2, 3}));

  CliResult named = RunCli({"image", Card(), (out_ / "copy").string(), "--on-error", "skip:5"});
  EXPECT_EQ(named.Status, 0) << named.Err;
  EXPECT_TRUE(fs::exists(out_ / "copy.bin"));
}

TEST_F(CliImageTest, BadUseIsAUsageError) {
  EXPECT_EQ(RunCli({"image", Card()}).Status, 1);
  CliResult answer = RunCli({"image", Card(), (out_ / "x.bin").string(), "--on-error", "maybe"});
  EXPECT_EQ(answer.Status, 1);
  EXPECT_NE(answer.Err.find("--on-error: maybe"), std::string::npos) << answer.Err;
  EXPECT_EQ(RunCli({"image", (out_ / "none").string(), (out_ / "x.bin").string()}).Status, 2);
  EXPECT_FALSE(fs::exists(out_ / "x.bin"));
}

}  // namespace
}  // namespace kova
