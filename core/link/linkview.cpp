#include "core/link/linkview.h"

QString LinkCommandName(TLinkCommand command)
{
    switch (command) {
    case TLinkCommand::BtnRun: return QStringLiteral("btnRun");
    case TLinkCommand::Run1: return QStringLiteral("Run1");
    case TLinkCommand::BtnStop: return QStringLiteral("btnStop");
    case TLinkCommand::Stop1: return QStringLiteral("Stop1");
    case TLinkCommand::BtnDataLogger: return QStringLiteral("btnDataLogger");
    case TLinkCommand::DataLogger1: return QStringLiteral("DataLogger1");
    case TLinkCommand::RealTimeClear: return QStringLiteral("tbntClr");
    }
    return QString();
}

QString DefaultLinkText(const QString &key)
{
    if (key == QLatin1String("IDS_4"))
        return QStringLiteral("Connexion Off");
    if (key == QLatin1String("IDS_40"))
        return QStringLiteral("Connexion On");
    if (key == QLatin1String("IDS_42"))
        return QStringLiteral("Pas de connexion");
    return QString();
}
