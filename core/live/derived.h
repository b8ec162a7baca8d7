#pragma once
// Dew point, wet-bulb temperature and the thermocouple range check. Pure
// numerics shared by the live decoder and the data-set decoder. The single
// precision roundings sit exactly where the meter's own arithmetic has them,
// so that results agree with the meter to the last bit.

#include <cstdint>

// Dew point in degrees Celsius from a temperature (degC) and a relative
// humidity (percent). Defined for every finite input; no clamping.
float DewPoint(double temperature, double humidity);

// Wet-bulb temperature in degrees Celsius (Stull's approximation). A negative
// humidity is computed as 0 % so that the result stays finite.
float WetBulb(double temperature, double humidity);

// Range result of a thermocouple reading.
enum TCoupleRange : uint8_t {
    CoupleInRange = 0,
    CoupleAboveUpper = 1,
    CoupleBelowLower = 2,
    CoupleBelowFar = 3,
};

// unitFlag 0: value in degF against the Fahrenheit limits; any other value:
// degC against the Celsius limits. coupleType 0..6 = K, J, E, T, N, R, S;
// any other type gives 0 without a comparison.
uint8_t CheckCoupleRange(uint8_t unitFlag, uint8_t coupleType, float value);
