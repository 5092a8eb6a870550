#pragma once

// Arithmetic for the generator that gives the same bits on every build: the functions are
// made of additions, multiplications, divisions and square roots only, so neither the
// optimiser's constant folding nor the C library's CPU-specific variants can change them.

#include <cstdint>

namespace datagen {

constexpr double pi = 3.14159265358979323846;
constexpr double twoPi = 2.0 * pi;

double Sin(double x);
double Cos(double x);
double Tan(double x);
double Exp(double x);
double Log(double x);                     // x > 0
double Pow(double base, double exponent); // base > 0; Pow(0, e > 0) is 0
double Atan(double x);
double Atan2(double y, double x);
double Tanh(double x);

double Clamp(double x, double low, double high);
double Mix(double a, double b, double t);
double SmoothStep(double edge0, double edge1, double x);

double DecibelsToGain(double decibels);
double GainToDecibels(double gain);
double NoteToHertz(double midiNote); // 69 is A at 440 Hz

// SplitMix64: a small generator with a fixed seed, so every run draws the same values.
class Random {
public:
    explicit Random(std::uint64_t seed) : state(seed) {}
    std::uint64_t Next();
    double Uniform(); // [0, 1)
    double Bipolar(); // [-1, 1)
    double Range(double low, double high);
    int Below(int bound); // [0, bound)

private:
    std::uint64_t state;
};

} // namespace datagen
