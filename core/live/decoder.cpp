#include "core/live/decoder.h"

#include "core/base/bytes.h"
#include "core/live/derived.h"

namespace {

// Glyph -> segment byte; 0 marks a glyph the map has no pattern for.
const uint8_t kMapA[GlyphCount] = {
    0xEE, 0x24, 0xBA, 0xB6, 0x74, 0xD6, 0xDE, 0xE4, 0xFE, 0xF6, // 0-9
    0xFC, 0x5E, 0xCA, 0x3E, 0xDA, 0xD8,                         // A b C d E F
    0x00,                                                       // blank
    0x10, 0x4A, 0x1E, 0x18, 0x5A, 0x6E,                         // - L o r t U
    0x00, 0x00,                                                 // (none)
};
const uint8_t kMapB[GlyphCount] = {
    0x77, 0x24, 0x5D, 0x6D, 0x2E, 0x6B, 0x7B, 0x27, 0x7F, 0x6F, // 0-9
    0x3F, 0x7A, 0x53, 0x7C, 0x5B, 0x1B,                         // A b C d E F
    0x00,                                                       // blank
    0x08, 0x52, 0x78, 0x18, 0x5A, 0x38,                         // - L o r t n
    0x3E, 0x20,                                                 // H, segment c
};

uint8_t Lookup(const uint8_t (&table)[GlyphCount], uint8_t segments)
{
    for (uint8_t g = 0; g < GlyphCount; ++g)
        if (g != GlyphBlank && table[g] != 0 && table[g] == segments)
            return g;
    return GlyphBlank;
}

inline bool Bit(const uint8_t *reply, int byte, int bit) { return (reply[byte] >> bit) & 1; }

// Signed 16-bit value, high byte first, in tenths.
inline float Tenths(const uint8_t *reply, int index)
{
    const int16_t raw = static_cast<int16_t>(LinkBytes::ReadBE16(reply + index));
    return static_cast<float>(raw * 0.1);
}

} // namespace

uint8_t GlyphFromMapA(uint8_t byte) { return Lookup(kMapA, byte & 0xFE); }
uint8_t GlyphFromMapB(uint8_t byte) { return Lookup(kMapB, byte & 0x7F); }
uint8_t MapAFromGlyph(uint8_t glyph) { return glyph < GlyphCount ? kMapA[glyph] : 0; }
uint8_t MapBFromGlyph(uint8_t glyph) { return glyph < GlyphCount ? kMapB[glyph] : 0; }

float LiveCelsiusToFahrenheit(float celsius)
{
    return static_cast<float>(static_cast<double>(celsius) * 1.8 + 32);
}

float LiveFahrenheitToCelsius(float fahrenheit)
{
    return static_cast<float>((static_cast<double>(fahrenheit) - 32) * 5 * (1.0 / 9));
}

float LiveCelsiusToKelvin(float celsius)
{
    return static_cast<float>(static_cast<double>(celsius) + 273.2);
}

float LiveFahrenheitToKelvin(float fahrenheit)
{
    return static_cast<float>((static_cast<double>(fahrenheit) - 32) * 5 * (1.0 / 9) + 273.2);
}

void DecodeLiveReply(const uint8_t *reply, TLiveReading &out)
{
    // 1. Indicator bits.
    TLcdImage &lcd = out.lcd;
    lcd.recall = Bit(reply, 39, 0);
    lcd.hold = Bit(reply, 40, 1);
    lcd.max = Bit(reply, 40, 2);
    lcd.min = Bit(reply, 40, 3);
    lcd.avg = Bit(reply, 40, 4);
    lcd.mem = Bit(reply, 40, 5);
    lcd.battery0 = Bit(reply, 41, 3);
    lcd.battery1 = Bit(reply, 41, 0);
    lcd.battery2 = Bit(reply, 41, 1);
    lcd.battery3 = Bit(reply, 41, 2);
    lcd.autoOff = Bit(reply, 41, 4);
    lcd.wetBulbLabel = Bit(reply, 42, 7);
    lcd.dewPointLabel = Bit(reply, 43, 7);
    lcd.rhPoint = Bit(reply, 44, 7);
    lcd.rhLabel = Bit(reply, 45, 7);
    lcd.t1Celsius = Bit(reply, 46, 0);
    lcd.t1Fahrenheit = Bit(reply, 46, 1);
    lcd.t1Kelvin = Bit(reply, 46, 2);
    lcd.t1Point = Bit(reply, 47, 0);
    lcd.typeK = Bit(reply, 51, 6);
    lcd.typeJ = Bit(reply, 51, 5);
    lcd.typeE = Bit(reply, 51, 4);
    lcd.typeT = Bit(reply, 51, 3);
    lcd.typeN = Bit(reply, 51, 2);
    lcd.typeR = Bit(reply, 51, 1);
    lcd.typeS = Bit(reply, 51, 0);
    lcd.t1Label = Bit(reply, 52, 6);
    lcd.t1Minus = Bit(reply, 52, 5);
    lcd.bluetooth = Bit(reply, 52, 4);
    lcd.typeLabel = Bit(reply, 52, 2);
    lcd.t2Label = Bit(reply, 52, 1);
    lcd.t2Minus = Bit(reply, 52, 0);
    lcd.alarm = Bit(reply, 53, 7);
    lcd.hiLabel = Bit(reply, 54, 7);
    lcd.t2Point = Bit(reply, 56, 7);
    lcd.t2Kelvin = Bit(reply, 57, 1);
    lcd.t2Fahrenheit = Bit(reply, 57, 2);
    lcd.t2Celsius = Bit(reply, 57, 3);
    lcd.full = Bit(reply, 57, 4);
    lcd.rec = Bit(reply, 57, 5);
    lcd.loLabel = Bit(reply, 57, 7);

    // 2. Digits: T1 from byte 50 (left) down to 47, T2 and RH left to right.
    for (int i = 0; i < 4; ++i) {
        lcd.t1Digits[i] = GlyphFromMapA(reply[50 - i]);
        lcd.t2Digits[i] = GlyphFromMapB(reply[53 + i]);
        lcd.rhDigits[i] = GlyphFromMapB(reply[42 + i]);
    }
    lcd.smallDigits[0] = GlyphFromMapA(reply[39]);
    lcd.smallDigits[1] = GlyphFromMapA(reply[38]);

    // 3. Values: RH in %, T1 in degC, T2 in degF.
    out.rh = Tenths(reply, 9);
    out.t1 = Tenths(reply, 11);
    out.t2 = Tenths(reply, 13);

    // 4. Derived values, always from T1 in degC.
    out.wetBulb = WetBulb(out.t1, out.rh);
    out.dewPoint = DewPoint(out.t1, out.rh);

    // 5. Display unit.
    const uint8_t unit = (reply[2] >> 4) & 0x03;
    switch (unit) {
    case 0:
        out.t1 = LiveCelsiusToFahrenheit(out.t1);
        out.wetBulb = LiveCelsiusToFahrenheit(out.wetBulb);
        out.dewPoint = LiveCelsiusToFahrenheit(out.dewPoint);
        break;
    case 1:
        out.t2 = LiveFahrenheitToCelsius(out.t2);
        break;
    case 2:
        out.t1 = LiveCelsiusToKelvin(out.t1);
        out.wetBulb = LiveCelsiusToKelvin(out.wetBulb);
        out.dewPoint = LiveCelsiusToKelvin(out.dewPoint);
        out.t2 = LiveFahrenheitToKelvin(out.t2);
        break;
    default:
        break;
    }

    // 6. Status bits and unit code.
    out.loggerRecording = Bit(reply, 3, 3);
    out.blinkRecFull = Bit(reply, 3, 4);
    out.blinkMaxMinAvg = Bit(reply, 3, 6);
    out.maxMinAvgBlinkControl = Bit(reply, 4, 3);
    out.unitCode = unit;
}

QString UnitSymbol(int unitCode)
{
    switch (unitCode) {
    case 0: return QStringLiteral("\u00b0F");
    case 1: return QStringLiteral("\u00b0C");
    case 2: return QStringLiteral("K");
    default: return QString();
    }
}
