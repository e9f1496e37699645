// exFAT time stamps into date-times: 10 ms steps, and UTC offsets into this machine's local time.
#include "exfat/exfat_time.h"

#include <gtest/gtest.h>

#include "exfat/exfat_fixture.h"
#include "storage/dos_date_time.h"
#include "support/time_zone_scope.h"

namespace kova {
namespace {

constexpr double kMillisecond = 1.0 / 86400000.0;

using test::TimeZoneScope;

constexpr char kUtc[] = "UTC0";
constexpr char kCentralEurope[] = "CET-1CEST,M3.5.0,M10.5.0/3";

uint32_t Stamp(int year, int month, int day, int hour, int minute, int second) {
  return uint32_t((year - 1980) << 9 | month << 5 | day) << 16 | hour << 11 | minute << 5 |
         second / 2;
}

// The date-time of a wall-clock time, plus hundredths of a second.
double WallTime(int year, int month, int day, int hour, int minute, int second, int hundredths) {
  double value = 0;
  EXPECT_TRUE(DosDateTimeToDateTime(static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day),
                                    static_cast<uint16_t>(hour << 11 | minute << 5 | second / 2),
                                    value));
  return value + ((second % 2) + hundredths / 100.0) / 86400.0;
}

uint8_t Offset(int quarters) {
  return static_cast<uint8_t>(0x80 | (quarters & 0x7F));
}

double Converted(uint32_t stamp, uint8_t tenMs, uint8_t offset) {
  double value = -1;
  EXPECT_TRUE(ExfatStampToDateTime(stamp, tenMs, offset, value));
  return value;
}

TEST(ExfatTime, StampWithoutOffsetIsTakenAsWritten) {
  TimeZoneScope zone(kCentralEurope);
  EXPECT_NEAR(Converted(Stamp(2024, 5, 18, 10, 0, 0), 137, 0), WallTime(2024, 5, 18, 10, 0, 1, 37),
              kMillisecond);
  EXPECT_NEAR(Converted(Stamp(1980, 1, 1, 0, 0, 0), 0, 0x08), WallTime(1980, 1, 1, 0, 0, 0, 0),
              kMillisecond)
      << "an offset without its valid bit means nothing";
}

TEST(ExfatTime, OffsetGivesTheInstantInLocalTime) {
  {
    TimeZoneScope zone(kUtc);
    EXPECT_NEAR(Converted(Stamp(2024, 5, 18, 10, 0, 0), 137, Offset(8)),
                WallTime(2024, 5, 18, 8, 0, 1, 37), kMillisecond);
    EXPECT_NEAR(Converted(Stamp(2022, 7, 1, 12, 34, 56), 125, Offset(-14)),
                WallTime(2022, 7, 1, 16, 4, 57, 25), kMillisecond);
    EXPECT_NEAR(Converted(Stamp(2024, 1, 1, 0, 30, 0), 0, Offset(4)),
                WallTime(2023, 12, 31, 23, 30, 0, 0), kMillisecond);
  }
  TimeZoneScope zone(kCentralEurope);
  EXPECT_NEAR(Converted(Stamp(2024, 5, 18, 10, 0, 0), 0, Offset(8)),
              WallTime(2024, 5, 18, 10, 0, 0, 0), kMillisecond)
      << "summer: the camera's zone and ours agree";
  EXPECT_NEAR(Converted(Stamp(2024, 1, 18, 10, 0, 0), 0, Offset(8)),
              WallTime(2024, 1, 18, 9, 0, 0, 0), kMillisecond);
}

TEST(ExfatTime, ImpossibleStampsAreRefused) {
  double value = 0;
  EXPECT_FALSE(ExfatStampToDateTime(Stamp(2024, 5, 18, 10, 0, 0), 200, 0, value));
  EXPECT_FALSE(ExfatStampToDateTime(Stamp(2024, 13, 18, 10, 0, 0), 0, 0, value));
  EXPECT_FALSE(ExfatStampToDateTime(Stamp(2023, 2, 29, 10, 0, 0), 0, 0, value));
  EXPECT_FALSE(ExfatStampToDateTime(Stamp(2024, 5, 18, 24, 0, 0), 0, Offset(8), value));
  EXPECT_FALSE(ExfatStampToDateTime(0, 0, 0, value)) << "day 0 of month 0";
}

TEST(ExfatTime, FoundFilesCarryTheirEntrysStamps) {
  TimeZoneScope zone(kUtc);
  test::ExfatCard card;
  mkcard::ExfatEntryOptions entry;
  entry.time = mkcard::ParseExfatStamp("2022-07-01 12:34:57.25-03:30");
  KOVA_CARD_OK(card.Volume().WriteExfatFile("a.jpg", mkcard::MakeData(5000, 1), {}, entry));
  entry.time = mkcard::ParseExfatStamp("2021-03-04 05:06:07.89");
  KOVA_CARD_OK(card.Volume().WriteExfatFile("b.dat", mkcard::MakeData(5000, 2), {}, entry));
  KOVA_CARD_OK(card.Volume().Delete("b.dat"));
  KOVA_CARD_OK(card.Save());
  test::ExfatRun run(card.Image());
  run.FromDirectories();
  const TXDRFileItem* a = run.offered.Find("a.jpg");
  const TXDRFileItem* b = run.offered.Find("b.dat");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NEAR(a->Modified, WallTime(2022, 7, 1, 16, 4, 57, 25), kMillisecond);
  EXPECT_NEAR(a->Created, a->Modified, kMillisecond);
  EXPECT_NEAR(a->Accessed, WallTime(2022, 7, 1, 16, 4, 56, 0), kMillisecond)
      << "access stamps have no 10 ms part";
  EXPECT_NEAR(b->Modified, WallTime(2021, 3, 4, 5, 6, 7, 89), kMillisecond);
}

}  // namespace
}  // namespace kova
