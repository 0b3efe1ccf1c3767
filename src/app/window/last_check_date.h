#pragma once
// The date of the last update check as the settings file keeps it: the date part only, in
// the short date format of the user's locale, always with a four-digit year (a two-digit
// year would read back as 19xx). In memory it is a day count since 30 December 1899.
#include <QDate>
#include <QLocale>
#include <string>

namespace velora::app {

// The locale's short date format with the year written in four digits.
QString ShortDateFormatFourDigitYear(const QLocale& locale);

// "" for 0 ("never").
std::string FormatLastCheck(double days, const QLocale& locale = QLocale::system());
// 0 when the text is not a date in that format.
double ParseLastCheck(const std::string& text, const QLocale& locale = QLocale::system());

// Now as a day count with the time of day as the fraction.
double NowAsDays();
double DaysOf(const QDate& date);

}  // namespace velora::app
