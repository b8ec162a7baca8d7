// qm738-cli: the meter and its collection files from a terminal, a script or
// a scheduled job, without a display.

#include "cli/commands.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

// The first Ctrl-C (or SIGTERM) stops at the next safe point: a page
// boundary, a reading. A second one ends the tool at once, for a tool stuck
// in a call that does not return.
void OnStopSignal(int)
{
    if (CliStopRequested.exchange(true))
        _exit(CliExit::Interrupted);
}

void InstallStopHandlers()
{
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no restart: a wait returns at once
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A closed pipe or a full file is a write error the commands report
    // (exit 5), not a signal that ends the tool without a word.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
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
        std::fprintf(stderr, "qm738-cli: a command is needed (scan, read, download, sets, export, publish, archive); see --help\n");
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
    if (first == QLatin1String("archive"))
        return RunArchive(args);
    std::fprintf(stderr, "qm738-cli: unknown command \"%s\"; see --help\n", qPrintable(first));
    return CliExit::Usage;
}
