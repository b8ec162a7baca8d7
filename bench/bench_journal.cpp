// Speed of the real-time journal: appending one point (one write to the
// operating system, a sync to disk every few seconds), and recovering a
// 99,999-point journal into the real-time window (reading, checking, and
// putting every point into the graph with its statistics).
#include "gui/base/dialogs.h"
#include "app/frmmain.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/engine/pesgraph.h"
#include "gui/graph/window/realtime.h"
#include "core/files/rtjournal.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

namespace {

TRealTimeJournalPoint PointNo(int i)
{
    TRealTimeJournalPoint p;
    p.x = 46000.5 + i * 2 / 86400.0;
    p.y[0] = float(45 + 4 * std::sin(i / 300.0));
    p.y[1] = float(22 + 1.5 * std::sin(i / 500.0));
    p.y[2] = float(72 + 3 * std::cos(i / 400.0));
    p.y[3] = 15.0f;
    p.y[4] = 10.0f;
    return p;
}

TRealTimeJournalHeader Header(int points)
{
    TRealTimeJournalHeader h;
    h.start = 46000.5;
    h.rate = 2;
    h.points = points;
    h.labels = QStringList{QStringLiteral("RH"), QStringLiteral("T1"), QStringLiteral("T2"),
                           QStringLiteral("WET BULB"), QStringLiteral("DEW POINT")};
    h.colors = {0xFFFFFF00u, 0xFF0000FFu, 0xFFFF0000u, 0xFF00FF00u, 0xFFFF00FFu};
    return h;
}

} // namespace

class BenchJournal : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        Dialogs::SetMessageHandler([](const Dialogs::MessageRequest &) { return int(Dialogs::No); });
    }

    // At the default 2 s between points the file is synced with every fourth point.
    void appendOnePoint_data()
    {
        QTest::addColumn<int>("syncEvery");
        QTest::newRow("write only") << 0;
        QTest::newRow("with its share of syncs at 2 s") << 4;
    }

    void appendOnePoint()
    {
        QFETCH(int, syncEvery);
        QTemporaryDir dir;
        TRealTimeJournal journal;
        QVERIFY(journal.Begin(dir.filePath(QStringLiteral("bench.rtj")), Header(99999)));
        int i = 0;
        QBENCHMARK {
            journal.Append(PointNo(i++));
            if (syncEvery > 0 && i % syncEvery == 0)
                journal.SyncIfDue();
        }
        journal.Remove();
    }

    void recover99999Points()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("full.rtj"));
        {
            TRealTimeJournal journal;
            QVERIFY(journal.Begin(path, Header(99999)));
            for (int i = 0; i < 99999; ++i)
                QVERIFY(journal.Append(PointNo(i)));
        }
        TfrmMain main;
        QBENCHMARK {
            TRealTimeJournalContents contents;
            QVERIFY(TRealTimeJournal::Read(path, &contents));
            QVERIFY(RecoverRealTimeRecording(path, contents));
        }
        QCOMPARE(RealTimeWindow()->PESGraph1->Points(), 99999);
        // Let go of the journal without deleting it inside the temporary folder twice.
        RealTimeJournal().Remove();
    }
};

QTEST_MAIN(BenchJournal)
#include "bench_journal.moc"
