// The graph engine: model semantics, drawing, pointer, dialog and printing.
#include "testregistry.h"

#include "core/base/datetime.h"
#include "gui/graph/window/graphcustomize.h"
#include "core/graph/graphmodel.h"
#include "gui/graph/engine/pesgraph.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPrinter>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <limits>
#include <qcustomplot.h>

namespace {

// A shown, laid-out graph of `subsets` x `points` with X = day + p minutes, Y = s * 10 + p.
struct ShownGraph {
    PESGraph g;
    bool exposed = false;
    explicit ShownGraph(int subsets = 2, int points = 10)
    {
        g.resize(800, 600);
        g.setSubsets(subsets);
        g.setPoints(points);
        g.setDateTimeMode(1);
        for (int s = 0; s < subsets; ++s)
            for (int p = 0; p < points; ++p) {
                g.setXDataII(s, p, 46000.0 + p / 1440.0);
                g.setYData(s, p, float(s * 10 + p));
            }
        g.show();
        exposed = QTest::qWaitForWindowExposed(&g);
        g.Redraw();
    }
};

QCPGraph *graphOf(PESGraph &g, int index) { return g.plot()->graph(index); }

} // namespace

class TestPESGraph : public QObject
{
    Q_OBJECT
private slots:
    // model
    void pointsKeepCellsBelowNewCount_data();
    void pointsKeepCellsBelowNewCount();
    void newCellsAreNull();
    void subsetsKeepCells();
    void cellsOutsideAreIgnored();
    void yDataIIStoresSinglePrecision();
    void bulkLoadIsSampleAfterSample();
    void bulkLoadTakesWholeSamplesOnly();
    void randomSubsetsToGraph();
    void stackedAxes();
    void scalesReturnWhatWasSet_data();
    void scalesReturnWhatWasSet();
    void workingAxisAddressesItsScale();
    void annotationsGrowByIndex();
    void tableKeepsTextsWhenResized();
    void translatableTitlesAreProperties();

    // drawing
    void redrawShowsChangesOnlyThen();
    void nullValueIsSkippedWithoutGap();
    void nullValueLeavesGapWhenAsked();
    void hiddenSubsetsAreNotPlotted();
    void splitAxesShareX();
    void legendIsCentredAtTheTop();
    void manualScalesAreApplied();
    void dateTimeTicksUseLocaleTexts();
    void pixelToGraphInsidePlotArea_data();
    void pixelToGraphInsidePlotArea();
    void annotationAtOriginIsHidden();
    void extremeValuesAreDrawnWithoutHarm();
    void tableIsDrawnAtItsPlace();
    void lineAnnotationsCanBeHidden();
    void cursorFollowsArrowCursor();

    // pointer
    void clickEmitsOnClick();
    void dragZoomsAndUndoRestores();
    void doubleClickOnAnnotation();
    void hoverOverAnnotation();
    void clickNearDataPoint();
    void tableCanBeDragged();
    void wheelScrollsAZoom();

    // dialog and printing
    void customizePagesSwitchOff_data();
    void customizePagesSwitchOff();
    void customizeAcceptApplies();
    void customizeCancelKeepsGraph();
    void printToPdf();
    void printDialogCancelledPrintsNothing();
};

// ---- model -------------------------------------------------------------------

void TestPESGraph::pointsKeepCellsBelowNewCount_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("shrink") << 10 << 4;
    QTest::newRow("grow") << 4 << 10;
    QTest::newRow("to zero and back") << 5 << 0;
}

void TestPESGraph::pointsKeepCellsBelowNewCount()
{
    QFETCH(int, from);
    QFETCH(int, to);
    PESGraph g;
    g.setSubsets(3);
    g.setPoints(from);
    for (int s = 0; s < 3; ++s)
        for (int p = 0; p < from; ++p) {
            g.setXDataII(s, p, 45000 + p);
            g.setYData(s, p, float(100 * s + p));
        }
    g.setPoints(to);
    QCOMPARE(g.Points(), to);
    for (int s = 0; s < 3; ++s)
        for (int p = 0; p < std::min(from, to); ++p) {
            QCOMPARE(g.XDataII(s, p), 45000.0 + p);
            QCOMPARE(g.YData(s, p), float(100 * s + p));
        }
}

void TestPESGraph::newCellsAreNull()
{
    PESGraph g;
    g.setSubsets(2);
    g.setPoints(3);
    QCOMPARE(g.YData(1, 2), 9999.0f);
    QCOMPARE(g.XDataII(1, 2), 0.0);
}

void TestPESGraph::subsetsKeepCells()
{
    PESGraph g;
    g.setSubsets(2);
    g.setPoints(2);
    g.setYData(1, 1, 7.5f);
    g.setSubsetLabels(1, QStringLiteral("T1"));
    g.setSubsets(5);
    QCOMPARE(g.YData(1, 1), 7.5f);
    QCOMPARE(g.SubsetLabels(1), QStringLiteral("T1"));
    QCOMPARE(g.YData(4, 1), 9999.0f);
    g.setSubsets(1);
    QCOMPARE(g.Subsets(), 1);
    QCOMPARE(g.YData(1, 1), 9999.0f);    // gone: reads as the null value
}

void TestPESGraph::cellsOutsideAreIgnored()
{
    PESGraph g;
    g.setSubsets(2);
    g.setPoints(2);
    const QByteArray before = g.SaveGraphBlock();
    g.setYData(2, 0, 1.0f);
    g.setYData(0, 2, 1.0f);
    g.setYData(-1, 0, 1.0f);
    g.setXDataII(0, -1, 1.0);
    QCOMPARE(g.SaveGraphBlock(), before);
    QCOMPARE(g.XDataII(5, 5), 0.0);
}

void TestPESGraph::yDataIIStoresSinglePrecision()
{
    PESGraph g;
    g.setPoints(1);
    g.setYDataII(0, 0, 0.1);
    QCOMPARE(g.YData(0, 0), 0.1f);
    QCOMPARE(g.YDataII(0, 0), double(0.1f));
}

void TestPESGraph::bulkLoadIsSampleAfterSample()
{
    PESGraph g;
    g.setSubsets(5);
    g.setPoints(3);
    QVector<float> ys;
    QVector<double> xs;
    for (int p = 0; p < 3; ++p)
        for (int s = 0; s < 5; ++s) {
            ys << float(p * 10 + s);
            xs << 45000.0 + p;
        }
    QCOMPARE(g.LoadYData(ys.constData(), ys.size()), 3);
    QCOMPARE(g.LoadXData(xs.constData(), xs.size()), 3);
    for (int p = 0; p < 3; ++p)
        for (int s = 0; s < 5; ++s) {
            QCOMPARE(g.YData(s, p), float(p * 10 + s));
            QCOMPARE(g.XDataII(s, p), 45000.0 + p);
        }
}

void TestPESGraph::bulkLoadTakesWholeSamplesOnly()
{
    PESGraph g;
    g.setSubsets(5);
    g.setPoints(4);
    const float ys[12] = {1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 3, 3};
    QCOMPARE(g.LoadYData(ys, 12), 2);
    QCOMPARE(g.YData(0, 1), 2.0f);
    QCOMPARE(g.YData(0, 2), 9999.0f);   // the partial third sample is not loaded
    // More samples than points: only the points are filled.
    QVector<float> many(5 * 10, 5.0f);
    QCOMPARE(g.LoadYData(many.constData(), many.size()), 4);
}

void TestPESGraph::randomSubsetsToGraph()
{
    PESGraph g;
    g.setSubsets(5);
    QCOMPARE(g.shownSubsets(), QList<int>({0, 1, 2, 3, 4}));
    g.clearRandomSubsetsToGraph();
    QVERIFY(g.shownSubsets().isEmpty());
    g.setRandomSubsetsToGraph(0, 1);
    g.setRandomSubsetsToGraph(1, 3);
    g.setRandomSubsetsToGraph(2, 4);
    QCOMPARE(g.shownSubsets(), QList<int>({1, 3, 4}));
    QCOMPARE(g.RandomSubsetsToGraph(1), 3);
    QCOMPARE(g.RandomSubsetsToGraph(7), -1);
    g.showAllSubsets();
    QCOMPARE(g.shownSubsets().size(), 5);
}

void TestPESGraph::stackedAxes()
{
    PESGraph g;
    g.setSubsets(5);
    QCOMPARE(g.axisCount(), 1);
    g.setMultiAxesSubsets(0, 1);
    g.setMultiAxesSubsets(1, 2);
    g.setMultiAxesSubsets(2, 2);
    g.setMultiAxesProportions(0, 0.2);
    g.setMultiAxesProportions(1, 0.4);
    g.setMultiAxesProportions(2, 0.4);
    QCOMPARE(g.axisCount(), 3);
    QCOMPARE(g.axisOfSubset(0), 0);
    QCOMPARE(g.axisOfSubset(2), 1);
    QCOMPARE(g.axisOfSubset(3), 2);
    QCOMPARE(g.MultiAxesSubsets(1), 2);
    QCOMPARE(g.MultiAxesProportions(0), 0.2);
    g.resetMultiAxes();
    QCOMPARE(g.axisCount(), 1);
    QCOMPARE(g.MultiAxesSubsets(1), 0);
    QCOMPARE(g.MultiAxesProportions(0), 1.0);
}

void TestPESGraph::scalesReturnWhatWasSet_data()
{
    QTest::addColumn<double>("minX");
    QTest::addColumn<double>("maxX");
    QTest::addColumn<double>("minY");
    QTest::addColumn<double>("maxY");
    QTest::newRow("ordinary") << 46000.25 << 46000.5 << -10.0 << 50.0;
    QTest::newRow("min above max") << 2.0 << 1.0 << 40.0 << 0.0;
    QTest::newRow("equal") << 46000.0 << 46000.0 << 5.0 << 5.0;
}

void TestPESGraph::scalesReturnWhatWasSet()
{
    QFETCH(double, minX);
    QFETCH(double, maxX);
    QFETCH(double, minY);
    QFETCH(double, maxY);
    PESGraph g;
    g.setManualScaleControlX(3);
    g.setManualMinX(minX);
    g.setManualMaxX(maxX);
    g.setManualScaleControlY(3);
    g.setManualMinY(minY);
    g.setManualMaxY(maxY);
    g.Redraw();
    QCOMPARE(g.ManualScaleControlX(), 3);
    QCOMPARE(g.ManualMinX(), minX);
    QCOMPARE(g.ManualMaxX(), maxX);
    QCOMPARE(g.ManualMinY(), minY);
    QCOMPARE(g.ManualMaxY(), maxY);
}

void TestPESGraph::workingAxisAddressesItsScale()
{
    PESGraph g;
    g.setManualMinY(1);
    g.setWorkingAxis(1);
    g.setManualMinY(2);
    g.setYAxisLabel(QStringLiteral("T"));
    g.setWorkingAxis(0);
    QCOMPARE(g.ManualMinY(), 1.0);
    QCOMPARE(g.YAxisLabel(), QString());
    g.setWorkingAxis(1);
    QCOMPARE(g.ManualMinY(), 2.0);
    QCOMPARE(g.YAxisLabel(), QStringLiteral("T"));
}

void TestPESGraph::annotationsGrowByIndex()
{
    PESGraph g;
    g.setGraphAnnotationType(4, PESGraph::AnnotCross);
    QCOMPARE(g.graphAnnotationCount(), 5);
    QCOMPARE(g.GraphAnnotationX(2), 0.0);
    QCOMPARE(g.GraphAnnotationY(2), 0.0);
    QCOMPARE(g.GraphAnnotationType(4), 2);
    g.setGraphAnnotationType(-1, 2);
    g.setGraphAnnotationText(PESGraph::kMaxAnnotations, QStringLiteral("x"));
    QCOMPARE(g.graphAnnotationCount(), 5);
}

void TestPESGraph::tableKeepsTextsWhenResized()
{
    PESGraph g;
    g.setTARows(15);
    g.setTAColumns(2);
    g.setTAText(3, 1, QStringLiteral("23.5@08/12/2026"));
    g.setTAColor(3, 1, PEargb(255, 255, 0, 0));
    g.setTARows(20);
    QCOMPARE(g.TAText(3, 1), QStringLiteral("23.5@08/12/2026"));
    QCOMPARE(g.TAColor(3, 1), QColor(255, 0, 0));
    QCOMPARE(g.TAText(99, 0), QString());
}

void TestPESGraph::translatableTitlesAreProperties()
{
    PESGraph g;
    for (const char *name : {"MainTitle", "SubTitle", "LowerBoundText", "UpperBoundText", "RYAxisLabel",
                             "TXAxisLabel", "XAxisLabel", "YAxisLabel"}) {
        QVERIFY2(g.setProperty(name, QStringLiteral("Menu principal")), name);
        QCOMPARE(g.property(name).toString(), QStringLiteral("Menu principal"));
    }
    QCOMPARE(g.MainTitle(), QStringLiteral("Menu principal"));
}

// ---- drawing -----------------------------------------------------------------

void TestPESGraph::redrawShowsChangesOnlyThen()
{
    ShownGraph sg(1, 3);
    QCOMPARE(graphOf(sg.g, 0)->data()->at(1)->value, 1.0);
    sg.g.setYData(0, 1, 42.0f);
    QCOMPARE(graphOf(sg.g, 0)->data()->at(1)->value, 1.0);
    sg.g.sgResetImage();
    sg.g.sgInvalidateImage();
    QCOMPARE(graphOf(sg.g, 0)->data()->at(1)->value, 42.0);
}

void TestPESGraph::nullValueIsSkippedWithoutGap()
{
    ShownGraph sg(1, 3);
    sg.g.setYData(0, 1, 9999.0f);
    sg.g.Redraw();
    auto data = graphOf(sg.g, 0)->data();
    QCOMPARE(data->size(), 2);
    QCOMPARE(data->at(0)->value, 0.0);
    QCOMPARE(data->at(1)->value, 2.0);
}

void TestPESGraph::nullValueLeavesGapWhenAsked()
{
    ShownGraph sg(1, 3);
    sg.g.setNullDataGaps(true);
    sg.g.setYData(0, 1, 9999.0f);
    sg.g.Redraw();
    auto data = graphOf(sg.g, 0)->data();
    QCOMPARE(data->size(), 3);
    QVERIFY(std::isnan(data->at(1)->value));
}

void TestPESGraph::hiddenSubsetsAreNotPlotted()
{
    ShownGraph sg(5, 4);
    QCOMPARE(sg.g.plot()->graphCount(), 5);
    sg.g.clearRandomSubsetsToGraph();
    sg.g.setRandomSubsetsToGraph(0, 1);
    sg.g.setRandomSubsetsToGraph(1, 3);
    sg.g.Redraw();
    QCOMPARE(sg.g.plot()->graphCount(), 2);
    QCOMPARE(graphOf(sg.g, 1)->data()->at(0)->value, 30.0);
}

void TestPESGraph::splitAxesShareX()
{
    ShownGraph sg(5, 4);
    sg.g.setMultiAxesSubsets(0, 1);
    sg.g.setMultiAxesSubsets(1, 2);
    sg.g.setMultiAxesSubsets(2, 2);
    sg.g.setMultiAxesProportions(0, 0.2);
    sg.g.setMultiAxesProportions(1, 0.4);
    sg.g.setMultiAxesProportions(2, 0.4);
    sg.g.sgReinitAndReset();
    const auto rects = sg.g.plot()->axisRects();
    QCOMPARE(rects.size(), 3);
    QVERIFY(rects[1]->height() > rects[0]->height() * 1.5);
    QCOMPARE(rects[0]->axis(QCPAxis::atBottom)->range(), rects[2]->axis(QCPAxis::atBottom)->range());
    QCOMPARE(graphOf(sg.g, 1)->valueAxis(), rects[1]->axis(QCPAxis::atLeft));
    QVERIFY(sg.g.plotAreaRect().contains(rects[2]->rect()));
}

void TestPESGraph::legendIsCentredAtTheTop()
{
    ShownGraph sg(5, 4);
    QCPLegend *legend = sg.g.plot()->findChild<QCPLegend *>();
    QVERIFY(legend);
    QCOMPARE(legend->itemCount(), 5);
    const QRect box = legend->outerRect();
    QVERIFY(box.bottom() <= sg.g.plotAreaRect().top());
    QVERIFY(box.left() > 100);     // clear of the window's readout at the top-left corner
    QVERIFY(std::abs(box.center().x() - sg.g.width() / 2) < 40);
    sg.g.setShowLegend(false);
    sg.g.Redraw();
    QVERIFY(!sg.g.plot()->findChild<QCPLegend *>());
}

void TestPESGraph::manualScalesAreApplied()
{
    ShownGraph sg(2, 10);
    sg.g.setManualScaleControlX(3);
    sg.g.setManualMinX(46000.0);
    sg.g.setManualMaxX(46000.5);
    sg.g.setManualScaleControlY(3);
    sg.g.setManualMinY(-10);
    sg.g.setManualMaxY(50);
    sg.g.Redraw();
    QCPAxisRect *r = sg.g.plot()->axisRect(0);
    QCOMPARE(r->axis(QCPAxis::atBottom)->range(), QCPRange(46000.0, 46000.5));
    QCOMPARE(r->axis(QCPAxis::atLeft)->range(), QCPRange(-10, 50));
}

void TestPESGraph::dateTimeTicksUseLocaleTexts()
{
    ShownGraph sg(1, 10);
    sg.g.setManualScaleControlX(3);
    sg.g.setManualMinX(46000.5);
    sg.g.setManualMaxX(46000.5 + 110.0 / 86400);
    sg.g.Redraw();
    QCPAxis *x = sg.g.plot()->axisRect(0)->axis(QCPAxis::atBottom);
    const QVector<QString> labels = x->tickVectorLabels();
    QVERIFY(labels.size() >= 2);
    QVERIFY(labels.size() <= 12);
    const QVector<double> ticks = x->tickVector();
    for (int i = 0; i < ticks.size(); ++i) {
        const double snapped = std::round(ticks[i] * 86400) / 86400;
        QVERIFY2(labels[i].startsWith(LocaleUtil::LongTime(snapped)), qPrintable(labels[i]));
        QVERIFY(labels[i].endsWith(LocaleUtil::ShortDate(snapped)));
    }
}

void TestPESGraph::pixelToGraphInsidePlotArea_data()
{
    QTest::addColumn<double>("fx");
    QTest::addColumn<double>("fy");
    QTest::newRow("top-left") << 0.0 << 0.0;
    QTest::newRow("middle") << 0.5 << 0.5;
    QTest::newRow("bottom-right") << 1.0 << 1.0;
}

void TestPESGraph::pixelToGraphInsidePlotArea()
{
    QFETCH(double, fx);
    QFETCH(double, fy);
    ShownGraph sg(1, 2);
    sg.g.setManualScaleControlX(3);
    sg.g.setManualMinX(46000.0);
    sg.g.setManualMaxX(46001.0);
    sg.g.setManualScaleControlY(3);
    sg.g.setManualMinY(0);
    sg.g.setManualMaxY(100);
    sg.g.Redraw();
    const QRect area = sg.g.plotAreaRect();
    QVERIFY(area.width() > 300 && area.height() > 200);
    QVERIFY(QRect(QPoint(0, 0), sg.g.size()).contains(area));
    const QPointF pixel(area.left() + fx * (area.width() - 1), area.top() + fy * (area.height() - 1));
    double x = 0, y = 0;
    QVERIFY(sg.g.pixelToGraph(pixel, &x, &y));
    const double dayPerPixel = 1.0 / area.width();
    QVERIFY(std::fabs(x - (46000.0 + fx)) < 2 * dayPerPixel);
    QVERIFY(std::fabs(y - (100.0 * (1 - fy))) < 2 * 100.0 / area.height());
    const QPointF back = sg.g.graphToPixel(x, y);
    QVERIFY(std::fabs(back.x() - pixel.x()) < 0.01 && std::fabs(back.y() - pixel.y()) < 0.01);
    QVERIFY(!sg.g.pixelToGraph(pixel, &x, &y, 3));
}

void TestPESGraph::annotationAtOriginIsHidden()
{
    ShownGraph sg(1, 10);
    sg.g.setManualScaleControlY(3);
    sg.g.setManualMinY(-10);
    sg.g.setManualMaxY(10);
    sg.g.setManualScaleControlX(3);
    sg.g.setManualMinX(-1);
    sg.g.setManualMaxX(1);
    sg.g.setDateTimeMode(0);
    // Even with (0, 0) inside the plotted range it is not drawn.
    sg.g.setGraphAnnotationType(4, PESGraph::AnnotCross);
    sg.g.setGraphAnnotationText(4, QStringLiteral("hidden"));
    sg.g.setGraphAnnotationType(5, PESGraph::AnnotCross);
    sg.g.setGraphAnnotationX(5, 0.5);
    sg.g.setGraphAnnotationY(5, 5);
    sg.g.Redraw();
    const QPoint origin = sg.g.graphToPixel(0, 0).toPoint();
    const QPoint shown = sg.g.graphToPixel(0.5, 5).toPoint();
    QSignalSpy spy(&sg.g, &PESGraph::OnGraphAnnotHotSpot);
    sg.g.setAllowGraphAnnotHotSpots(true);
    QTest::mouseClick(sg.g.plot(), Qt::LeftButton, {}, origin);
    QCOMPARE(spy.count(), 0);
    QTest::mouseClick(sg.g.plot(), Qt::LeftButton, {}, shown);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), false);
    QCOMPARE(spy.at(0).at(1).toInt(), 5);
}

void TestPESGraph::extremeValuesAreDrawnWithoutHarm()
{
    ShownGraph sg(2, 6);
    const double inf = std::numeric_limits<double>::infinity();
    sg.g.setXDataII(0, 0, 1e300);
    sg.g.setXDataII(0, 1, -1e300);
    sg.g.setXDataII(0, 2, std::nan(""));
    sg.g.setXDataII(0, 3, inf);
    sg.g.setYData(1, 0, std::numeric_limits<float>::max());
    sg.g.setYData(1, 1, std::nanf(""));
    sg.g.setYData(1, 2, -std::numeric_limits<float>::infinity());
    sg.g.setGraphAnnotationType(4, PESGraph::AnnotPlus);
    sg.g.setGraphAnnotationX(4, inf);
    sg.g.setGraphAnnotationY(4, 1e308);
    sg.g.Redraw();
    sg.g.setManualScaleControlX(3);
    sg.g.setManualMinX(-1e300);
    sg.g.setManualMaxX(1e300);
    sg.g.Redraw();
    QVERIFY(!sg.g.grab().isNull());
    sg.g.setManualMinX(46000);
    sg.g.setManualMaxX(46000);
    sg.g.Redraw();
    const QCPRange x = sg.g.plot()->axisRect(0)->axis(QCPAxis::atBottom)->range();
    QVERIFY(x.lower < 46000 && x.upper > 46000);   // an empty range is widened around its value
}

void TestPESGraph::tableIsDrawnAtItsPlace()
{
    ShownGraph sg(1, 2);
    QVERIFY(sg.g.tableRect().isEmpty());
    sg.g.setTARows(15);
    sg.g.setTAColumns(2);
    sg.g.setTAText(0, 0, QStringLiteral("Start Time:"));
    sg.g.setTABackColor(PEargb(129, 255, 255, 255));
    sg.g.setTABorder(PESGraph::TABorderInset);
    sg.g.setTATextSize(60);
    sg.g.setTALocation(QPoint(50, 20));
    sg.g.setTAShow(true);
    sg.g.Redraw();
    const QRect table = sg.g.tableRect();
    QVERIFY(!table.isEmpty());
    QCOMPARE(table.topLeft(), sg.g.plotAreaRect().topLeft() + QPoint(50, 20));
    // The half-transparent background lets the black plot show through.
    sg.g.setGraphBackColor(Qt::black);
    sg.g.Redraw();
    const QImage shot = sg.g.grab().toImage();
    const QColor inside = shot.pixelColor(table.center() + QPoint(0, table.height() / 3));
    QVERIFY(inside.red() > 100 && inside.red() < 160);
}

void TestPESGraph::lineAnnotationsCanBeHidden()
{
    ShownGraph sg(1, 10);
    sg.g.setGraphBackColor(Qt::black);
    sg.g.setGridLineControl(PESGraph::GridNone);
    sg.g.setManualScaleControlX(3);
    sg.g.setManualMinX(46000.0);
    sg.g.setManualMaxX(46000.01);
    sg.g.setManualScaleControlY(3);
    sg.g.setManualMinY(100);     // the data stays out of sight
    sg.g.setManualMaxY(200);
    sg.g.setVertLineAnnotation(1, 46000.005);
    sg.g.setVertLineAnnotationColor(1, QColor(255, 0, 0));
    sg.g.Redraw();
    const int x = qRound(sg.g.graphToPixel(46000.005, 150).x());
    const int y = sg.g.plotAreaRect().center().y();
    auto redAt = [&](int px) {
        const QImage shot = sg.g.grab().toImage();
        for (int dy = 0; dy < 6; ++dy)      // the line is dashed and may fall between pixels
            for (int dx = -1; dx <= 1; ++dx)
                if (shot.pixelColor(px + dx, y + dy).red() > 100)
                    return true;
        return false;
    };
    QVERIFY(redAt(x));
    QVERIFY(!redAt(x + 30));
    sg.g.setShowLineAnnotations(false);
    sg.g.Redraw();
    QVERIFY(!redAt(x));
}

void TestPESGraph::cursorFollowsArrowCursor()
{
    PESGraph g;
    g.setArrowCursor(PESGraph::CursorIBeam);
    QCOMPARE(g.plot()->cursor().shape(), Qt::IBeamCursor);
    g.setCustomCursor(QCursor(Qt::CrossCursor));
    QCOMPARE(g.plot()->cursor().shape(), Qt::CrossCursor);
    QCOMPARE(g.ArrowCursor(), 2);
    g.setArrowCursor(PESGraph::CursorArrow);
    QCOMPARE(g.plot()->cursor().shape(), Qt::ArrowCursor);
}

// ---- pointer -----------------------------------------------------------------

void TestPESGraph::clickEmitsOnClick()
{
    ShownGraph sg(1, 10);
    QSignalSpy clicks(&sg.g, &PESGraph::OnClick);
    QSignalSpy moves(&sg.g, &PESGraph::OnMouseMove);
    const QPoint p = sg.g.plotAreaRect().center();
    QTest::mouseMove(sg.g.plot(), p);
    QVERIFY(moves.count() >= 1);
    QTest::mouseClick(sg.g.plot(), Qt::LeftButton, {}, p);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(sg.g.lastMousePosition(), p);
    // Events sent to the control itself reach the plot too.
    QTest::mouseClick(&sg.g, Qt::LeftButton, {}, p + QPoint(5, 5));
    QCOMPARE(clicks.count(), 2);
    QCOMPARE(sg.g.lastMousePosition(), p + QPoint(5, 5));
}

void TestPESGraph::dragZoomsAndUndoRestores()
{
    ShownGraph sg(1, 10);
    sg.g.setAllowZooming(PESGraph::ZoomBoth);
    sg.g.setManualScaleControlX(3);
    sg.g.setManualMinX(46000.0);
    sg.g.setManualMaxX(46000.01);
    sg.g.Redraw();
    QCPAxis *x = sg.g.plot()->axisRect(0)->axis(QCPAxis::atBottom);
    const QCPRange before = x->range();
    QSignalSpy zoom(&sg.g, &PESGraph::OnZoomIn);
    QSignalSpy clicks(&sg.g, &PESGraph::OnClick);
    const QRect area = sg.g.plotAreaRect();
    const QPoint from = area.topLeft() + QPoint(area.width() / 4, area.height() / 4);
    const QPoint to = area.topLeft() + QPoint(area.width() / 2, area.height() / 2);
    QTest::mousePress(sg.g.plot(), Qt::LeftButton, {}, from);
    QTest::mouseMove(sg.g.plot(), from + QPoint(20, 20));
    QTest::mouseMove(sg.g.plot(), to);
    QTest::mouseRelease(sg.g.plot(), Qt::LeftButton, {}, to);
    QCOMPARE(zoom.count(), 1);
    QCOMPARE(clicks.count(), 0);
    QVERIFY(sg.g.isZoomed());
    QVERIFY(x->range().size() < before.size() / 3);
    QCOMPARE(sg.g.ManualMinX(), 46000.0);     // the scale itself is untouched
    // The window undoes a zoom with sgUndoZoom and sgResetImage only: that must reach the screen.
    QSignalSpy replots(sg.g.plot(), &QCustomPlot::afterReplot);
    sg.g.sgUndoZoom();
    sg.g.sgResetImage();
    QVERIFY(!sg.g.isZoomed());
    QCOMPARE(x->range(), before);
    QTRY_COMPARE(replots.count(), 1);
}

void TestPESGraph::doubleClickOnAnnotation()
{
    ShownGraph sg(1, 10);
    sg.g.setAllowGraphAnnotHotSpots(true);
    sg.g.setGraphAnnotationType(4, PESGraph::AnnotNoSymbol);
    sg.g.setGraphAnnotationText(4, QStringLiteral("note"));
    sg.g.setGraphAnnotationX(4, 46000.0 + 4 / 1440.0);
    sg.g.setGraphAnnotationY(4, 4);
    sg.g.Redraw();
    const QPoint at = sg.g.graphToPixel(46000.0 + 4 / 1440.0, 4).toPoint() + QPoint(6, 0);
    QSignalSpy spy(&sg.g, &PESGraph::OnGraphAnnotHotSpot);
    QTest::mouseDClick(sg.g.plot(), Qt::LeftButton, {}, at);
    int doubles = 0;
    for (const auto &call : spy)
        if (call.at(0).toBool()) {
            ++doubles;
            QCOMPARE(call.at(1).toInt(), 4);
        }
    QCOMPARE(doubles, 1);
    // QTest keeps the button down after a double click; let it go for later tests.
    QTest::mouseRelease(sg.g.plot(), Qt::LeftButton, {}, QPoint(1, 1));
}

void TestPESGraph::hoverOverAnnotation()
{
    ShownGraph sg(1, 10);
    sg.g.setAllowGraphAnnotHotSpots(true);
    sg.g.setGraphAnnotationType(3, PESGraph::AnnotCross);
    sg.g.setGraphAnnotationX(3, 46000.0 + 2 / 1440.0);
    sg.g.setGraphAnnotationY(3, 2);
    sg.g.Redraw();
    const QPoint at = sg.g.graphToPixel(46000.0 + 2 / 1440.0, 2).toPoint();
    QSignalSpy spy(&sg.g, &PESGraph::OnGraphHotSpot);
    QTest::mouseMove(sg.g.plot(), at + QPoint(60, 60));
    QCOMPARE(spy.count(), 0);
    QTest::mouseMove(sg.g.plot(), at);
    QTest::mouseMove(sg.g.plot(), at + QPoint(1, 0));
    QCOMPARE(spy.count(), 1);      // once on entering, not on every move
}

void TestPESGraph::clickNearDataPoint()
{
    ShownGraph sg(2, 10);
    sg.g.setManualScaleControlY(3);
    sg.g.setManualMinY(0);
    sg.g.setManualMaxY(20);
    sg.g.Redraw();
    const QPoint at = sg.g.graphToPixel(46000.0 + 6 / 1440.0, 16).toPoint() + QPoint(2, -2);
    QSignalSpy spy(&sg.g, &PESGraph::OnDataHotSpot);
    QTest::mouseClick(sg.g.plot(), Qt::LeftButton, {}, at);
    QCOMPARE(spy.count(), 0);        // data hot spots are off
    sg.g.setAllowDataHotSpots(true);
    QTest::mouseClick(sg.g.plot(), Qt::LeftButton, {}, at);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), false);
    QCOMPARE(spy.at(0).at(1).toInt(), 6);
    QCOMPARE(spy.at(0).at(2).toInt(), 1);
}

void TestPESGraph::tableCanBeDragged()
{
    ShownGraph sg(1, 10);
    sg.g.setAllowZooming(PESGraph::ZoomBoth);
    sg.g.setTARows(2);
    sg.g.setTAColumns(2);
    sg.g.setTAText(0, 0, QStringLiteral("RH MAX:"));
    sg.g.setTALocation(QPoint(40, 40));
    sg.g.setTAMovable(true);
    sg.g.setTAShow(true);
    sg.g.Redraw();
    const QPoint grab = sg.g.tableRect().center();
    QSignalSpy zoom(&sg.g, &PESGraph::OnZoomIn);
    QTest::mousePress(sg.g.plot(), Qt::LeftButton, {}, grab);
    QTest::mouseMove(sg.g.plot(), grab + QPoint(30, 10));
    QTest::mouseMove(sg.g.plot(), grab + QPoint(60, 20));
    QTest::mouseRelease(sg.g.plot(), Qt::LeftButton, {}, grab + QPoint(60, 20));
    QCOMPARE(sg.g.TALocation(), QPoint(100, 60));
    QCOMPARE(zoom.count(), 0);
}

void TestPESGraph::wheelScrollsAZoom()
{
    ShownGraph sg(1, 10);
    sg.g.setAllowZooming(PESGraph::ZoomBoth);
    sg.g.setScrollingHorzZoom(true);
    sg.g.Redraw();
    QCPAxis *x = sg.g.plot()->axisRect(0)->axis(QCPAxis::atBottom);
    const QPoint at = sg.g.plotAreaRect().center();
    auto wheel = [&](int delta) {
        QWheelEvent event(at, sg.g.plot()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(sg.g.plot(), &event);
    };
    const QCPRange unzoomed = x->range();
    wheel(-120);
    QCOMPARE(x->range(), unzoomed);          // nothing to scroll before a zoom
    QTest::mousePress(sg.g.plot(), Qt::LeftButton, {}, at);
    QTest::mouseMove(sg.g.plot(), at + QPoint(20, 20));
    QTest::mouseMove(sg.g.plot(), at + QPoint(80, 80));
    QTest::mouseRelease(sg.g.plot(), Qt::LeftButton, {}, at + QPoint(80, 80));
    QVERIFY(sg.g.isZoomed());
    const QCPRange zoomed = x->range();
    wheel(-120);
    QVERIFY(x->range().lower > zoomed.lower);
    QVERIFY(std::fabs(x->range().size() - zoomed.size()) < zoomed.size() * 1e-6);
}

// ---- dialog and printing -----------------------------------------------------

void TestPESGraph::customizePagesSwitchOff_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("page");
    QTest::newRow("page 1") << "AllowPage1" << "pageGraph";
    QTest::newRow("page 2") << "AllowPage2" << "pageStyle";
    QTest::newRow("subsets") << "AllowSubsetsPage" << "pageSubsets";
    QTest::newRow("fonts") << "AllowFontPage" << "pageFonts";
    QTest::newRow("axis") << "AllowAxisPage" << "pageAxis";
}

void TestPESGraph::customizePagesSwitchOff()
{
    QFETCH(QString, property);
    QFETCH(QString, page);
    PESGraph g;
    {
        TGraphCustomizeDialog all(&g);
        QCOMPARE(all.pageNames().size(), 5);
    }
    if (property == "AllowPage1")
        g.setAllowPage1(false);
    else if (property == "AllowPage2")
        g.setAllowPage2(false);
    else if (property == "AllowSubsetsPage")
        g.setAllowSubsetsPage(false);
    else if (property == "AllowFontPage")
        g.setAllowFontPage(false);
    else
        g.setAllowAxisPage(false);
    TGraphCustomizeDialog dialog(&g);
    QCOMPARE(dialog.pageNames().size(), 4);
    QVERIFY(!dialog.hasPage(page));
}

void TestPESGraph::customizeAcceptApplies()
{
    ShownGraph sg(5, 4);
    QStringList seenPages;
    SetGraphCustomizeHook([&](TGraphCustomizeDialog &d) {
        seenPages = d.pageNames();
        d.edtMainTitle->setText(QStringLiteral("Salle 4"));
        d.edtSubsetLabels[1]->setText(QStringLiteral("Air"));
        d.setSubsetColor(1, QColor(10, 20, 30));
        d.spnLineWidths[1]->setValue(3);
        d.cboGridStyle->setCurrentIndex(PESGraph::GridDotted);
        d.setColor(2, Qt::black);
        d.spnLabelSize->setValue(14);
        return int(QDialog::Accepted);
    });
    QSignalSpy spy(&sg.g, &PESGraph::OnCustomizeDlg);
    // Cells written while the dialog is open survive its confirmation.
    sg.g.setYData(0, 0, 77.0f);
    QCOMPARE(sg.g.sgCustomize(), 1);
    SetGraphCustomizeHook({});
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 1);
    QCOMPARE(seenPages.size(), 5);
    QCOMPARE(sg.g.MainTitle(), QStringLiteral("Salle 4"));
    QCOMPARE(sg.g.SubsetLabels(1), QStringLiteral("Air"));
    QCOMPARE(sg.g.SubsetColors(1), QColor(10, 20, 30));
    QCOMPARE(sg.g.SubsetLineWidth(1), 3);
    QCOMPARE(sg.g.GridStyle(), 2);
    QCOMPARE(sg.g.GraphBackColor(), QColor(Qt::black));
    QCOMPARE(sg.g.LabelFont().pointSize(), 14);
    QCOMPARE(sg.g.YData(0, 0), 77.0f);
    QCOMPARE(graphOf(sg.g, 1)->name(), QStringLiteral("Air"));
    QCOMPARE(graphOf(sg.g, 1)->pen().color(), QColor(10, 20, 30));
}

void TestPESGraph::customizeCancelKeepsGraph()
{
    PESGraph g;
    g.setMainTitle(QStringLiteral("before"));
    const QByteArray before = g.SaveGraphBlock();
    SetGraphCustomizeHook([](TGraphCustomizeDialog &d) {
        d.edtMainTitle->setText(QStringLiteral("after"));
        return int(QDialog::Rejected);
    });
    QSignalSpy spy(&g, &PESGraph::OnCustomizeDlg);
    QCOMPARE(g.sgCustomize(), 0);
    SetGraphCustomizeHook({});
    QCOMPARE(spy.at(0).at(0).toInt(), 0);
    QCOMPARE(g.SaveGraphBlock(), before);
}

void TestPESGraph::printToPdf()
{
    ShownGraph sg(5, 50);
    sg.g.setMainTitle(QStringLiteral("Print"));
    sg.g.setGraphAnnotationType(4, PESGraph::AnnotCross);
    sg.g.setGraphAnnotationX(4, 46000.01);
    sg.g.setGraphAnnotationY(4, 20);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("graph.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    QVERIFY(sg.g.PrintTo(printer));
    QFile pdf(path);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    QVERIFY(bytes.size() > 2000);
}

void TestPESGraph::printDialogCancelledPrintsNothing()
{
    PESGraph g;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("none.pdf"));
    PESGraph::setPrintHook([&](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return int(QDialog::Rejected);
    });
    QVERIFY(!g.sgPrintDialog());
    QVERIFY(!QFile::exists(path));
    PESGraph::setPrintHook([&](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return int(QDialog::Accepted);
    });
    QVERIFY(g.sgPrintDialog());
    PESGraph::setPrintHook({});
    QVERIFY(QFileInfo(path).size() > 0);
}

QM738_REGISTER_TEST(TestPESGraph)
#include "tst_pesgraph.moc"
