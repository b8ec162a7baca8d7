// Every committed seed and every input that once made a parser fail, fed to
// the same entry the fuzz programs use: a fault once found stays mended.
#include "fuzz/fuzzentries.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestFuzzInputs : public QObject {
    Q_OBJECT
private slots:
    void eachEntryHasSeeds();
    void replaysEveryInput_data();
    void replaysEveryInput();
};

void TestFuzzInputs::eachEntryHasSeeds()
{
    const QDir corpus(QStringLiteral(QM738_FUZZ_DIR "/corpus"));
    for (const TFuzzTarget &t : FuzzTargets())
        QVERIFY2(!QDir(corpus.filePath(QLatin1String(t.name))).entryList(QDir::Files).isEmpty(), t.name);
    // A folder without an entry would never be replayed.
    for (const QString &folder : corpus.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        QVERIFY2(FindFuzzTarget(folder), qPrintable(folder));
}

void TestFuzzInputs::replaysEveryInput_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("seed");
    for (const char *kind : {"corpus", "crashes"}) {
        const QDir root(QStringLiteral(QM738_FUZZ_DIR "/") + QLatin1String(kind));
        for (const QString &folder : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QDir dir(root.filePath(folder));
            for (const QString &file : dir.entryList(QDir::Files))
                QTest::newRow(qPrintable(QStringLiteral("%1/%2/%3").arg(QLatin1String(kind), folder, file)))
                    << folder << dir.filePath(file) << (QLatin1String(kind) == QLatin1String("corpus"));
        }
    }
}

void TestFuzzInputs::replaysEveryInput()
{
    QFETCH(QString, entry);
    QFETCH(QString, path);
    QFETCH(bool, seed);
    const TFuzzTarget *target = FindFuzzTarget(entry);
    QVERIFY2(target, qPrintable(entry));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const bool accepted = target->entry(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    // Seeds are valid inputs; one that is no longer accepted has gone stale:
    // write the corpora again with qm738-fuzz-seeds fuzz/corpus.
    if (seed)
        QVERIFY2(accepted, qPrintable(path));
}

QM738_REGISTER_TEST(TestFuzzInputs)
#include "tst_fuzzinputs.moc"
