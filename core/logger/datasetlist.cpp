#include "core/logger/datasetlist.h"

#include "core/base/datetime.h"
#include "core/logger/datasets.h"

QString DataSetRateText(int intervalSeconds)
{
    const QChar zero(QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(intervalSeconds / 60, 2, 10, zero).arg(intervalSeconds % 60, 2, 10, zero);
}

QString DataSetOffsetText(int storedByte, int unitCode, bool temperature)
{
    // The byte is a signed count of tenths: of %RH, or of degF for the two
    // temperatures, shown as a difference in degC unless the set is in degF.
    const int tenths = int(int8_t(uint8_t(storedByte)));
    const double value = !temperature || unitCode == 0 ? tenths * 0.1 : tenths * 5 / 90.0;
    return LocaleUtil::Fixed1(value);
}

QStringList DataSetRowTexts(const TDataSet &set, int index)
{
    static const char *couples = "KJETNRS";
    const bool knownCouple = set.coupleType >= 0 && set.coupleType <= 6;
    return {QString::number(index + 1),
            LocaleUtil::ShortDate(set.startTime),
            DateTimeUtil::FromDays(set.startTime).toString(QStringLiteral("HH:mm:ss")),
            DataSetRateText(set.intervalSeconds),
            QString::number(set.recordCount),
            set.unitCode <= 2 ? QString(QLatin1Char("FCK"[set.unitCode])) : QString(),
            QString(QLatin1Char(knownCouple ? couples[set.coupleType] : 'K')),
            DataSetOffsetText(set.rhOffset, set.unitCode, false),
            DataSetOffsetText(set.t1Offset, set.unitCode, true),
            DataSetOffsetText(set.t2Offset, set.unitCode, true)};
}
