#include "core/live/readingtext.h"

#include <cmath>

namespace {

bool Flagged(uint8_t status, int channel)
{
    return (status & (1u << channel)) || (status & (1u << (channel + 4)));
}

QString IsoTime(const QDateTime &time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString Number1(float value)
{
    return QString::number(double(value), 'f', 1);
}

// The five values as text: `outOfRange(k, value)` for a flagged measured
// channel, `missing` for a derived value that cannot be computed.
template <typename OutOfRange>
QStringList ValueTexts(const TLiveReading &r, OutOfRange outOfRange, const QString &missing)
{
    const float measured[3] = {r.rh, r.t1, r.t2};
    QStringList texts;
    for (int k = 0; k < 3; ++k)
        texts << (Flagged(r.status, k) ? outOfRange(k, measured[k]) : Number1(measured[k]));
    const bool derivedInvalid = Flagged(r.status, 0) || Flagged(r.status, 1)
                                || !std::isfinite(r.wetBulb) || !std::isfinite(r.dewPoint);
    texts << (derivedInvalid ? missing : Number1(r.wetBulb)) << (derivedInvalid ? missing : Number1(r.dewPoint));
    return texts;
}

} // namespace

QStringList FlaggedChannels(uint8_t status)
{
    static const char *names[] = {"RH", "T1", "T2"};
    QStringList flagged;
    for (int k = 0; k < 3; ++k) {
        if (Flagged(status, k))
            flagged << QLatin1String(names[k]);
    }
    return flagged;
}

QString ReadingUnitText(uint8_t unitCode)
{
    static const char *units[] = {"F", "C", "K"};
    return unitCode <= 2 ? QString(QLatin1String(units[unitCode])) : QString();
}

QString ReadingCsvHeader()
{
    return QStringLiteral("time,RH,T1,T2,WET BULB,DEW POINT,unit");
}

QString ReadingCsvLine(const TLiveReading &reading, const QDateTime &time)
{
    // Only the thermocouple has a side below its range; the graph draws a
    // flagged T2 under 0 as -OL.
    const auto outOfRange = [](int channel, float value) {
        return channel == 2 && value < 0 ? QStringLiteral("-OL") : QStringLiteral("OL");
    };
    return (QStringList{IsoTime(time)} + ValueTexts(reading, outOfRange, QString())
            + QStringList{ReadingUnitText(reading.unitCode)})
        .join(QLatin1Char(','));
}

QString ReadingJsonLine(const TLiveReading &reading, const QDateTime &time)
{
    const QString null = QStringLiteral("null");
    const QStringList v = ValueTexts(reading, [&null](int, float) { return null; }, null);
    QStringList flags;
    for (const QString &name : FlaggedChannels(reading.status))
        flags << QStringLiteral("\"%1\"").arg(name);
    return QStringLiteral("{\"time\":\"%1\",\"RH\":%2,\"T1\":%3,\"T2\":%4,\"WET BULB\":%5,\"DEW POINT\":%6,"
                          "\"unit\":\"%7\",\"flags\":[%8]}")
        .arg(IsoTime(time), v[0], v[1], v[2], v[3], v[4], ReadingUnitText(reading.unitCode),
             flags.join(QLatin1Char(',')));
}
