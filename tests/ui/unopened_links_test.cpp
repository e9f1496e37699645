#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QTest>
#include <QTextDocument>

#include "framework/aspects.h"
#include "support/scripted_dialogs.h"
#include "support/test_paths.h"
#include "ui/composer.h"
#include "ui/finish_frame.h"
#include "ui/help_dialog.h"
#include "ui_test_skin.h"

// Every link and folder the program offers tells the user when no program could be started for
// it, and gives the address or folder to open by hand. Qt's offscreen platform has no way to start
// a browser or a file manager; elsewhere a real one might open.
namespace kova {
namespace {

using Kind = test::ScriptedDialogs::Kind;

class UnopenedLinksTest : public testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
      GTEST_SKIP() << "needs the offscreen platform";
  }

  // The texts of the messages shown so far.
  std::vector<std::string> Told() const {
    std::vector<std::string> texts;
    for (const auto& question : dialogs.QuestionsOf(Kind::Message)) {
      EXPECT_EQ(question.Message.Icon, TXMessageIcon::Warning);
      texts.push_back(question.Message.Text);
    }
    return texts;
  }

  static std::string NoBrowser(const std::string& address) {
    return "No web browser could be started to show " + address +
           ". Open this address in a web browser yourself.";
  }

  test::ScriptedDialogs dialogs;
};

TEST_F(UnopenedLinksTest, TheHelpAndTheComposedLinksSaySo) {
  TXHelpBrowser browser;
  browser.resize(500, 300);
  ASSERT_TRUE(
      browser.LoadDocument("{\\rtf1 Visit https://www.velmora.com/kova/support now.\\par}"));
  browser.show();
  QCoreApplication::processEvents();
  QTextCursor cursor = browser.document()->find("velmora.com/kova");
  cursor.setPosition(cursor.selectionStart() + 3);
  QTest::mouseClick(browser.viewport(), Qt::LeftButton, {}, browser.cursorRect(cursor).center());

  QWidget panel;
  TXComposer composer(panel, QPoint(0, 0));
  composer.AddLink("Home page", "https://www.velmora.com/kova");
  auto* link = qobject_cast<QLabel*>(composer.Pieces().at(0).data());
  ASSERT_NE(link, nullptr);
  emit link->linkActivated("https://www.velmora.com/kova");

  EXPECT_EQ(Told(), (std::vector<std::string>{NoBrowser("https://www.velmora.com/kova/support"),
                                              NoBrowser("https://www.velmora.com/kova")}));
}

TEST_F(UnopenedLinksTest, TheFinishPageSaysSoForTheFolderAndItsPicture) {
  test::TempDir dir;
  const std::string folder = dir.Path().string();
  std::unique_ptr<TXDRFinishFrm> page(MakeFrame<TXDRFinishFrm>(test::TestSkin()));
  page->show();
  DispatchAspect<TXDialogInitFolderAspect>(page->Observable(), '"' + folder + '"');
  page->OpenFolderBtn().click();
  page->SetFinishLink("https://www.velmora.com/kova/thanks");
  emit page->FinishPicture().Clicked();

  EXPECT_EQ(Told(), (std::vector<std::string>{"No file manager could be started to show " + folder +
                                                  ". Open this folder in a file manager yourself.",
                                              NoBrowser("https://www.velmora.com/kova/thanks")}));
}

}  // namespace
}  // namespace kova
