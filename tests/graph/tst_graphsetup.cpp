#include "testregistry.h"
#include "graphtestsupport.h"

#include "core/base/datetime.h"
#include "gui/graph/window/graphfileio.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/window/realtime.h"
#include "gui/graph/engine/pesgraph.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QToolButton>
#include <QtTest>

class TestGraphSetUp : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        GraphTest::RemoveTemplates();
        GraphTest::ResetMain();
    }
    void cleanup()
    {
        GraphTest::ResetMain();
        GraphTest::RemoveTemplates();
    }

    void realTimeWindowWithoutTemplate();
    void templateGivesLookNotContent();
    void shippedTemplateWhenTheUserHasNone();
    void splitTemplateGivesOneAxis();
    void unreadableTemplateEndsSetUp();
    void rateLists_data();
    void rateLists();
    void viewToggleRecreatesWindow();
};

void TestGraphSetUp::realTimeWindowWithoutTemplate()
{
    const double before = DateTimeUtil::Now();
    TfrmGraph *w = CreateRealTimeGraphWindow();
    const double after = DateTimeUtil::Now();
    QVERIFY(w);
    QCOMPARE(GraphTest::Main()->RealTimeGraphWindow.data(), static_cast<QWidget *>(w));
    QVERIFY(GraphTest::Main()->RealTimeGraph1->isChecked());
    QCOMPARE(w->windowTitle(), QStringLiteral("Real-Time Graph"));
    QVERIFY(w->IsRealTimeRole());
    QVERIFY(!w->tbntClr->isHidden());
    QVERIFY(!w->tbntSep3->isHidden());
    QVERIFY(w->pnlSamplingRate->isEnabled());

    PESGraph *g = w->PESGraph1;
    QCOMPARE(g->Subsets(), 5);
    QCOMPARE(g->Points(), 100);
    g->setWorkingAxis(0);
    QCOMPARE(g->ManualMinY(), -10.0);
    QCOMPARE(g->ManualMaxY(), 50.0);
    QCOMPARE(g->ManualScaleControlX(), int(PESGraph::ScaleManualMinMax));
    QVERIFY(g->ManualMinX() >= before && g->ManualMinX() <= after);
    QCOMPARE(qRound((g->ManualMaxX() - g->ManualMinX()) * 86400.0), 110);
    const QStringList labels{QStringLiteral("%RH"), QStringLiteral("T1"), QStringLiteral("T2")};
    for (int k = 0; k < 3; ++k)
        QCOMPARE(g->SubsetLabels(k), labels[k]);
    QVERIFY(!g->SubsetLabels(3).isEmpty());
    QVERIFY(!g->SubsetLabels(4).isEmpty());
    const QColor colors[5] = {QColor(255, 255, 0), QColor(0, 0, 255), QColor(255, 0, 0), QColor(0, 255, 0),
                              QColor(255, 0, 255)};
    for (int k = 0; k < 5; ++k)
        QCOMPARE(g->SubsetColors(k), colors[k]);
    for (int k = 0; k < 5; ++k)
        for (int p = 0; p < 100; ++p) {
            QCOMPARE(g->YData(k, p), 9999.0f);
            QCOMPARE(g->XDataII(k, p), 0.0);
        }
    QCOMPARE(g->DateTimeMode(), 1);
    QCOMPARE(g->AllowZooming(), int(PESGraph::ZoomBoth));
    QCOMPARE(g->GraphBackColor(), QColor(0, 0, 0));
    QCOMPARE(g->axisCount(), 1);
    QVERIFY(g->AllowGraphAnnotHotSpots());
    QVERIFY(!g->FocalRect());
    QVERIFY(!g->AllowBar());
    QVERIFY(w->ToolButton5->isEnabled());
    QVERIFY(w->ToolButton9->isEnabled());
}

void TestGraphSetUp::templateGivesLookNotContent()
{
    {
        PESGraph source;
        QVERIFY(SetUpGraph(&source, 5, 50, -10, 0, 0, 10));
        source.setWorkingAxis(0);
        source.setManualMinY(0);
        source.setManualMaxY(40);
        source.setSubsetLabels(0, QStringLiteral("Humidity"));
        source.setSubsetColors(1, QColor(10, 20, 30));
        source.setMainTitle(QStringLiteral("Cellar"));
        // Content of the old graph: a text, a cross, line annotations, the statistics table.
        source.setGraphAnnotationType(4, PESGraph::AnnotNoSymbol);
        source.setGraphAnnotationText(4, QStringLiteral("door opened"));
        source.setGraphAnnotationX(4, 46000.5);
        source.setGraphAnnotationType(5, PESGraph::AnnotCross);
        source.setGraphAnnotationX(5, 46000.6);
        source.setVertLineAnnotation(0, 46000.7);
        source.setVertLineAnnotationText(0, QStringLiteral("MAX"));
        source.setTARows(15);
        source.setTAColumns(2);
        source.setTAText(0, 1, QStringLiteral("9 Dec 2026 08:38:48"));
        source.setTAShow(true);
        QVERIFY(SaveGraphFile(&source, TemplateWritePath()));
    }
    // The template is the user's own, under the application data folder.
    QCOMPARE(TemplateReadPath(), TemplateWritePath());
    QVERIFY(TemplateReadPath().startsWith(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));

    // Whatever Y range the caller passes, the template's scale, labels, colours
    // and titles win; shape, cells and X range are imposed; no content comes along.
    PESGraph g;
    const double start = 46000.5;
    QVERIFY(SetUpGraph(&g, 5, 100, -20, start + 0.01, start, 37));
    g.setWorkingAxis(0);
    QCOMPARE(g.ManualMinY(), 0.0);
    QCOMPARE(g.ManualMaxY(), 40.0);
    QCOMPARE(g.SubsetLabels(0), QStringLiteral("Humidity"));
    QCOMPARE(g.SubsetColors(1), QColor(10, 20, 30));
    QCOMPARE(g.MainTitle(), QStringLiteral("Cellar"));
    QCOMPARE(g.VertLineAnnotationColor(0), QColor(0, 0, 255));
    QCOMPARE(g.Points(), 37);
    QCOMPARE(g.ManualMinX(), start);
    QCOMPARE(g.YData(2, 36), 9999.0f);
    QCOMPARE(g.graphAnnotationCount(), 0);
    QCOMPARE(g.VertLineAnnotation(0), 0.0);
    QCOMPARE(g.VertLineAnnotationText(0), QString());
    QVERIFY(!g.TAShow());
    QCOMPARE(g.TARows() * g.TAColumns(), 0);

    TfrmGraph *w = CreateRealTimeGraphWindow();
    w->PESGraph1->setWorkingAxis(0);
    QCOMPARE(w->PESGraph1->ManualMaxY(), 40.0);
    QCOMPARE(w->PESGraph1->Points(), 100);
    QVERIFY(!w->PESGraph1->TAShow());
}

void TestGraphSetUp::shippedTemplateWhenTheUserHasNone()
{
    // A template shipped in the program's folder is read until the user saves one.
    QVERIFY(QDir().mkpath(QFileInfo(ShippedTemplatePath()).absolutePath()));
    {
        PESGraph shipped;
        QVERIFY(SetUpGraph(&shipped, 5, 50, -10, 0, 0, 10));
        shipped.setMainTitle(QStringLiteral("shipped"));
        QVERIFY(SaveGraphFile(&shipped, ShippedTemplatePath()));
    }
    PESGraph g;
    QVERIFY(SetUpGraph(&g, 5, 50, -10, 0, 0, 10));
    QCOMPARE(g.MainTitle(), QStringLiteral("shipped"));
    g.setMainTitle(QStringLiteral("mine"));
    QVERIFY(SaveGraphFile(&g, TemplateWritePath()));
    QVERIFY(QFileInfo(ShippedTemplatePath()).isFile()); // the shipped copy is never written
    PESGraph next;
    QVERIFY(SetUpGraph(&next, 5, 50, -10, 0, 0, 10));
    QCOMPARE(next.MainTitle(), QStringLiteral("mine"));
    QFile::remove(ShippedTemplatePath());
}

void TestGraphSetUp::splitTemplateGivesOneAxis()
{
    {
        TfrmGraph source;
        QVERIFY(SetUpGraph(source.PESGraph1, 5, 50, -10, 0, 0, 10));
        source.chkSplit->setChecked(true);
        source.chkSplitClick();
        QCOMPARE(source.PESGraph1->axisCount(), 3);
        QVERIFY(SaveGraphFile(source.PESGraph1, TemplateWritePath()));
    }
    TfrmGraph w;
    QVERIFY(SetUpGraph(w.PESGraph1, 5, 50, -10, 0, 0, 10));
    QCOMPARE(w.PESGraph1->axisCount(), 1);
    QCOMPARE(w.PESGraph1->MultiAxesProportions(0), 1.0);
    QCOMPARE(w.PESGraph1->MultiAxesSubsets(1), 0);
    w.UpdateToolStates();
    QVERIFY(w.ToolButton5->isEnabled());
}

void TestGraphSetUp::unreadableTemplateEndsSetUp()
{
    const QString path = TemplateWritePath();
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\x10\x00\x00\x00garbage", 11));
    f.close();

    GraphTest::Answers answers;
    PESGraph g;
    g.setPoints(3);
    QVERIFY(!SetUpGraph(&g, 5, 50, -10, 0, 0, 100));
    QCOMPARE(answers.messages.size(), 1);
    QCOMPARE(g.Points(), 3); // nothing imposed after the failure
}

void TestGraphSetUp::rateLists_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("seconds");
    QTest::newRow("90 s") << 90 << 1 << 30;
    QTest::newRow("2 s") << 2 << 0 << 2;
    QTest::newRow("1 h") << 3600 << 60 << 0;
}

void TestGraphSetUp::rateLists()
{
    QFETCH(int, rate);
    QFETCH(int, minutes);
    QFETCH(int, seconds);
    GraphTest::Main()->State.RealTimeRate = rate;
    TfrmGraph *w = CreateRealTimeGraphWindow();
    QCOMPARE(w->ComboBox1->currentIndex(), minutes);
    QCOMPARE(w->ComboBox2->currentIndex(), seconds);
    QCOMPARE(GraphTest::Main()->State.RealTimeRate, rate); // setting the lists changes nothing
}

void TestGraphSetUp::viewToggleRecreatesWindow()
{
    TfrmMain *main = GraphTest::Main();
    main->RealTimeGraph1Click();
    QVERIFY(main->RealTimeGraphWindow);
    QPointer<QWidget> first = main->RealTimeGraphWindow;
    main->RealTimeGraph1Click(); // exists: only restored
    QCOMPARE(main->RealTimeGraphWindow.data(), first.data());
    QVERIFY(first->parentWidget()->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!main->RealTimeGraphWindow);
    QVERIFY(!main->RealTimeGraph1->isChecked());
    main->RealTimeGraph1Click();
    QVERIFY(main->RealTimeGraphWindow);
    QVERIFY(main->RealTimeGraph1->isChecked());
}

QM738_REGISTER_TEST(TestGraphSetUp)
#include "tst_graphsetup.moc"
