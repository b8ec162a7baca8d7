#include "core/files/exportunits.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace {

constexpr int kKept = 50;

QString Key(const QFileInfo &info) { return info.absoluteFilePath(); }

// "unit|size|modified (ms since the epoch)": the file as it was written.
QString Stamp(const QFileInfo &info, const QString &unit)
{
    return QStringLiteral("%1|%2|%3").arg(unit).arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch());
}

} // namespace

void RememberExportUnit(const QString &path, const QString &unit)
{
    const QFileInfo info(path);
    if (unit.isEmpty() || !info.isFile())
        return;
    QSettings s(QStringLiteral("QM738"), QStringLiteral("QM738"));
    QStringList paths = s.value(QStringLiteral("ExportedUnits/Paths")).toStringList();
    QStringList stamps = s.value(QStringLiteral("ExportedUnits/Stamps")).toStringList();
    const qsizetype at = paths.indexOf(Key(info));
    if (at >= 0 && at < stamps.size()) {
        paths.removeAt(at);
        stamps.removeAt(at);
    }
    paths.prepend(Key(info));
    stamps.prepend(Stamp(info, unit));
    s.setValue(QStringLiteral("ExportedUnits/Paths"), QStringList(paths.mid(0, kKept)));
    s.setValue(QStringLiteral("ExportedUnits/Stamps"), QStringList(stamps.mid(0, kKept)));
}

QString ExportedUnitOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return QString();
    QSettings s(QStringLiteral("QM738"), QStringLiteral("QM738"));
    const QStringList paths = s.value(QStringLiteral("ExportedUnits/Paths")).toStringList();
    const QStringList stamps = s.value(QStringLiteral("ExportedUnits/Stamps")).toStringList();
    const qsizetype at = paths.indexOf(Key(info));
    if (at < 0 || at >= stamps.size())
        return QString();
    const QString stamp = stamps.at(at);
    const QString unit = stamp.section(QLatin1Char('|'), 0, 0);
    return stamp == Stamp(info, unit) ? unit : QString();
}
