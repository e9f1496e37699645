#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>

#include "framework/app_engine.h"
#include "framework/aspects.h"
#include "framework/core_app.h"
#include "framework/engine.h"
#include "ui/kova_dialog.h"
#include "ui/kova_main_window.h"
#include "ui/qt_pictures.h"
#include "ui/screen_dpi.h"
#include "ui_test_pictures.h"
#include "ui_test_skin.h"

namespace kova {
namespace {

const QColor kRed(220, 30, 30);
const QColor kGreen(30, 160, 60);
const QColor kBlue(30, 60, 200);

// Records the aspects dispatched on an observable, by class, refusing requests when told.
class Recorder {
 public:
  explicit Recorder(TXObservable& source) : source_(source) {
    source.AddObserver(TXHandler(this, "record", [this](AXNotification& n) { Record(n); }));
  }
  ~Recorder() { source_.RemoveObserversOf(this); }

  void Record(AXNotification& n) {
    if (auto* request = n.AspectAs<TXRequestActionAspect>()) {
      requests.push_back(request->Action);
      request->Denied = refuse;
    } else if (auto* action = n.AspectAs<TXActionAspect>()) {
      actions.push_back(action->Action);
    }
  }

  bool refuse = false;
  std::vector<int32_t> requests;
  std::vector<int32_t> actions;

 private:
  TXObservable& source_;
};

TEST(HeaderTest, TheTopPictureEndsTheHeaderAndTilesRunLeftwards) {
  TXHeaderLayout both = HeaderLayout(900, 473, 404);
  EXPECT_EQ(both.TopLeft, 427);
  EXPECT_EQ(both.TileLefts, (std::vector<int>{23, -381}));
  EXPECT_EQ(HeaderLayout(900, 0, 404).TileLefts, (std::vector<int>{496, 92, -312}));
  EXPECT_TRUE(HeaderLayout(624, 473, 0).TileLefts.empty());
  EXPECT_EQ(HeaderLayout(473, 473, 404).TileLefts, (std::vector<int>{-404}));
}

TEST(HeaderTest, ComposedArtworkPutsEachPictureInItsPlace) {
  TXImageObject top, tile;
  test::LoadPicture(top, test::PlainImage(473, 60, kRed));
  QImage tileImage = test::PlainImage(404, 60, kGreen);
  for (int y = 0; y < 60; ++y)
    tileImage.setPixelColor(0, y, kBlue);
  test::LoadPicture(tile, tileImage);
  TXBitmap32 bitmap(900, 60);
  ComposeHeader(bitmap, &tile, 404, &top, 473, MakeColor(1, 2, 3));
  const QImage header = ToQImage(bitmap);
  EXPECT_EQ(header.pixelColor(427, 30), kRed);
  EXPECT_EQ(header.pixelColor(899, 59), kRed);
  EXPECT_EQ(header.pixelColor(426, 30), kGreen);
  EXPECT_EQ(header.pixelColor(23, 30), kBlue);
  EXPECT_EQ(header.pixelColor(22, 30), kGreen);
  EXPECT_EQ(header.pixelColor(0, 0), kGreen);
  TXBitmap32 onlyTop(900, 60);
  ComposeHeader(onlyTop, nullptr, 0, &top, 473, MakeColor(1, 2, 3));
  EXPECT_EQ(ToQImage(onlyTop).pixelColor(426, 30), QColor(1, 2, 3));
  EXPECT_EQ(ToQImage(onlyTop).pixelColor(427, 30), kRed);
}

TEST(HeaderTest, ThePanelComposesTheSkinArtworkOnEveryResize) {
  TXWizTopPanel panel;
  panel.SetPictures(test::TestSkin().Picture(skin::kImages, "tile"),
                    test::TestSkin().Picture(skin::kImages, "top"));
  panel.show();
  panel.resize(900, 60);
  EXPECT_EQ(panel.Artwork().Width(), 900);
  const QImage wide = ToQImage(panel.Artwork());
  panel.resize(624, 60);
  EXPECT_EQ(panel.Artwork().Width(), 624);
  // The right end is the top picture's at both widths.
  EXPECT_EQ(ToQImage(panel.Artwork()).pixelColor(600, 30), wide.pixelColor(876, 30));
  EXPECT_EQ(panel.SubImage().geometry(), panel.rect());
}

TEST(HeaderTest, ProgressBarStaysRightOfTheCaptionAndInsideThePanel) {
  TXWizTopPanel panel;
  panel.resize(624, 60);
  panel.SetShowProgress(true);
  panel.SetPageCaption("Scan");
  EXPECT_EQ(panel.SubProgress().geometry(), QRect(220, 21, 624 - 220 - 8, 17));
  panel.SetPageCaption("Searching for your photos and videos...");
  const QRect bar = panel.SubProgress().geometry();
  EXPECT_GT(bar.left(), panel.SubLabel().geometry().right());
  EXPECT_EQ(bar.right(), 624 - 8 - 1);
  EXPECT_GE(bar.width(), 120);
  panel.SetProgress(2000);
  EXPECT_EQ(panel.Progress(), 1000);
}

class MainWindowTest : public testing::Test {
 protected:
  TXKovaFrm window;
  TXObservable wizard;
  void SetUp() override { window.Subscribe(wizard); }
};

TEST_F(MainWindowTest, AHeaderChangeShowsTheCaptionAndRestartsAVisibleProgress) {
  DispatchAspect<TXWizardHeaderChangedAspect>(wizard, "Scanning...", 1);
  EXPECT_EQ(window.TopPanel().PageCaption(), "Scanning...");
  EXPECT_TRUE(window.TopPanel().ShowProgress());
  DispatchAspect<TXProgressChangedAspect>(wizard, 700);
  EXPECT_EQ(window.TopPanel().Progress(), 700);
  DispatchAspect<TXWizardHeaderChangedAspect>(wizard, "Restoring", 1);
  EXPECT_EQ(window.TopPanel().Progress(), 0);
  EXPECT_EQ(window.TopPanel().PageCaption(), "Restoring");
  DispatchAspect<TXWizardHeaderChangedAspect>(wizard, "Done", 0);
  EXPECT_FALSE(window.TopPanel().ShowProgress());
  EXPECT_TRUE(window.TopPanel().SubProgress().isHidden());
  DispatchAspect<TXWizardHeaderHideAspect>(wizard);
  EXPECT_TRUE(window.TopPanel().isHidden());
  DispatchAspect<TXWizardHeaderShowAspect>(wizard);
  EXPECT_FALSE(window.TopPanel().isHidden());
}

TEST_F(MainWindowTest, ButtonAndModeNotificationsSetTheirControls) {
  EXPECT_TRUE(window.BackButton().isHidden());
  EXPECT_TRUE(window.NextButton().isHidden());
  EXPECT_TRUE(window.CancelButton().isHidden());
  EXPECT_TRUE(window.ModeComboBox().isHidden());
  DispatchAspect<TXWizardNextButtonChangedAspect>(wizard, "Next", "Start >", false, true);
  EXPECT_EQ(window.NextButton().text(), "Start >");
  EXPECT_FALSE(window.NextButton().isHidden());
  EXPECT_FALSE(window.NextButton().isEnabled());
  EXPECT_TRUE(window.BackButton().isHidden());
  DispatchAspect<TXWizardPreviousButtonChangedAspect>(wizard, "Previous", "< Back", true, true);
  DispatchAspect<TXWizardCancelButtonChangedAspect>(wizard, "Cancel", "Exit", true, true);
  EXPECT_EQ(window.BackButton().text(), "< Back");
  EXPECT_EQ(window.CancelButton().text(), "Exit");
  EXPECT_FALSE(window.CancelButton().isHidden());
  DispatchAspect<TXWizardControlChangedAspect>(wizard, "Other", "", true, true);
  EXPECT_TRUE(window.ModeComboBox().isHidden());
  DispatchAspect<TXWizardControlChangedAspect>(wizard, "Mode", "", true, true);
  EXPECT_FALSE(window.ModeComboBox().isHidden());
  window.Unsubscribe(wizard);
  DispatchAspect<TXWizardControlChangedAspect>(wizard, "Mode", "", true, false);
  EXPECT_FALSE(window.ModeComboBox().isHidden());
  EXPECT_EQ(wizard.ObserverCount(), 0u);
}

TEST(MainWindowLifeTest, AClosedWindowLeavesNoEntriesBehind) {
  TXObservable wizard;
  {
    TXKovaFrm window;
    window.Subscribe(wizard);
    EXPECT_EQ(wizard.ObserverCount(), 8u);
  }
  EXPECT_EQ(wizard.ObserverCount(), 0u);
  DispatchAspect<TXWizardHeaderChangedAspect>(wizard, "nobody", 0);
}

TEST_F(MainWindowTest, ButtonsDispatchTheirActions) {
  Recorder onWindow(window.Observable());
  Recorder onApplication(CoreApp().Engine());
  window.BackButton().click();
  window.NextButton().click();
  window.AboutButton().click();
  window.HelpButton().click();
  EXPECT_EQ(onWindow.actions, (std::vector<int32_t>{kActionPrevious, kActionNext}));
  EXPECT_EQ(onApplication.actions, (std::vector<int32_t>{kActionAbout, kActionHelp}));
}

TEST_F(MainWindowTest, CancelIsAskedFirstAndARefusalStopsIt) {
  Recorder onWindow(window.Observable());
  onWindow.refuse = true;
  window.CancelButton().click();
  EXPECT_EQ(onWindow.requests, std::vector<int32_t>{kActionCancel});
  EXPECT_TRUE(onWindow.actions.empty());
  onWindow.refuse = false;
  window.CancelButton().click();
  EXPECT_EQ(onWindow.actions, std::vector<int32_t>{kActionCancel});
}

TEST_F(MainWindowTest, ClosingResizingAndMaximisingMayBeRefused) {
  Recorder onWindow(window.Observable());
  onWindow.refuse = true;
  window.show();
  EXPECT_FALSE(window.close());
  EXPECT_TRUE(window.isVisible());
  window.RefreshSizeRights();
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  window.showMaximized();
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_FALSE(window.isMaximized());
  EXPECT_NE(std::find(onWindow.requests.begin(), onWindow.requests.end(), kActionMaximize),
            onWindow.requests.end());
  onWindow.refuse = false;
  window.RefreshSizeRights();
  EXPECT_EQ(window.minimumSize(), QSize(624, 448));
  EXPECT_EQ(window.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  window.resize(700, 500);
  EXPECT_EQ(window.size(), QSize(700, 500));
  EXPECT_TRUE(window.close());
  EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindowTest, TheModeBoxTellsTheChosenMode) {
  std::vector<bool> modes;
  window.OnModeChanged = [&](bool advanced) { modes.push_back(advanced); };
  window.ModeComboBox().setCurrentIndex(1);
  window.ModeComboBox().setCurrentIndex(0);
  window.ApplyLanguage();
  EXPECT_EQ(modes, (std::vector<bool>{true, false}));
  EXPECT_EQ(window.ModeComboBox().itemText(0), "Typical (easy recovery)");
  EXPECT_EQ(window.ModeComboBox().itemText(1), "Advanced mode");
  EXPECT_EQ(window.windowTitle(), "Velmora Kova");
  EXPECT_EQ(window.AboutButton().text(), "About");
  EXPECT_EQ(window.HelpButton().text(), "Help");
}

TEST_F(MainWindowTest, TheCommandBarKeepsItsButtonsAtTheirPlaces) {
  window.resize(624, 448);
  window.show();
  EXPECT_EQ(window.TopPanel().geometry(), QRect(0, 0, 624, 60));
  EXPECT_EQ(window.CommandPanel().geometry(), QRect(0, 416, 624, 32));
  EXPECT_EQ(window.MainPanel().geometry(), QRect(0, 60, 624, 356));
  EXPECT_EQ(window.AboutButton().geometry(), QRect(8, 5, 75, 23));
  EXPECT_EQ(window.ComposerPanel().geometry(), QRect(89, 1, 200, 30));
  EXPECT_EQ(window.BackButton().geometry().left(), 294);
  EXPECT_EQ(window.NextButton().geometry().left(), 375);
  EXPECT_EQ(window.CancelButton().geometry().left(), 458);
  EXPECT_EQ(window.HelpButton().geometry(), QRect(541, 5, 75, 23));
  window.resize(900, 600);
  QCoreApplication::processEvents();
  EXPECT_EQ(window.HelpButton().geometry().left(), 817);
  EXPECT_EQ(window.AboutButton().geometry().left(), 8);
  EXPECT_TRUE(window.NextButton().isDefault());
  window.close();
}

TEST_F(MainWindowTest, OnlyTheShownFrameIsVisible) {
  QWidget first, second;
  window.ShowFrame(&first);
  EXPECT_EQ(first.parentWidget(), &window.MainPanel());
  window.ShowFrame(&second);
  EXPECT_TRUE(first.isHidden());
  EXPECT_FALSE(second.isHidden());
  EXPECT_EQ(window.CurrentFrame(), &second);
  window.ShowFrame(&first);
  EXPECT_TRUE(second.isHidden());
  first.setParent(nullptr);
  second.setParent(nullptr);
}

TEST(MainWindowDpiTest, SizesScaleWithTheScreen) {
  TXScreenDpiOverride dpi(120);
  TXKovaFrm window;
  EXPECT_EQ(window.minimumSize(), QSize(780, 560));
  EXPECT_EQ(window.TopPanel().height(), 75);
  EXPECT_EQ(window.CommandPanel().height(), 40);
}

TEST(KovaDialogTest, TheWindowTravelsThroughTheEngineAndComposesMain) {
  TXEngine engine;
  TXComposeTable& table = test::TestSkin().ComposeTable();
  table.Register(TXComposeTable::kMain, [](IXComposer& composer) {
    composer.Restart();
    composer.AddText("shared");
  });
  {
    TXKovaDialog dialog(engine, test::TestSkin());
    EXPECT_EQ(dialog.Window().Observable().Container(), &engine);
    ASSERT_EQ(dialog.Window().Composer().Pieces().size(), 1u);
    EXPECT_EQ(qobject_cast<QLabel*>(dialog.Window().Composer().Pieces()[0].data())->text(),
              "shared");
    EXPECT_EQ(dialog.Window().TopPanel().Artwork().IsEmpty(), false);
    int posted = 0;
    dialog.Window().Observable().AddObserver(
        TXHandler(&posted, "count", [&](AXNotification&) { ++posted; }));
    PostAspect<TXChangedAspect>(dialog.Window().Observable());
    EXPECT_EQ(posted, 0);
    engine.ProcessMessages();
    EXPECT_EQ(posted, 1);
    dialog.Show();
    EXPECT_TRUE(dialog.Window().isVisible());
    dialog.Close();
    EXPECT_FALSE(dialog.Window().isVisible());
  }
  table.Unregister(TXComposeTable::kMain);
}

}  // namespace
}  // namespace kova
