#include <gtest/gtest.h>

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include "framework/aspects.h"
#include "framework/text_utils.h"
#include "imaging/geometry.h"
#include "recovery/file_types.h"
#include "recovery/recovery_aspects.h"
#include "results_test_files.h"
#include "storage/disk_info.h"
#include "ui/images_frm.h"
#include "ui/results_model.h"
#include "ui/results_views.h"
#include "ui/screen_dpi.h"
#include "ui_test_skin.h"

namespace kova {
namespace {

// 15 March 2023, 12:00 (days since 30 December 1899).
constexpr double kMarch2023Noon = 45000.5;

class ResultsPageTest : public testing::Test {
 protected:
  ResultsPageTest() : page(MakeFrame<TXDRImagesFrm>(test::TestSkin())) {
    page->resize(916, 600);
    page->show();
    DispatchAspect<TXDialogInitDataAspect>(page->Observable());
  }

  void Announce() {
    files.Announce(*page);
    page->ShowWaitingFiles();
  }
  std::vector<std::string> Names(int group) const {
    std::vector<std::string> names;
    for (const TXDRFileItem* item : model().GroupItems(group))
      names.push_back(item->Name);
    return names;
  }
  std::vector<bool> Checks() {
    std::vector<bool> checks;
    for (int32_t i = 0; i < files.Collection().Count(); ++i)
      checks.push_back(files.Collection()[i]->Checked);
    return checks;
  }
  void EnablePreview(bool enabled) {
    DispatchAspect<TXDRDialogInitPageDataPreviewAspect>(page->Observable(), enabled);
  }
  TXDRResultsModel& model() const { return page->Model(); }
  QString Cell(const TXDRFileItem& item, int column) const {
    return model().IndexOf(&item, column).data().toString();
  }
  QImage HeaderIcon(int section) const {
    return model()
        .headerData(section, Qt::Horizontal, Qt::DecorationRole)
        .value<QPixmap>()
        .toImage();
  }

  TXScreenDpiOverride dpi{96};
  test::FoundFiles files;
  std::unique_ptr<TXDRImagesFrm> page;
};

TEST_F(ResultsPageTest, RowsShowTheirColumnsInTheirGroups) {
  TXDRFileItem& photo = files.Add("IMG_0001.JPG", ".JPG", 2048, {4000, 3000}, kMarch2023Noon);
  TXDRFileItem& clip = files.Add("MVI_0002.MOV", ".MOV", 5 << 20);
  TXDRFileItem& song = files.Add("000003.mp3", ".mp3", 1536);
  TXDRFileItem& odd = files.Add("notes.xyz", ".xyz", 700);
  TXDRFileItem& tiny = files.Add("000005.jpg", ".jpg", 500);
  Announce();

  EXPECT_EQ(Names(0), (std::vector<std::string>{"IMG_0001.JPG", "notes.xyz", "000005.jpg"}));
  EXPECT_EQ(Names(1), (std::vector<std::string>{"MVI_0002.MOV"}));
  EXPECT_EQ(Names(2), (std::vector<std::string>{"000003.mp3"}));
  EXPECT_EQ(model().rowCount(), 3 + 5);
  EXPECT_EQ(model().HeaderIndex(0).data().toString(), "Image file types");
  EXPECT_EQ(model().HeaderIndex(1).data().toString(), "Video file types");
  EXPECT_EQ(model().HeaderIndex(2).data().toString(), "Audio file types");
  EXPECT_EQ(model().HeaderIndex(2).row(), 6);

  EXPECT_EQ(Cell(photo, rcName), "IMG_0001.JPG");
  EXPECT_EQ(Cell(photo, rcDimensions), "4000 x 3000");
  EXPECT_EQ(Cell(photo, rcSize), "2.00 KB");
  EXPECT_EQ(Cell(photo, rcType), ".jpg");
  EXPECT_TRUE(Cell(photo, rcCreated).contains("2023")) << Cell(photo, rcCreated).toStdString();
  EXPECT_TRUE(Cell(photo, rcCreated).contains("12:00:00")) << Cell(photo, rcCreated).toStdString();
  EXPECT_FALSE(Cell(photo, rcCreated).contains("UTC"));
  EXPECT_EQ(Cell(clip, rcSize), "5.00 MB");
  EXPECT_EQ(Cell(clip, rcType), ".mov");
  EXPECT_EQ(Cell(tiny, rcDimensions), "");
  EXPECT_EQ(Cell(tiny, rcSize), "500 bytes");
  EXPECT_EQ(Cell(tiny, rcCreated), "Unknown");

  const TXDRTypeIcons& icons = page->TypeIcons();
  EXPECT_EQ(photo.SmallImageIndex, icons.IconIndexOf(".jpg"));
  EXPECT_EQ(clip.SmallImageIndex, icons.IconIndexOf(".mov"));
  EXPECT_EQ(song.LargeImageIndex, icons.IconIndexOf(".mp3"));
  // Outside the catalogue: the generic picture, in the image group.
  EXPECT_EQ(odd.SmallImageIndex, TXDRTypeIcons::kGenericIcon);
  EXPECT_EQ(odd.LargeImageIndex, TXDRTypeIcons::kGenericIcon);
  EXPECT_EQ(model().IndexOf(&odd).data(Qt::DecorationRole).value<QPixmap>().size(), QSize(22, 16));
}

TEST_F(ResultsPageTest, AFileWithoutThumbnailShowsItsLargeTypeIcon) {
  TXDRFileItem& missing = files.Add("000001.cr2", ".cr2", 4096);
  missing.MarkThumbnail(false);
  TXDRFileItem& damaged = files.AddPhoto("damaged.jpg", 320, 240);
  std::vector<uint8_t> half(
      damaged.Thumbnail.Bytes().begin(),
      damaged.Thumbnail.Bytes().begin() + damaged.Thumbnail.Bytes().size() / 2);
  damaged.Thumbnail.SetBytes(half);
  Announce();

  const TXDRTypeIcons& icons = page->TypeIcons();
  for (TXDRFileItem* item : {&missing, &damaged}) {
    const int32_t typeIcon = icons.IconIndexOf(item->Ext);
    EXPECT_EQ(item->LargeImageIndex, typeIcon) << item->Name;
    EXPECT_TRUE(item->Thumbnail.IsEmpty()) << item->Name;
    const QImage shown = model().IndexOf(item).data(rrLargeIcon).value<QPixmap>().toImage();
    EXPECT_EQ(shown, page->Images().Large(typeIcon).toImage()) << item->Name;
  }
  EXPECT_EQ(model().ItemCount(), 2);
}

TEST_F(ResultsPageTest, ThumbnailsAreFramedOnTheListColourAndLeaveTheItems) {
  TXDRFileItem& photo = files.AddPhoto("DSC_0001.JPG", 1600, 1200);
  ASSERT_FALSE(photo.Thumbnail.IsEmpty());
  EXPECT_EQ(photo.Dimensions, (TXSize{1600, 1200}));
  Announce();

  EXPECT_TRUE(photo.Thumbnail.IsEmpty()) << "the page keeps its own copy";
  EXPECT_GE(photo.LargeImageIndex, static_cast<int32_t>(page->TypeIcons().TypeKeys().size()));
  EXPECT_EQ(photo.SmallImageIndex, page->TypeIcons().IconIndexOf(".jpg"));
  const QImage cell = model().IndexOf(&photo).data(rrLargeIcon).value<QPixmap>().toImage();
  ASSERT_EQ(cell.size(), QSize(72, 72));
  // 4:3 fits into 68 x 68 as 68 x 51 from row 10; the frame runs one pixel outside it.
  const QColor list = page->IconView().palette().color(QPalette::Base);
  const QColor frame = page->palette().color(QPalette::Dark);
  EXPECT_EQ(cell.pixel(36, 2), list.rgb());
  EXPECT_EQ(cell.pixel(1, 36), frame.rgb());
  EXPECT_EQ(cell.pixel(36, 9), frame.rgb());
  EXPECT_EQ(cell.pixel(70, 61), frame.rgb());
  EXPECT_EQ(cell.pixel(36, 63), list.rgb());
}

TEST_F(ResultsPageTest, CameraSamplesShowTheirThumbnailsAndPreviews) {
  KOVA_SAMPLE_OR_SKIP(photoFile, "sony_dslr_a200_fullsize.jpg");
  const std::filesystem::path movieFile = test::SamplesDir() / "apple_iphone6_gps.mov";
  TXDRFileItem& photo = files.AddReal(photoFile);
  TXDRFileItem& movie = files.AddReal(movieFile);
  Announce();
  EXPECT_EQ(photo.Dimensions, (TXSize{3872, 2592}));
  EXPECT_GE(photo.LargeImageIndex, 78);
  EXPECT_EQ(movie.LargeImageIndex, page->TypeIcons().IconIndexOf(".mov"));
  EXPECT_EQ(model().HeaderIndex(1).data().toString(), "Video file types");

  page->SetPreviewSource([this] { return &files.Medium(); });
  EnablePreview(true);
  page->SelectItem(&photo);
  ASSERT_NE(page->PreviewImage().Picture(), nullptr);
  EXPECT_EQ(page->PreviewImage().Picture()->Width(), 600);
  EXPECT_EQ(page->PreviewImage().Picture()->Height(), 402);
  EXPECT_EQ(page->ImageLabel().text(), "Size: 2.32 MB, picture: 3872 x 2592 pixels");
  page->SelectItem(&movie);
  EXPECT_EQ(page->PreviewImage().Picture(), nullptr);
  EXPECT_EQ(page->ImageLabel().text(), "");
}

TEST_F(ResultsPageTest, ThreeHeaderClicksEndInTheFoundOrderWithTheComboOnNone) {
  files.Add("b.jpg", ".jpg", 300);
  files.Add("C.jpg", ".jpg", 100);
  files.Add("a.jpg", ".jpg", 200);
  Announce();
  page->ShowThumbnails(false);
  QHeaderView& header = *page->DetailView().header();
  const QPoint nameHeader(header.sectionViewportPosition(rcName) + 20, header.height() / 2);

  QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, nameHeader);
  EXPECT_EQ(Names(0), (std::vector<std::string>{"a.jpg", "b.jpg", "C.jpg"}));
  EXPECT_EQ(page->SortComboBox().currentText(), "Name");
  EXPECT_EQ(HeaderIcon(rcName), page->Images().Small(TXDRTypeIcons::kAscendIcon).toImage());
  EXPECT_TRUE(HeaderIcon(rcSize).isNull());

  QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, nameHeader);
  EXPECT_EQ(Names(0), (std::vector<std::string>{"C.jpg", "b.jpg", "a.jpg"}));
  EXPECT_EQ(HeaderIcon(rcName), page->Images().Small(TXDRTypeIcons::kDescendIcon).toImage());

  QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, nameHeader);
  EXPECT_EQ(Names(0), (std::vector<std::string>{"b.jpg", "C.jpg", "a.jpg"}));
  EXPECT_EQ(page->SortComboBox().currentIndex(), 0);
  EXPECT_EQ(page->SortComboBox().currentText(), "None");
  EXPECT_TRUE(HeaderIcon(rcName).isNull());
}

TEST_F(ResultsPageTest, ChoosingSizeWhileSortedDescendingByNameSortsDescendingBySize) {
  files.Add("b.jpg", ".jpg", 300);
  files.Add("c.jpg", ".jpg", 100);
  files.Add("a.jpg", ".jpg", 200);
  Announce();
  page->ClickColumn(rcName);
  page->ClickColumn(rcName);
  ASSERT_EQ(page->Sort().State(), TXSortState::ssDescending);
  emit page->SortComboBox().activated(3);
  EXPECT_EQ(page->Sort().State(), TXSortState::ssDescending);
  EXPECT_EQ(page->Sort().Column(), rcSize);
  EXPECT_EQ(Names(0), (std::vector<std::string>{"b.jpg", "a.jpg", "c.jpg"}));
  emit page->SortComboBox().activated(0);
  EXPECT_EQ(Names(0), (std::vector<std::string>{"b.jpg", "c.jpg", "a.jpg"}));
  // From "None" the combo starts ascending.
  emit page->SortComboBox().activated(3);
  EXPECT_EQ(Names(0), (std::vector<std::string>{"c.jpg", "a.jpg", "b.jpg"}));
}

TEST_F(ResultsPageTest, PictureSizesSortByAreaThenWidthAndDatesByTime) {
  files.Add("wide.jpg", ".jpg", 10, {100, 50}, 45000.75);
  files.Add("tall.jpg", ".jpg", 10, {50, 100}, 45000.25);
  files.Add("square.jpg", ".jpg", 10, {80, 80});
  files.Add("unknown.jpg", ".jpg", 10, {0, 0}, 44000);
  Announce();
  page->ChooseSortEntry(2);
  EXPECT_EQ(Names(0),
            (std::vector<std::string>{"unknown.jpg", "tall.jpg", "wide.jpg", "square.jpg"}));
  page->ChooseSortEntry(5);
  EXPECT_EQ(Names(0),
            (std::vector<std::string>{"square.jpg", "unknown.jpg", "tall.jpg", "wide.jpg"}));
  page->ChooseSortEntry(4);
  EXPECT_EQ(page->SortComboBox().currentText(), "Type");
}

TEST_F(ResultsPageTest, FilesArrivingWhileSortedTakeTheirPlaceAndTheSelectionStays) {
  files.Add("m.jpg", ".jpg", 500);
  TXDRFileItem& chosen = files.Add("z.jpg", ".jpg", 100);
  Announce();
  page->ChooseSortEntry(1);
  page->SelectItem(&chosen);
  files.Add("a.jpg", ".jpg", 900);
  files.Add("q.jpg", ".jpg", 50);
  Announce();
  EXPECT_EQ(Names(0), (std::vector<std::string>{"a.jpg", "m.jpg", "q.jpg", "z.jpg"}));
  page->ChooseSortEntry(3);
  EXPECT_EQ(Names(0), (std::vector<std::string>{"q.jpg", "z.jpg", "m.jpg", "a.jpg"}));
  const QModelIndexList selected = page->DetailView().selectionModel()->selectedRows();
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(model().ItemAt(selected.front()), &chosen);
}

TEST_F(ResultsPageTest, GroupChecksTouchOnlyTheirGroup) {
  files.Add("a.jpg", ".jpg", 10);
  files.Add("b.cr2", ".cr2", 10);
  files.Add("c.mp3", ".mp3", 10);
  Announce();
  model().setData(model().IndexOf(files.Collection()[1]), Qt::Unchecked, Qt::CheckStateRole);
  ASSERT_EQ(Checks(), (std::vector<bool>{true, false, true}));

  page->CheckPopupMenu().actions().at(1)->trigger();  // Check Video Files: there are none
  EXPECT_EQ(Checks(), (std::vector<bool>{true, false, true}));
  page->UncheckPopupMenu().actions().at(0)->trigger();
  EXPECT_EQ(Checks(), (std::vector<bool>{false, false, true}));
  page->CheckPopupMenu().actions().at(2)->trigger();
  EXPECT_EQ(Checks(), (std::vector<bool>{false, false, true}));
  page->UncheckPopupMenu().actions().at(2)->trigger();
  EXPECT_EQ(Checks(), (std::vector<bool>{false, false, false}));
  QTest::mouseClick(&page->CheckAllBtn(), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(Checks(), (std::vector<bool>{true, true, true}));
  QTest::mouseClick(&page->UncheckAllBtn(), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(Checks(), (std::vector<bool>{false, false, false}));
  EXPECT_EQ(page->CheckPopupMenu().actions().at(1)->text(), "Check Video Files");
}

TEST_F(ResultsPageTest, RowCheckBoxesSetTheItemAtOnceInBothViews) {
  TXDRFileItem& first = files.Add("a.jpg", ".jpg", 10);
  TXDRFileItem& second = files.Add("b.jpg", ".jpg", 10);
  Announce();
  QCoreApplication::processEvents();
  TXDRIconView& icons = page->IconView();
  QStyleOptionViewItem option;
  option.initFrom(&icons);
  option.rect = icons.visualRect(model().IndexOf(&first));
  const QPoint box = TXDRIconDelegate::CheckRect(option).center();
  QTest::mouseClick(icons.viewport(), Qt::LeftButton, {}, box);
  EXPECT_FALSE(first.Checked);
  EXPECT_TRUE(second.Checked);
  QTest::mouseClick(icons.viewport(), Qt::LeftButton, {}, box);
  EXPECT_TRUE(first.Checked);

  page->ShowThumbnails(false);
  page->SelectItem(&second);
  page->DetailView().setFocus();
  QTest::keyClick(&page->DetailView(), Qt::Key_Space);
  EXPECT_FALSE(second.Checked);
  EXPECT_EQ(model().IndexOf(&second).data(Qt::CheckStateRole).value<Qt::CheckState>(),
            Qt::Unchecked);
}

TEST_F(ResultsPageTest, FilesNotShownYetFollowUncheckAllAndRefreshShowsTheItems) {
  files.Add("a.jpg", ".jpg", 10);
  Announce();
  files.Add("b.jpg", ".jpg", 10);
  files.Add("c.mov", ".mov", 10);
  files.Announce(*page);
  page->CheckAll(false);
  page->ShowWaitingFiles();
  EXPECT_EQ(Checks(), (std::vector<bool>{false, false, false}));
  EXPECT_EQ(model().IndexOf(files.Collection()[2]).data(Qt::CheckStateRole).value<Qt::CheckState>(),
            Qt::Unchecked);

  QSignalSpy changes(&model(), &QAbstractItemModel::dataChanged);
  files.Collection()[0]->Checked = true;
  DispatchAspect<TXDRRefreshSelectedFilesAspect>(page->Observable());
  ASSERT_EQ(changes.size(), 1);
  EXPECT_EQ(model().IndexOf(files.Collection()[0]).data(Qt::CheckStateRole).value<Qt::CheckState>(),
            Qt::Checked);
}

TEST_F(ResultsPageTest, AClickOnAGroupHeaderFoldsItAndChecksStillReachIt) {
  files.Add("a.jpg", ".jpg", 10);
  files.Add("b.jpg", ".jpg", 10);
  files.Add("c.avi", ".avi", 10);
  Announce();
  QCoreApplication::processEvents();
  TXDRIconView& icons = page->IconView();
  const QPoint header = icons.visualRect(model().HeaderIndex(0)).center();
  QTest::mouseClick(icons.viewport(), Qt::LeftButton, {}, header);
  EXPECT_TRUE(model().IsCollapsed(0));
  EXPECT_EQ(model().rowCount(), 3);
  EXPECT_FALSE(model().IndexOf(files.Collection()[0]).isValid());
  page->CheckGroup(0, false);
  EXPECT_EQ(Checks(), (std::vector<bool>{false, false, true}));
  files.Add("d.jpg", ".jpg", 10);
  Announce();
  EXPECT_EQ(model().rowCount(), 3);
  QTest::mouseClick(icons.viewport(), Qt::LeftButton, {}, header);
  EXPECT_EQ(model().rowCount(), 6);
  EXPECT_EQ(Names(0), (std::vector<std::string>{"a.jpg", "b.jpg", "d.jpg"}));
}

TEST_F(ResultsPageTest, APhotoShowsItsPreviewAndAVideoClearsIt) {
  TXDRFileItem& photo = files.AddPhoto("IMG_2001.JPG", 1200, 900);
  TXDRFileItem& clip = files.Add("MVI_2002.MOV", ".mov", 100000);
  Announce();
  page->SetPreviewSource([this] { return &files.Medium(); });
  EnablePreview(true);

  page->SelectItem(&photo);
  ASSERT_NE(page->PreviewImage().Picture(), nullptr);
  EXPECT_EQ(page->PreviewImage().Picture()->Width(), 600);
  EXPECT_EQ(page->PreviewImage().Picture()->Height(), 450);
  const QString size = QString::fromStdString(FormatByteSize(photo.Size()));
  EXPECT_EQ(page->ImageLabel().text(), "Size: " + size + ", picture: 1200 x 900 pixels");
  const QImage shown = page->PreviewImage().Render();
  EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2 - 100).blue() > 150, true);

  page->SelectItem(&clip);
  EXPECT_EQ(page->PreviewImage().Picture(), nullptr);
  EXPECT_EQ(page->ImageLabel().text(), "");

  page->SelectItem(&photo);
  ASSERT_NE(page->PreviewImage().Picture(), nullptr);
  page->SelectItem(nullptr);
  EXPECT_EQ(page->PreviewImage().Picture(), nullptr);
  EXPECT_EQ(page->ImageLabel().text(), "");
}

TEST_F(ResultsPageTest, ThePreviewFollowsClicksAndArrowKeysInBothViews) {
  TXDRFileItem& wide = files.AddPhoto("IMG_4001.JPG", 800, 400);
  TXDRFileItem& tall = files.AddPhoto("IMG_4002.JPG", 300, 600);
  TXDRFileItem& clip = files.Add("MVI_4003.MOV", ".mov", 1000);
  Announce();
  page->SetPreviewSource([this] { return &files.Medium(); });
  EnablePreview(true);
  QCoreApplication::processEvents();
  const auto previewWidth = [&] {
    const TXImageObject* shown = page->PreviewImage().Picture();
    return shown ? shown->Width() : 0;
  };

  TXDRIconView& icons = page->IconView();
  ASSERT_TRUE(icons.isVisible());
  QTest::mouseClick(icons.viewport(), Qt::LeftButton, {},
                    icons.visualRect(model().IndexOf(&wide)).center());
  EXPECT_EQ(previewWidth(), 600);
  EXPECT_TRUE(page->ImageLabel().text().contains("800 x 400"));
  icons.setFocus();
  QTest::keyClick(&icons, Qt::Key_Right);
  EXPECT_EQ(previewWidth(), 300);
  EXPECT_TRUE(page->ImageLabel().text().contains("300 x 600"));

  page->ShowThumbnails(false);
  TXDRDetailView& details = page->DetailView();
  EXPECT_EQ(previewWidth(), 300) << "switching views keeps the file and its preview";
  details.setFocus();
  QTest::keyClick(&details, Qt::Key_Up);
  EXPECT_EQ(previewWidth(), 600);
  QTest::mouseClick(details.viewport(), Qt::LeftButton, {},
                    details.visualRect(model().IndexOf(&clip)).center());
  EXPECT_EQ(page->PreviewImage().Picture(), nullptr);
  EXPECT_EQ(page->ImageLabel().text(), "");
  QTest::mouseClick(details.viewport(), Qt::LeftButton, {},
                    details.visualRect(model().IndexOf(&tall, rcDimensions)).center());
  EXPECT_EQ(previewWidth(), 300);
}

TEST_F(ResultsPageTest, WithoutPreviewOrMediumSelectingShowsNothing) {
  TXDRFileItem& photo = files.AddPhoto("IMG_3001.JPG", 640, 480);
  photo.Dimensions = {};
  Announce();
  page->SetPreviewSource([this] { return &files.Medium(); });
  EnablePreview(false);
  page->SelectItem(&photo);
  EXPECT_EQ(page->PreviewImage().Picture(), nullptr);

  EnablePreview(true);
  page->SelectItem(nullptr);
  page->SelectItem(&photo);
  ASSERT_NE(page->PreviewImage().Picture(), nullptr);
  EXPECT_EQ(page->ImageLabel().text(),
            "Size: " + QString::fromStdString(FormatByteSize(photo.Size())) +
                ", picture: 640 x 480 pixels")
      << "the preview tells the size the scan did not know";

  page->SetPreviewSource({});
  page->SelectItem(nullptr);
  page->SelectItem(&photo);
  EXPECT_EQ(page->PreviewImage().Picture(), nullptr);
  EXPECT_EQ(page->ImageLabel().text(), "");
}

TEST_F(ResultsPageTest, ThePreviewPanelTakesItsWidthFromTheGroupBox) {
  files.Add("a.jpg", ".jpg", 10);
  files.Add("b.mov", ".mov", 10);
  files.Add("c.mp3", ".mp3", 10);
  Announce();
  EXPECT_FALSE(page->ImagePanel().isVisible());
  EXPECT_EQ(page->FoundGroupBox().title(), "Found Files");

  EnablePreview(true);
  EXPECT_TRUE(page->ImagePanel().isVisible());
  EXPECT_EQ(page->FoundGroupBox().title(), "Found Files: 3");
  ASSERT_EQ(page->FoundGroupBox().width(), 900);
  EXPECT_EQ(page->ImagePanel().width(), 450) << "the list keeps half of the group box";
  page->resize(1516, 600);
  EXPECT_EQ(page->ImagePanel().width(), 624) << "a wide box gives the preview its full width";
  page->resize(716, 600);
  ASSERT_EQ(page->FoundGroupBox().width(), 700);
  EXPECT_EQ(page->ImagePanel().width(), 350);
  EXPECT_GE(page->IconView().parentWidget()->width(), 200);
  EXPECT_EQ(page->ImagePanel().geometry().right() + 1, page->FoundGroupBox().width() - 2);
  EXPECT_EQ(page->PreviewTitle().text(), "LIMITED SIZE QUICK PREVIEW (up to 600x600 pixels)");
  EXPECT_TRUE(page->PreviewTitle().font().bold());

  EnablePreview(false);
  EXPECT_FALSE(page->ImagePanel().isVisible());
  EXPECT_EQ(page->IconView().parentWidget()->width(), 696);
}

TEST_F(ResultsPageTest, ANewRunClearsTheRowsAndTheFilesNotShownYet) {
  files.Add("a.jpg", ".jpg", 10);
  Announce();
  files.Add("b.jpg", ".jpg", 10);
  files.Announce(*page);
  EnablePreview(true);
  EXPECT_EQ(page->FoundGroupBox().title(), "Found Files: 2");
  DispatchAspect<TXDialogInitDataAspect>(page->Observable());
  page->ShowWaitingFiles();
  EXPECT_EQ(model().rowCount(), 0);
  EXPECT_EQ(page->FoundGroupBox().title(), "Found Files");
}

TEST_F(ResultsPageTest, LanguageTextsAndTheComboFollowTheOrder) {
  EXPECT_EQ(page->CheckAllBtn().text(), "Check All");
  EXPECT_EQ(page->UncheckAllBtn().text(), "Uncheck All");
  EXPECT_EQ(page->ShowThnBtn().text(), "Show thumbnails");
  EXPECT_EQ(page->ShowDetailsBtn().text(), "Show details");
  QStringList entries;
  for (int i = 0; i < page->SortComboBox().count(); ++i)
    entries << page->SortComboBox().itemText(i);
  EXPECT_EQ(entries,
            (QStringList{"None", "Name", "Image Size", "Size", "Type", "Created", "Origin"}));
  QStringList columns;
  for (int c = 0; c < kResultsColumnCount; ++c)
    columns << model().headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
  EXPECT_EQ(columns, (QStringList{"Name", "Image Size", "Size", "Type", "Created", "Origin"}));
  EXPECT_EQ(page->DetailView().header()->sectionSize(rcCreated), 120);

  page->ChooseSortEntry(4);
  page->ApplyLanguage();
  EXPECT_EQ(page->SortComboBox().currentText(), "Type") << "the combo keeps showing the order";
}

TEST_F(ResultsPageTest, TheViewGearsIconsReplaceThePagesOwn) {
  TXDRTypeIcons icons(GroupExtensions(fgImages), GroupExtensions(fgVideo),
                      GroupExtensions(fgAudio));
  icons.Build(test::TestSkin(), MakeColor(0, 0, 0));
  page->SetTypeIcons(&icons);
  EXPECT_EQ(&page->TypeIcons(), &icons);
  EXPECT_EQ(page->Images().Large(TXDRTypeIcons::kAscendIcon).toImage().pixel(5, 5),
            QColor(Qt::black).rgb());
  page->SetTypeIcons(nullptr);
  EXPECT_NE(&page->TypeIcons(), &icons);
  EXPECT_EQ(page->Images().Large(TXDRTypeIcons::kAscendIcon).toImage().pixel(5, 5),
            page->IconView().palette().color(QPalette::Base).rgb());
  EXPECT_EQ(page->Images().SmallCount(), TXDRFileTypes::kPropertyCount);
  EXPECT_EQ(page->Images().LargeCount(), TXDRFileTypes::kPropertyCount);
}

TEST(ResultsTypeIconsTest, TheCatalogueIconsCarryTheSkinsBadges) {
  TXDRTypeIcons icons(GroupExtensions(fgImages), GroupExtensions(fgVideo),
                      GroupExtensions(fgAudio));
  // The three group pictures, then every catalogue type.
  const int32_t keys = TXDRFileTypes::kPropertyCount;
  ASSERT_EQ(icons.TypeKeys().size(), static_cast<size_t>(keys));
  for (int32_t i = 0; i < std::ssize(kFileTypes); ++i)
    EXPECT_EQ(icons.IconIndexOf(UpperCase(kFileTypes[i].Ext)), i + 3) << kFileTypes[i].Ext;
  icons.Build(test::TestSkin(), MakeColor(255, 255, 255));
  ASSERT_EQ(icons.Small().Count(), keys);
  ASSERT_EQ(icons.Large().Count(), keys);
  const auto pixels = [](const TXImageCollection& collection, int32_t index) {
    const std::unique_ptr<TXGraphic> graphic = collection.At(index)->Data().Decode();
    const auto& bitmap = dynamic_cast<const TXBitmap32&>(*graphic);
    return std::vector<TXColor>(bitmap.Pixels().begin(), bitmap.Pixels().end());
  };
  const std::vector<TXColor> generic = pixels(icons.Large(), TXDRTypeIcons::kGenericIcon);
  const std::vector<TXColor> smallGeneric = pixels(icons.Small(), TXDRTypeIcons::kGenericIcon);
  ASSERT_EQ(generic.size(), 72u * 72u);
  for (const char* ext : {".jpg", ".cr2", ".heic", ".cr3", ".mov", ".wav"}) {
    EXPECT_NE(pixels(icons.Large(), icons.IconIndexOf(ext)), generic) << ext;
    EXPECT_NE(pixels(icons.Small(), icons.IconIndexOf(ext)), smallGeneric) << ext;
  }
  // The image badges lie low over the image picture: the top rows are the generic icon's, while
  // a video icon has the video picture there.
  const std::vector<TXColor> jpg = pixels(icons.Large(), icons.IconIndexOf(".jpg"));
  const std::vector<TXColor> mov = pixels(icons.Large(), icons.IconIndexOf(".mov"));
  EXPECT_TRUE(std::equal(jpg.begin(), jpg.begin() + 72 * 30, generic.begin()));
  EXPECT_FALSE(std::equal(mov.begin(), mov.begin() + 72 * 30, generic.begin()));
  EXPECT_NE(pixels(icons.Small(), TXDRTypeIcons::kAscendIcon), smallGeneric);
}

}  // namespace
}  // namespace kova
