// The graph block: everything comes back as stored; malformed blocks are
// rejected without touching the graph.
#include "testregistry.h"

#include "core/base/translation.h"
#include "core/graph/graphmodel.h"
#include "gui/graph/engine/pesgraph.h"

#include <QTest>
#include <QtEndian>
#include <cmath>
#include <functional>
#include <limits>
#include <qcustomplot.h>

using GraphSetup = std::function<void(PESGraph &)>;
Q_DECLARE_METATYPE(GraphSetup)

namespace {

// A small block: no cells, nothing in the lists, so its offsets are fixed:
// 0 magic, 4 version, 6 subsets, 10 points, 14 null value, 22 "list set"
// flag, 23 list count, 27 axis count, 31 axis 0 (subsets 31, proportion 35,
// control 43, min 47, max 55, label length 63), 67 working axis,
// 71 X control, 75 min X, 83 max X, 91 annotation count.
QByteArray smallBlock()
{
    PESGraph g;
    g.setSubsets(0);
    return g.SaveGraphBlock();
}

QByteArray patched32(QByteArray block, int offset, quint32 value)
{
    qToLittleEndian(value, block.data() + offset);
    return block;
}

void fullGraph(PESGraph &g)
{
    g.setSubsets(5);
    g.setPoints(40);
    for (int s = 0; s < 5; ++s) {
        g.setSubsetLabels(s, QStringLiteral("Subset é %1").arg(s));
        g.setSubsetColors(s, QColor(10 * s, 255 - s, 3 * s));
        g.setSubsetLineWidth(s, s + 1);
        for (int p = 0; p < 40; ++p) {
            g.setXDataII(s, p, 46000.5 + p * 2 / 86400.0);
            g.setYData(s, p, p == 7 ? 9999.0f : float(s * 1.5 + p * 0.1));
        }
    }
    g.setYData(2, 3, 9000.0f);
    g.setYData(2, 4, -9000.0f);
}

} // namespace

class TestGraphBlock : public QObject
{
    Q_OBJECT
private slots:
    // The failure texts compared are the English ones.
    void init() { TsiLangDispatcher::Instance()->SetActiveLanguage(1); }
    void cleanup() { TsiLangDispatcher::Instance()->SetActiveLanguage(2); }
    void roundTrip_data();
    void roundTrip();
    void roundTripKeepsSpecialValues();
    void blockStartsWithMagicAndVersion();
    void truncatedAtEveryOffsetIsRejected();
    void malformed_data();
    void malformed();
    void corruptedBytesNeverCrash();
    void loadReplacesTheWholeGraph();
};

void TestGraphBlock::roundTrip_data()
{
    QTest::addColumn<GraphSetup>("setup");
    QTest::newRow("defaults") << GraphSetup([](PESGraph &) {});
    QTest::newRow("data") << GraphSetup(fullGraph);
    QTest::newRow("no subsets") << GraphSetup([](PESGraph &g) { g.setSubsets(0); });
    QTest::newRow("shown subsets") << GraphSetup([](PESGraph &g) {
        g.setSubsets(5);
        g.clearRandomSubsetsToGraph();
        g.setRandomSubsetsToGraph(0, 1);
        g.setRandomSubsetsToGraph(1, 3);
    });
    QTest::newRow("nothing shown") << GraphSetup([](PESGraph &g) {
        g.setSubsets(5);
        g.clearRandomSubsetsToGraph();
    });
    QTest::newRow("scales") << GraphSetup([](PESGraph &g) {
        g.setManualScaleControlX(3);
        g.setManualMinX(46000.123456789);
        g.setManualMaxX(46000.5);
        g.setManualScaleControlY(3);
        g.setManualMinY(-10);
        g.setManualMaxY(50);
    });
    QTest::newRow("axes") << GraphSetup([](PESGraph &g) {
        g.setSubsets(5);
        g.setMultiAxesSubsets(0, 1);
        g.setMultiAxesSubsets(1, 2);
        g.setMultiAxesSubsets(2, 2);
        g.setMultiAxesProportions(0, 0.2);
        g.setMultiAxesProportions(1, 0.4);
        g.setMultiAxesProportions(2, 0.4);
        g.setWorkingAxis(2);
        g.setManualScaleControlY(1);
        g.setManualMinY(3);
        g.setYAxisLabel(QStringLiteral("°C"));
    });
    QTest::newRow("annotations") << GraphSetup([](PESGraph &g) {
        g.setGraphAnnotationType(2, PESGraph::AnnotCross);
        g.setGraphAnnotationX(2, 46000.25);
        g.setGraphAnnotationY(2, 21.5);
        g.setGraphAnnotationText(2, QStringLiteral("09:15:02\r21.5"));
        g.setGraphAnnotationColor(2, QColor(1, 2, 3));
        g.setGraphAnnotationText(7, QStringLiteral("note"));
        g.setGraphAnnotationTextSize(80);
        g.setShowAnnotations(false);
        g.setVertLineAnnotation(1, 46000.3);
        g.setVertLineAnnotationColor(1, QColor(255, 0, 0));
        g.setVertLineAnnotationText(1, QStringLiteral("MAX"));
        g.setShowLineAnnotations(false);
        g.setAllowLineAnnotHotSpots(true);
        g.setLineAnnotationTextSize(100);
    });
    QTest::newRow("table") << GraphSetup([](PESGraph &g) {
        g.setTARows(15);
        g.setTAColumns(2);
        g.setTAText(0, 0, QStringLiteral("Start Time:"));
        g.setTAText(3, 1, QStringLiteral("OL"));
        g.setTAColor(3, 1, PEargb(255, 255, 0, 0));
        g.setTABackColor(PEargb(129, 255, 255, 255));
        g.setTABorder(PESGraph::TABorderInset);
        g.setTATextSize(60);
        g.setTALocation(QPoint(550, 50));
        g.setTAMovable(true);
        g.setTAShow(true);
        g.setTAHeaderRows(true);
    });
    QTest::newRow("look") << GraphSetup([](PESGraph &g) {
        g.setMainTitle(QStringLiteral("Menu principal"));
        g.setSubTitle(QStringLiteral(" "));
        g.setXAxisLabel(QStringLiteral("Temps"));
        g.setLowerBoundText(QStringLiteral("Inférieur"));
        g.setUpperBoundText(QStringLiteral("Supérieur"));
        g.setRYAxisLabel(QStringLiteral("Axe Y #1"));
        g.setTXAxisLabel(QStringLiteral("Axe X"));
        g.setGridStyle(PESGraph::GridDotted);
        g.setGridLineControl(PESGraph::GridYOnly);
        g.setTitleFont(QFont(QStringLiteral("Times New Roman"), 14, QFont::Bold));
        g.setLabelFont(QFont(QStringLiteral("Arial"), 8));
        g.setDeskColor(QColor(192, 192, 192));
        g.setGraphForeColor(QColor(0, 128, 0));
        g.setGraphBackColor(Qt::black);
        g.setTextColor(QColor(0, 0, 1));
        g.setPlottingMethod(PESGraph::PlotPointsAndLine);
        g.setShowLegend(false);
        g.setDataShadows(false);
        g.setDataPrecision(1);
        g.setArrowCursor(PESGraph::CursorIBeam);
        g.setAllowZooming(PESGraph::ZoomBoth);
        g.setScrollingHorzZoom(true);
        g.setScrollingVertZoom(true);
        g.setDateTimeMode(1);
        g.setUsingXDataII(true);
    });
    QTest::newRow("flags") << GraphSetup([](PESGraph &g) {
        g.setPrepareImages(true);
        g.setSubsetByPoint(true);
        g.setNoHelp(true);
        g.setAllowPopup(false);
        g.setAllowDataLabels(2);
        g.setNullDataGaps(true);
        g.setAllowDataHotSpots(true);
        g.setAllowGraphHotSpots(true);
        g.setAllowGraphAnnotHotSpots(true);
        g.setNoRandomPointsToExport(true);
        g.setFocalRect(false);
        g.setAllowBar(false);
        g.setLineGapThreshold(1e20);
        g.setAllowAxisPage(false);
        g.setAllowFontPage(false);
        g.setAllowPage1(false);
        g.setAllowPage2(false);
        g.setAllowSubsetsPage(false);
    });
    QTest::newRow("null value") << GraphSetup([](PESGraph &g) {
        g.setPoints(2);
        g.setNullDataValueY(-1);
    });
}

void TestGraphBlock::roundTrip()
{
    QFETCH(GraphSetup, setup);
    PESGraph a;
    setup(a);
    const QByteArray block = a.SaveGraphBlock();
    PESGraph b;
    QString error;
    QVERIFY(PESGraph::CheckGraphBlock(block));
    QVERIFY2(b.LoadGraphBlock(block, &error), qPrintable(error));
    QVERIFY(a.model() == b.model());
    QCOMPARE(b.SaveGraphBlock(), block);
}

void TestGraphBlock::roundTripKeepsSpecialValues()
{
    PESGraph a;
    a.setPoints(4);
    a.setYData(0, 0, std::numeric_limits<float>::quiet_NaN());
    a.setYData(0, 1, -0.0f);
    a.setYData(0, 2, std::numeric_limits<float>::infinity());
    a.setYData(0, 3, 1e-40f);  // denormal
    a.setXDataII(0, 3, -1.25);
    PESGraph b;
    QVERIFY(b.LoadGraphBlock(a.SaveGraphBlock()));
    QVERIFY(std::isnan(b.YData(0, 0)));
    QVERIFY(std::signbit(b.YData(0, 1)));
    QVERIFY(std::isinf(b.YData(0, 2)));
    QCOMPARE(b.YData(0, 3), 1e-40f);
    QCOMPARE(b.XDataII(0, 3), -1.25);
}

void TestGraphBlock::blockStartsWithMagicAndVersion()
{
    const QByteArray block = smallBlock();
    QVERIFY(block.startsWith("QMGB"));
    QCOMPARE(qFromLittleEndian<quint16>(block.constData() + 4), quint16(2));
    QCOMPARE(qFromLittleEndian<quint32>(block.constData() + 27), quint32(1));   // one axis
    QCOMPARE(qFromLittleEndian<quint32>(block.constData() + 91), quint32(0));   // no annotations
    // A version 1 block (no unit at its end) still reads, with no unit.
    PESGraph g;
    g.setUnit(QStringLiteral("K"));
    QByteArray v1 = smallBlock().replace(4, 2, QByteArray("\x01\x00", 2));
    v1.chop(4); // the empty unit's length
    QVERIFY(g.LoadGraphBlock(v1));
    QCOMPARE(g.Unit(), QString());
}

void TestGraphBlock::truncatedAtEveryOffsetIsRejected()
{
    PESGraph source;
    source.setSubsets(2);
    source.setPoints(2);
    source.setGraphAnnotationText(1, QStringLiteral("a"));
    source.setVertLineAnnotation(0, 1.0);
    source.setTARows(1);
    source.setTAColumns(1);
    source.setTAText(0, 0, QStringLiteral("t"));
    source.setMainTitle(QStringLiteral("m"));
    const QByteArray block = source.SaveGraphBlock();

    PESGraph target;
    fullGraph(target);
    const QByteArray before = target.SaveGraphBlock();
    for (int n = 0; n < block.size(); ++n) {
        QString error;
        QVERIFY2(!target.LoadGraphBlock(block.left(n), &error), qPrintable(QString::number(n)));
        QVERIFY(!error.isEmpty());
    }
    QCOMPARE(target.SaveGraphBlock(), before);
    QVERIFY(target.LoadGraphBlock(block));
}

void TestGraphBlock::malformed_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QString>("reason");
    const QByteArray ok = smallBlock();
    QTest::newRow("empty") << QByteArray() << "empty";
    QTest::newRow("wrong magic") << QByteArray(ok).replace(0, 4, "QMGX") << "not a graph block";
    QTest::newRow("text file") << QByteArray("Date\tTime\t%RH\r\n") << "not a graph block";
    QTest::newRow("newer version") << QByteArray(ok).replace(4, 2, QByteArray("\x03\x00", 2)) << "version 3";
    QTest::newRow("version 0") << QByteArray(ok).replace(4, 2, QByteArray("\x00\x00", 2)) << "version 0";
    QTest::newRow("too many subsets") << patched32(ok, 6, 65) << "impossible number of subsets";
    QTest::newRow("negative subsets") << patched32(ok, 6, 0xFFFFFFFF) << "impossible number of subsets";
    QTest::newRow("negative points") << patched32(ok, 10, 0x80000000) << "impossible number of points";
    QTest::newRow("too many points") << patched32(ok, 10, 0x7FFFFFFF) << "impossible number of points";
    QTest::newRow("cells beyond size") << patched32(patched32(ok, 6, 64), 10, 100000) << "more cells";
    QTest::newRow("one cell beyond size") << patched32(patched32(ok, 6, 1), 10, 100) << "more cells";
    QTest::newRow("huge shown list") << patched32(ok, 23, 0x7FFFFFFF) << "impossible list";
    QTest::newRow("no axis") << patched32(ok, 27, 0) << "impossible number of axes";
    QTest::newRow("huge axis count") << patched32(ok, 27, 0x40000000) << "impossible number of axes";
    QTest::newRow("more axes than stored") << patched32(ok, 27, 8) << "impossible";
    QTest::newRow("bad scale control") << patched32(ok, 43, 7) << "Y scale control";
    QTest::newRow("huge string") << patched32(ok, 63, 0xFFFFFF00) << "cut short";
    QTest::newRow("working axis beyond axes") << patched32(ok, 67, 1) << "working axis";
    QTest::newRow("huge annotation count") << patched32(ok, 91, 0x7FFFFFF0) << "number of annotations";
    QTest::newRow("annotations beyond size") << patched32(ok, 91, 50000) << "cut short";
    QByteArray nanScale = ok;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    qToLittleEndian(nan, nanScale.data() + 75);
    QTest::newRow("NaN X scale") << nanScale << "X scale";
    QTest::newRow("trailing bytes") << ok + QByteArray("x") << "after its end";
}

void TestGraphBlock::malformed()
{
    QFETCH(QByteArray, block);
    QFETCH(QString, reason);
    PESGraph g;
    fullGraph(g);
    const QByteArray before = g.SaveGraphBlock();
    QString error;
    QVERIFY(!PESGraph::CheckGraphBlock(block));
    QVERIFY(!g.LoadGraphBlock(block, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(g.SaveGraphBlock(), before);
}

void TestGraphBlock::corruptedBytesNeverCrash()
{
    PESGraph source;
    fullGraph(source);
    source.setTARows(3);
    source.setTAColumns(2);
    source.setGraphAnnotationText(3, QStringLiteral("x"));
    source.setDateTimeMode(1);
    source.setManualScaleControlX(3);
    source.setManualMinX(46000);
    source.setManualMaxX(46001);
    const QByteArray block = source.SaveGraphBlock();
    PESGraph g;
    g.resize(600, 400);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    quint32 seed = 12345;
    for (int round = 0; round < 400; ++round) {
        QByteArray bad = block;
        for (int k = 0; k < 4; ++k) {
            seed = seed * 1103515245u + 12345u;
            const int at = int((seed >> 8) % quint32(bad.size()));
            seed = seed * 1103515245u + 12345u;
            bad[at] = char(seed >> 16);
        }
        const QByteArray before = g.SaveGraphBlock();
        QString error;
        if (!g.LoadGraphBlock(bad, &error)) {
            QVERIFY(!error.isEmpty());
            QCOMPARE(g.SaveGraphBlock(), before);
        } else {
            g.Redraw();     // whatever was accepted can be drawn
        }
    }
}

void TestGraphBlock::loadReplacesTheWholeGraph()
{
    PESGraph small;
    small.setSubsets(2);
    small.setPoints(3);
    PESGraph g;
    fullGraph(g);
    g.setGraphAnnotationText(9, QStringLiteral("old"));
    QVERIFY(g.LoadGraphBlock(small.SaveGraphBlock()));
    QCOMPARE(g.Subsets(), 2);
    QCOMPARE(g.Points(), 3);
    QCOMPARE(g.graphAnnotationCount(), 0);
    g.Redraw();
    QCOMPARE(g.plot()->graphCount(), 2);
}

QM738_REGISTER_TEST(TestGraphBlock)
#include "tst_graphblock.moc"
