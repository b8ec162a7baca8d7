#include "testregistry.h"
#include "logger/loggertestsupport.h"

#include "app/datetime.h"
#include "live/derived.h"
#include "logger/datasetdecoder.h"
#include "logger/datasetlist.h"
#include "sim/simmeter.h"

#include <QTableWidget>
#include <QtTest>
#include <cmath>

using namespace LoggerTest;

namespace {

const QDateTime kNow(QDate(2026, 3, 2), QTime(9, 8, 7));

double Days(int y, int mo, int d, int h, int mi, int s)
{
    return DateTimeUtil::ToDays(QDateTime(QDate(y, mo, d), QTime(h, mi, s)));
}

SetSpec WithStart(std::array<uint8_t, 6> start)
{
    SetSpec s = Set({{0x01F4, 0x00FA, 0x0352}});
    s.start = start;
    return s;
}

SetSpec WithInterval(uint8_t minutes, uint8_t seconds)
{
    SetSpec s = Set({{0x01F4, 0x00FA, 0x0352}});
    s.minutes = minutes;
    s.seconds = seconds;
    return s;
}

bool SameSet(const TDataSet &a, const TDataSet &b)
{
    return a.startTime == b.startTime && a.intervalSeconds == b.intervalSeconds && a.recordCount == b.recordCount
           && a.unitCode == b.unitCode && a.coupleType == b.coupleType && a.rhOffset == b.rhOffset
           && a.t1Offset == b.t1Offset && a.t2Offset == b.t2Offset && a.headerOffset == b.headerOffset
           && a.endOffset == b.endOffset;
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
    void listTexts_data();
    void listTexts();
};

void TestDataSetDecoder::decode_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("sets");
    QTest::addColumn<int>("set");        // the set whose fields below are checked
    QTest::addColumn<double>("start");   // NaN: not checked
    QTest::addColumn<int>("interval");   // -1: not checked
    QTest::addColumn<int>("first");      // first value of the set; -1: not checked
    QTest::addColumn<QVector<float>>("values"); // the set's first record

    const double nan = std::nan("");
    const double june14 = Days(2025, 6, 14, 13, 45, 30);
    const float wb = WetBulb(25.0, 50.0), dp = DewPoint(25.0, 50.0);
    const float t2c = (85.0f - 32) * 5 / 9;
    const auto rec = [](uint16_t rh, uint16_t t1, uint16_t t2) { return QVector<std::array<uint16_t, 3>>{{rh, t1, t2}}; };

    QTest::newRow("no set") << Image(0, {}) << 6 << 0 << 0 << nan << -1 << -1 << QVector<float>{};
    QTest::newRow("4001 sets") << Image(4001, {}) << 2 << 0 << 0 << nan << -1 << -1 << QVector<float>{};
    QTest::newRow("4000 sets") << Image(4000, QVector<SetSpec>(4000, Set({}))) << 0 << 4000 << 3999 << june14 << 2
                               << 0 << QVector<float>{};
    QTest::newRow("image shorter than the count") << QByteArray(9, 0) << 6 << 0 << 0 << nan << -1 << -1
                                                   << QVector<float>{};
    QTest::newRow("start time") << Image(1, {WithStart({0x25, 0x06, 0x14, 0x13, 0x45, 0x30})}) << 0 << 1 << 0
                                << june14 << 2 << 0 << QVector<float>{};
    QTest::newRow("month 13 takes now") << Image(1, {WithStart({0x25, 0x13, 0x14, 0x13, 0x45, 0x30})}) << 0 << 1 << 0
                                        << DateTimeUtil::ToDays(kNow) << 2 << 0 << QVector<float>{};
    QTest::newRow("hour not BCD takes the hour of now")
        << Image(1, {WithStart({0x25, 0x06, 0x14, 0x1A, 0x45, 0x30})}) << 0 << 1 << 0 << Days(2025, 6, 14, 9, 45, 30)
        << 2 << 0 << QVector<float>{};
    QTest::newRow("interval 0/0") << Image(1, {WithInterval(0, 0)}) << 0 << 1 << 0 << nan << 2 << 0
                                  << QVector<float>{};
    QTest::newRow("61 min 5 s") << Image(1, {WithInterval(61, 5)}) << 0 << 1 << 0 << nan << 5 << 0
                                << QVector<float>{};
    QTest::newRow("1 min 61 s") << Image(1, {WithInterval(1, 61)}) << 0 << 1 << 0 << nan << 62 << 0
                                << QVector<float>{};
    QTest::newRow("empty set then one") << Image(2, {Set({}), Set(rec(0x01F4, 0x00FA, 0x0352))}) << 0 << 2 << 1
                                        << june14 << 2 << 0 << QVector<float>{50, 25, t2c, wb, dp};
    QTest::newRow("degC record") << Image(1, {Set(rec(0x01F4, 0x00FA, 0x0352))}) << 0 << 1 << 0 << nan << -1 << 0
                                 << QVector<float>{50, 25, t2c, wb, dp};
    QTest::newRow("RH 102.5") << Image(1, {Set(rec(0x0401, 0x00FA, 0x0352))}) << 0 << 1 << 0 << nan << -1 << 0
                              << QVector<float>{9000, 25, t2c, 9999, 9999};
    QTest::newRow("T1 65.0") << Image(1, {Set(rec(0x01F4, 0x028A, 0x0352))}) << 0 << 1 << 0 << nan << -1 << 0
                             << QVector<float>{50, 65, t2c, WetBulb(65.0, 50.0), DewPoint(65.0, 50.0)};
    QTest::newRow("T1 65.1") << Image(1, {Set(rec(0x01F4, 0x028B, 0x0352))}) << 0 << 1 << 0 << nan << -1 << 0
                             << QVector<float>{50, 9000, t2c, 9999, 9999};
    QTest::newRow("degF set") << Image(1, {Set(rec(0x01F4, 0x00FA, 0x0352), 0x00)}) << 0 << 1 << 0 << nan << -1 << 0
                              << QVector<float>{50, 77, 85, wb * 1.8f + 32, dp * 1.8f + 32};
    QTest::newRow("K set") << Image(1, {Set(rec(0x01F4, 0x00FA, 0x0352), 0x20)}) << 0 << 1 << 0 << nan << -1 << 0
                           << QVector<float>{50, 298.15f, t2c + 273.15f, wb + 273.15f, dp + 273.15f};
    QTest::newRow("type K T2 2000 degF") << Image(1, {Set(rec(0x01F4, 0x00FA, 0x4E20))}) << 0 << 1 << 0 << nan << -1
                                         << 0 << QVector<float>{50, 25, 1093.33f, wb, dp};
    QTest::newRow("type K T2 2600 degF") << Image(1, {Set(rec(0x01F4, 0x00FA, 0x6590))}) << 0 << 1 << 0 << nan << -1
                                         << 0 << QVector<float>{50, 25, 9000, wb, dp};
    QTest::newRow("type K T2 -500 degF") << Image(1, {Set(rec(0x01F4, 0x00FA, 0xEC78))}) << 0 << 1 << 0 << nan << -1
                                         << 0 << QVector<float>{50, 25, -9000, wb, dp};
    QTest::newRow("sets of 3 and 2") << Image(2, {Set(QVector<std::array<uint16_t, 3>>(3, {0x01F4, 0x00FA, 0x0352})),
                                                  Set(QVector<std::array<uint16_t, 3>>(2, {0x0401, 0x00FA, 0x0352}))})
                                     << 0 << 2 << 1 << june14 << 2 << 15 << QVector<float>{9000, 25, t2c, 9999, 9999};
}

void TestDataSetDecoder::decode()
{
    QFETCH(QByteArray, image);
    QFETCH(int, result);
    QFETCH(int, sets);
    QFETCH(int, set);
    QFETCH(double, start);
    QFETCH(int, interval);
    QFETCH(int, first);
    QFETCH(QVector<float>, values);

    // A previous decode that a failed one must leave alone.
    TLoggerStore store;
    store.DataSets.append(TDataSet{});
    store.DataSets[0].recordCount = 1;
    store.Values = {1, 2, 3, 4, 5};
    store.Times = QVector<double>(5, 7.0);

    QCOMPARE(DecodeDataSets(image, store, kNow), result);
    if (result != DecodeOk) {
        QCOMPARE(store.DataSets.size(), 1);
        QCOMPARE(store.Values, (QVector<float>{1, 2, 3, 4, 5}));
        return;
    }
    QCOMPARE(store.DataSets.size(), sets);
    const TDataSet &d = store.DataSets.at(set);
    if (!std::isnan(start))
        QCOMPARE(d.startTime, start);
    if (interval >= 0)
        QCOMPARE(d.intervalSeconds, interval);
    if (first >= 0)
        QCOMPARE(FirstValueOf(store, set), qsizetype(first));
    for (int k = 0; k < values.size(); ++k)
        QVERIFY2(std::fabs(store.Values.at(FirstValueOf(store, set) + k) - values.at(k)) < 0.01,
                 qPrintable(QStringLiteral("entry %1: %2").arg(k).arg(store.Values.at(FirstValueOf(store, set) + k))));

    // Five entries per record, each with the record's own time.
    qsizetype total = 0;
    for (const TDataSet &s : store.DataSets) {
        for (int j = 0; j < s.recordCount; ++j)
            for (int k = 0; k < 5; ++k)
                QCOMPARE(store.Times.at(5 * (total + j) + k), s.startTime + j * (s.intervalSeconds / 86400.0));
        total += s.recordCount;
    }
    QCOMPARE(store.Values.size(), 5 * total);
    QCOMPARE(store.Times.size(), 5 * total);
}

void TestDataSetDecoder::cutImages()
{
    // A memory as the meter writes it, cut at every length up to its last used byte.
    TSimMeter meter;
    meter.LoadDemoDataSets();
    const QByteArray whole = meter.Memory().left(meter.EndAddress() + 1);
    TLoggerStore full;
    QCOMPARE(DecodeDataSets(whole, full, kNow), int(DecodeOk));
    QCOMPARE(full.DataSets.size(), 3);

    for (int length = 0; length <= whole.size(); ++length) {
        // A copy of exactly `length` bytes, so a read past it is caught.
        const QByteArray cut(whole.constData(), length);
        TLoggerStore store;
        const int result = DecodeDataSets(cut, store, kNow);
        int complete = 0;
        bool anyHeader = false;
        for (const TDataSet &s : full.DataSets) {
            anyHeader = anyHeader || s.headerOffset + 18 <= length;
            if (s.headerOffset + 18 + 8 * s.recordCount <= length)
                ++complete;
        }
        QCOMPARE(result, anyHeader ? int(DecodeOk) : int(DecodeNoDataSet));
        if (!anyHeader)
            continue;
        QVERIFY(store.DataSets.size() >= complete);
        for (int i = 0; i < complete; ++i)
            QVERIFY2(SameSet(store.DataSets.at(i), full.DataSets.at(i)), qPrintable(QString::number(length)));
        const qsizetype kept = FirstValueOf(store, complete);
        QCOMPARE(store.Values.mid(0, kept), full.Values.mid(0, kept));
        QCOMPARE(store.Times.mid(0, kept), full.Times.mid(0, kept));
        // A set cut inside its records keeps the whole records that lie inside.
        if (store.DataSets.size() > complete) {
            const TDataSet &partial = store.DataSets.at(complete);
            QCOMPARE(store.DataSets.size(), complete + 1);
            QCOMPARE(partial.recordCount, (length - partial.headerOffset - 18) / 8);
            QCOMPARE(store.Values.size(), 5 * (kept / 5 + partial.recordCount));
        }
    }
}

void TestDataSetDecoder::listTexts_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("unitCode");
    QTest::addColumn<int>("coupleType");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QStringList>("cells"); // columns 1 to 9 of the first data row

    QTest::newRow("degC, type T, offsets")
        << "en_US" << 1 << 3 << 2 << QStringList{"6/14/25", "13:45:30", "00:02", "12", "C", "T", "-1.0", "1.0", "-0.1"};
    QTest::newRow("degF in French")
        << "fr_FR" << 0 << 1 << 62 << QStringList{"14/06/2025", "13:45:30", "01:02", "12", "F", "J", "-1,0", "1,8", "-0,2"};
    QTest::newRow("K, unknown couple")
        << "en_US" << 2 << 9 << 3660 << QStringList{"6/14/25", "13:45:30", "61:00", "12", "K", "K", "-1.0", "1.0", "-0.1"};
    QTest::newRow("unknown unit keeps the previous text")
        << "en_US" << 3 << 6 << 2 << QStringList{"6/14/25", "13:45:30", "00:02", "12", "C", "S", "-1.0", "1.0", "-0.1"};
}

void TestDataSetDecoder::listTexts()
{
    QFETCH(QString, locale);
    QFETCH(int, unitCode);
    QFETCH(int, coupleType);
    QFETCH(int, interval);
    QFETCH(QStringList, cells);
    QLocale::setDefault(QLocale(locale));

    QTableWidget grid(1, 11);
    TLoggerStore store;
    TDataSet set;
    set.startTime = Days(2025, 6, 14, 13, 45, 30);
    set.intervalSeconds = 2;
    set.recordCount = 12;
    set.unitCode = 1;
    store.DataSets = QVector<TDataSet>(5, set);
    FillDataSetList(&grid, store);
    QCOMPARE(grid.rowCount(), 6);

    // A decode of three sets after one of five leaves the title row and three.
    set.unitCode = uint8_t(unitCode);
    set.coupleType = coupleType;
    set.intervalSeconds = interval;
    set.rhOffset = 0xF6;
    set.t1Offset = 0x12;
    set.t2Offset = 0xFE;
    store.DataSets = QVector<TDataSet>(3, set);
    FillDataSetList(&grid, store);
    QCOMPARE(grid.rowCount(), 4);
    QCOMPARE(grid.item(3, 0)->text(), QStringLiteral("3"));
    QStringList row;
    for (int c = 1; c <= 9; ++c)
        row << grid.item(1, c)->text();
    QCOMPARE(row, cells);
    QCOMPARE(grid.currentRow(), 1);
    QVERIFY(grid.selectionModel()->isRowSelected(1, QModelIndex()));
}

QM738_REGISTER_TEST(TestDataSetDecoder)
#include "tst_datasetdecoder.moc"
