// The real-time journal: a writer killed at any moment loses no point it had
// appended, a torn last record is ignored, a write that fails midway costs
// only its own point, two programs never both claim one journal, and a
// journal recovered into the real-time window shows what the recording
// showed.

#include "testregistry.h"
#include "graphtestsupport.h"

#include "gui/graph/window/graph.h"
#include "gui/graph/engine/pesgraph.h"
#include "gui/graph/window/realtime.h"
#include "core/files/rtjournal.h"
#include "gui/graph/window/setuprealtime.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

TRealTimeJournalHeader Header()
{
    TRealTimeJournalHeader h;
    h.start = 46000.25;
    h.rate = 2;
    h.points = 99999;
    h.unit = QStringLiteral("°C");
    h.labels = QStringList{QStringLiteral("RH"), QStringLiteral("T1"), QStringLiteral("T2")};
    h.colors = {0xFFFFFF00u, 0xFF0000FFu, 0xFFFF0000u};
    return h;
}

TRealTimeJournalPoint PointNo(int i)
{
    TRealTimeJournalPoint p;
    p.x = 46000.25 + i * 2 / 86400.0;
    p.status = uint8_t(i % 7 == 3 ? 0x01 : 0);
    for (int k = 0; k < 5; ++k)
        p.y[k] = float(i) * 0.25f + float(k) - 20.0f;
    return p;
}

} // namespace

// The child process of killedWriterLosesNothing: begins a journal, then
// appends points and reports each appended one on stdout until it is killed.
int JournalWriterMain(const char *path)
{
    TRealTimeJournal journal;
    if (!journal.Begin(QString::fromLocal8Bit(path), Header()))
        return 2;
    if (::write(1, "ready\n", 6) != 6)
        return 3;
    for (int i = 0; i < 2000000; ++i) {
        if (!journal.Append(PointNo(i)))
            return 4;
        const QByteArray line = QByteArray::number(i + 1) + '\n';
        if (::write(1, line.constData(), size_t(line.size())) != line.size())
            return 5;
    }
    return 0;
}

// The child process of twoProgramsNeverShareAJournal: claims the first orphan
// journal of `folder` as the program does at start, says so on stdout, and
// answers the question with `answer` ("yes" keeps the journal, "no" deletes
// it) after a moment that the question would take.
int JournalClaimerMain(const char *folder, const char *answer)
{
    TRealTimeJournal journal;
    const QStringList orphans = TRealTimeJournal::Orphans(QString::fromLocal8Bit(folder));
    const bool claimed = !orphans.isEmpty() && journal.Adopt(orphans.first());
    const QByteArray said = claimed ? "claimed\n" : "skipped\n";
    if (::write(1, said.constData(), size_t(said.size())) != said.size())
        return 3;
    if (claimed) {
        QThread::msleep(300);
        if (qstrcmp(answer, "no") == 0)
            journal.Remove();
    }
    return 0;
}

class TestRealTimeJournal : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { GraphTest::ResetMain(); }
    void killedWriterLosesNothing_data();
    void killedWriterLosesNothing();
    void tornLastRecordIgnored_data();
    void tornLastRecordIgnored();
    void failedAppendLosesOnlyItsPoint_data();
    void failedAppendLosesOnlyItsPoint();
    void twoProgramsNeverShareAJournal_data();
    void twoProgramsNeverShareAJournal();
    void recoveryShowsTheRecording();
    void dismissedRecoveryQuestionKeepsTheJournal();
};

void TestRealTimeJournal::killedWriterLosesNothing_data()
{
    QTest::addColumn<int>("fromMs");
    QTest::addColumn<int>("toMs");
    QTest::newRow("at once") << 0 << 5;
    QTest::newRow("early") << 5 << 60;
    QTest::newRow("later") << 60 << 400;
    QTest::newRow("much later") << 400 << 1200;
}

void TestRealTimeJournal::killedWriterLosesNothing()
{
    QFETCH(int, fromMs);
    QFETCH(int, toMs);
    QTemporaryDir dir;
    const QString path = TRealTimeJournal::NewPath(dir.path());
    QProcess writer;
    writer.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--journal-writer"), path});
    QVERIFY(writer.waitForStarted());
    QByteArray out;
    while (!out.contains("ready\n") && writer.waitForReadyRead(5000))
        out += writer.readAllStandardOutput();
    QVERIFY(out.contains("ready\n"));
    // A journal whose writer lives belongs to it.
    QVERIFY(TRealTimeJournal::Orphans(dir.path()).isEmpty());

    QThread::msleep(QRandomGenerator::global()->bounded(fromMs, toMs + 1));
    writer.kill(); // SIGKILL
    QVERIFY(writer.waitForFinished(5000));
    QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
    out += writer.readAllStandardOutput();
    const QList<QByteArray> lines = out.trimmed().split('\n');
    const int reported = lines.size() > 1 ? lines.last().toInt() : 0;
    QVERIFY(fromMs < 60 || reported > 0);

    // Every reported point is there; one more may have been appended unreported.
    TRealTimeJournalContents contents;
    QVERIFY(TRealTimeJournal::Read(path, &contents));
    const int n = int(contents.points.size());
    QVERIFY2(n == reported || n == reported + 1, qPrintable(QStringLiteral("%1 read, %2 reported").arg(n).arg(reported)));
    for (int i = 0; i < n; ++i)
        QVERIFY2(contents.points[i] == PointNo(i), qPrintable(QString::number(i)));
    QCOMPARE(contents.header.labels, Header().labels);
    QCOMPARE(contents.header.colors, Header().colors);
    QCOMPARE(contents.header.unit, Header().unit);
    // Its owner gone, the journal is offered.
    QCOMPARE(TRealTimeJournal::Orphans(dir.path()), QStringList{path});
}

void TestRealTimeJournal::tornLastRecordIgnored_data()
{
    QTest::addColumn<int>("cut");      // bytes cut off the end
    QTest::addColumn<int>("flipAt");   // byte flipped, counted from the end (0: none)
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("asked"); // points the header asks for
    QTest::newRow("whole") << 0 << 0 << QByteArray() << 10 << 99999;
    QTest::newRow("more points than the recording asked for") << 0 << 0 << QByteArray() << 6 << 6;
    QTest::newRow("last record cut short by one byte") << 1 << 0 << QByteArray() << 9 << 99999;
    QTest::newRow("only the length of the last record") << 33 << 0 << QByteArray() << 9 << 99999;
    QTest::newRow("payload byte of the last record changed") << 0 << 10 << QByteArray() << 9 << 99999;
    QTest::newRow("half a length after the last record") << 0 << 0 << QByteArray("\x1d\x00", 2) << 10 << 99999;
    QTest::newRow("huge length after the last record") << 0 << 0 << QByteArray("\xff\xff\xff\x7f\0\0\0\0", 8) << 10 << 99999;
}

void TestRealTimeJournal::tornLastRecordIgnored()
{
    QFETCH(int, cut);
    QFETCH(int, flipAt);
    QFETCH(QByteArray, tail);
    QFETCH(int, points);
    QFETCH(int, asked);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("j.rtj"));
    {
        TRealTimeJournal journal;
        TRealTimeJournalHeader header = Header();
        header.points = asked;
        QVERIFY(journal.Begin(path, header));
        for (int i = 0; i < 10; ++i)
            QVERIFY(journal.Append(PointNo(i)));
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    bytes.chop(cut);
    if (flipAt > 0)
        bytes[bytes.size() - flipAt] = char(bytes[bytes.size() - flipAt] ^ 0x40);
    bytes += tail;
    QVERIFY(file.resize(0) && file.seek(0) && file.write(bytes) == bytes.size());
    file.close();

    TRealTimeJournalContents contents;
    QVERIFY(TRealTimeJournal::Read(path, &contents));
    QCOMPARE(int(contents.points.size()), points);
    for (int i = 0; i < points; ++i)
        QVERIFY(contents.points[i] == PointNo(i));
    QCOMPARE(contents.header.start, Header().start);
    QCOMPARE(contents.header.points, asked);
}

void TestRealTimeJournal::failedAppendLosesOnlyItsPoint_data()
{
    // The file-size limit, counted in point records after the header and
    // its bytes into the next record; the points appended before the limit.
    QTest::addColumn<int>("whole");
    QTest::addColumn<int>("partBytes");
    QTest::newRow("limit in the middle of a record") << 4 << 17;
    QTest::newRow("limit inside a record's length") << 2 << 3;
    QTest::newRow("limit at a record's end") << 3 << 0;
}

void TestRealTimeJournal::failedAppendLosesOnlyItsPoint()
{
    QFETCH(int, whole);
    QFETCH(int, partBytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("j.rtj"));
    TRealTimeJournal journal;
    QVERIFY(journal.Begin(path, Header()));
    const qint64 headerBytes = QFileInfo(path).size();
    const qint64 recordBytes = 8 + 8 + 1 + 20;

    // A full disk, as a file-size limit: the write fails with EFBIG (the
    // signal that would end the process is ignored, as the program does).
    struct rlimit old = {};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &old) == 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = rlim_t(headerBytes + whole * recordBytes + partBytes);
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
    QVector<TRealTimeJournalPoint> appended;
    int i = 0;
    for (; i < whole + 3; ++i) {
        if (journal.Append(PointNo(i)))
            appended << PointNo(i);
    }
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &old) == 0);
    std::signal(SIGXFSZ, previousHandler);
    QCOMPARE(int(appended.size()), whole);
    QString reason;
    QVERIFY(journal.TakeFailure(&reason));
    QVERIFY(!reason.isEmpty());
    QVERIFY(!journal.TakeFailure(&reason)); // said once

    // Room again: the points after the failure are read back too.
    for (int more = 0; more < 4; ++more, ++i) {
        QVERIFY(journal.Append(PointNo(i)));
        appended << PointNo(i);
    }
    TRealTimeJournalContents contents;
    QVERIFY(TRealTimeJournal::Read(path, &contents));
    QCOMPARE(contents.points, appended);
    QVERIFY(!journal.TakeFailure(&reason));
}

void TestRealTimeJournal::twoProgramsNeverShareAJournal_data()
{
    QTest::addColumn<QString>("firstAnswer");
    QTest::addColumn<QString>("secondAnswer");
    QTest::newRow("yes and no") << "yes" << "no";
    QTest::newRow("no and yes") << "no" << "yes";
}

void TestRealTimeJournal::twoProgramsNeverShareAJournal()
{
    QFETCH(QString, firstAnswer);
    QFETCH(QString, secondAnswer);
    QTemporaryDir dir;
    const QString path = TRealTimeJournal::NewPath(dir.path());
    {
        TRealTimeJournal journal;
        QVERIFY(journal.Begin(path, Header()));
        QVERIFY(journal.Append(PointNo(0)));
        journal.Release();
    }
    // A lock file left by a dead owner names a process and a host; neither is
    // believed: only a kernel lock held by a living owner counts.
    QFile stale(path + QStringLiteral(".lock"));
    QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("1\nqm738\nanother-host\n") > 0);
    stale.close();

    QProcess first, second;
    const QString self = QCoreApplication::applicationFilePath();
    first.start(self, {QStringLiteral("--journal-claimer"), dir.path(), firstAnswer});
    second.start(self, {QStringLiteral("--journal-claimer"), dir.path(), secondAnswer});
    QVERIFY(first.waitForFinished(10000) && second.waitForFinished(10000));
    const QByteArray a = first.readAllStandardOutput(), b = second.readAllStandardOutput();
    QCOMPARE(QList<QByteArray>({a, b}).count("claimed\n"), 1);
    QCOMPARE(QList<QByteArray>({a, b}).count("skipped\n"), 1);
    // The journal lives on exactly when its one claimant kept it.
    const bool kept = a == "claimed\n" ? firstAnswer == "yes" : secondAnswer == "yes";
    QCOMPARE(QFile::exists(path), kept);
    if (kept)
        QCOMPARE(TRealTimeJournal::Orphans(dir.path()), QStringList{path});
}

void TestRealTimeJournal::recoveryShowsTheRecording()
{
    // A recording of twelve points, one with RH flagged and one with T2 over range.
    TfrmMain *main = GraphTest::Main();
    main->State.Connected = true;
    GraphTest::Answers answers;
    answers.exec = [](QDialog *d) {
        auto *setup = qobject_cast<TfrmSetupRealTime *>(d);
        if (!setup)
            return int(QDialog::Rejected);
        setup->edtRealTimeNo->setText(QStringLiteral("100"));
        setup->ComboBox1->setCurrentIndex(0);
        setup->ComboBox2->setCurrentIndex(5);
        return int(QDialog::Accepted);
    };
    RealTimeRun();
    TfrmGraph *w = RealTimeWindow();
    QVERIFY(w && main->State.RealTimeRecording);
    for (int i = 0; i < 12; ++i) {
        const float v[5] = {40.0f + i, 20.5f - i, i == 7 ? 3000.0f : 100.0f + i, 15.0f, 10.0f - i};
        AppendRealTimePoint(i == 4 ? 0x01 : (i == 7 ? 0x04 : 0), 46000.5 + i * 5 / 86400.0, v);
    }
    RealTimeStop();
    auto shown = [](TfrmGraph *g) {
        QStringList texts{g->txtDataNo->text(), g->txtStartTime->text()};
        for (int k = 0; k < 3; ++k)
            texts << g->MaxEdit(k)->text() << g->MinEdit(k)->text() << g->AvgEdit(k)->text();
        for (int s = 0; s < 5; ++s)
            for (int p = 0; p < g->PESGraph1->Points(); ++p)
                texts << QString::number(g->PESGraph1->XDataII(s, p), 'g', 17) + QLatin1Char(' ')
                             + QString::number(g->PESGraph1->YData(s, p));
        return texts;
    };
    const QStringList before = shown(w);

    // The journal outlives the window only when the program does not close it.
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("copy.rtj"));
    QVERIFY(QFile::copy(RealTimeJournal().Path(), copy));
    const QString original = RealTimeJournal().Path();
    main->State.RealTimeGraphUnsaved = false;
    QVERIFY(w->parentWidget()->close());
    QVERIFY(!QFile::exists(original));

    TRealTimeJournalContents contents;
    QVERIFY(TRealTimeJournal::Read(copy, &contents));
    QCOMPARE(contents.header.rate, 5);
    QVERIFY(RecoverRealTimeRecording(copy, contents));
    TfrmGraph *recovered = RealTimeWindow();
    QVERIFY(recovered);
    QCOMPARE(shown(recovered), before);
    QCOMPARE(recovered->ComboBox2->currentIndex(), 5);
    QVERIFY(main->State.RealTimeGraphUnsaved);
    QVERIFY(!main->State.RealTimeRecording);
    QCOMPARE(RealTimeJournal().Path(), copy);
    GraphTest::ResetMain(); // lets go of the journal while its folder exists
}

void TestRealTimeJournal::dismissedRecoveryQuestionKeepsTheJournal()
{
    for (const QString &old : TRealTimeJournal::Orphans(TRealTimeJournal::Folder()))
        QFile::remove(old); // left by other tests: this one asks about its own
    // A journal left by a program that ended without saving.
    const QString path = TRealTimeJournal::NewPath(TRealTimeJournal::Folder());
    {
        TRealTimeJournal journal;
        QVERIFY(journal.Begin(path, Header()));
        for (int i = 0; i < 3; ++i)
            QVERIFY(journal.Append(PointNo(i)));
        journal.Release();
    }
    GraphTest::Answers answers;
    // Escape or the close button: the question returns Cancel; the journal
    // stays and is asked about again.
    answers.messageAnswers = {Dialogs::Cancel};
    QCOMPARE(OfferRealTimeRecovery(GraphTest::Main()), 0);
    QVERIFY(QFile::exists(path));
    QVERIFY(!RealTimeJournal().Owns());
    QVERIFY(TRealTimeJournal::Orphans(TRealTimeJournal::Folder()).contains(path));
    // Only an explicit No deletes it.
    answers.messageAnswers = {Dialogs::No};
    QCOMPARE(OfferRealTimeRecovery(GraphTest::Main()), 0);
    QCOMPARE(answers.messages.size(), 2);
    QVERIFY(!QFile::exists(path));
}

QM738_REGISTER_TEST(TestRealTimeJournal)

#include "tst_rtjournal.moc"
