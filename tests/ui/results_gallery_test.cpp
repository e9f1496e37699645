#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPainter>

#include "framework/aspects.h"
#include "persistence/lg_keys.h"
#include "recovery/recovery_aspects.h"
#include "results_test_files.h"
#include "support/test_paths.h"
#include "ui/application_look.h"
#include "ui/images_frm.h"
#include "ui/kova_main_window.h"
#include "ui/lg_text.h"
#include "ui/results_model.h"
#include "ui/share_frame.h"
#include "ui_test_skin.h"

// Renders the results page in the main window, during the scan and afterwards, in both views with
// real thumbnails and a preview, and a sheet of the file-type icons, into <build>/ui-review.
namespace kova {
namespace {

// Real camera files when the samples are there, drawn photographs otherwise.
void AddFiles(test::FoundFiles& files) {
  const std::filesystem::path samples = test::SamplesDir();
  if (samples.empty()) {
    files.AddPhoto("IMG_0001.JPG", 1600, 1200);
    files.AddPhoto("IMG_0002.JPG", 1200, 1600);
    files.AddPhoto("IMG_0003.JPG", 2000, 1000);
    files.Add("MVI_0004.MOV", ".mov", 3 << 20);
    files.Add("000005.mp3", ".mp3", 4 << 20);
    return;
  }
  for (const char* name :
       {"canon_ixus_exif_thumb.jpg", "fujifilm_dx10_exif_thumb.jpg", "kodak_dc240_exif_thumb.jpg",
        "nikon_e950_exif_thumb.jpg", "olympus_pen_e_p3_exif_thumb.jpg",
        "sony_dslr_a200_fullsize.jpg", "casio_ex_s1_exif_thumb.jpg", "pentax_k3ii.pef",
        "canon_dpp_export_8bit.tif", "nikon_viewnx_export_8bit.tif", "ricoh_rdc5300_exif_thumb.jpg",
        "canon_eos_350d_stripped.cr2", "apple_iphone6_gps.mov", "android_phone_gps.mp4",
        "canon_powershot_mvi_mjpeg.avi"})
    files.AddReal(samples / name);
  files.Add("000016.wav", ".wav", 1 << 20);
}

class ResultsGalleryTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ApplyApplicationLook(*qobject_cast<QApplication*>(QCoreApplication::instance()),
                         test::TestSkin());
    RegisterShareComposition(test::TestSkin());
  }
  static void TearDownTestSuite() {
    test::TestSkin().ComposeTable().Unregister(TXComposeTable::kMain);
  }

  ResultsGalleryTest() : page(MakeFrame<TXDRImagesFrm>(test::TestSkin())) {
    window.Subscribe(wizard);
    window.ApplySkin(test::TestSkin());
    page->SetPreviewSource([this] { return &files.Medium(); });
    DispatchAspect<TXDialogInitDataAspect>(page->Observable());
    AddFiles(files);
    files.Announce(*page);
    page->ShowWaitingFiles();
  }
  ~ResultsGalleryTest() override { window.ShowFrame(nullptr); }

  void Show(const QString& caption, const char* next, const char* cancel, bool progress) {
    window.ShowFrame(page.get());
    DispatchAspect<TXWizardHeaderChangedAspect>(wizard, caption.toStdString(), progress ? 1 : 0);
    DispatchAspect<TXWizardPreviousButtonChangedAspect>(wizard, "", "", true, false);
    DispatchAspect<TXWizardNextButtonChangedAspect>(wizard, "", next ? next : "", true,
                                                    next != nullptr);
    DispatchAspect<TXWizardCancelButtonChangedAspect>(wizard, "", cancel, true, true);
    DispatchAspect<TXWizardControlChangedAspect>(wizard, "Mode", "", true, false);
    window.show();
    window.resize(1000, 700);
    QCoreApplication::processEvents();
  }
  void ShowResults() {
    DispatchAspect<TXDRDialogInitPageDataPreviewAspect>(page->Observable(), true);
    Show(LgText(lg::kResultsCaption), "Restore >", "Exit", false);
  }
  void Select(int32_t index) {
    page->SelectItem(files.Collection()[index]);
    QCoreApplication::processEvents();
  }

  static void Save(QWidget& widget, const char* name) { Save(widget.grab().toImage(), name); }
  static void Save(const QImage& image, const char* name) {
    const QString folder = QString::fromStdString((test::BinaryDir() / "ui-review").string());
    QDir().mkpath(folder);
    EXPECT_TRUE(image.save(folder + "/" + name + ".png"));
  }

  TXKovaFrm window;
  TXObservable wizard;
  test::FoundFiles files;
  std::unique_ptr<TXDRImagesFrm> page;
};

TEST_F(ResultsGalleryTest, WhileScanning) {
  DispatchAspect<TXDRDialogInitPageDataPreviewAspect>(page->Observable(), false);
  Show(LgText(lg::kScanningCaption) + "...", nullptr, "Stop", true);
  DispatchAspect<TXProgressChangedAspect>(wizard, 380);
  QCoreApplication::processEvents();
  Save(window, "results_scanning");
}

TEST_F(ResultsGalleryTest, ThumbnailsWithPreview) {
  ShowResults();
  files.Collection()[2]->Checked = false;
  DispatchAspect<TXDRRefreshSelectedFilesAspect>(page->Observable());
  Select(0);
  ASSERT_NE(page->PreviewImage().Picture(), nullptr);
  Save(window, "results_thumbnails");
}

TEST_F(ResultsGalleryTest, DetailsSortedWithPreview) {
  ShowResults();
  page->ShowThumbnails(false);
  page->ClickColumn(rcSize);
  page->ClickColumn(rcSize);
  Select(files.Collection().Count() > 8 ? 3 : 1);
  Save(window, "results_details");
}

TEST_F(ResultsGalleryTest, TypeIconSheet) {
  const TXDRResultsImages& images = page->Images();
  const int count = images.SmallCount();
  const int columns = 19;
  const int rows = (count + columns - 1) / columns;
  QImage sheet(columns * 80 + 8, rows * 110 + 8, QImage::Format_RGB32);
  sheet.fill(Qt::white);
  QPainter painter(&sheet);
  for (int i = 0; i < count; ++i) {
    const QPoint at(8 + (i % columns) * 80, 8 + (i / columns) * 110);
    painter.drawPixmap(at, images.Large(i));
    painter.drawPixmap(at + QPoint(0, 76), images.Small(i));
    painter.drawText(at + QPoint(26, 90), QString::fromStdString(page->TypeIcons().TypeKeys()[i]));
  }
  painter.end();
  Save(sheet, "results_type_icons");
}

}  // namespace
}  // namespace kova
