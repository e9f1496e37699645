#include "cli/cli_arguments.h"

#include <gtest/gtest.h>

#include "cli/cli_commands.h"
#include "cli/cli_progress_bar.h"
#include "cli/cli_texts.h"

namespace kova::cli {
namespace {

class CliArgumentsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { UseCliLanguage(); }
};

TEST_F(CliArgumentsTest, OptionsTakeTheirValuesInBothForms) {
  TXCliArguments arguments;
  const TXCliCommand* scan = FindCommand("scan");
  ASSERT_NE(scan, nullptr);
  EXPECT_FALSE(ParseArguments({"scan", "card.img", "--types", "jpg,cr2", "--json", "--size=8GB"},
                              scan->Options, arguments));
  EXPECT_EQ(arguments.Command, "scan");
  EXPECT_EQ(arguments.Positional, std::vector<std::string>{"card.img"});
  EXPECT_EQ(arguments.Value("types"), "jpg,cr2");
  EXPECT_EQ(arguments.Value("size"), "8GB");
  EXPECT_TRUE(arguments.Has("json"));
  EXPECT_FALSE(arguments.Has("help"));
}

TEST_F(CliArgumentsTest, BadOptionsAreUsageErrorsThatNameThem) {
  TXCliArguments arguments;
  const auto& options = FindCommand("info")->Options;
  auto unknown = ParseArguments({"info", "card.img", "--types", "jpg"}, options, arguments);
  ASSERT_TRUE(unknown);
  EXPECT_NE(unknown->Message.find("--types"), std::string::npos);
  auto flagWithValue = ParseArguments({"info", "--json=yes"}, options, arguments);
  ASSERT_TRUE(flagWithValue);
  auto missing =
      ParseArguments({"scan", "card.img", "--types"}, FindCommand("scan")->Options, arguments);
  ASSERT_TRUE(missing);
  EXPECT_NE(missing->Message.find("--types"), std::string::npos);
  EXPECT_FALSE(ParseArguments({"--help"}, {}, arguments));
  EXPECT_TRUE(arguments.Command.empty());
  EXPECT_TRUE(arguments.Has("help"));
}

TEST_F(CliArgumentsTest, SizesCountAsCardMakersDo) {
  EXPECT_EQ(ParseSize("8GB"), 8000000000);
  EXPECT_EQ(ParseSize("512 mb"), 512000000);
  EXPECT_EQ(ParseSize("64GiB"), int64_t{64} << 30);
  EXPECT_EQ(ParseSize("1000000"), 1000000);
  for (const char* bad : {"", "GB", "0", "-5GB", "8XB", "8.5GB", "99999999999TB"})
    EXPECT_FALSE(ParseSize(bad)) << bad;
}

TEST_F(CliArgumentsTest, TheCommandIsTheFirstWordThatIsNoOptionOrValue) {
  EXPECT_EQ(CommandWord({"--json", "scan", "card.img"}, AllOptions()), "scan");
  EXPECT_EQ(CommandWord({"--types", "jpg", "--size=8GB", "recover"}, AllOptions()), "recover");
  EXPECT_EQ(CommandWord({"--json"}, AllOptions()), "");
  TXCliArguments arguments;
  EXPECT_FALSE(ParseArguments({"--types", "jpg", "scan", "card.img", "--json"},
                              FindCommand("scan")->Options, arguments));
  EXPECT_EQ(arguments.Command, "scan");
  EXPECT_EQ(arguments.Positional, std::vector<std::string>{"card.img"});
  EXPECT_EQ(arguments.Value("types"), "jpg");
}

TEST_F(CliArgumentsTest, TypesAreCatalogueExtensions) {
  std::string unknown;
  EXPECT_EQ(ParseTypes("jpg, .CR2,mov", unknown),
            (std::vector<std::string>{".jpg", ".cr2", ".mov"}));
  EXPECT_EQ(ParseTypes("JPEG,jpe,tiff,TIF,mpeg,aiff", unknown),
            (std::vector<std::string>{".jpg", ".jpg", ".tif", ".tif", ".mpg", ".aif"}));
  EXPECT_FALSE(ParseTypes("jpg,xyz", unknown));
  EXPECT_EQ(unknown, "xyz");
  EXPECT_FALSE(ParseTypes(",", unknown));
}

TEST_F(CliArgumentsTest, ProgressBarShowsPerCentTimeAndTheRunsFigures) {
  using namespace std::chrono_literals;
  EXPECT_EQ(TXCliProgressBar::Render(455, 75s, "1.00 MB of 2.00 MB"),
            "[#############-----------------]  45%  01:15  1.00 MB of 2.00 MB");
  EXPECT_EQ(TXCliProgressBar::Render(1000, 3725s, ""),
            "[##############################]  100%  1:02:05");
}

}  // namespace
}  // namespace kova::cli
