#include "window/last_check_date.h"

#include <QDateTime>
#include <QRegularExpression>
#include <cmath>

namespace velora::app {

namespace {

const QDate kDayZero(1899, 12, 30);

}  // namespace

QString ShortDateFormatFourDigitYear(const QLocale& locale) {
  QString format = locale.dateFormat(QLocale::ShortFormat);
  if (!format.contains("yyyy")) format.replace(QRegularExpression("y+"), "yyyy");
  return format;
}

double DaysOf(const QDate& date) {
  return static_cast<double>(kDayZero.daysTo(date));
}

double NowAsDays() {
  const QDateTime now = QDateTime::currentDateTime();
  return DaysOf(now.date()) + now.time().msecsSinceStartOfDay() / 86400000.0;
}

std::string FormatLastCheck(double days, const QLocale& locale) {
  if (days == 0 || !std::isfinite(days)) return "";
  const QDate date = kDayZero.addDays(static_cast<qint64>(std::floor(days)));
  return locale.toString(date, ShortDateFormatFourDigitYear(locale)).toStdString();
}

double ParseLastCheck(const std::string& text, const QLocale& locale) {
  const QDate date =
      locale.toDate(QString::fromStdString(text).trimmed(), ShortDateFormatFourDigitYear(locale));
  return date.isValid() ? DaysOf(date) : 0;
}

}  // namespace velora::app
