// The last-check date round-trips through the locale's short format with a four-digit year.
#include <gtest/gtest.h>

#include "window/last_check_date.h"

using namespace velora::app;

TEST(LastCheckDate, RoundTripsInEveryLocaleWithFourDigitYears) {
  const double day = DaysOf(QDate(2026, 3, 4));
  EXPECT_EQ(day, 46085);
  for (const char* name : {"en_US", "de_DE", "fr_FR", "ja_JP", "C"}) {
    const QLocale locale(name);
    const std::string text = FormatLastCheck(day + 0.75, locale);
    EXPECT_NE(text.find("2026"), std::string::npos) << name << ": " << text;
    EXPECT_EQ(ParseLastCheck(text, locale), day) << name << ": " << text;
  }
}

TEST(LastCheckDate, NeverAndUnreadableTextsAreZero) {
  EXPECT_EQ(FormatLastCheck(0), "");
  EXPECT_EQ(ParseLastCheck(""), 0);
  EXPECT_EQ(ParseLastCheck("not a date"), 0);
  EXPECT_EQ(ParseLastCheck("31/31/2026", QLocale("en_US")), 0);
}
