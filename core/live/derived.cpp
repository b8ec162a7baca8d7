#include "core/live/derived.h"

#include <cmath>

namespace {

inline float Round(double v) { return static_cast<float>(v); }

} // namespace

float DewPoint(double temperature, double humidity)
{
    const double t = temperature;
    const double x = 1.0f - 0.01 * humidity;
    float a = Round(t - (0.114 * t + 14.55) * x);
    const float y = Round((0.007 * t + 2.5f) * x);
    const float y3 = Round(std::pow(static_cast<double>(y), 3.0));
    a = Round(static_cast<double>(a) - y3);
    const float z = Round(0.117 * t + 15.9);
    const float p = Round(std::pow(x, 14.0));
    return Round(static_cast<double>(a) - static_cast<double>(z) * static_cast<double>(p));
}

float WetBulb(double temperature, double humidity)
{
    const double t = temperature;
    // The formula needs a humidity >= 0 (square root and power 1.5); a
    // negative reading from the meter is taken as 0 % instead of giving NaN.
    const double h = humidity < 0.0 ? 0.0 : humidity;
    const float s = Round(std::sqrt(h + 8.313659));
    const float a = Round(0.151977 * s);
    const float t1 = Round(t * std::atan(static_cast<double>(a)));
    const float h15 = Round(std::pow(h, 1.5));
    const float q = Round(0.00391838 * h15);
    const float r = Round(std::atan(0.023101 * h));
    const float u = Round(static_cast<double>(q) * static_cast<double>(r));
    const double result = std::atan(t + h) + static_cast<double>(t1) - std::atan(h - 1.6763331)
                        + static_cast<double>(u) - 4.686035;
    return Round(result);
}

namespace {

struct TCoupleLimits {
    float cFar, cLower, cUpper;
    float fFar, fLower;
    double fUpper;   // the fractional Fahrenheit limits are kept as doubles
};

const TCoupleLimits kCoupleLimits[7] = {
    {-220.0f, -200.0f, 1372.0f, -340.0f, -328.0f, 2501.6}, // K
    {-220.0f, -200.0f, 1000.0f, -340.0f, -328.0f, 1832.6}, // J
    {-220.0f, -200.0f, 750.0f, -340.0f, -328.0f, 1382.6},  // E
    {-220.0f, -200.0f, 400.0f, -340.0f, -328.0f, 752.4},   // T
    {-210.0f, -200.0f, 1300.0f, -346.0f, -328.0f, 2372.4}, // N
    {-10.0f, 0.0f, 1768.0f, 14.0f, 32.0f, 3215.1},         // R
    {-10.0f, 0.0f, 1768.0f, 14.0f, 32.0f, 3215.1},         // S
};

} // namespace

uint8_t CheckCoupleRange(uint8_t unitFlag, uint8_t coupleType, float value)
{
    if (coupleType > 6)
        return CoupleInRange;
    const TCoupleLimits &l = kCoupleLimits[coupleType];
    if (unitFlag == 0) {
        if (value < l.fFar) return CoupleBelowFar;
        if (value < l.fLower) return CoupleBelowLower;
        if (static_cast<double>(value) > l.fUpper) return CoupleAboveUpper;
        return CoupleInRange;
    }
    if (value < l.cFar) return CoupleBelowFar;
    if (value < l.cLower) return CoupleBelowLower;
    if (value > l.cUpper) return CoupleAboveUpper;
    return CoupleInRange;
}
