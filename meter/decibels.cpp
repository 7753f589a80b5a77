#include "meter/decibels.h"

#include <cmath>

#include "meter/power_of_ten.h"

float AmplitudeToDb(float amplitude) {
    if (!(amplitude >= kLevelFloor)) return kSilenceDb;
    return 20.0f * LogOfTen(amplitude);
}

float PowerToDb(float power) {
    if (!(power >= kLevelFloor)) return kSilenceDb;
    return 10.0f * LogOfTen(power);
}

float FrameCorrelation(float inv, float corrSum, float msLeft, float msRight) {
    float product = msLeft * msRight;
    if (!(product >= 1e-20f)) return 0.0f;
    float c = (inv * corrSum) / std::sqrt(product);
    // Rounding may step a hair outside the range the correlator shows.
    if (c > 1.0f) return 1.0f;
    if (c < -1.0f) return -1.0f;
    return c;
}
