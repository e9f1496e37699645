#include <QTest>
#include <map>

#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "ui/images_frm.h"
#include "ui/results_model.h"
#include "ui/results_texts.h"
#include "ui/results_views.h"
#include "wizard_app_fixture.h"

// What the results page tells of each file after a real scan: where it came from, whether it may
// be damaged, and its best name, on a card that holds a file of every origin.
namespace kova::test {
namespace {

using Kind = TXWizardFrameKind;

constexpr char kHoliday[] = "DCIM/Holiday photo at the beach.jpg";

// Live, deleted under a long name, in a lost folder, deleted and then partly overwritten by a
// newer file, and a photo that no entry describes.
void WriteEveryOrigin(mkcard::CardBuilder& card) {
  EXPECT_TRUE(card.MakeFolder("DCIM").ok());
  EXPECT_TRUE(card.WriteFile("DCIM/IMG_0001.JPG", Photo(640, 480, 1)).ok());
  mkcard::EntryOptions longName;
  longName.generate_short_name = true;
  EXPECT_TRUE(card.WriteFile(kHoliday, Photo(640, 480, 2), {}, longName).ok());
  EXPECT_TRUE(card.Delete(kHoliday).ok());
  EXPECT_TRUE(card.MakeFolder("DCIM/OLD").ok());
  EXPECT_TRUE(card.WriteFile("DCIM/OLD/IMG_0100.JPG", Photo(320, 240, 3)).ok());
  EXPECT_TRUE(card.Delete("DCIM/OLD").ok());
  EXPECT_TRUE(card.WriteFile("DCIM/GONE.JPG", Photo(800, 600, 4)).ok());
  EXPECT_TRUE(card.Delete("DCIM/GONE.JPG").ok());
  uint32_t third = 0;
  EXPECT_TRUE(card.ClusterOf("DCIM/GONE.JPG+2", &third).ok());
  mkcard::Placement over;
  over.from = third;
  EXPECT_TRUE(card.WriteFile("DCIM/NEW.DAT", mkcard::MakeData(4096, 5), over).ok());
  const uint32_t far = card.Layout().LastCluster() - 1000;
  EXPECT_TRUE(card.WriteRaw(card.Layout().ClusterOffset(far), Photo(640, 480, 6), "raw").ok());
}

class ResultsOriginsTest : public WizardAppTest {
 protected:
  static void SetUpTestSuite() { card_ = new WizardCard(WriteEveryOrigin); }

  TXDRImagesFrm& Results() const { return Frame<TXDRImagesFrm>(Kind::fkResults); }
  // The first found file that starts where the record's first extent does: the directory
  // recovery offers its files before the search does.
  const TXDRFileItem* FoundAs(const mkcard::ManifestRecord& record) const {
    const TXDRFileCollection& files = module->Engine().DataGear().FoundFiles();
    for (int32_t i = 0; i < files.Count() && !record.extents.empty(); ++i) {
      const TXBlocks& blocks = files.At(i)->Blocks();
      if (!blocks.Empty() && blocks[0].Start == static_cast<int64_t>(record.extents[0].offset))
        return files.At(i);
    }
    return nullptr;
  }
  const TXDRFileItem& Found(std::string_view path) const {
    const mkcard::ManifestRecord* record = card_->Manifest().Find(path);
    EXPECT_NE(record, nullptr) << path;
    const TXDRFileItem* item = record ? FoundAs(*record) : nullptr;
    EXPECT_NE(item, nullptr) << path;
    static const TXDRFileItem kNone;
    return item ? *item : kNone;
  }
  QString Cell(const TXDRFileItem& item, int column) const {
    return Results().Model().IndexOf(&item, column).data().toString();
  }
};

TEST_F(ResultsOriginsTest, EveryFileShowsWhereItCameFromAndWhetherItMayBeDamaged) {
  Start();
  ScanTheCard();
  TXDRImagesFrm& results = Results();
  results.ShowWaitingFiles();
  const std::map<std::string, TXDRFileOrigin> expected = {
      {"DCIM/IMG_0001.JPG", TXDRFileOrigin::foLive},
      {kHoliday, TXDRFileOrigin::foDeleted},
      {"DCIM/OLD/IMG_0100.JPG", TXDRFileOrigin::foLostFolder},
      {"DCIM/GONE.JPG", TXDRFileOrigin::foDeleted},
      {"raw", TXDRFileOrigin::foSearch}};
  for (const auto& [path, origin] : expected) {
    const TXDRFileItem& item = Found(path);
    const bool damaged = path == "DCIM/GONE.JPG";
    EXPECT_EQ(OriginOf(item), origin) << path;
    EXPECT_EQ(MayBeDamaged(item), damaged) << path;
    EXPECT_EQ(Cell(item, rcOrigin), OriginText(origin, damaged)) << path;
    const QModelIndex index = results.Model().IndexOf(&item);
    EXPECT_EQ(index.data(rrOrigin).value<QPixmap>().toImage(),
              results.Images().OriginBadge(origin).toImage())
        << path;
    EXPECT_EQ(index.data(rrDamageMark).value<QPixmap>().isNull(), !damaged) << path;
  }
  EXPECT_EQ(OriginText(TXDRFileOrigin::foDeleted, true).toStdString(),
            Lg().Word(lg::kOriginDeleted) + ", " + Lg().Word(lg::kMayBeDamaged));

  // The badges are drawn on the thumbnails: top right of the picture, the damage mark below it.
  TXDRIconView& icons = results.IconView();
  icons.scrollTo(results.Model().IndexOf(&Found("DCIM/GONE.JPG")));
  QCoreApplication::processEvents();
  const QImage shown = icons.viewport()->grab().toImage();
  const auto markAt = [&](const TXDRFileItem& item, bool bottom) {
    const QRect picture =
        TXDRIconDelegate::IconRect(icons.visualRect(results.Model().IndexOf(&item)));
    // The centre pixel of the mark's 16 x 16 square (QRect::center rounds down).
    const QPoint centre(picture.right() - 16 + 3 + 7,
                        bottom ? picture.bottom() - 16 + 2 + 7 : picture.top() - 2 + 7);
    return shown.pixelColor(centre * shown.devicePixelRatio());
  };
  const QImage damageMark = results.Images().DamageMark().toImage();
  EXPECT_EQ(markAt(Found("DCIM/GONE.JPG"), true),
            damageMark.pixelColor(damageMark.rect().center()));
  const QImage deleted = results.Images().OriginBadge(TXDRFileOrigin::foDeleted).toImage();
  EXPECT_EQ(markAt(Found("DCIM/GONE.JPG"), false), deleted.pixelColor(deleted.rect().center()));
}

TEST_F(ResultsOriginsTest, AFileOnABadSectorIsMarkedDamagedWithItsUnreadableBytesInItsTip) {
  const mkcard::ManifestRecord* photo = card_->Manifest().Find("DCIM/IMG_0001.JPG");
  ASSERT_NE(photo, nullptr);
  const int64_t bad = static_cast<int64_t>(photo->extents.at(0).offset) + 1024;
  plan->BadRanges.push_back({bad - bad % 512, 1024});
  Start();
  ScanTheCard();
  TXDRImagesFrm& results = Results();
  results.ShowWaitingFiles();
  const TXDRFileItem& item = Found("DCIM/IMG_0001.JPG");
  EXPECT_EQ(item.Unreadable, 1024);
  EXPECT_TRUE(MayBeDamaged(item));
  const QModelIndex index = results.Model().IndexOf(&item);
  EXPECT_FALSE(index.data(rrDamageMark).value<QPixmap>().isNull());
  const QString hint = UnreadableHint(1024);
  EXPECT_EQ(hint.toStdString(), Lg().Format(lg::kUnreadableHint, {"1.00 KB"}));
  EXPECT_TRUE(index.data(Qt::ToolTipRole).toString().endsWith(hint));
  EXPECT_TRUE(
      results.Model().IndexOf(&item, rcOrigin).data(Qt::ToolTipRole).toString().endsWith(hint));
  EXPECT_EQ(Found("DCIM/OLD/IMG_0100.JPG").Unreadable, 0);
}

TEST_F(ResultsOriginsTest, ADeletedFileShowsItsLongNameWholeInTwoLinesAndInItsTip) {
  Start();
  ScanTheCard();
  TXDRImagesFrm& results = Results();
  results.ShowWaitingFiles();
  const TXDRFileItem& holiday = Found(kHoliday);
  const QString name = QStringLiteral("Holiday photo at the beach.jpg");
  EXPECT_EQ(Cell(holiday, rcName), name) << "the long name keeps its first letter";
  EXPECT_TRUE(results.Model().IndexOf(&holiday).data(Qt::ToolTipRole).toString().startsWith(name));
  const QFontMetrics metrics(results.IconView().font());
  const int width = results.IconView().visualRect(results.Model().IndexOf(&holiday)).width() - 8;
  const QStringList lines = TXDRIconDelegate::NameLines(name, metrics, width);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[0].endsWith(u' ') || lines[0].endsWith(u'_')) << lines[0].toStdString();
  EXPECT_LE(metrics.horizontalAdvance(lines[0]), width);
  EXPECT_LE(metrics.horizontalAdvance(lines[1]), width);
  EXPECT_TRUE(lines[1].endsWith(QStringLiteral(".jpg"))) << lines[1].toStdString();
  // The name whose first letter the card lost is told as lost.
  EXPECT_TRUE(Cell(Found("DCIM/GONE.JPG"), rcName).startsWith(u'!'));
}

}  // namespace
}  // namespace kova::test
