#pragma once
// Decoding of the meter's 64-byte live reply into a TLiveReading: the three
// measured values (converted to the display unit), the derived wet bulb and
// dew point, the status bits and the image of the meter's display.

#include <cstdint>

#include <QString>

#include "core/live/livereading.h"

// Glyph indices of the display digits.
enum TGlyph : uint8_t {
    GlyphA = 10, GlyphB = 11, GlyphC = 12, GlyphD = 13, GlyphE = 14, GlyphF = 15,
    GlyphBlank = 16, GlyphMinus = 17, GlyphL = 18, GlyphO = 19, GlyphR = 20,
    GlyphT = 21, GlyphUN = 22, GlyphH = 23, GlyphSegC = 24,
    GlyphCount = 25,
};

// Segment map A (bytes 38, 39, 47-50): segments in bits 7-1, bit 0 belongs to
// an indicator. Map B (bytes 42-45, 53-56): segments in bits 6-0, bit 7
// belongs to an indicator. Unlisted patterns give the blank glyph.
uint8_t GlyphFromMapA(uint8_t byte);
uint8_t GlyphFromMapB(uint8_t byte);

// The segment byte (indicator bit clear) that shows a glyph; 0 (all segments
// off) for the blank glyph and for glyphs the map cannot show.
uint8_t MapAFromGlyph(uint8_t glyph);
uint8_t MapBFromGlyph(uint8_t glyph);

// Unit conversions of the live reply, each result rounded to single precision.
float LiveCelsiusToFahrenheit(float celsius);   // x * 1.8 + 32
float LiveFahrenheitToCelsius(float fahrenheit); // (x - 32) * 5 * (1/9)
float LiveCelsiusToKelvin(float celsius);        // x + 273.2
float LiveFahrenheitToKelvin(float fahrenheit);  // (x - 32) * 5 * (1/9) + 273.2

// Fills `out` from an accepted live reply (64 bytes). `out.status` is not
// touched: the caller stores byte 6 itself. Never fails.
void DecodeLiveReply(const uint8_t *reply, TLiveReading &out);

// The symbol of a unit code, the same in live readings and data sets:
// 0 "°F", 1 "°C", 2 "K"; empty for any other code.
QString UnitSymbol(int unitCode);
