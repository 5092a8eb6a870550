// The instruments start from silence and die away, the MP3 encoder's tag gives decoders
// the exact length, and the piece's moments fall on beats of the show's schedule.

#include "tools/datagen/det_math.h"
#include "tools/datagen/instruments.h"
#include "tools/datagen/mastering.h"
#include "tools/datagen/mp3_encoder.h"
#include "tools/datagen/music.h"

#include <gtest/gtest.h>
#include <mpg123.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace datagen;

struct Voice {
    const char* name;
    bool struck; // begins with a deliberate transient
    std::function<void(Instruments&)> play;
};

TEST(Instruments, EachStartsFromSilenceStaysFiniteAndDiesAway) {
    const double start = 0.1;
    const std::vector<Voice> voices = {
        {"kick", true, [&](Instruments& p) { p.Kick(start, 1.0); }},
        {"snare", true, [&](Instruments& p) { p.Snare(start, 1.0); }},
        {"clap", true, [&](Instruments& p) { p.Clap(start, 1.0); }},
        {"open hat", true, [&](Instruments& p) { p.HiHat(start, 1.0, true, 0.0); }},
        {"crash", true, [&](Instruments& p) { p.Crash(start, 1.0); }},
        {"tom", true, [&](Instruments& p) { p.Tom(start, 98.0, 1.0); }},
        {"tick", true, [&](Instruments& p) { p.Tick(start, false, 1.0); }},
        {"boom", false, [&](Instruments& p) { p.Boom(start, 1.0); }},
        {"riser", false, [&](Instruments& p) { p.Riser(start, start + 2.0, 1.0); }},
        {"downlifter", false, [&](Instruments& p) { p.Downlifter(start, 2.0, 1.0); }},
        {"reverse cymbal", false, [&](Instruments& p) { p.ReverseCymbal(start + 1.5, 1.5, 1.0); }},
        {"wind", false, [&](Instruments& p) { p.Wind(start, start + 3.0, 1.0); }},
        {"bass", false, [&](Instruments& p) { p.Bass(start, 33, 0.5, 1.0, 1.0); }},
        {"pad", false,
         [&](Instruments& p) {
             p.Pad(start, {57, 60, 64}, 1.0, 1.0, 1.0, 0.2);
         }},
        {"glass", false,
         [&](Instruments& p) {
             p.Glass(start, {69, 76}, 1.0, 1.0);
         }},
        {"pluck", false, [&](Instruments& p) { p.Pluck(start, 96, 1.0, 1.0, 0.0); }},
        {"bell", false, [&](Instruments& p) { p.Bell(start, 84, 1.0, 0.8, 0.0); }},
        {"lead", false, [&](Instruments& p) { p.Lead(start, 81, 0.5, 1.0); }},
        {"stab", false,
         [&](Instruments& p) {
             p.Stab(start, {67, 72, 76}, 1.0);
         }},
        {"drone", false, [&](Instruments& p) { p.Drone(start, start + 2.0, 33, 1.0); }},
    };
    for (const Voice& voice : voices) {
        Mixer mixer(FrameAt(12.0));
        Instruments play(mixer, 1);
        voice.play(play);
        const StereoBuffer out = mixer.Render();
        double peak = 0.0;
        for (std::size_t i = 0; i < out.Frames(); ++i) {
            ASSERT_TRUE(std::isfinite(out.left[i]) && std::isfinite(out.right[i])) << voice.name;
            peak =
                std::max({peak, std::fabs(double{out.left[i]}), std::fabs(double{out.right[i]})});
        }
        EXPECT_GT(peak, 0.01) << voice.name << " is nearly silent";
        EXPECT_LT(peak, 1.5) << voice.name << " is far too loud";
        const std::size_t first =
            FrameAt(voice.name == std::string("reverse cymbal") ? 0.1 : start);
        EXPECT_EQ(out.left[first - 1], 0.0F) << voice.name << " sounds before its time";
        if (!voice.struck) {
            EXPECT_LT(std::fabs(out.left[first]), 0.02 * peak)
                << voice.name << " starts with a step";
        }
        const std::vector<float> lastLeft(out.left.end() - 4410, out.left.end());
        const std::vector<float> lastRight(out.right.end() - 4410, out.right.end());
        EXPECT_LT(PeakDecibels(lastLeft, lastRight), GainToDecibels(peak) - 70.0)
            << voice.name << " does not die away";
    }
}

TEST(Mp3Encoder, TagsTheStreamSoThatItDecodesToItsExactLength) {
    constexpr std::size_t frames = 44100 + 123;
    std::vector<float> left(frames);
    std::vector<float> right(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        left[i] = static_cast<float>(0.5 * Sin(twoPi * 440.0 * i / 44100.0));
        right[i] = -left[i];
    }
    const Mp3 mp3 = EncodeMp3(left, right);
    ASSERT_EQ(mp3.error, "");
    const std::string head(mp3.bytes.begin(), mp3.bytes.begin() + 200);
    EXPECT_NE(head.find("Info"), std::string::npos) << "no tag frame for a constant rate";
    EXPECT_NE(head.find("LAME"), std::string::npos) << "no encoder delay and padding";

    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    ASSERT_NE(handle, nullptr);
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_GAPLESS, 0.0);
    mpg123_format_none(handle);
    mpg123_format(handle, 44100, MPG123_STEREO, MPG123_ENC_FLOAT_32);
    ASSERT_EQ(mpg123_open_feed(handle), MPG123_OK);
    ASSERT_EQ(mpg123_feed(handle, mp3.bytes.data(), mp3.bytes.size()), MPG123_OK);
    std::vector<float> decoded;
    std::vector<float> buffer(4096);
    std::size_t done = 0;
    int result = MPG123_OK;
    do {
        result = mpg123_read(handle, buffer.data(), buffer.size() * sizeof(float), &done);
        decoded.insert(decoded.end(), buffer.begin(), buffer.begin() + done / sizeof(float));
    } while (result == MPG123_OK || result == MPG123_NEW_FORMAT);
    mpg123_delete(handle);
    EXPECT_EQ(decoded.size(), 2 * frames);
    float peak = 0.0F;
    for (std::size_t i = 0; i < decoded.size(); i += 2) {
        peak = std::max(peak, decoded[i]);
        EXPECT_NEAR(decoded[i + 1], -decoded[i], 0.05F) << i;
    }
    EXPECT_NEAR(peak, 0.5F, 0.05F);
}

TEST(Score, PutsEveryMomentOfTheShowOnABeatWithinThePiece) {
    ASSERT_FALSE(ShowMoments().empty());
    for (const ShowMoment& moment : ShowMoments()) {
        const double beats = moment.seconds / beatSeconds;
        EXPECT_EQ(beats, std::floor(beats)) << moment.picture;
        EXPECT_LT(moment.seconds, musicSeconds) << moment.picture;
    }
}

} // namespace
