#include "testregistry.h"
#include "graph/graphtestsupport.h"
#include "logger/loggertestsupport.h"

#include "app/datetime.h"
#include "files/collection.h"
#include "files/graphfile.h"
#include "graph/graph.h"
#include "graph/pesgraph.h"
#include "logger/loggergraph.h"
#include "logger/loggerhost.h"
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

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
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
    for (int r = 1; r < grid->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < 10; ++c)
            cells << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// The chooser answered with its first button (the collection).
int ChooseCollection(QDialog *d)
{
    if (auto *b = d->findChild<QPushButton *>(QStringLiteral("btnOpenSets")))
        b->click();
    return d->result();
}

// Writes beyond 200 bytes fail while it lives, as on a full disk.
class DiskFull
{
public:
    DiskFull()
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = m_saved;
        small.rlim_cur = 200;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~DiskFull()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_signal);
    }

private:
    struct rlimit m_saved;
    void (*m_signal)(int);
};

} // namespace

class TestCollection : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QLocale::setDefault(QLocale::c());
        GraphTest::RemoveTemplates();
        GraphTest::ResetMain();
        Store() = TLoggerStore();
        QVERIFY(dir.isValid());
        State().UserFolder = dir.path() + QStringLiteral("/user/");
        QDir().mkpath(State().UserFolder);
        QFile::remove(TempCollectionPath());
    }
    void cleanup() { GraphTest::ResetMain(); }

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
        // What a download does with the memory it read.
        GraphTest::Answers answers;
        TfrmGraph *w = PrepareLoggerGraphWindow();
        QCOMPARE(LoggerWindow(), w);
        QCOMPARE(w->windowTitle(), QStringLiteral("DataLogger"));
        QVERIFY(!w->pnlDataSets->isHidden());
        QCOMPARE(DecodeMemoryImage(image), 0);
        QVERIFY(WriteTempCollection(image, int(image.size())));
        GraphDataSet(0);
        State().LoggerDataUnsaved = true;
        listBefore = Rows(w->Grid2);
        QCOMPARE(listBefore.size(), 4);

        // File > Save, the chooser's collection button.
        answers.exec = ChooseCollection;
        answers.filePath = field;
        QVERIFY(SaveDocument(w));
        QCOMPARE(answers.fileRequests.size(), 1);
        QVERIFY(answers.fileRequests.at(0).filter.contains(QStringLiteral("*.738")));
        QCOMPARE(FileBytes(field), image);
        QVERIFY(!State().LoggerDataUnsaved);
        QVERIFY(answers.messages.isEmpty());
    }

    // A new run: no window, no store, no temporary file.
    GraphTest::ResetMain();
    Store() = TLoggerStore();
    State().UserFolder = dir.path() + QStringLiteral("/user/");
    QVERIFY(QFile::remove(TempCollectionPath()));

    GraphTest::Answers answers;
    answers.exec = ChooseCollection;
    OpenDocument(GraphTest::Main()); // open dialog cancelled: an empty logger window stays
    TfrmGraph *w = LoggerWindow();
    QVERIFY(w);
    QCOMPARE(w->Grid2->rowCount(), 1);
    QVERIFY(Store().DataSets.isEmpty());

    answers.filePath = field;
    OpenDocument(GraphTest::Main());
    QCOMPARE(LoggerWindow(), w);
    QCOMPARE(Rows(w->Grid2), listBefore);
    QCOMPARE(FileBytes(TempCollectionPath()), image);
    QVERIFY(!State().LoggerDataUnsaved);
    QCOMPARE(w->PESGraph1->Points(), 12);
    QCOMPARE(w->txtDataNo->text(), QStringLiteral("12"));

    // A click on a row graphs its set: set 2 starts at element 5 * (12 + 30).
    w->Grid2->setCurrentCell(3, 0);
    w->Grid2Click();
    QCOMPARE(w->PESGraph1->Points(), 8);
    QCOMPARE(w->PESGraph1->YData(1, 0), Store().Values.at(210 + 1));
    QCOMPARE(w->PESGraph1->XDataII(4, 7), Store().Times.at(210 + 5 * 7 + 4));
    QCOMPARE(w->ComboBox1->currentIndex(), 0);
    QCOMPARE(w->ComboBox2->currentIndex(), 10);
    QCOMPARE(w->txtStartTime->text(), LocaleUtil::DateTimeText(Store().DataSets.at(2).startTime));
    // The empty fourth set gives an empty graph.
    w->Grid2->setCurrentCell(4, 0);
    w->Grid2Click();
    QCOMPARE(w->PESGraph1->Points(), 0);
    QCOMPARE(w->txtDataNo->text(), QStringLiteral("0"));
    QVERIFY(answers.messages.isEmpty());
}

enum Fault { SaveDiskFull, TempDiskFull, TempFolderBlocked, OpenTooLarge, OpenNoSet };

void TestCollection::faults_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("message"); // part of the one message shown
    QTest::newRow("collection copy on a full disk") << int(SaveDiskFull) << "was not saved";
    QTest::newRow("temporary file on a full disk") << int(TempDiskFull) << "DataSetsTemp.tmp";
    QTest::newRow("temp folder cannot be made") << int(TempFolderBlocked) << "blocked/temp";
    QTest::newRow("file larger than the memory") << int(OpenTooLarge) << "more than the meter's memory";
    QTest::newRow("file without a data set") << int(OpenNoSet) << "holds no data set";
}

void TestCollection::faults()
{
    QFETCH(int, fault);
    QFETCH(QString, message);

    // A downloaded collection, listed, in the temporary file and not yet saved.
    const QByteArray image = MeterImage();
    GraphTest::Answers answers;
    PrepareLoggerGraphWindow();
    QCOMPARE(DecodeMemoryImage(image), 0);
    QVERIFY(WriteTempCollection(image, int(image.size())));
    const QString temp = TempCollectionPath();
    State().LoggerDataUnsaved = true;
    const QStringList list = Rows(LoggerWindow()->Grid2);

    const QString target = dir.filePath(QStringLiteral("old.738"));
    const QByteArray old("an older collection");
    WriteBytes(target, old);
    answers.filePath = target;
    bool ok = true;
    switch (Fault(fault)) {
    case SaveDiskFull: {
        DiskFull full;
        ok = SaveCollection();
        break;
    }
    case TempDiskFull: {
        DiskFull full;
        ok = WriteTempCollection(MeterImage().left(3000), 3000);
        break;
    }
    case TempFolderBlocked:
        State().UserFolder = dir.path() + QStringLiteral("/blocked/");
        QDir().mkpath(State().UserFolder);
        WriteBytes(State().UserFolder + QStringLiteral("temp"), "a file where the folder belongs");
        ok = WriteTempCollection(image, int(image.size()));
        break;
    case OpenTooLarge:
        WriteBytes(target, image + QByteArray(262145 - image.size(), char(0xFF)));
        ok = OpenCollection();
        break;
    case OpenNoSet:
        WriteBytes(target, LoggerTest::Image(0, {}));
        ok = OpenCollection();
        break;
    }

    QVERIFY(!ok);
    QCOMPARE(answers.messages.size(), 1);
    QVERIFY2(answers.messages.at(0).contains(message), qPrintable(answers.messages.at(0)));
    // Nothing the user had is lost: the flag, the old files, the store and the list.
    QVERIFY(State().LoggerDataUnsaved);
    QCOMPARE(FileBytes(temp), image);
    if (fault == SaveDiskFull)
        QCOMPARE(FileBytes(target), old);
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("old.738*")}, QDir::Files | QDir::Hidden).size(), 1);
    QCOMPARE(Store().DataSets.size(), 4);
    QCOMPARE(Rows(LoggerWindow()->Grid2), list);
}

QM738_REGISTER_TEST(TestCollection)
#include "tst_collection.moc"
