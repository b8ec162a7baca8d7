// Speed of qm738-cli as a program: a download of 512 pages from the
// simulated serial meter paced at 9600 baud (the wire's own time is
// 512 x 43 bytes x 1.042 ms = 22.9 s), the export of a data set of 32,413
// records, and the time from the start of the program to its first output.

#include "sim/ptymeter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

namespace {

int RunCli(const QStringList &args, QByteArray *firstOutput = nullptr, qint64 *firstOutputMs = nullptr)
{
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(QStringLiteral(QM738_CLI_PATH), args);
    if (firstOutputMs) {
        p.waitForReadyRead(10000);
        *firstOutputMs = clock.elapsed();
    }
    p.waitForFinished(600000);
    if (firstOutput)
        *firstOutput = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Processor time of the finished child processes so far, ms: unlike the wall
// time it does not grow when other work holds the processors.
qint64 ChildCpuMs()
{
    rusage usage = {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

} // namespace

class BenchCli : public QObject {
    Q_OBJECT
private slots:
    void download512PagesAt9600()
    {
        auto meter = std::make_shared<TSimMeter>();
        meter->FillMemory(512 * 32);
        const QByteArray memory = meter->Memory().left(512 * 32);
        TPtyMeter pty(meter);
        pty.SetByteTimeUs(1042);
        QVERIFY(pty.Start());
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("m.738"));
        QElapsedTimer elapsed;
        int code = -1;
        QBENCHMARK_ONCE {
            elapsed.start();
            code = RunCli({QStringLiteral("download"), QStringLiteral("--port"), pty.PortPath(), QStringLiteral("-o"), out});
        }
        const double seconds = elapsed.elapsed() / 1000.0;
        QCOMPARE(code, 0);
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == memory);
        const double wire = 512 * 43 * 1.042e-3;
        qInfo("download: 512 pages in %.2f s from the start of the program, wire time %.2f s: %.1f %% of the "
              "wire's speed", seconds, wire, 100.0 * wire / seconds);
        QVERIFY(wire / seconds >= 0.95);
    }

    void export32413Records()
    {
        TSimMeter meter;
        // One data set of 32,413 records: the used part 4 bytes short of the whole memory.
        meter.FillMemory(TSimMeter::MemorySize - 4, 1);
        QTemporaryDir dir;
        const QString in = dir.filePath(QStringLiteral("full.738"));
        QFile file(in);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(meter.Memory());
        file.close();
        const QString out = dir.filePath(QStringLiteral("set.txt"));
        QElapsedTimer elapsed;
        qint64 longest = 0, longestCpu = 0;
        QBENCHMARK {
            elapsed.start();
            const qint64 cpu = ChildCpuMs();
            QCOMPARE(RunCli({QStringLiteral("export"), in, QStringLiteral("-f"), QStringLiteral("txt"),
                             QStringLiteral("-o"), out}),
                     0);
            longest = std::max(longest, elapsed.elapsed());
            longestCpu = std::max(longestCpu, ChildCpuMs() - cpu);
        }
        QFile lines(out);
        QVERIFY(lines.open(QIODevice::ReadOnly));
        QCOMPARE(lines.readAll().count("\r\n"), 32413);
        qInfo("export: 32,413 lines, the whole run of the program at most %lld ms of wall time, %lld ms of "
              "processor time", longest, longestCpu);
        QVERIFY(longestCpu <= 150);
    }

    void startToFirstOutput()
    {
        qint64 longest = 0, longestCpu = 0;
        QBENCHMARK {
            qint64 ms = 0;
            const qint64 cpu = ChildCpuMs();
            QByteArray out;
            QCOMPARE(RunCli({QStringLiteral("--version")}, &out, &ms), 0);
            longest = std::max(longest, ms);
            longestCpu = std::max(longestCpu, ChildCpuMs() - cpu);
        }
        qInfo("start to first output: slowest %lld ms (the whole run %lld ms of processor time)", longest, longestCpu);
        QVERIFY(longest <= 100);
    }
};

QTEST_GUILESS_MAIN(BenchCli)
#include "bench_cli.moc"
