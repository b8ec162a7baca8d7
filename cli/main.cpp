// qm738-cli: the meter and its collection files from a terminal, a script or
// a scheduled job, without a display.

#include "cli/commands.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

void OnStopSignal(int)
{
    CliStopRequested = true;
}

void InstallStopHandlers()
{
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no restart: a wait returns at once
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The same settings as the program (UsbVendorId, UsbProductId).
    QCoreApplication::setOrganizationName(QStringLiteral("QM738"));
    QCoreApplication::setApplicationName(QStringLiteral("QM738"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QM738_VERSION));
    InstallStopHandlers();

    QStringList args = app.arguments().mid(1);
    const QString first = args.value(0);
    if (first.isEmpty()) {
        std::fprintf(stderr, "qm738-cli: a command is needed (scan, read, download, sets, export, publish); see --help\n");
        return CliExit::Usage;
    }
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        std::fputs(qPrintable(CliOverview()), stdout);
        return CliExit::Ok;
    }
    if (first == QLatin1String("--version") || first == QLatin1String("-v")) {
        std::printf("qm738-cli %s\n", QM738_VERSION);
        return CliExit::Ok;
    }
    args.removeFirst();
    if (first == QLatin1String("scan"))
        return RunScan(args);
    if (first == QLatin1String("read"))
        return RunRead(args);
    if (first == QLatin1String("download"))
        return RunDownload(args);
    if (first == QLatin1String("sets"))
        return RunSets(args);
    if (first == QLatin1String("export"))
        return RunExport(args);
    if (first == QLatin1String("publish"))
        return RunPublish(args);
    std::fprintf(stderr, "qm738-cli: unknown command \"%s\"; see --help\n", qPrintable(first));
    return CliExit::Usage;
}
