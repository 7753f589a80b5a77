#include "meter/power_of_ten.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kLn2 = 0.69314718055994530942;
constexpr double kLog2Of10 = 3.32192809488736234787;
constexpr double kLog10OfE = 0.43429448190325182765;

// 2^f for |f| <= 0.5: the series of e^(f ln 2), whose 15th term is below
// 1e-19 there, far under a float's last bit.
double TwoToFraction(double f) {
    const double t = f * kLn2;
    double sum = 1.0, term = 1.0;
    for (int k = 1; k <= 15; ++k) {
        term *= t / k;
        sum += term;
    }
    return sum;
}

} // namespace

float PowerOfTen(float x) {
    const double y = double(x) * kLog2Of10;
    if (y != y) return x;
    if (y > 130.0) return std::numeric_limits<float>::infinity();
    if (y < -160.0) return 0.0f;
    const double n = std::floor(y + 0.5);
    return static_cast<float>(std::ldexp(TwoToFraction(y - n), static_cast<int>(n)));
}

float LogOfTen(float x) {
    if (!(x > 0.0f) || x == std::numeric_limits<float>::infinity())
        return std::numeric_limits<float>::quiet_NaN();
    int e = 0;
    double m = std::frexp(double(x), &e); // x = m 2^e, m in [0.5, 1)
    if (m < 0.70710678118654752440) {
        m *= 2.0;
        --e;
    }
    // ln m = 2 atanh(s) with |s| <= 0.172: 12 odd terms reach 1e-19.
    const double s = (m - 1.0) / (m + 1.0), s2 = s * s;
    double sum = 0.0, power = s;
    for (int k = 1; k <= 23; k += 2) {
        sum += power / k;
        power *= s2;
    }
    return static_cast<float>((2.0 * sum + e * kLn2) * kLog10OfE);
}
