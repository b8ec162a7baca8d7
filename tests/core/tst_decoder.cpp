// Decoding of the 64-byte live reply.
#include <QTest>
#include <array>

#include "core/live/decoder.h"
#include "core/live/derived.h"
#include "live/testlist.h"

using TReply = std::array<uint8_t, 64>;

static TReply BlankReply()
{
    TReply r{};
    r[0] = 0x02;
    r[63] = 0x03;
    return r;
}

static void SetValue(TReply &r, int index, int tenths)
{
    const uint16_t v = uint16_t(int16_t(tenths));
    r[index] = uint8_t(v >> 8);
    r[index + 1] = uint8_t(v & 0xFF);
}

class TstDecoder : public QObject {
    Q_OBJECT
private slots:
    void valuesAreSignedBigEndianTenths_data();
    void valuesAreSignedBigEndianTenths();
    void unitConversions_data();
    void unitConversions();
    void derivedValuesUseCelsiusT1_data();
    void derivedValuesUseCelsiusT1();
    void mapA_data();
    void mapA();
    void mapB_data();
    void mapB();
    void mapsRoundTripEveryGlyph();
    void digitPositions();
    void indicatorBits_data();
    void indicatorBits();
    void statusBitsAndUnitCode();
    void statusByteIsLeftToCaller();
};

void TstDecoder::valuesAreSignedBigEndianTenths_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("low");
    QTest::addColumn<float>("expected");
    QTest::newRow("rh 0x01C2") << 9 << 0x01 << 0xC2 << 45.0f;
    QTest::newRow("t1 0xFF38") << 11 << 0xFF << 0x38 << -20.0f;
    QTest::newRow("t1 0xFFF6") << 11 << 0xFF << 0xF6 << -1.0f;
    QTest::newRow("t1 0x7FFF") << 11 << 0x7F << 0xFF << 3276.7f;
    QTest::newRow("t1 0x8000") << 11 << 0x80 << 0x00 << -3276.8f;
    QTest::newRow("rh 0x0000") << 9 << 0x00 << 0x00 << 0.0f;
}

void TstDecoder::valuesAreSignedBigEndianTenths()
{
    QFETCH(int, index);
    QFETCH(int, high);
    QFETCH(int, low);
    QFETCH(float, expected);
    TReply r = BlankReply();
    r[2] = 0x30; // no conversion
    r[index] = uint8_t(high);
    r[index + 1] = uint8_t(low);
    TLiveReading out;
    DecodeLiveReply(r.data(), out);
    QCOMPARE(index == 9 ? out.rh : out.t1, expected);
}

void TstDecoder::unitConversions_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("t1Tenths");
    QTest::addColumn<int>("t2Tenths");
    QTest::addColumn<float>("t1");
    QTest::addColumn<float>("t2");
    QTest::newRow("F: T1 20 C shows 68, T2 72 F stays") << 0 << 200 << 720 << 68.0f << 72.0f;
    QTest::newRow("C: T2 72 F to C") << 1 << 200 << 720
                                     << 20.0f << float((72.0 - 32) * 5 * (1.0 / 9));
    QTest::newRow("C: T1 -20") << 1 << -200 << 320 << -20.0f << 0.0f;
    QTest::newRow("K: T2 32 F is 273.2") << 2 << 0 << 320 << 273.2f << 273.2f;
    QTest::newRow("K: T1 22.5") << 2 << 225 << 2120 << float(22.5f + 273.2) << float(100.0 + 273.2);
    QTest::newRow("none") << 3 << 200 << 720 << 20.0f << 72.0f;
}

void TstDecoder::unitConversions()
{
    QFETCH(int, unit);
    QFETCH(int, t1Tenths);
    QFETCH(int, t2Tenths);
    QFETCH(float, t1);
    QFETCH(float, t2);
    TReply r = BlankReply();
    r[2] = uint8_t(unit << 4 | 0x0F); // the low bits belong to nothing we read
    SetValue(r, 11, t1Tenths);
    SetValue(r, 13, t2Tenths);
    TLiveReading out;
    DecodeLiveReply(r.data(), out);
    QCOMPARE(int(out.unitCode), unit);
    QCOMPARE(out.t1, t1);
    QCOMPARE(out.t2, t2);
}

void TstDecoder::derivedValuesUseCelsiusT1_data()
{
    QTest::addColumn<int>("unit");
    QTest::newRow("F") << 0;
    QTest::newRow("C") << 1;
    QTest::newRow("K") << 2;
    QTest::newRow("none") << 3;
}

void TstDecoder::derivedValuesUseCelsiusT1()
{
    QFETCH(int, unit);
    TReply r = BlankReply();
    r[2] = uint8_t(unit << 4);
    SetValue(r, 9, 500);
    SetValue(r, 11, 200);
    TLiveReading out;
    DecodeLiveReply(r.data(), out);
    const float wb = WetBulb(20.0f, 50.0f);
    const float dp = DewPoint(20.0f, 50.0f);
    switch (unit) {
    case 0:
        QCOMPARE(out.wetBulb, float(double(wb) * 1.8 + 32));
        QCOMPARE(out.dewPoint, float(double(dp) * 1.8 + 32));
        break;
    case 2:
        QCOMPARE(out.wetBulb, float(double(wb) + 273.2));
        QCOMPARE(out.dewPoint, float(double(dp) + 273.2));
        break;
    default:
        QCOMPARE(out.wetBulb, wb);
        QCOMPARE(out.dewPoint, dp);
    }
}

void TstDecoder::mapA_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("glyph");
    QTest::newRow("minus 0x10") << 0x10 << 17;
    QTest::newRow("minus 0x11 (bit 0 ignored)") << 0x11 << 17;
    QTest::newRow("blank 0x00") << 0x00 << 16;
    QTest::newRow("0") << 0xEE << 0;
    QTest::newRow("0 with bit 0") << 0xEF << 0;
    QTest::newRow("7 with f") << 0xE4 << 7;
    QTest::newRow("U") << 0x6E << 22;
    QTest::newRow("all segments") << 0xFE << 8;
    QTest::newRow("unlisted 0x02") << 0x02 << 16;
    QTest::newRow("map B H is not in map A") << 0x3E << 13; // 0x3E is d in map A
    QTest::newRow("segment c alone unlisted") << 0x04 << 16;
}

void TstDecoder::mapA()
{
    QFETCH(int, byte);
    QFETCH(int, glyph);
    QCOMPARE(int(GlyphFromMapA(uint8_t(byte))), glyph);
}

void TstDecoder::mapB_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("glyph");
    QTest::newRow("0xB7 unlisted") << 0xB7 << 16;
    QTest::newRow("0xF7 is 0") << 0xF7 << 0;
    QTest::newRow("0x77 is 0") << 0x77 << 0;
    QTest::newRow("minus") << 0x08 << 17;
    QTest::newRow("H") << 0x3E << 23;
    QTest::newRow("segment c alone") << 0x20 << 24;
    QTest::newRow("n") << 0xB8 << 22;
    QTest::newRow("blank") << 0x80 << 16;
}

void TstDecoder::mapB()
{
    QFETCH(int, byte);
    QFETCH(int, glyph);
    QCOMPARE(int(GlyphFromMapB(uint8_t(byte))), glyph);
}

void TstDecoder::mapsRoundTripEveryGlyph()
{
    for (int g = 0; g < GlyphCount; ++g) {
        if (g == GlyphBlank)
            continue;
        if (g <= 22)
            QCOMPARE(int(GlyphFromMapA(MapAFromGlyph(uint8_t(g)))), g);
        QCOMPARE(int(GlyphFromMapB(MapBFromGlyph(uint8_t(g)))), g);
    }
    QCOMPARE(int(MapAFromGlyph(GlyphH)), 0);
    QCOMPARE(int(MapAFromGlyph(GlyphSegC)), 0);
    QCOMPARE(int(GlyphFromMapA(MapAFromGlyph(GlyphBlank))), int(GlyphBlank));
}

void TstDecoder::digitPositions()
{
    TReply r = BlankReply();
    // T1 reads from byte 50 (left) down to byte 47.
    r[50] = MapAFromGlyph(1);
    r[49] = MapAFromGlyph(2);
    r[48] = MapAFromGlyph(3);
    r[47] = MapAFromGlyph(4) | 0x01;
    for (int i = 0; i < 4; ++i) {
        r[53 + i] = MapBFromGlyph(uint8_t(5 + i)) | 0x80;
        r[42 + i] = MapBFromGlyph(uint8_t(i == 0 ? GlyphMinus : i));
    }
    r[39] = MapAFromGlyph(9);
    r[38] = MapAFromGlyph(0);
    TLiveReading out;
    DecodeLiveReply(r.data(), out);
    const uint8_t t1[4] = {1, 2, 3, 4}, t2[4] = {5, 6, 7, 8}, rh[4] = {GlyphMinus, 1, 2, 3};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(out.lcd.t1Digits[i], t1[i]);
        QCOMPARE(out.lcd.t2Digits[i], t2[i]);
        QCOMPARE(out.lcd.rhDigits[i], rh[i]);
    }
    QCOMPARE(int(out.lcd.smallDigits[0]), 9);
    QCOMPARE(int(out.lcd.smallDigits[1]), 0);
}

using TFlag = bool TLcdImage::*;
Q_DECLARE_METATYPE(TFlag)

void TstDecoder::indicatorBits_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("bit");
    QTest::addColumn<TFlag>("flag");
    struct { const char *name; int byte, bit; TFlag flag; } rows[] = {
        {"recall", 39, 0, &TLcdImage::recall}, {"hold", 40, 1, &TLcdImage::hold},
        {"max", 40, 2, &TLcdImage::max}, {"min", 40, 3, &TLcdImage::min},
        {"avg", 40, 4, &TLcdImage::avg}, {"mem", 40, 5, &TLcdImage::mem},
        {"battery0", 41, 3, &TLcdImage::battery0}, {"battery1", 41, 0, &TLcdImage::battery1},
        {"battery2", 41, 1, &TLcdImage::battery2}, {"battery3", 41, 2, &TLcdImage::battery3},
        {"autoOff", 41, 4, &TLcdImage::autoOff}, {"wetBulbLabel", 42, 7, &TLcdImage::wetBulbLabel},
        {"dewPointLabel", 43, 7, &TLcdImage::dewPointLabel}, {"rhPoint", 44, 7, &TLcdImage::rhPoint},
        {"rhLabel", 45, 7, &TLcdImage::rhLabel}, {"t1Celsius", 46, 0, &TLcdImage::t1Celsius},
        {"t1Fahrenheit", 46, 1, &TLcdImage::t1Fahrenheit}, {"t1Kelvin", 46, 2, &TLcdImage::t1Kelvin},
        {"t1Point", 47, 0, &TLcdImage::t1Point}, {"typeK", 51, 6, &TLcdImage::typeK},
        {"typeJ", 51, 5, &TLcdImage::typeJ}, {"typeE", 51, 4, &TLcdImage::typeE},
        {"typeT", 51, 3, &TLcdImage::typeT}, {"typeN", 51, 2, &TLcdImage::typeN},
        {"typeR", 51, 1, &TLcdImage::typeR}, {"typeS", 51, 0, &TLcdImage::typeS},
        {"t1Label", 52, 6, &TLcdImage::t1Label}, {"t1Minus", 52, 5, &TLcdImage::t1Minus},
        {"bluetooth", 52, 4, &TLcdImage::bluetooth}, {"typeLabel", 52, 2, &TLcdImage::typeLabel},
        {"t2Label", 52, 1, &TLcdImage::t2Label}, {"t2Minus", 52, 0, &TLcdImage::t2Minus},
        {"alarm", 53, 7, &TLcdImage::alarm}, {"hiLabel", 54, 7, &TLcdImage::hiLabel},
        {"t2Point", 56, 7, &TLcdImage::t2Point}, {"t2Kelvin", 57, 1, &TLcdImage::t2Kelvin},
        {"t2Fahrenheit", 57, 2, &TLcdImage::t2Fahrenheit}, {"t2Celsius", 57, 3, &TLcdImage::t2Celsius},
        {"full", 57, 4, &TLcdImage::full}, {"rec", 57, 5, &TLcdImage::rec},
        {"loLabel", 57, 7, &TLcdImage::loLabel},
    };
    for (const auto &row : rows)
        QTest::newRow(row.name) << row.byte << row.bit << row.flag;
}

static int CountSet(const TLcdImage &lcd)
{
    const TFlag all[] = {
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
    int n = 0;
    for (TFlag f : all)
        n += (lcd.*f) ? 1 : 0;
    return n;
}

void TstDecoder::indicatorBits()
{
    QFETCH(int, byte);
    QFETCH(int, bit);
    QFETCH(TFlag, flag);
    TReply r = BlankReply();
    r[byte] = uint8_t(1u << bit);
    TLiveReading out;
    DecodeLiveReply(r.data(), out);
    QVERIFY(out.lcd.*flag);
    QCOMPARE(CountSet(out.lcd), 1); // exactly this indicator, no other

    // and clearing only that bit clears only that indicator
    r.fill(0xFF);
    r[byte] = uint8_t(~(1u << bit));
    DecodeLiveReply(r.data(), out);
    QVERIFY(!(out.lcd.*flag));
}

void TstDecoder::statusBitsAndUnitCode()
{
    TReply r = BlankReply();
    r[2] = 0x20;
    r[3] = 0x08 | 0x10 | 0x40;
    r[4] = 0x08;
    TLiveReading out;
    DecodeLiveReply(r.data(), out);
    QCOMPARE(int(out.unitCode), 2);
    QVERIFY(out.loggerRecording);
    QVERIFY(out.blinkRecFull);
    QVERIFY(out.blinkMaxMinAvg);
    QVERIFY(out.maxMinAvgBlinkControl);

    r[3] = 0x08;
    r[4] = 0x00;
    DecodeLiveReply(r.data(), out);
    QVERIFY(out.loggerRecording);
    QVERIFY(!out.blinkRecFull);
    QVERIFY(!out.blinkMaxMinAvg);
    QVERIFY(!out.maxMinAvgBlinkControl);
}

void TstDecoder::statusByteIsLeftToCaller()
{
    TReply r = BlankReply();
    r[6] = 0x77;
    TLiveReading out;
    out.status = 5;
    DecodeLiveReply(r.data(), out);
    QCOMPARE(int(out.status), 5);
}

static TRegisterTest<TstDecoder> registerDecoder;
#include "tst_decoder.moc"
