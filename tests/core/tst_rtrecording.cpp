// The real-time recording model, driven without a window: one unit per
// recording, the journal's unit, and journals written before it was stored.
#include "testregistry.h"

#include "core/base/appstate.h"
#include "core/files/rtjournal.h"
#include "core/record/rtrecording.h"

#include <QDataStream>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {

const double kT0 = 46000.5;
double At(int i) { return kT0 + i * 2 / 86400.0; }

// A journal record as the journal writes it: length, payload, CRC-32.
QByteArray Record(const QByteArray &payload)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (char c : payload) {
        crc ^= uint8_t(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    crc ^= 0xFFFFFFFFu;
    QByteArray out;
    const uint32_t size = uint32_t(payload.size());
    for (int i = 0; i < 4; ++i)
        out.append(char((size >> (8 * i)) & 0xFF));
    out.append(payload);
    for (int i = 0; i < 4; ++i)
        out.append(char((crc >> (8 * i)) & 0xFF));
    return out;
}

} // namespace

class TestRealTimeRecording : public QObject
{
    Q_OBJECT
private slots:
    void conversions_data();
    void conversions();
    void oneUnitPerRecording();
    void oldJournalStillRecovers();
};

void TestRealTimeRecording::conversions_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<float>("expected");
    QTest::newRow("F to C") << 68.0f << 0 << 1 << 20.0f;
    QTest::newRow("K to C") << 293.2f << 2 << 1 << 20.0f;
    QTest::newRow("C to K") << 20.0f << 1 << 2 << 293.2f;
    QTest::newRow("C to F") << -40.0f << 1 << 0 << -40.0f;
    QTest::newRow("K to F") << 373.2f << 2 << 0 << 212.0f;
    QTest::newRow("marker kept") << 9000.0f << 1 << 2 << 9000.0f;
    QTest::newRow("null kept") << 9999.0f << 0 << 1 << 9999.0f;
    QTest::newRow("no unit") << 12.5f << 3 << 1 << 12.5f;
}

void TestRealTimeRecording::conversions()
{
    QFETCH(float, value);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(float, expected);
    QCOMPARE(ConvertTemperature(value, from, to), expected);
}

void TestRealTimeRecording::oneUnitPerRecording()
{
    QTemporaryDir dir;
    TAppState state;
    TRealTimeRecording model;
    model.Bind(&state);
    QSignalSpy unitChanges(&model, &TRealTimeRecording::MeterUnitChanged);
    const QString path = dir.filePath(QStringLiteral("rec.rtj"));
    QVERIFY(model.Start(10, 2, kT0, UnitCelsius, TRealTimeJournalHeader(), path, nullptr));
    QVERIFY(state.RealTimeRecording);

    // 20 °C, the same in °F, the same in K, back in °C: one unit throughout.
    const float celsius[5] = {50.0f, 20.0f, 30.0f, 15.0f, 10.0f};
    const float fahrenheit[5] = {50.0f, 68.0f, 86.0f, 59.0f, 50.0f};
    const float kelvin[5] = {50.0f, 293.2f, 303.2f, 288.2f, 283.2f};
    model.Append(0, At(0), celsius, UnitCelsius);
    model.Append(0, At(1), fahrenheit, UnitFahrenheit);
    model.Append(0, At(2), kelvin, UnitKelvin);
    model.Append(0, At(3), celsius, UnitCelsius);
    QCOMPARE(model.Count(), 4);
    QCOMPARE(model.Unit(), int(UnitCelsius));
    for (const TRealTimePoint &p : model.Points())
        for (int k = 0; k < 5; ++k)
            QVERIFY2(qAbs(p.y[k] - celsius[k]) < 1e-3f, qPrintable(QStringLiteral("%1 %2").arg(k).arg(p.y[k])));
    // Told when the meter leaves the recording's unit, and when it comes back.
    QCOMPARE(unitChanges.size(), 3);
    QCOMPARE(unitChanges.at(0), (QList<QVariant>{int(UnitFahrenheit), int(UnitCelsius)}));
    QCOMPARE(unitChanges.at(2), (QList<QVariant>{int(UnitCelsius), int(UnitCelsius)}));

    // Statistics in the one unit.
    QVERIFY(qAbs(model.Extremes().maximum[1] - 20.0f) < 1e-3f);
    QVERIFY(qAbs(model.Extremes().minimum[1] - 20.0f) < 1e-3f);
    double average[3];
    int counted[3];
    model.Averages(average, counted);
    QCOMPARE(counted[1], 4);
    QVERIFY(qAbs(average[1] - 20.0) < 1e-3);
    QVERIFY(qAbs(average[2] - 30.0) < 1e-3);

    // The journal holds the unit and the converted points.
    model.Stop();
    QVERIFY(!state.RealTimeRecording);
    TRealTimeJournalContents contents;
    QVERIFY(TRealTimeJournal::Read(path, &contents));
    QCOMPARE(contents.header.unitCode, int(UnitCelsius));
    QCOMPARE(contents.points.size(), 4);
    QCOMPARE(contents.points.at(2), model.Points().at(2));

    // Run after Stop starts in the meter's unit of the moment.
    QVERIFY(model.Start(10, 2, kT0, UnitKelvin, TRealTimeJournalHeader(), QString(), nullptr));
    model.Append(0, At(0), kelvin, UnitKelvin);
    QCOMPARE(model.Unit(), int(UnitKelvin));
    QCOMPARE(model.Points().at(0).y[1], 293.2f);
    model.Clear();
}

void TestRealTimeRecording::oldJournalStillRecovers()
{
    // A journal written before the unit was stored (header version 1).
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.rtj"));
    QByteArray header;
    {
        QDataStream out(&header, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        out << quint32(1) << kT0 << qint32(5) << qint32(100) << QString() << QStringList{QStringLiteral("%RH")}
            << qint32(0);
    }
    QByteArray file = Record(header);
    for (int i = 0; i < 3; ++i) {
        QByteArray point(29, '\0');
        const double x = At(i);
        const float y[5] = {40.0f + i, 20.0f, 30.0f, 15.0f, 10.0f};
        std::memcpy(point.data(), &x, 8);
        std::memcpy(point.data() + 9, y, 20);
        file += Record(point);
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(file);
    f.close();

    QLocale::setDefault(QLocale::c());
    TRealTimeJournalContents contents;
    QVERIFY(TRealTimeJournal::Read(path, &contents));
    QCOMPARE(contents.header.unitCode, -1);
    QCOMPARE(contents.points.size(), 3);
    TAppState state;
    TRealTimeRecording model;
    model.Bind(&state);
    QVERIFY(model.Recover(path, contents));
    QCOMPARE(model.Count(), 3);
    QCOMPARE(model.Unit(), int(UnitUnknown));
    QCOMPARE(model.Rate(), 5);
    QVERIFY(state.RealTimeGraphUnsaved);
    QCOMPARE(model.ExtremeText(0, true).left(5), QStringLiteral("42.0@"));
    // A recovered recording is as after Stop: nothing more is appended to it.
    const float v[5] = {50.0f, 68.0f, 86.0f, 59.0f, 50.0f};
    QVERIFY(model.Append(0, At(3), v, UnitFahrenheit) == TRealTimeRecording::TAppend::Full);
    QCOMPARE(model.Count(), 3);
    model.Clear();
    QLocale::setDefault(QLocale::system());
}

QM738_REGISTER_TEST(TestRealTimeRecording)
#include "tst_rtrecording.moc"
