#include "storage/dos_date_time.h"

#include <gtest/gtest.h>

namespace kova {
namespace {

uint16_t Date(int year, int month, int day) {
  return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}

uint16_t Time(int hours, int minutes, int seconds) {
  return static_cast<uint16_t>((hours << 11) | (minutes << 5) | (seconds / 2));
}

TEST(DosDateTimeTest, ConvertsWithoutAnyTimeZone) {
  double value = 0;
  ASSERT_TRUE(DosDateTimeToDateTime(Date(1980, 1, 1), 0, value));
  EXPECT_DOUBLE_EQ(value, 29221.0);
  ASSERT_TRUE(DosDateTimeToDateTime(Date(2024, 2, 29), Time(13, 45, 58), value));
  EXPECT_DOUBLE_EQ(value, 45351.0 + (13 * 3600 + 45 * 60 + 58) / 86400.0);
  ASSERT_TRUE(DosDateTimeToDateTime(Date(2107, 12, 31), Time(23, 59, 58), value));
  EXPECT_GT(value, 75000.0);
}

TEST(DosDateTimeTest, RefusesImpossibleDatesAndTimes) {
  double value = 42;
  EXPECT_FALSE(DosDateTimeToDateTime(0, 0, value)) << "month 0, day 0 (an empty entry)";
  EXPECT_FALSE(DosDateTimeToDateTime(Date(2023, 13, 1), 0, value));
  EXPECT_FALSE(DosDateTimeToDateTime(Date(2023, 2, 29), 0, value));
  EXPECT_FALSE(DosDateTimeToDateTime(Date(2023, 4, 31), 0, value));
  EXPECT_FALSE(DosDateTimeToDateTime(Date(2023, 4, 1), Time(24, 0, 0), value));
  EXPECT_FALSE(DosDateTimeToDateTime(Date(2023, 4, 1), Time(12, 60, 0), value));
  EXPECT_FALSE(DosDateTimeToDateTime(Date(2023, 4, 1), 30, value)) << "60 seconds";
  EXPECT_EQ(value, 42) << "a failed conversion leaves the value alone";
}

}  // namespace
}  // namespace kova
