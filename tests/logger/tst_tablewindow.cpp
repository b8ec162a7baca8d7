#include "testregistry.h"
#include "graph/graphtestsupport.h"

#include "core/base/translation.h"
#include "gui/files/printing.h"
#include "gui/files/texttable.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/window/graphcustomize.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/window/realtime.h"
#include "gui/graph/engine/pesgraph.h"
#include "gui/logger/list.h"
#include "gui/logger/tablegraph.h"

#include <QBuffer>
#include <QHeaderView>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

namespace {

// A table window in the main window's frame holding `text`.
TfrmList *Table(const QByteArray &text)
{
    auto *list = new TfrmList;
    list->setWindowTitle(QStringLiteral("table"));
    list->Embed();
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    ImportTextIntoList(list, buffer, QChar('\t'));
    return list;
}

QMdiSubWindow *Frame(QWidget *w) { return qobject_cast<QMdiSubWindow *>(w->parentWidget()); }

int GraphWindowCount()
{
    int n = 0;
    for (QMdiSubWindow *sw : GraphTest::Main()->MdiArea->subWindowList())
        n += qobject_cast<TfrmGraph *>(sw->widget()) != nullptr;
    return n;
}

} // namespace

class TestTableWindow : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        GraphTest::RemoveTemplates();
        GraphTest::ResetMain();
    }
    void cleanup()
    {
        GraphTest::ResetMain();
        SetGraphCustomizeHook({});
        PESGraph::setPrintHook({});
        QLocale::setDefault(QLocale::system());
    }

    void gridAndActivation();
    void outputToGraph_data();
    void outputToGraph();
    void printGraphWindow();
};

void TestTableWindow::gridAndActivation()
{
    TfrmMain *main = GraphTest::Main();
    TfrmList *list = Table("09/12/2025\t12:00:00\t1\t2\t3\t4\t5\r\n");
    QCOMPARE(list->objectName(), QStringLiteral("frmList"));
    QTableWidget *grid = list->Grid1;
    QCOMPARE(grid->objectName(), QStringLiteral("Grid1"));
    QCOMPARE(grid->columnCount(), 8);
    QCOMPARE(grid->verticalHeader()->defaultSectionSize(), 18);
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(grid->selectionMode(), QAbstractItemView::ContiguousSelection);
    QVERIFY(!(grid->item(0, 0)->flags() & Qt::ItemIsSelectable)); // the fixed column

    TfrmGraph *graph = qobject_cast<TfrmGraph *>(main->RealTimeGraphWindow.data());
    if (!graph)
        graph = CreateRealTimeGraphWindow();
    main->MdiArea->setActiveSubWindow(Frame(list));
    QVERIFY(main->btnOutputToGraph->isEnabled());
    main->MdiArea->setActiveSubWindow(Frame(graph));
    QVERIFY(!main->btnOutputToGraph->isEnabled());
    // With the graph active the button does nothing.
    const int graphs = GraphWindowCount();
    main->btnOutputToGraphClick();
    QCOMPARE(GraphWindowCount(), graphs);

    // Closing frees the window.
    QPointer<TfrmList> gone = list;
    Frame(list)->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(gone.isNull());
}

void TestTableWindow::outputToGraph_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("message");     // "" = none
    QTest::addColumn<int>("newWindows");
    QTest::addColumn<int>("points");          // of the new graph; -1 = not set up
    QTest::newRow("empty table") << QByteArray() << GetTextOrDefault("IDS_55") << 0 << -1;
    QTest::newRow("bad first time") << QByteArray("yesterday\tnoon\t1\t2\t3\t4\t5\r\n")
                                    << AddedText("'%1' is not a valid date and time").arg("yesterday noon") << 1 << -1;
    QTest::newRow("one row") << QByteArray("09/12/2025\t12:00:00\t1\t2\t3\t4\t5\r\n") << "" << 1 << 1;
    QTest::newRow("bad inner row") << QByteArray("09/12/2025\t12:00:00\t1\t2\t3\t4\t5\r\n"
                                                 "x\ty\t1\t2\t3\t4\t5\r\n"
                                                 "09/12/2025\t12:00:04\t1\t2\t3\t4\t5\r\n")
                                   << "" << 1 << 3;
}

void TestTableWindow::outputToGraph()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, message);
    QFETCH(int, newWindows);
    QFETCH(int, points);
    TfrmMain *main = GraphTest::Main();
    TfrmList *list = Table(text);
    main->MdiArea->setActiveSubWindow(Frame(list));
    GraphTest::Answers answers;
    const int before = GraphWindowCount();
    main->btnOutputToGraphClick();
    QCOMPARE(answers.messages, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(GraphWindowCount(), before + newWindows);
    if (points < 0)
        return;
    auto *graph = qobject_cast<TfrmGraph *>(main->MdiArea->subWindowList().last()->widget());
    QVERIFY(graph);
    QCOMPARE(graph->windowTitle(), QStringLiteral("table"));
    QCOMPARE(graph->PESGraph1->Points(), points);
    if (points == 3) { // the unreadable row stays empty
        QCOMPARE(graph->PESGraph1->XDataII(0, 1), 0.0);
        QCOMPARE(graph->PESGraph1->YData(0, 1), 9999.0f);
        QCOMPARE(graph->PESGraph1->YData(4, 2), 5.0f);
    }
}

void TestTableWindow::printGraphWindow()
{
    // The print page, then the print dialog on the same printer; the
    // customisation dialog and its question about saving stay out of it.
    TfrmGraph *graph = CreateRealTimeGraphWindow();
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("graph.pdf"));
    GraphTest::Answers answers;
    QStringList shown;
    answers.exec = [&](QDialog *d) {
        shown << d->objectName();
        if (auto *print = qobject_cast<QPrintDialog *>(d)) {
            print->printer()->setOutputFormat(QPrinter::PdfFormat);
            print->printer()->setOutputFileName(pdf);
        }
        return int(QDialog::Accepted);
    };
    SetGraphCustomizeHook([&](TGraphCustomizeDialog &) {
        shown << QStringLiteral("customize");
        return int(QDialog::Rejected);
    });
    const QColor desk = graph->PESGraph1->DeskColor();
    QPrinter printer;
    PrintDocument(graph, printer);
    QCOMPARE(shown.value(0), QStringLiteral("frmGraphPrint"));
    QCOMPARE(shown.size(), 2);
    QCOMPARE(answers.messages, QStringList());
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll().startsWith("%PDF"));
    QCOMPARE(graph->PESGraph1->DeskColor(), desk); // the screen's look comes back
    QCOMPARE(GraphPrintTitle(QStringLiteral("DataLogger"), QStringLiteral("04/08/2025 21:00:00"), QString()),
             QStringLiteral("DataLogger  -  04/08/2025 21:00:00"));
}

QM738_REGISTER_TEST(TestTableWindow)
#include "tst_tablewindow.moc"
