// The generator's own arithmetic agrees with the C library's to well within what the
// pictures and the music can show, and its random numbers repeat.

#include "tools/datagen/det_math.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace datagen;

TEST(DeterministicMath, TrigonometryMatchesTheLibraryOverManyTurns) {
    for (int i = 0; i <= 58000; ++i) {
        const double x = -400.0 + i * 0.0137;
        ASSERT_NEAR(Sin(x), std::sin(x), 1e-13) << x;
        ASSERT_NEAR(Cos(x), std::cos(x), 1e-13) << x;
    }
    for (int i = -1500; i <= 1500; ++i) {
        const double x = i * 0.001;
        ASSERT_NEAR(Tan(x), std::tan(x), 1e-12 * (1.0 + std::fabs(std::tan(x)))) << x;
    }
}

TEST(DeterministicMath, ArcTangentCoversEveryQuadrantAndTheAxes) {
    for (int row = -60; row <= 60; ++row) {
        for (int column = -60; column <= 60; ++column) {
            const double y = row * 0.05;
            const double x = column * 0.05;
            ASSERT_NEAR(Atan2(y, x), std::atan2(y, x), 1e-13) << y << ", " << x;
        }
    }
    EXPECT_DOUBLE_EQ(Atan2(1.0, 0.0), pi / 2.0);
    EXPECT_DOUBLE_EQ(Atan2(-1.0, 0.0), -pi / 2.0);
    EXPECT_DOUBLE_EQ(Atan2(0.0, 0.0), 0.0);
    EXPECT_NEAR(Atan(1e6), pi / 2.0, 1e-6);
}

TEST(DeterministicMath, ExponentialsAndLogarithmsMatchTheLibrary) {
    for (int i = -1890; i <= 1890; ++i) {
        const double x = i * 0.37;
        ASSERT_NEAR(Exp(x) / std::exp(x), 1.0, 1e-13) << x;
    }
    for (int i = -528; i <= 528; ++i) {
        const double x = std::pow(3.7, i);
        ASSERT_NEAR(Log(x), std::log(x), 1e-12 * (1.0 + std::fabs(std::log(x)))) << x;
    }
    EXPECT_EQ(Exp(-800.0), 0.0);
    EXPECT_NEAR(Pow(2.0, 10.0), 1024.0, 1e-9);
    EXPECT_NEAR(Pow(0.25, 0.5), 0.5, 1e-15);
    EXPECT_EQ(Pow(0.0, 3.0), 0.0);
    for (int i = -2500; i <= 2500; ++i) {
        const double x = i * 0.01;
        ASSERT_NEAR(Tanh(x), std::tanh(x), 1e-14) << x;
    }
}

TEST(DeterministicMath, DecibelsAndPitchesFollowTheirDefinitions) {
    EXPECT_NEAR(DecibelsToGain(-6.0), 0.501187, 1e-6);
    EXPECT_NEAR(GainToDecibels(0.5), -6.0206, 1e-4);
    EXPECT_NEAR(GainToDecibels(DecibelsToGain(-1.0)), -1.0, 1e-12);
    EXPECT_NEAR(NoteToHertz(69.0), 440.0, 1e-9);
    EXPECT_NEAR(NoteToHertz(81.0), 880.0, 1e-9);
    EXPECT_NEAR(NoteToHertz(60.0), 261.6255653, 1e-6);
    EXPECT_NEAR(NoteToHertz(33.0), 55.0, 1e-9);
}

TEST(DeterministicMath, SmoothStepRunsEitherWayAndHolds) {
    EXPECT_EQ(SmoothStep(0.0, 1.0, -1.0), 0.0);
    EXPECT_EQ(SmoothStep(0.0, 1.0, 0.5), 0.5);
    EXPECT_EQ(SmoothStep(0.0, 1.0, 2.0), 1.0);
    EXPECT_EQ(SmoothStep(1.0, 0.0, 0.0), 1.0); // falling edge
    EXPECT_EQ(SmoothStep(1.0, 0.0, 1.0), 0.0);
}

TEST(DeterministicRandom, RepeatsItsSequenceForASeedAndStaysInRange) {
    Random first(42);
    Random second(42);
    Random other(43);
    int differences = 0;
    for (int i = 0; i < 1000; ++i) {
        const std::uint64_t value = first.Next();
        ASSERT_EQ(value, second.Next());
        differences += value != other.Next() ? 1 : 0;
    }
    EXPECT_EQ(differences, 1000);

    Random random(7);
    double sum = 0.0;
    int seen[6] = {};
    for (int i = 0; i < 60000; ++i) {
        const double u = random.Uniform();
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
        sum += u;
        const int below = random.Below(6);
        ASSERT_GE(below, 0);
        ASSERT_LT(below, 6);
        ++seen[below];
    }
    EXPECT_NEAR(sum / 60000.0, 0.5, 0.01);
    for (const int count : seen) {
        EXPECT_NEAR(count, 10000, 500);
    }
}

} // namespace
