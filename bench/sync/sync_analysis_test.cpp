#include "sync_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace sync_bench {
namespace {

constexpr int rate = 44100;
constexpr std::int64_t ms = 1000000;

// Five seconds of quiet hiss with loud noise bursts at irregular moments, as the calibration
// file's chirps stand out of its silence.
std::vector<std::int16_t> Reference(const std::vector<double>& moments) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> hiss(-200, 200);
    std::uniform_int_distribution<int> burst(-12000, 12000);
    std::vector<std::int16_t> sound(5 * rate);
    for (auto& sample : sound) {
        sample = static_cast<std::int16_t>(hiss(random));
    }
    for (const double moment : moments) {
        const auto start = static_cast<std::size_t>(std::lround(moment * rate));
        for (std::size_t i = start; i < start + rate / 10; ++i) {
            sound[i] = static_cast<std::int16_t>(burst(random));
        }
    }
    return sound;
}

// What the harness would record of it: the sound `lead` frames after the recording starts, read
// every 5 ms (each read late by a random few ms, but some on time), and the screen grabbed 120
// times a second, turning white `pictureLate` ns after each moment is heard.
Recording Record(const std::vector<std::int16_t>& reference, const std::vector<double>& moments,
                 std::size_t lead, std::int64_t start, double sinkLatencyMs,
                 std::int64_t pictureLate) {
    Recording recording;
    recording.sound.assign(lead, 0);
    recording.sound.insert(recording.sound.end(), reference.begin(), reference.end());
    std::mt19937 random(11);
    std::uniform_int_distribution<std::int64_t> delay(0, 3 * ms);
    const double nsPerFrame = 1e9 / rate;
    for (std::int64_t frames = 220; frames < static_cast<std::int64_t>(recording.sound.size());
         frames += 220) {
        const std::int64_t handedOver = start + std::llround(frames * nsPerFrame);
        recording.reads.push_back({frames, handedOver + (frames % 2200 == 0 ? 0 : delay(random))});
    }
    const auto heardNs = [&](double moment) {
        return start + std::llround((static_cast<double>(lead) + moment * rate) * nsPerFrame) +
               std::llround(sinkLatencyMs * 1e6);
    };
    for (std::int64_t when = start; when < heardNs(moments.back()) + 500 * ms; when += 8333333) {
        double level = 10.0;
        for (const double moment : moments) {
            const std::int64_t seen = heardNs(moment) + pictureLate;
            if (when >= seen && when < seen + 100 * ms) {
                level = 250.0;
            }
        }
        // The rest of the picture moves a little all the time.
        recording.grabs.push_back({when, std::vector<double>(48, level + (when / ms) % 3)});
    }
    return recording;
}

std::vector<Pair> Measure(const Recording& recording, const std::vector<std::int16_t>& reference,
                          const std::vector<double>& moments, double sinkLatencyMs) {
    const HeardClock clock(recording.reads, rate, sinkLatencyMs);
    SoundTracker tracker(reference, recording.sound, rate);
    std::vector<Pair> pairs;
    EXPECT_TRUE(tracker.Lock());
    for (const double moment : moments) {
        const std::optional<double> frame = tracker.Find(moment);
        EXPECT_TRUE(frame.has_value()) << moment;
        const std::int64_t heard = clock.HeardAt(frame.value_or(0.0));
        const std::optional<std::int64_t> seen = PictureChange(recording.grabs, heard, 250 * ms, 1);
        EXPECT_TRUE(seen.has_value()) << moment;
        pairs.push_back({moment, heard, seen.value_or(0)});
    }
    return pairs;
}

// Picture minus sound comes out as it was made, to within half a grab, whatever the sink's
// latency: the sound is found in the recording to the frame, the earliest reads give the time,
// the latency is added to it, and the cut is found between two grabs.
TEST(SyncAnalysis, PictureMinusSoundIsMeasuredAsMade) {
    const std::vector<double> moments = {1.0, 1.85, 2.6, 3.75};
    const std::vector<std::int16_t> reference = Reference(moments);
    for (const double sinkLatencyMs : {0.0, 5.0, 40.0}) {
        for (const std::int64_t late : {-30 * ms, 0 * ms, 12 * ms, 90 * ms}) {
            const Recording recording =
                Record(reference, moments, 12345, 1000000 * ms, sinkLatencyMs, late);
            const std::vector<Pair> pairs = Measure(recording, reference, moments, sinkLatencyMs);
            for (const Pair& pair : pairs) {
                EXPECT_NEAR(pair.PictureMinusSoundMs(), static_cast<double>(late) / ms, 4.3)
                    << "latency " << sinkLatencyMs << " ms, moment " << pair.content;
            }
            EXPECT_NEAR(Summarise(pairs, 0).medianMs, static_cast<double>(late) / ms, 4.3);
        }
    }
}

// A picture that only moves, without a cut, gives no pair rather than a wrong one; a cut the
// other way than the moment's is not it.
TEST(SyncAnalysis, MotionWithoutACutIsNoPictureChange) {
    std::vector<Grab> grabs;
    for (std::int64_t when = 0; when < 1000 * ms; when += 8333333) {
        grabs.push_back(
            {when, std::vector<double>(48, 100.0 + static_cast<double>(when / ms) * 0.02)});
    }
    EXPECT_FALSE(PictureChange(grabs, 500 * ms, 250 * ms, 1).has_value());
    for (std::size_t i = 60; i < grabs.size(); ++i) {
        grabs[i].tiles.assign(48, 200.0);
    }
    EXPECT_EQ(PictureChange(grabs, 500 * ms, 250 * ms, 1), (grabs[59].when + grabs[60].when) / 2);
    EXPECT_FALSE(PictureChange(grabs, 500 * ms, 250 * ms, -1).has_value());
}

// An hour's drift compares the first minute's median with the last minute's.
TEST(SyncAnalysis, DriftIsTheLastMinuteAgainstTheFirst) {
    std::vector<Pair> pairs;
    for (int second = 0; second < 600; second += 5) {
        const std::int64_t heard = second * 1000 * ms;
        pairs.push_back({0.0, heard, heard + (second < 300 ? 4 : 9) * ms});
    }
    const Figures figures = Summarise(pairs, 0);
    EXPECT_EQ(figures.pairs, 120);
    ASSERT_TRUE(figures.firstMinuteMs && figures.lastMinuteMs);
    EXPECT_DOUBLE_EQ(*figures.lastMinuteMs - *figures.firstMinuteMs, 5.0);
    EXPECT_FALSE(Summarise({pairs.begin(), pairs.begin() + 12}, 0).firstMinuteMs.has_value());
}

} // namespace
} // namespace sync_bench
