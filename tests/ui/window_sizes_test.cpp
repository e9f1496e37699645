#include <QCoreApplication>
#include <QToolButton>

#include "clipped_texts.h"
#include "imaging/jpeg_thumbnail.h"
#include "page_walk.h"
#include "ui/images_frm.h"
#include "ui/results_model.h"
#include "ui/results_views.h"
#include "ui/screen_dpi.h"

// Every page of the wizard at the least common window size and at a large one, with no text cut
// off, and its pictures drawn for the screen's pixel scale. The suite runs a second time under
// QT_SCALE_FACTOR=2 (see tests/CMakeLists.txt).
namespace kova::test {
namespace {

using namespace std::chrono_literals;
using Kind = TXWizardFrameKind;

class WindowSizesTest : public PageWalkTest {
 protected:
  // Lays the window out at the size, as the window system would on a resize.
  void ResizeWindow(QSize size) {
    Window().resize(size);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  }

  // The thumbnails and badges of the results page carry a pixel for each device pixel.
  void ExpectSharpResults(const std::string& page) {
    const int scale = PixelScale();
    auto& results = Frame<TXDRImagesFrm>(Kind::fkResults);
    const QModelIndex first =
        results.Model().IndexOf(module->Engine().DataGear().FoundFiles().At(0));
    const QPixmap thumbnail = first.data(rrLargeIcon).value<QPixmap>();
    EXPECT_EQ(thumbnail.devicePixelRatio(), scale) << page;
    EXPECT_EQ(thumbnail.width(), 72 * scale) << page;
    // The card's 640 x 480 photos are decoded for the screen's thumbnail box, so the picture
    // fills the cell's width in device pixels, less its frame.
    const QImage cell = thumbnail.toImage();
    const QColor background = cell.pixelColor(0, 0);
    int drawn = 0;
    for (int x = 0; x < cell.width(); ++x)
      drawn += cell.pixelColor(x, cell.height() / 2) != background;
    EXPECT_GE(drawn, (72 - 6) * scale) << page;
    const QPixmap badge = first.data(rrOrigin).value<QPixmap>();
    EXPECT_EQ(badge.width(), 16 * scale) << page;
    EXPECT_EQ(first.data(Qt::DecorationRole).value<QPixmap>().width(), 22 * scale) << page;
  }
};

TEST_F(WindowSizesTest, EveryPageFitsItsTextsAt640x480AndAt1920x1080) {
  OtherDriveFolder target;
  if (target.Path().empty()) GTEST_SKIP() << "no second file system for the restored files";
  EXPECT_EQ(ThumbnailBox().Width, 72 * PixelScale()) << "thumbnails are made for the screen";
  int visited = 0;
  WalkEveryPage(target.Path(), 10ms, [&](const std::string& page) {
    ++visited;
    for (const QSize size : {QSize(640, 480), QSize(1920, 1080)}) {
      ResizeWindow(size);
      EXPECT_EQ(ClippedTexts(Window()).join(u'\n').toStdString(), "")
          << page << " at " << size.width() << " x " << size.height();
    }
    if (page.find("_results_") != std::string::npos) ExpectSharpResults(page);
  });
  EXPECT_EQ(visited, 17);
  // The share icons of the command bar come with a pixel for every device pixel.
  for (QToolButton* share : Window().findChildren<QToolButton*>()) {
    if (share->icon().isNull()) continue;
    const QPixmap icon = share->icon().pixmap(share->iconSize(), PixelScale());
    EXPECT_EQ(icon.width(), share->iconSize().width() * PixelScale());
  }
}

TEST_F(WindowSizesTest, TheResultsGridTakesMoreColumnsInAWiderWindow) {
  Start();
  ScanTheCard();
  auto& results = Frame<TXDRImagesFrm>(Kind::fkResults);
  results.ShowWaitingFiles();
  const auto columns = [&] {
    int count = 0;
    const int top = results.IconView().visualRect(results.Model().index(1, 0)).top();
    for (int row = 1; row < results.Model().rowCount(); ++row)
      count += results.IconView().visualRect(results.Model().index(row, 0)).top() == top;
    return count;
  };
  ResizeWindow({640, 480});
  QCoreApplication::processEvents();
  const int narrow = columns();
  EXPECT_GE(narrow, 2) << "a small window still shows the files side by side";
  ResizeWindow({1920, 1080});
  QCoreApplication::processEvents();
  EXPECT_GT(columns(), narrow);
}

}  // namespace
}  // namespace kova::test
