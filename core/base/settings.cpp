#include "core/base/settings.h"

#include "core/base/appstate.h"

#include <QSettings>

namespace {

int ReadInt(QSettings &s, const char *name, int fallback)
{
    const QVariant v = s.value(QLatin1String(name));
    if (!v.isValid())
        return fallback;
    bool ok = false;
    int value = 0;
    if (v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray)
        value = v.toString().trimmed().toInt(&ok);
    else if (v.canConvert<int>() && (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong
                                     || v.typeId() == QMetaType::UInt))
        value = v.toInt(&ok);
    return ok ? value : fallback;
}

} // namespace

void ReadSettings(TAppState &state)
{
    QSettings s(QStringLiteral("QM738"), QStringLiteral("QM738"));
    state.RealTimeRate = ReadInt(s, "RealTimeRate", 2);
    // A new annotation must show on the graph's black background: without a
    // stored colour it is white. A stored value is used as it is, black included.
    state.AnnoColor = ReadInt(s, "AnnoColor", kDefaultAnnoColor);
}

void WriteSettings(const TAppState &state)
{
    QSettings s(QStringLiteral("QM738"), QStringLiteral("QM738"));
    s.setValue(QStringLiteral("RealTimeRate"), state.RealTimeRate);
    s.setValue(QStringLiteral("AnnoColor"), state.AnnoColor);
    s.sync(); // a failed write is not reported
}
