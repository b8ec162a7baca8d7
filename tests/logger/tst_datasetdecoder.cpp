#include "testregistry.h"

#include "core/base/datetime.h"
#include "core/live/decoder.h"
#include "core/live/derived.h"
#include "core/logger/datasetdecoder.h"
#include "core/logger/datasetlist.h"
#include "gui/logger/datasetgrid.h"
#include "sim/simmeter.h"

#include <QTableWidget>
#include <QtTest>
#include <cmath>

namespace {

const QDateTime kNow(QDate(2026, 3, 2), QTime(9, 8, 7));
using Words = std::array<uint16_t, 3>; // RH, T1, T2 of one record

struct SetBytes {
    QVector<Words> records;
    uint8_t unitCouple = 0x10; // unit code << 4 | thermocouple type
    std::array<uint8_t, 8> start{0x25, 0x06, 0x14, 0x13, 0x45, 0x30, 0, 2}; // BCD date, time; interval m, s
};

// An image announcing `announced` sets, written byte by byte as the meter lays them out.
QByteArray Image(int announced, const QVector<SetBytes> &sets)
{
    QByteArray a(0xB00, char(0xFF));
    const auto put16 = [&a](int at, int v) { a[at] = char(v >> 8), a[at + 1] = char(v); };
    put16(8, announced);
    for (const SetBytes &s : sets) {
        const int p = a.size();
        a.append(QByteArray(20 + 8 * s.records.size(), 0));
        for (int i = 0; i < 8; ++i)
            a[p + 3 + i] = char(s.start[i]);
        a[p + 11] = char(s.unitCouple);
        put16(p + 12, s.records.size());
        for (int j = 0; j < s.records.size(); ++j)
            for (int w = 0; w < 3; ++w)
                put16(p + 18 + 8 * j + 2 * w, s.records[j][w]);
    }
    return a;
}

QByteArray One(Words w, uint8_t unitCouple = 0x10) { return Image(1, {SetBytes{{w}, unitCouple}}); }
QByteArray Header(std::array<uint8_t, 8> start) { return Image(1, {SetBytes{{{500, 250, 850}}, 0x10, start}}); }

double Days(int y, int mo, int d, int h, int mi, int s)
{
    return DateTimeUtil::ToDays(QDateTime(QDate(y, mo, d), QTime(h, mi, s)));
}

QVector<double> Fields(const TDataSet &s)
{
    return {s.startTime, double(s.intervalSeconds), double(s.recordCount), double(s.unitCode), double(s.coupleType),
            double(s.rhOffset), double(s.t1Offset), double(s.t2Offset), double(s.headerOffset), double(s.endOffset)};
}

} // namespace

class TestDataSetDecoder : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }
    void decode_data();
    void decode();
    void cutImages();
    void t2AsTheLiveDisplay_data();
    void t2AsTheLiveDisplay();
    void listTexts_data();
    void listTexts();
};

void TestDataSetDecoder::decode_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("sets");
    QTest::addColumn<double>("start");          // of the last set; NaN: not checked
    QTest::addColumn<int>("interval");          // of the last set
    QTest::addColumn<int>("first");             // first value of the last set
    QTest::addColumn<QVector<float>>("values"); // the last set's first record

    const double nan = std::nan(""), june14 = Days(2025, 6, 14, 13, 45, 30);
    const float wb = WetBulb(25.0, 50.0), dp = DewPoint(25.0, 50.0), t2 = (85.0f - 32) * 5 / 9;
    const QVector<float> none;
    QTest::newRow("no set") << Image(0, {}) << 6 << 0 << nan << 0 << 0 << none;
    QTest::newRow("4001 sets") << Image(4001, {}) << 2 << 0 << nan << 0 << 0 << none;
    QTest::newRow("4000 sets") << Image(4000, QVector<SetBytes>(4000)) << 0 << 4000 << june14 << 2 << 0 << none;
    QTest::newRow("9 bytes") << QByteArray(9, 1) << 6 << 0 << nan << 0 << 0 << none;
    QTest::newRow("month 13") << Header({0x25, 0x13, 0x14, 0x13, 0x45, 0x30, 0, 2}) << 0 << 1
                              << DateTimeUtil::ToDays(kNow) << 2 << 0 << none;
    QTest::newRow("hour 0x1A") << Header({0x25, 0x06, 0x14, 0x1A, 0x45, 0x30, 0, 2}) << 0 << 1
                               << Days(2025, 6, 14, 9, 45, 30) << 2 << 0 << none;
    QTest::newRow("interval 0/0") << Header({0x25, 6, 0x14, 0x13, 0x45, 0x30, 0, 0}) << 0 << 1 << june14 << 2 << 0 << none;
    QTest::newRow("61 min 5 s") << Header({0x25, 6, 0x14, 0x13, 0x45, 0x30, 61, 5}) << 0 << 1 << june14 << 5 << 0 << none;
    QTest::newRow("1 min 61 s") << Header({0x25, 6, 0x14, 0x13, 0x45, 0x30, 1, 61}) << 0 << 1 << june14 << 62 << 0 << none;
    QTest::newRow("empty set, then one") << Image(2, {SetBytes{}, SetBytes{{{500, 250, 850}}}}) << 0 << 2 << june14 << 2 << 0
                                         << QVector<float>{50, 25, t2, wb, dp};
    QTest::newRow("RH 102.5") << One({1025, 250, 850}) << 0 << 1 << nan << 2 << 0 << QVector<float>{9000, 25, t2, 9999, 9999};
    QTest::newRow("T1 65.0") << One({500, 650, 850}) << 0 << 1 << nan << 2 << 0
                             << QVector<float>{50, 65, t2, WetBulb(65.0, 50.0), DewPoint(65.0, 50.0)};
    QTest::newRow("T1 65.1") << One({500, 651, 850}) << 0 << 1 << nan << 2 << 0 << QVector<float>{50, 9000, t2, 9999, 9999};
    QTest::newRow("degF set") << One({500, 250, 850}, 0x00) << 0 << 1 << nan << 2 << 0
                              << QVector<float>{50, 77, 85, wb * 1.8f + 32, dp * 1.8f + 32};
    QTest::newRow("K set") << One({500, 250, 850}, 0x20) << 0 << 1 << nan << 2 << 0
                           << QVector<float>{50, 298.15f, t2 + 273.15f, wb + 273.15f, dp + 273.15f};
    QTest::newRow("K type 2000 degF") << One({500, 250, 20000}) << 0 << 1 << nan << 2 << 0 << QVector<float>{50, 25, 1093.33f, wb, dp};
    QTest::newRow("K type 2600 degF") << One({500, 250, 26000}) << 0 << 1 << nan << 2 << 0 << QVector<float>{50, 25, 9000, wb, dp};
    QTest::newRow("K type -500 degF") << One({500, 250, uint16_t(-5000)}) << 0 << 1 << nan << 2 << 0
                                      << QVector<float>{50, 25, -9000, wb, dp};
    QTest::newRow("sets of 3 and 2") << Image(2, {SetBytes{QVector<Words>(3, {500, 250, 850})}, SetBytes{QVector<Words>(2, {1025, 250, 850})}})
                                     << 0 << 2 << june14 << 2 << 15 << QVector<float>{9000, 25, t2, 9999, 9999};
}

void TestDataSetDecoder::decode()
{
    QFETCH(QByteArray, image);
    QFETCH(int, result);
    QFETCH(int, sets);
    QFETCH(double, start);
    QFETCH(int, interval);
    QFETCH(int, first);
    QFETCH(QVector<float>, values);

    TLoggerStore store; // a previous decode, which a failed one leaves alone
    store.DataSets.resize(1);
    store.Values = {1, 2, 3, 4, 5};
    QCOMPARE(DecodeDataSets(image, store, kNow), result);
    QCOMPARE(store.DataSets.size(), result ? 1 : sets);
    if (result) {
        QCOMPARE(store.Values.size(), 5);
        return;
    }
    const TDataSet &last = store.DataSets.last();
    if (!std::isnan(start))
        QCOMPARE(last.startTime, start);
    QCOMPARE(last.intervalSeconds, interval);
    QCOMPARE(FirstValueOf(store, sets - 1), qsizetype(first));
    for (int k = 0; k < values.size(); ++k)
        QVERIFY2(std::fabs(store.Values.at(first + k) - values.at(k)) < 0.01, qPrintable(QString::number(k)));
    // Five entries per record, all with the record's time.
    qsizetype at = 0;
    for (const TDataSet &s : std::as_const(store.DataSets))
        for (int j = 0; j < 5 * s.recordCount; ++j)
            QCOMPARE(store.Times.at(at++), s.startTime + j / 5 * (s.intervalSeconds / 86400.0));
    QCOMPARE(store.Values.size(), at);
    QCOMPARE(store.Times.size(), at);
}

void TestDataSetDecoder::t2AsTheLiveDisplay_data()
{
    QTest::addColumn<uint16_t>("raw"); // tenths of a degF
    QTest::newRow("4.3") << uint16_t(43);    // single-precision (x - 32) * 5 differed in the last bit
    QTest::newRow("8.9") << uint16_t(89);
    QTest::newRow("85.0") << uint16_t(850);
}

void TestDataSetDecoder::t2AsTheLiveDisplay()
{
    QFETCH(uint16_t, raw);
    TLoggerStore store;
    QCOMPARE(DecodeDataSets(One({500, 250, raw}), store, kNow), 0);
    const float live = LiveFahrenheitToCelsius(float(raw * 0.1));
    QVERIFY2(store.Values.at(2) == live, qPrintable(QString::number(double(store.Values.at(2)), 'g', 9)));
}

void TestDataSetDecoder::cutImages()
{
    // The simulated meter's memory, cut at every length up to its last used byte.
    TSimMeter meter;
    meter.LoadDemoDataSets();
    const QByteArray whole = meter.Memory().left(meter.EndAddress() + 1);
    TLoggerStore full;
    QCOMPARE(DecodeDataSets(whole, full, kNow), 0);
    for (int length = 0; length <= whole.size(); ++length) {
        TLoggerStore cut;
        const int result = DecodeDataSets(QByteArray(whole.constData(), length), cut, kNow); // an exact-size copy
        int complete = 0, headers = 0;
        for (const TDataSet &s : std::as_const(full.DataSets)) {
            headers += s.headerOffset + 18 <= length;
            complete += s.headerOffset + 18 + 8 * s.recordCount <= length;
        }
        QCOMPARE(result, headers ? 0 : 6);
        QCOMPARE(cut.DataSets.size(), headers);
        for (int i = 0; i < headers; ++i) {
            TDataSet expected = full.DataSets.at(i);
            if (i >= complete) { // cut inside its records: the whole records inside are kept
                expected.recordCount = (length - expected.headerOffset - 18) / 8;
                expected.endOffset = expected.headerOffset + 19 + 8 * expected.recordCount;
            }
            QVERIFY(Fields(cut.DataSets.at(i)) == Fields(expected));
        }
        QCOMPARE(cut.Values, full.Values.mid(0, cut.Values.size()));
        QCOMPARE(cut.Times, full.Times.mid(0, cut.Values.size()));
        QCOMPARE(cut.Values.size(), FirstValueOf(cut, headers));
    }
}

void TestDataSetDecoder::listTexts_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("unitCode");
    QTest::addColumn<int>("coupleType");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("cells"); // columns 1 to 9 of the first data row
    QTest::newRow("degC, type T") << "en_US" << 1 << 3 << 2 << "6/14/25 13:45:30 00:02 12 C T -1.0 1.0 -0.1";
    QTest::newRow("degF, French") << "fr_FR" << 0 << 1 << 62 << "14/06/2025 13:45:30 01:02 12 F J -1,0 1,8 -0,2";
    QTest::newRow("K, couple 9") << "en_US" << 2 << 9 << 3660 << "6/14/25 13:45:30 61:00 12 K K -1.0 1.0 -0.1";
    QTest::newRow("unit 3 keeps the text") << "en_US" << 3 << 6 << 2 << "6/14/25 13:45:30 00:02 12 C S -1.0 1.0 -0.1";
}

void TestDataSetDecoder::listTexts()
{
    QFETCH(QString, locale);
    QFETCH(int, unitCode);
    QFETCH(int, coupleType);
    QFETCH(int, interval);
    QFETCH(QString, cells);
    QLocale::setDefault(QLocale(locale));

    // Five degC sets listed, then three of the row's kind: the title row and three remain.
    QTableWidget grid(1, 11);
    TLoggerStore store;
    TDataSet set{Days(2025, 6, 14, 13, 45, 30), 2, 12, 1, 0, 0, 0, 0, 0, 0};
    store.DataSets.fill(set, 5);
    FillDataSetList(&grid, store);
    set = TDataSet{set.startTime, interval, 12, uint8_t(unitCode), coupleType, 0xF6, 0x12, 0xFE, 0, 0};
    store.DataSets.fill(set, 3);
    FillDataSetList(&grid, store);
    QCOMPARE(grid.rowCount(), 4);
    QCOMPARE(grid.item(3, 0)->text(), QStringLiteral("3"));
    QStringList row;
    for (int c = 1; c <= 9; ++c)
        row << grid.item(1, c)->text();
    QCOMPARE(row.join(QLatin1Char(' ')), cells);
    QCOMPARE(grid.currentRow(), 1);
    QVERIFY(grid.selectionModel()->isRowSelected(1, QModelIndex()));
}

QM738_REGISTER_TEST(TestDataSetDecoder)
#include "tst_datasetdecoder.moc"
