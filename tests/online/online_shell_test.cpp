#include "online/online_shell.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

#include "support/scripted_dialogs.h"

// The news panels' links and the download dialog's files open through the online shell; when no
// program starts for one (Qt's offscreen platform starts none), the user is told what to open by
// hand instead of nothing happening.
namespace kova {
namespace {

using Kind = test::ScriptedDialogs::Kind;

TEST(QtOnlineShell, AnAddressOrAFileThatNoProgramOpensIsExplained) {
  if (QGuiApplication::platformName() != QLatin1String("offscreen"))
    GTEST_SKIP() << "needs the offscreen platform, where no browser starts";
  test::ScriptedDialogs dialogs;
  IXOnlineShell& shell = OnlineShell();
  EXPECT_FALSE(shell.Open("https://www.velmora.com/kova/news", {}));
  EXPECT_FALSE(shell.Open("/tmp/kova-download/setup.bin", "/tmp/kova-download"));

  const auto told = dialogs.QuestionsOf(Kind::Message);
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[0].Message.Text,
            "No web browser could be started to show "
            "https://www.velmora.com/kova/news. Open this address in a web "
            "browser yourself.");
  EXPECT_NE(told[1].Message.Text.find("/tmp/kova-download/setup.bin"), std::string::npos)
      << told[1].Message.Text;
  EXPECT_EQ(told[1].Message.Icon, TXMessageIcon::Warning);
}

}  // namespace
}  // namespace kova
