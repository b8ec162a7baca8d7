#include "testregistry.h"
#include "graphtestsupport.h"

#include "core/base/datetime.h"
#include "gui/graph/window/graph.h"
#include "core/graph/graphmodel.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/engine/pesgraph.h"
#include "core/graph/statistics.h"
#include "core/logger/datasets.h"
#include "gui/logger/loggergraph.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

namespace {
const double kStart = 46000.25; // a date at 06:00

// A graph of `points` samples taken every `step` seconds, Y from the lists
// (the last value repeats), five subsets.
void Fill(PESGraph &g, int points, double step, const QList<float> &rh, const QList<float> &t1 = {20.0f},
          const QList<float> &t2 = {30.0f})
{
    g.setSubsets(5);
    g.setPoints(points);
    for (int p = 0; p < points; ++p) {
        const double x = kStart + p * step / 86400.0;
        const QList<float> *cols[3] = {&rh, &t1, &t2};
        for (int k = 0; k < 5; ++k) {
            g.setXDataII(k, p, x);
            g.setYData(k, p, k < 3 ? cols[k]->value(std::min<int>(p, int(cols[k]->size()) - 1)) : 10.0f);
        }
    }
}
} // namespace

class TestGraphStatistics : public QObject
{
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanup() { QLocale::setDefault(QLocale::system()); }

    void interval_data();
    void interval();
    void extremeTexts_data();
    void extremeTexts();
    void averageIgnoresMarkers();
    void tiesKeepFirst();
    void windowShowsStatistics();
    void longIntervalLeavesMinutesUnselected();
    void tableOnGraph();
    void dataSetAxisAndUnit_data();
    void dataSetAxisAndUnit();
};

void TestGraphStatistics::interval_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("seconds");
    QTest::newRow("10 every 60 s") << 10 << 60.0 << 1 << 0;
    QTest::newRow("2000 every 2 s") << 2000 << 2.0 << 0 << 2;
    QTest::newRow("one point") << 1 << 60.0 << 0 << 0;
    QTest::newRow("90 s") << 5 << 90.0 << 1 << 30;
    QTest::newRow("3700 s") << 3 << 3700.0 << 61 << 40;
}

void TestGraphStatistics::interval()
{
    QFETCH(int, points);
    QFETCH(double, step);
    QFETCH(int, minutes);
    QFETCH(int, seconds);
    PESGraph g;
    Fill(g, points, step, {50.0f});
    const TGraphStatistics st = ComputeGraphStatistics(g.model());
    QCOMPARE(st.minutesIndex, minutes);
    QCOMPARE(st.secondsIndex, seconds);
    QCOMPARE(st.dataNoText, QString::number(points));
    QCOMPARE(st.start, kStart);
    QCOMPARE(st.startText, LocaleUtil::DateTimeText(kStart));
}

void TestGraphStatistics::extremeTexts_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<QList<float>>("values");
    QTest::addColumn<QString>("maxText");
    QTest::addColumn<QString>("minText");
    QTest::addColumn<QString>("avgText");
    const QString at0 = QLatin1Char('@') + LocaleUtil::DateTimeText(kStart);
    const QString at1 = QLatin1Char('@') + LocaleUtil::DateTimeText(kStart + 60 / 86400.0);
    QTest::newRow("RH over range") << 0 << QList<float>{40.0f, 9000.0f, 60.0f} << "OL" << "40.0" + at0 << "50.0";
    QTest::newRow("RH below 0") << 0 << QList<float>{-1.0f, 30.0f} << "30.0" + at1 << "OL" << "14.5";
    QTest::newRow("T1 under range") << 1 << QList<float>{-9000.0f, 25.0f} << "25.0" + at1 << "OL" << "25.0";
    QTest::newRow("T2 under range") << 2 << QList<float>{-9000.0f, 25.0f} << "25.0" + at1 << "-OL" << "25.0";
    QTest::newRow("T2 over range") << 2 << QList<float>{9000.0f, 25.0f} << "OL" << "25.0" + at1 << "25.0";
    QTest::newRow("T2 all below") << 2 << QList<float>{-9000.0f, -500.0f} << "-OL" << "-OL" << "****";
    QTest::newRow("T2 at -390 ok") << 2 << QList<float>{-390.0f} << "-390.0" + at0 << "-390.0" + at0 << "****";
}

void TestGraphStatistics::extremeTexts()
{
    QFETCH(int, channel);
    QFETCH(QList<float>, values);
    QFETCH(QString, maxText);
    QFETCH(QString, minText);
    QFETCH(QString, avgText);
    PESGraph g;
    QList<float> cols[3] = {{50.0f}, {20.0f}, {30.0f}};
    cols[channel] = values;
    Fill(g, int(values.size()), 60.0, cols[0], cols[1], cols[2]);
    const TGraphStatistics st = ComputeGraphStatistics(g.model());
    QCOMPARE(st.maxText[channel], maxText);
    QCOMPARE(st.minText[channel], minText);
    QCOMPARE(st.avgText[channel], avgText);
}

void TestGraphStatistics::averageIgnoresMarkers()
{
    PESGraph g;
    Fill(g, 4, 60.0, {10.0f, 9999.0f, 20.0f, 9000.0f});
    const TGraphStatistics st = ComputeGraphStatistics(g.model());
    QCOMPARE(st.count[0], 2);
    QCOMPARE(st.average[0], 15.0f);
    QCOMPARE(st.maximum[0], 9999.0f); // the null value takes part in the maximum
}

void TestGraphStatistics::tiesKeepFirst()
{
    PESGraph g;
    Fill(g, 4, 60.0, {30.0f, 70.0f, 10.0f, 70.0f, 10.0f});
    const TGraphStatistics st = ComputeGraphStatistics(g.model());
    QCOMPARE(st.maximumTime[0], kStart + 60 / 86400.0);
    QCOMPARE(st.minimumTime[0], kStart + 120 / 86400.0);
}

void TestGraphStatistics::windowShowsStatistics()
{
    TfrmGraph w;
    Fill(*w.PESGraph1, 10, 60.0, {40.0f, 60.0f});
    w.ComputeGraphStatistics();
    QCOMPARE(w.ComboBox1->currentIndex(), 1);
    QCOMPARE(w.ComboBox2->currentIndex(), 0);
    QCOMPARE(w.txtDataNo->text(), QStringLiteral("10"));
    QCOMPARE(w.txtRHMax->text(), LocaleUtil::ValueAt(60.0, kStart + 60 / 86400.0));
    QCOMPARE(w.txtRHMin->text(), LocaleUtil::ValueAt(40.0, kStart));
    QCOMPARE(w.txtRHAvg->text(), QStringLiteral("58.0"));
    QCOMPARE(w.txtT1Avg->text(), QStringLiteral("20.0"));
}

void TestGraphStatistics::longIntervalLeavesMinutesUnselected()
{
    TfrmGraph w;
    Fill(*w.PESGraph1, 2, 3700.0, {40.0f});
    w.ComputeGraphStatistics();
    QCOMPARE(w.ComboBox1->currentIndex(), -1);
    QCOMPARE(w.ComboBox2->currentIndex(), 40);
}

void TestGraphStatistics::tableOnGraph()
{
    TfrmGraph w;
    Fill(*w.PESGraph1, 10, 60.0, {40.0f, 60.0f});
    w.ComputeGraphStatistics();
    w.Button2Click();
    PESGraph *g = w.PESGraph1;
    QVERIFY(g->TAShow());
    QCOMPARE(g->TARows(), 15);
    QCOMPARE(g->TAColumns(), 2);
    QCOMPARE(g->TAText(0, 0), QStringLiteral("Start Time:"));
    QCOMPARE(g->TAText(0, 1), w.txtStartTime->text());
    QCOMPARE(g->TAText(1, 1), QStringLiteral("01:00"));
    QCOMPARE(g->TAText(2, 1), QStringLiteral("10"));
    QCOMPARE(g->TAText(3, 0), QStringLiteral("RH MAX:"));
    QCOMPARE(g->TAText(3, 1), w.txtRHMax->text());
    QCOMPARE(g->TAText(11, 0), QStringLiteral("T2 AVG:"));
    QCOMPARE(g->TAText(11, 1), w.txtT2Avg->text());
    QCOMPARE(g->TAText(14, 1), QString());
    QCOMPARE(g->TAColor(5, 1), PEargb(255, 255, 0, 0));
    QCOMPARE(g->TABackColor(), PEargb(255, 255, 255, 255)); // opaque over the curves
    QCOMPARE(g->TATextSize(), 100);                         // the labels' size
    QCOMPARE(g->TALocation(), QPoint(550, 50));
    QVERIFY(g->TAMovable());
    QVERIFY(!g->TAHeaderRows());
}

// A data set graphed: its unit kept with the graph, and a Y axis that shows
// every value (markers aside) when they leave -20 .. 100.
void TestGraphStatistics::dataSetAxisAndUnit_data()
{
    QTest::addColumn<int>("unitCode");
    QTest::addColumn<QList<float>>("values"); // RH, T1, T2, WET BULB, DEW POINT of each record
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("minY");
    QTest::addColumn<double>("maxY");
    QTest::newRow("K set") << 2 << QList<float>{45.2f, 294.1f, 296.3f, 288.0f, 281.5f, 44.0f, 294.6f, 9000.0f, 288.2f, 9999.0f}
                           << QStringLiteral("K") << 40.0 << 300.0;
    QTest::newRow("\u00b0F set, warm room") << 0 << QList<float>{45.0f, 77.5f, 101.3f, 64.0f, 55.1f}
                                       << QStringLiteral("\u00b0F") << 40.0 << 110.0;
    QTest::newRow("\u00b0C set") << 1 << QList<float>{45.0f, 25.1f, -9000.0f, 17.9f, 12.6f}
                              << QStringLiteral("\u00b0C") << -20.0 << 100.0;
}

void TestGraphStatistics::dataSetAxisAndUnit()
{
    QFETCH(int, unitCode);
    QFETCH(QList<float>, values);
    QFETCH(QString, unit);
    QFETCH(double, minY);
    QFETCH(double, maxY);
    TLoggerStore store;
    TDataSet set;
    set.startTime = kStart;
    set.intervalSeconds = 60;
    set.recordCount = int(values.size() / 5);
    set.unitCode = uint8_t(unitCode);
    store.DataSets << set << set;
    for (int copy = 0; copy < 2; ++copy)
        for (int i = 0; i < values.size(); ++i) {
            store.Values << values.at(i);
            store.Times << kStart + (i / 5) * 60.0 / 86400.0;
        }
    TfrmGraph w;
    GraphDataSetIn(&w, store, 1);
    PESGraph *g = w.PESGraph1;
    QCOMPARE(g->Unit(), unit);
    QCOMPARE(w.ShownDataSet, 2);
    QCOMPARE(g->ManualMinY(), minY);
    QCOMPARE(g->ManualMaxY(), maxY);
}

QM738_REGISTER_TEST(TestGraphStatistics)
#include "tst_statistics.moc"
