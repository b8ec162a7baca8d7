#pragma once
// Date-times as days since 30 December 1899 (fraction = time of day), and the
// locale-dependent number and date texts used throughout the program.

#include <QDateTime>
#include <QString>

namespace DateTimeUtil {

double ToDays(const QDateTime &dt);        // local date-time to day count
// Day count to local date-time; invalid outside the years 100 to 9999 (and for
// NaN or infinity), so that every text of such a date-time is empty.
QDateTime FromDays(double days);
// Day count to its date and time of day, without building a QDateTime; both
// invalid where FromDays is.
void SplitDays(double days, QDate *date, QTime *time);
double Now();                              // the current local date-time as a day count

} // namespace DateTimeUtil

namespace LocaleUtil {

QChar DecimalSeparator();
bool DecimalIsComma();
QString Fixed1(double value);              // fixed notation, one decimal, locale separator
QString Fixed1(double value, QChar separator); // the same with the separator given (a loop looks it up once)
QString ShortDate(double days);
QString LongTime(double days);
// The long time format as dates are written with it (no time-zone part).
QString LongTimeFormat();
// Short date, a blank and long time; the time is left out when it is exactly midnight.
QString DateTimeText(double days);
// value@date-time, as the statistics show a maximum or minimum.
QString ValueAt(double value, double days);

} // namespace LocaleUtil
