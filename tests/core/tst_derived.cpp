// Dew point, wet bulb and the thermocouple range check.
#include <QTest>

#include "core/live/derived.h"
#include "live/testlist.h"

class TstDerived : public QObject {
    Q_OBJECT
private slots:
    void dewPoint_data();
    void dewPoint();
    void dewPointAtSaturationIsTemperatureExactly_data();
    void dewPointAtSaturationIsTemperatureExactly();
    void wetBulb_data();
    void wetBulb();
    void wetBulbOfNegativeHumidityIsFinite();
    void coupleRange_data();
    void coupleRange();
};

// Reference values of the closed formulas evaluated in double precision; the
// single-precision steps keep results within 0.0005 of them. (25 degC, 60 %
// gives 16.8149, which shows as 16.81 or, rounded via 16.815, as 16.82.)
static bool Near(float v, double expected) { return qAbs(double(v) - expected) < 0.0005; }

void TstDerived::dewPoint_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<double>("h");
    QTest::addColumn<double>("expected");
    QTest::newRow("20C 50%") << 20.0 << 50.0 << 9.2839;
    QTest::newRow("25C 60%") << 25.0 << 60.0 << 16.8149;
    QTest::newRow("0C 50%") << 0.0 << 50.0 << -9.2291;
    QTest::newRow("20C 0% unclamped") << 20.0 << 0.0 << -33.4697;
}

void TstDerived::dewPoint()
{
    QFETCH(double, t);
    QFETCH(double, h);
    QFETCH(double, expected);
    QVERIFY2(Near(DewPoint(t, h), expected), qPrintable(QString::number(DewPoint(t, h), 'f', 6)));
}

void TstDerived::dewPointAtSaturationIsTemperatureExactly_data()
{
    QTest::addColumn<float>("t");
    QTest::newRow("20") << 20.0f;
    QTest::newRow("-12.3") << -12.3f;
    QTest::newRow("37.7") << 37.7f;
}

void TstDerived::dewPointAtSaturationIsTemperatureExactly()
{
    QFETCH(float, t);
    QCOMPARE(DewPoint(t, 100.0), t);
}

void TstDerived::wetBulb_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<double>("h");
    QTest::addColumn<double>("expected");
    QTest::newRow("20C 50%") << 20.0 << 50.0 << 13.6993;
    QTest::newRow("25C 60%") << 25.0 << 60.0 << 19.5027;
    QTest::newRow("0C 50%") << 0.0 << 50.0 << -3.4978;
    QTest::newRow("20C 100% not exactly T") << 20.0 << 100.0 << 20.0102;
}

void TstDerived::wetBulb()
{
    QFETCH(double, t);
    QFETCH(double, h);
    QFETCH(double, expected);
    QVERIFY2(Near(WetBulb(t, h), expected), qPrintable(QString::number(WetBulb(t, h), 'f', 6)));
}

void TstDerived::wetBulbOfNegativeHumidityIsFinite()
{
    // The live path hands the meter's RH over unchecked.
    QVERIFY(qIsFinite(WetBulb(20.0, -0.5)));
    QVERIFY(qIsFinite(WetBulb(20.0, -50.0)));
}

void TstDerived::coupleRange_data()
{
    QTest::addColumn<int>("unitFlag");
    QTest::addColumn<int>("type");
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("K C -200 within") << 1 << 0 << -200.0f << 0;
    QTest::newRow("K C 1372 within") << 1 << 0 << 1372.0f << 0;
    QTest::newRow("K C 1372.1 above") << 1 << 0 << 1372.1f << 1;
    QTest::newRow("K C -200.1 below") << 1 << 0 << -200.1f << 2;
    QTest::newRow("K C -220 below lower only") << 1 << 0 << -220.0f << 2;
    QTest::newRow("K C -220.1 below far") << 1 << 0 << -220.1f << 3;
    QTest::newRow("K F 2501.6f above") << 0 << 0 << 2501.6f << 1;
    QTest::newRow("K F 2501.5 within") << 0 << 0 << 2501.5f << 0;
    QTest::newRow("J F 1832.6f within") << 0 << 1 << 1832.6f << 0;
    QTest::newRow("J F 1832.7 above") << 0 << 1 << 1832.7f << 1;
    QTest::newRow("E F 1382.6f") << 0 << 2 << 1382.6f << 0;
    QTest::newRow("T F 752.5 above") << 0 << 3 << 752.5f << 1;
    QTest::newRow("N C -210 lower") << 1 << 4 << -210.0f << 2;
    QTest::newRow("N C -210.5 far") << 1 << 4 << -210.5f << 3;
    QTest::newRow("N F -346.5 far") << 0 << 4 << -346.5f << 3;
    QTest::newRow("N F 2372.4f") << 0 << 4 << 2372.4f << 0;
    QTest::newRow("R C -5 below") << 1 << 5 << -5.0f << 2;
    QTest::newRow("R C -10.5 far") << 1 << 5 << -10.5f << 3;
    QTest::newRow("R C 0 within") << 1 << 5 << 0.0f << 0;
    QTest::newRow("S C 1768.1 above") << 1 << 6 << 1768.1f << 1;
    QTest::newRow("S F 31.9 below") << 0 << 6 << 31.9f << 2;
    QTest::newRow("S F 13.9 far") << 0 << 6 << 13.9f << 3;
    QTest::newRow("S F 3215.1f above") << 0 << 6 << 3215.1f << 1;
    QTest::newRow("T F 752.4f above") << 0 << 3 << 752.4f << 1;
    QTest::newRow("T C 400 within") << 1 << 3 << 400.0f << 0;
    QTest::newRow("flag 7 is Celsius") << 7 << 0 << 1400.0f << 1;
    QTest::newRow("type 7 any value") << 1 << 7 << -5000.0f << 0;
    QTest::newRow("type 255 any value") << 0 << 255 << 99999.0f << 0;
}

void TstDerived::coupleRange()
{
    QFETCH(int, unitFlag);
    QFETCH(int, type);
    QFETCH(float, value);
    QFETCH(int, expected);
    QCOMPARE(int(CheckCoupleRange(uint8_t(unitFlag), uint8_t(type), value)), expected);
}

static TRegisterTest<TstDerived> registerDerived;
#include "tst_derived.moc"
