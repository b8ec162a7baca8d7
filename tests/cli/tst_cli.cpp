// qm738-cli run as a separate program against the simulated meters (the
// in-process USB meter and the serial meter on a pseudo-terminal); what it
// downloads and exports is compared with what the program's own download
// and graph export make of the same meter and the same data set.

#include "../graph/graphtestsupport.h"
#include "../testregistry.h"

#include "core/base/appstate.h"
#include "core/base/datetime.h"
#include "core/files/textformat.h"
#include "gui/files/texttable.h"
#include "gui/graph/window/graph.h"
#include "core/link/discovery.h"
#include "core/link/meterlink.h"
#include "core/link/nullview.h"
#include "core/link/serialtransport.h"
#include "core/link/supervisor.h"
#include "core/live/decoder.h"
#include "core/logger/datasetdecoder.h"
#include "core/logger/download.h"
#include "gui/logger/loggergraph.h"
#include "gui/base/scope.h"
#include "sim/ptymeter.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <mutex>

namespace {

struct TRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

TRun RunCli(const QStringList &args, const QStringList &env = {}, QProcess *started = nullptr)
{
    QProcess own;
    QProcess &p = started ? *started : own;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.remove(QStringLiteral("QM738_DEMO_METER"));
    for (const QString &pair : env) {
        // STDOUT=FILE sends standard output to a file (/dev/full) instead.
        if (pair.startsWith(QLatin1String("STDOUT=")))
            p.setStandardOutputFile(pair.mid(7));
        else
            e.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    }
    p.setProcessEnvironment(e);
    p.start(QStringLiteral(QM738_CLI_PATH), args);
    TRun run;
    if (started)
        return run;
    if (!p.waitForFinished(120000))
        p.kill();
    run.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    return run;
}

QByteArray FileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The program's download (as Data Logger > Load runs it) from a serial meter:
// the image it writes to the temporary collection.
QByteArray ProgramDownload(const QString &port)
{
    TAppState state;
    TLinkBuffers buffers;
    TSerialTransport serial;
    TNullView view;
    TLiveReading reading;
    TMeterLink link(state, buffers);
    link.SetSerialTransport(&serial);
    TConnectionSupervisor supervisor(state, link, view, reading);
    TPortDiscovery discovery(state, link, supervisor, view);
    discovery.ComboBoxDeviceNameChange(port);
    QByteArray written;
    TDataSetSteps steps = BindDataSetSteps();
    steps.PrepareLoggerGraphWindow = nullptr;
    steps.GraphDataSet = nullptr;
    steps.WriteTempCollection = [&](const QByteArray &image, int count) {
        written = image.left(count);
        return true;
    };
    TMemoryDownload download(link, steps);
    return download.DownloadMemory() == DownloadResult::Ok ? written : QByteArray();
}

// The program's graph export of data set d: graphed in a logger window, all
// points chosen in the range dialog.
QByteArray ProgramExport(const QByteArray &image, int d, const QString &path)
{
    TLoggerStore store;
    if (DecodeDataSets(image, store, QDateTime::currentDateTime()) != DecodeOk)
        return QByteArray();
    GraphTest::Answers answers;
    answers.exec = [](QDialog *dialog) {
        return int(qobject_cast<TfrmScope *>(dialog) ? QDialog::Accepted : QDialog::Rejected);
    };
    TfrmGraph window;
    GraphDataSetIn(&window, store, d);
    if (!ExportGraphText(window.PESGraph1, path, TextFormat::GraphSeparatorFor(path)))
        return QByteArray();
    return FileBytes(path);
}

QString Fixed1(float v)
{
    return QString::number(double(v), 'f', 1);
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void commands_data();
    void commands();
    void interruptedDownload();
    void archive();

private:
    QTemporaryDir dir;
    QString collection; // the simulated meter's full memory, eight data sets
};

void TestCli::initTestCase()
{
    QVERIFY(dir.isValid());
    TSimMeter meter;
    meter.FillMemory(TSimMeter::MemorySize);
    collection = dir.filePath(QStringLiteral("full.738"));
    QVERIFY(WriteBytes(collection, meter.Memory()));
    QVERIFY(WriteBytes(dir.filePath(QStringLiteral("empty.738")), QByteArray(4096, '\0')));
}

// meter: "usb" (the in-process USB meter), "pty" (a serial meter whose port
// replaces PORT in the arguments; "pty:HH" with the status byte HH in its
// live replies), "full" (no meter, standard output on /dev/full) or ""
// (none); check: "image" (the download
// equals the program's), "export:N" (byte-identical to the program's export
// of set N) or a pattern standard output must match.
void TestCli::commands_data()
{
    QTest::addColumn<QString>("meter");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("check");

    const QString full = QStringLiteral("%1/full.738").arg(dir.path());
    QTest::newRow("scan usb") << "usb" << QStringList{"scan"} << 0 << "^usb\t2738:0738\tQM SIMULATED METER 738\n";
    QTest::newRow("scan serial") << "pty" << QStringList{"scan"} << 0 << "(^|\n)serial\tPORT\tQM SIMULATED METER 738\n$";
    QTest::newRow("read serial csv") << "pty" << QStringList{"read", "--port", "PORT", "--count", "2", "--interval", "0.5"}
                                     << 0 << "READ";
    QTest::newRow("read usb json") << "usb" << QStringList{"read", "--usb", "-n", "1", "-f", "json"} << 0
                                   << "^\\{\"time\":\"[-0-9T:.+Z]+\",\"RH\":[-0-9.]+,.*\"unit\":\"C\",\"flags\":\\[\\]\\}\n$";
    QTest::newRow("download bad page") << "pty" << QStringList{"download", "--port", "PORT", "-o", "DIR/d.738"} << 0
                                       << "image";
    QTest::newRow("sets") << "" << QStringList{"sets", full} << 0 << "^Set +DATE.*T2 Offset\n(.*\n){8}$";
    QTest::newRow("export txt") << "" << QStringList{"export", full, "--set", "2", "--format", "txt", "-o", "DIR/e.txt"}
                                << 0 << "export:1";
    QTest::newRow("export csv C") << "" << QStringList{"export", full, "--locale", "C", "--format", "csv", "-o", "DIR/e.csv"}
                                  << 0 << "export:0";
    QTest::newRow("export fr txt") << "" << QStringList{"export", full, "-s", "8", "--locale", "fr_FR", "-o", "DIR/f.txt"}
                                   << 0 << "export:7";
    QTest::newRow("no such file") << "" << QStringList{"sets", "DIR/missing.738"} << 5 << "";
    QTest::newRow("not a collection") << "" << QStringList{"export", "DIR/empty.738", "-f", "txt"} << 5 << "";
    QTest::newRow("set out of range") << "" << QStringList{"export", full, "--set", "9", "-f", "txt"} << 2 << "";
    QTest::newRow("export fr csv") << "" << QStringList{"export", full, "--locale", "fr_FR", "-f", "csv"} << 0
                                   << "^([^;\n]*;){6}[^;\n]*,[0-9]\r\n";
    QTest::newRow("unknown port") << "" << QStringList{"read", "--port", "/dev/no-such-port"} << 3 << "";
    QTest::newRow("interval too short") << "" << QStringList{"read", "--interval", "0.1"} << 2 << "";
    QTest::newRow("unknown command") << "" << QStringList{"fetch"} << 2 << "";
    QTest::newRow("no meter on usb") << "" << QStringList{"download", "--usb", "-o", "DIR/x.738"} << 3 << "";
    QTest::newRow("interval nan") << "" << QStringList{"read", "--interval", "nan"} << 2 << "";
    QTest::newRow("interval 1e300") << "" << QStringList{"read", "--interval", "1e300"} << 2 << "";
    QTest::newRow("sets on a full disk") << "full" << QStringList{"sets", full} << 5 << "";
    QTest::newRow("export on a full disk") << "full" << QStringList{"export", full, "-f", "txt"} << 5 << "";
    QTest::newRow("export to stdout is txt") << "" << QStringList{"export", full, "--locale", "C"} << 0
                                             << "^[^\\t\\n]+\\t[0-9:]+\\t[-0-9.]+\\t";
    // Out of range: never the number sent with the flag, and no derived value from a flagged RH.
    QTest::newRow("read T2 over range csv") << "pty:04" << QStringList{"read", "--port", "PORT", "-n", "1"} << 0
                                            << "\n[^,\n]+,[0-9.]+,[0-9.]+,OL,[-0-9.]+,[-0-9.]+,C\n$";
    QTest::newRow("read RH flagged json") << "pty:10" << QStringList{"read", "--port", "PORT", "-n", "1", "-f", "json"}
                                          << 0
                                          << "\\{\"time\":\"[^\"]+\",\"RH\":null,\"T1\":[-0-9.]+,\"T2\":[-0-9.]+,"
                                             "\"WET BULB\":null,\"DEW POINT\":null,\"unit\":\"C\",\"flags\":\\[\"RH\"\\]\\}\n$";
}

void TestCli::commands()
{
    QFETCH(QString, meter);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, check);

    QStringList env;
    std::unique_ptr<TPtyMeter> pty;
    auto simulated = std::make_shared<TSimMeter>();
    simulated->SetReadings(456, 231, 720);
    if (meter == QLatin1String("usb")) {
        env << QStringLiteral("QM738_DEMO_METER=usb");
    } else if (meter == QLatin1String("full")) {
        env << QStringLiteral("STDOUT=/dev/full");
    } else if (meter.startsWith(QLatin1String("pty"))) {
        simulated->SetStatusByte(uint8_t(meter.section(QLatin1Char(':'), 1).toUInt(nullptr, 16)));
        if (check == QLatin1String("image"))
            simulated->InjectPageFault(3, TSimPageFault::BadChecksum);
        pty = std::make_unique<TPtyMeter>(simulated);
        pty->SetByteTimeUs(0);
        QVERIFY(pty->Start());
        env << QStringLiteral("QM738_EXTRA_PORTS=") + pty->PortPath();
    }
    for (QString &a : args)
        a.replace(QLatin1String("PORT"), pty ? pty->PortPath() : QString()).replace(QLatin1String("DIR"), dir.path());

    const TRun run = RunCli(args, env);
    QVERIFY2(run.code == code, qPrintable(QStringLiteral("exit %1, stderr: %2").arg(run.code).arg(QString::fromUtf8(run.err))));
    if (code != 0) {
        // One line saying what is wrong, and nothing on standard output.
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY(run.out.isEmpty());
        return;
    }

    if (check == QLatin1String("READ")) {
        TLiveReading expected;
        const QByteArray reply = pty->WithMeter([](TSimMeter &m) { return m.LiveReply(); });
        DecodeLiveReply(reinterpret_cast<const uint8_t *>(reply.constData()), expected);
        QCOMPARE(expected.unitCode, uint8_t(1));
        const QString values = QStringList{Fixed1(expected.rh), Fixed1(expected.t1), Fixed1(expected.t2),
                                           Fixed1(expected.wetBulb), Fixed1(expected.dewPoint), QStringLiteral("C")}
                                   .join(QLatin1Char(','));
        const QStringList lines = QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0), QStringLiteral("time,RH,T1,T2,WET BULB,DEW POINT,unit"));
        for (int i = 1; i < 3; ++i) {
            QVERIFY2(QDateTime::fromString(lines.at(i).section(QLatin1Char(','), 0, 0), Qt::ISODate).isValid(),
                     qPrintable(lines.at(i)));
            QCOMPARE(lines.at(i).section(QLatin1Char(','), 1), values);
        }
    } else if (check == QLatin1String("image")) {
        const QByteArray cli = FileBytes(dir.filePath(QStringLiteral("d.738")));
        // The same fault for the program's download.
        pty->WithMeter([](TSimMeter &m) { m.InjectPageFault(3, TSimPageFault::BadChecksum); });
        const QByteArray program = ProgramDownload(pty->PortPath());
        QVERIFY(!program.isEmpty());
        QCOMPARE(cli.size(), program.size());
        QVERIFY(cli == program);
        QVERIFY(pty->WithMeter([](TSimMeter &m) { return m.Memory(); }).startsWith(cli));
    } else if (check.startsWith(QLatin1String("export:"))) {
        const int d = check.section(QLatin1Char(':'), 1).toInt();
        const QString out = args.at(args.indexOf(QStringLiteral("-o")) + 1);
        const int at = args.indexOf(QStringLiteral("--locale"));
        const QLocale saved;
        if (at >= 0)
            QLocale::setDefault(QLocale(args.at(at + 1)));
        const QByteArray program = ProgramExport(FileBytes(collection), d,
                                                 dir.filePath(QStringLiteral("program.") + QFileInfo(out).suffix()));
        QLocale::setDefault(saved);
        QVERIFY(program.count("\r\n") > 100);
        QVERIFY(FileBytes(out) == program);
    } else {
        QVERIFY2(QRegularExpression(check.replace(QLatin1String("PORT"), pty ? pty->PortPath() : QString()))
                     .match(QString::fromUtf8(run.out))
                     .hasMatch(),
                 run.out.constData());
    }
}

// SIGINT in the middle of a download: the transfer stops at a page boundary,
// the meter is told the transfer has ended, the old file stays as it was and
// no temporary file is left beside it.
void TestCli::interruptedDownload()
{
    auto meter = std::make_shared<TSimMeter>();
    meter->FillMemory(TSimMeter::MemorySize);
    std::mutex logMutex;
    QStringList log;
    TPtyMeter pty(meter);
    pty.SetLog([&](const QString &line) {
        std::lock_guard<std::mutex> lock(logMutex);
        log << line;
    });
    QVERIFY(pty.Start()); // paced at 9600 baud: the whole memory would take minutes

    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("old.738"));
    QVERIFY(WriteBytes(path, "the collection of yesterday"));
    QProcess process;
    RunCli({QStringLiteral("download"), QStringLiteral("--port"), pty.PortPath(), QStringLiteral("-o"), path}, {},
           &process);
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(pty.FramesReceived() > 20, 20000); // pages are coming in
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 130);
    QCOMPARE(FileBytes(path), QByteArray("the collection of yesterday"));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.738")});
    // The meter's thread logs the end command once it has read it.
    const auto endSent = [&] {
        std::lock_guard<std::mutex> lock(logMutex);
        return !log.filter(QStringLiteral("<- 02 71 00 00 00 00 03")).isEmpty();
    };
    QTRY_VERIFY_WITH_TIMEOUT(endSent(), 5000);
}

// The archive from the command line: a download archived, a collection
// added twice (its sets stored once), the list, a note, and an export of two
// sets and of a date range across them, byte for byte the program's
// data-logger export of each set; exit codes of wrong uses.
void TestCli::archive()
{
    const QStringList env{QStringLiteral("QM738_ARCHIVE=") + dir.filePath(QStringLiteral("cli.sqlite")),
                          QStringLiteral("QM738_DEMO_METER=usb")};
    TRun run = RunCli({"download", "--usb"}, env);
    QVERIFY2(run.code == 0, run.err.constData());
    QCOMPARE(run.out, QByteArray("archived: 3 sets found, 3 new, 0 grown, 0 already there\n"));
    run = RunCli({"archive", "import", collection, collection}, env);
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out, (collection + ": 8 sets found, 8 new, 0 grown, 0 already there\n" + collection
                       + ": 8 sets found, 0 new, 0 grown, 8 already there\n").toUtf8());
    run = RunCli({"archive", "list"}, env);
    QCOMPARE(run.code, 0);
    const QStringList rows = QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 1 + 11);
    QVERIFY(rows.at(0).startsWith(QLatin1String("ID\tDATE\tTIME")));
    QVERIFY(rows.at(rows.size() - 1).contains(QLatin1String("\tQM SIMULATED METER 738\t"))); // the download's meter
    QCOMPARE(RunCli({"archive", "note", "5", "chambre froide"}, env).code, 0);
    run = RunCli({"archive", "list", "--note", "FROIDE", "--format", "json"}, env);
    QVERIFY(run.out.contains("\"note\": \"chambre froide\""));
    QCOMPARE(run.out.count("\"id\""), 1);

    // Sets 2 and 3 of the collection (ids 5 and 6), whole, then a range
    // from the last record of set 2 into set 3.
    TLoggerStore store;
    QCOMPARE(DecodeDataSets(FileBytes(collection), store, QDateTime::currentDateTime()), int(DecodeOk));
    const QByteArray two = ProgramExport(FileBytes(collection), 1, dir.filePath(QStringLiteral("p2.txt")));
    const QByteArray three = ProgramExport(FileBytes(collection), 2, dir.filePath(QStringLiteral("p3.txt")));
    run = RunCli({"archive", "export", "--set", "6", "--set", "5", "-o", dir.filePath(QStringLiteral("a.txt"))}, env);
    QVERIFY2(run.code == 0, run.err.constData());
    QVERIFY(FileBytes(dir.filePath(QStringLiteral("a.txt"))) == two + three);
    const TDataSet &set2 = store.DataSets.at(1);
    const QDateTime last = DateTimeUtil::FromDays(set2.startTime + (set2.recordCount - 1) * set2.intervalSeconds / 86400.0);
    const QDateTime third = DateTimeUtil::FromDays(store.DataSets.at(2).startTime);
    run = RunCli({"archive", "export", "--from", last.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")), "--to",
                  third.toString(QStringLiteral("yyyy-MM-ddTHH:mm")), "--format", "txt"}, env);
    QVERIFY2(run.code == 0, run.err.constData());
    const QList<QByteArray> lastOfTwo = two.split('\n');
    QVERIFY2(run.out.startsWith(lastOfTwo.at(lastOfTwo.size() - 2) + '\n' + three.left(three.indexOf('\n') + 1)),
             (run.out.left(200) + "|" + lastOfTwo.at(lastOfTwo.size() - 2) + "|" + three.left(100)).constData());
    QVERIFY(three.startsWith(run.out.mid(run.out.indexOf('\n') + 1)));

    // Wrong uses.
    QCOMPARE(RunCli({"archive", "note", "999", "x"}, env).code, 2);
    QCOMPARE(RunCli({"archive", "export", "--from", "March"}, env).code, 2);
    QCOMPARE(RunCli({"archive", "frobnicate"}, env).code, 2);
    QCOMPARE(RunCli({"archive", "import", dir.filePath(QStringLiteral("empty.738"))}, env).code, 5);
    QVERIFY(WriteBytes(dir.filePath(QStringLiteral("notes.txt")), "my notes"));
    run = RunCli({"archive", "list", "--archive", dir.filePath(QStringLiteral("notes.txt"))}, env);
    QCOMPARE(run.code, 5);
    QCOMPARE(FileBytes(dir.filePath(QStringLiteral("notes.txt"))), QByteArray("my notes"));
}

QM738_REGISTER_TEST(TestCli)
#include "tst_cli.moc"
