#pragma once
// The decoded live reply: three measured values, the two derived ones, a few
// status bits and the image of the meter's display that the front panel paints.

#include <cstdint>

struct TLcdImage {
    uint8_t t1Digits[4] = {16, 16, 16, 16};    // glyph indices, left to right
    uint8_t t2Digits[4] = {16, 16, 16, 16};
    uint8_t rhDigits[4] = {16, 16, 16, 16};
    uint8_t smallDigits[2] = {16, 16};

    bool recall = false, hold = false, max = false, min = false, avg = false, mem = false;
    bool battery0 = false, battery1 = false, battery2 = false, battery3 = false;
    bool autoOff = false;
    bool wetBulbLabel = false, dewPointLabel = false, rhLabel = false;
    bool rhPoint = false;                         // byte 44 bit 7
    bool t1Celsius = false, t1Fahrenheit = false, t1Kelvin = false, t1Point = false;
    bool typeK = false, typeJ = false, typeE = false, typeT = false;
    bool typeN = false, typeR = false, typeS = false;
    bool t1Label = false, t1Minus = false, bluetooth = false, typeLabel = false;
    bool t2Label = false, t2Minus = false, alarm = false, t2Point = false;
    bool t2Kelvin = false, t2Fahrenheit = false, t2Celsius = false;
    bool full = false, rec = false;
    bool hiLabel = false;                         // byte 54 bit 7
    bool loLabel = false;                         // byte 57 bit 7
};

struct TLiveReading {
    float rh = 0, t1 = 0, t2 = 0, wetBulb = 0, dewPoint = 0; // display unit
    uint8_t unitCode = 0;          // 0 degF, 1 degC, 2 K, 3 none
    uint8_t status = 0;            // byte 6: per-channel error bits
    bool loggerRecording = false;
    bool blinkRecFull = false;
    bool blinkMaxMinAvg = false;
    bool maxMinAvgBlinkControl = false;
    TLcdImage lcd;
};
