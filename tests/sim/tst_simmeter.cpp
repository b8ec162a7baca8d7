// The simulated meter: its replies, its display, its keys and its faults.
#include <QTest>
#include <functional>

#include "core/live/decoder.h"
#include "live/testlist.h"
#include "sim/simmeter.h"
#include "simtesthelpers.h"

namespace {

QByteArray Send(TSimMeter &m, char command, int page = 0, int *delay = nullptr)
{
    const auto f = Frame(command, page);
    TSimReply r = m.Answer(f.data(), 7);
    if (delay)
        *delay = r.delayMs;
    return r.bytes;
}

TLiveReading Decode(const QByteArray &reply)
{
    TLiveReading out;
    DecodeLiveReply(reinterpret_cast<const uint8_t *>(reply.constData()), out);
    return out;
}

using TFlag = bool TLcdImage::*;
const TFlag kAllFlags[] = {
    &TLcdImage::recall, &TLcdImage::hold, &TLcdImage::max, &TLcdImage::min, &TLcdImage::avg,
    &TLcdImage::mem, &TLcdImage::battery0, &TLcdImage::battery1, &TLcdImage::battery2,
    &TLcdImage::battery3, &TLcdImage::autoOff, &TLcdImage::wetBulbLabel,
    &TLcdImage::dewPointLabel, &TLcdImage::rhLabel, &TLcdImage::rhPoint, &TLcdImage::t1Celsius,
    &TLcdImage::t1Fahrenheit, &TLcdImage::t1Kelvin, &TLcdImage::t1Point, &TLcdImage::typeK,
    &TLcdImage::typeJ, &TLcdImage::typeE, &TLcdImage::typeT, &TLcdImage::typeN,
    &TLcdImage::typeR, &TLcdImage::typeS, &TLcdImage::t1Label, &TLcdImage::t1Minus,
    &TLcdImage::bluetooth, &TLcdImage::typeLabel, &TLcdImage::t2Label, &TLcdImage::t2Minus,
    &TLcdImage::alarm, &TLcdImage::t2Point, &TLcdImage::t2Kelvin, &TLcdImage::t2Fahrenheit,
    &TLcdImage::t2Celsius, &TLcdImage::full, &TLcdImage::rec, &TLcdImage::hiLabel,
    &TLcdImage::loLabel,
};

// Empty when equal, else the first difference.
QString CompareLcd(const TLcdImage &a, const TLcdImage &b)
{
    for (int i = 0; i < 4; ++i) {
        if (a.t1Digits[i] != b.t1Digits[i]) return QStringLiteral("t1 digit %1").arg(i);
        if (a.t2Digits[i] != b.t2Digits[i]) return QStringLiteral("t2 digit %1").arg(i);
        if (a.rhDigits[i] != b.rhDigits[i]) return QStringLiteral("rh digit %1").arg(i);
    }
    for (int i = 0; i < 2; ++i)
        if (a.smallDigits[i] != b.smallDigits[i]) return QStringLiteral("small digit %1").arg(i);
    for (size_t i = 0; i < sizeof kAllFlags / sizeof kAllFlags[0]; ++i)
        if (a.*kAllFlags[i] != b.*kAllFlags[i]) return QStringLiteral("indicator #%1").arg(i);
    return {};
}

// Rounds a decoded value the way the display shows it.
double Shown(float v, bool point) { return point ? std::round(double(v) * 10.0) / 10.0 : std::round(double(v)); }

using TSetup = std::function<void(TSimMeter &)>;

} // namespace

Q_DECLARE_METATYPE(TSetup)

class TstSimMeter : public QObject {
    Q_OBJECT
private slots:
    void liveReplyIsFramedAndSummed();
    void roundTrip_data();
    void roundTrip();
    void identityReply();
    void everyKeyIsAcknowledged_data();
    void everyKeyIsAcknowledged();
    void badFramesAndUnknownCommandsGetNoReply();
    void unitKeyCyclesCelsiusFahrenheitKelvin();
    void holdFreezesValues();
    void maxMinCyclesWithBlinkControl();
    void recallShowsStoredReading();
    void backlightToggles();
    void faults_data();
    void faults();
    void faultCountIsConsumed();
    void readingsAreDeterministicAndPlausible();
};

void TstSimMeter::liveReplyIsFramedAndSummed()
{
    TSimMeter m(3);
    m.SetManualClock(true);
    for (int i = 0; i < 20; ++i) {
        m.AdvanceMs(1700);
        const QByteArray r = Send(m, 'A');
        QCOMPARE(r.size(), 64);
        QVERIFY(LiveReplyOk(r));
    }
}

void TstSimMeter::roundTrip_data()
{
    QTest::addColumn<TSetup>("setup");
    auto fixed = [](int rh, int t1, int t2, uint8_t unit) {
        return TSetup([=](TSimMeter &m) { m.SetReadings(rh, t1, t2); m.SetUnitCode(unit); });
    };
    QTest::newRow("drift C") << TSetup([](TSimMeter &m) { m.AdvanceMs(60000); });
    QTest::newRow("drift F") << TSetup([](TSimMeter &m) { m.SetUnitCode(0); m.AdvanceMs(99000); });
    QTest::newRow("drift K") << TSetup([](TSimMeter &m) { m.SetUnitCode(2); m.AdvanceMs(123500); });
    QTest::newRow("45.0 22.0 72.0 C") << fixed(450, 220, 720, 1);
    QTest::newRow("negative T1 C") << fixed(300, -200, 720, 1);
    QTest::newRow("negative T1 F") << fixed(300, -200, -400, 0);
    QTest::newRow("negative T2 C") << fixed(300, 50, -400, 1);
    QTest::newRow("small values") << fixed(5, 3, 321, 1);
    QTest::newRow("zero") << fixed(0, 0, 320, 1);
    QTest::newRow("hot T2 F 4 digits") << fixed(1000, 650, 25000, 0);
    QTest::newRow("hot T2 K 5 digits") << fixed(1000, 650, 25000, 2);
    QTest::newRow("T2 below -999.9") << fixed(500, 200, -4500, 0);
    QTest::newRow("no conversion") << fixed(450, 220, 720, 3);
    for (int type = 0; type < 7; ++type)
        QTest::newRow(qPrintable(QStringLiteral("type %1").arg(type)))
            << TSetup([type](TSimMeter &m) { m.SetCoupleType(uint8_t(type)); });
    for (int level = 0; level < 4; ++level)
        QTest::newRow(qPrintable(QStringLiteral("battery %1").arg(level)))
            << TSetup([level](TSimMeter &m) { m.SetBatteryLevel(level); });
    QTest::newRow("bluetooth") << TSetup([](TSimMeter &m) { m.SetBluetooth(true); });
    QTest::newRow("alarm hi") << TSetup([](TSimMeter &m) { m.SetReadings(450, 300, 720); m.SetAlarmLimits(0, 250); });
    QTest::newRow("alarm lo") << TSetup([](TSimMeter &m) { m.SetReadings(450, -50, 720); m.SetAlarmLimits(0, 250); });
    QTest::newRow("hold") << TSetup([](TSimMeter &m) { m.Answer(Frame('H').data(), 7); });
    QTest::newRow("max/min all") << TSetup([](TSimMeter &m) { m.Answer(Frame('M').data(), 7); m.AdvanceMs(30000); });
    QTest::newRow("max") << TSetup([](TSimMeter &m) { for (int i = 0; i < 2; ++i) m.Answer(Frame('M').data(), 7); m.AdvanceMs(30000); });
    QTest::newRow("avg") << TSetup([](TSimMeter &m) { for (int i = 0; i < 4; ++i) m.Answer(Frame('M').data(), 7); m.AdvanceMs(30000); });
    QTest::newRow("recording") << TSetup([](TSimMeter &m) { m.Answer(Frame('E').data(), 7); m.AdvanceMs(4000); });
    QTest::newRow("mem stored") << TSetup([](TSimMeter &m) { m.Answer(Frame('m').data(), 7); });
    QTest::newRow("recall") << TSetup([](TSimMeter &m) { m.Answer(Frame('m').data(), 7); m.AdvanceMs(9000); m.Answer(Frame('R').data(), 7); });
    QTest::newRow("memory full") << TSetup([](TSimMeter &m) {
        TSimDataSet big;
        big.start = QDateTime(QDate(2025, 1, 1), QTime(0, 0));
        big.records.resize((TSimMeter::MemorySize - 0xB00 - 20) / 8);
        m.ClearMemory();
        QVERIFY(m.AddDataSet(big));
        m.Answer(Frame('E').data(), 7);
    });
}

void TstSimMeter::roundTrip()
{
    QFETCH(TSetup, setup);
    TSimMeter m(7);
    m.SetManualClock(true);
    m.SetTimeMs(1000);
    setup(m);
    const QByteArray reply = Send(m, 'A');
    QVERIFY(LiveReplyOk(reply));
    const TLiveReading r = Decode(reply);
    const TLcdImage expected = m.Display();
    const QString diff = CompareLcd(r.lcd, expected);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QCOMPARE(int(r.unitCode), int(m.UnitCode()));
    QCOMPARE(qRound(r.rh * 10), m.RhTenths());

    // The digits read back as the decoded values, rounded as shown.
    const auto rh = ReadDigits(r.lcd.rhDigits, r.lcd.rhPoint, false);
    QVERIFY(rh.has_value());
    QCOMPARE(*rh, Shown(r.rh, r.lcd.rhPoint));
    const auto t1 = ReadDigits(r.lcd.t1Digits, r.lcd.t1Point, r.lcd.t1Minus);
    QVERIFY(t1.has_value());
    QCOMPARE(*t1, Shown(r.t1, r.lcd.t1Point));
    const auto t2 = ReadDigits(r.lcd.t2Digits, r.lcd.t2Point, r.lcd.t2Minus);
    if (std::abs(r.t2) < 9999.5f) {
        QVERIFY(t2.has_value());
        QCOMPARE(*t2, Shown(r.t2, r.lcd.t2Point));
    }
}

void TstSimMeter::identityReply()
{
    TSimMeter m;
    const QByteArray r = Send(m, 'K');
    QVERIFY(r.size() >= 32);
    QVERIFY(IdentityOk(r));
    QCOMPARE(r.count("738"), 1);
}

void TstSimMeter::everyKeyIsAcknowledged_data()
{
    QTest::addColumn<char>("key");
    for (char k : {'H', 'C', 'E', 'R', 'M', 'N', 'B', 'm'})
        QTest::newRow(QByteArray(1, k).constData()) << k;
}

void TstSimMeter::everyKeyIsAcknowledged()
{
    QFETCH(char, key);
    TSimMeter m;
    const QByteArray r = Send(m, key);
    QCOMPARE(r.size(), 32);
    QCOMPARE(r.mid(2, 2), QByteArray("OK"));
}

void TstSimMeter::badFramesAndUnknownCommandsGetNoReply()
{
    TSimMeter m;
    uint8_t noEtx[7] = {0x02, 'A', 0, 0, 0, 0, 0x00};
    QVERIFY(m.Answer(noEtx, 7).bytes.isEmpty());
    uint8_t noStx[7] = {0x00, 'A', 0, 0, 0, 0, 0x03};
    QVERIFY(m.Answer(noStx, 7).bytes.isEmpty());
    QVERIFY(m.Answer(Frame('A').data(), 6).bytes.isEmpty());
    QVERIFY(Send(m, 'Z').isEmpty());
    QVERIFY(Send(m, 'q').isEmpty());
    QVERIFY(Send(m, 'Q').isEmpty());
}

void TstSimMeter::unitKeyCyclesCelsiusFahrenheitKelvin()
{
    TSimMeter m;
    m.SetReadings(450, 200, 720);
    const int expected[] = {0, 2, 1, 0};
    for (int u : expected) {
        Send(m, 'C');
        const TLiveReading r = Decode(Send(m, 'A'));
        QCOMPARE(int(r.unitCode), u);
        QCOMPARE(r.lcd.t1Fahrenheit, u == 0);
        QCOMPARE(r.lcd.t1Celsius, u == 1);
        QCOMPARE(r.lcd.t1Kelvin, u == 2);
        QCOMPARE(r.lcd.t2Fahrenheit, u == 0);
        QCOMPARE(r.lcd.t2Celsius, u == 1);
        QCOMPARE(r.lcd.t2Kelvin, u == 2);
    }
    QCOMPARE(Decode(Send(m, 'A')).t1, 68.0f);
}

void TstSimMeter::holdFreezesValues()
{
    TSimMeter m;
    m.SetManualClock(true);
    m.SetReadings(450, 220, 720);
    Send(m, 'H');
    m.SetReadings(500, 250, 800);
    m.AdvanceMs(5000);
    TLiveReading r = Decode(Send(m, 'A'));
    QVERIFY(r.lcd.hold);
    QCOMPARE(r.rh, 45.0f);
    QCOMPARE(r.t1, 22.0f);
    Send(m, 'H');
    r = Decode(Send(m, 'A'));
    QVERIFY(!r.lcd.hold);
    QCOMPARE(r.rh, 50.0f);
}

void TstSimMeter::maxMinCyclesWithBlinkControl()
{
    TSimMeter m;
    m.SetManualClock(true);
    m.SetReadings(450, 220, 720);
    m.AdvanceMs(500);
    Send(m, 'M');   // MAX MIN AVG together, blinking
    m.SetReadings(470, 210, 700);
    m.AdvanceMs(500);
    m.SetReadings(430, 260, 740);
    m.AdvanceMs(500);
    TLiveReading r = Decode(Send(m, 'A'));
    QVERIFY(r.lcd.max && r.lcd.min && r.lcd.avg);
    QVERIFY(r.blinkMaxMinAvg);
    QVERIFY(r.maxMinAvgBlinkControl);
    QCOMPARE(r.rh, 43.0f);   // the present reading while all three blink

    Send(m, 'M');
    r = Decode(Send(m, 'A'));
    QVERIFY(r.lcd.max && !r.lcd.min && !r.lcd.avg);
    QVERIFY(!r.maxMinAvgBlinkControl && !r.blinkMaxMinAvg);
    QCOMPARE(r.rh, 47.0f);
    QCOMPARE(r.t1, 26.0f);

    Send(m, 'M');
    r = Decode(Send(m, 'A'));
    QVERIFY(!r.lcd.max && r.lcd.min && !r.lcd.avg);
    QCOMPARE(r.rh, 43.0f);
    QCOMPARE(r.t1, 21.0f);

    Send(m, 'M');
    r = Decode(Send(m, 'A'));
    QVERIFY(!r.lcd.max && !r.lcd.min && r.lcd.avg);
    QCOMPARE(r.rh, 45.0f);   // (45 + 47 + 43) / 3
    QCOMPARE(r.t1, 23.0f);   // (22 + 21 + 26) / 3

    Send(m, 'M');
    QVERIFY(Decode(Send(m, 'A')).lcd.max);

    Send(m, 'N');
    r = Decode(Send(m, 'A'));
    QVERIFY(!r.lcd.max && !r.lcd.min && !r.lcd.avg);
    QVERIFY(!r.maxMinAvgBlinkControl);
    QCOMPARE(m.MaxMinMode(), TSimMaxMin::Off);
}

void TstSimMeter::recallShowsStoredReading()
{
    TSimMeter m;
    m.SetManualClock(true);
    Send(m, 'R');   // nothing stored: no recall
    QVERIFY(!m.RecallMode());
    m.SetReadings(410, 190, 690);
    Send(m, 'm');
    TLiveReading r = Decode(Send(m, 'A'));
    QVERIFY(r.lcd.mem);
    QCOMPARE(int(r.lcd.smallDigits[0]), 0);
    QCOMPARE(int(r.lcd.smallDigits[1]), 1);
    m.AdvanceMs(3000);
    QVERIFY(!Decode(Send(m, 'A')).lcd.mem);

    m.SetReadings(480, 240, 750);
    Send(m, 'R');
    r = Decode(Send(m, 'A'));
    QVERIFY(r.lcd.recall);
    QCOMPARE(r.rh, 41.0f);
    QCOMPARE(r.t1, 19.0f);
    Send(m, 'R');
    r = Decode(Send(m, 'A'));
    QVERIFY(!r.lcd.recall);
    QCOMPARE(r.rh, 48.0f);
}

void TstSimMeter::backlightToggles()
{
    TSimMeter m;
    QVERIFY(!m.Backlight());
    Send(m, 'B');
    QVERIFY(m.Backlight());
    Send(m, 'B');
    QVERIFY(!m.Backlight());
}

void TstSimMeter::faults_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<char>("command");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("late");
    const int bad = int(TSimFault::BadChecksum), lost = int(TSimFault::LostBytes),
              late = int(TSimFault::LateBytes), silence = int(TSimFault::Silence),
              wrongId = int(TSimFault::WrongIdentity), many = int(TSimFault::TooManyBytes);
    QTest::newRow("live bad checksum") << bad << 'A' << false << 64 << false;
    QTest::newRow("page bad checksum") << bad << 'P' << false << 36 << false;
    QTest::newRow("live lost bytes") << lost << 'A' << false << 59 << false;
    QTest::newRow("page lost bytes") << lost << 'P' << false << 31 << false;
    QTest::newRow("identity lost bytes") << lost << 'K' << false << 27 << false;
    QTest::newRow("live silence") << silence << 'A' << false << 0 << false;
    QTest::newRow("identity silence") << silence << 'K' << false << 0 << false;
    QTest::newRow("key silence") << silence << 'H' << false << 0 << false;
    QTest::newRow("wrong identity") << wrongId << 'K' << false << 32 << false;
    QTest::newRow("live late") << late << 'A' << true << 64 << true;
    QTest::newRow("live too many") << many << 'A' << true << 70 << false;
    QTest::newRow("identity too many") << many << 'K' << true << 38 << false;
    QTest::newRow("display unset") << int(TSimFault::DisplayUnset) << 'A' << true << 64 << false;
}

void TstSimMeter::faults()
{
    QFETCH(int, fault);
    QFETCH(char, command);
    QFETCH(bool, accepted);
    QFETCH(int, size);
    QFETCH(bool, late);
    TSimMeter m;
    m.InjectFault(TSimFault(fault));
    int delay = 0;
    const QByteArray r = Send(m, command, 1, &delay);
    QCOMPARE(r.size(), size);
    QCOMPARE(delay > 0, late);
    bool ok = false;
    switch (command) {
    case 'A':
        ok = LiveReplyOk(r);
        if (TSimFault(fault) == TSimFault::DisplayUnset)
            QCOMPARE(r.mid(40, 20), QByteArray(20, char(0xFF)));
        break;
    case 'P': ok = PageReplyOk(r); break;
    case 'K': ok = IdentityOk(r); break;
    default: ok = r.size() >= 32 && CheckAcknowledgement(Raw(r)); break;
    }
    QCOMPARE(ok, accepted);
}

void TstSimMeter::faultCountIsConsumed()
{
    TSimMeter m;
    m.InjectFault(TSimFault::BadChecksum, 2);
    QVERIFY(IdentityOk(Send(m, 'K')));       // not affected, nothing consumed
    QVERIFY(!LiveReplyOk(Send(m, 'A')));
    QVERIFY(!PageReplyOk(Send(m, 'P', 1)));
    QVERIFY(LiveReplyOk(Send(m, 'A')));
    m.InjectFault(TSimFault::Silence);
    QVERIFY(Send(m, 'A').isEmpty());
    QVERIFY(Send(m, 'A').isEmpty());
    m.ClearFaults();
    QVERIFY(LiveReplyOk(Send(m, 'A')));
}

void TstSimMeter::readingsAreDeterministicAndPlausible()
{
    TSimMeter a(42), b(42), c(43);
    for (TSimMeter *m : {&a, &b, &c})
        m->SetManualClock(true);
    bool differs = false;
    for (int i = 0; i < 7200; ++i) {   // one hour, every half second
        for (TSimMeter *m : {&a, &b, &c})
            m->SetTimeMs(int64_t(i) * 500);
        const int rh = a.LiveRhTenths(), t1 = a.LiveT1TenthsC(), t2 = a.LiveT2TenthsF();
        QCOMPARE(b.LiveRhTenths(), rh);
        QCOMPARE(b.LiveT1TenthsC(), t1);
        QCOMPARE(b.LiveT2TenthsF(), t2);
        differs = differs || c.LiveRhTenths() != rh;
        QVERIFY(rh >= 410 && rh <= 490);
        QVERIFY(t1 >= 210 && t1 <= 230);
        QVERIFY(t2 >= 700 && t2 <= 740);
    }
    QVERIFY(differs);
    // and they do drift
    a.SetTimeMs(0);
    const int first = a.LiveRhTenths();
    a.SetTimeMs(75000);
    QVERIFY(std::abs(a.LiveRhTenths() - first) >= 5);
}

static TRegisterTest<TstSimMeter> registerSimMeter;
#include "tst_simmeter.moc"
