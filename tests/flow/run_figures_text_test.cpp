#include "flow/run_figures_text.h"

#include <gtest/gtest.h>

#include "persistence/lg_builtin.h"

// What the running pages and kova-cli's progress line say of a run's figures.
namespace kova {
namespace {

constexpr int64_t kCard = 40 << 20;

TEST(RunFiguresTextTest, TheFoldersPhaseTellsTheEntriesReadAndTheSearchItsBytes) {
  UseBuiltInLanguage();
  const TXRateMeter meter;
  TXRunFigures::TXSnapshot figures;
  figures.Total = kCard;
  EXPECT_EQ(RunFiguresText(TXRunFiguresKind::rfScan, figures, meter),
            "0 bytes of 40.00 MB \u00B7 Files found: 0")
      << "before the first entry";
  figures.Entries = 1250;
  figures.Files = 312;
  EXPECT_EQ(RunFiguresText(TXRunFiguresKind::rfScan, figures, meter),
            "Folder entries read: 1250 \u00B7 Files found: 312");
  figures.Done = 1 << 20;
  EXPECT_EQ(RunFiguresText(TXRunFiguresKind::rfScan, figures, meter),
            "1.00 MB of 40.00 MB \u00B7 Files found: 312")
      << "the bytes move once the search has begun";
  figures.Done = 0;
  figures.Failed = 0;
  EXPECT_EQ(RunFiguresText(TXRunFiguresKind::rfRestore, figures, meter),
            "0 bytes of 40.00 MB \u00B7 Saved: 312")
      << "only a scan reads folders";
}

TEST(RunFiguresTextTest, AScanOfACutImageSaysHowMuchLiesPastTheEnd) {
  UseBuiltInLanguage();
  const TXRateMeter meter;
  TXRunFigures figures;
  figures.SetTotal(kCard);
  figures.ReachDone(1 << 20);
  figures.SetMissing(20 << 20);
  EXPECT_EQ(
      RunFiguresText(TXRunFiguresKind::rfScan, figures.Read(), meter),
      "1.00 MB of 40.00 MB \u00B7 Files found: 0 \u00B7 Past the end of the medium: 20.00 MB");
  figures.Reset();
  EXPECT_EQ(figures.Read().Missing, 0) << "the next run starts without it";
}

}  // namespace
}  // namespace kova
