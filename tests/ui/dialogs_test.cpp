#include <gtest/gtest.h>

#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <stdexcept>

#include "framework/app_engine.h"
#include "framework/core_app.h"
#include "support/scripted_dialogs.h"
#include "ui/about_dialog.h"
#include "ui/custom_dialog.h"
#include "ui/help_dialog.h"
#include "ui/kova_main_window.h"
#include "ui/screen_dpi.h"
#include "ui/share_frame.h"
#include "ui_test_skin.h"
#include "ui_test_urls.h"

namespace kova {
namespace {

struct Options {
  std::string Text;
};
struct Data {
  int Given = 0;
};

int formsMade = 0;

// A form that takes options and data, gives data back and may refuse its data.
class TestForm : public TXCustomForm,
                 public IXReceiveOptions<Options>,
                 public IXReceiveData<Data>,
                 public IXGiveData<Data> {
 public:
  explicit TestForm(QWidget* parent) : TXCustomForm(parent) { ++formsMade; }
  void ReceiveOptions(const Options& options) override {
    seen = options.Text;
    if (options.Text == "fail") throw std::runtime_error("cannot show this");
  }
  void ReceiveData(const Data&) override {}
  void GiveData(Data& data) override { ++data.Given; }
  std::string seen;
};

using TestDialog = TXDialog<TestForm, Options, Data>;

// Runs the step once the modal loop of the next Execute has started.
void WhileShown(std::function<void()> step) {
  QTimer::singleShot(0, std::move(step));
}

TEST(DialogTest, EveryExecuteBuildsAFreshFormWithTheCurrentOptions) {
  TestDialog dialog;
  formsMade = 0;
  std::vector<std::string> seen;
  dialog.Options().Text = "first";
  WhileShown([&] {
    seen.push_back(static_cast<TestForm*>(dialog.Form())->seen);
    dialog.Close(drClosed);
  });
  EXPECT_EQ(dialog.Execute(), drClosed);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(dialog.Form(), nullptr);
  dialog.Options().Text = "second";
  WhileShown([&] {
    seen.push_back(static_cast<TestForm*>(dialog.Form())->seen);
    dialog.Form()->reject();
  });
  EXPECT_TRUE(dialog.ExecuteOk());
  EXPECT_EQ(formsMade, 2);
  EXPECT_EQ(seen, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(dialog.Data().Given, 2);
}

TEST(DialogTest, AFormThatFailsEndsTheRunWithTwoAndGivesNothingBack) {
  TestDialog dialog;
  dialog.Options().Text = "fail";
  EXPECT_EQ(dialog.Execute(), drFailed);
  EXPECT_EQ(dialog.Data().Given, 0);
  EXPECT_EQ(ThreadError().Text, "cannot show this");
  EXPECT_FALSE(dialog.ExecuteOk());
  dialog.Options().Text = "fine";
  WhileShown([&] { dialog.Close(drClosed); });
  EXPECT_EQ(dialog.Execute(), drClosed);
}

TEST(DialogTest, AKeptFormLivesOnUntilFreeOnCloseIsSwitchedBackOn) {
  TestDialog dialog;
  formsMade = 0;
  dialog.SetFreeOnClose(false);
  ASSERT_NE(dialog.Form(), nullptr);
  TXCustomForm* kept = dialog.Form();
  for (int run = 0; run < 2; ++run) {
    WhileShown([&] {
      EXPECT_EQ(dialog.Execute(), drNothingShown);
      dialog.Close(drClosed);
    });
    EXPECT_EQ(dialog.Execute(), drClosed);
  }
  EXPECT_EQ(dialog.Form(), kept);
  EXPECT_EQ(formsMade, 1);
  EXPECT_EQ(dialog.Show(), 1);
  EXPECT_TRUE(kept->isVisible());
  dialog.Close(drClosed);
  EXPECT_FALSE(kept->isVisible());
  dialog.SetFreeOnClose(true);
  EXPECT_EQ(dialog.Form(), nullptr);
}

TEST(DialogTest, DestroyingADialogClosesItsFormAndSaysSo) {
  auto dialog = std::make_unique<TestDialog>();
  EXPECT_EQ(dialog->Show(), 1);
  int destroying = 0;
  dialog->Observable().AddObserver(TXHandler(&destroying, "d", [&](AXNotification& n) {
    if (n.AspectAs<TXDestroyingAspect>()) ++destroying;
  }));
  QPointer<TXCustomForm> form(dialog->Form());
  dialog.reset();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(destroying, 1);
  EXPECT_TRUE(form.isNull());
}

TEST(HelpDialogTest, TheCaptionIsTheOptionsOrTheLanguagesTitle) {
  TXHelpDialog dialog;
  dialog.LoadDocument("kovahelp");
  EXPECT_EQ(dialog.Data().DataClass(), ".rtf");
  QString title, text;
  WhileShown([&] {
    auto* form = static_cast<TXHelpFrm*>(dialog.Form());
    title = form->windowTitle();
    text = form->HelpRichEdit().toPlainText();
    form->CloseBtn().click();
  });
  EXPECT_EQ(dialog.Execute(), drClosed);
  EXPECT_EQ(title, "Velmora Kova Help");
  EXPECT_TRUE(text.contains("First: stop using the card"));
  dialog.Options().SetCaption("Card help");
  WhileShown([&] {
    title = dialog.Form()->windowTitle();
    dialog.Close(drClosed);
  });
  dialog.Execute();
  EXPECT_EQ(title, "Card help");
}

TEST(HelpDialogTest, ADocumentThatIsNeitherRtfNorTextFailsTheRun) {
  TXHelpDialog dialog;
  dialog.Data().SetBytes({0x89, 'P', 'N', 'G', 0, 0, 0, 1, 2, 3});
  EXPECT_EQ(dialog.Execute(), drFailed);
  EXPECT_EQ(ThreadError().Text, "Failed to Load Stream");
  dialog.LoadDocument("no such document");
  QString text = "not replaced";
  WhileShown([&] {
    text = static_cast<TXHelpFrm*>(dialog.Form())->HelpRichEdit().toPlainText();
    dialog.Close(drClosed);
  });
  EXPECT_EQ(dialog.Execute(), drClosed);
  EXPECT_TRUE(text.isEmpty());
}

class HelpLinksTest : public testing::Test {
 protected:
  void SetUp() override {
    browser.resize(500, 300);
    ASSERT_TRUE(
        browser.LoadDocument("{\\rtf1 Visit https://www.velmora.com/kova/support now.\\par\\par"
                             "Write to mailto:help@velmora.com please.\\par}"));
    browser.show();
    QCoreApplication::processEvents();
  }
  QPoint PointOf(const QString& text) {
    QTextCursor cursor = browser.document()->find(text);
    cursor.setPosition(cursor.selectionStart() + 3);
    return browser.cursorRect(cursor).center();
  }
  TXHelpBrowser browser;
  test::OpenedUrls opened;
};

TEST_F(HelpLinksTest, AddressesInTheTextBecomeLinks) {
  EXPECT_EQ(browser.anchorAt(PointOf("velmora.com/kova")), "https://www.velmora.com/kova/support");
  EXPECT_EQ(browser.anchorAt(PointOf("help@")), "mailto:help@velmora.com");
  EXPECT_TRUE(browser.anchorAt(PointOf("Visit")).isEmpty());
}

TEST_F(HelpLinksTest, OnlyALeftClickOnOneLinkOpensIt) {
  QWidget* view = browser.viewport();
  const QPoint web = PointOf("velmora.com/kova"), mail = PointOf("help@");
  QTest::mousePress(view, Qt::LeftButton, {}, web);
  QTest::mouseRelease(view, Qt::LeftButton, {}, mail);
  QTest::mouseClick(view, Qt::RightButton, {}, web);
  EXPECT_TRUE(opened.urls.isEmpty());
  QTest::mouseClick(view, Qt::LeftButton, {}, web);
  QTest::mouseClick(view, Qt::LeftButton, {}, mail);
  ASSERT_EQ(opened.urls.size(), 2);
  EXPECT_EQ(opened.urls[0], QUrl("https://www.velmora.com/kova/support"));
  EXPECT_EQ(opened.urls[1], QUrl("mailto:help@velmora.com"));
}

// Runs the About box once and hands back its form's state.
struct AboutState {
  QSize iconSize;
  int iconPictureWidth = 0;
  bool updatesVisible = false;
  QRect updates, close;
  QSize formSize;
  int productHeight = 0;
};

AboutState RunAbout(TXAboutDialog& dialog) {
  AboutState state;
  WhileShown([&] {
    auto* form = static_cast<TXAboutFrm*>(dialog.Form());
    state.iconSize = form->ProductPanel().ProgramIcon().size();
    if (TXImageObject* icon = form->ProductPanel().ProgramIcon().Picture())
      state.iconPictureWidth = icon->Width();
    state.updatesVisible = form->UpdatesBtn().isVisible();
    state.updates = form->UpdatesBtn().geometry();
    state.close = form->CloseBtn().geometry();
    state.formSize = form->size();
    state.productHeight = form->ProductPanel().height();
    form->CloseBtn().click();
  });
  EXPECT_EQ(dialog.Execute(), drClosed);
  return state;
}

TEST(AboutDialogTest, TheProgramIconFollowsTheScreenDensity) {
  TXAboutDialog dialog;
  dialog.Options().Product.SetSkin(&test::TestSkin());
  AboutState normal = RunAbout(dialog);
  EXPECT_EQ(normal.iconSize, QSize(32, 32));
  EXPECT_EQ(normal.iconPictureWidth, 32);
  TXScreenDpiOverride dpi(120);
  AboutState high = RunAbout(dialog);
  EXPECT_EQ(high.iconSize, QSize(48, 48));
  EXPECT_EQ(high.iconPictureWidth, 48);
  TXAboutDialog bare;
  EXPECT_EQ(bare.Options().Product.ProgramIcon(), nullptr);
}

TEST(AboutDialogTest, TheComposedProductTextSetsTheHeight) {
  TXAboutDialog dialog;
  QPoint start;
  dialog.Options().Compose = [&](IXComposer& composer) {
    start = static_cast<TXComposer&>(composer).Start();
    composer.Restart();
    for (const char* line : {"Velmora Kova", "for damaged Memory Cards", "(Version: 7.0)", "2026",
                             "Velmora", "Support"}) {
      composer.AddText(line);
      composer.NewLine();
    }
    composer.Finish();
  };
  AboutState state = RunAbout(dialog);
  EXPECT_EQ(start, QPoint(66, 15));
  EXPECT_GT(state.productHeight, 80);
  EXPECT_EQ(state.formSize, QSize(360, state.productHeight + 32));
  EXPECT_FALSE(state.updatesVisible);
  EXPECT_EQ(state.close.right(), 360 - 6 - 1);
}

TEST(AboutDialogTest, CheckForUpdatesAsksTheApplicationEngine) {
  TXAboutDialog dialog;
  dialog.Options().ShowUpdates = true;
  std::vector<int32_t> actions;
  CoreApp().Engine().AddObserver(TXHandler(&actions, "updates", [&](AXNotification& n) {
    if (auto* a = n.AspectAs<TXActionAspect>()) actions.push_back(a->Action);
  }));
  WhileShown([&] {
    auto* form = static_cast<TXAboutFrm*>(dialog.Form());
    EXPECT_TRUE(form->UpdatesBtn().isVisible());
    EXPECT_EQ(form->UpdatesBtn().text(), "Check for Updates");
    EXPECT_LT(form->UpdatesBtn().geometry().right(), form->CloseBtn().geometry().left());
    form->UpdatesBtn().click();
    form->CloseBtn().click();
  });
  EXPECT_EQ(dialog.Execute(), drClosed);
  CoreApp().Engine().RemoveObserversOf(&actions);
  EXPECT_EQ(actions, std::vector<int32_t>{kActionUpdates});
}

TEST(SharePanelTest, ButtonsOpenTheMakersSharePages) {
  std::unique_ptr<TXKovaShareFrm> panel(MakeFrame<TXKovaShareFrm>(test::TestSkin()));
  EXPECT_EQ(panel->findChildren<QToolButton*>().size(), 3);
  EXPECT_EQ(panel->ToolButton(0).toolTip(), "Share on FaceBook");
  EXPECT_EQ(panel->ToolButton(1).toolTip(), "Tweet on Twitter!");
  EXPECT_EQ(panel->ToolButton(2).toolTip(), "Pin to Pinterest!");
  const QIcon icon = panel->ToolButton(0).icon();
  EXPECT_NE(icon.pixmap(23, 23, QIcon::Normal).toImage(),
            icon.pixmap(23, 23, QIcon::Active).toImage());
  test::ScriptedDialogs dialogs;
  test::OpenedUrls opened;
  for (int i = 0; i < 3; ++i)
    panel->ToolButton(i).click();
  EXPECT_EQ(opened.urls, (QList<QUrl>{QUrl("https://www.velmora.com/share-kova-fb"),
                                      QUrl("https://www.velmora.com/share-kova-twitt"),
                                      QUrl("https://www.velmora.com/share-kova-pinto")}));
  EXPECT_EQ(dialogs.Count(), 0u);
}

TEST(SharePanelTest, SaysSoWhenNoBrowserCanBeStarted) {
  // Qt's offscreen platform has no way to start a browser; elsewhere a real one might open.
  if (QGuiApplication::platformName() != QLatin1String("offscreen"))
    GTEST_SKIP() << "needs the offscreen platform";
  std::unique_ptr<TXKovaShareFrm> panel(MakeFrame<TXKovaShareFrm>(test::TestSkin()));
  test::ScriptedDialogs dialogs;
  panel->ToolButton(1).click();
  const auto messages = dialogs.QuestionsOf(test::ScriptedDialogs::Kind::Message);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].Message.Icon, TXMessageIcon::Warning);
  EXPECT_EQ(messages[0].Message.Text,
            "No web browser could be started to show https://www.velmora.com/share-kova-twitt. "
            "Open this address in a web browser yourself.");
}

TEST(SharePanelTest, TheMainWindowComposesItIntoTheCommandBar) {
  RegisterShareComposition(test::TestSkin());
  TXKovaFrm window;
  window.ApplySkin(test::TestSkin());
  ASSERT_EQ(window.Composer().Pieces().size(), 1u);
  auto* panel = qobject_cast<TXKovaShareFrm*>(window.Composer().Pieces()[0].data());
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->parentWidget(), &window.ComposerPanel());
  EXPECT_EQ(panel->pos(), QPoint(0, 0));
  EXPECT_EQ(panel->width(), 96);
  test::TestSkin().ComposeTable().Unregister(TXComposeTable::kMain);
}

}  // namespace
}  // namespace kova
