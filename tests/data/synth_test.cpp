// The music's building blocks: filters that pass and stop what they should, envelopes
// that rise and fall as set, and a mixer that pans, sends and ducks.

#include "tools/datagen/det_math.h"
#include "tools/datagen/synth.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace datagen;

double FilteredLevel(double hertz, double cutoff) {
    Svf filter(0.7071);
    filter.SetCutoff(cutoff);
    double peak = 0.0;
    for (int i = 0; i < sampleRate / 2; ++i) {
        filter.Process(Sin(twoPi * hertz * i / sampleRate));
        if (i > sampleRate / 4) {
            peak = std::max(peak, std::fabs(filter.Low()));
        }
    }
    return GainToDecibels(peak);
}

TEST(Filter, LowPassPassesBelowItsCutoffAndFallsTwelveDecibelsAnOctaveAbove) {
    EXPECT_NEAR(FilteredLevel(100.0, 1000.0), 0.0, 0.2);
    EXPECT_NEAR(FilteredLevel(1000.0, 1000.0), -3.0, 0.3);
    EXPECT_LT(FilteredLevel(8000.0, 1000.0), -34.0);
}

TEST(Oscillators, StayInRangeAndCentredOverAPeriod) {
    const double increment = 441.0 / sampleRate;
    double phase = 0.0;
    double sawSum = 0.0;
    double squareSum = 0.0;
    for (int i = 0; i < sampleRate; ++i) {
        const double saw = Saw(phase, increment);
        const double square = Square(phase, increment);
        ASSERT_LE(std::fabs(saw), 1.0 + 1e-9);
        ASSERT_LE(std::fabs(square), 1.0 + 1e-9);
        ASSERT_NEAR(SineTurns(phase), Sin(twoPi * phase), 1e-6);
        sawSum += saw;
        squareSum += square;
        phase = Advance(phase, increment);
    }
    EXPECT_NEAR(sawSum / sampleRate, 0.0, 1e-3);
    EXPECT_NEAR(squareSum / sampleRate, 0.0, 1e-3);
    EXPECT_NEAR(SoftClip(0.1), std::tanh(0.1), 1e-3);
    EXPECT_EQ(SoftClip(10.0), 1.0);
    EXPECT_EQ(SoftClip(-10.0), -1.0);
}

TEST(Envelope, RisesOverItsAttackSettlesAtSustainAndReleasesToSilence) {
    Envelope envelope(0.01, 0.05, 0.5, 0.05);
    double level = 0.0;
    for (std::size_t i = 0; i < FrameAt(0.01); ++i) {
        level = envelope.Next();
    }
    EXPECT_NEAR(level, 1.0, 1e-3);
    for (std::size_t i = 0; i < FrameAt(0.5); ++i) {
        level = envelope.Next();
    }
    EXPECT_NEAR(level, 0.5, 1e-3);
    envelope.Release();
    for (std::size_t i = 0; i < FrameAt(0.05); ++i) {
        level = envelope.Next();
    }
    EXPECT_NEAR(level, 0.5 * Exp(-1.0), 1e-3);
}

TEST(Mixer, PansEachVoiceAndDucksOnlyTheDuckedOnesAtTheKick) {
    Mixer mixer(FrameAt(1.0));
    Mixer::Tap left = mixer.At(Route{1.0, -1.0, 0.0, 0.0, false}, 0.0);
    Mixer::Tap ducked = mixer.At(Route{1.0, 1.0, 0.0, 0.0, true}, 0.0);
    for (std::size_t i = 0; i < mixer.Frames(); ++i) {
        left.Write(i, 0.5);
        ducked.Write(i, 0.5);
    }
    mixer.DuckAt(0.5);
    const StereoBuffer out = mixer.Render();
    // A hard-left voice stays left, a hard-right one right.
    EXPECT_NEAR(out.left[FrameAt(0.25)], 0.5, 1e-6);
    EXPECT_NEAR(out.right[FrameAt(0.25)], 0.5, 1e-6);
    // At the kick the ducked voice dips by half and then recovers; the other does not.
    EXPECT_NEAR(out.right[FrameAt(0.505)], 0.25, 0.01);
    EXPECT_NEAR(out.left[FrameAt(0.505)], 0.5, 1e-6);
    EXPECT_GT(out.right[FrameAt(0.95)], 0.48);
}

} // namespace
