#include <gtest/gtest.h>

#include <QSlider>
#include <QTest>
#include <QWheelEvent>
#include <set>

#include "framework/aspects.h"
#include "results_test_files.h"
#include "ui/images_frm.h"
#include "ui/results_model.h"
#include "ui/results_views.h"
#include "ui/screen_dpi.h"
#include "ui_test_skin.h"
#include "wizard_app_fixture.h"

// The thumbnails of the results page zoom from the design's 72 pixels to 256, by the slider or by
// Ctrl and the mouse wheel, the cells flowing anew; the size is kept in the settings.
namespace kova {
namespace {

using test::WizardAppTest;

class ResultsZoomTest : public testing::Test {
 protected:
  ResultsZoomTest() : page(MakeFrame<TXDRImagesFrm>(test::TestSkin())) {
    page->resize(916, 600);
    page->show();
    DispatchAspect<TXDialogInitDataAspect>(page->Observable());
    for (int i = 0; i < 12; ++i)
      items.push_back(&files.Add("IMG_" + std::to_string(1000 + i) + ".JPG", ".JPG", 4096));
    files.Announce(*page);
    page->ShowWaitingFiles();
    QCoreApplication::processEvents();
  }

  QRect CellOf(int i) const {
    TXDRIconView& icons = page->IconView();
    icons.doItemsLayout();
    return icons.visualRect(page->Model().IndexOf(items[static_cast<size_t>(i)]));
  }
  // How many cells the first row of files holds.
  int CellsInARow() const {
    std::set<int> lefts;
    const int top = CellOf(0).top();
    for (int i = 0; i < static_cast<int>(items.size()); ++i)
      if (CellOf(i).top() == top) lefts.insert(CellOf(i).left());
    return static_cast<int>(lefts.size());
  }
  void CtrlWheel(int angle) {
    TXDRIconView& icons = page->IconView();
    const QPointF at = icons.viewport()->rect().center();
    QWheelEvent wheel(at, icons.viewport()->mapToGlobal(at), QPoint(), QPoint(0, angle),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(icons.viewport(), &wheel);
  }

  TXScreenDpiOverride dpi{96};
  test::FoundFiles files;
  std::vector<TXDRFileItem*> items;
  std::unique_ptr<TXDRImagesFrm> page;
};

TEST_F(ResultsZoomTest, TheDesignsSizeIsTheDefaultAndLargerCellsFlowIntoFewerColumns) {
  EXPECT_EQ(page->IconView().PictureSize(), 72);
  EXPECT_EQ(page->ZoomSlider().value(), 72);
  const QRect small = CellOf(0);
  const int smallRow = CellsInARow();
  page->ZoomSlider().setValue(200);
  EXPECT_EQ(page->IconView().PictureSize(), 200);
  const QRect large = CellOf(0);
  EXPECT_EQ(large.width() - small.width(), 200 - 72);
  EXPECT_EQ(large.height() - small.height(), 200 - 72);
  EXPECT_LT(CellsInARow(), smallRow) << "the grid reflows";
  EXPECT_GT(CellsInARow(), 0);
}

TEST_F(ResultsZoomTest, CtrlAndTheWheelZoomInStepsWithinTheBoundsAndTheSliderFollows) {
  CtrlWheel(120);
  EXPECT_EQ(page->IconView().PictureSize(), 72 + TXDRIconView::kZoomStep);
  EXPECT_EQ(page->ZoomSlider().value(), 72 + TXDRIconView::kZoomStep);
  CtrlWheel(60);
  CtrlWheel(60);  // a touchpad's half notches add up to one step
  EXPECT_EQ(page->IconView().PictureSize(), 72 + 2 * TXDRIconView::kZoomStep);
  for (int i = 0; i < 30; ++i)
    CtrlWheel(120);
  EXPECT_EQ(page->IconView().PictureSize(), TXDRIconView::kLargestPicture);
  for (int i = 0; i < 30; ++i)
    CtrlWheel(-120);
  EXPECT_EQ(page->IconView().PictureSize(), TXDRIconView::kSmallestPicture);
  EXPECT_EQ(page->ZoomSlider().value(), TXDRIconView::kSmallestPicture);
}

TEST_F(ResultsZoomTest, TheWheelWithoutCtrlScrollsAndLeavesTheSize) {
  TXDRIconView& icons = page->IconView();
  const QPointF at = icons.viewport()->rect().center();
  QWheelEvent wheel(at, icons.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(icons.viewport(), &wheel);
  EXPECT_EQ(icons.PictureSize(), 72);
}

// The size the user chose is what the results page shows the next time the program runs.
TEST_F(WizardAppTest, TheThumbnailSizeIsKeptInTheSettings) {
  Start();
  ScanTheCard();
  auto& results = Frame<TXDRImagesFrm>(TXWizardFrameKind::fkResults);
  EXPECT_EQ(results.IconView().PictureSize(), 72) << "the design's size by default";
  results.ZoomSlider().setValue(184);
  module.reset();
  Start();
  EXPECT_EQ(module->Settings().ThumbnailSize(), 184);
  ScanTheCard();
  EXPECT_EQ(Frame<TXDRImagesFrm>(TXWizardFrameKind::fkResults).IconView().PictureSize(), 184);
}

}  // namespace
}  // namespace kova
