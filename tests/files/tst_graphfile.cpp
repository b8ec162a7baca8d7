#include "testregistry.h"
#include "graph/graphtestsupport.h"

#include "gui/base/opensave.h"
#include "core/base/translation.h"
#include "core/files/graphfile.h"
#include "gui/graph/window/graphfileio.h"
#include "gui/files/graphfile.h"
#include "app/documents.h"
#include "gui/graph/window/graph.h"
#include "core/graph/graphmodel.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/window/realtime.h"
#include "gui/graph/engine/pesgraph.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtEndian>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// A graph of 20 points with data, a Y scale and an annotation.
void MakeGraph(PESGraph &g)
{
    SetUpGraph(&g, 5, 50, -10, 46000.5 + 40 / 86400.0, 46000.5, 20);
    for (int p = 0; p < 20; ++p)
        for (int k = 0; k < 5; ++k) {
            g.setXDataII(k, p, 46000.5 + p * 2 / 86400.0);
            g.setYData(k, p, 10.0f * k + p * 0.5f);
        }
    g.setWorkingAxis(0);
    g.setManualMinY(-5);
    g.setManualMaxY(45);
    g.setGraphAnnotationType(4, PESGraph::AnnotCross);
    g.setGraphAnnotationX(4, 46000.5 + 10 / 86400.0);
    g.setGraphAnnotationY(4, 12.5);
    g.setGraphAnnotationText(4, QStringLiteral("door"));
}

QByteArray FileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray Length(quint32 n)
{
    QByteArray b(4, 0);
    qToLittleEndian<quint32>(n, reinterpret_cast<uchar *>(b.data()));
    return b;
}

int GraphWindowCount()
{
    int n = 0;
    for (QMdiSubWindow *sw : GraphTest::Main()->MdiArea->subWindowList())
        if (qobject_cast<TfrmGraph *>(sw->widget()))
            ++n;
    return n;
}

} // namespace

class TestGraphFiles : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QLocale::setDefault(QLocale::c());
        GraphTest::RemoveTemplates();
        GraphTest::ResetMain();
        QVERIFY(dir.isValid());
    }
    void cleanup()
    {
        GraphTest::ResetMain();
        QLocale::setDefault(QLocale::system());
    }

    void frameIsLengthAndBlock();
    void roundTripUpperCaseExtension();
    void otherExtensionsWriteNothing_data();
    void otherExtensionsWriteNothing();
    void textExtensionsCallExport_data();
    void textExtensionsCallExport();
    void badFiles_data();
    void badFiles();
    void failedSaveKeepsOldFile();
    void saveDispatch();
    void loggerSaveAsksChooser_data();
    void loggerSaveAsksChooser();
    void openSingleFileByExtension();

private:
    QTemporaryDir dir;
};

void TestGraphFiles::frameIsLengthAndBlock()
{
    PESGraph g;
    MakeGraph(g);
    const QString path = dir.filePath(QStringLiteral("frame.ghf"));
    QVERIFY(SaveGraphFile(&g, path));
    const QByteArray bytes = FileBytes(path);
    const QByteArray block = g.SaveGraphBlock();
    QCOMPARE(bytes.size(), block.size() + 4);
    QCOMPARE(qFromLittleEndian<quint32>(bytes.constData()), quint32(block.size()));
    QCOMPARE(bytes.mid(4), block);
}

void TestGraphFiles::roundTripUpperCaseExtension()
{
    GraphTest::Answers answers;
    TfrmGraph *rt = CreateRealTimeGraphWindow();
    MakeGraph(*rt->PESGraph1);
    const QString path = dir.filePath(QStringLiteral("Session.GHF"));
    answers.filePath = path;
    QVERIFY(SaveDocument(rt));
    QCOMPARE(answers.fileRequests.size(), 1);
    QVERIFY(answers.fileRequests.first().save);
    QVERIFY(QFileInfo(path).isFile());
    QVERIFY(answers.messages.isEmpty());

    TfrmGraph *opened = OpenGraphFile(path);
    QVERIFY(opened);
    QCOMPARE(opened->windowTitle(), QFileInfo(path).absoluteFilePath());
    QVERIFY(!opened->IsRealTimeRole());
    QCOMPARE(opened->PESGraph1->model(), rt->PESGraph1->model());
    QCOMPARE(opened->PESGraph1->GraphAnnotationText(4), QStringLiteral("door"));
    QCOMPARE(opened->parentWidget()->pos(), QPoint(0, 0));
    QVERIFY(!opened->chkSplit->isChecked());
    QVERIFY(opened->ToolButton5->isEnabled());
    QVERIFY(opened->PESGraph1->AllowGraphAnnotHotSpots());
    QCOMPARE(opened->txtDataNo->text(), QStringLiteral("20"));
}

void TestGraphFiles::otherExtensionsWriteNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow(".dat") << QStringLiteral("graph.dat");
    QTest::newRow("no extension") << QStringLiteral("graph");
    QTest::newRow(".ghf.bak") << QStringLiteral("graph.ghf.bak");
}

void TestGraphFiles::otherExtensionsWriteNothing()
{
    QFETCH(QString, name);
    GraphTest::Answers answers;
    PESGraph g;
    MakeGraph(g);
    answers.filePath = dir.filePath(name);
    QVERIFY(!SaveGraphAs(&g));
    QVERIFY(!QFileInfo::exists(answers.filePath));
    QVERIFY(answers.messages.isEmpty());
}

void TestGraphFiles::textExtensionsCallExport_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("locale");
    QTest::newRow(".txt") << QStringLiteral("g.txt") << QChar('\t') << "C";
    QTest::newRow(".CSV") << QStringLiteral("g.CSV") << QChar(',') << "C";
    QTest::newRow(".csv, decimal comma") << QStringLiteral("g.csv") << QChar(';') << "fr_FR";
}

void TestGraphFiles::textExtensionsCallExport()
{
    QFETCH(QString, name);
    QFETCH(QChar, separator);
    QFETCH(QString, locale);
    const QLocale before;
    QLocale::setDefault(QLocale(locale));
    GraphTest::Answers answers;
    PESGraph g;
    MakeGraph(g);
    answers.filePath = dir.filePath(name);
    answers.exec = [](QDialog *) { return int(QDialog::Accepted); }; // the whole range
    QVERIFY(SaveGraphAs(&g));
    QFile written(answers.filePath);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray line = written.readLine();
    QLocale::setDefault(before);
    QVERIFY(line.contains(separator.toLatin1())); // the export with that separator
}

void TestGraphFiles::badFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("truncated length") << QByteArray("\x05\x00", 2);
    QTest::newRow("length beyond the file") << (Length(1000) + QByteArray(10, 'x'));
    QTest::newRow("huge length") << (Length(0xFFFFFFF0u) + QByteArray(16, 'x'));
    QTest::newRow("bad block") << (Length(8) + QByteArray("notgraph", 8));
    QTest::newRow("empty block") << Length(0);
}

void TestGraphFiles::badFiles()
{
    QFETCH(QByteArray, bytes);
    const QString path = dir.filePath(QStringLiteral("bad.ghf"));
    WriteBytes(path, bytes);
    GraphTest::Answers answers;
    PESGraph g;
    MakeGraph(g);
    const TGraphModel before = g.model();
    QVERIFY(!LoadGraphFile(&g, path));
    QCOMPARE(answers.messages.size(), 1);
    QVERIFY(answers.messages.first().contains(QStringLiteral("bad.ghf")));
    QVERIFY(g.model() == before);

    const int windows = GraphWindowCount();
    QVERIFY(!OpenGraphFile(path));
    QCOMPARE(answers.messages.size(), 2);
    QCOMPARE(GraphWindowCount(), windows);
}

void TestGraphFiles::failedSaveKeepsOldFile()
{
    const QString path = dir.filePath(QStringLiteral("old.ghf"));
    const QByteArray old = Length(3) + QByteArray("old", 3);
    WriteBytes(path, old);
    PESGraph g;
    MakeGraph(g);
    QVERIFY(g.SaveGraphBlock().size() > 400);

    // Let writes beyond 200 bytes fail, as on a full disk.
    GraphTest::Answers answers;
    struct rlimit saved;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 200;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved_ok = SaveGraphFile(&g, path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    QVERIFY(!saved_ok);
    QCOMPARE(answers.messages.size(), 1);
    QCOMPARE(FileBytes(path), old);
    const QStringList left = QDir(dir.path()).entryList({QStringLiteral("old.ghf*")}, QDir::Files | QDir::Hidden);
    QCOMPARE(left, QStringList{QStringLiteral("old.ghf")}); // no temporary file left behind
}

void TestGraphFiles::saveDispatch()
{
    GraphTest::Answers answers;
    answers.filePath = QString(); // cancel every file dialog
    QVERIFY(!SaveDocument(nullptr));
    QWidget panel;
    panel.setObjectName(QStringLiteral("frmPanel"));
    QVERIFY(!SaveDocument(&panel));
    QCOMPARE(answers.execCount + answers.fileRequests.size(), 0);
    TfrmGraph *rt = CreateRealTimeGraphWindow();
    SaveDocument(rt); // straight to the save dialog
    QCOMPARE(answers.execCount, 0);
    QCOMPARE(answers.fileRequests.size(), 1);
    const Dialogs::FileRequest r = answers.fileRequests.first();
    QCOMPARE(r.defaultSuffix, QStringLiteral("GHF"));
    QVERIFY(r.filter.contains(QStringLiteral("*.CSV"))); // C locale: the decimal separator is a point
}

void TestGraphFiles::loggerSaveAsksChooser_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("collection");
    QTest::addColumn<int>("fileDialogs");
    QTest::newRow("collection") << QStringLiteral("btnOpenSets") << true << 1;
    QTest::newRow("single") << QStringLiteral("btnOpenSingleSet") << false << 1;
    QTest::newRow("cancel") << QStringLiteral("Button1") << false << 0;
}

void TestGraphFiles::loggerSaveAsksChooser()
{
    QFETCH(QString, button);
    QFETCH(bool, collection);
    QFETCH(int, fileDialogs);
    GraphTest::Answers answers;
    auto *logger = new TfrmGraph;
    logger->setWindowTitle(TfrmGraph::LoggerCaption());
    logger->Embed();
    QString title;
    answers.exec = [&](QDialog *d) {
        auto *chooser = qobject_cast<TfrmOpenSave *>(d);
        if (!chooser)
            return int(QDialog::Rejected);
        title = chooser->windowTitle();
        chooser->findChild<QPushButton *>(button)->click();
        return chooser->result();
    };
    SaveDocument(logger);
    QCOMPARE(answers.execCount, 1);
    QCOMPARE(title, GetTextOrDefault(QStringLiteral("IDS_22")));
    QCOMPARE(answers.fileRequests.size(), fileDialogs);
    if (fileDialogs) // the collection's save dialog, or the single graph's
        QCOMPARE(answers.fileRequests.first().filter.contains(QStringLiteral("*.738")), collection);
}

void TestGraphFiles::openSingleFileByExtension()
{
    GraphTest::Answers answers;
    PESGraph g;
    MakeGraph(g);
    const QString ghf = dir.filePath(QStringLiteral("open.Ghf"));
    QVERIFY(SaveGraphFile(&g, ghf));

    const int windows = GraphWindowCount();
    answers.exec = [](QDialog *d) {
        d->findChild<QPushButton *>(QStringLiteral("btnOpenSingleSet"))->click();
        return d->result();
    };
    answers.filePath = ghf;
    OpenDocument();
    QCOMPARE(GraphWindowCount(), windows + 1);
    QCOMPARE(answers.fileRequests.size(), 1);
    QVERIFY(!answers.fileRequests.first().save);

    answers.filePath = dir.filePath(QStringLiteral("table.TXT")); // missing: the table import says so
    OpenDocument();
    QCOMPARE(answers.messages.size(), 1);
    QVERIFY(answers.messages.first().contains(QStringLiteral("table.TXT")));
    answers.filePath = dir.filePath(QStringLiteral("picture.png"));
    OpenDocument();
    QCOMPARE(GraphWindowCount(), windows + 1);
    QCOMPARE(answers.messages.size(), 1);
}

QM738_REGISTER_TEST(TestGraphFiles)
#include "tst_graphfile.moc"
