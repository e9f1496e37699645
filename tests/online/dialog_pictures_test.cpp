#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QTest>
#include <filesystem>

#include "news_fixtures.h"
#include "online/download_dialog.h"
#include "online/news_dialog.h"
#include "online_test_support.h"
#include "support/test_paths.h"

// Renders the online dialogs into <build>/screenshots/online/ for the wizard's screenshots and
// for review, and checks that each picture shows its controls.
namespace kova {
namespace {

std::filesystem::path PictureFolder() {
  const std::filesystem::path folder = test::BinaryDir() / "screenshots" / "online";
  std::filesystem::create_directories(folder);
  return folder;
}

// Saves the widget's picture; answers the picture for checks.
QImage Save(QWidget& widget, const std::string& name) {
  widget.show();
  QTest::qWait(30);
  const QImage picture = widget.grab().toImage();
  picture.save(QString::fromStdString((PictureFolder() / name).string()));
  return picture;
}

// True when the picture holds more than a few colours: controls and text were drawn.
bool ShowsSomething(const QImage& picture) {
  QList<QRgb> seen;
  for (int y = 0; y < picture.height(); y += 3) {
    for (int x = 0; x < picture.width(); x += 3) {
      if (!seen.contains(picture.pixel(x, y))) seen.push_back(picture.pixel(x, y));
      if (seen.size() > 8) return true;
    }
  }
  return false;
}

TEST(DialogPictures, DownloadDialogWhileDownloadingAndWhenDone) {
  test::RecordingShell shell;
  TXNetDownloadDialog dialog;
  dialog.ShowProgress(dfProgressDialog | dfShowFileName | dfOfferOpen);
  dialog.SetCurrentFile("/home/anna/Downloads/kova-7.1-setup.bin");
  dialog.SetMarquee(false);
  dialog.SetPosition(420);
  dialog.SetStatusText("0 min 12 s left, 2.35 MB of 5.61 MB (42%)");
  dialog.SetSpeedText("261.44 KB/s");
  const QImage running = Save(dialog, "download-running.png");
  EXPECT_TRUE(ShowsSomething(running));
  EXPECT_GE(running.width(), 448);

  dialog.Finish(true, {});
  dialog.SetStatusText("5.61 MB received in 0 min 21 s");
  const QImage done = Save(dialog, "download-done.png");
  EXPECT_TRUE(ShowsSomething(done));
  EXPECT_NE(running, done);
}

TEST(DialogPictures, NewsDialogWithGroupsPicturesAndActions) {
  test::RecordingShell shell;
  TXNetTocDialog dialog;
  TXTocCollection& items = dialog.Items();
  TXTocItem& summer = test::AddNewsItem(
      items, "summer", test::Date(2024, 6, 1), "News", "Summer release",
      "{\\b Velmora Kova 7.1} finds photos on cards formatted by more cameras, and restores "
      "videos faster.\\par Read what is new on our web site.");
  summer.Data().SetBytes(test::PngBytes(72, 72, QColor(40, 120, 180)));
  test::AddAction(summer, "web", components::xhtWeb, "What is new", "http://velmora.example/");
  test::AddAction(summer, "hide", components::xhtNone, "Do not show this again");
  TXTocItem& tip = test::AddNewsItem(items, "tip", test::Date(2024, 5, 1), "Tips", "Card tip",
                                     "Stop using a card as soon as photos go missing: every new "
                                     "photo may overwrite one you want back.");
  tip.Data().SetBytes(test::PngBytes(48, 48, QColor(230, 160, 40)));
  test::AddAction(tip, "remind", components::xhtNone, "Remind me next time").ControlType =
      TXTocActionItem::kCheckBox;
  test::AddNewsItem(items, "update", test::Date(2024, 6, 2), "News", "Version 7.1 is ready",
                    "Download the new version free of charge.");
  ASSERT_TRUE(dialog.PrepareNews());
  const QImage picture = Save(dialog, "news.png");
  EXPECT_TRUE(ShowsSomething(picture));
  EXPECT_EQ(dialog.Panels().GroupPanels().size(), 2u);
}

}  // namespace
}  // namespace kova
