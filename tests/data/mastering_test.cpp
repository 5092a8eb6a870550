// The loudness meter against the broadcast calibration signals, and the limiter's promises:
// no sample above the ceiling, smooth gain, and nothing touched that needs no limiting.

#include "tools/datagen/det_math.h"
#include "tools/datagen/mastering.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace datagen;

StereoBuffer Sine(double hertz, double amplitude, double seconds) {
    StereoBuffer buffer(FrameAt(seconds));
    for (std::size_t i = 0; i < buffer.Frames(); ++i) {
        const auto value = static_cast<float>(amplitude * Sin(twoPi * hertz * i / sampleRate));
        buffer.left[i] = value;
        buffer.right[i] = value;
    }
    return buffer;
}

TEST(Loudness, ReadsTheCalibrationSineAsItsLevel) {
    // A 1 kHz sine at -23 dBFS in both channels reads -23 LUFS.
    const StereoBuffer calibration = Sine(1000.0, DecibelsToGain(-23.0), 20.0);
    EXPECT_NEAR(IntegratedLoudness(calibration.left, calibration.right, sampleRate), -23.0, 0.1);
    const StereoBuffer louder = Sine(1000.0, DecibelsToGain(-14.0), 10.0);
    EXPECT_NEAR(IntegratedLoudness(louder.left, louder.right, sampleRate), -14.0, 0.1);
}

TEST(Loudness, WeightsOutTheDeepestBassAndGatesOutSilence) {
    const StereoBuffer rumble = Sine(20.0, DecibelsToGain(-23.0), 10.0);
    EXPECT_LT(IntegratedLoudness(rumble.left, rumble.right, sampleRate), -35.0);

    // Twenty seconds of silence around ten of tone do not lower the reading.
    StereoBuffer padded(FrameAt(30.0));
    const StereoBuffer tone = Sine(1000.0, DecibelsToGain(-20.0), 10.0);
    for (std::size_t i = 0; i < tone.Frames(); ++i) {
        padded.left[FrameAt(10.0) + i] = tone.left[i];
        padded.right[FrameAt(10.0) + i] = tone.right[i];
    }
    EXPECT_NEAR(IntegratedLoudness(padded.left, padded.right, sampleRate), -20.0, 0.2);

    const StereoBuffer silence(FrameAt(5.0));
    EXPECT_LE(IntegratedLoudness(silence.left, silence.right, sampleRate), -70.0);
}

TEST(Limiter, KeepsEverySampleUnderTheCeilingWithSmoothGain) {
    StereoBuffer buffer = Sine(200.0, 0.5, 3.0);
    const StereoBuffer original = buffer;
    // A burst four times too loud in the middle, on one side only.
    for (std::size_t i = FrameAt(1.0); i < FrameAt(1.2); ++i) {
        buffer.right[i] *= 4.0F;
    }
    const StereoBuffer burst = buffer;
    const double ceiling = 0.8;
    Limit(buffer, ceiling, 0.003, 0.08);
    double largestStep = 0.0;
    double previousGain = 1.0;
    std::size_t previous = 0;
    for (std::size_t i = 0; i < buffer.Frames(); ++i) {
        ASSERT_LE(std::fabs(buffer.left[i]), ceiling + 1e-6) << i;
        ASSERT_LE(std::fabs(buffer.right[i]), ceiling + 1e-6) << i;
        if (std::fabs(burst.left[i]) > 0.05) {
            // Both sides share one gain, which changes in small steps only.
            const double gain = buffer.left[i] / burst.left[i];
            EXPECT_NEAR(buffer.right[i], burst.right[i] * gain, 1e-5) << i;
            largestStep = std::max(largestStep, std::fabs(gain - previousGain) / (i - previous));
            previousGain = gain;
            previous = i;
        }
    }
    EXPECT_LT(largestStep, 0.01);
    // Before the look-ahead and long after the release the signal is as it was.
    EXPECT_EQ(buffer.left[FrameAt(0.9)], original.left[FrameAt(0.9)]);
    EXPECT_NEAR(buffer.left[FrameAt(2.5)], original.left[FrameAt(2.5)], 1e-6);
}

TEST(Limiter, LeavesASignalUnderTheCeilingUntouched) {
    StereoBuffer buffer = Sine(440.0, 0.7, 1.0);
    const StereoBuffer original = buffer;
    Limit(buffer, 0.8, 0.003, 0.08);
    EXPECT_EQ(buffer.left, original.left);
    EXPECT_EQ(buffer.right, original.right);
}

TEST(Master, ReachesTheTargetLoudnessUnderTheCeilingAndFadesOut) {
    StereoBuffer buffer = Sine(500.0, 0.9, 12.0);
    for (std::size_t i = 0; i < buffer.Frames(); i += 4410) {
        buffer.left[i] = 1.5F; // clicks that only the limiter can tame
    }
    MasterSettings settings;
    settings.fadeOutStart = 10.0;
    const MasterResult result = Master(buffer, settings);
    EXPECT_NEAR(result.loudness, -14.0, 0.3);
    EXPECT_LE(result.peak, settings.ceiling + 1e-4);
    EXPECT_EQ(buffer.left.front(), 0.0F);
    EXPECT_EQ(buffer.left.back(), 0.0F);
    EXPECT_EQ(buffer.right.back(), 0.0F);
}

} // namespace
