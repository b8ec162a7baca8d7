// The archive: a data set is stored once, a grown one replaces the shorter,
// a date-range export is the data-logger export of each set, an import is
// all or nothing (a child killed in the middle), two writers take turns, and
// a file that is not an archive is refused and left alone.
#include "testregistry.h"

#include "archivetestdata.h"
#include "core/archive/archive.h"
#include "core/base/datetime.h"
#include "core/files/textformat.h"
#include "core/logger/datasetdecoder.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

using namespace ArchiveTestData;

namespace {

const TArchiveSource kFile{QStringLiteral("file"), QStringLiteral("test.738"), QString()};

QByteArray Sha(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                          : QByteArray();
}

QStringList Lines(const QByteArray &text)
{
    return QString::fromUtf8(text).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

} // namespace

class TestArchive : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString Fresh(const char *name) const { return dir.filePath(QLatin1String(name)); }

private slots:
    void createsCurrentSchemaInWal()
    {
        TArchive archive;
        QString error;
        QVERIFY2(archive.Open(Fresh("schema.sqlite"), &error), qPrintable(error));
        QCOMPARE(archive.SchemaVersion(), ArchiveSchema::Version);
        QCOMPARE(archive.IntegrityCheck(), QStringLiteral("ok"));
        archive.Close();
        // Reopened: the same archive, no second migration.
        QVERIFY(archive.Open(Fresh("schema.sqlite"), &error));
        QCOMPARE(archive.SetCount(), 0);
        QVERIFY(QFile::exists(Fresh("schema.sqlite-wal")));
    }

    void sameCollectionTwiceIsStoredOnce()
    {
        const QDateTime start(QDate(2025, 3, 4), QTime(5, 6, 0));
        const QByteArray image = Image({Set(start, 50), Set(start.addDays(1), 20, 1), Set(start.addDays(2), 0, 2)});
        TArchive archive;
        QVERIFY(archive.Open(Fresh("twice.sqlite")));
        TArchiveImport first, second;
        QVERIFY(archive.Import(image, kFile, &first));
        QCOMPARE(first.found, 3);
        QCOMPARE(first.added, 3);
        QVERIFY(archive.Import(image, kFile, &second));
        QCOMPARE(second.added, 0);
        QCOMPARE(second.grown, 0);
        QCOMPARE(second.already, 3);
        QCOMPARE(archive.SetCount(), 3);
        // The archived sets make the same memory image again.
        QVector<TArchiveSet> sets;
        QVERIFY(archive.List({}, &sets));
        QCOMPARE(sets.size(), 3);
        QVERIFY(sets.first().set.startTime > sets.last().set.startTime); // newest first
        QByteArray again;
        QVERIFY(archive.ImageOf({sets[2].id, sets[1].id, sets[0].id}, &again));
        TLoggerStore a, b;
        QCOMPARE(DecodeDataSets(image, a, QDateTime::currentDateTime()), int(DecodeOk));
        QCOMPARE(DecodeDataSets(again, b, QDateTime::currentDateTime()), int(DecodeOk));
        QCOMPARE(b.Values, a.Values);
        QCOMPARE(b.Times, a.Times);
    }

    void grownSetReplacesTheShorterAndNewSetIsAdded()
    {
        const QDateTime start(QDate(2025, 6, 1), QTime(9, 0, 0));
        const TSimDataSet done = Set(start, 30);
        const TSimDataSet recording = Set(start.addDays(1), 10, 5);
        TSimDataSet grown = Set(start.addDays(1), 25, 5); // the same run, recorded further
        QCOMPARE(grown.records.mid(0, 10), recording.records);
        const TSimDataSet added = Set(start.addDays(2), 5, 9);

        TArchive archive;
        QVERIFY(archive.Open(Fresh("grown.sqlite")));
        TArchiveImport first, second;
        QVERIFY(archive.Import(Image({done, recording}), kFile, &first));
        QCOMPARE(first.added, 2);
        QVERIFY(archive.Import(Image({done, grown, added}), kFile, &second));
        QCOMPARE(second.found, 3);
        QCOMPARE(second.already, 1);
        QCOMPARE(second.grown, 1);
        QCOMPARE(second.added, 1);
        QVector<TArchiveSet> sets;
        QVERIFY(archive.List({}, &sets));
        QCOMPARE(sets.size(), 3);
        QCOMPARE(sets[1].set.recordCount, 25);
        // The same settings but other records: another run, kept beside it.
        TArchiveImport third;
        QVERIFY(archive.Import(Image({Set(start, 30, 77)}), kFile, &third));
        QCOMPARE(third.added, 1);
        QCOMPARE(archive.SetCount(), 4);
    }

    void dateRangeExportIsTheDataLoggerExportOfEachSet()
    {
        QLocale::setDefault(QLocale::c());
        const QDateTime start(QDate(2025, 3, 4), QTime(5, 6, 0));
        const QByteArray image = Image({Set(start, 100, 1, 60), Set(start.addSecs(3 * 3600), 100, 2, 30)});
        TArchive archive;
        QVERIFY(archive.Open(Fresh("export.sqlite")));
        QVERIFY(archive.Import(image, kFile, nullptr));
        // The data-logger export of each set, as the collection gives it.
        TLoggerStore store;
        QCOMPARE(DecodeDataSets(image, store, QDateTime::currentDateTime()), int(DecodeOk));
        const QStringList first = Lines(TextFormat::DataSetExportText(store, 0, QLatin1Char('\t')));
        const QStringList second = Lines(TextFormat::DataSetExportText(store, 1, QLatin1Char('\t')));
        QCOMPARE(first.size(), 100);
        // From record 40 of the first set (5:46) to record 20 of the second (8:16).
        const double from = DateTimeUtil::ToDays(start.addSecs(40 * 60));
        const double to = DateTimeUtil::ToDays(start.addSecs(3 * 3600 + 20 * 30));
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        qint64 count = 0;
        QVERIFY(archive.Export({}, from, to, QLatin1Char('\t'), out, &count));
        const QStringList expected = first.mid(40) + second.mid(0, 21);
        QCOMPARE(count, qint64(expected.size()));
        QCOMPARE(Lines(out.data()), expected);
        QVERIFY(out.data().endsWith("\r\n"));
        // Chosen sets, whole: one after another in time order.
        QVector<TArchiveSet> sets;
        QVERIFY(archive.List({}, &sets));
        QBuffer chosen;
        chosen.open(QIODevice::WriteOnly);
        QVERIFY(archive.Export({sets[0].id, sets[1].id}, qQNaN(), qQNaN(), QLatin1Char(','), chosen));
        QCOMPARE(chosen.data(), TextFormat::DataSetExportText(store, 0, QLatin1Char(','))
                                    + TextFormat::DataSetExportText(store, 1, QLatin1Char(',')));
        QLocale::setDefault(QLocale::system());
    }

    void undecodableSetIsSkippedAndReported()
    {
        const QDateTime start(QDate(2025, 1, 2), QTime(3, 4, 5));
        QByteArray image = Image({Set(start, 10), Set(start.addDays(1), 10, 1), Set(start.addDays(2), 40, 2)});
        image[LoggerImage::FirstDataSet + 8] = char(0x7A); // the first set's seconds: not BCD
        image.chop(100);                                    // the last set's records cut short
        TArchive archive;
        QVERIFY(archive.Open(Fresh("skip.sqlite")));
        TArchiveImport report;
        QVERIFY(archive.Import(image, kFile, &report));
        QCOMPARE(report.added, 1);
        QCOMPARE(report.skipped.size(), 2);
        QVERIFY(report.skipped.at(0).contains(QLatin1String("1")));
        QVERIFY(report.skipped.at(1).contains(QLatin1String("3")));
    }

    void noteAndFilter()
    {
        const QDateTime start(QDate(2025, 3, 4), QTime(5, 6, 0));
        TArchive archive;
        QVERIFY(archive.Open(Fresh("notes.sqlite")));
        QVERIFY(archive.Import(Image({Set(start, 10), Set(start.addDays(30), 10, 1, 2, 0)}), kFile, nullptr));
        QVector<TArchiveSet> sets;
        QVERIFY(archive.List({}, &sets));
        QVERIFY(archive.SetNote(sets[1].id, QStringLiteral("Chambre froide, mars")));
        QVERIFY(!archive.SetNote(99999, QStringLiteral("x")));
        TArchiveFilter filter;
        filter.words = QStringLiteral("froide CHAMBRE");
        QVERIFY(archive.List(filter, &sets));
        QCOMPARE(sets.size(), 1);
        QCOMPARE(sets[0].note, QStringLiteral("Chambre froide, mars"));
        filter = {};
        filter.unitCode = 0;
        QVERIFY(archive.List(filter, &sets));
        QCOMPARE(sets.size(), 1);
        filter = {};
        filter.from = DateTimeUtil::ToDays(start.addDays(1));
        QVERIFY(archive.List(filter, &sets));
        QCOMPARE(sets.size(), 1);
        QCOMPARE(sets[0].set.unitCode, uint8_t(0));
    }

    void foreignOrDamagedFileIsRefusedAndLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("kind");
        QTest::newRow("text") << QByteArray("text");
        QTest::newRow("collection") << QByteArray("collection");
        QTest::newRow("other database") << QByteArray("database");
        QTest::newRow("damaged") << QByteArray("damaged");
        QTest::newRow("newer version") << QByteArray("newer");
    }
    void foreignOrDamagedFileIsRefusedAndLeftAlone()
    {
        QFETCH(QByteArray, kind);
        const QString path = dir.filePath(QString::fromLatin1("foreign-" + kind));
        if (kind == "text" || kind == "collection") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(kind == "text" ? QByteArray("notes\n") : Image({Set(QDateTime::currentDateTime(), 5)}));
        } else {
            sqlite3 *db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
            const char *sql = kind == "newer" ? "CREATE TABLE t(x); PRAGMA application_id=1364014904; "
                                                "PRAGMA user_version=99;"
                                              : "CREATE TABLE contacts(name TEXT); INSERT INTO contacts VALUES('a');";
            QCOMPARE(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
            if (kind == "damaged") {
                QFile file(path);
                QVERIFY(file.open(QIODevice::ReadWrite));
                file.seek(100);
                file.write(QByteArray(3000, char(0xEE))); // the schema page overwritten
            }
        }
        const QByteArray before = Sha(path);
        TArchive archive;
        QString error;
        QVERIFY(!archive.Open(path, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!archive.IsOpen());
        QCOMPARE(Sha(path), before);
        QVERIFY(!QFile::exists(path + QStringLiteral("-wal")));
    }

    // A child importing download after download is killed at a random
    // moment, five times over: each time the archive checks ok and holds
    // whole downloads only, and importing everything again completes it.
    void killDuringImportLeavesWholeImports()
    {
        const QString path = Fresh("killed.sqlite");
        const int count = 300;
        QRandomGenerator random(28);
        for (int round = 0; round < 5; ++round) {
            QProcess child;
            child.start(QStringLiteral(QM738_ARCHIVE_PEER), {path, QString::number(round), QString::number(count)});
            QVERIFY(child.waitForStarted());
            QVERIFY(child.waitForReadyRead(10000)); // it has begun importing
            QTest::qWait(int(random.bounded(0, 300)));
            QCOMPARE(child.state(), QProcess::Running); // killed before it was done
            child.kill();
            child.waitForFinished();

            TArchive archive;
            QString error;
            QVERIFY2(archive.Open(path, &error), qPrintable(error));
            QCOMPARE(archive.IntegrityCheck(), QStringLiteral("ok"));
            QCOMPARE(archive.SetCount() % 3, 0); // three sets per download, never part of one
        }
        TArchive archive;
        QVERIFY(archive.Open(path));
        for (int round = 0; round < 5; ++round)
            for (int n = 0; n < count; ++n)
                QVERIFY(archive.Import(SeriesImage(round, n), kFile, nullptr));
        QCOMPARE(archive.SetCount(), 5 * count * 3);
        QCOMPARE(archive.IntegrityCheck(), QStringLiteral("ok"));
    }

    // The disk fills up in the middle of an import: the import fails, and the
    // archive is the one before it.
    void fullDiskLeavesTheArchiveAsItWas()
    {
        const QString path = Fresh("full.sqlite");
        {
            TArchive archive;
            QVERIFY(archive.Open(path));
            QVERIFY(archive.Import(SeriesImage(9, 0), kFile, nullptr));
        }
        const qint64 size = QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
        QProcess child;
        child.start(QStringLiteral(QM738_ARCHIVE_PEER),
                    {path, QStringLiteral("9"), QStringLiteral("50"), QString::number(size + 20000)});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitCode(), 1);
        QVERIFY2(child.readAllStandardError().contains("import"), "the import failed, not the opening");
        TArchive archive;
        QVERIFY(archive.Open(path));
        QCOMPARE(archive.IntegrityCheck(), QStringLiteral("ok"));
        QCOMPARE(archive.SetCount() % 3, 0);
        QVERIFY(archive.SetCount() < 50 * 3);
        // Room again: everything goes in.
        for (int n = 0; n < 50; ++n)
            QVERIFY(archive.Import(SeriesImage(9, n), kFile, nullptr));
        QCOMPARE(archive.SetCount(), 50 * 3);
    }

    void twoProcessesImportAtOnce()
    {
        const QString path = Fresh("together.sqlite");
        const int count = 15;
        QProcess one, two;
        one.start(QStringLiteral(QM738_ARCHIVE_PEER), {path, QStringLiteral("7"), QString::number(count)});
        two.start(QStringLiteral(QM738_ARCHIVE_PEER), {path, QStringLiteral("8"), QString::number(count)});
        QVERIFY(one.waitForFinished(120000));
        QVERIFY(two.waitForFinished(120000));
        QVERIFY2(one.exitCode() == 0, one.readAllStandardError().constData());
        QVERIFY2(two.exitCode() == 0, two.readAllStandardError().constData());
        TArchive archive;
        QVERIFY(archive.Open(path));
        QCOMPARE(archive.SetCount(), 2 * count * 3);
        QCOMPARE(archive.IntegrityCheck(), QStringLiteral("ok"));
    }
};

QM738_REGISTER_TEST(TestArchive)
#include "tst_archive.moc"
