#include "testregistry.h"
#include "core/base/translation.h"
#include "graph/graphtestsupport.h"

#include "core/base/datetime.h"
#include "core/logger/download.h"
#include "gui/logger/collection.h"
#include "app/documents.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/engine/pesgraph.h"
#include "gui/logger/loggergraph.h"
#include "gui/logger/loggerhost.h"
#include "sim/simmeter.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

TAppState &State() { return GraphTest::Main()->State; }
TLoggerStore &Store() { return GraphTest::Main()->LoggerStore; }
TfrmGraph *LoggerWindow() { return LoggerHost()->LoggerGraphWindow(); }

QByteArray FileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The simulated meter's three demonstration sets and an empty fourth, as downloaded.
QByteArray MeterImage()
{
    TSimMeter meter;
    meter.LoadDemoDataSets();
    TSimDataSet empty;
    empty.start = QDateTime(QDate(2025, 7, 2), QTime(6, 0, 0));
    meter.AddDataSet(empty);
    return meter.Memory().left(meter.EndAddress() + 1);
}

QStringList Rows(QTableWidget *grid)
{
    QStringList rows;
    for (int r = 1; r < grid->rowCount(); ++r)
        for (int c = 0; c < 10; ++c)
            rows << grid->item(r, c)->text();
    return rows;
}

// The chooser answered with its collection button.
int ChooseCollection(QDialog *d)
{
    d->findChild<QPushButton *>(QStringLiteral("btnOpenSets"))->click();
    return d->result();
}

} // namespace

class TestCollection : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        GraphTest::RemoveTemplates();
        GraphTest::ResetMain();
        Store() = TLoggerStore();
        State().UserFolder = dir.path() + QStringLiteral("/user/");
        QFile::remove(TempCollectionPath());
        TsiLangDispatcher::Instance()->SetActiveLanguage(1); // the messages compared are English
    }
    void cleanup()
    {
        GraphTest::ResetMain();
        TsiLangDispatcher::Instance()->SetActiveLanguage(2);
    }
    void roundTripThroughFileMenu();
    void faults_data();
    void faults();

private:
    QTemporaryDir dir;
};

void TestCollection::roundTripThroughFileMenu()
{
    const QByteArray image = MeterImage();
    const QString field = dir.filePath(QStringLiteral("field.738"));
    QStringList listBefore;
    {
        // What a download does with the memory it read, then File > Save.
        GraphTest::Answers answers;
        TfrmGraph *w = PrepareLoggerGraphWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("DataLogger"));
        QVERIFY(!w->pnlDataSets->isHidden());
        QCOMPARE(DecodeMemoryImage(image), 0);
        QVERIFY(WriteTempCollection(image, int(image.size())));
        State().LoggerDataUnsaved = true;
        listBefore = Rows(w->Grid2);
        QCOMPARE(listBefore.size(), 40);
        answers.exec = ChooseCollection;
        answers.filePath = field;
        QVERIFY(SaveDocument(w));
        QCOMPARE(FileBytes(field), image);
        QVERIFY(!State().LoggerDataUnsaved);
    }

    // A new run without window, store or temporary file: File > Open.
    init();
    GraphTest::Answers answers;
    answers.exec = ChooseCollection;
    OpenDocument(GraphTest::Main()); // open dialog cancelled: an empty logger window stays
    TfrmGraph *w = LoggerWindow();
    QVERIFY(w && w->Grid2->rowCount() == 1);
    answers.filePath = field;
    OpenDocument(GraphTest::Main());
    QCOMPARE(LoggerWindow(), w);
    QCOMPARE(Rows(w->Grid2), listBefore);
    QCOMPARE(FileBytes(TempCollectionPath()), image);
    QCOMPARE(w->PESGraph1->Points(), 12);

    // A click on a row graphs its set: set 2 (10 s) starts at element 5 * (12 + 30).
    w->Grid2->setCurrentCell(3, 0);
    w->Grid2Click();
    QCOMPARE(w->PESGraph1->Points(), 8);
    QCOMPARE(w->PESGraph1->YData(1, 0), Store().Values.at(211));
    QCOMPARE(w->PESGraph1->XDataII(4, 7), Store().Times.at(210 + 5 * 7 + 4));
    QCOMPARE(w->ComboBox2->currentIndex(), 10);
    QCOMPARE(w->txtDataNo->text(), QStringLiteral("8"));
    QCOMPARE(w->txtStartTime->text(), LocaleUtil::DateTimeText(Store().DataSets.at(2).startTime));
    w->Grid2->setCurrentCell(4, 0); // the empty set: an empty graph
    w->Grid2Click();
    QCOMPARE(w->PESGraph1->Points(), 0);
    QVERIFY(answers.messages.isEmpty());

    // Named on the command line (or by a file manager): no dialog.
    init();
    QVERIFY(OpenFileFromOutside(field));
    QVERIFY(LoggerWindow());
    QCOMPARE(Rows(LoggerWindow()->Grid2), listBefore);

    // Handed over by a later start but missing: the message box of File > Open.
    const QString missing = QDir::temp().filePath(QStringLiteral("qm738-missing-%1.ghf").arg(QCoreApplication::applicationPid()));
    GraphTest::Answers handed; // init() silenced the answers above
    QVERIFY(!OpenFileFromOutside(missing));
    QCOMPARE(handed.messages.size(), 1);
    const QString expected = AddedText("Cannot read the graph file \"%1\".\n%2").arg(QDir::toNativeSeparators(missing), QString());
    QVERIFY2(handed.messages.first().startsWith(expected), qPrintable(handed.messages.first()));
    handed.messages.clear();
    QVERIFY(!OpenFileFromOutside(QDir::temp().filePath(QStringLiteral("notes.odt"))));
    QCOMPARE(handed.messages.size(), 1);
}

enum Fault { SaveDiskFull, TempDiskFull, TempFolderBlocked, OpenTooLarge, DownloadNotKept, OpenNotKept };

void TestCollection::faults_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("message"); // part of the one message shown
    QTest::newRow("collection copy, disk full") << int(SaveDiskFull) << "was not saved";
    QTest::newRow("temporary file, disk full") << int(TempDiskFull) << "DataSetsTemp.tmp";
    QTest::newRow("temp folder cannot be made") << int(TempFolderBlocked) << "blocked/temp";
    QTest::newRow("file larger than the memory") << int(OpenTooLarge) << "more than the meter's memory";
    // A new download or collection that cannot be kept on disk is not shown
    // either: a later save would copy the previous temporary file.
    QTest::newRow("download, temporary file not written") << int(DownloadNotKept) << "DataSetsTemp.tmp";
    QTest::newRow("open, temporary file not written") << int(OpenNotKept) << "DataSetsTemp.tmp";
}

void TestCollection::faults()
{
    QFETCH(int, fault);
    QFETCH(QString, message);

    // A download listed, in the temporary file and not saved; an older collection file.
    const QByteArray image = MeterImage();
    GraphTest::Answers answers;
    PrepareLoggerGraphWindow();
    QCOMPARE(DecodeMemoryImage(image), 0);
    QVERIFY(WriteTempCollection(image, int(image.size())));
    const QString temp = TempCollectionPath();
    State().LoggerDataUnsaved = true;
    const QStringList list = Rows(LoggerWindow()->Grid2);
    answers.filePath = dir.filePath(QStringLiteral("old.738"));
    QVERIFY(WriteBytes(answers.filePath, "an older collection"));

    // Writes beyond 200 bytes fail, as on a full disk.
    struct rlimit saved, small;
    getrlimit(RLIMIT_FSIZE, &saved);
    small = saved;
    small.rlim_cur = 200;
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    bool ok = true;
    switch (fault) {
    case SaveDiskFull:
        setrlimit(RLIMIT_FSIZE, &small);
        ok = SaveCollection();
        break;
    case TempDiskFull:
        setrlimit(RLIMIT_FSIZE, &small);
        ok = WriteTempCollection(image.left(3000), 3000);
        break;
    case TempFolderBlocked:
        State().UserFolder = dir.path() + QStringLiteral("/blocked/");
        QVERIFY(QDir().mkpath(State().UserFolder) && WriteBytes(State().UserFolder + "temp", "a file"));
        ok = WriteTempCollection(image, int(image.size()));
        break;
    case OpenTooLarge:
        QVERIFY(WriteBytes(answers.filePath, image + QByteArray(262145 - image.size(), char(0xFF))));
        ok = OpenCollection();
        break;
    case DownloadNotKept:
    case OpenNotKept: {
        TSimMeter other;
        other.LoadDemoDataSets(); // three sets, not four
        const QByteArray newer = other.Memory().left(other.EndAddress() + 1);
        QVERIFY(WriteBytes(answers.filePath, newer));
        setrlimit(RLIMIT_FSIZE, &small);
        if (fault == DownloadNotKept)
            ok = BindDataSetSteps().DecodeMemoryImage(newer) == DownloadResult::Ok;
        else
            ok = OpenCollectionFile(answers.filePath);
        break;
    }
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    QVERIFY(!ok);
    // An open over the unsaved download asks about it first (answered No).
    if (fault == OpenTooLarge && !answers.messages.isEmpty()
        && answers.messages.first() == QStringLiteral("Save DataLogger Data ?"))
        answers.messages.removeFirst();
    QCOMPARE(answers.messages.size(), 1);
    QVERIFY2(answers.messages.at(0).contains(message), qPrintable(answers.messages.at(0)));
    // Nothing is lost: the flag, the temporary file, the old file, the store and the list.
    QVERIFY(State().LoggerDataUnsaved);
    QCOMPARE(FileBytes(temp), image);
    if (fault == SaveDiskFull)
        QCOMPARE(FileBytes(answers.filePath), QByteArray("an older collection"));
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("old.738*")}, QDir::Files | QDir::Hidden).size(), 1);
    QCOMPARE(Store().DataSets.size(), 4);
    QCOMPARE(Rows(LoggerWindow()->Grid2), list);
}

QM738_REGISTER_TEST(TestCollection)
#include "tst_collection.moc"
