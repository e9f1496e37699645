#include <QDir>
#include <QTimer>
#include <filesystem>
#include <vector>

#include "page_walk.h"
#include "ui/screen_dpi.h"

// One picture of the program's window per page of the three paths, at 640 x 480 and 1920 x 1080
// (only the first at a pixel scale above 1), and of the About box and the help window, for review
// by eye. Slow, so it runs only when asked for (scripts/screenshots.sh, or the target
// "screenshots"): under Xvfb when there is one.
namespace kova::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class WizardScreenshots : public PageWalkTest {
 protected:
  void SetUp() override {
    PageWalkTest::SetUp();
    const QByteArray dir = qgetenv("KOVA_SCREENSHOT_DIR");
    folder_ = dir.isEmpty() ? fs::path(KOVA_TEST_BINARY_DIR) / "screenshots" / "wizard"
                            : fs::path(dir.toStdString());
    fs::create_directories(folder_);
  }

  static std::vector<QSize> Sizes() {
    if (PixelScale() > 1) return {QSize(640, 480)};
    return {QSize(640, 480), QSize(1920, 1080)};
  }
  static std::string ScaleSuffix() {
    return PixelScale() > 1 ? "_scale" + std::to_string(PixelScale()) : "";
  }
  static std::string Suffix(QSize size) {
    return "_" + std::to_string(size.width()) + "x" + std::to_string(size.height()) + ScaleSuffix();
  }

  void Save(QWidget& widget, const std::string& name, int settleMs = 150) {
    QTest::qWait(settleMs);  // let the page settle: layouts, thumbnails, the header's artwork
    const fs::path file = folder_ / (name + ".png");
    EXPECT_TRUE(widget.grab().save(QString::fromStdString(file.string()))) << file;
  }

  fs::path folder_;
};

TEST_F(WizardScreenshots, DISABLED_EveryPage) {
  OtherDriveFolder target;
  if (target.Path().empty()) GTEST_SKIP() << "no second file system for the restored files";
  WalkEveryPage(target.Path(), 40ms, [&](const std::string& page) {
    // A running page may end while the picture waits; it is taken at once.
    const bool running = Page() == wpScanning || Page() == wpRestoring || Page() == wpImageFile;
    for (const QSize size : Sizes()) {
      Window().resize(size);
      Save(Window(), page + Suffix(size), running ? 0 : 150);
    }
  });

  // The About box and the help window.
  QTimer::singleShot(300, [&] {
    if (QWidget* about = module->AboutDlg().Form()) Save(*about, "about" + ScaleSuffix());
    module->AboutDlg().Close(drClosed);
  });
  Click(Window().AboutButton());
  Click(Window().HelpButton());
  ASSERT_NE(module->HelpDlg().Form(), nullptr);
  Save(*module->HelpDlg().Form(), "help" + ScaleSuffix());
  module->HelpDlg().Close(drClosed);
  EXPECT_EQ(dialogs.Unscripted(), 0);
}

}  // namespace
}  // namespace kova::test
