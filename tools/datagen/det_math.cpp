#include "tools/datagen/det_math.h"

#include <cmath>

namespace datagen {
namespace {

constexpr double halfPiHigh = 1.5707963267341256;   // 33 bits of pi / 2
constexpr double halfPiLow = 6.077100506506192e-11; // the rest
constexpr double ln2High = 0.6931471803691238;      // 33 bits of ln 2
constexpr double ln2Low = 1.9082149292705877e-10;   // the rest
constexpr double ln2 = 0.69314718055994530942;
constexpr double ln10 = 2.30258509299404568402;

// Taylor series on |x| <= pi / 4; the last terms are below double precision there.
double SinKernel(double x) {
    const double x2 = x * x;
    double term = x;
    double sum = x;
    for (int n = 2; n <= 16; n += 2) {
        term = -term * x2 / (n * (n + 1));
        sum += term;
    }
    return sum;
}

double CosKernel(double x) {
    const double x2 = x * x;
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n <= 16; n += 2) {
        term = -term * x2 / (n * (n + 1));
        sum += term;
    }
    return sum;
}

// Reduces x to r in [-pi / 4, pi / 4] and the quadrant of x.
double ReduceQuarter(double x, long long* quadrant) {
    const double k = std::floor(x * (2.0 / pi) + 0.5);
    *quadrant = static_cast<long long>(k);
    return (x - k * halfPiHigh) - k * halfPiLow;
}

} // namespace

double Sin(double x) {
    long long quadrant = 0;
    const double r = ReduceQuarter(x, &quadrant);
    switch (quadrant & 3) {
    case 0:
        return SinKernel(r);
    case 1:
        return CosKernel(r);
    case 2:
        return -SinKernel(r);
    default:
        return -CosKernel(r);
    }
}

double Cos(double x) {
    long long quadrant = 0;
    const double r = ReduceQuarter(x, &quadrant);
    switch (quadrant & 3) {
    case 0:
        return CosKernel(r);
    case 1:
        return -SinKernel(r);
    case 2:
        return -CosKernel(r);
    default:
        return SinKernel(r);
    }
}

double Tan(double x) {
    return Sin(x) / Cos(x);
}

double Exp(double x) {
    if (x > 709.0) {
        return HUGE_VAL;
    }
    if (x < -745.0) {
        return 0.0;
    }
    const double k = std::floor(x / ln2 + 0.5);
    const double r = (x - k * ln2High) - k * ln2Low; // |r| <= ln 2 / 2
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n <= 14; ++n) {
        term = term * r / n;
        sum += term;
    }
    return std::ldexp(sum, static_cast<int>(k));
}

double Log(double x) {
    int exponent = 0;
    double mantissa = std::frexp(x, &exponent); // [0.5, 1)
    if (mantissa < 0.70710678118654752) {
        mantissa *= 2.0;
        --exponent;
    }
    // log m = 2 atanh z with |z| <= 0.172.
    const double z = (mantissa - 1.0) / (mantissa + 1.0);
    const double z2 = z * z;
    double power = z;
    double sum = 0.0;
    for (int n = 1; n <= 23; n += 2) {
        sum += power / n;
        power *= z2;
    }
    return 2.0 * sum + exponent * ln2;
}

double Pow(double base, double exponent) {
    if (base == 0.0) {
        return 0.0;
    }
    return Exp(exponent * Log(base));
}

double Atan(double x) {
    if (x < 0.0) {
        return -Atan(-x);
    }
    if (x > 1.0) {
        return pi / 2.0 - Atan(1.0 / x);
    }
    constexpr double tanTwelfth = 0.26794919243112270; // tan(pi / 12)
    constexpr double rootThird = 0.57735026918962576;  // tan(pi / 6)
    double offset = 0.0;
    if (x > tanTwelfth) {
        x = (x - rootThird) / (1.0 + x * rootThird);
        offset = pi / 6.0;
    }
    const double x2 = x * x;
    double power = x;
    double sum = 0.0;
    for (int n = 1; n <= 25; n += 2) {
        sum += ((n & 2) != 0 ? -power : power) / n;
        power *= x2;
    }
    return offset + sum;
}

double Atan2(double y, double x) {
    if (x > 0.0) {
        return Atan(y / x);
    }
    if (x < 0.0) {
        return y >= 0.0 ? Atan(y / x) + pi : Atan(y / x) - pi;
    }
    if (y > 0.0) {
        return pi / 2.0;
    }
    return y < 0.0 ? -pi / 2.0 : 0.0;
}

double Tanh(double x) {
    if (x > 20.0) {
        return 1.0;
    }
    if (x < -20.0) {
        return -1.0;
    }
    const double e = Exp(2.0 * x);
    return (e - 1.0) / (e + 1.0);
}

double Clamp(double x, double low, double high) {
    if (x < low) {
        return low;
    }
    return x > high ? high : x;
}

double Mix(double a, double b, double t) {
    return a + (b - a) * t;
}

double SmoothStep(double edge0, double edge1, double x) {
    const double t = Clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

double DecibelsToGain(double decibels) {
    return Exp(decibels * (ln10 / 20.0));
}

double GainToDecibels(double gain) {
    return (20.0 / ln10) * Log(gain);
}

double NoteToHertz(double midiNote) {
    return 440.0 * Exp((midiNote - 69.0) * (ln2 / 12.0));
}

std::uint64_t Random::Next() {
    state += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = state;
    z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27U)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31U);
}

double Random::Uniform() {
    return static_cast<double>(Next() >> 11U) * (1.0 / 9007199254740992.0);
}

double Random::Bipolar() {
    return 2.0 * Uniform() - 1.0;
}

double Random::Range(double low, double high) {
    return low + (high - low) * Uniform();
}

int Random::Below(int bound) {
    return static_cast<int>(Next() % static_cast<std::uint64_t>(bound));
}

} // namespace datagen
