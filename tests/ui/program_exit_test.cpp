#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>
#include <filesystem>

#include "support/test_paths.h"
#include "x_session.h"

// The real program ends when its window is closed, whatever page it shows and whatever it left
// open. It runs on an X server of the test's own (Qt's offscreen platform takes no input from
// outside), driven as a user drives it.
namespace kova::test {
namespace {

namespace fs = std::filesystem;

constexpr unsigned long kReturnKey = 0xff0d;
// Bounds that only a hang reaches.
constexpr int kHangMs = 60000;

class ProgramExitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kProgram.toStdString())) GTEST_SKIP() << "the kova program is not built";
    if (x.Display().empty()) GTEST_SKIP() << x.Problem();
    fs::permissions(home.Path(), fs::perms::owner_all, fs::perm_options::replace);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", QString::fromStdString(x.Display()));
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(home.Path().string()));
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString((home / "config").string()));
    program.setProcessEnvironment(environment);
    program.start(kProgram, {});
    ASSERT_TRUE(program.waitForStarted(kHangMs));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return (window = x.FindWindow("Velmora Kova")) != 0; }, kHangMs))
        << "the window never showed";
  }

  void TearDown() override {
    if (program.state() == QProcess::NotRunning) return;
    program.kill();
    program.waitForFinished(kHangMs);
  }

  // Closes the window as its title bar's button does and waits for the program to end.
  void CloseAndExpectTheEnd() {
    x.Close(window);
    EXPECT_TRUE(program.waitForFinished(kHangMs)) << "the program stayed after its window closed";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
  }

  const QString kProgram = QStringLiteral(KOVA_TEST_BINARY_DIR "/src/app/gui/kova");
  XSession x;
  TempDir home;
  QProcess program;
  unsigned long window = 0;
};

TEST_F(ProgramExitTest, ClosingTheWelcomePageEndsTheProgram) {
  CloseAndExpectTheEnd();
}

TEST_F(ProgramExitTest, ClosingTheDiskPageEndsTheProgram) {
  x.PressKey(kReturnKey);  // Start
  CloseAndExpectTheEnd();
}

TEST_F(ProgramExitTest, AHelpWindowLeftOpenDoesNotKeepTheProgram) {
  const std::optional<QRect> place = x.Geometry(window);
  ASSERT_TRUE(place);
  // The Help button, at the right end of the command bar.
  x.Click(place->right() - 46, place->bottom() - 16);
  ASSERT_TRUE(QTest::qWaitFor([&] { return x.FindWindow("Velmora Kova Help") != 0; }, kHangMs))
      << "the help window never showed";
  CloseAndExpectTheEnd();
}

}  // namespace
}  // namespace kova::test
