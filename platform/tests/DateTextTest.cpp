#include "platform/DateText.h"

#include "platform/Clock.h"
#include "platform/Files.h"

#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(DateTextTest, DaysCountFrom1899) {
  // Known serial numbers of the framework's (and spreadsheets') day count.
  EXPECT_EQ(platform::EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(platform::EncodeDate(1900, 3, 1), 61.0);
  EXPECT_EQ(platform::EncodeDate(2024, 2, 1), 45323.0);
  EXPECT_EQ(platform::EncodeDate(2024, 2, 30), std::nullopt);
  EXPECT_EQ(platform::EncodeDate(2023, 2, 29), std::nullopt);
  EXPECT_NE(platform::EncodeDate(2024, 2, 29), std::nullopt);
}

TEST(DateTextTest, ReadsShortDatesWithTheCenturyWindow) {
  // The virtual clock's year is 2026: two-digit years run from 1976 to 2075.
  platform::VirtualClock clock;
  platform::ScopedClock useClock(clock);
  struct Case {
    const char16_t* text;
    int year, month, day;  // year 0: not a date
  };
  const Case cases[] = {
      {u"01/02/2024", 2024, 2, 1}, {u"1/2/24", 2024, 2, 1}, {u" 5/6/2010 ", 2010, 6, 5}, {u"1/1/76", 1976, 1, 1},
      {u"31/12/75", 2075, 12, 31}, {u"1/1/00", 2000, 1, 1}, {u"1/1/7", 2007, 1, 1},      {u"1/1/999", 999, 1, 1},
      {u"31/02/2024", 0, 0, 0},    {u"1/13/2024", 0, 0, 0}, {u"0/1/2024", 0, 0, 0},      {u"x/1/2024", 0, 0, 0},
      {u"1/1", 0, 0, 0},           {u"1/1/1/1", 0, 0, 0},   {u"1/1/12345", 0, 0, 0},     {u"", 0, 0, 0},
      {u"1-1-2024", 0, 0, 0},      {u"+1/1/2024", 0, 0, 0},
  };
  for (const Case& c : cases) {
    const auto read = platform::StrToDate(c.text);
    const std::u16string text(c.text);
    if (c.year == 0) {
      EXPECT_EQ(read, std::nullopt) << std::string(text.begin(), text.end());
      continue;
    }
    EXPECT_EQ(read, platform::EncodeDate(c.year, c.month, c.day)) << std::string(text.begin(), text.end());
  }
}

TEST(DateTextTest, ShowsDatesAndNowFollowsTheClock) {
  platform::VirtualClock clock;  // 2026-01-01 12:00:00
  platform::ScopedClock useClock(clock);
  const double now = platform::Now();
  EXPECT_DOUBLE_EQ(now, *platform::EncodeDate(2026, 1, 1) + 0.5);
  EXPECT_EQ(platform::FormatDateTime(u"dd/mm/yyyy", now), u"01/01/2026");
  EXPECT_EQ(platform::FormatDateTime(u"d/m/yy hh:nn:ss", now - 1), u"31/12/25 12:00:00");
  EXPECT_EQ(platform::FormatDateTime(u"dd/mm/yyyy", *platform::StrToDate(u"7/3/2001")), u"07/03/2001");
}

TEST(DateTextTest, DirectoryExistsFollowsThePathMapping) {
  platform::testing::ScratchRoot root;
  std::filesystem::create_directories(root.driveC() + "/Products/Alpha");
  root.writeFile("Products/file.txt", "x");
  EXPECT_TRUE(DirectoryExists(u"C:\\Products\\Alpha"));
  EXPECT_TRUE(DirectoryExists(u"c:\\PRODUCTS\\alpha"));
  EXPECT_FALSE(DirectoryExists(u"C:\\Products\\file.txt"));
  EXPECT_FALSE(DirectoryExists(u"C:\\Products\\Beta"));
  EXPECT_FALSE(DirectoryExists(u""));
}

}  // namespace
