#include "core/base/datetime.h"

#include <QLocale>
#include <cmath>

namespace {
const QDate kEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
// Day counts of 1 January 100 and 1 January 10000: the years a date-time text shows.
constexpr double kFirstDay = -657434.0;
constexpr double kEndDay = 2958466.0;
}

namespace DateTimeUtil {

double ToDays(const QDateTime &dt)
{
    const qint64 days = kEpoch.daysTo(dt.date());
    const double frac = dt.time().msecsSinceStartOfDay() / kMsPerDay;
    // Before the epoch the fraction still counts forward from the day's start,
    // as the day-count convention has it: -1.25 is 29 Dec 1899 06:00.
    return days >= 0 ? days + frac : days - frac;
}

void SplitDays(double days, QDate *date, QTime *time)
{
    // Checked before any conversion to an integer: a day count from a file
    // may be any double at all. Outside the years 100 to 9999 (and for NaN or
    // infinity) both parts are invalid, so every text of them is empty.
    if (!(days > kFirstDay - 1.0 && days < kEndDay + 1.0)) {
        *date = QDate();
        *time = QTime();
        return;
    }
    double whole = std::trunc(days);
    double frac = std::fabs(days - whole);
    qint64 ms = qRound64(frac * kMsPerDay);
    if (ms >= qint64(kMsPerDay)) { // rounding reached the next day
        ms -= qint64(kMsPerDay);
        whole += days >= 0 ? 1 : -1;
    }
    const QDate d = kEpoch.addDays(qint64(whole));
    if (d.year() < 100 || d.year() > 9999) {
        *date = QDate();
        *time = QTime();
        return;
    }
    *date = d;
    *time = QTime::fromMSecsSinceStartOfDay(int(ms));
}

QDateTime FromDays(double days)
{
    QDate date;
    QTime time;
    SplitDays(days, &date, &time);
    if (!date.isValid())
        return QDateTime();
    return QDateTime(date, time);
}

double Now()
{
    return ToDays(QDateTime::currentDateTime());
}

} // namespace DateTimeUtil

namespace LocaleUtil {

// The locale's long time format without the time-zone part ("HH:mm:ss").
QString LongTimeFormat()
{
    QString f = QLocale().timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (QChar c : f) {
        if (c == QChar('\''))
            quoted = !quoted;
        if (!quoted && c == QChar('t'))
            continue;
        out += c;
    }
    out = out.trimmed();
    return out.isEmpty() ? QStringLiteral("HH:mm:ss") : out;
}

QChar DecimalSeparator()
{
    const QString s = QLocale().decimalPoint();
    return s.isEmpty() ? QChar('.') : s.at(0);
}

bool DecimalIsComma()
{
    return DecimalSeparator() == QChar(',');
}

QString Fixed1(double value)
{
    return Fixed1(value, DecimalSeparator());
}

QString Fixed1(double value, QChar separator)
{
    // Round half away from zero on the decimal value the number stands for:
    // 23.45 (held as 23.4499999...) shows as 23.5.
    if (std::isfinite(value) && std::fabs(value) < 1e15)
        value = std::round(value * 10.0 * (1.0 + 1e-12)) / 10.0;
    QString s = QString::number(value, 'f', 1);
    if (s == QLatin1String("-0.0"))
        s = QStringLiteral("0.0");
    if (separator != QChar('.'))
        s.replace(QChar('.'), separator);
    return s;
}

QString ShortDate(double days)
{
    return QLocale().toString(DateTimeUtil::FromDays(days).date(), QLocale::ShortFormat);
}

QString LongTime(double days)
{
    return QLocale().toString(DateTimeUtil::FromDays(days).time(), LongTimeFormat());
}

QString DateTimeText(double days)
{
    const QDateTime dt = DateTimeUtil::FromDays(days);
    if (!dt.isValid())
        return QString();
    const QString date = QLocale().toString(dt.date(), QLocale::ShortFormat);
    if (dt.time() == QTime(0, 0))
        return date;
    return date + QLatin1Char(' ') + QLocale().toString(dt.time(), LongTimeFormat());
}

QString ValueAt(double value, double days)
{
    return Fixed1(value) + QLatin1Char('@') + DateTimeText(days);
}

} // namespace LocaleUtil
