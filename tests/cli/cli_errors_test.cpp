#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "cli/cli_runner.h"
#include "fat/card_fixture.h"

namespace kova {
namespace {

using test::CliResult;
using test::FixtureCard;
using test::RunCli;

TEST(CliErrors, UsageErrorsExitWithOneAndSayWhatIsWrong) {
  struct Case {
    std::vector<std::string> arguments;
    std::string says;
  };
  const std::vector<Case> cases = {
      {{}, "Usage: kova-cli"},
      {{"frob"}, "Unknown command: frob"},
      {{"scan"}, "Missing the drive or memory card image file"},
      {{"scan", "a.img", "b.img"}, "Unexpected argument: b.img"},
      {{"scan", "a.img", "--bogus"}, "Unknown option: --bogus"},
      {{"scan", "a.img", "--types", "jpg,xyz"}, "Unknown file type: xyz"},
      {{"scan", "a.img", "--size", "lots"}, "Not a size: lots"},
      {{"scan", "a.img", "--threads", "0"}, "Not a number of threads: 0"},
      {{"recover", "a.img", "--out", "x", "--threads=many"}, "Not a number of threads: many"},
      {{"scan", "a.img", "--threads", "257"}, "Not a number of threads: 257"},
      {{"drives", "extra"}, "Unexpected argument: extra"},
  };
  for (const Case& c : cases) {
    CliResult result = RunCli(std::vector<std::string>(c.arguments));
    EXPECT_EQ(result.Status, 1) << testing::PrintToString(c.arguments);
    EXPECT_NE(result.Err.find(c.says), std::string::npos) << result.Err;
    EXPECT_EQ(result.Out, "");
  }
}

TEST(CliErrors, HelpAndVersionSucceed) {
  CliResult help = RunCli({"--help"});
  EXPECT_EQ(help.Status, 0);
  EXPECT_NE(help.Out.find("scan SOURCE"), std::string::npos);
  EXPECT_NE(help.Out.find("Exit status: 0 done, 1 wrong use, 2"), std::string::npos);
  EXPECT_EQ(RunCli({"scan", "--help"}).Out, help.Out);
  CliResult version = RunCli({"--version"});
  EXPECT_EQ(version.Status, 0);
  EXPECT_EQ(version.Out, "kova-cli 7.0.0.1\n");
}

TEST(CliErrors, SourcesThatCannotBeReadExitWithTwo) {
  test::TempDir dir;
  std::ofstream(dir / "tiny.img") << "too small";
  struct Case {
    std::string source;
    std::string says;
  };
  const std::vector<Case> cases = {
      {(dir / "missing.img").string(), "missing.img does not exist."},
      {dir.Path().string(), "is a folder"},
      {(dir / "tiny.img").string(), "neither a drive nor a memory card image file"},
      {"/dev/null", "neither a drive nor a memory card image file"},
  };
  for (const Case& c : cases) {
    for (const char* command : {"scan", "info"}) {
      CliResult result = RunCli({command, c.source});
      EXPECT_EQ(result.Status, 2) << command << " " << c.source;
      EXPECT_NE(result.Err.find(c.says), std::string::npos) << result.Err;
    }
  }
}

TEST(CliErrors, AnUnreadableImageFileGetsAdviceOnItsOwnPermissions) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
  if (RunCli({"--version"}, {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"})
          .Status != 0)
    GTEST_SKIP() << "setpriv cannot run the program as nobody here";
  FixtureCard card(test::Fat16Options());
  KOVA_CARD_OK(card.Formatted());
  KOVA_CARD_OK(card.Save());
  std::filesystem::permissions(card.Dir().Path(), std::filesystem::perms::all);
  std::filesystem::permissions(
      card.Image(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  const std::vector<std::string> asNobody = {"setpriv", "--reuid=65534", "--regid=65534",
                                             "--clear-groups"};
  for (const char* command : {"scan", "info"}) {
    CliResult result = RunCli({command, card.Image().string()}, asNobody);
    EXPECT_EQ(result.Status, 2) << command;
    EXPECT_NE(result.Err.find(card.Image().string() +
                              " cannot be read: the file's permissions (rw-------, owner root)"),
              std::string::npos)
        << result.Err;
    EXPECT_NE(result.Err.find("sudo chown $USER '" + card.Image().string() + "'"),
              std::string::npos);
    EXPECT_EQ(result.Err.find("disk"), std::string::npos) << "no advice on the disk group";
  }
  std::filesystem::permissions(card.Dir().Path(), std::filesystem::perms::owner_all);
  CliResult hidden = RunCli({"scan", card.Image().string()}, asNobody);
  EXPECT_EQ(hidden.Status, 2);
  EXPECT_NE(hidden.Err.find("cannot be reached: your account may not open a folder on the way"),
            std::string::npos)
      << hidden.Err;
  EXPECT_NE(hidden.Err.find("namei -l '" + card.Image().string() + "'"), std::string::npos);
}

TEST(CliErrors, InJsonModeErrorsAreJsonObjectsWithTheMeaningOfTheStatus) {
  test::TempDir dir;
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string says;
    std::string meaning;
  };
  const std::vector<Case> cases = {
      {{"--json", "frob"}, 1, "Unknown command: frob", "wrong use"},
      {{"scan", "--json"}, 1, "Missing the drive or memory card image file", "wrong use"},
      {{"--json", "scan", (dir / "none.img").string()},
       2,
       "none.img does not exist.",
       "source unreadable"},
      {{"scan", "x.img", "--json", "--types", "jpg,xyz"}, 1, "Unknown file type: xyz", "wrong use"},
      {{"--json"}, 1, "Usage: kova-cli", "wrong use"},
  };
  for (const Case& c : cases) {
    CliResult result = RunCli(std::vector<std::string>(c.arguments));
    EXPECT_EQ(result.Status, c.status) << testing::PrintToString(c.arguments);
    EXPECT_EQ(result.Out, "");
    EXPECT_TRUE(result.Err.starts_with("{\"error\":\"")) << result.Err;
    EXPECT_EQ(std::count(result.Err.begin(), result.Err.end(), '\n'), 1) << "one line";
    EXPECT_NE(result.Err.find(c.says), std::string::npos) << result.Err;
    EXPECT_TRUE(result.Err.ends_with(",\"status\":" + std::to_string(c.status) + ",\"meaning\":\"" +
                                     c.meaning + "\"}\n"))
        << result.Err;
  }
}

TEST(CliErrors, AnUnknownTypeListsTheKnownOnes) {
  CliResult result = RunCli({"scan", "x.img", "--types", "jpeg,photo"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("Unknown file type: photo. The types are: 3fr, 3g2, 3gp,"),
            std::string::npos)
      << result.Err;
  EXPECT_NE(result.Err.find(", jpg, "), std::string::npos);
  EXPECT_NE(result.Err.find(", tif, "), std::string::npos);
}

}  // namespace
}  // namespace kova
