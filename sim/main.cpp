// qm738-meter-sim: a simulated meter on a pseudo-terminal, for trying the
// serial and Bluetooth paths of the program without a meter.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <pthread.h>

#include "sim/ptymeter.h"

namespace {

bool ParseFault(const QString &text, TSimFault &fault, int &count)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    const QString name = parts.value(0).trimmed().toLower();
    count = -1;
    if (parts.size() > 1) {
        bool ok = false;
        count = parts[1].toInt(&ok);
        if (!ok || count == 0)
            return false;
    }
    if (name == QLatin1String("bad-checksum")) fault = TSimFault::BadChecksum;
    else if (name == QLatin1String("lost-bytes")) fault = TSimFault::LostBytes;
    else if (name == QLatin1String("late")) fault = TSimFault::LateBytes;
    else if (name == QLatin1String("silence")) fault = TSimFault::Silence;
    else if (name == QLatin1String("wrong-identity")) fault = TSimFault::WrongIdentity;
    else if (name == QLatin1String("too-many")) fault = TSimFault::TooManyBytes;
    else if (name == QLatin1String("display-unset")) fault = TSimFault::DisplayUnset;
    else return false;
    return true;
}

// "kind@page" or "kind@page:count".
bool ParsePageFault(const QString &text, TSimPageFault &fault, int &page, int &count)
{
    const QStringList parts = text.split(QLatin1Char('@'));
    if (parts.size() != 2)
        return false;
    const QString name = parts[0].trimmed().toLower();
    const QStringList where = parts[1].split(QLatin1Char(':'));
    bool ok = false;
    page = where[0].toInt(&ok);
    if (!ok || page < 1)
        return false;
    count = 1;
    if (where.size() > 1) {
        count = where[1].toInt(&ok);
        if (!ok || count == 0)
            return false;
    }
    if (name == QLatin1String("bad-checksum")) fault = TSimPageFault::BadChecksum;
    else if (name == QLatin1String("cut-short")) fault = TSimPageFault::CutShort;
    else if (name == QLatin1String("no-reply")) fault = TSimPageFault::NoReply;
    else if (name == QLatin1String("bad-end")) fault = TSimPageFault::BadEnd;
    else if (name == QLatin1String("silence")) fault = TSimPageFault::SilenceFrom;
    else return false;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // SIGINT and SIGTERM are taken by sigwait below; block them before the
    // meter's thread starts so that it inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qm738-meter-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QM738_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated QM738 meter on a pseudo-terminal. Prints the port path and answers "
        "command frames at 9600 baud until interrupted."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption linkOpt(QStringLiteral("link"),
        QStringLiteral("Also make a symbolic link <path> to the port."), QStringLiteral("path"));
    const QCommandLineOption seedOpt(QStringLiteral("seed"),
        QStringLiteral("Seed of the drifting readings (default 1)."), QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption byteOpt(QStringLiteral("byte-us"),
        QStringLiteral("Microseconds per byte sent (default 1042 = 9600 baud; 0 = no pacing)."),
        QStringLiteral("us"), QStringLiteral("1042"));
    const QCommandLineOption faultOpt(QStringLiteral("fault"),
        QStringLiteral("Inject a fault: bad-checksum, lost-bytes, late, silence, wrong-identity, "
                       "too-many or display-unset, optionally :count for the next count replies (repeatable)."),
        QStringLiteral("name[:count]"));
    const QCommandLineOption lateOpt(QStringLiteral("late-ms"),
        QStringLiteral("Delay of a late reply in ms (default 700)."), QStringLiteral("ms"), QStringLiteral("700"));
    const QCommandLineOption unitOpt(QStringLiteral("unit"),
        QStringLiteral("Display unit at start: C, F or K (default C)."), QStringLiteral("unit"), QStringLiteral("C"));
    const QCommandLineOption typeOpt(QStringLiteral("type"),
        QStringLiteral("Thermocouple type: K J E T N R S (default K)."), QStringLiteral("type"), QStringLiteral("K"));
    const QCommandLineOption emptyOpt(QStringLiteral("empty-memory"),
        QStringLiteral("Start with an empty logger memory instead of three data sets."));
    const QCommandLineOption memoryOpt(QStringLiteral("memory"),
        QStringLiteral("Fill the logger memory with data sets up to <bytes> (\"full\" = 262144)."),
        QStringLiteral("bytes"));
    const QCommandLineOption pageFaultOpt(QStringLiteral("page-fault"),
        QStringLiteral("A fault of one page of a memory transfer: bad-checksum, cut-short, no-reply, bad-end "
                       "or silence (from that page on), at page n (1 = addresses 0-31), optionally :count "
                       "for that many replies of the page (repeatable)."),
        QStringLiteral("name@n[:count]"));
    const QCommandLineOption verboseOpt(QStringLiteral("verbose"),
        QStringLiteral("Print every frame and reply in hex on standard error."));
    parser.addOptions({linkOpt, seedOpt, byteOpt, faultOpt, lateOpt, unitOpt, typeOpt, emptyOpt, memoryOpt,
                       pageFaultOpt, verboseOpt});
    parser.process(app);

    auto meter = std::make_shared<TSimMeter>(parser.value(seedOpt).toUInt());
    if (parser.isSet(emptyOpt))
        meter->ClearMemory();
    if (parser.isSet(memoryOpt)) {
        const QString value = parser.value(memoryOpt).trimmed().toLower();
        bool ok = value == QLatin1String("full");
        const int bytes = ok ? TSimMeter::MemorySize : value.toInt(&ok);
        if (!ok) {
            std::fprintf(stderr, "qm738-meter-sim: --memory wants a byte count or \"full\"\n");
            return 2;
        }
        meter->FillMemory(bytes);
    }
    for (const QString &f : parser.values(pageFaultOpt)) {
        TSimPageFault fault;
        int page = 0, count = 1;
        if (!ParsePageFault(f, fault, page, count)) {
            std::fprintf(stderr, "qm738-meter-sim: unknown page fault \"%s\"\n", qPrintable(f));
            return 2;
        }
        meter->InjectPageFault(page, fault, count);
    }
    meter->SetLateMs(parser.value(lateOpt).toInt());
    const QString unit = parser.value(unitOpt).toUpper();
    meter->SetUnitCode(unit == QLatin1String("F") ? 0 : unit == QLatin1String("K") ? 2 : 1);
    const int type = QStringLiteral("KJETNRS").indexOf(parser.value(typeOpt).toUpper());
    meter->SetCoupleType(uint8_t(type < 0 ? 0 : type));
    for (const QString &f : parser.values(faultOpt)) {
        TSimFault fault;
        int count = -1;
        if (!ParseFault(f, fault, count)) {
            std::fprintf(stderr, "qm738-meter-sim: unknown fault \"%s\"\n", qPrintable(f));
            return 2;
        }
        meter->InjectFault(fault, count);
    }

    TPtyMeter pty(meter);
    pty.SetByteTimeUs(parser.value(byteOpt).toInt());
    if (parser.isSet(verboseOpt))
        pty.SetLog([](const QString &line) { std::fprintf(stderr, "%s\n", qPrintable(line)); });
    QString error;
    if (!pty.Start(&error)) {
        std::fprintf(stderr, "qm738-meter-sim: %s\n", qPrintable(error));
        return 1;
    }
    if (parser.isSet(linkOpt) && !pty.MakeLink(parser.value(linkOpt), &error)) {
        std::fprintf(stderr, "qm738-meter-sim: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(pty.PortPath()));
    std::fflush(stdout);

    int sig = 0;
    sigwait(&stopSignals, &sig);
    pty.Stop();
    return 0;
}
