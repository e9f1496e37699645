#include "cli/cli_dialogs.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>

#include "output/cluster_error_dialog.h"
#include "persistence/lg_builtin.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova::cli {
namespace {

// A pseudo-terminal: the dialogs read from its terminal side, the test types on the other.
class Terminal {
 public:
  Terminal() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
    slave_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY);
  }
  ~Terminal() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
  }
  bool Open() const { return slave_ >= 0; }
  int Input() const { return slave_; }
  void Type(const std::string& text) {
    ASSERT_EQ(::write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

 private:
  int master_ = -1;
  int slave_ = -1;
};

class CliDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(UseBuiltInLanguage());
    if (!terminal_.Open()) GTEST_SKIP() << "no pseudo-terminal can be opened here";
    shown_ = std::tmpfile();
  }
  void TearDown() override {
    if (shown_) std::fclose(shown_);
  }
  std::string Shown() {
    std::rewind(shown_);
    std::string text;
    for (int c; (c = std::fgetc(shown_)) != EOF;)
      text += static_cast<char>(c);
    return text;
  }
  TXDRClusterErrorDialog Unit(uint8_t choice = ecNotAsked) {
    TXDRClusterErrorDialog dialog;
    dialog.FailedUnit = 65;
    dialog.TotalUnits = 8192;
    dialog.UnitSize = 4096;
    dialog.Choice = choice;
    return dialog;
  }

  Terminal terminal_;
  std::FILE* shown_ = nullptr;
  std::atomic<bool> interrupted_{false};
};

TEST_F(CliDialogsTest, TheClusterQuestionIsAskedAtTheTerminal) {
  TXCliDialogs dialogs(terminal_.Input(), shown_, [this] { return interrupted_.load(); });
  dialogs.SetClusterPolicy({TXOnError::Ask});
  ASSERT_TRUE(dialogs.Interactive());
  TXDRClusterErrorDialog unit = Unit();
  terminal_.Type("7\n3\n25\n");
  dialogs.AskClusterError(unit);
  EXPECT_EQ(unit.Choice, ecSkipSeveral) << "an answer out of range is asked again";
  EXPECT_EQ(unit.SkipCount, 25);
  const std::string shown = Shown();
  EXPECT_NE(shown.find("Read Error: Cluster 65 of 8192 cannot be read. (cluster size: 4096 bytes)"),
            std::string::npos)
      << shown;
  EXPECT_NE(shown.find("  3  Skip 10 clusters"), std::string::npos);
  EXPECT_NE(shown.find("Your choice [1]: "), std::string::npos);

  TXDRClusterErrorDialog again = Unit(ecSkipThis);
  terminal_.Type("\n");
  dialogs.AskClusterError(again);
  EXPECT_EQ(again.Choice, ecSkipThis) << "Enter takes the answer proposed";
}

TEST_F(CliDialogsTest, CtrlCEndsAQuestionWithTheProposedAnswer) {
  TXCliDialogs dialogs(terminal_.Input(), shown_, [this] { return interrupted_.load(); });
  dialogs.SetClusterPolicy({TXOnError::Ask});
  interrupted_ = true;
  TXDRClusterErrorDialog unit = Unit(ecFinishReading);
  dialogs.AskClusterError(unit);
  EXPECT_EQ(unit.Choice, ecFinishReading);
}

TEST_F(CliDialogsTest, ReplacingAFileNeedsAYes) {
  test::TempDir dir;
  const std::string name = (dir / "card.bin").string();
  test::WriteFileBytes(name, {1});
  TXCliDialogs dialogs(terminal_.Input(), shown_, {});
  terminal_.Type("n\nYes\n");
  EXPECT_EQ(dialogs.SaveImageFile(name, "x"), "");
  EXPECT_EQ(dialogs.SaveImageFile(name, "x"), name);
  EXPECT_NE(Shown().find(name + " already exists. Replace it? [y/N] "), std::string::npos);
  EXPECT_EQ(dialogs.SaveImageFile((dir / "new.bin").string(), "x"), (dir / "new.bin").string());
}

TEST(CliDialogs, WithoutATerminalAnswersArePoliciesAndHarmlessDefaults) {
  ASSERT_TRUE(UseBuiltInLanguage());
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  std::FILE* shown = std::tmpfile();
  TXCliDialogs dialogs(pipeEnds[0], shown, {});
  EXPECT_FALSE(dialogs.Interactive());
  TXDRClusterErrorDialog unit;
  dialogs.SetClusterPolicy({TXOnError::Ask});
  dialogs.AskClusterError(unit);
  EXPECT_EQ(unit.Choice, ecIgnoreAll);
  dialogs.SetClusterPolicy(*ParseClusterPolicy("skip:4"));
  dialogs.AskClusterError(unit);
  EXPECT_EQ(unit.Choice, ecSkipSeveral);
  EXPECT_EQ(unit.SkipCount, 4);
  dialogs.SetClusterPolicy(*ParseClusterPolicy("finish"));
  dialogs.AskClusterError(unit);
  EXPECT_EQ(unit.Choice, ecFinishReading);
  EXPECT_FALSE(ParseClusterPolicy("skip:0"));
  EXPECT_FALSE(ParseClusterPolicy("skip"));
  EXPECT_EQ(dialogs.SelectFolder({"Where?", "/tmp", {}, false}).Folder, "");
  EXPECT_EQ(
      dialogs.ShowMessage({"Stop?", TXMessageIcon::Question, TXMessageButtons::StopContinue, {}})
          .Button,
      TXMessageButton::Continue);
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
  std::fclose(shown);
}

}  // namespace
}  // namespace kova::cli
