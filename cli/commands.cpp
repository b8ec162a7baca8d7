#include "cli/commands.h"
#include "cli/session.h"

#include "core/archive/archive.h"
#include "core/base/appstate.h"
#include "core/base/datetime.h"
#include "core/files/collectionfile.h"
#include "core/files/textformat.h"
#include "core/link/discovery.h"
#include "core/link/frames.h"
#include "core/link/meterlink.h"
#include "core/link/nullview.h"
#include "core/link/serialtransport.h"
#include "core/link/supervisor.h"
#include "core/link/usbfactory.h"
#include "core/live/decoder.h"
#include "core/live/readingtext.h"
#include "core/logger/datasetdecoder.h"
#include "core/logger/datasetlist.h"
#include "core/logger/download.h"
#include "sim/simusbbackend.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>

std::atomic<bool> CliStopRequested{false};

namespace {

// ---- progress ----------------------------------------------------------------

// The download's progress bar on standard error, drawn only on a terminal.
class TProgressBar {
public:
    TProgressBar() : Enabled(isatty(STDERR_FILENO) != 0) {}

    void Show(int size)
    {
        Total = size;
        Clock.start();
        Draw(0, true);
    }
    void Set(int bytes) { Draw(bytes, bytes >= Total); }
    void Close()
    {
        if (Enabled && Drawn)
            std::fputc('\n', stderr);
        Drawn = false;
    }

private:
    void Draw(int bytes, bool force)
    {
        if (!Enabled || Total <= 0 || (!force && Drawn && LastDraw.elapsed() < 100))
            return;
        LastDraw.start();
        Drawn = true;
        const int width = 30;
        const int filled = int(qint64(bytes) * width / Total);
        const double seconds = std::max<qint64>(Clock.elapsed(), 1) / 1000.0;
        const double rate = bytes / seconds;
        const int left = rate > 0 ? int((Total - bytes) / rate + 0.5) : 0;
        std::fprintf(stderr, "\r[%s%s] %d/%d bytes %3d %% %5.0f B/s %d:%02d left ",
                     QByteArray(filled, '#').constData(), QByteArray(width - filled, '-').constData(), bytes,
                     Total, int(qint64(bytes) * 100 / Total), rate, left / 60, left % 60);
        std::fflush(stderr);
    }

    bool Enabled;
    bool Drawn = false;
    int Total = 0;
    QElapsedTimer Clock;
    QElapsedTimer LastDraw;
};

// ---- collection files ------------------------------------------------------

// Reads and decodes a collection as File > Open does. An exit code.
int LoadCollection(const char *command, const QString &path, TLoggerStore &store)
{
    QByteArray image;
    QString error;
    if (!ReadCollectionFile(path, &image, &error)) {
        Fail(command, QStringLiteral("cannot read %1: %2").arg(path, error));
        return CliExit::File;
    }
    const int result = DecodeDataSets(image, store, QDateTime::currentDateTime());
    if (result != DecodeOk) {
        // A file of another kind most often reads as a memory announcing
        // thousands of data sets; say what the command expects instead.
        Fail(command, result == DecodeTooManySets
                          ? QStringLiteral("%1 is not a data set collection (.738)").arg(path)
                          : QStringLiteral("%1 is not a data set collection: it holds no data set").arg(path));
        return CliExit::File;
    }
    return CliExit::Ok;
}

} // namespace

QString CliOverview()
{
    return QStringLiteral(
        "Usage: qm738-cli COMMAND [options]\n"
        "The QM738 thermometer and hygrometer and its data set collections (.738) from a terminal.\n"
        "\n"
        "Commands:\n"
        "  scan                     the meters that answer, on USB and on every serial port\n"
        "  read                     live readings as CSV or JSON lines\n"
        "  download [-o FILE.738]   the logger memory into the archive (and a collection file)\n"
        "  sets FILE.738            the data sets of a collection\n"
        "  export FILE.738          a data set (or all) as TXT or CSV lines\n"
        "  publish --broker URL     live readings to an MQTT broker (Home Assistant discovery too)\n"
        "  archive list|import|export|note\n"
        "                           the archive of every download: list, add collections, export a date range\n"
        "  qm738-cli COMMAND --help shows the options of a command.\n"
        "\n"
        "Options:\n"
        "  -h, --help               Shows this help.\n"
        "  -v, --version            Shows the version.\n"
        "\n"
        "Exit codes:\n"
        "  0    success\n"
        "  2    bad usage (unknown command or option, bad value, set number out of range)\n"
        "  3    no meter found (or the port is unknown or in use)\n"
        "  4    transfer error (the download's result code is printed on stderr)\n"
        "  5    a file could not be read, was rejected, or could not be written, or standard output could not\n"
        "       be written, or the archive was refused or could not be written\n"
        "  6    the broker refused the credentials, its certificate did not verify, or its host is unknown\n"
        "  130  interrupted (SIGINT, SIGTERM)\n"
        "\n"
        "Environment: QM738_EXTRA_PORTS (more ports, colon-separated), QM738_DEMO_METER=usb (the simulated\n"
        "USB meter), QM738_LINK_LOG (a hex dump of every frame), QM738_MQTT_PASSWORD (the broker's password),\nQM738_ARCHIVE (the archive file).\n");
}

int RunScan(const QStringList &args)
{
    QCommandLineParser parser;
    const int parsed = Parse(parser, "scan",
                             QStringLiteral("qm738-cli scan\nLists the meters that answer the identity probe: "
                                            "link, port and answer, one line each, tab-separated.\n"
                                            "USB first, then every serial port the system lists, then the paths "
                                            "in QM738_EXTRA_PORTS\n(colon-separated): put a port the system does "
                                            "not list there, e.g.\n  QM738_EXTRA_PORTS=/dev/rfcomm0:/tmp/meter "
                                            "qm738-cli scan"),
                             args);
    if (parsed >= 0)
        return parsed;

    int found = 0;
    TMeterSession session;
    session.supervisor.MainTimerTimer(); // the poll cycle's USB probe
    if (session.state.UsbLink) {
        const TUsbIds ids = session.link.UsbIds();
        std::printf("usb\t%04x:%04x\t%s\n", ids.vendorId, ids.productId, qPrintable(IdentityText(session.buffers.Reply)));
        if (FlushOutput("scan") != CliExit::Ok)
            return CliExit::File;
        ++found;
    }
    for (const QString &port : ListSerialPorts()) {
        if (CliStopRequested)
            return CliExit::Interrupted;
        session.serial.SetDeviceName(port);
        if (!session.serial.Open())
            continue;
        if (session.discovery.ProbePort()) {
            std::printf("serial\t%s\t%s\n", qPrintable(session.serial.SystemLocation()),
                        qPrintable(IdentityText(session.buffers.Reply)));
            if (FlushOutput("scan") != CliExit::Ok)
                return CliExit::File;
            ++found;
        }
        session.serial.Close();
    }
    if (found == 0) {
        Fail("scan", QStringLiteral("no meter found on USB or on a serial port"));
        return CliExit::NoMeter;
    }
    return CliExit::Ok;
}

int RunRead(const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption countOpt({QStringLiteral("n"), QStringLiteral("count")},
                                      QStringLiteral("Stop after N readings; 0 (the default) reads until "
                                                     "interrupted."),
                                      QStringLiteral("N"));
    const QCommandLineOption intervalOpt({QStringLiteral("i"), QStringLiteral("interval")},
                                         QStringLiteral("Seconds between readings, 0.5 to 86400 (default 1)."),
                                         QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption formatOpt({QStringLiteral("f"), QStringLiteral("format")},
                                       QStringLiteral("csv (a header line, then one line per reading) or json "
                                                      "(one object per line); default csv."),
                                       QStringLiteral("csv|json"), QStringLiteral("csv"));
    parser.addOptions({PortOption, UsbOption, countOpt, intervalOpt, formatOpt});
    const int parsed = Parse(parser, "read",
                             QStringLiteral("qm738-cli read [--port P | --usb] [--count N] [--interval S] "
                                            "[--format csv|json]\nLive readings: time, RH, T1, T2, WET BULB, "
                                            "DEW POINT and unit. A meter that stops answering is reported on "
                                            "stderr and read again when it answers."),
                             args);
    if (parsed >= 0)
        return parsed;

    bool ok = true;
    const int count = parser.isSet(countOpt) ? parser.value(countOpt).toInt(&ok) : 0;
    if (!ok || count < 0) {
        Fail("read", QStringLiteral("--count wants a whole number of readings"));
        return CliExit::Usage;
    }
    double interval = 0;
    if (!IntervalSeconds("read", parser.value(intervalOpt), &interval))
        return CliExit::Usage;
    const QString format = parser.value(formatOpt).toLower();
    if (format != QLatin1String("csv") && format != QLatin1String("json")) {
        Fail("read", QStringLiteral("--format is csv or json"));
        return CliExit::Usage;
    }
    const bool json = format == QLatin1String("json");

    TMeterSession session;
    const int connected = session.Connect("read", parser);
    if (connected != CliExit::Ok)
        return connected;

    if (!json) {
        std::puts(qPrintable(ReadingCsvHeader()));
        if (FlushOutput("read") != CliExit::Ok)
            return CliExit::File;
    }
    const qint64 step = qint64(interval * 1000 + 0.5);
    QElapsedTimer clock;
    clock.start();
    qint64 next = 0;
    int printed = 0;
    bool answering = true;
    while (!CliStopRequested && (count == 0 || printed < count)) {
        session.Tick();
        if (session.state.Connected != answering) {
            answering = session.state.Connected;
            Fail("read", answering ? QStringLiteral("the meter answers again")
                                   : QStringLiteral("the meter stopped answering; reading again when it answers"));
        }
        if (session.fresh) {
            const QDateTime now = QDateTime::currentDateTime();
            const QString line = json ? ReadingJsonLine(session.reading, now) : ReadingCsvLine(session.reading, now);
            std::puts(qPrintable(line));
            if (FlushOutput("read") != CliExit::Ok)
                return CliExit::File;
            ++printed;
            if (count != 0 && printed >= count)
                break;
        }
        next += step;
        SleepUntil(clock, next);
        if (clock.elapsed() > next + step)
            next = clock.elapsed(); // a slow exchange does not make a burst of readings
    }
    return CliStopRequested ? CliExit::Interrupted : CliExit::Ok;
}

int RunDownload(const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption outOpt({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The collection file to write (FILE.738)."),
                                    QStringLiteral("FILE.738"));
    const QCommandLineOption noArchiveOpt(QStringLiteral("no-archive"),
                                          QStringLiteral("Do not add the download to the archive."));
    parser.addOptions({PortOption, UsbOption, outOpt, noArchiveOpt, ArchiveOption});
    const int parsed = Parse(parser, "download",
                             QStringLiteral("qm738-cli download [--port P | --usb] [-o FILE.738] [--no-archive] "
                                            "[--archive FILE]\nDownloads the logger memory into the archive (in "
                                            "one transaction; it says how many sets were new) and, with -o, into "
                                            "a collection file, written whole or not at all. Ctrl-C stops at the "
                                            "next page and leaves an existing file and the archive as they were."),
                             args);
    if (parsed >= 0)
        return parsed;
    const QString out = parser.value(outOpt);
    const bool archiving = !parser.isSet(noArchiveOpt);
    if ((out.isEmpty() && !archiving) || !parser.positionalArguments().isEmpty()) {
        Fail("download", QStringLiteral("the output file is named with -o FILE.738 (needed with --no-archive), "
                                        "and nothing else"));
        return CliExit::Usage;
    }
    const QFileInfo target(out);
    if (!out.isEmpty() && (target.isDir() || !target.absoluteDir().exists())) {
        Fail("download", QStringLiteral("cannot write %1: %2").arg(out, target.isDir() ? QStringLiteral("it is a folder")
                                                                                      : QStringLiteral("no such folder")));
        return CliExit::File;
    }

    // A refused archive is said before the transfer, not after it.
    TArchive archive;
    if (archiving) {
        const int opened = OpenArchive("download", parser, archive);
        if (opened != CliExit::Ok)
            return opened;
    }

    TMeterSession session;
    const int connected = session.Connect("download", parser);
    if (connected != CliExit::Ok)
        return connected;
    // The link and the meter's identity as the connection found them.
    const TArchiveSource source{session.port.isEmpty() ? QStringLiteral("usb") : QStringLiteral("serial"), session.port,
                                IdentityText(session.buffers.IdentityReply)};
    // One live reading first: a meter recording into its memory is not
    // downloaded, as in the program.
    session.Tick();
    if (!session.fresh)
        session.Tick();
    if (CliStopRequested)
        return CliExit::Interrupted;
    if (session.fresh && session.reading.loggerRecording) {
        Fail("download", QStringLiteral("the meter is recording into its memory; stop the recording first"));
        return CliExit::Transfer;
    }

    TProgressBar bar;
    TTransferProgress progress;
    progress.Show = [&bar](int size) { bar.Show(size); };
    progress.SetBytesReceived = [&bar](int bytes) { bar.Set(bytes); };
    progress.CancelRequested = [] { return CliStopRequested.load(); };
    progress.Close = [&bar](bool) { bar.Close(); };

    QString writeError;
    TDataSetSteps steps;
    steps.DecodeMemoryImage = [](const QByteArray &image) {
        TLoggerStore store;
        return DecodeDataSets(image, store, QDateTime::currentDateTime());
    };
    QByteArray downloaded;
    steps.WriteTempCollection = [&](const QByteArray &image, int count) {
        downloaded = image.left(std::max(0, count));
        return out.isEmpty() || WriteFileWhole(out, downloaded, &writeError);
    };
    TMemoryDownload download(session.link, steps, progress);
    const int result = download.DownloadMemory();
    bar.Close();

    if (result == DownloadResult::Cancelled) {
        Fail("download", QStringLiteral("interrupted; %1 was left as it was").arg(out));
        return CliExit::Interrupted;
    }
    if (result == DownloadResult::NoData || result == DownloadResult::TooManyDataSets) {
        Fail("download", QStringLiteral("the meter's memory holds no readable data set (result code %1)").arg(result));
        return CliExit::Transfer;
    }
    if (result == DownloadResult::NotKept) {
        Fail("download", QStringLiteral("cannot write %1: %2").arg(out, writeError));
        return CliExit::File;
    }
    if (result != DownloadResult::Ok) {
        SendAbortTransfer(session.link);
        Fail("download", QStringLiteral("the transfer failed, result code %1").arg(result));
        return CliExit::Transfer;
    }
    if (archiving) {
        TArchiveImport report;
        QString error;
        if (!archive.Import(downloaded, source, &report, &error)) {
            Fail("download", QStringLiteral("cannot add the download to the archive %1: %2").arg(archive.Path(), error));
            return CliExit::File;
        }
        std::printf("archived: %s\n", qPrintable(ImportSummary(report)));
        for (const QString &skipped : std::as_const(report.skipped))
            Fail("download", QStringLiteral("not archived: %1").arg(skipped));
        return FlushOutput("download");
    }
    return CliExit::Ok;
}

int RunSets(const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption formatOpt({QStringLiteral("f"), QStringLiteral("format")},
                                       QStringLiteral("table or json; default table."),
                                       QStringLiteral("table|json"), QStringLiteral("table"));
    parser.addOption(formatOpt);
    parser.addPositionalArgument(QStringLiteral("FILE.738"), QStringLiteral("The data set collection."));
    const int parsed = Parse(parser, "sets",
                             QStringLiteral("qm738-cli sets FILE.738 [--format table|json]\nThe data sets of a "
                                            "collection, with the columns of the program's list."),
                             args);
    if (parsed >= 0)
        return parsed;
    const QString format = parser.value(formatOpt).toLower();
    if (parser.positionalArguments().size() != 1
        || (format != QLatin1String("table") && format != QLatin1String("json"))) {
        Fail("sets", QStringLiteral("one FILE.738 is needed, and --format is table or json"));
        return CliExit::Usage;
    }
    TLoggerStore store;
    const int loaded = LoadCollection("sets", parser.positionalArguments().first(), store);
    if (loaded != CliExit::Ok)
        return loaded;

    static const char *titles[10] = {"Set", "DATE", "TIME", "Rate", "Nums", "Unit", "Couple",
                                     "RH Offset", "T1 Offset", "T2 Offset"};
    if (format == QLatin1String("json")) {
        QJsonArray sets;
        for (int i = 0; i < store.DataSets.size(); ++i) {
            const TDataSet &set = store.DataSets.at(i);
            const QStringList cells = DataSetRowTexts(set, i);
            QJsonObject o;
            o.insert(QStringLiteral("set"), i + 1);
            o.insert(QStringLiteral("start"), DateTimeUtil::FromDays(set.startTime).toString(Qt::ISODate));
            o.insert(QStringLiteral("rate"), cells.at(3));
            o.insert(QStringLiteral("intervalSeconds"), set.intervalSeconds);
            o.insert(QStringLiteral("count"), set.recordCount);
            o.insert(QStringLiteral("unit"), cells.at(5));
            o.insert(QStringLiteral("couple"), cells.at(6));
            o.insert(QStringLiteral("rhOffset"), cells.at(7));
            o.insert(QStringLiteral("t1Offset"), cells.at(8));
            o.insert(QStringLiteral("t2Offset"), cells.at(9));
            sets.append(o);
        }
        std::fputs(QJsonDocument(sets).toJson(QJsonDocument::Indented).constData(), stdout);
        return FlushOutput("sets");
    }
    QVector<QStringList> rows;
    rows.append(QStringList());
    for (const char *title : titles)
        rows.first().append(QLatin1String(title));
    for (int i = 0; i < store.DataSets.size(); ++i)
        rows.append(DataSetRowTexts(store.DataSets.at(i), i));
    QVector<int> widths(10, 0);
    for (const QStringList &row : std::as_const(rows))
        for (int c = 0; c < 10; ++c)
            widths[c] = std::max(widths[c], int(row.value(c).size()));
    for (const QStringList &row : std::as_const(rows)) {
        QString line;
        for (int c = 0; c < 10; ++c)
            line += (c == 0 ? QString() : QStringLiteral("  ")) + row.value(c).leftJustified(widths[c]);
        std::puts(qPrintable(line.trimmed()));
    }
    return FlushOutput("sets");
}

int RunExport(const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption setOpt({QStringLiteral("s"), QStringLiteral("set")},
                                    QStringLiteral("The data set, from 1 (default 1)."), QStringLiteral("N"));
    const QCommandLineOption allOpt({QStringLiteral("a"), QStringLiteral("all")},
                                    QStringLiteral("Every data set, one file each (FILE-N.txt or .csv)."));
    const QCommandLineOption outOpt({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The file to write, or a folder (default: standard output; "
                                                   "with --all the current folder)."),
                                    QStringLiteral("OUT|DIR"));
    parser.addOptions({setOpt, allOpt, ExportFormatOption, outOpt, LocaleOption});
    parser.addPositionalArgument(QStringLiteral("FILE.738"), QStringLiteral("The data set collection."));
    const int parsed = Parse(parser, "export",
                             QStringLiteral("qm738-cli export FILE.738 [--set N | --all] [--format txt|csv] "
                                            "[-o OUT | -o DIR] [--locale NAME]\nA data set's lines as the "
                                            "program's graph export writes them."),
                             args);
    if (parsed >= 0)
        return parsed;
    if (parser.positionalArguments().size() != 1) {
        Fail("export", QStringLiteral("one FILE.738 is needed"));
        return CliExit::Usage;
    }
    if (parser.isSet(LocaleOption) && !ApplyLocaleOption("export", parser.value(LocaleOption)))
        return CliExit::Usage;
    const QString out = parser.value(outOpt);
    const bool toFolder = parser.isSet(allOpt) || (!out.isEmpty() && QFileInfo(out).isDir());
    QString format = parser.value(ExportFormatOption).toLower();
    // Standard output gets tab-separated text unless told otherwise.
    if (format.isEmpty() && !toFolder)
        format = out.isEmpty() ? QStringLiteral("txt") : QFileInfo(out).suffix().toLower();
    if (format != QLatin1String("txt") && format != QLatin1String("csv")) {
        Fail("export", QStringLiteral("--format is txt or csv"));
        return CliExit::Usage;
    }
    // CSV takes ";" in a decimal-comma locale, as the program writes it.
    const QChar separator = TextFormat::GraphSeparatorFor(QStringLiteral("x.") + format);
    if (parser.isSet(allOpt) && parser.isSet(setOpt)) {
        Fail("export", QStringLiteral("--set and --all exclude each other"));
        return CliExit::Usage;
    }

    const QString path = parser.positionalArguments().first();
    TLoggerStore store;
    const int loaded = LoadCollection("export", path, store);
    if (loaded != CliExit::Ok)
        return loaded;
    const int n = int(store.DataSets.size());
    QVector<int> chosen;
    if (parser.isSet(allOpt)) {
        for (int d = 0; d < n; ++d)
            chosen.append(d);
    } else {
        bool ok = true;
        const int set = parser.isSet(setOpt) ? parser.value(setOpt).toInt(&ok) : 1;
        if (!ok || set < 1 || set > n) {
            Fail("export", QStringLiteral("there is no data set %1: %2 holds data sets 1 to %3")
                               .arg(parser.value(setOpt), path)
                               .arg(n));
            return CliExit::Usage;
        }
        chosen.append(set - 1);
    }

    const QString folder = toFolder ? (out.isEmpty() ? QStringLiteral(".") : out) : QString();
    if (!folder.isEmpty() && !QDir().mkpath(folder)) {
        Fail("export", QStringLiteral("cannot create the folder %1").arg(folder));
        return CliExit::File;
    }
    for (int d : std::as_const(chosen)) {
        const QByteArray lines = TextFormat::DataSetExportText(store, d, separator);
        if (folder.isEmpty() && out.isEmpty()) {
            std::fwrite(lines.constData(), 1, size_t(lines.size()), stdout);
            if (FlushOutput("export") != CliExit::Ok)
                return CliExit::File;
            continue;
        }
        const QString file = folder.isEmpty()
            ? out
            : QDir(folder).filePath(QStringLiteral("%1-%2.%3").arg(QFileInfo(path).completeBaseName()).arg(d + 1).arg(format));
        QString error;
        if (!WriteFileWhole(file, lines, &error)) {
            Fail("export", QStringLiteral("cannot write %1: %2").arg(file, error));
            return CliExit::File;
        }
    }
    return FlushOutput("export");
}
